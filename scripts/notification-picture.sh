#!/usr/bin/env bash
# Shoots the desktop notification a watched domain raises, on a virtual X display with a real
# notification service (dunst): bash scripts/notification-picture.sh [FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-pictures}")
mkdir -p "$out"
for tool in Xvfb dunst dbus-run-session import; do
  command -v $tool >/dev/null || apt-get install -y -qq --no-install-recommends xvfb dunst dbus dbus-x11 imagemagick >/dev/null
done
cmake --preset default >/dev/null
cmake --build --preset default -j2 --target orvane-pictures
display=:97
Xvfb $display -screen 0 800x300x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
sleep 1 # Xvfb offers no readiness signal; this script is for pictures only
DISPLAY=$display dbus-run-session -- bash -c "
  dunst >/dev/null 2>&1 &
  sleep 1
  QT_QPA_PLATFORM=offscreen ./build/default/tests/ui/orvane-pictures '$out' --notification
  DISPLAY=$display import -window root '$out/notification.png'
"
echo "wrote $out/notification.png"
