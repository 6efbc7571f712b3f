#!/bin/sh
# The window on a real Wayland compositor (weston, headless), through Qt's native Wayland
# platform rather than XWayland: it comes up as built, and its drawer opens and closes.
#   test_wayland.sh TEST_WINDOW
set -u
command -v weston >/dev/null 2>&1 || { echo "hushwell-skipped: wayland: weston is not installed"; exit 77; }
tmp=$(mktemp -d)
chmod 700 "$tmp"
XDG_RUNTIME_DIR=$tmp weston --backend=headless-backend.so --socket=wayland-test --idle-time=0 >"$tmp/weston.log" 2>&1 &
weston=$!
trap 'kill $weston 2>/dev/null; wait $weston 2>/dev/null; rm -rf "$tmp"' EXIT
for _ in $(seq 50); do [ -S "$tmp/wayland-test" ] && break; sleep 0.1; done
if [ ! -S "$tmp/wayland-test" ]; then
  echo "hushwell-skipped: wayland: weston could not start here: $(tail -1 "$tmp/weston.log")"; exit 77
fi
# The test gives itself a runtime folder of its own: the compositor is named by its path.
HUSHWELL_TEST_PLATFORM=wayland WAYLAND_DISPLAY="$tmp/wayland-test" \
  "$1" --gtest_filter=Window.Construction*
