#!/usr/bin/env bash
# Builds the desktop program (and only that: no tests, no benchmarks) and starts it.
# Installs missing Debian packages first.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j2 --target orvane
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
  echo "No display found: starting Orvane on Qt's offscreen platform (nothing will be shown)." >&2
  export QT_QPA_PLATFORM=offscreen
fi
exec ./build/default/src/orvane "$@"
