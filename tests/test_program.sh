#!/bin/sh
# The two programs as a user starts them, in an empty environment of their own.
#   test_program.sh HUSHWELL HUSHWELLCTL
set -u
hushwell=$1
ctl=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -m 700 "$tmp/run"
fail() { echo "FAIL: $*"; exit 1; }
run() { env -i HOME="$tmp" XDG_RUNTIME_DIR="$tmp/run" PATH=/usr/bin:/bin "$@"; }

# Without a display: one line that says why and points to hushwellctl, then exit 1.
said=$(run "$hushwell" 2>&1 >/dev/null)
status=$?
[ "$status" -eq 1 ] || fail "hushwell without a display exited $status"
[ "$(printf '%s\n' "$said" | wc -l)" -eq 1 ] && printf '%s' "$said" | grep -q 'graphical session.*hushwellctl' ||
  fail "hushwell without a display said: $said"

# With the sound off, a media backend that cannot even load must not stop the start.
run QT_QPA_PLATFORM=offscreen QT_MEDIA_BACKEND=gstreamer GST_PLUGIN_SYSTEM_PATH="$tmp" timeout 3 "$hushwell" >/dev/null 2>&1
status=$?
[ "$status" -eq 124 ] || fail "hushwell ended with status $status within 3 s"

# A full disk is no success: a script would take a cut answer for a whole one.
run "$ctl" --help >/dev/full 2>/dev/null && fail "hushwellctl --help >/dev/full exited 0"
echo "hushwell explains a missing display and starts without its media backend; hushwellctl reports a failed write"
