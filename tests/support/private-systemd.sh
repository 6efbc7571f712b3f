#!/bin/sh
# Runs a test in a private mount namespace whose /run/systemd/system is a fresh tmpfs, so
# the test can start its own systemd --user manager without a systemd PID 1 and without
# anything outside the namespace seeing it. Where that is impossible, runs the test as it
# is and says why in HUSHWELL_NO_USER_MANAGER; the test skips what needs the manager.
why=""
if [ "$(id -u)" != 0 ]; then
  why="not root, so no private mount namespace"
elif ! command -v unshare >/dev/null 2>&1; then
  why="unshare is not installed"
elif [ ! -x /lib/systemd/systemd ] || ! command -v systemctl >/dev/null 2>&1; then
  why="systemd is not installed"
elif ! unshare -m true 2>/dev/null; then
  why="unshare -m is not permitted here"
fi
if [ -n "$why" ]; then
  HUSHWELL_NO_USER_MANAGER="$why" exec "$@"
fi
mkdir -p /run/systemd
exec unshare -m --propagation private sh -c '
  mount -t tmpfs tmpfs /run/systemd && mkdir -p /run/systemd/system || exit 1
  HUSHWELL_PRIVATE_SYSTEMD=1 exec "$@"' sh "$@"
