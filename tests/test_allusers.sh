#!/bin/sh
# The guard for every account, for real: installed by root into system folders private to
# this namespace, then an account (nobody) logs in with a user manager of its own, and the
# guard kills that account's target; removed, a new login runs nothing. Then the Ansible
# role, twice, the second run changing nothing. Run through support/isolate.sh.
#   test_allusers.sh HUSHWELLCTL SOURCE_DIR
set -u
ctl=$1
src=$2
why=${HUSHWELL_NOT_ISOLATED:-${HUSHWELL_NO_USER_MANAGER:-}}
if [ "${HUSHWELL_ISOLATED:-}" != 1 ] || [ -n "${HUSHWELL_NO_USER_MANAGER:-}" ]; then
  [ "${HUSHWELL_REQUIRE_ISOLATION:-}" = 1 ] && { echo "FAIL: isolation is required: $why"; exit 1; }
  echo "hushwell-skipped: all_users: needs its own namespaces and user manager: $why"; exit 77
fi
fail() { echo "FAIL: $*"; exit 1; }
tmp=$(mktemp -d) && chmod 755 "$tmp" # the account reaches its folders inside
manager=""
logout() { [ -n "$manager" ] && kill "$manager" 2>/dev/null && wait "$manager" 2>/dev/null; manager=""; }
trap 'logout; pkill -9 -u 65534 2>/dev/null; rm -rf "$tmp"' EXIT

# The system's folders, empty and private to this namespace.
for folder in /etc/systemd/user /etc/xdg /usr/local/share; do
  mkdir -p "$folder" && mount -t tmpfs tmpfs "$folder" || fail "cannot mount a tmpfs on $folder"
done

# An account's login: its user manager, in a cgroup it may manage, with its own folders.
home=$tmp/home run=$tmp/run
mkdir -p "$home" "$run" && chown 65534:65534 "$home" "$run" && chmod 700 "$run"
if [ -e /sys/fs/cgroup/cgroup.controllers ]; then hierarchies=/sys/fs/cgroup; else hierarchies="/sys/fs/cgroup/systemd /sys/fs/cgroup/unified"; fi
as_account() { setpriv --reuid=65534 --regid=65534 --clear-groups env -i HOME="$home" XDG_RUNTIME_DIR="$run" PATH=/usr/bin:/bin "$@"; }
login() {
  for h in $hierarchies; do [ -d "$h" ] && mkdir -p "$h/account" && chown -R 65534:65534 "$h/account"; done
  HIERARCHIES=$hierarchies sh -c 'for h in $HIERARCHIES; do [ -d "$h" ] && echo $$ >"$h/account/cgroup.procs"; done; exec "$@"' sh \
    setpriv --reuid=65534 --regid=65534 --clear-groups env -i HOME="$home" XDG_RUNTIME_DIR="$run" PATH=/usr/bin:/bin \
    /lib/systemd/systemd --user >>"$tmp/manager.log" 2>&1 &
  manager=$!
  for _ in $(seq 150); do
    as_account systemctl --user is-system-running >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  cat "$tmp/manager.log"; fail "the account's user manager did not start"
}
target() { as_account /bin/bash -c 'exec -a "$0" sleep 300' "$1" >/dev/null 2>&1 & started=$!; }
dies_within() { for _ in $(seq $(($2 * 10))); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done; return 1; }

"$ctl" set --all-users includeCoreSync false || fail "set --all-users"
"$ctl" guard start --all-users >/dev/null || fail "guard start --all-users"
[ "$("$ctl" guard status --all-users)" = "Guard on" ] || fail "status --all-users after the start"
grep -q "ore Sync" /usr/local/share/hushwell/guard.sh && fail "the system's preferences are not in the script"
login
[ "$(as_account systemctl --user is-active com.larkvane.hushwell.guard.timer)" = active ] || fail "the login did not load the guard"
# The account sees its guard on, and cannot start one of its own beside it. (Its own copy
# of hushwellctl: the build may lie where only root can reach it.)
cp "$ctl" "$tmp/hushwellctl" && chmod 755 "$tmp/hushwellctl"
[ "$(as_account "$tmp/hushwellctl" guard status | head -1)" = "Guard on" ] || fail "the account's guard status"
said=$(as_account "$tmp/hushwellctl" guard start 2>&1) && fail "the account's own start did not refuse"
case $said in *"administrator installed the guard for every account"*) ;; *) fail "the refusal said: $said" ;; esac
target "AdobeIPCBroker --fleet"
dies_within "$started" 20 || fail "the guard did not kill the account's target within 20 s"
echo "the guard for every account killed the account's target"

"$ctl" guard stop --all-users >/dev/null || fail "guard stop --all-users"
left=$(find /etc/systemd/user /usr/local/share -name 'com.larkvane.hushwell.guard*' -o -name guard.sh)
[ -z "$left" ] || fail "left behind: $left"
logout
login
[ "$(as_account systemctl --user is-active com.larkvane.hushwell.guard.timer)" = active ] && fail "a new login still runs the guard"
target "AdobeIPCBroker --after"
dies_within "$started" 3 && fail "something killed the target after the removal"
logout
echo "removed: a new login runs nothing"

if ! command -v ansible-playbook >/dev/null 2>&1; then
  echo "hushwell-skipped: all_users: the Ansible role, since ansible-core is not installed"; exit 0
fi
play() {
  ANSIBLE_LOCAL_TEMP=$tmp/ansible ANSIBLE_HOME=$tmp/ansible ansible-playbook -c local -i localhost, \
    -e hushwell_ctl="$ctl" "$@" "$src/deploy/ansible/site.yml" >"$tmp/play.log" 2>&1 || { cat "$tmp/play.log"; fail "ansible-playbook $*"; }
  sed -n 's/.*changed=\([0-9]*\).*/\1/p' "$tmp/play.log"
}
[ "$(play)" -gt 0 ] || fail "the first run changed nothing"
[ "$(play)" = 0 ] || { cat "$tmp/play.log"; fail "the second run changed something"; }
[ -e /etc/systemd/user/com.larkvane.hushwell.guard.timer ] || fail "the role installed no guard"
[ "$(play -e hushwell_guard=absent)" -gt 0 ] || fail "the role did not remove the guard"
[ -e /etc/systemd/user/com.larkvane.hushwell.guard.timer ] && fail "the guard is still there"
echo "the Ansible role installs the guard once, changes nothing the second time, and removes it"
