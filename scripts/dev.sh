#!/usr/bin/env bash
# Sets up a Debian/Ubuntu machine for Hushwell, builds it, and then either starts the
# program (`run`) or runs every test (`test`). Installs only what is missing; uses sudo
# for apt-get when not run as root.
set -euo pipefail

cd "$(dirname "$0")/.."
build=${HUSHWELL_BUILD_DIR:-build}

packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-multimedia-dev libqt6multimedia6 libgl-dev
  libgtest-dev
  procps systemd util-linux fonts-dejavu-core fonts-inter
  desktop-file-utils dpkg-dev file python3
)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

build() {
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build "$build" --parallel "$(nproc)"
}

case "${1:-}" in
  run)
    install_missing
    build
    exec "$build/app/hushwell"
    ;;
  test)
    install_missing
    build
    cd "$build"
    ctest --output-on-failure --parallel "$(nproc)"
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
