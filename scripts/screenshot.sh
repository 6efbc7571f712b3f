#!/usr/bin/env bash
# Renders the README's screenshots from the real widgets, offscreen, for a fresh account
# with nothing running and a systemd --user manager of its own (as root, in the namespaces
# tests/support/isolate.sh makes; elsewhere no manager answers, and the guard panel says
# so): resources/screenshots/window.png and window-settings.png, and, asked for, the About
# panel:   scripts/screenshot.sh [ABOUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${HUSHWELL_BUILD_DIR:-build}
if [ "${HUSHWELL_ISOLATED:-}" != 1 ]; then
  cmake -S . -B "$build" >/dev/null
  cmake --build "$build" --target hushwell-screenshot --parallel "$(nproc)" >/dev/null
  exec tests/support/isolate.sh "$0" "$@"
fi
tmp=$(mktemp -d)
manager=""
trap '[ -n "$manager" ] && kill "$manager" 2>/dev/null; wait 2>/dev/null; rm -rf "$tmp"' EXIT
mkdir -p resources/screenshots "$tmp/home" "$tmp/run" && chmod 700 "$tmp/run"
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/config XDG_DATA_HOME=$tmp/data XDG_RUNTIME_DIR=$tmp/run
unset DBUS_SESSION_BUS_ADDRESS
if [ -z "${HUSHWELL_NO_USER_MANAGER:-}" ]; then
  /lib/systemd/systemd --user >"$tmp/manager.log" 2>&1 &
  manager=$!
  for _ in $(seq 150); do systemctl --user is-system-running >/dev/null 2>&1 && break; sleep 0.1; done
fi
# With an argument, the About panel too, into that file (QT_SCALE_FACTOR=2: everything at 2x).
"$build/tools/hushwell-screenshot" resources/screenshots/window.png resources/screenshots/window-settings.png "$@"
echo "wrote resources/screenshots/window.png and window-settings.png${1:+, and $1}"
