#!/usr/bin/env bash
# Refreshes translations/*.ts from the texts in the sources (qsTr in QML, tr in C++, and the
# lookup errors' English texts marked in the engine), keeping what is translated already. Run it
# after changing or adding a text, then translate what Qt Linguist marks unfinished in
# translations/orvane_de.ts. The build compiles the .ts files.
# orvane_en.ts holds only the English plural forms ("1 saved search", "2 saved searches").
set -euo pipefail
cd "$(dirname "$0")/.."
lupdate=${LUPDATE:-/usr/lib/qt6/bin/lupdate}
sources=(src/ui src/app src/search src/watch src/history src/brainstorm src/settings src/engine src/net)
"$lupdate" -silent -locations none -no-obsolete -extensions cpp,h,qml -I src "${sources[@]}" -ts translations/orvane_de.ts
"$lupdate" -silent -locations none -no-obsolete -pluralonly -extensions cpp,h,qml -I src "${sources[@]}" -ts translations/orvane_en.ts
