#!/bin/sh
# The method table of docs/PERFORMANCE.md: each case of a family solved with the library's own
# method and with the flow module's options, alone and together, one run at a time, niced, with
# the default stopping rule. Prints per case and method: the iterations, the wall time, the
# answer, how the run stopped and its time against the standard method's. About an hour on a
# quiet 2-core machine.
# Usage: scripts/method-table.sh [OUTDIR]   (default: results/methods)
# KESTRAFOL may name another command line for the program (default: ./kestrafol); METHODS and
# CASES may narrow the lists (names separated by spaces).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-results/methods}
mkdir -p "$out"
k() { nice -n 10 ${KESTRAFOL:-"$here/kestrafol"} "$@"; }
meshes=$here/../shared/meshes

# name | options | reference
cases="m0.8|--mach 0.8 --alpha 1.25|CL 0.348-0.355, CD 0.0223
m0.5|--mach 0.5 --alpha 1.25|CL 0.1798
m0.5-a0|--mach 0.5 --alpha 0|CL 0
m1.5|--mach 1.5 --alpha 1|-
viscous-airfoil|--viscous --reynolds 5000 --mach 0.5 --alpha 1|-
cylinder-re40|--circle --viscous --reynolds 40 --mach 0.2 --alpha 0|CD 1.50-1.60
plate|--mesh $meshes/mesh_flatplate_65x65.su2 --viscous --reynolds 2e5 --mach 0.5 --alpha 0|-
clarky-re1e5|--airfoil $here/docs/examples/clarky.dat --viscous --reynolds 1e5 --mach 0.3 --alpha 4 --iterations 8000|-"
methods=${METHODS:-"standard courant courant,sweeps=4 smooth-limiter vortex symmetric courant,smooth-limiter,vortex courant,sweeps=4,smooth-limiter,vortex"}

echo "$cases" | while IFS='|' read -r name opts ref; do
    case " ${CASES:-$name} " in *" $name "*) ;; *) continue ;; esac
    for m in $methods; do
        dir="$out/$name--$m"
        if [ ! -f "$dir/summary.json" ]; then
            # shellcheck disable=SC2086
            k run $opts --method "$m" --no-pictures --out "$dir" > "$dir.log" 2>&1 || true
        fi
        echo "$name|$m|$ref"
    done
done > "$out/runs.txt"

python3 - "$out" <<'PY'
import json, os, sys
out = sys.argv[1]
print("| case | method | iterations | wall time | vs standard | CL | CD | stopped by | reference |")
print("|---|---|---:|---:|---:|---:|---:|---|---|")
base = {}
for line in open(os.path.join(out, "runs.txt")):
    name, m, ref = line.rstrip("\n").split("|")
    path = os.path.join(out, name + "--" + m, "summary.json")
    if not os.path.exists(path):
        continue  # not run (narrowed by METHODS or CASES) or ended without a summary
    s = json.load(open(path))
    t = s["wallSeconds"]
    if m == "standard":
        base[name] = t
    ratio = "%.2f" % (t / base[name]) if name in base else "-"
    stop = s["stoppedBy"] + ("" if s["converged"] else " (not converged)")
    answer = "| - | - |" if s["stoppedBy"] == "diverged" else "| %.6f | %.6f |" % (s["cl"], s["cd"])
    print("| %s | %s | %d | %.1f s | %s %s %s | %s |" % (name, m, s["iterations"], t, ratio,
          answer, stop, ref))
PY
