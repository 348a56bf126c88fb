#!/usr/bin/env bash
# Remakes docs/editor.png, the picture of the editor that README.md shows: the
# editor opens samples/materials.sbsar, lays its window out at a fixed size on
# the offscreen platform, saves a picture of it and exits.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DOX_WERROR=ON >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target oxSubstanceEditor
QT_QPA_PLATFORM=offscreen build/bin/oxSubstanceEditor samples/materials.sbsar --screenshot docs/editor.png
echo "wrote docs/editor.png"
