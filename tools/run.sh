#!/usr/bin/env bash
# Sets everything up and runs the program on its built-in defaults. Without a display,
# says so and prints the next passes of a few well-known satellites instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
BIN=${ORVANTA_BUILD_DIR:-build}/bin

if [ -x "$BIN/orvanta" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  exec "$BIN/orvanta" "$@"
fi

[ -x "$BIN/orvanta" ] && echo "No display found: showing the next passes on the command line instead."
START=$(date -u +%Y-%m-%dT%H:%M:%SZ)
# The program's own element file, so the command line warns about its age as the program does.
# Demonstration site: Greenwich, London; the ISS, the Chinese station, Hubble, NOAA 20 and others.
exec "$BIN/orvanta-cli" passes --tle "$BIN/keplers" \
     --sat 25544 48274 20580 43013 41917 46826 51850 44453 \
     --lat 51.4779 --lon -0.0015 --alt-m 46 --start "$START" --passes 3
