#!/usr/bin/env bash
# Installs the packages that the build needs, when any is missing (Debian/Ubuntu);
# pybind11, the Python headers and pytest are for the Python module and its tests;
# the editor's tests and pictures draw text on the offscreen platform, which
# needs a font (fonts-dejavu-core).
# Optional parts: --fuzz adds clang with its libFuzzer runtime (scripts/fuzz.sh),
# --valgrind adds valgrind (scripts/valgrind.sh).
set -euo pipefail
packages=(cmake g++ make pkg-config qtbase5-dev qttools5-dev-tools libtinyxml-dev libgtest-dev libbenchmark-dev
  fonts-dejavu-core pybind11-dev python3-dev python3-pytest)
for part in "$@"; do
  case "$part" in
    --fuzz) packages+=(clang libclang-rt-dev) ;;
    --valgrind) packages+=(valgrind) ;;
    *) echo "setup.sh: unknown part '$part' (--fuzz, --valgrind)" >&2; exit 2 ;;
  esac
done
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
