#!/bin/sh
# The before/after table of docs/ACCURACY.md: each target case of solution-adaptive meshing run
# with today's defaults and with the adaptation options, one run at a time, niced. Prints per
# case: nodes, iterations (per cycle), the work (nodes times iterations) against the default
# run's, wall seconds, CL and CD of both runs against the reference. About an hour on a busy 2-core machine.
# Usage: scripts/adapt-targets.sh [OUTDIR] [ADAPT OPTIONS]
#   (default: results/adapt and "--resolution 80 --adapt 1 --max-nodes 8000")
# KESTRAFOL may name another command line for the program (default: ./kestrafol).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-results/adapt}
adapt=${2:-"--resolution 80 --adapt 1 --max-nodes 8000"}
mkdir -p "$out"
k() { nice -n 10 ${KESTRAFOL:-"$here/kestrafol"} "$@"; }

# name | options | reference CL | reference CD (a range as low:high)
cases="m0.3-a8|--mach 0.3 --alpha 8|1.0389|0
n4412-a8|--airfoil $here/docs/examples/naca4412.dat --mach 0.3 --alpha 8|1.5428|0
m0.8|--mach 0.8 --alpha 1.25|0.345:0.358|0.0215:0.0235
m0.5|--mach 0.5 --alpha 1.25|0.1798|0"

echo "$cases" | while IFS='|' read -r name opts cl cd; do
    for variant in default adapted; do
        dir="$out/$name-$variant"
        if [ ! -f "$dir/summary.json" ]; then
            extra=""
            [ "$variant" = adapted ] && extra=$adapt
            # Exit status 4 (not converged) still leaves an answer to tabulate.
            # shellcheck disable=SC2086
            k run $opts $extra --no-pictures --out "$dir" > "$dir.log" 2>&1 || true
        fi
    done
    echo "$name|$cl|$cd"
done > "$out/cases.txt"

python3 - "$out" <<'EOF'
import json, sys, os
out = sys.argv[1]
print("| case | run | nodes | iterations | work | wall s | CL | CL against the reference | CD | reference CL, CD |")
print("|---|---|---:|---:|---:|---:|---:|---:|---:|---|")
for line in open(os.path.join(out, "cases.txt")):
    name, cl, cd = line.strip().split("|")
    work = {}
    for variant in ("default", "adapted"):
        path = os.path.join(out, f"{name}-{variant}", "summary.json")
        if not os.path.exists(path):
            print(f"| {name} | {variant} | (no summary) | | | | | | | |")
            continue
        s = json.load(open(path))
        cycles = s.get("cycles") or [{"nodes": s["settings"]["nodes"], "iterations": s["iterations"]}]
        work[variant] = sum(c["nodes"] * c["iterations"] for c in cycles)
        if ":" in cl:
            lo, hi = (float(v) for v in cl.split(":"))
            rel = "inside" if lo <= s["cl"] <= hi else f"{(s['cl'] - hi) / hi:+.1%} above" if s["cl"] > hi else f"{(s['cl'] - lo) / lo:+.1%} below"
        else:
            rel = f"{s['cl'] / float(cl) - 1:+.2%}"
        ratio = "1" if variant == "default" else f"{work['adapted'] / work['default']:.2f}" if "default" in work else ""
        its = " + ".join(f"{c['iterations']:,}" for c in cycles)
        print(f"| {name} | {variant} | {s['settings']['nodes']:,} | {its} | {ratio} | {s['wallSeconds']:.0f} |"
              f" {s['cl']:.5f} | {rel} | {s['cd']:.5f} | {cl.replace(':', ' to ')}, {cd.replace(':', ' to ')} |")
EOF
