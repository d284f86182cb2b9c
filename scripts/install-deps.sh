#!/usr/bin/env bash
# Installs the Debian 12 packages Orvane needs to build, run and test.
# Safe to run repeatedly: it only calls apt-get when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-declarative-dev qt6-declarative-dev-tools
  qt6-multimedia-dev qt6-svg-dev qt6-l10n-tools
  libqt6sql6-sqlite libqt6svg6 libssl3
  qml6-module-qtquick qml6-module-qtquick-controls qml6-module-qtquick-layouts
  qml6-module-qtquick-window qml6-module-qtquick-templates qml6-module-qtqml-workerscript
  qml6-module-qtmultimedia qml6-module-qtquick-dialogs qml6-module-qt-labs-platform
  qml6-module-qttest qml6-module-qtquick-shapes
  qcoro-qt6-dev libcurl4-openssl-dev libidn2-dev libicu-dev libpsl-dev
  ca-certificates curl nghttp2-server openssl
  libgl-dev fonts-dejavu-core
  dpkg-dev desktop-file-utils appstream
  dbus-daemon xvfb xauth
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  if [[ $(id -u) -ne 0 ]]; then
    echo "Missing packages: ${missing[*]} — run this script as root (or with sudo)." >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
