#!/usr/bin/env bash
# Builds the material editor and opens the sample archive in it (needs a
# display; on a machine without one, scripts/editor-picture.sh takes a picture).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DOX_WERROR=ON >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target oxSubstanceEditor
exec build/bin/oxSubstanceEditor samples/materials.sbsar "$@"
