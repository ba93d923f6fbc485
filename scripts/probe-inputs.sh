#!/bin/bash
# Hostile inputs against the command-line program, as a user would hand them: endless and huge
# files, counts that would exhaust the machine, links and FIFOs as lock files, deep JSON, bytes
# that are not UTF-8, coordinates at the ends of the double range. Each probe must end within
# its time with the expected exit status and a one-line message naming what it expects, and
# leave the files it must not touch as they were. Prints one line per probe and a count.
#
#   scripts/probe-inputs.sh [BUILD_DIR]     default: build (needs build/kestrafol.jar)
set -u
build=$(cd "${1:-build}" && pwd) || exit 1
jar=$build/kestrafol.jar
[ -f "$jar" ] || { echo "probe-inputs: build $build first (cmake --build $build)" >&2; exit 1; }
examples=$(cd "$(dirname "$0")/../docs/examples" && pwd) || exit 1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
k() { java -jar "$jar" "$@"; }
pass=0
fail=0
# The JVM's own start, measured once: a probe's SECONDS come on top of it (a loaded machine
# starts a JVM in seconds).
t0=$(date +%s%N)
java -jar "$jar" --help >/dev/null 2>&1
start=$(awk -v a="$t0" -v b="$(date +%s%N)" 'BEGIN { printf "%.1f", (b - a) / 1e9 }')
echo "JVM start and help: $start s (added to each probe's limit)"

# probe NAME SECONDS STATUS WORDS -- ARGUMENTS...: runs kestrafol with the arguments, expects
# STATUS within SECONDS (after the JVM's start) and WORDS in its output, and no stack trace.
probe() {
    local name=$1 limit=$2 want=$3 words=$4
    shift 5
    local t0 t1 status msg
    t0=$(date +%s%N)
    timeout 60 java -jar "$jar" "$@" >out.txt 2>err.txt
    status=$?
    t1=$(date +%s%N)
    local secs
    secs=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.1f", (b - a) / 1e9 }')
    msg=$(grep -v '^\s*$' err.txt | tail -n 1)
    if [ "$status" = "$want" ] && awk -v s="$secs" -v l="$limit" -v j="$start" \
            'BEGIN { exit !(s <= l + j) }' \
            && { [ -z "$words" ] || grep -qF -- "$words" err.txt out.txt; } \
            && ! grep -q 'Exception\|Error:' err.txt; then
        pass=$((pass + 1))
        printf 'ok    %-34s %5s s  exit %s  %s\n' "$name" "$secs" "$status" "${msg:0:110}"
    else
        fail=$((fail + 1))
        printf 'FAIL  %-34s %5s s  exit %s (want %s, %s s, "%s")  %s\n' "$name" "$secs" \
            "$status" "$want" "$limit" "$words" "${msg:0:200}"
    fi
}

# check NAME CONDITION...: a condition on the files after a probe.
check() {
    local name=$1
    shift
    if "$@"; then
        pass=$((pass + 1))
        printf 'ok    %-34s\n' "$name"
    else
        fail=$((fail + 1))
        printf 'FAIL  %-34s\n' "$name"
    fi
}

# An airfoil coordinate file: the NACA 4412 of docs/examples scaled by $2.
scaled() {
    awk -v f="$2" 'NR == 1 { print; next } { printf "%.17g %.17g\n", $1 * f, $2 * f }' \
        "$examples/naca4412.dat" >"$1"
}
cp "$examples/naca4412.dat" good.dat

echo "== unbounded reads"
probe "mesh --airfoil /dev/zero" 1 1 "larger than 16 MB" -- mesh --airfoil /dev/zero --out z.su2
probe "run --compare /dev/zero" 1 1 "larger than 16 MB" -- run --compare /dev/zero
yes "1,0.1" | head -c 120M >big.csv
probe "run --compare 120 MB" 1 1 "larger than 16 MB" -- run --compare big.csv
yes "0.5 0.1" | head -c 100M >big.dat
probe "coordinate file 100 MB" 1 1 "larger than 16 MB" -- mesh --airfoil big.dat --out z.su2
printf 'NDIME= 2\nNPOIN= 2000000000\n' >huge.su2
probe "mesh file of 2e9 nodes" 1 1 "at most 20,000,000" -- run --mesh huge.su2
probe "polar 9999 x 9999 cases" 1 2 "a polar holds at most 1,000,000" -- \
    polar --mach 1:1:9999 --alpha 1:1:9999 --slurm-dry-run --out p1
k polar --mach 0.5 --alpha 0,1 --slurm-dry-run --out forged >/dev/null 2>&1
printf 'job=12\ntasks=1\nmach=1:1:9999\nalpha=1:1:9999\nchain=true\n' \
    >forged/slurm/submission.properties
probe "forged --gather submission" 1 1 "submission.properties: 9,999 Mach" -- \
    polar --gather forged

echo "== lock files"
echo "three years of work" >thesis.txt
mkdir -p link dangling fifo
ln -s "$work/thesis.txt" link/.kestrafol.lock
probe "lock is a link to a user's file" 1 1 ".kestrafol.lock is a symbolic link" -- \
    run --out link --iterations 5
check "the linked file is intact" grep -q "three years of work" thesis.txt
ln -s "$work/outside" dangling/.kestrafol.lock
probe "lock is a dangling link" 1 1 ".kestrafol.lock is a symbolic link" -- \
    run --out dangling --iterations 5
check "nothing created outside" test ! -e outside
mkfifo fifo/.kestrafol.lock
probe "lock is a FIFO" 1 1 ".kestrafol.lock is not a regular file" -- \
    run --out fifo --iterations 5

echo "== hostile JSON"
k polar --mach 0.5 --alpha 0,1 --iterations 30 --no-pictures --out deep >/dev/null 2>&1
head -c 200000 /dev/zero | tr '\0' '[' >deep/m0.5_a1/summary.json
probe "200,000 nested [ then --resume" 60 4 "2 cases:" -- \
    polar --mach 0.5 --alpha 0,1 --iterations 30 --no-pictures --out deep --resume
check "the case was run again" grep -q '"run"' deep/m0.5_a1/summary.json

echo "== geometry in any units"
for f in 1e300 1e-300 1e308; do
    scaled "s$f.dat" "$f"
    probe "airfoil scaled by $f" 10 0 "thickness 12.01 % at 29.8 %" -- \
        mesh --airfoil "s$f.dat" --out "s$f.su2"
done

echo "== coordinate files: the true reason"
sed '5s/.*/0.5 NaN/' good.dat >nan.dat
probe "NaN" 1 1 'found "NaN"' -- mesh --airfoil nan.dat --out z.su2
sed '5s/.*/Infinity 0/' good.dat >inf.dat
probe "Infinity" 1 1 'found "Infinity"' -- mesh --airfoil inf.dat --out z.su2
sed '5s/$/\xff/' good.dat >latin.dat
probe "a byte that is not UTF-8" 1 1 "latin.dat:5: byte 0xFF" -- mesh --airfoil latin.dat --out z.su2
{ echo name; for i in $(seq 40); do echo "0.5 0.1"; done; } >equal.dat
probe "40 equal points" 1 1 "all 40 points are the same point" -- mesh --airfoil equal.dat --out z.su2
{ echo name; seq 1000000 | awk '{ printf "%.3f %.3f\n", cos($1), sin($1) }'; } >million.dat
probe "10^6 points" 1 1 "more than 100000 points" -- mesh --airfoil million.dat --out z.su2

echo "== text read strictly"
printf 'mach = 0.5\xff\n' >latin.properties
probe "case file with a bad byte" 1 1 "latin.properties:1: byte 0xFF" -- run --config latin.properties
k run --out 'x/trail ' --iterations 5 >/dev/null 2>&1
cp 'x/trail /case.properties' trail.properties
rm -rf x
probe "--out 'x/trail ' from case.properties" 30 4 "" -- run --config trail.properties
check "re-run into 'x/trail '" test -f 'x/trail /summary.json'

echo "$pass passed, $fail failed"
[ "$fail" = 0 ]
