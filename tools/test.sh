#!/usr/bin/env bash
# Sets everything up and runs every test. Exit status is non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
BUILD_DIR=${ORVANTA_BUILD_DIR:-build}
ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)" --timeout 600
