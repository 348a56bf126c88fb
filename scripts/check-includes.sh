#!/usr/bin/env bash
# Checks the host boundary: every source and header of the library
# (Libs/Substance/oxSubstance/, with host/ and preset/) includes only
#   - files of the library itself, host/ and preset/ (quoted, found beside the
#     including file or from the library's folder),
#   - Qt (<QString>, <QtGlobal>, <QtCore/QString>, ...),
#   - TinyXML (<tinyxml.h>),
#   - the C++ standard library.
# Prints each other include with its place and fails.
set -euo pipefail
cd "$(dirname "$0")/.."
library=Libs/Substance/oxSubstance
root=$(realpath "$library")

standard=" algorithm any array atomic bitset cassert cctype cerrno cfenv cfloat charconv chrono cinttypes climits
clocale cmath codecvt complex condition_variable csetjmp csignal cstdarg cstddef cstdint cstdio cstdlib cstring
ctime cuchar cwchar cwctype deque exception execution filesystem forward_list fstream functional future
initializer_list iomanip ios iosfwd iostream istream iterator limits list locale map memory memory_resource mutex
new numeric optional ostream queue random ratio regex scoped_allocator set shared_mutex sstream stack stdexcept
streambuf string string_view system_error thread tuple type_traits typeindex typeinfo unordered_map unordered_set
utility valarray variant vector "
standard=${standard//$'\n'/ }

allowed_angle() {
  local name=$1
  [[ $name =~ ^Q[A-Za-z0-9_]*$ || $name =~ ^Qt[A-Za-z]+/Q[A-Za-z0-9_]*$ ]] && return 0
  [ "$name" = tinyxml.h ] && return 0
  [[ $standard == *" $name "* ]]
}

allowed_quoted() {
  local dir=$1 name=$2 candidate resolved
  for candidate in "$dir/$name" "$root/$name"; do
    [ -f "$candidate" ] || continue
    resolved=$(realpath "$candidate")
    [[ $resolved == "$root"/* ]] && return 0
  done
  return 1
}

failures=0
while IFS= read -r file; do
  dir=$(dirname "$(realpath "$file")")
  while IFS= read -r hit; do
    line=${hit%%:*}
    directive=${hit#*:}
    if [[ $directive =~ include[[:space:]]*\"([^\"]+)\" ]]; then
      allowed_quoted "$dir" "${BASH_REMATCH[1]}" && continue
    elif [[ $directive =~ include[[:space:]]*\<([^\>]+)\> ]]; then
      allowed_angle "${BASH_REMATCH[1]}" && continue
    fi
    echo "$file:$line: ${directive#"${directive%%[![:space:]]*}"}: not the library, host/, preset/, Qt, TinyXML or the standard library" >&2
    failures=$((failures + 1))
  done < <(grep -nE '^[[:space:]]*#[[:space:]]*include' "$file" || true)
done < <(find "$library" -type f \( -name '*.h' -o -name '*.cpp' \) | sort)

if [ "$failures" -gt 0 ]; then
  echo "check-includes: $failures include(s) cross the host boundary" >&2
  exit 1
fi
echo "check-includes: the library includes only its own headers, host/, preset/, Qt, TinyXML and the standard library"
