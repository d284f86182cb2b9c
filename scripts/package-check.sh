#!/usr/bin/env bash
# Builds the Debian packages from an already built tree (orvane-check, orvane and their -dbgsym
# packages) and checks them as a distribution would: lintian without a single error or warning,
# hardened binaries (BIND_NOW, RELRO, PIE, stack protector, fortified calls), debug symbols found
# by build id; orvane-check installed alone without the desktop stack, its completion working with
# bash-completion; then orvane; then both removed with nothing left in /usr and the packages they
# brought in removed again. Needs root on Debian 12. Usage: package-check.sh BUILD_DIR
set -euo pipefail
build=$(realpath "${1:-build/ci}")
cd "$(dirname "$0")/.."
export DEBIAN_FRONTEND=noninteractive
apt=(apt-get -o DPkg::Lock::Timeout=600 -y -qq)

fail() { echo "package check: $*" >&2; exit 1; }

rm -f "$build"/orvane*.deb "$build"/orvane*.ddeb
(cd "$build" && cpack -G DEB >/dev/null)
cli=$(ls "$build"/orvane-check_*.deb)
desktop=$(ls "$build"/orvane_*.deb)
debs=("$build"/orvane*.deb)
for deb in "${debs[@]}"; do
  printf '%-40s %6s KiB installed  Depends: %s\n' "$(basename "$deb")" \
    "$(dpkg-deb -f "$deb" Installed-Size)" "$(dpkg-deb -f "$deb" Depends)"
done
((${#debs[@]} == 4)) || fail "expected orvane, orvane-check and a -dbgsym package for each, got ${debs[*]}"

installed_packages() { dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' | awk '$1 == "ii" { print $2 }' | sort; }

if ! command -v lintian >/dev/null || ! command -v readelf >/dev/null; then
  "${apt[@]}" update
  "${apt[@]}" install --no-install-recommends lintian binutils >/dev/null
fi
lintian --fail-on error,warning "${debs[@]}"
echo "lintian: no errors, no warnings"

# Hardening, read from the binaries as they are shipped.
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
for deb in "${debs[@]}"; do dpkg-deb -x "$deb" "$unpacked"; done
for binary in orvane-check orvane; do
  elf=$unpacked/usr/bin/$binary
  dynamic=$(readelf -d "$elf")
  grep -Eq '\(FLAGS\).*BIND_NOW|\(FLAGS_1\).*NOW' <<< "$dynamic" || fail "$binary: no BIND_NOW"
  grep -q GNU_RELRO <<< "$(readelf -lW "$elf")" || fail "$binary: no RELRO"
  grep -q 'PIE' <<< "$dynamic" || fail "$binary: not a position-independent executable"
  symbols=$(readelf --dyn-syms -W "$elf")
  grep -q ' __stack_chk_fail' <<< "$symbols" || fail "$binary: no stack protector (__stack_chk_fail not imported)"
  grep -Eq ' __[a-z_]+_chk(@|$)' <<< "$symbols" || fail "$binary: no fortified calls (no __*_chk imported)"
  id=$(readelf -n "$elf" | awk '/Build ID/ { print $3 }')
  test -f "$unpacked/usr/lib/debug/.build-id/${id:0:2}/${id:2}.debug" || fail "$binary: no debug symbols for build id $id"
  echo "$binary: BIND_NOW, RELRO, PIE, __stack_chk_fail, $(grep -Eo ' __[a-z_]+_chk(@|$)' <<< "$symbols" | sort -u | wc -l) fortified calls, debug symbols $id"
done

before=$(installed_packages)
installed_since() { comm -13 <(echo "$before") <(installed_packages); }

# orvane-check alone: nothing of the desktop stack may come with it, here or on any machine.
"${apt[@]}" install "$cli" >/dev/null
came=$(installed_since)
echo "orvane-check brought $(wc -l <<< "$came") packages: $(tr '\n' ' ' <<< "$came")"
closure=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
  --no-replaces --no-enhances orvane-check | grep -v '^ ' | sort -u)
desktop_stack='^(libqt6(gui|widgets|quick|qml|svg|multimedia|opengl|waylandclient)[a-z0-9-]*|qml6-module-.*|qt6-wayland)$'
if grep -E "$desktop_stack" <<< "$closure"; then
  fail "orvane-check depends on the desktop stack (above)"
fi
/usr/bin/orvane-check --version
/usr/bin/orvane-check --help >/dev/null
test -f /usr/share/man/man1/orvane-check.1.gz
test -f /usr/share/zsh/vendor-completions/_orvane-check

# Completion as an interactive bash finds it: bash-completion loads it on first use.
dpkg -s bash-completion >/dev/null 2>&1 || "${apt[@]}" install bash-completion >/dev/null
completed=$(bash --norc --noprofile -c '
  source /usr/share/bash-completion/bash_completion
  _completion_loader orvane-check
  function=$(complete -p orvane-check | sed -E "s/.* -F ([^ ]+) .*/\1/")
  COMP_WORDS=(orvane-check --for); COMP_CWORD=1; COMP_LINE="orvane-check --for"; COMP_POINT=${#COMP_LINE}
  "$function" orvane-check --for orvane-check
  printf "%s\n" "${COMPREPLY[@]}"')
[[ $completed == --format ]] || fail "bash completion of 'orvane-check --for' gave '$completed', not --format"
echo "bash completion: orvane-check --for<Tab> gives --format"

# The desktop program, and the QML modules its windows import among what it depends on.
"${apt[@]}" install "$desktop" >/dev/null
echo "orvane brought $(comm -13 <(echo "$before"$'\n'"$came" | sort) <(installed_packages) | wc -l) more packages"
closure=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
  --no-replaces --no-enhances orvane | grep -v '^ ' | sort -u)
qml=/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/qt6/qml
for module in $(sed -nE 's/^import (Qt[A-Za-z.]*).*/\1/p' src/ui/*.qml | sort -u); do
  owner=$(dpkg -S "$qml/${module//.//}/qmldir" | cut -d: -f1)
  grep -qx "$owner" <<< "$closure" || fail "the windows import $module ($owner), which orvane does not depend on"
done
grep -qx libqt6sql6-sqlite <<< "$closure" || fail "orvane does not depend on Qt's SQLite driver"
desktop-file-validate /usr/share/applications/com.pellunor.Orvane.desktop
appstreamcli validate --no-net /usr/share/metainfo/com.pellunor.Orvane.metainfo.xml >/dev/null
test -x /usr/bin/orvane
test -f /usr/share/icons/hicolor/256x256/apps/com.pellunor.Orvane.png
test -f /usr/share/icons/hicolor/scalable/apps/com.pellunor.Orvane.svg
test -f /usr/share/icons/hicolor/symbolic/apps/com.pellunor.Orvane-symbolic.svg
test -f /usr/share/man/man1/orvane.1.gz
test -f /usr/share/doc/orvane/copyright
test -f /usr/share/doc/orvane-check/copyright

files=$(dpkg -L orvane orvane-check | grep -v '^/\.$')
"${apt[@]}" remove orvane orvane-check >/dev/null
left=0
while IFS= read -r path; do
  if [[ -f "$path" ]]; then
    echo "left behind: $path" >&2
    left=1
  fi
done <<< "$files"
((left == 0)) || fail "files left behind"
# What the two packages brought in goes again, so that the machine is as it was.
brought=$(installed_since)
if [[ -n $brought ]]; then
  # shellcheck disable=SC2086 # one package name a word
  "${apt[@]}" purge $brought >/dev/null
fi
echo "package check passed: lintian clean, hardened, installed, completed, validated, removed cleanly"
