#!/usr/bin/env bash
# Refreshes the library's source translation file with Qt's lupdate
# (Debian qttools5-dev-tools): every text that the library translates, by
# context (the class name), without source locations, so that the file changes
# only when texts do.
# With --check: refreshes a temporary copy instead and fails when it differs
# from the file in the tree, or when lupdate reports a text it cannot extract.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
library=Libs/Substance/oxSubstance
file=$library/translations/oxSubstance.ts

refresh() {
  local target=$1 log problems
  # The library's own sources and preset/: host/ declares the host's classes,
  # whose texts are the host's business.
  log=$(lupdate -locations none -no-obsolete -source-language en "$library"/*.h "$library"/*.cpp \
    "$library"/preset/*.h "$library"/preset/*.cpp -ts "$target" 2>&1) || {
    echo "$log" >&2
    return 1
  }
  # lupdate reports a text that it cannot place (tr() in a class without its
  # translation functions, ...) and carries on: here that is an error. Its
  # parser also stumbles over templates in the included host declarations,
  # which hold no texts; that is not.
  problems=$(grep -vE '^(Scanning directory|Updating|[[:space:]]+Found|[[:space:]]+Kept|[[:space:]]+Removed)' <<<"$log" |
    grep -vE "^$PWD/$library/host/[^:]+:[0-9]+: Ignoring definition of undeclared qualified class" || true)
  if [ -n "$problems" ]; then
    echo "$problems" >&2
    return 1
  fi
  # lupdate passes over a text or a context that is not a literal without a word.
  problems=$(grep -rnE --include='*.h' --include='*.cpp' \
    '(\b(tr|trUtf8|QT_TR_NOOP)|QCoreApplication::translate|QT_TRANSLATE_NOOP)\([[:space:]]*[^"[:space:])]' \
    "$library" || true)
  if [ -n "$problems" ]; then
    echo "$problems" >&2
    echo "update-translations: translated texts and their contexts (the class name) must be literals" >&2
    return 1
  fi
  # A line end belongs to the log, not to the text that translators see.
  if grep -nE '^[[:space:]]*</source>' "$target" >&2; then
    echo "update-translations: a translated text ends with a line end" >&2
    return 1
  fi
}

if [ "${1:-}" = "--check" ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  [ -f "$file" ] && cp "$file" "$work/oxSubstance.ts"
  refresh "$work/oxSubstance.ts"
  if ! diff -u "$file" "$work/oxSubstance.ts"; then
    echo "update-translations: $file is not current; run bash scripts/update-translations.sh" >&2
    exit 1
  fi
  echo "update-translations: $file is current"
else
  refresh "$file"
  echo "update-translations: refreshed $file"
fi
