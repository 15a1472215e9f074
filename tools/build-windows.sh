#!/usr/bin/env bash
# Cross-builds the Windows edition (core, platform layer, orvanta-cli and their tests; no Qt
# window, no FreeImage) with MinGW-w64 into BUILD_DIR (default build-windows/):
# bin/orvanta-cli.exe and bin/test_*.exe. Installs the Debian packages it needs first, as
# tools/setup.sh does. tools/test-windows.sh runs the result under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${1:-build-windows}

PACKAGES=(cmake ninja-build g++-mingw-w64-x86-64-posix libz-mingw-w64-dev googletest wine64)

say() { echo "build-windows: $*" >&2; }

# shellcheck source=tools/packages.sh
. tools/packages.sh
ensure_packages "${PACKAGES[@]}"

log=$(mktemp)
trap 'rm -f "$log"' EXIT
if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
  say "configuring the cross-build in $BUILD_DIR/"
  if ! cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release \
         -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64.cmake \
         -DORVANTA_WITH_QT=OFF -DORVANTA_WITH_FREEIMAGE=OFF -DORVANTA_BUILD_BENCH=OFF \
         -DORVANTA_GTEST_SOURCE_DIR=/usr/src/googletest >"$log" 2>&1; then
    cat "$log" >&2
    say "configuration failed"
    exit 1
  fi
fi
# Shared machines serialise their builds through this lock (as the Linux build does).
LOCK=${ORVANTA_BUILD_LOCK:-/tmp/orvanta-build.lock}
say "building (a few minutes the first time)"
if ! flock "$LOCK" cmake --build "$BUILD_DIR" -j "${ORVANTA_JOBS:-2}" >"$log" 2>&1; then
  grep -v '^\[[0-9]*/[0-9]*\]' "$log" | tail -n 60 >&2
  say "the build failed (see the lines above)"
  exit 1
fi
say "built $BUILD_DIR/bin/orvanta-cli.exe and $(ls "$BUILD_DIR"/bin/test_*.exe | wc -l) test programs"
