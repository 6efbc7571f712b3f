#!/bin/sh
# The guard for every account, for real: installed by root into system folders private to
# this namespace, with accounts logged in: ann, with a user manager of her own, and bob,
# whose manager's socket accepts and never answers. The guard kills ann's target; bob
# never holds root back nor gets anything of root's; ann's own guard outlives the
# administrator's stop. Then the upgrade, the removal and the Ansible role, twice, the
# second run changing nothing. Run through support/isolate.sh.
#   test_allusers.sh HUSHWELLCTL SOURCE_DIR
set -u
ctl=$1
src=$2
why=${HUSHWELL_NOT_ISOLATED:-${HUSHWELL_NO_USER_MANAGER:-${HUSHWELL_NO_SYSTEM_FOLDERS:-}}}
if [ "${HUSHWELL_ISOLATED:-}" != 1 ] || [ -n "$why" ]; then
  [ "${HUSHWELL_REQUIRE_ISOLATION:-}" = 1 ] && { echo "FAIL: isolation is required: $why"; exit 1; }
  echo "hushwell-skipped: all_users: needs its own namespaces and user manager: $why"; exit 77
fi
fail() { echo "FAIL: $*"; exit 1; }
tmp=$(mktemp -d) && chmod 755 "$tmp" # the account reaches its folders inside
manager="" listeners=""
logout() { [ -n "$manager" ] && kill "$manager" 2>/dev/null && wait "$manager" 2>/dev/null; manager=""; }
trap 'logout; kill $listeners 2>/dev/null; pkill -9 -u 5001 2>/dev/null; pkill -9 -u 5002 2>/dev/null; umount /usr/bin/systemctl /etc/passwd /etc/group 2>/dev/null; rm -rf "$tmp"' EXIT

# The system's folders are this namespace's own (isolate.sh), each with its mark; /run/user
# is where the accounts logged in now have their managers. The accounts exist in this
# namespace only.
# Checked before each step that writes there: the machine's own folders are never written.
own_folders() {
  for folder in /etc/systemd/user /etc/xdg /usr/local/share /run/user /var/lib; do
    [ -e "$folder/.hushwell-test" ] || fail "$folder is no longer this test's own"
  done
}
# The guard's units as hushwellctl names them: each text it shows opens with its name.
label=$("$ctl" show guard-units --all-users | sed -n 's/^# \(.*\)\.timer$/\1/p')
[ -n "$label" ] || fail "hushwellctl names no timer"
timer=/etc/systemd/user/$label.timer
home=$tmp/ann run=/run/user/5001
cp /etc/passwd "$tmp/passwd" && cp /etc/group "$tmp/group" || fail "cannot copy the account files"
printf 'ann:x:5001:5001::%s:/bin/sh\nbob:x:5002:5002::%s:/bin/sh\n' "$home" "$tmp/bob" >>"$tmp/passwd"
printf 'ann:x:5001:\nbob:x:5002:\nartists:x:5100:ann,bob\n' >>"$tmp/group"
mount --bind "$tmp/passwd" /etc/passwd && mount --bind "$tmp/group" /etc/group || fail "cannot bind the account files"
mkdir -p "$home" "$run" "$tmp/bob" /run/user/5002/systemd /run/user/5003/systemd /run/user/0/systemd
chown 5001:5001 "$home" "$run" && chown -R 5002:5002 "$tmp/bob" /run/user/5002 && chown -R 5003 /run/user/5003 || fail "chown"
chmod 700 "$run" /run/user/5002
ln -s "$run" /run/user/5004 # a link to ann's folder is nobody's
# bob's manager: a socket that accepts and never answers. A folder of no account (5003)
# and root's own hold sockets too; each systemctl notes who ran it where, and bob's what
# it was given.
for socket in /run/user/5002/systemd/private /run/user/5003/systemd/private /run/user/0/systemd/private; do
  python3 -c 'import socket, sys
s = socket.socket(socket.AF_UNIX); s.bind(sys.argv[1]); s.listen(8); held = []
while True: held.append(s.accept())' "$socket" &
  listeners="${listeners:-} $!"
done
cp /usr/bin/systemctl "$tmp/systemctl.real" && : >"$tmp/calls" && chmod 666 "$tmp/calls"
cat >"$tmp/systemctl" <<EOF
#!/bin/sh
echo "\$(id -u) \$XDG_RUNTIME_DIR" >>$tmp/calls
if [ "\$(id -u)" = 5002 ]; then
  { readlink /proc/\$\$/fd/0; ps -o tty= -p \$\$; ps -o sid= -p \$\$; id -G; env | cut -d= -f1 | sort | tr '\n' ' '; echo; } >$tmp/bob/given
fi
exec $tmp/systemctl.real "\$@"
EOF
chmod 755 "$tmp/systemctl" && mount --bind "$tmp/systemctl" /usr/bin/systemctl || fail "cannot stand in for systemctl"
for _ in $(seq 50); do [ -S /run/user/0/systemd/private ] && [ -S /run/user/5002/systemd/private ] && break; sleep 0.1; done
chmod 666 /run/user/*/systemd/private # bob may connect to his own


if [ -e /sys/fs/cgroup/cgroup.controllers ]; then hierarchies=/sys/fs/cgroup; else hierarchies="/sys/fs/cgroup/systemd /sys/fs/cgroup/unified"; fi
as_account() { setpriv --reuid=5001 --regid=5001 --clear-groups env -i HOME="$home" XDG_RUNTIME_DIR="$run" PATH=/usr/bin:/bin "$@"; }
login() {
  for h in $hierarchies; do [ -d "$h" ] && mkdir -p "$h/account" && chown -R 5001:5001 "$h/account"; done
  HIERARCHIES=$hierarchies sh -c 'for h in $HIERARCHIES; do [ -d "$h" ] && echo $$ >"$h/account/cgroup.procs"; done; exec "$@"' sh \
    setpriv --reuid=5001 --regid=5001 --clear-groups env -i HOME="$home" XDG_RUNTIME_DIR="$run" PATH=/usr/bin:/bin \
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
no_own_units() { [ -z "$(find "$home" -name "$label*")" ] || fail "$1: the account wrote units of its own"; }
ann_timer() { as_account systemctl --user is-active "$label.timer"; }
# says PATTERN COMMAND...: the command succeeds, and what it prints matches the glob PATTERN.
says() { pattern=$1; shift; said=$("$@" 2>&1) || fail "$* failed: $said"; case $said in $pattern) ;; *) fail "$* said: $said" ;; esac; }

own_folders
# Every account's guard is root's alone: an account's start, stop or set of it changes nothing.
for command in "guard start" "guard stop" "set includeCoreSync false"; do
  # shellcheck disable=SC2086 # the command's words
  said=$(account_ctl $command --all-users 2>&1) && fail "ann's $command --all-users succeeded"
  [ "$said" = "hushwellctl: --all-users changes every account: run it as root" ] || fail "ann's $command --all-users said: $said"
done
[ -z "$(find /etc/systemd/user /etc/xdg /var/lib -mindepth 1 ! -name .hushwell-test)" ] || fail "an account's --all-users wrote: $(find /etc/systemd/user /etc/xdg /var/lib -mindepth 1 ! -name .hushwell-test)"
mkdir /etc/systemd/user/timers.target.wants # made by someone else: it stays
"$ctl" set --all-users includeCoreSync false || fail "set --all-users"
login
[ "$(account_ctl guard start)" = "Guard on" ] || fail "ann's own guard"

# bob never answers: root goes on without him, names him, and lent him nothing.
begun=$(date +%s)
says "*bob's session did not answer; it gets the guard at its next login.*" "$ctl" guard start --all-users
[ $(($(date +%s) - begun)) -le 15 ] || fail "bob's silent manager held root for $(($(date +%s) - begun)) s"
pgrep -u 5002 >/dev/null && fail "bob's part was left running"
given=$(cat "$tmp/bob/given") || fail "bob's systemctl never ran"
[ "$(echo "$given" | sed -n 1p)" = /dev/null ] || fail "bob's standard input: $given"
[ "$(echo "$given" | sed -n 2p | tr -d ' ')" = "?" ] || fail "bob had a terminal: $given"
[ "$(echo "$given" | sed -n 3p | tr -d ' ')" != "$(ps -o sid= -p $$ | tr -d ' ')" ] || fail "bob shared root's session: $given"
[ "$(echo "$given" | sed -n 4p)" = "5002 5100" ] || fail "bob's groups: $given"
[ "$(echo "$given" | sed -n 5p)" = "HOME LOGNAME PATH PWD USER XDG_RUNTIME_DIR " ] || fail "bob's environment: $given"
grep -Eq ' /run/user/(0|5003|5004)$' "$tmp/calls" && fail "a folder of no account was visited: $(cat "$tmp/calls")"
# bob logs out, and a plain file where his socket was is no session either.
rm /run/user/5002/systemd/private && : >/run/user/5002/systemd/private

[ "$("$ctl" guard status --all-users)" = "Guard on" ] || fail "status --all-users after the start"
grep -q "ore Sync" /var/lib/hushwell/guard.sh && fail "the system's preferences are not in the script"

# The administrator's stop leaves ann's own guard running, and says so.
: >"$tmp/calls"
says "*ann keeps a guard of the account's own*" "$ctl" guard stop --all-users
grep -q '^5002 ' "$tmp/calls" && fail "a plain file was taken for bob's manager: $(cat "$tmp/calls")"
[ "$(ann_timer)" = active ] || fail "the administrator's stop stopped ann's own guard"
[ "$(account_ctl guard stop)" = "Guard off" ] || fail "ann's own stop"

own_folders
"$ctl" guard start --all-users >/dev/null || fail "guard start --all-users"
target "AdobeIPCBroker --fleet"
dies_within "$started" 20 || fail "the guard did not kill the logged-in account's target within 20 s"

# One list in force: the administrator's, whatever ann stored for herself.
account_ctl set includeCoreSync true >/dev/null || fail "ann's set of a target key"
[ "$(account_ctl get includeCoreSync 2>"$tmp/get.err")" = false ] || fail "get shows ann's value, not the one in force"
grep -q "administrator's guard for every account sets includeCoreSync; yours (true)" "$tmp/get.err" || fail "get: $(cat "$tmp/get.err")"
target "Core Sync"
[ "$(account_ctl status | head -1)" = "All quiet" ] || fail "ann's count used her own list: $(account_ctl status)"
kill "$started"

# The account under the administrator's guard: one rule, written nowhere in its home.
says "$(printf 'Guard off\nPaused until your next login.')" account_ctl guard stop
[ "$(account_ctl guard status)" = "$(printf 'Guard off\nPaused until your next login.')" ] || fail "paused: $(account_ctl guard status)"
account_ctl status --json | grep -q '"paused":true' || fail "paused: $(account_ctl status --json)"
says "*administrator's settings*" account_ctl set includeDesktopService false
[ "$(account_ctl guard start)" = "Guard on" ] || fail "the account's start did not bring the administrator's guard back"
no_own_units "start"

# An upgrade finds the script of an older list; the package's configure step, as dpkg runs
# it, brings it up to this version's.
# An earlier version's script, where it used to be, goes with it.
script=/var/lib/hushwell/guard.sh old=/usr/local/share/hushwell/guard.sh
printf '#!/bin/sh\nexit 0\n' >"$script"
mkdir -p "${old%/*}" && cp "$script" "$old"
sed "s|^ctl=.*|ctl=$ctl|; s|^old=.*|old=$tmp/none|" "$src/resources/debian/postinst" >"$tmp/postinst"
said=$(sh "$tmp/postinst" configure 0.9.0) || fail "the configure step failed: $said"
[ "$(cat "$script")" = "$("$ctl" show guard-script --all-users)" ] || fail "the upgrade left the old script"
[ ! -e "${old%/*}" ] || fail "the upgrade left the old script's place: $(ls -la "${old%/*}")"

# A stop that cannot remove the units says so, and fails: the next login would load them.
mount -o remount,ro /etc/systemd/user || fail "cannot make the units folder read-only"
said=$("$ctl" guard stop --all-users 2>&1) && fail "a stop that removed nothing succeeded: $said"
mount -o remount,rw /etc/systemd/user
case $said in *"couldn't remove /etc/systemd/user/"*"; the guard is still installed"*) ;; *) fail "the failed stop said: $said" ;; esac
[ -e "$timer" ] && [ "$("$ctl" guard status --all-users)" = "Guard on" ] || fail "the failed stop took part of the guard"

"$ctl" guard stop --all-users >/dev/null || fail "guard stop --all-users"
left=$(find /etc/systemd/user /usr/local/share /var/lib -name "$label*" -o -name guard.sh -o -name hushwell)
[ -z "$left" ] || fail "left behind: $left"
[ -d /etc/systemd/user/timers.target.wants ] || fail "the stop removed a folder it did not make"
[ "$(as_account systemctl --user is-active "$label.timer")" = active ] && fail "the logged-in account's manager still runs the timer"
loaded=$(as_account systemctl --user show -p LoadState -p NeedDaemonReload "$label.timer" | sort | tr '\n' ' ')
[ "$loaded" = "LoadState=not-found NeedDaemonReload=no " ] || fail "the logged-in account's manager kept the units loaded: $loaded"
logout

own_folders
# The package's removal step, as dpkg runs it, after a start that made the .wants folder.
rmdir /etc/systemd/user/timers.target.wants && "$ctl" guard start --all-users >/dev/null || fail "the second start"
sed "s|^ctl=.*|ctl=$ctl|" "$src/resources/debian/prerm" >"$tmp/prerm"
said=$(sh "$tmp/prerm" upgrade) && [ -e "$timer" ] || fail "an upgrade removed the guard: $said"
says "*every account*" sh "$tmp/prerm" remove
left=$(find /etc/systemd/user /usr/local/share /var/lib -name "$label*" -o -name guard.sh -o -name timers.target.wants)
[ -z "$left" ] || fail "the package's removal left: $left"
# The purge, as dpkg runs it after the removal: the administrator's settings go too.
[ -f /etc/xdg/hushwell/hushwell.conf ] || fail "no settings for every account to purge"
mkdir -p /var/lib/hushwell
said=$(sh "$src/resources/debian/postrm" purge) || fail "the purge failed: $said"
[ ! -e /etc/xdg/hushwell ] && [ ! -e /var/lib/hushwell ] || fail "the purge left $(ls -d /etc/xdg/hushwell /var/lib/hushwell 2>/dev/null)"
# So does scripts/uninstall.sh, after what its manifest lists, saying so.
own_folders
mkdir -p /etc/xdg/hushwell /var/lib/hushwell "$tmp/prefix/bin" && : >/etc/xdg/hushwell/hushwell.conf && : >"$tmp/prefix/bin/x"
# Its hushwellctl fails the guard's stop: the rest goes all the same.
printf '#!/bin/sh\nexit 1\n' >"$tmp/prefix/bin/hushwellctl" && chmod 755 "$tmp/prefix/bin/hushwellctl" && : >"$timer"
printf '%s\n' "$tmp/prefix/bin/x" "$tmp/prefix/bin/hushwellctl" >"$tmp/manifest"
says "*/etc/xdg/hushwell/hushwell.conf*" sh "$src/scripts/uninstall.sh" "$tmp/manifest"
[ ! -e /etc/xdg/hushwell ] && [ ! -e /var/lib/hushwell ] && [ -z "$(find "$tmp/prefix" -type f)" ] ||
  fail "uninstall.sh left $(ls -d /etc/xdg/hushwell /var/lib/hushwell 2>/dev/null; find "$tmp/prefix" -type f)"
[ -d "$tmp/prefix/bin" ] || fail "uninstall.sh took the prefix's own bin folder"
rm "$timer"

if ! command -v ansible-playbook >/dev/null 2>&1; then
  echo "hushwell-skipped: all_users: the Ansible role, since ansible-core is not installed"; exit 0
fi
export ANSIBLE_LOCAL_TEMP=$tmp/ansible ANSIBLE_REMOTE_TEMP=$tmp/ansible ANSIBLE_HOME=$tmp/ansible
play() {
  own_folders
  ansible-playbook -c local -i localhost, \
    -e hushwell_ctl="$ctl" "$@" "$src/deploy/ansible/site.yml" >"$tmp/play.log" 2>&1 || { cat "$tmp/play.log"; fail "ansible-playbook $*"; }
  sed -n 's/.*changed=\([0-9]*\).*/\1/p' "$tmp/play.log"
}
for bad in "hushwell_guard=maybe" "hushwell_guard=Present" "hushwell_guard=true" \
           "hushwell_include_core_sync=maybe" "hushwell_include_core_sync=" "hushwell_include_desktop_service=sure"; do
  own_folders
  ansible-playbook -c local -i localhost, \
    -e hushwell_ctl="$ctl" -e "$bad" "$src/deploy/ansible/site.yml" >"$tmp/play.log" 2>&1 && fail "the role took $bad"
  grep -q "${bad%%=*}" "$tmp/play.log" || { cat "$tmp/play.log"; fail "the role's failure for $bad does not name the variable"; }
  [ -e "$timer" ] && fail "the role changed something before refusing $bad"
  grep -q 'TASK \[hushwell : Install' "$tmp/play.log" && fail "the role reached its install before refusing $bad"
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
[ "$("$ctl" get --all-users includeCoreSync)" = true ] && grep -q includeCoreSync=true /etc/xdg/hushwell/hushwell.conf ||
  fail "hushwell_guard=absent changed the settings for every account"
play -e hushwell_guard=absent -e hushwell_remove_settings=true >/dev/null
[ ! -e /etc/xdg/hushwell/hushwell.conf ] || fail "hushwell_remove_settings=true left the settings"
