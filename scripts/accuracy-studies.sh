#!/bin/sh
# The long runs behind docs/ACCURACY.md and the resolution table of docs/PERFORMANCE.md:
# grid-convergence studies of NACA 0012 at alpha 1.25 (Mach 0.5 and 0.8, the default ladder
# 180/128/90), the 64- and 96-point meshes at Mach 0.5, and the low-Mach runs of the pre-run
# warning (alpha 2, Mach 0.3, 0.2, 0.1, 0.05, default mesh).
# Two processes at a time, niced; about 25 minutes on an idle 2-core machine.
# Usage: scripts/accuracy-studies.sh [OUTDIR]   (default: results/accuracy)
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-results/accuracy}
mkdir -p "$out/low"
k() { nice "$here/kestrafol" "$@"; }

# A study's exit status is 4 when a level did not converge, a low-Mach run's when it reaches the
# cap: keep going, the files say which.
(
    k study --mach 0.5 --alpha 1.25 --jobs 1 --no-pictures --out "$out/study-m0.5" \
        > "$out/study-m0.5.log" 2>&1 || true
    for n in 64 96; do
        k run --mach 0.5 --alpha 1.25 --resolution $n --no-pictures --out "$out/r$n" \
            > "$out/r$n.log" 2>&1 || true
    done
) &
k study --mach 0.8 --alpha 1.25 --jobs 1 --no-pictures --out "$out/study-m0.8" \
    > "$out/study-m0.8.log" 2>&1 || true
for m in 0.3 0.2 0.1 0.05; do
    k run --mach $m --alpha 2 --no-pictures --out "$out/low/m$m" > "$out/low/m$m.log" 2>&1 || true
done
wait
for f in "$out"/low/m*/summary.json "$out"/r*/summary.json; do
    printf '%s: ' "$f"
    grep -E '"(cl|cd|iterations)":' "$f" | tr -d '\n '
    echo
done
for s in study-m0.5 study-m0.8; do
    echo "== $s"
    cat "$out/$s/study.csv"
    tail -n 12 "$out/$s.log"
done
