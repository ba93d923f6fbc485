#!/usr/bin/env bash
# The library must run on any x86-64: only the *_avx2 objects, entered after the processor has
# been checked, may contain AVX instructions (VEX or EVEX encoded, mnemonics v...). Lists any other
# object of the archive that does and fails.
# Usage: check_baseline_isa.sh libkestrafol_core.a [objdump]
set -euo pipefail
archive=$1
objdump=${2:-objdump}
"$objdump" -d --no-show-raw-insn "$archive" | awk '
    /file format/ { member = $1; sub(/:$/, "", member); next }
    /^ *[0-9a-f]+:\t/ {
        split($0, parts, "\t")
        if (parts[2] ~ /^v[a-z0-9]+ / && member !~ /_avx2\.cpp\.o$/) bad[member]++
        if (parts[2] ~ /^v[a-z0-9]+ / && member ~ /_avx2\.cpp\.o$/) vector++
    }
    END {
        status = 0
        for (m in bad) { printf "%s: %d AVX instructions outside the vector kernels\n", m, bad[m]; status = 1 }
        if (vector == 0) { print "no AVX instruction in the *_avx2 objects: the vector path is missing"; status = 1 }
        if (status == 0) printf "baseline x86-64 everywhere except the vector kernels (%d AVX instructions)\n", vector
        exit status
    }'
