#!/bin/sh
# What is written for people and other programs, checked against the program:
# the man page names every command and exit status of --help; the bash completion loads
# and completes commands and keys; the AppStream metadata validates; the CI workflow
# parses and runs only what the README documents.
#   test_docs.sh SOURCE_DIR HUSHWELLCTL
set -eu
src=$1
ctl=$2
fail() { echo "FAIL: $*"; exit 1; }

man="$src/resources/man/hushwellctl.1"
for name in $("$ctl" --help | sed -n 's/^  \([a-z][a-z]*\).*/\1/p'); do
  grep -Eq "^\.BR? $name( |\$)" "$man" || fail "hushwellctl(1) does not describe $name"
done
for code in $("$ctl" --help | sed -n 's/^  \([0-9]\)  .*/\1/p'); do
  grep -qx "\.B $code" "$man" || fail "hushwellctl(1) does not explain exit status $code"
done
# The examples as a reader sees them: every line that opens an object or an array is JSON.
groff -man -Tascii -P-cbou "$man" 2>/dev/null | sed -n 's/^ *\([{[].*\)/\1/p' >"${TMPDIR:-/tmp}/hushwell-man-json.$$"
python3 - "${TMPDIR:-/tmp}/hushwell-man-json.$$" <<'PY' || fail "hushwellctl(1)'s JSON examples"
import json, sys
lines = open(sys.argv[1]).read().splitlines()
if len(lines) < 3:
    sys.exit(f"only {len(lines)} JSON examples rendered")
for line in lines:
    json.loads(line)
PY
rm -f "${TMPDIR:-/tmp}/hushwell-man-json.$$"
echo "hushwellctl(1) covers every command and exit status of --help, and its JSON parses"

bash -c '
  . "$1/resources/completion/hushwellctl.bash" || exit 1
  complete() { COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMPREPLY=(); _hushwellctl; echo "${COMPREPLY[*]}"; }
  [ "$(complete hushwellctl se)" = "set" ] || { echo "command: $(complete hushwellctl se)"; exit 1; }
  [ "$(complete hushwellctl set inc)" = "includeDesktopService includeCoreSync" ] || exit 1
  [ "$(complete hushwellctl show --platform m)" = "macos" ] || exit 1
  [ "$(complete hushwellctl show kill-script --platform = m)" = "macos" ] || { echo "the = form"; exit 1; }
  # Every platform hushwellctl knows, and no other.
  platforms=$("$2" help show | sed -n "s/.*--platform=\([a-z|]*\).*/\1/p" | tr "|" " ")
  [ "$(complete hushwellctl show kill-script --platform =)" = "$platforms" ] || { echo "right after ="; exit 1; }
  [ "$(complete hushwellctl show --platform "")" = "$platforms" ] || { echo "the platforms: $platforms"; exit 1; }
  for name in $("$2" --help | sed -n "s/^  \([a-z][a-z]*\).*/\1/p"); do
    [ "$(complete hushwellctl "$name")" = "$name" ] || { echo "no completion for $name"; exit 1; }
  done' sh "$src" "$ctl" || fail "bash completion"
if command -v zsh >/dev/null 2>&1; then
  zsh -n "$src/resources/completion/_hushwellctl" || fail "zsh completion does not parse"
fi
echo "completion loads and completes"

appstreamcli validate --no-net "$src/resources/com.larkvane.hushwell.metainfo.xml" || fail "metainfo"

python3 - "$src/.github/workflows/ci.yml" "$src/README.md" <<'PY' || fail "workflow"
import sys, yaml
workflow = yaml.safe_load(open(sys.argv[1]))
readme = open(sys.argv[2]).read()
steps = [step["run"] for job in workflow["jobs"].values() for step in job["steps"] if "run" in step]
missing = [run for run in steps if run not in readme]
if not steps or missing:
    sys.exit(f"steps the README does not document: {missing}")
print(f"the workflow parses; its {len(steps)} commands are the README's")
PY
