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
# Fresh stations and bright satellites first, when CelesTrak can be reached within a few
# seconds; the built-in sets stay behind them for the rest, and stand alone when offline.
# ORVANTA_CELESTRAK_URL points the downloads at another address (a local stand-in).
FRESH=$(mktemp -d)
BASE=()
[ -n "${ORVANTA_CELESTRAK_URL:-}" ] && BASE=(--base-url "$ORVANTA_CELESTRAK_URL")
trap 'rm -rf "$FRESH"' EXIT
if timeout 20 "$BIN/orvanta-cli" download "${BASE[@]}" --group stations --out "$FRESH/stations" 2>"$FRESH/log" &&
   timeout 20 "$BIN/orvanta-cli" download "${BASE[@]}" --group visual --out "$FRESH/visual" 2>>"$FRESH/log"; then
  # One file, each satellite once: the first (freshest) set of a number wins. Sets are found
  # by their line numbers, so a two-line set or a stray line cannot shift the rest.
  { gzip -dc "$FRESH/stations" "$FRESH/visual"; gzip -dc "$BIN/keplers"; } |
    awk '/^1 / { l1 = $0; next }
         /^2 / { num = substr(l1, 3, 5)
                 if (l1 != "" && !(num in seen)) {
                   seen[num] = 1; if (name != "") print name; print l1; print $0 }
                 l1 = ""; name = ""; next }
         { name = $0 }' |
    gzip -9 >"$FRESH/keplers" && mv "$FRESH/keplers" "$BIN/keplers" &&
    echo "Fresh element sets from CelesTrak (stations, visual) are in $BIN/keplers."
else
  WHY=$(tail -n 1 "$FRESH/log" 2>/dev/null | sed 's/^orvanta-cli: download: //')
  echo "No fresh element sets (${WHY:-no answer within 20 s}): the passes come from the sets already in $BIN/keplers."
fi
rm -rf "$FRESH"
START=$(date -u +%Y-%m-%dT%H:%M:%SZ)
# The program's own element file, so the command line warns about its age as the program does.
# Demonstration site: Greenwich, London; the ISS, the Chinese station, Hubble, NOAA 20 and others.
exec "$BIN/orvanta-cli" passes --tle "$BIN/keplers" \
     --sat 25544 48274 20580 43013 41917 46826 51850 44453 \
     --lat 51.4779 --lon -0.0015 --alt-m 46 --start "$START" --passes 3
