#!/bin/sh
# A stand-in for the account's session bus, for the whole test run: every test gets
# DBUS_SESSION_BUS_ADDRESS pointing at this socket, as a desktop session sets it, and the
# run fails if anything connected, since in a real session that would have been the
# account's own bus (and through it, its real systemd --user manager).
#   bus_trap.sh start|check DIR
set -u
dir=$2
case $1 in
  start)
    rm -rf "$dir" && mkdir -p "$dir" || exit 1
    python3 - "$dir" >/dev/null 2>&1 <<'PY' &
import os, socket, sys
folder = sys.argv[1]
server = socket.socket(socket.AF_UNIX)
server.bind(os.path.join(folder, "socket"))
server.listen(64)
open(os.path.join(folder, "ready"), "w").close()
while True:
    connection, _ = server.accept()
    with open(os.path.join(folder, "connections"), "a") as log:
        log.write("a connection\n")
    connection.close()
PY
    echo $! >"$dir/pid"
    for _ in $(seq 50); do [ -e "$dir/ready" ] && exit 0; sleep 0.1; done
    echo "the stand-in session bus did not start"; exit 1 ;;
  check)
    kill "$(cat "$dir/pid")" 2>/dev/null
    if [ -s "$dir/connections" ]; then
      echo "FAIL: $(wc -l <"$dir/connections") connection(s) reached the session bus a desktop session would name"
      exit 1
    fi
    echo "nothing reached the session bus" ;;
esac
