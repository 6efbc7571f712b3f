#!/bin/sh
# Runs a test that starts, counts or kills processes, or runs the guard, where it can touch
# nothing of the machine's: as root, in private PID, mount and cgroup namespaces (its own
# process table; a fresh tmpfs on /run/systemd so that it can start its own systemd --user
# manager without a systemd PID 1, and a journal; empty system folders; a cgroup of its
# own, removed afterwards, where that manager puts its units). Otherwise it runs as it is, told why in HUSHWELL_NOT_ISOLATED;
# tests skip what needs the isolation, with that reason.
why=""
if [ "$(id -u)" != 0 ]; then
  why="not root, so no private PID and mount namespaces"
elif ! command -v unshare >/dev/null 2>&1; then
  why="unshare is not installed"
elif ! unshare --pid --fork --mount-proc -m --propagation unchanged true 2>/dev/null; then
  why="unshare of the PID and mount namespaces is not permitted here"
fi
if [ -n "$why" ]; then
  HUSHWELL_NOT_ISOLATED="$why" exec "$@"
fi

# The caller's cgroup in each hierarchy systemd uses (cgroup v2, or the unified and the
# name=systemd ones of a hybrid machine) gets a child for this run: "hierarchy:child".
cgroups=""
if unshare --cgroup true 2>/dev/null; then
  while IFS=: read -r _ controllers path; do
    case $controllers in
      "") root=/sys/fs/cgroup; [ -e $root/cgroup.controllers ] || root=/sys/fs/cgroup/unified ;;
      name=systemd) root=/sys/fs/cgroup/systemd ;;
      *) continue ;;
    esac
    child="$root${path%/}/hushwell-test.$$"
    [ -d "$root" ] && mkdir "$child" 2>/dev/null && cgroups="$cgroups $root:$child"
  done </proc/self/cgroup
fi

mkdir -p /run/systemd
# The first shell joins those cgroups and enters the namespaces; the second stays PID 1 of
# the new process table and reaps whatever is orphaned there. Mounts are made private from
# inside: where / is no mount point of its own (a chroot, pbuilder) that cannot be done, so
# what is mounted here is taken down again before the namespace ends.
HUSHWELL_CGROUPS=$cgroups sh -c '
  for entry in $HUSHWELL_CGROUPS; do echo $$ >"${entry#*:}/cgroup.procs"; done
  cgroup=""; [ -n "$HUSHWELL_CGROUPS" ] && cgroup=--cgroup
  exec unshare $cgroup --pid --fork -m --propagation unchanged "$@"' sh sh -c '
  mounted=""
  mount --make-rprivate / 2>/dev/null || mounted=/proc
  mount -t proc proc /proc || exit 70
  # Each cgroup hierarchy seen from the run'"'"'s own child, as this cgroup namespace sees it.
  for entry in $HUSHWELL_CGROUPS; do
    mount --bind "${entry#*:}" "${entry%%:*}" || exit 70
    [ -n "$mounted" ] && mounted="$mounted ${entry%%:*}"
  done
  own_run=""
  if mount -t tmpfs tmpfs /run/systemd 2>/dev/null && mkdir -p /run/systemd/system; then
    own_run=1
    if [ ! -x /lib/systemd/systemd ] || ! command -v systemctl >/dev/null 2>&1; then
      export HUSHWELL_NO_USER_MANAGER="systemd is not installed"
    elif [ ! -e /sys/fs/cgroup/cgroup.controllers ] && [ ! -d /sys/fs/cgroup/systemd ] && [ ! -d /sys/fs/cgroup/unified ]; then
      export HUSHWELL_NO_USER_MANAGER="no cgroup hierarchy is mounted for systemd"
    fi
  else
    export HUSHWELL_NO_USER_MANAGER="cannot mount a tmpfs on /run/systemd in the namespace"
  fi
  # A journal of its own, so that what the guard prints can be read back: journald in
  # tmpfs folders, its own messages dropped (by default they would go to the kernel
  # log). Not where mounts cannot be made private, as they would show outside.
  if [ -n "$own_run" ] && [ -z "$mounted" ] && [ -x /lib/systemd/systemd-journald ] && mount -t tmpfs tmpfs /run/log &&
     mount -t tmpfs tmpfs /var/log && mkdir /run/systemd/journald.conf.d; then
    # Nothing read from the kernel log (the whole machine has one) or sent anywhere.
    printf "[Journal]\nStorage=volatile\nReadKMsg=no\nForwardToSyslog=no\nForwardToKMsg=no\nForwardToConsole=no\nForwardToWall=no\n" \
      >/run/systemd/journald.conf.d/zz-hushwell-test.conf
    SYSTEMD_LOG_TARGET=null /lib/systemd/systemd-journald </dev/null >/dev/null 2>&1 &
    for _ in $(seq 20); do [ -S /run/systemd/journal/stdout ] && break; sleep 0.1; done
  fi
  [ -n "$own_run" ] && [ -S /run/systemd/journal/stdout ] ||
    export HUSHWELL_NO_JOURNAL="systemd-journald is not installed or did not start, or mounts cannot be made private here"
  # The system'"'"'s folders that the guard for every account writes, empty and the run'"'"'s own,
  # so that no test, nor a faulty build under test, writes the machine'"'"'s. Each holds a
  # mark that says so. Not where mounts would show outside.
  if [ -z "$mounted" ]; then
    for folder in /etc/systemd/user /etc/xdg /usr/local/share /run/user /var/lib; do
      mkdir -p "$folder" && mount -t tmpfs tmpfs "$folder" && : >"$folder/.hushwell-test" || exit 70
    done
  else
    export HUSHWELL_NO_SYSTEM_FOLDERS="mounts cannot be made private here"
  fi
  [ -n "$mounted" ] && mounted="/run/systemd $mounted"
  HUSHWELL_ISOLATED=1 "$@"
  status=$?
  for point in $mounted; do umount -l "$point" 2>/dev/null; done
  exit $status' sh "$@"
status=$?

# The run's cgroups, and whatever its manager made in them, once the last process is gone.
for entry in $cgroups; do
  child=${entry#*:}
  for _ in 1 2 3 4 5 6 7 8 9 10; do
    find "$child" -depth -type d -exec rmdir {} + 2>/dev/null
    [ -d "$child" ] || break
    sleep 0.2
  done
done
exit $status
