#!/usr/bin/env bash
# Builds Hushwell's benchmarks and prints each figure beside a floor measured in the same
# run, with the ratio, the goal and whether it holds; then writes them all as JSON to the
# file its last line names. Wall times are medians of $HUSHWELL_BENCH_ROUNDS rounds (15),
# Hushwell and its floor alternating round by round; instruction counts (callgrind) do not
# depend on what else the machine runs. Starts its own idle and fake processes and ends
# them all before it returns.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${HUSHWELL_BUILD_DIR:-build}
rounds=${HUSHWELL_BENCH_ROUNDS:-15}
json=${HUSHWELL_BENCH_JSON:-$build/bench/figures.json}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --parallel "$(nproc)" \
  --target hushwellctl bench_count bench_window bench_floor bench_responsiveness >/dev/null

tmp=$(mktemp -d)
pids=()
cleanup() {
  [ ${#pids[@]} -gt 0 ] && kill -9 "${pids[@]}" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
# Nothing of the account's: its own home, settings, runtime folder, and no session bus.
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config XDG_DATA_HOME=$tmp/home/.local/share \
  XDG_CACHE_HOME=$tmp/home/.cache XDG_STATE_HOME=$tmp/home/.local/state XDG_RUNTIME_DIR=$tmp/run
unset DBUS_SESSION_BUS_ADDRESS
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export HUSHWELL_BENCH_FIGURES=$tmp/figures.tsv
: >"$HUSHWELL_BENCH_FIGURES"
# shellcheck source=bench/figures.sh
. bench/figures.sh

ctl=$build/cli/hushwellctl
processes() { ps ax --no-headers | wc -l; }
# Idle processes until the table holds about $1 entries.
fill_to() { while [ "$(processes)" -lt "$1" ]; do for _ in $(seq 50); do sleep 3600 & pids+=($!); done; done; }
empty() { kill -9 "${pids[@]}" 2>/dev/null || true; wait 2>/dev/null || true; pids=(); }
now() { echo "$EPOCHREALTIME"; }
since() { awk -v a="$1" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.4f\n", b - a }'; }

echo "== count: hushwellctl's shell() beside the same text run by /bin/sh -c"
fill_to 350
read -r count_ms count_floor < <("$build/bench/bench_count" 41)
figure "count, $(processes) processes" ms "$count_ms" "$count_floor" 1.1 ratio

echo "== kill, with its report (hushwellctl kill), beside the texts it runs, run bare"
"$build/bench/bench_count" texts "$tmp"
list_text=$(cat "$tmp/list.sh") kill_text=$(cat "$tmp/kill.sh") count_text=$(cat "$tmp/count.sh")
alt=$(sed -n "s/^P='\(.*\)'$/\1/p" "$tmp/kill.sh")
names=("AdobeIPCBroker" "Creative Cloud Helper" "CCXProcess" "AdobeUpdateDaemon" "Core Sync")
# 50 fresh fake targets, one of them TERM-proof with an argument; back once each runs.
targets() {
  local i
  for i in $(seq 50); do
    if [ "$i" = 50 ] && [ -n "${1:-}" ]; then
      (trap '' TERM; exec -a "AdobeGCClient --stubborn" sleep 3600) &
    else
      (exec -a "${names[$((i % 5))]} --bench $i" sleep 3600) &
    fi
    round_pids+=($!)
  done
  until [ "$(pgrep -c -f -- ' --(bench|stubborn)' 2>/dev/null)" -ge 50 ]; do sleep 0.02; done
}
bare() { /bin/sh -c "$list_text" >/dev/null; /bin/sh -c "$kill_text"; /bin/sh -c "$count_text" >/dev/null; }
for size in 350 5000; do
  fill_to "$size"
  scans=()
  for _ in $(seq "$rounds"); do start=$(now); pgrep -f "$alt" >/dev/null || true; scans+=("$(since "$start")"); done
  scan=$(printf '%s\n' "${scans[@]}" | median)
  table=$(processes)
  for kind in polite stubborn; do
    ours=() floor=()
    for _ in $(seq "$rounds"); do
      round_pids=()
      targets ${kind/polite/}
      start=$(now); "$ctl" kill >/dev/null || true; ours+=("$(since "$start")")
      wait "${round_pids[@]}" 2>/dev/null || true
      round_pids=()
      targets ${kind/polite/}
      start=$(now); bare; floor+=("$(since "$start")")
      wait "${round_pids[@]}" 2>/dev/null || true
    done 2>/dev/null # not bash's notice of each target killed
    value=$(printf '%s\n' "${ours[@]}" | median) base=$(printf '%s\n' "${floor[@]}" | median)
    label="50 polite targets"; grace=0
    [ "$kind" = stubborn ] && label="50 targets, one TERM-proof" grace=2
    figure "kill, $table processes, $label" s "$value" "$base" 1.1 ratio
    figure "  the same, less ${grace} s grace, in bare scans" scans \
      "$(awk -v v="$value" -v g="$grace" -v s="$scan" 'BEGIN { printf "%.1f", (v - g) / s }')" - - none
  done
  figure "  one bare pgrep -f scan, $table processes" ms "$(awk -v s="$scan" 'BEGIN { printf "%.2f", s * 1000 }')" - - none
done
empty

echo "== guard, in its own systemd --user manager and process table"
tests/support/isolate.sh bench/guard.sh "$build" "$rounds"

echo "== window (offscreen), beside a bare QLabel window built alike (bench_floor)"
export QT_QPA_PLATFORM=offscreen
# Warm runs first, so that neither side pays for a cold file or font cache.
"$build/bench/bench_window" "$(date +%s%N)" 0 >/dev/null 2>&1
"$build/bench/bench_floor" "$(date +%s%N)" >/dev/null 2>&1
callgrind() { valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null | sed -n 's/.*Collected : \([0-9]*\).*/\1/p'; }
millions() { awk -v n="$1" 'BEGIN { printf "%.1f", n / 1e6 }'; }
have_valgrind=$(command -v valgrind || true)
for size in 100 5000; do
  fill_to "$size"
  table=$(processes)
  if [ -n "$have_valgrind" ]; then
    figure "first frame, $table processes, instructions" M \
      "$(millions "$(callgrind "$build/bench/bench_window" 0 0)")" "$(millions "$(callgrind "$build/bench/bench_floor" 0)")" 1.4 ratio
  fi
  ours=() floor=() ours_kib=() floor_kib=()
  for _ in $(seq "$rounds"); do
    read -r ms kib < <("$build/bench/bench_window" "$(date +%s%N)" 0 2>/dev/null)
    ours+=("$ms") ours_kib+=("$kib")
    read -r ms kib < <("$build/bench/bench_floor" "$(date +%s%N)" 2>/dev/null)
    floor+=("$ms") floor_kib+=("$kib")
  done
  figure "first frame, $table processes, wall" ms "$(printf '%s\n' "${ours[@]}" | median)" "$(printf '%s\n' "${floor[@]}" | median)" 1.3 ratio
  [ "$size" = 100 ] && figure "resident memory after the first frame" MiB \
    "$(printf '%s\n' "${ours_kib[@]}" | median | awk '{ printf "%.1f", $1 / 1024 }')" \
    "$(printf '%s\n' "${floor_kib[@]}" | median | awk '{ printf "%.1f", $1 / 1024 }')" 1.3 ratio
done
empty

if [ -n "$have_valgrind" ]; then
  # The same number of repaints of each, the first (which builds what later ones reuse) left out.
  repaint() { callgrind --instr-atstart=no "$build/bench/bench_responsiveness" "$1" "$2" 50 | awk '{ printf "%.0f", $1 / 50 }'; }
  for ratio in 1 2; do
    goal=- kind=none
    [ "$ratio" = 2 ] && goal=1 kind=ratio
    figure "dome repaint at ${ratio}x, beside a QPushButton's" instr "$(repaint dome "$ratio")" "$(repaint button "$ratio")" "$goal" "$kind"
  done
else
  echo "instruction counts skipped: valgrind is not installed"
fi

read -r idle_s idle_ms own qt names < <("$build/bench/bench_window" "$(date +%s%N)" 30 2>/dev/null) || true
figure "idle window, ${idle_s:-?} s, CPU" ms "${idle_ms:-0}" - 10 most
figure "  timer events of its own (Qt's: ${qt:-?} ${names:-})" events "${own:-0}" - 0 most

figures_json >"$json"
missed=$(grep -c '"holds": false' "$json" || true)
echo "goals missed: $missed"
echo "figures as JSON: $json"
