#!/bin/sh
# The long runs behind docs/ACCURACY.md: grid-convergence studies of NACA 0012 at alpha 1.25
# (Mach 0.5 and 0.8, the default ladder 96/68/48 and the finer 136/96/68 at Mach 0.5) and the
# low-Mach runs of the pre-run warning (alpha 2, Mach 0.3, 0.2, 0.1, 0.05, default mesh).
# Two processes at a time, niced; about 30 minutes on an idle 2-core machine.
# Usage: scripts/accuracy-studies.sh [OUTDIR]   (default: results/accuracy)
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-results/accuracy}
mkdir -p "$out"
k() { nice "$here/kestrafol" "$@"; }

k run --mach 0.3 --alpha 2 --no-pictures --out "$out/m0.3" > "$out/m0.3.log" 2>&1 &
k run --mach 0.2 --alpha 2 --no-pictures --out "$out/m0.2" > "$out/m0.2.log" 2>&1 || true
wait
k run --mach 0.1 --alpha 2 --no-pictures --out "$out/m0.1" > "$out/m0.1.log" 2>&1 &
k run --mach 0.05 --alpha 2 --no-pictures --out "$out/m0.05" > "$out/m0.05.log" 2>&1 || true
wait
# A study's exit status is 4 when a level did not converge: keep going, the files say which.
k study --mach 0.5 --alpha 1.25 --jobs 1 --out "$out/study-m0.5" > "$out/study-m0.5.log" 2>&1 &
k study --mach 0.8 --alpha 1.25 --jobs 1 --out "$out/study-m0.8" > "$out/study-m0.8.log" 2>&1 || true
wait || true
k study --mach 0.5 --alpha 1.25 --resolution 136 --jobs 2 --out "$out/study136-m0.5" \
    > "$out/study136-m0.5.log" 2>&1 || true
for f in "$out"/m*/summary.json; do
    printf '%s: ' "$f"
    grep -E '"(cl|cd)":' "$f" | tr -d '\n '
    echo
done
for s in study-m0.5 study-m0.8 study136-m0.5; do
    echo "== $s"
    cat "$out/$s/study.csv"
    tail -n 12 "$out/$s.log"
done
