#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (in build-fuzz/) and runs them.
#
#   bash scripts/fuzz.sh [--ci] [SECONDS] [TARGET...]
#
# Each target first runs every input of its seed corpus (fuzz/corpus/<target>/),
# so that a regression on a known input fails at once, then fuzzes for SECONDS
# (default 60; with --ci 20, from a fresh corpus) on inputs of at most 8 KiB
# (a larger seed, such as a deeply nested text, is cut to that size there). Inputs that add coverage are
# kept in build-fuzz/corpus/<target>/, findings go to build-fuzz/findings/.
# Without TARGET every target runs. The exit code is not 0 after a finding.
set -euo pipefail
cd "$(dirname "$0")/.."

ci=false
if [ "${1:-}" = "--ci" ]; then
  ci=true
  shift
fi
seconds=${1:-}
[ $# -gt 0 ] && shift
if [ -z "$seconds" ]; then
  seconds=60
  $ci && seconds=20
fi
case "$seconds" in
  '' | *[!0-9]*) echo "fuzz.sh: SECONDS must be a whole number, not '$seconds'" >&2; exit 2 ;;
esac

bash scripts/setup.sh --fuzz
build=build-fuzz
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in fuzz/*Fuzz.cpp; do
    targets+=("$(basename "$source" .cpp)")
  done
fi
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
CXX=clang++ cmake -S . -B "$build" -DOX_BUILD_FUZZ=ON -DOX_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target "${targets[@]}" >/dev/null

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen
mkdir -p "$build/findings"
for target in "${targets[@]}"; do
  program="$build/bin/$target"
  seeds="fuzz/corpus/$target"
  corpus="$build/corpus/$target"
  $ci && rm -rf "$corpus"
  mkdir -p "$corpus"
  echo "== $target: seed corpus"
  "$program" -runs=0 "$seeds" >"$build/$target.seeds.log" 2>&1 ||
    { tail -n 60 "$build/$target.seeds.log" >&2; echo "$target fails on its seed corpus" >&2; exit 1; }
  grep -E "INITED" "$build/$target.seeds.log" || true
  echo "== $target: fuzzing for ${seconds}s"
  "$program" -max_total_time="$seconds" -max_len=8192 -timeout=20 -rss_limit_mb=2560 -print_final_stats=1 \
    -artifact_prefix="$build/findings/$target-" "$corpus" "$seeds" 2>"$build/$target.log" ||
    { tail -n 60 "$build/$target.log" >&2; echo "$target: finding in $build/findings/" >&2; exit 1; }
  grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$build/$target.log" | sed "s/^/$target /"
done
