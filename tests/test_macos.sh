#!/bin/sh
# Runs test programs built with the macOS profile (support/macosprofile.cpp), with stand-ins
# for launchctl, pluginkit, osascript and pkill first on PATH, each copied into a folder of
# this run's own where it records its calls (HUSHWELL_MACOS_STANDINS names it). Exits 77
# when every program skipped everything.
bin=$(mktemp -d) || exit 1
trap 'rm -rf "$bin"' EXIT
cp "$(dirname "$0")"/support/macos/* "$bin"/
PATH=$bin:$PATH HUSHWELL_MACOS_STANDINS=$bin
export PATH HUSHWELL_MACOS_STANDINS
failed=0 ran=0
for program in "$@"; do
  "$program"
  case $? in
    0) ran=1 ;;
    77) ;;
    *) failed=1 ;;
  esac
done
[ $failed -eq 0 ] || exit 1
[ $ran -eq 1 ] || exit 77
