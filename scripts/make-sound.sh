#!/usr/bin/env bash
# Makes resources/audiomass-output.mp3, the kill button's "rude" sound effect: a short
# falling sawtooth buzz, synthesised with sox and encoded with lame (both Debian packages).
# The committed file came from this script; run it again only to change the sound.
set -euo pipefail
cd "$(dirname "$0")/.."
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
sox -n -r 44100 -c 1 "$tmp/buzz.wav" synth 0.45 sawtooth 220-90 tremolo 28 70 fade 0.01 0.45 0.15 gain -8
lame --quiet -b 64 -m m "$tmp/buzz.wav" resources/audiomass-output.mp3
