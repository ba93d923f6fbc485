#!/usr/bin/env bash
# Builds the set-up fuzzer (clang, libFuzzer, AddressSanitizer + UndefinedBehaviorSanitizer) and
# runs it for a bounded time. Any crash, invalid access, leak, undefined behaviour, refused-input
# inconsistency or time-out fails the run and leaves the input in <build>/findings/.
# Usage: fuzz/run.sh [seconds]   (default 120; build directory $KESTRAFOL_FUZZ_BUILD_DIR or build-fuzz)
# Replay one input: KESTRAFOL_FUZZ_VERBOSE=1 <build>/setup_fuzzer <file>
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-120}
build=${KESTRAFOL_FUZZ_BUILD_DIR:-build-fuzz}

bash scripts/ensure-packages.sh clang libclang-rt-14-dev cmake make
mkdir -p "$build"
cmake -S fuzz -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Release > "$build/configure.log" 2>&1 \
    || { cat "$build/configure.log"; exit 1; }
cmake --build "$build" -j2 > "$build/build.log" 2>&1 || { tail -n 60 "$build/build.log"; exit 1; }

# New inputs go to the working corpus in the build directory; the seeds in fuzz/corpus are read only.
mkdir -p "$build/corpus" "$build/findings"
log="$build/fuzz.log"
status=0
"$build/setup_fuzzer" -max_total_time="$seconds" -max_len=4096 -timeout=30 -rss_limit_mb=4096 \
    -print_final_stats=1 -dict=fuzz/dictionary -artifact_prefix="$build/findings/" "$build/corpus" fuzz/corpus > "$log" 2>&1 || status=$?
tail -n 25 "$log" | grep -v "^\"\|dictionary"
executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | sed 's/cov: //')
findings=$(find "$build/findings" -type f | wc -l)
echo "fuzz: ${executions:-0} executions in ${seconds} s (${rate:-0}/s), coverage ${coverage:-0} edges, corpus $(ls "$build/corpus" | wc -l) + $(ls fuzz/corpus | wc -l) seeds, findings ${findings}"
if [ "$status" -ne 0 ] || [ "$findings" -ne 0 ]; then
    echo "fuzz: FAILED (exit status $status); inputs in $build/findings/" >&2
    exit 1
fi
