#!/bin/sh
# kill -9 of "kestrafol run", "kestrafol polar" and "kestrafol study" at many random moments
# into reused output folders; afterwards every case folder must hold one complete run or be
# clearly incomplete (never a mix), polar.csv must agree with the folders, a study folder must
# hold one study's results or none, a resumed polar must keep the finished cases and a resumed
# study must complete. The CI test runs 22 kills; this runs many more (a few seconds each).
#
#   scripts/kill-soak.sh [KILLS] [BUILD_DIR]     defaults: 300, build
set -eu
kills=${1:-300}
build=${2:-build}
junit=/usr/share/java/junit-platform-console-standalone.jar
[ -f "$build/kestrafol.jar" ] && [ -f "$build/tests/java/kestrafol-tests.jar" ] || {
    echo "kill-soak: build $build first (cmake --build $build)" >&2
    exit 1
}
exec java -Dkestrafol.kills="$kills" -Dkestrafol.library.path="$build/libKestrafol.so" \
    -jar "$junit" --class-path "$build/kestrafol.jar:$build/tests/java/kestrafol-tests.jar" \
    --select-class kestrafol.run.KillTest --disable-banner --details=tree
