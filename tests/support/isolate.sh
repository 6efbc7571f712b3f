#!/bin/sh
# Runs a test that starts, counts or kills processes, or runs the guard, where it can touch
# nothing of the machine's: as root, in private PID and mount namespaces (its own process
# table, and a fresh tmpfs on /run/systemd so that it can start its own systemd --user
# manager without a systemd PID 1). Otherwise it runs as it is, told why in
# HUSHWELL_NOT_ISOLATED; tests skip what needs the isolation, with that reason.
why=""
if [ "$(id -u)" != 0 ]; then
  why="not root, so no private PID and mount namespaces"
elif ! command -v unshare >/dev/null 2>&1; then
  why="unshare is not installed"
elif ! unshare --pid --fork --mount-proc -m --propagation private true 2>/dev/null; then
  why="unshare of the PID and mount namespaces is not permitted here"
fi
if [ -n "$why" ]; then
  HUSHWELL_NOT_ISOLATED="$why" exec "$@"
fi
mkdir -p /run/systemd
# sh stays PID 1 of the namespace and reaps whatever is orphaned there.
exec unshare --pid --fork --mount-proc -m --propagation private sh -c '
  if mount -t tmpfs tmpfs /run/systemd 2>/dev/null && mkdir -p /run/systemd/system; then
    if [ ! -x /lib/systemd/systemd ] || ! command -v systemctl >/dev/null 2>&1; then
      export HUSHWELL_NO_USER_MANAGER="systemd is not installed"
    elif [ ! -e /sys/fs/cgroup/cgroup.controllers ] && [ ! -d /sys/fs/cgroup/systemd ] && [ ! -d /sys/fs/cgroup/unified ]; then
      export HUSHWELL_NO_USER_MANAGER="no cgroup hierarchy is mounted for systemd"
    fi
  else
    export HUSHWELL_NO_USER_MANAGER="cannot mount a tmpfs on /run/systemd in the namespace"
  fi
  HUSHWELL_ISOLATED=1 "$@"' sh "$@"
