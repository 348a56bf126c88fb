#!/usr/bin/env bash
# Runs the reader, archive and loading tests and the command-line host under
# valgrind, so that a fault inside a library built without sanitizers (TinyXML,
# Qt) is caught. Uses the normal build (build/); scripts/valgrind.supp holds
# only reports proven to come from outside the project.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --valgrind
build=build
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
tests=(PresetRecordTest ArchiveTest PresetUtilsTest MaterialModifierTest
       PythonInterfaceTest)
cmake -S . -B "$build" -DOX_WERROR=ON >/dev/null
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target "${tests[@]}" oxSubstanceCli >/dev/null

export QT_QPA_PLATFORM=offscreen
valgrind=(valgrind -q --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite
          --suppressions=scripts/valgrind.supp --gen-suppressions=all)
failed=()
# run NAME EXPECTED-EXIT-CODE COMMAND...: valgrind's own exit code is 99.
run() {
  local name=$1 expected=$2 status=0
  shift 2
  echo "== $name"
  "${valgrind[@]}" "$@" >"$build/valgrind-$name.log" 2>&1 || status=$?
  if [ "$status" -ne "$expected" ]; then
    tail -n 80 "$build/valgrind-$name.log"
    failed+=("$name (exit code $status)")
  fi
}
for t in "${tests[@]}"; do
  run "$t" 0 "$build/bin/$t"
done

# The command-line host with texts that end inside a UTF-8 sequence.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '<sbsar formatversion="1"><graph label="X\xd4' >"$work/overread.sbsar"
printf '<?xml version="1.0"?><sbspresets><sbspreset label="X\xd4' >"$work/overread.sbsprs"
run cli-archive 1 "$build/bin/oxSubstanceCli" "$work/overread.sbsar"
run cli-presets 3 "$build/bin/oxSubstanceCli" samples/materials.sbsar --import "$work/overread.sbsprs"
run cli-export 0 "$build/bin/oxSubstanceCli" samples/materials.sbsar --import samples/materials.sbsprs \
  --export "$work/out.sbsprs"

if [ ${#failed[@]} -gt 0 ]; then
  echo "valgrind found errors in: ${failed[*]} (logs in $build/valgrind-*.log)" >&2
  exit 1
fi
echo "valgrind: no errors"
