#!/usr/bin/env bash
# The guard's cost and reaction, and the window's longest event-loop blocks with the guard
# on, against a systemd --user manager of its own. Run through tests/support/isolate.sh
# (bench/run.sh does), with bench/figures.sh's $HUSHWELL_BENCH_FIGURES set:
#   bench/guard.sh BUILD_DIR ROUNDS
set -uo pipefail
build=$1 rounds=${2:-15}
if [ "${HUSHWELL_ISOLATED:-}" != 1 ] || [ -n "${HUSHWELL_NO_USER_MANAGER:-}" ]; then
  echo "guard benchmark skipped: ${HUSHWELL_NOT_ISOLATED:-${HUSHWELL_NO_USER_MANAGER:-not isolated}}"
  exit 0
fi
# shellcheck source=bench/figures.sh
. "$(dirname "$0")/figures.sh"
tmp=$(mktemp -d)
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config XDG_DATA_HOME=$tmp/home/.local/share XDG_RUNTIME_DIR=$tmp/run
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
/lib/systemd/systemd --user >"$tmp/manager.log" 2>&1 &
manager=$!
# The namespace has a process table of its own: give it the same 300 idle processes that
# run.sh starts outside, so that every scan here reads as many entries.
sleepers=()
for _ in $(seq 300); do sleep 3600 & sleepers+=($!); done
trap 'kill $manager "${sleepers[@]}" 2>/dev/null; wait 2>/dev/null; rm -rf "$tmp"' EXIT
until [ -S "$XDG_RUNTIME_DIR/systemd/private" ] && systemctl --user is-system-running --wait >/dev/null 2>&1; do sleep 0.1; done
ctl="$build/cli/hushwellctl"
# Started once to write its script, then stopped, so that no timed run of its own meets
# the runs measured here.
"$ctl" guard start >/dev/null && "$ctl" guard stop >/dev/null || { echo "guard benchmark: could not start the guard"; exit 1; }
script="$XDG_DATA_HOME/Hushwell/guard.sh"
alt=$("$ctl" show guard-script | sed -n "s/^P='\(.*\)'$/\1/p")
# The names in the alternation, after its "(^|[/\\])(" prefix, brackets dropped.
mapfile -t names < <("$ctl" show guard-script | sed -n "s/^P='.*\])(\(.*\))'$/\1/p" | tr -d '[]' | tr '|' '\n')
# 50 fake targets, the names in turn.
fakes() {
  local i
  fake_pids=()
  for i in $(seq 50); do (exec -a "${names[$((i % ${#names[@]}))]} --bench $i" sleep 3600) & fake_pids+=($!); done
  until [ "$(pgrep -c -f -- ' --bench ' 2>/dev/null)" -ge 50 ]; do sleep 0.02; done
}

# CPU milliseconds per run of "$@" over $1 rounds, from a subshell's children's times.
cpu_ms() {
  local n=$1; shift
  ( for _ in $(seq "$n"); do "$@" >/dev/null 2>&1; done; times ) | tail -1 |
    awk -v n="$n" '{ split($1, u, /[ms]/); split($2, s, /[ms]/); printf "%.2f", (u[1] * 60 + u[2] + s[1] * 60 + s[2]) * 1000 / n }'
}
guard_run() { sh -s <"$script"; } # as the service runs it
# The guard's run beside one bare scan, at the process table's present size: nothing
# running (the scan and the run alternate, so that load drift hits both alike), then 50
# targets.
cycles() {
  local table scans=() idle=() busy=() scan
  table=$(ps ax --no-headers | wc -l)
  for _ in $(seq "$rounds"); do scans+=("$(cpu_ms 4 pgrep -f "$alt")") idle+=("$(cpu_ms 4 guard_run)"); done
  scan=$(printf '%s\n' "${scans[@]}" | median)
  figure "guard cycle, $table processes, nothing running, CPU" ms "$(printf '%s\n' "${idle[@]}" | median)" "$scan" 1.1 ratio
  for _ in $(seq 5); do
    fakes
    busy+=("$(cpu_ms 1 guard_run)")
    wait "${fake_pids[@]}" 2>/dev/null
  done
  figure "guard cycle, $table processes, 50 targets, CPU" ms "$(printf '%s\n' "${busy[@]}" | median)" "$scan" 10 ratio
  figure "  one bare pgrep -f scan, $table processes, CPU" ms "$scan" - - none
}
cycles

# A target that respawns as soon as it dies, as Adobe's agents do.
"$ctl" guard start >/dev/null
lifetimes=()
for _ in $(seq 5); do
  start=$EPOCHREALTIME
  (exec -a 'AdobeIPCBroker --respawn' sleep 60) &
  wait $! 2>/dev/null
  lifetimes+=("$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.2f", b - a }')")
done
figure "start to death under the guard, most of 5" s "$(printf '%s\n' "${lifetimes[@]}" | sort -g | tail -1)" - 17 most
"$ctl" guard stop >/dev/null

# The same cycles, and the window's event loop with the guard on, the process table filled
# to 5,000 entries.
while [ "$(ps ax --no-headers | wc -l)" -lt 5000 ]; do
  for _ in $(seq 100); do sleep 3600 & sleepers+=($!); done
done
cycles
table=$(ps ax --no-headers | wc -l)
QT_QPA_PLATFORM=offscreen "$build/bench/bench_responsiveness" blocks "$rounds" 2>/dev/null >"$tmp/blocks"
[ $? = 3 ] && echo "  (the guard did not start in the window: the settings change was not measured)"
read -r _ idle_wall idle_cpu < <(grep '^idle ' "$tmp/blocks")
while read -r name wall cpu; do
  [ "$name" = idle ] && continue
  figure "longest block, $table processes, $name, wall" ms "$wall" "$idle_wall" 16 most
  figure "  the main thread's CPU in any $name block" ms "$cpu" "$idle_cpu" 2 most
done <"$tmp/blocks"
