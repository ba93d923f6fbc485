#!/usr/bin/env bash
# All tests: installs what the build and the tests need (if missing), configures a fresh build
# directory (build-test/, or $KESTRAFOL_TEST_BUILD_DIR), builds everything and runs every test
# with ctest: the C++ unit tests, the JUnit tests on a real JVM and the exported-symbol check.
set -euo pipefail
cd "$(dirname "$0")"

bash scripts/ensure-packages.sh g++ make cmake binutils libgtest-dev libbenchmark-dev \
    openjdk-17-jdk-headless libjfreechart-java libjfreesvg-java libpicocli-java junit5 chromium gmsh python3-vtk9

build_dir=${KESTRAFOL_TEST_BUILD_DIR:-build-test}
rm -rf "$build_dir"
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release
cmake --build "$build_dir" -j2
ctest --test-dir "$build_dir" --output-on-failure -j2
