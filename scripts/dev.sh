#!/usr/bin/env bash
# Sets up a Debian/Ubuntu machine for Hushwell, builds it, and then either starts the
# program (`run`) or runs every test (`test`). Installs only what is missing; uses sudo
# for apt-get when not run as root.
set -euo pipefail

cd "$(dirname "$0")/.."
build=${HUSHWELL_BUILD_DIR:-build}

# What building and running Hushwell needs.
packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-multimedia-dev libqt6multimedia6 libgl-dev
  procps systemd fonts-inter
)
# What only the tests need: GoogleTest, namespaces, a font for pixel checks, and the
# tools that check the package, its metadata and its documentation.
test_packages=(
  libgtest-dev util-linux fonts-dejavu-core groff-base
  desktop-file-utils dpkg-dev file python3 python3-yaml appstream lintian zsh
  weston qt6-wayland ansible-core
)

install_missing() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    # sudo may be installed and still refuse this user: ask it before relying on it, with
    # a password prompt only where someone can answer one.
    if ! command -v sudo >/dev/null 2>&1 || ! { sudo -n true 2>/dev/null || { [ -t 0 ] && sudo -v; }; }; then
      echo "Missing packages, and no sudo for this user: as root, run apt-get install ${missing[*]}" >&2
      exit 1
    fi
    sudo=(sudo)
  fi
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# Builds into the folder $1 with the CMake arguments that follow (up to --), then runs
# CTest there with any arguments after --, naming each skipped case with its reason.
# HUSHWELL_TARGETS, when set, names the only targets to build.
build_and_test() {
  local dir=$1 configure=() select=()
  shift
  while [ $# -gt 0 ] && [ "$1" != -- ]; do configure+=("$1"); shift; done
  [ $# -gt 0 ] && shift && select=("$@")
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON "${configure[@]}"
  # shellcheck disable=SC2086 # a list of target names
  cmake --build "$dir" --parallel "$(nproc)" ${HUSHWELL_TARGETS:+--target $HUSHWELL_TARGETS}
  local status=0
  (cd "$dir" && ctest --output-on-failure --parallel "$(nproc)" "${select[@]}") || status=$?
  # CTest counts a program whose every case skipped as skipped, one with some skipped as
  # passed, and shows no reason for either: name each skipped case and why.
  local skipped
  skipped=$(grep -h '^hushwell-skipped: ' "$dir/Testing/Temporary/LastTest.log" 2>/dev/null | sort -u || true)
  if [ -n "$skipped" ]; then
    echo
    echo "Skipped, with the reason:"
    printf '%s\n' "$skipped" | sed 's/^hushwell-skipped: /  /'
  fi
  return $status
}

case "${1:-}" in
  run)
    install_missing "${packages[@]}"
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF
    # Everything, so that cmake --install works afterwards (the icons are built too).
    cmake --build "$build" --parallel "$(nproc)"
    exec "$build/app/hushwell"
    ;;
  test)
    install_missing "${packages[@]}" "${test_packages[@]}"
    build_and_test "$build"
    ;;
  checks)
    # What CI checks beside the tests: the layout, a clang build with every warning an
    # error, and the window's and the guard's tests under AddressSanitizer and UBSan
    # (the lifetimes of jobs and windows, the threads).
    install_missing "${packages[@]}" "${test_packages[@]}" clang clang-format
    git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
    build_and_test "$build-clang" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
    # Qt keeps a few allocations until exit on purpose: leaks are not what is looked for.
    HUSHWELL_TARGETS="test_window test_guard test_controls" ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
      build_and_test "$build-sanitizers" \
      "-DCMAKE_CXX_FLAGS=-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer" \
      -- -R '^(test_window|test_guard|test_controls)$'
    ;;
  *)
    echo "usage: $0 run|test|checks" >&2
    exit 2
    ;;
esac
