#!/usr/bin/env bash
# Renders the README's screenshots from the real widgets, offscreen, for a fresh account
# with nothing running: resources/screenshots/window.png and window-settings.png.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${HUSHWELL_BUILD_DIR:-build}
cmake -S . -B "$build" >/dev/null
cmake --build "$build" --target hushwell-screenshot --parallel "$(nproc)" >/dev/null
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p resources/screenshots "$tmp/home"
HOME=$tmp/home XDG_CONFIG_HOME=$tmp/config XDG_DATA_HOME=$tmp/data XDG_RUNTIME_DIR=$tmp \
  "$build/tools/hushwell-screenshot" resources/screenshots/window.png resources/screenshots/window-settings.png
echo "wrote resources/screenshots/window.png and window-settings.png"
