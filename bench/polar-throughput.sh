#!/usr/bin/env bash
# Cases per hour of a 16-case polar on the default built-in mesh (NACA 0012, 3,168 nodes) with
# --jobs 1 and --jobs 2, and the speed-up. Every case runs the same number of iterations
# (coefficient criterion off), so that the figure measures the workers and not how the cases
# happen to converge. Prints the machine load (uptime) with each figure, and the CPU time the
# polar used: on a shared machine the scheduler gives one process (one session) one share of the
# cores however many threads it runs, so the wall-time speed-up there says little; CPU seconds
# per case with one and two workers tell whether two solvers slow each other down (shared cache,
# memory bandwidth), which is what limits the speed-up on free cores.
#   bench/polar-throughput.sh [JAR] [ITERATIONS]      (defaults build/kestrafol.jar, 1500)
set -euo pipefail
cd "$(dirname "$0")/.."
jar=${1:-build/kestrafol.jar}
iterations=${2:-1500}
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrafol-throughput.XXXXXX")
trap 'rm -rf "$work"' EXIT
declare -A rate cpu
for jobs in 1 2; do
    echo "load before --jobs $jobs: $(uptime | sed 's/.*load average: //')"
    start=$(date +%s.%N)
    /usr/bin/time -f "%U %S" -o "$work/time$jobs" java -jar "$jar" polar --mach 0.3,0.5 \
        --alpha -2:2:12 --cold --iterations "$iterations" --cauchy 0/0 --no-pictures \
        --jobs "$jobs" --out "$work/jobs$jobs" > "$work/jobs$jobs.log"
    end=$(date +%s.%N)
    wall=$(echo "$end - $start" | bc -l)
    rate[$jobs]=$(echo "16 * 3600 / $wall" | bc -l)
    cpu[$jobs]=$(awk '{ print $1 + $2 }' "$work/time$jobs")
    printf -- "--jobs %d: 16 cases in %.1f s, %.0f cases per hour, %.1f CPU s (%.2f per case; load after: %s)\n" \
        "$jobs" "$wall" "${rate[$jobs]}" "${cpu[$jobs]}" "$(echo "${cpu[$jobs]} / 16" | bc -l)" \
        "$(uptime | sed 's/.*load average: //')"
done
diff <(cut -d, -f1-11 "$work/jobs1/polar.csv") <(cut -d, -f1-11 "$work/jobs2/polar.csv") > /dev/null \
    || { echo "the two polars differ" >&2; exit 1; }
printf "speed-up on 2 workers (wall time): %.2f (the two polars agree bit for bit)\n" \
    "$(echo "${rate[2]} / ${rate[1]}" | bc -l)"
printf "CPU time per case, 2 workers against 1: %.2f (1.00: the two solvers do not slow each other)\n" \
    "$(echo "${cpu[2]} / ${cpu[1]}" | bc -l)"
