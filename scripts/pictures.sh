#!/usr/bin/env bash
# Builds Orvane and renders every window to PNG files (default folder: pictures/): the main
# window at its smallest size with a 26- and a 59-character name (searching, live at the top and
# scrolled to the end, reopened, brainstorm, the clear dialog), the welcome pages, the settings
# tabs and the tray image, light and dark.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j2 --target orvane-pictures
out=${1:-pictures}
QT_QPA_PLATFORM=offscreen ./build/default/tests/ui/orvane-pictures "$out"
