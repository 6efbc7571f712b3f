# Sourced by bench/run.sh and bench/guard.sh. `figure` prints one figure beside its floor
# and goal, and keeps it, tab-separated, in $HUSHWELL_BENCH_FIGURES for the JSON:
#   figure NAME UNIT VALUE FLOOR GOAL KIND
# KIND ratio: the goal is at most GOAL times the floor; most: at most GOAL in UNIT; none:
# no goal (FLOOR, when not "-", still gives the ratio).
figure() {
  local name=$1 unit=$2 value=$3 floor=$4 goal=$5 kind=$6
  printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$name" "$unit" "$value" "$floor" "$goal" "$kind" >>"$HUSHWELL_BENCH_FIGURES"
  awk -v name="$name" -v unit="$unit" -v value="$value" -v floor="$floor" -v goal="$goal" -v kind="$kind" 'BEGIN {
    ratio = (floor != "-" && floor + 0 > 0) ? value / floor : -1
    line = sprintf("%-52s %10s %-5s", name, value, unit)
    if (floor == "-") line = line sprintf("  %-24s", "no floor")
    else if (ratio < 0) line = line sprintf("  floor %10s  %7s", floor, "-")
    else line = line sprintf("  floor %10s  %6.2fx", floor, ratio)
    if (kind == "ratio") held = ratio >= 0 && ratio <= goal + 1e-9
    else if (kind == "most") held = value + 0 <= goal + 1e-9
    if (kind == "ratio") line = line sprintf("  goal <= %sx", goal)
    else if (kind == "most") line = line sprintf("  goal <= %s %s", goal, unit)
    if (kind != "none") line = line (held ? "  holds" : "  MISSED")
    print line
  }'
}

# The median of the numbers on standard input, one a line.
median() { sort -g | awk '{ a[NR] = $1 } END { if (NR) print (NR % 2 ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2) }'; }

# The figures kept so far as one JSON array, each with its ratio and whether its goal holds.
figures_json() {
  awk -F '\t' 'function q(s) { gsub(/\\/, "\\\\", s); gsub(/"/, "\\\"", s); return "\"" s "\"" }
    function n(s) { return s == "-" ? "null" : s + 0 }
    BEGIN { printf "[" }
    {
      ratio = ($4 != "-" && $4 + 0 > 0) ? $3 / $4 : "null"
      held = "null"
      if ($6 == "ratio") held = (ratio != "null" && ratio <= $5 + 1e-9) ? "true" : "false"
      if ($6 == "most") held = ($3 + 0 <= $5 + 1e-9) ? "true" : "false"
      if (ratio != "null") ratio = sprintf("%.4f", ratio)
      goal = ($6 == "none") ? "null" : n($5)
      printf "%s\n {\"name\": %s, \"unit\": %s, \"value\": %s, \"floor\": %s, \"ratio\": %s, \"goal\": %s, \"goalKind\": %s, \"holds\": %s}", \
        (NR > 1 ? "," : ""), q($1), q($2), n($3), n($4), ratio, goal, q($6), held
    }
    END { print "\n]" }' "$HUSHWELL_BENCH_FIGURES"
}
