#!/usr/bin/env bash
# Builds the benchmarks and runs them: the JSON result goes to results/bench.json (or the
# file given as the first argument), the console gets every benchmark and a summary table.
# Further arguments go to the binary, e.g. --benchmark_filter='/10k$' for the small meshes.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KESTRAFOL_BENCH_BUILD:-$root/build-release}"
out="${1:-$root/results/bench.json}"
shift || true
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKESTRAFOL_BENCH=ON \
  -DKESTRAFOL_JAVA=OFF >/dev/null
cmake --build "$build" -j2 --target kestrafol_bench >/dev/null
mkdir -p "$(dirname "$out")"
echo "load average before the run: $(cut -d' ' -f1-3 /proc/loadavg)"
"$build/bench/kestrafol_bench" --benchmark_out="$out" --benchmark_out_format=json \
  --benchmark_counters_tabular=true "$@"
echo "load average after the run: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "JSON result: $out"
