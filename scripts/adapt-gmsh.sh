#!/bin/sh
# The Gmsh rows of docs/ACCURACY.md's adaptation section: a main element with a flap and the
# high-lift section (its O-mesh cannot be built, so Gmsh meshes it) at Mach 0.3 and 4 degrees,
# each with today's defaults and with --adapt 1 and 2 (node budget: twice the first mesh's),
# an iteration cap of 20,000 for all,
# one run at a time, niced. Prints per run: nodes per cycle, iterations per cycle, the work
# (nodes times iterations) against the default run's, wall seconds, CL and CD.
# Usage: scripts/adapt-gmsh.sh [OUTDIR]   (default: results/adapt-gmsh)
# KESTRAFOL may name another command line for the program (default: ./kestrafol).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-results/adapt-gmsh}
mkdir -p "$out"
k() { nice -n 10 ${KESTRAFOL:-"$here/kestrafol"} "$@"; }
ex="$here/docs/examples"

# name | body options
cases="flap|--airfoil $ex/naca4412.dat --airfoil $ex/naca0012.dat@1.02,-0.06,10,0.3
highlift|--airfoil $ex/highlift.dat"

echo "$cases" | while IFS='|' read -r name body; do
    for cycles in 0 1 2; do
        dir="$out/$name-adapt$cycles"
        if [ ! -f "$dir/summary.json" ]; then
            # Exit status 4 (not converged) still leaves an answer to tabulate.
            # shellcheck disable=SC2086
            k run $body --mach 0.3 --alpha 4 --iterations 20000 --adapt $cycles --out "$dir" > "$dir.log" 2>&1 || true
        fi
    done
    echo "$name"
done > "$out/cases.txt"

python3 - "$out" <<'PY'
import json, sys, os
out = sys.argv[1]
print("| case | run | nodes | iterations | work | wall s | CL | CD |")
print("|---|---|---:|---:|---:|---:|---:|---:|")
for name in (l.strip() for l in open(os.path.join(out, "cases.txt"))):
    base = None
    for cycles in (0, 1, 2):
        path = os.path.join(out, f"{name}-adapt{cycles}", "summary.json")
        if not os.path.exists(path):
            print(f"| {name} | --adapt {cycles} | (no summary) | | | | | |")
            continue
        s = json.load(open(path))
        runs = s.get("cycles") or [{"nodes": s["settings"]["nodes"], "iterations": s["iterations"]}]
        work = sum(c["nodes"] * c["iterations"] for c in runs)
        base = base or work
        nodes = " / ".join(f"{c['nodes']:,}" for c in runs)
        its = " + ".join(f"{c['iterations']:,}" for c in runs)
        run = "default" if cycles == 0 else f"--adapt {cycles}"
        print(f"| {name} | {run} | {nodes} | {its} | {work / base:.2f} | {s['wallSeconds']:.0f} |"
              f" {s['cl']:.5f} | {s['cd']:.5f} |")
PY
