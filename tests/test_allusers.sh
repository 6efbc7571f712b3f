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

# The system's folders, empty and private to this namespace; /run/user is where the
# accounts logged in now have their managers.
for folder in /etc/systemd/user /etc/xdg /usr/local/share /run/user; do
  mkdir -p "$folder" && mount -t tmpfs tmpfs "$folder" || fail "cannot mount a tmpfs on $folder"
done
timer=/etc/systemd/user/com.larkvane.hushwell.guard.timer

# An account's login: its user manager, in a cgroup it may manage, with its own folders.
home=$tmp/home run=/run/user/65534
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
# The account's own copy of hushwellctl: the build may lie where only root can reach it.
cp "$ctl" "$tmp/hushwellctl" && chmod 755 "$tmp/hushwellctl"
account_ctl() { as_account "$tmp/hushwellctl" "$@"; }
no_own_units() { [ -z "$(find "$home" -name 'com.larkvane.hushwell.guard*')" ] || fail "$1: the account wrote units of its own"; }

"$ctl" set --all-users includeCoreSync false || fail "set --all-users"
login
"$ctl" guard start --all-users >/dev/null || fail "guard start --all-users"
[ "$("$ctl" guard status --all-users)" = "Guard on" ] || fail "status --all-users after the start"
grep -q "ore Sync" /usr/local/share/hushwell/guard.sh && fail "the system's preferences are not in the script"
[ "$(as_account systemctl --user is-active com.larkvane.hushwell.guard.timer)" = active ] || fail "the logged-in account's manager did not start the guard"
[ "$(account_ctl guard status | head -1)" = "Guard on" ] || fail "the account's guard status"
target "AdobeIPCBroker --fleet"
dies_within "$started" 20 || fail "the guard did not kill the logged-in account's target within 20 s"

# The account under the administrator's guard: one rule, written nowhere in its home.
said=$(account_ctl guard stop) || fail "the account's stop: $said"
case $said in *"Paused until your next login"*) ;; *) fail "the account's stop said: $said" ;; esac
account_ctl guard status >/dev/null && fail "paused, yet the account's status is on"
said=$(account_ctl set includeDesktopService false) || fail "the account's set: $said"
case $said in *"administrator's settings"*) ;; *) fail "the account's set said: $said" ;; esac
no_own_units "set"
[ "$(account_ctl guard start)" = "Guard on" ] || fail "the account's start did not bring the administrator's guard back"
no_own_units "start"

"$ctl" guard stop --all-users >/dev/null || fail "guard stop --all-users"
left=$(find /etc/systemd/user /usr/local/share -name 'com.larkvane.hushwell.guard*' -o -name guard.sh)
[ -z "$left" ] || fail "left behind: $left"
[ "$(account_ctl guard status | head -1)" = "Guard off" ] || fail "the logged-in account still says on after stop --all-users"
[ "$(as_account systemctl --user is-active com.larkvane.hushwell.guard.timer)" = active ] && fail "the logged-in account's manager still runs the timer"
logout

# The package's removal step, as dpkg runs it.
"$ctl" guard start --all-users >/dev/null || fail "the second start"
sed "s|^ctl=.*|ctl=$ctl|" "$src/resources/debian/prerm" >"$tmp/prerm"
said=$(sh "$tmp/prerm" upgrade) && [ -e "$timer" ] || fail "an upgrade removed the guard: $said"
said=$(sh "$tmp/prerm" remove) || fail "the removal step failed: $said"
case $said in *"every account"*) ;; *) fail "the removal step did not say what it removed: $said" ;; esac
left=$(find /etc/systemd/user /usr/local/share -name 'com.larkvane.hushwell.guard*' -o -name guard.sh)
[ -z "$left" ] || fail "the package's removal left: $left"

if ! command -v ansible-playbook >/dev/null 2>&1; then
  echo "hushwell-skipped: all_users: the Ansible role, since ansible-core is not installed"; exit 0
fi
play() {
  ANSIBLE_LOCAL_TEMP=$tmp/ansible ANSIBLE_HOME=$tmp/ansible ansible-playbook -c local -i localhost, \
    -e hushwell_ctl="$ctl" "$@" "$src/deploy/ansible/site.yml" >"$tmp/play.log" 2>&1 || { cat "$tmp/play.log"; fail "ansible-playbook $*"; }
  sed -n 's/.*changed=\([0-9]*\).*/\1/p' "$tmp/play.log"
}
for bad in "hushwell_guard=maybe" "hushwell_guard=Present" "hushwell_guard=true" \
           "hushwell_include_core_sync=maybe" "hushwell_include_core_sync=" "hushwell_include_desktop_service=sure"; do
  ANSIBLE_LOCAL_TEMP=$tmp/ansible ANSIBLE_HOME=$tmp/ansible ansible-playbook -c local -i localhost, \
    -e hushwell_ctl="$ctl" -e "$bad" "$src/deploy/ansible/site.yml" >"$tmp/play.log" 2>&1 && fail "the role took $bad"
  grep -q "${bad%%=*}" "$tmp/play.log" || { cat "$tmp/play.log"; fail "the role's failure for $bad does not name the variable"; }
  [ -e "$timer" ] && fail "the role changed something before refusing $bad"
done
[ "$(play)" -gt 0 ] || fail "the first run changed nothing"
[ "$(play)" = 0 ] || { cat "$tmp/play.log"; fail "the second run changed something"; }
[ -e "$timer" ] || fail "the role installed no guard"
[ "$("$ctl" get --all-users includeCoreSync)" = true ] || fail "hushwell_include_core_sync did not reach includeCoreSync"
play -e hushwell_include_core_sync=false >/dev/null
[ "$("$ctl" get --all-users includeCoreSync)" = false ] || fail "hushwell_include_core_sync=false did not reach includeCoreSync"
[ "$("$ctl" get --all-users includeDesktopService)" = true ] || fail "hushwell_include_core_sync changed includeDesktopService"
play -e hushwell_include_core_sync=true >/dev/null # a string, as -e gives it
[ "$("$ctl" get --all-users includeCoreSync)" = true ] || fail "hushwell_include_core_sync=true did not reach includeCoreSync"
[ "$(play -e hushwell_guard=absent)" -gt 0 ] || fail "the role did not remove the guard"
[ ! -e "$timer" ] || fail "the guard is still there"
