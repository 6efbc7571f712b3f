#!/bin/sh
# What is written for people and other programs, checked against the program:
# the man page names every command and exit status of --help;
# the AppStream metadata validates; the man page and the desktop entry read clean.
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

appstreamcli validate --no-net "$src/resources/com.larkvane.hushwell.metainfo.xml" || fail "metainfo"


# As man renders it: a sentence quoted in bold ends with its own full stop, not two.
groff -man -Tascii -P-cbou "$man" 2>/dev/null | grep -q '[^.]\.\.\([^.]\|$\)' && fail "hushwellctl(1) has a double full stop"
# No hint either: two main categories would list Hushwell twice in some menus.
said=$(desktop-file-validate "$src/resources/com.larkvane.hushwell.desktop" 2>&1)
[ -z "$said" ] || fail "the desktop entry: $said"

# Completion: each option once, and the keys after set --all-users.
bash_offers() {
  bash -c '. "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _hushwellctl; echo "${COMPREPLY[*]}"' \
    sh "$src/resources/completion/hushwellctl.bash" "$ctl" "$@"
}
while IFS='|' read -r typed offered; do
  said=$(eval "bash_offers $typed")
  [ "$said" = "$offered" ] || fail "bash: hushwellctl $typed<TAB> offers '$said', not '$offered'"
done <<'TABLE'
guard start --all-users ""|
guard ""|start stop status log --all-users
guard log --since ""|
guard log --since -1h ""|--all-users --json
set --all-users inc|includeDesktopService includeCoreSync
set --all-users includeCoreSync ""|true false
TABLE

# The completions offer the commands of hushwellctl's own table, in its order (they ask it
# for the keys), and the man page describes every key.
commands=$("$ctl" --help | sed -n 's/^  \([a-z][a-z]*\).*/\1/p' | tr '\n' ' ' | sed 's/ $//')
keys=$("$ctl" --help | sed -n 's/^Preference keys: //p' | sed 's/, / /g')
bashc="$src/resources/completion/hushwellctl.bash"
zshc="$src/resources/completion/_hushwellctl"
[ "$(sed -n 's/^ *local commands="\(.*\)"$/\1/p' "$bashc")" = "$commands" ] || fail "bash completion: commands are not: $commands"
[ "$(sed -n "s/^  '\([a-z]*\):.*/\1/p" "$zshc" | tr '\n' ' ' | sed 's/ $//')" = "$commands" ] || fail "zsh completion: commands are not: $commands"
for key in $keys; do
  grep -q "^\.B $key\$" "$man" || fail "hushwellctl(1) does not describe the key $key"
done
