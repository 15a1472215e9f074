#!/usr/bin/env bash
# Installs what the build needs (Debian packages), then configures and builds into build/.
# Safe to run again: installed packages are skipped and the build is incremental. Progress goes
# to stderr, a line per stage; when nothing needs doing it stays quiet.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(cmake g++ ninja-build pkg-config zlib1g-dev libdeflate-dev libfreeimage-dev
          libgtest-dev libgmock-dev
          qt6-base-dev qt6-serialport-dev libgl-dev fonts-liberation)
PACKAGES+=(iproute2 procps)  # ip netns and sysctl for the ping and trace route tests
PACKAGES+=(libhamlib-utils)  # rotctld and rigctld dummies for the radio tests
PACKAGES+=(dbus-daemon)  # private buses for the time-setting and notification tests
PACKAGES+=(desktop-file-utils appstream lintian dpkg-dev file)  # validators and the package build of the install tests

say() { echo "setup: $*" >&2; }

# shellcheck source=tools/packages.sh
. tools/packages.sh
ensure_packages "${PACKAGES[@]}"

BUILD_DIR=${ORVANTA_BUILD_DIR:-build}
GEN=()
if command -v ninja >/dev/null 2>&1; then GEN=(-G Ninja); fi
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
  say "configuring the build in $BUILD_DIR/"
  # shellcheck disable=SC2086
  if ! cmake -S . -B "$BUILD_DIR" "${GEN[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
         ${ORVANTA_CMAKE_ARGS:-} >"$log" 2>&1; then
    cat "$log" >&2
    say "configuration failed"
    exit 1
  fi
fi
# The build's own progress, thinned to about one line in twenty steps; everything on failure.
if ! cmake --build "$BUILD_DIR" -j "$(nproc)" 2>&1 | tee "$log" |
     awk '/^\[[0-9]+\/[0-9]+\]/ {
            s = $1; gsub(/[][]/, "", s); split(s, step, "/")
            if (!started) {printf "setup: building (%d steps; a few minutes the first time)\n", step[2] > "/dev/stderr"; started = 1}
            if (step[1] % 20 == 0 || step[1] == step[2]) printf "setup:   [%d/%d]\n", step[1], step[2] > "/dev/stderr"
          }'; then
  grep -v '^\[[0-9]*/[0-9]*\]' "$log" | tail -n 60 >&2
  say "the build failed (see the lines above)"
  exit 1
fi
