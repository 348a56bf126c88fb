#!/usr/bin/env bash
# Sets up a fresh machine, builds the benchmarks in Release, runs them and
# prints one table of every figure beside its reference (bench/report.py).
# Extra arguments go to every benchmark program (for instance
# --benchmark_filter=Load).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=build-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DOX_BUILD_TESTS=OFF -DOX_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
# Three repetitions of each, every reference run just before its figure, so that
# both meet the same load of a shared machine; the table takes the fastest repetition.
results=()
for program in "$build"/bin/*Bench; do
  [ -x "$program" ] || continue
  json="$build/$(basename "$program").json"
  "$program" --benchmark_repetitions=3 --benchmark_display_aggregates_only=true \
    --benchmark_out="$json" --benchmark_out_format=json "$@"
  results+=("$json")
done
echo
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo 2>/dev/null | cut -d: -f2 | sed 's/^ //'); $(date -u '+%Y-%m-%d %H:%M UTC')"
python3 bench/report.py "${results[@]}"
