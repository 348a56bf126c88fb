#!/usr/bin/env bash
# Plants faults (mutants) in the library, the stand-in host and the host programs
# one at a time and runs the whole test suite against each: a mutant that some
# test fails on is caught, one that passes every test survived. Prints the size
# of the tests against the code first, and at the end a table of every mutant and the totals.
#
#   bash scripts/mutants.sh [--build DIR] [--list FILE] [--only ID[,ID...]] [--check] [--ratio]
#
# --build   the build folder to use (default build; configured when missing)
# --list    the mutants (default scripts/mutants.txt; its head says how they are written)
# --only    runs only the named mutants
# --check   only says, for every mutant, whether its text is found, and builds nothing
# --ratio   only prints the size of the tests against the code
#
# Each mutant replaces one exact text, found exactly once, in one file of the
# tree; a mutant whose text is not found (the code moved on) or is found more
# than once is skipped, and said to be. The file is put back after each run, also
# when the script is stopped. Only the library target of the changed file is
# rebuilt: the tests load the shared libraries at run time; a file of the host
# programs (Apps/) is rebuilt with everything that links it. A fault in a
# library header is built into that library only, not into the host programs
# that include the header too. Every build and test run takes the shared build lock.
set -euo pipefail
shopt -u patsub_replacement 2>/dev/null || true
cd "$(dirname "$0")/.."
root=$PWD

build=build
list=scripts/mutants.txt
only=""
check=0
ratioOnly=0
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$2; shift 2 ;;
    --list) list=$2; shift 2 ;;
    --only) only=",$2,"; shift 2 ;;
    --check) check=1; shift ;;
    --ratio) ratioOnly=1; shift ;;
    *) echo "mutants.sh: unknown argument '$1'" >&2; exit 2 ;;
  esac
done
lock=/tmp/oxbuild.lock

# ---------------------------------------------------------------- size of the tests against the code
print_ratio() { bash scripts/test-size.sh; }
print_ratio
[ "$ratioOnly" = 1 ] && exit 0

# ---------------------------------------------------------------- reading the list
ids=() files=() olds=() news=() titles=()
id="" file="" old="" new="" title="" hasOld=0 hasNew=0
flush() {
  [ -n "$id" ] || return 0
  ids+=("$id"); files+=("$file"); olds+=("$old"); news+=("$new"); titles+=("$title")
  id="" file="" old="" new="" title="" hasOld=0 hasNew=0
}
while IFS= read -r line || [ -n "$line" ]; do
  case $line in
    "## "*) flush; id=${line#"## "}; title=${id#* }; id=${id%% *} ;;
    "@ "*) file=${line#"@ "} ;;
    "-" | "- "*) line=${line#-}; line=${line# }
      if [ $hasOld = 1 ]; then old+=$'\n'"$line"; else old=$line; hasOld=1; fi ;;
    "+" | "+ "*) line=${line#+}; line=${line# }
      if [ $hasNew = 1 ]; then new+=$'\n'"$line"; else new=$line; hasNew=1; fi ;;
  esac
done < "$list"
flush

# How often $2 occurs in $1.
occurrences() {
  local text=$1 needle=$2 count=0
  while [[ $text == *"$needle"* ]]; do
    text=${text#*"$needle"}
    count=$((count + 1))
  done
  echo "$count"
}

# The target that a changed file is built into; empty for a file of the host
# programs, which are static libraries linked into programs and tests: the
# whole build takes it in. Fails for a file of no known target.
target_of() {
  case $1 in
    Libs/Substance/oxSubstance/preset/*) echo oxSubstancePreset ;;
    Libs/Substance/oxSubstance/*) echo oxSubstance ;;
    StandIn/*) echo oxStandInHost ;;
    Apps/*) echo "" ;;
    *) return 1 ;;
  esac
}

# Builds one target, or everything when the target is empty.
build_target() {
  if [ -n "$1" ]; then
    flock "$lock" cmake --build "$build" --target "$1"
  else
    flock "$lock" cmake --build "$build" -j2
  fi
}

# ---------------------------------------------------------------- the file being changed is always put back
saved=""
savedFile=""
restore() {
  if [ -n "$saved" ]; then
    cat "$saved" > "$savedFile" # a new time stamp, so that the next build compiles it again
    rm -f "$saved"
    saved=""
  fi
}
trap 'restore' EXIT
trap 'restore; exit 130' INT TERM

logs=$build/mutants
if [ "$check" = 0 ]; then
  if [ ! -f "$build/CMakeCache.txt" ]; then
    flock "$lock" cmake -S . -B "$build" -DOX_WERROR=ON >/dev/null
  fi
  flock "$lock" cmake --build "$build" -j2 >/dev/null
  mkdir -p "$logs"
  echo "baseline: every test must pass before mutants mean anything"
  if ! flock "$lock" ctest --test-dir "$build" -j2 --timeout 300 >"$logs/baseline.log" 2>&1; then
    tail -n 20 "$logs/baseline.log"
    echo "mutants.sh: the suite fails without a mutant (see $logs/baseline.log)" >&2
    exit 1
  fi
fi

results=()
caught=0 survived=0 skipped=0 unbuilt=0
# The target of the last file put back ("(all)" for the whole build), until it is
# built again: the next mutant of another target must not run against it.
stale=""
for i in "${!ids[@]}"; do
  id=${ids[$i]}
  [ -z "$only" ] || [[ $only == *",$id,"* ]] || continue
  f=${files[$i]}
  status=""
  if [ ! -f "$f" ]; then
    status="skipped: no file $f"
  else
    content=$(cat "$f"; printf x)
    content=${content%x}
    n=$(occurrences "$content" "${olds[$i]}")
    if [ "$n" = 0 ]; then status="skipped: text not found"
    elif [ "$n" != 1 ]; then status="skipped: text found $n times"
    elif ! target_of "$f" >/dev/null; then status="skipped: no library target for $f"
    fi
  fi
  if [ -z "$status" ] && [ "$check" = 1 ]; then
    status="found"
  elif [ -z "$status" ]; then
    target=$(target_of "$f")
    saved=$(mktemp)
    savedFile=$f
    cat "$f" > "$saved"
    printf '%s' "${content/"${olds[$i]}"/"${news[$i]}"}" > "$f"
    if [ -n "$stale" ] && [ -n "$target" ] && [ "$stale" != "$target" ]; then
      build_target "${stale#(all)}" >/dev/null
    fi
    stale=${target:-(all)}
    if ! build_target "$target" >"$logs/$id.build.log" 2>&1; then
      status="not built"
    elif flock "$lock" timeout 1800 ctest --test-dir "$build" -j2 --timeout 120 \
           >"$logs/$id.log" 2>&1; then
      status="SURVIVED"
    else
      status="caught"
    fi
    restore
  fi
  case $status in
    caught) caught=$((caught + 1)) ;;
    SURVIVED) survived=$((survived + 1)) ;;
    "not built") unbuilt=$((unbuilt + 1)) ;;
    skipped*) skipped=$((skipped + 1)) ;;
  esac
  line=$(printf '%-6s %-14s %s' "$id" "${status%%:*}" "${titles[$i]}")
  [[ $status == skipped* ]] && line+=" (${status#skipped: })"
  echo "$line"
  results+=("$line")
done

# The libraries as they are again.
if [ -n "$stale" ]; then
  build_target "${stale#(all)}" >/dev/null
fi

echo
echo "mutant result         fault"
printf '%s\n' "${results[@]}"
echo
if [ "$check" = 1 ]; then
  echo "${#results[@]} mutants, $skipped whose text is not found once"
else
  echo "caught $caught, survived $survived, not built $unbuilt, skipped $skipped (logs in $logs)"
fi
print_ratio
