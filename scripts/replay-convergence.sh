#!/usr/bin/env bash
# Replays recorded histories through the stopping rules: where the former and the current rule
# stop, their answers and the errors against the long run's final mean (docs/CONVERGENCE.md).
# Record a history without stopping early, e.g.
#   ./kestrafol run --cauchy 0/0 --orders 99 --iterations 20000 --out /tmp/h/case
# Usage: scripts/replay-convergence.sh [--settle EPS/W] [--tail N] [--markdown] history.csv...
# KESTRAFOL_JAR selects the JAR (default build/kestrafol.jar of this checkout).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
jar="${KESTRAFOL_JAR:-$root/build/kestrafol.jar}"
if [ ! -f "$jar" ]; then
    echo "replay-convergence: $jar not found; build first (cmake -S . -B build && cmake --build build)" >&2
    exit 1
fi
exec java -cp "$jar" kestrafol.solver.ConvergenceReplay "$@"
