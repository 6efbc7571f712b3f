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

fail() { echo "FAIL: $*"; exit 1; }
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6core6 libqt6gui6 libqt6widgets6 libqt6multimedia6 procps systemd; do
  echo "$depends" | grep -q "\b$needed\b" || fail "Depends lacks $needed"
done
root="$tmp/root"
dpkg -x "$deb" "$root"
for file in usr/bin/hushwell usr/bin/hushwellctl usr/lib/hushwell/hushwell-sound.so usr/share/hushwell/audiomass-output.mp3 \
            usr/share/applications/com.larkvane.hushwell.desktop \
            usr/share/man/man1/hushwellctl.1.gz usr/share/doc/hushwell/copyright usr/share/doc/hushwell/changelog.gz \
            usr/share/metainfo/com.larkvane.hushwell.metainfo.xml usr/share/bash-completion/completions/hushwellctl; do
  [ -e "$root/$file" ] || fail "$file is not in the package"
done
# The window loads Qt Multimedia with its player module, at the first play, not at start.
readelf -d "$root/usr/bin/hushwell" | grep -q 'NEEDED.*Multimedia' && fail "the window links Qt Multimedia itself"
readelf -d "$root/usr/lib/hushwell/hushwell-sound.so" | grep -q 'NEEDED.*libQt6Multimedia' || fail "the player module does not link Qt Multimedia"
# zsh finds the completion where Debian's zsh looks: vendor-completions for the package,
# site-functions for an install under /usr/local.
cmake --install "$build" --prefix "$tmp/local" >"$tmp/install.log" 2>&1 || { cat "$tmp/install.log"; exit 1; }
[ -e "$root/usr/share/zsh/vendor-completions/_hushwellctl" ] && [ -e "$tmp/local/share/zsh/site-functions/_hushwellctl" ] &&
  zsh -fc '(( ${fpath[(I)/usr/share/zsh/vendor-completions]} && ${fpath[(I)/usr/local/share/zsh/site-functions]} ))' ||
  fail "the zsh completion is not where Debian's zsh looks"
for size in 16 24 32 48 64 128 256 512; do
  [ -e "$root/usr/share/icons/hicolor/${size}x$size/apps/hushwell.png" ] || fail "no $size px icon in the package"
done

version=$("$root/usr/bin/hushwellctl" --version)
[ "$version" = "$("$build/cli/hushwellctl" --version)" ] || fail "version: $version"
