#!/usr/bin/env bash
# Sets up a fresh machine, builds the command-line host and loads a sample
# archive with it. Extra arguments go to the program (for instance --json).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DOX_WERROR=ON >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target oxSubstanceCli >/dev/null
exec build/bin/oxSubstanceCli samples/materials.sbsar "$@"
