#!/usr/bin/env bash
# Sets up a fresh machine, builds the benchmarks in Release and runs them.
# Extra arguments go to every benchmark program (for instance
# --benchmark_filter=Matching).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=build-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DOX_BUILD_TESTS=OFF -DOX_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
for program in "$build"/bin/*Bench; do
  [ -x "$program" ] || continue
  "$program" "$@"
done
