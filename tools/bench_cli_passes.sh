#!/usr/bin/env bash
# The whole orvanta-cli passes process for the benchmark's "100 LEO satellites for 7 days":
# the built-in element file, 100 sets with periods under 128 minutes taken evenly over it,
# Greenwich from 2026-05-07 18:00 UTC. Prints the median wall time of RUNS runs.
#   tools/bench_cli_passes.sh [RUNS]   (ORVANTA_BUILD_DIR picks the build, default build)
set -euo pipefail
cd "$(dirname "$0")/.."
BIN=${ORVANTA_BUILD_DIR:-build}/bin
RUNS=${1:-15}
TLE="$BIN/keplers"

# The same choice as bench/bench_passes.cpp's HundredLeo (period from the mean motion).
SATS=$(python3 - "$TLE" <<'PY'
import gzip, math, sys
raw = open(sys.argv[1], 'rb').read()
text = (gzip.decompress(raw) if raw[:2] == b'\x1f\x8b' else raw).decode('latin-1')
lines = [l.rstrip('\r') for l in text.splitlines()]
leo = []
for i in range(len(lines) - 1):
    l1, l2 = lines[i], lines[i + 1]
    if l1.startswith('1 ') and l2.startswith('2 '):
        n = float(l2[52:63])
        if n > 0 and 1440.0 / n < 128.0:
            leo.append(l1[2:7].strip())
stride = len(leo) / 100.0
print(','.join(leo[math.floor(i * stride)] for i in range(min(100, len(leo)))))
PY
)

CMD=("$BIN/orvanta-cli" passes --tle "$TLE" --sat "$SATS" --lat 51.4779 --lon -0.0015
     --start 2026-05-07T18:00:00Z --until 2026-05-14T18:00:00Z)
if [ "${PRINT_COMMAND:-0}" = 1 ]; then printf '%q ' "${CMD[@]}"; echo; exit 0; fi

if command -v hyperfine > /dev/null; then
  json=$(mktemp)
  hyperfine -N --warmup 2 --runs "$RUNS" --export-json "$json" "$(printf '%q ' "${CMD[@]}")" \
    > /dev/null
  python3 -c 'import json, sys
print("cli_passes_100_leo_7d: %.1f ms" % (json.load(open(sys.argv[1]))["results"][0]["median"] * 1e3))' "$json"
  rm -f "$json"
  exit 0
fi

times=()
"${CMD[@]}" > /dev/null  # warm the page cache
for _ in $(seq "$RUNS"); do
  t0=$(date +%s%N)
  "${CMD[@]}" > /dev/null
  t1=$(date +%s%N)
  times+=($(( (t1 - t0) / 1000 )))
done
median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (RUNS + 1) / 2 ))p")
printf 'cli_passes_100_leo_7d: %d.%01d ms\n' $(( median / 1000 )) $(( median % 1000 / 100 ))
