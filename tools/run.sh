#!/usr/bin/env bash
# Sets everything up and runs the program on its built-in defaults. Without a display,
# says so and prints the next passes of a few well-known satellites instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh >/dev/null
BIN=${ORVANTA_BUILD_DIR:-build}/bin

if [ -x "$BIN/orvanta" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  exec "$BIN/orvanta" "$@"
fi

[ -x "$BIN/orvanta" ] && echo "No display found: showing the next passes on the command line instead."
START=$(date -u +%Y-%m-%dT%H:%M:%SZ)
if "$BIN/orvanta-cli" --help | grep -q '^  passes'; then
  # Demonstration site: Greenwich, London. The sample's element sets are of May 2026.
  exec "$BIN/orvanta-cli" passes --tle "$BIN/sample.tle" --lat 51.4779 --lon -0.0015 --alt-m 46 \
       --start "$START" --passes 3
fi
exec "$BIN/orvanta-cli" propagate --tle "$BIN/sample.tle" --minutes 0:1440:360
