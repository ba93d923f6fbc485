#!/usr/bin/env bash
# Main job: installs what the build needs (if missing), builds the native library and the JAR
# in build/, and runs the host program's default case. Extra arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")"

bash scripts/ensure-packages.sh g++ make cmake openjdk-17-jdk-headless libjfreechart-java libjfreesvg-java libpicocli-java

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DKESTRAFOL_TESTS=OFF -DKESTRAFOL_BENCH=OFF
cmake --build build -j2

if ! jar tf build/kestrafol.jar | grep -qx 'kestrafol/cli/Main.class'; then
    echo "build/kestrafol.jar has no kestrafol.cli.Main yet: the library and JAR are built, there is no case to run." >&2
    exit 1
fi
# The JAR carries the native library and every Java library it needs.
exec java -Djava.awt.headless=true -jar build/kestrafol.jar run "$@"
