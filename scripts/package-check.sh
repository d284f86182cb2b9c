#!/usr/bin/env bash
# Builds the Debian package from an already built tree, runs lintian on it (its errors fail
# the check), installs it with apt, checks that the installed program runs and that its menu
# entry, metadata, manual pages and completion are in place, then removes it again and checks
# that nothing of it is left in /usr. Needs root. Usage: package-check.sh BUILD_DIR
set -euo pipefail
build=${1:-build/ci}
cd "$(dirname "$0")/.."

(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/orvane_*.deb | head -n1)
echo "package: $deb"
dpkg-deb -f "$deb" Depends

export DEBIAN_FRONTEND=noninteractive
if ! command -v lintian >/dev/null; then
  apt-get -o DPkg::Lock::Timeout=600 update -qq
  apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends lintian >/dev/null
fi
# Warnings are printed for the record; errors are what a distribution would refuse.
lintian --fail-on error "$deb"
echo "lintian: no errors"

apt-get -o DPkg::Lock::Timeout=600 install -y -qq "./$deb" >/dev/null
files=$(dpkg -L orvane | grep -v '^/\.$')

desktop-file-validate /usr/share/applications/com.pellunor.Orvane.desktop
appstreamcli validate --no-net /usr/share/metainfo/com.pellunor.Orvane.metainfo.xml >/dev/null
/usr/bin/orvane-check --help | head -n1
test -x /usr/bin/orvane
test -f /usr/share/icons/hicolor/256x256/apps/com.pellunor.Orvane.png
test -f /usr/share/icons/hicolor/scalable/apps/com.pellunor.Orvane.svg
test -f /usr/share/man/man1/orvane-check.1.gz
test -f /usr/share/man/man1/orvane.1.gz
test -f /usr/share/bash-completion/completions/orvane-check
test -f /usr/share/zsh/vendor-completions/_orvane-check

apt-get -o DPkg::Lock::Timeout=600 remove -y -qq orvane >/dev/null
left=0
while IFS= read -r path; do
  if [[ -f "$path" ]]; then
    echo "left behind: $path" >&2
    left=1
  fi
done <<< "$files"
if ((left)); then
  exit 1
fi
echo "package check passed: installed, ran, validated, removed cleanly"
