#!/usr/bin/env bash
# Before/after on a shared machine: the benchmark binary of an earlier commit ("before"), this
# tree's binary ("after", on the path it detects) and this tree's binary forced onto the scalar
# loops ("scalar"), run alternately group by group, several rounds; the load average is logged
# with every run. Each group's JSON files go to OUT/<group>-<config>-<round>.json.
# Usage: bench/side_by_side.sh BEFORE_BINARY AFTER_BINARY OUT [ROUNDS] [GROUPS...]
#   groups are benchmark filters; default: the in-cache flux and triad, then each mesh.
set -euo pipefail
before=$1
after=$2
out=$3
rounds=${4:-2}
shift $(( $# < 4 ? $# : 4 ))
groups=("$@")
if [ ${#groups[@]} -eq 0 ]; then
    groups=('^(triad|flux_in_cache)/' '/tri/10k' '/quad/10k' '/tri/1M' '/quad/1M')
fi
mkdir -p "$out"
for group in "${groups[@]}"; do
    tag=$(echo "$group" | tr -c 'A-Za-z0-9\n' '_' | sed 's/^_*//;s/_*$//')
    for round in $(seq 1 "$rounds"); do
        for config in before after scalar; do
            case $config in
                before) cmd=("$before") ;;
                after) cmd=("$after") ;;
                scalar) cmd=("$after" --kernel_path=scalar) ;;
            esac
            echo "$(date -u +%H:%M:%S) $tag $config round $round, load $(cut -d' ' -f1-3 /proc/loadavg)"
            "${cmd[@]}" --benchmark_filter="$group" --benchmark_repetitions=3 \
                --benchmark_out="$out/$tag-$config-$round.json" --benchmark_out_format=json \
                > "$out/$tag-$config-$round.log" 2>&1
        done
    done
done
echo "$(date -u +%H:%M:%S) done, load $(cut -d' ' -f1-3 /proc/loadavg)"
