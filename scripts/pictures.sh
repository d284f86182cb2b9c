#!/usr/bin/env bash
# Builds Orvane and renders its windows to PNG files (default folder: pictures/).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j2 --target orvane-pictures
out=${1:-pictures}
QT_QPA_PLATFORM=offscreen ./build/default/tests/ui/orvane-pictures "$out"
