#!/bin/sh
# Builds the .deb, checks what its control file declares, unpacks it into a scratch root
# and runs hushwellctl from there.
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
for needed in libqt6core6 libqt6gui6 libqt6widgets6 libqt6multimedia6 qt6-qpa-plugins procps systemd; do
  echo "$depends" | grep -q "\b$needed\b" || fail "Depends lacks $needed"
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

version=$("$root/usr/bin/hushwellctl" --version)
[ "$version" = "$("$build/cli/hushwellctl" --version)" ] || fail "version: $version"
"$root/usr/bin/hushwellctl" show kill-script >"$tmp/packaged"
"$build/cli/hushwellctl" show kill-script >"$tmp/built"
cmp "$tmp/packaged" "$tmp/built" || fail "the packaged kill script differs"
echo "$version; kill script as built"
