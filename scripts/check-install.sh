#!/usr/bin/env bash
# Installs the build in a temporary prefix and builds and runs the consumer
# project (tests/consumer/) against it, once through the CMake package and once
# through pkg-config; when the build has the Python module, imports the
# installed module and runs the consumer script and the batch report sample
# with it. Argument: the build folder (default: build, as made by
# scripts/test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
[ -f "$build/CMakeCache.txt" ] || { echo "no configured build in '$build'; run scripts/test.sh first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
cache_value() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
targets=(oxSubstance oxSubstancePreset oxStandInHost)
[ "$(cache_value OX_BUILD_PYTHON)" = ON ] && targets+=(oxsubstance)
cmake --build "$build" -j2 --target "${targets[@]}" >/dev/null
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "check-install: $*" >&2; exit 1; }
for header in oxSubstancePythonInterface.h host/Materials.h preset/SubstanceAirPreset.h; do
  [ -f "$prefix/include/oxSubstance/$header" ] || fail "public header $header is not installed"
done
for header in oxSubstanceFilePath.h oxStandInTesting.h oxStandInServices.h; do
  [ -z "$(find "$prefix" -name "$header")" ] || fail "internal header $header is installed"
done

archive="$PWD/samples/materials.sbsar"
expected=$'Light Oak\nDark Walnut\nWeathered Pine'

cmake -S tests/consumer -B "$work/build" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/build" >/dev/null
[ "$("$work/build/oxSubstanceConsumer" "$archive")" = "$expected" ] || fail "the CMake consumer printed other presets"

libdir=$(dirname "$(find "$prefix" -name oxSubstance.pc)")/..
export PKG_CONFIG_PATH="$libdir/pkgconfig"
# shellcheck disable=SC2046
g++ -std=c++17 -Wall -Wextra -Werror tests/consumer/main.cpp -o "$work/pc-consumer" \
  $(pkg-config --cflags --libs oxSubstance) -Wl,-rpath,"$(pkg-config --variable=libdir oxSubstance)"
[ "$("$work/pc-consumer" "$archive")" = "$expected" ] || fail "the pkg-config consumer printed other presets"
echo "check-install: the installed package builds and runs the consumer (CMake and pkg-config)"

[ "$(cache_value OX_BUILD_PYTHON)" = ON ] || exit 0
python=$(cache_value Python_EXECUTABLE)
packages="$prefix/$(cache_value OX_PYTHON_INSTALL_DIR)"
[ -f "$packages/oxsubstance.pyi" ] || fail "the Python module's type stubs are not installed in $packages"
export PYTHONPATH="$packages" PYTHONDONTWRITEBYTECODE=1
module=$("$python" -c 'import oxsubstance; print(oxsubstance.__file__)') || fail "the installed Python module does not import"
[ "${module#"$packages"/}" != "$module" ] || fail "Python imported the module from $module, not from the prefix"
# The consumer's warnings (the preset file beside the sample) are shown only when it fails.
[ "$("$python" tests/consumer/consumer.py "$archive" 2>"$work/consumer.err")" = "$expected" ] ||
  { cat "$work/consumer.err" >&2; fail "the Python consumer printed other presets"; }
"$python" samples/batch_report.py samples --output "$work/report.json" || fail "the batch report did not load every sample"
echo "check-install: the installed Python module imports and runs the consumer script and the batch report"
