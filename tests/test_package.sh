#!/bin/sh
# Builds the .deb, checks what its control file declares, unpacks it into a scratch root
# and runs hushwellctl from there; checks the desktop entry it installs.
#   test_package.sh BUILD_DIR
set -eu
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/config"
mkdir -p "$HOME"

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/out" >"$tmp/cpack.log" 2>&1 || { cat "$tmp/cpack.log"; exit 1; }
deb=$(ls "$tmp"/out/hushwell_*.deb)
echo "built $(basename "$deb")"

fail() { echo "FAIL: $*"; exit 1; }
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for needed in libqt6core6 libqt6gui6 libqt6widgets6 libqt6multimedia6 procps systemd; do
  echo "$depends" | grep -q "\b$needed\b" || fail "Depends lacks $needed"
done
dpkg-deb -I "$deb" prerm 2>/dev/null | grep -q 'guard stop --all-users' || fail "the package's removal does not take the guard for every account"
recommends=$(dpkg-deb -f "$deb" Recommends)
for wanted in fonts-inter qt6-wayland bash-completion; do
  echo "$recommends" | grep -q "\b$wanted\b" || fail "Recommends lacks $wanted"
done

# Every dependency resolves against this machine's Debian archive (simulated, installs nothing).
if command -v apt-get >/dev/null 2>&1 && apt-cache policy libqt6core6 2>/dev/null | grep -q 'Candidate: [0-9]'; then
  apt-get install -s --no-install-recommends "$deb" >"$tmp/apt.log" 2>&1 || { cat "$tmp/apt.log"; fail "dependencies do not resolve"; }
  echo "dependencies resolve: $(grep -c '^Inst' "$tmp/apt.log") packages to install"
fi

root="$tmp/root"
dpkg -x "$deb" "$root"
for file in usr/bin/hushwell usr/bin/hushwellctl usr/share/hushwell/audiomass-output.mp3 \
            usr/share/applications/com.larkvane.hushwell.desktop usr/share/icons/hicolor/256x256/apps/hushwell.png; do
  [ -e "$root/$file" ] || fail "$file is not in the package"
done

for program in hushwell hushwellctl; do
  file "$root/usr/bin/$program" | grep -q ', stripped' || fail "$program is not stripped"
done
for file in usr/share/man/man1/hushwellctl.1.gz usr/share/doc/hushwell/copyright usr/share/doc/hushwell/changelog.gz \
            usr/share/metainfo/com.larkvane.hushwell.metainfo.xml usr/share/bash-completion/completions/hushwellctl; do
  [ -e "$root/$file" ] || fail "$file is not in the package"
done
# Every tag, pedantic and informational ones included, but one: lintian finds no fortified
# call in hushwellctl, which is built with _FORTIFY_SOURCE but calls no function that has
# a checked variant.
if command -v lintian >/dev/null 2>&1; then
  said=$(lintian --pedantic -I --suppress-tags hardening-no-fortify-functions --fail-on error,warning,info,pedantic "$deb" 2>&1 |
    grep -v '^running with root privileges') || true
  [ -z "$said" ] || { echo "$said"; fail "lintian reports tags"; }
  echo "lintian --pedantic -I: no tags"
fi

version=$("$root/usr/bin/hushwellctl" --version)
[ "$version" = "$("$build/cli/hushwellctl" --version)" ] || fail "version: $version"
"$root/usr/bin/hushwellctl" show kill-script >"$tmp/packaged"
"$build/cli/hushwellctl" show kill-script >"$tmp/built"
cmp "$tmp/packaged" "$tmp/built" || fail "the packaged kill script differs"
echo "$version; kill script as built"

entry="$root/usr/share/applications/com.larkvane.hushwell.desktop"
for line in "Name=Hushwell" "Exec=hushwell" "Icon=hushwell" "Categories=Utility;System;"; do
  grep -qx "$line" "$entry" || fail "the desktop entry lacks $line"
done
echo "the desktop entry as declared"
