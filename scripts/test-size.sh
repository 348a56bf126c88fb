#!/usr/bin/env bash
# Prints the size of the tests against the code, and with --max P fails when the
# tests are more than P percent of the code.
#
#   bash scripts/test-size.sh [--max P]
#
# Counts non-blank lines of .cpp, .h and .py files known to git (or new and not
# ignored): those under tests/ against all others but bench/, fuzz/, scripts/ and
# samples/, which count as neither.
set -euo pipefail
cd "$(dirname "$0")/.."
max=""
case ${1-} in
  --max) max=$2 ;;
  "") ;;
  *) echo "test-size.sh: unknown argument '$1'" >&2; exit 2 ;;
esac

tests=0 code=0
while IFS= read -r f; do
  [ -f "$f" ] || continue
  n=$(grep -cv '^[[:space:]]*$' "$f" || true)
  case $f in
    tests/*) tests=$((tests + n)) ;;
    bench/* | fuzz/* | scripts/* | samples/*) ;;
    *) code=$((code + n)) ;;
  esac
done < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h' '*.py')
awk -v t="$tests" -v c="$code" -v max="$max" 'BEGIN {
  percent = c ? 100 * t / c : 0
  printf "tests %d lines, code %d lines: %.1f%%\n", t, c, percent
  if (max != "" && percent > max) {
    printf "test-size.sh: the tests are more than %s%% of the code; fold them\n", max > "/dev/stderr"
    exit 1
  }
}'
