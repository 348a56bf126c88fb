#!/usr/bin/env bash
# Sets up a fresh machine, builds everything with warnings as errors and runs
# every test. With --sanitize: the same under AddressSanitizer and
# UndefinedBehaviorSanitizer, in a build folder of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

build=build
options=(-DOX_WERROR=ON -DOX_BUILD_BENCH=ON)
if [ "${1:-}" = "--sanitize" ]; then
  build=build-sanitize
  options+=(-DOX_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B "$build" "${options[@]}"
cmake --build "$build" -j "$jobs"
ctest --test-dir "$build" --output-on-failure -j "$jobs"
