#!/bin/sh
# Removes what `cmake --install` put in place, as its install_manifest.txt lists it, and
# the folders that are left empty by that, up to the prefix's own standard folders. The
# guard for every account goes first, as the package's removal takes it, then the settings
# for every account and the guard's folder, as its purge does. An account's own
# guard lives in its home: each user runs `hushwellctl guard stop` before this.
#   sudo scripts/uninstall.sh [build/install_manifest.txt]
set -eu
manifest=${1:-"$(dirname "$0")/../build/install_manifest.txt"}
[ -r "$manifest" ] || { echo "no install manifest at $manifest (run cmake --install first)" >&2; exit 1; }

ctl=$(grep '/bin/hushwellctl$' "$manifest" | head -n 1 || true)
if [ -n "$ctl" ] && [ -x "$ctl" ] && [ -e /etc/systemd/user/com.larkvane.hushwell.guard.timer ]; then
  echo "Stopping and removing the guard for every account."
  "$ctl" guard stop --all-users || true
fi
prefix=${ctl%/bin/hushwellctl}
# What its programs wrote for every account goes too, as the package's purge takes it.
echo "Removing the settings for every account (/etc/xdg/hushwell/hushwell.conf) and /var/lib/hushwell."
rm -f /etc/xdg/hushwell/hushwell.conf /etc/xdg/hushwell/hushwell.conf.lock
rmdir /etc/xdg/hushwell 2>/dev/null || true
rm -rf /var/lib/hushwell

while IFS= read -r file || [ -n "$file" ]; do
  [ -n "$file" ] || continue
  if [ -e "$file" ] || [ -L "$file" ]; then rm -f -- "$file"; fi
done <"$manifest"

# Each listed file's folder, and its parents, while empty; never the prefix's skeleton.
while IFS= read -r file || [ -n "$file" ]; do
  folder=$(dirname -- "$file")
  while [ -n "$folder" ] && [ "$folder" != / ]; do
    case $folder in
      "$prefix" | "$prefix/bin" | "$prefix/share" | "$prefix/share/man") break ;;
    esac
    rmdir -- "$folder" 2>/dev/null || break
    folder=$(dirname -- "$folder")
  done
done <"$manifest"
echo "Removed the files of $manifest."
