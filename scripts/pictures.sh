#!/usr/bin/env bash
# Builds Orvane and renders every window to PNG files (default folder: pictures/): the main
# window at its smallest size with a 26- and a 59-character name (searching, live at the top and
# scrolled to the end, reopened, brainstorm, the clear dialog), the welcome pages, the settings
# tabs and the tray image, light and dark, in English at the usual scale; then the same in
# German (FOLDER/de, light and dark) and at twice the scale (FOLDER/2x, light).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j2 --target orvane-pictures
out=${1:-pictures}
tool=./build/default/tests/ui/orvane-pictures
mkdir -p "$out/de" "$out/2x"
QT_QPA_PLATFORM=offscreen LANGUAGE=en LC_ALL=C.UTF-8 "$tool" "$out"
QT_QPA_PLATFORM=offscreen LANGUAGE=de LC_ALL=de_DE.UTF-8 "$tool" "$out/de"
QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=2 ORVANE_PICTURES_SCHEMES=light LANGUAGE=en LC_ALL=C.UTF-8 "$tool" "$out/2x"
