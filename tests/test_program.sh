#!/bin/sh
# The two programs as a user starts them, in an empty environment of their own.
#   test_program.sh HUSHWELL HUSHWELLCTL
set -u
# A display another program has at :77 must not answer: the test runs in a network
# namespace of its own (abstract sockets and TCP) with an empty /tmp/.X11-unix.
if [ "${HUSHWELL_OWN_DISPLAYS:-}" != 1 ]; then
  as=""; [ "$(id -u)" = 0 ] || as=-r
  if unshare $as -n -m true 2>/dev/null; then
    exec env HUSHWELL_OWN_DISPLAYS=1 unshare $as -n -m sh -c \
      '[ ! -d /tmp/.X11-unix ] || mount -t tmpfs tmpfs /tmp/.X11-unix || exit 70; exec "$@"' sh "$0" "$@"
  fi
  no_own_displays="unshare of a network and mount namespace is not permitted here"
fi
hushwell=$1
ctl=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -m 700 "$tmp/run"
fail() { echo "FAIL: $*"; exit 1; }
run() { env -i HOME="$tmp" XDG_RUNTIME_DIR="$tmp/run" PATH=/usr/bin:/bin "$@"; }

# Linux only: macOS always has its window server, and no GStreamer.
if [ "$(uname)" = Linux ]; then
  # Without a display: one line that says why and points to hushwellctl, then exit 1.
  said=$(run timeout 20 "$hushwell" 2>&1 >/dev/null)
  status=$?
  [ "$status" -eq 1 ] || fail "hushwell without a display exited $status"
  [ "$(printf '%s\n' "$said" | wc -l)" -eq 1 ] && printf '%s' "$said" | grep -q 'graphical session.*hushwellctl' ||
    fail "hushwell without a display said: $said"

  # Qt's warnings reach standard error once the window is up too: the offscreen platform
  # warns as the window is raised, after the start-up's own handler has gone.
  run QT_QPA_PLATFORM=offscreen timeout 3 "$hushwell" 2>"$tmp/said" >/dev/null
  grep -q 'does not support raise()' "$tmp/said" || fail "hushwell kept Qt's later warnings back: $(cat "$tmp/said")"

  if [ -n "${no_own_displays:-}" ]; then
    echo "hushwell-skipped: program: the named displays, since $no_own_displays"; skipped=1
  else
    # A display that is named but cannot be reached: the same kind of line, naming it, never
    # Qt's abort (exit 134).
    # The same for a platform that shows no window on a desktop: a framebuffer console that
    # aborts where it cannot start, a VNC server that would listen on a port.
    for display in DISPLAY=:77 DISPLAY=garbage WAYLAND_DISPLAY=wayland-77 QT_QPA_PLATFORM=nonsense QT_QPA_PLATFORM=linuxfb \
                   QT_QPA_PLATFORM=vnc QT_QPA_PLATFORM=eglfs QT_QPA_PLATFORM=minimal "QT_QPA_PLATFORM=xcb;vnc"; do
      run "$display" timeout 20 "$hushwell" 2>"$tmp/said" >/dev/null
      status=$?
      said=$(cat "$tmp/said")
      [ "$status" -eq 1 ] || fail "hushwell with $display exited $status"
      [ "$(wc -l <"$tmp/said")" -eq 1 ] || fail "hushwell with $display said other than one whole line: $said"
      case $said in
        *"graphical session ($display)"*hushwellctl*) ;;
        *) fail "hushwell with $display said: $said" ;;
      esac
    done
  fi

fi

# A full disk, or a reader that went away, is no success: a script would take a cut
# answer for a whole one. A closed pipe is exit 1 too, not death by SIGPIPE.
if [ -e /dev/full ]; then
  run "$ctl" --help >/dev/full 2>/dev/null && fail "hushwellctl --help >/dev/full exited 0"
fi
{ sleep 0.5; run "$ctl" --help 2>/dev/null; echo $? >"$tmp/status"; } | true
[ "$(cat "$tmp/status")" -eq 1 ] || fail "hushwellctl --help into a closed pipe exited $(cat "$tmp/status")"
[ -z "${skipped:-}" ] || exit 77
