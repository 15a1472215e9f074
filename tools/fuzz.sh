#!/usr/bin/env bash
# Builds the libFuzzer harnesses (clang, everything instrumented) into build-fuzz/, seeds
# each one's corpus from the test data and the built-in files, and runs every harness for
# FUZZ_SECONDS (20 by default). Exit status is non-zero when a harness does not build or
# finds a crash; the crashing input is left in build-fuzz/findings/.
#   FUZZ_SECONDS=600 bash tools/fuzz.sh [harness ...]
set -euo pipefail
cd "$(dirname "$0")/.."
say() { echo "fuzz: $*" >&2; }

PACKAGES=(clang libclang-rt-14-dev cmake ninja-build zlib1g-dev libfreeimage-dev)
# shellcheck source=tools/packages.sh
. tools/packages.sh
ensure_packages "${PACKAGES[@]}"

BUILD=${ORVANTA_FUZZ_BUILD_DIR:-build-fuzz}
SECONDS_EACH=${FUZZ_SECONDS:-20}
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DORVANTA_FUZZ=ON -DORVANTA_WITH_QT=OFF -DORVANTA_BUILD_TESTS=OFF \
    -DORVANTA_BUILD_BENCH=OFF >/dev/null
fi
say "building the harnesses in $BUILD/"
cmake --build "$BUILD" -j"$(nproc)" --target fuzz_all >"$BUILD/build.log" 2>&1 ||
  { tail -n 40 "$BUILD/build.log" >&2; say "the harnesses do not build"; exit 1; }

# Seeds: files of the kind each harness reads (compressed ones unpacked).
seed() {  # harness file...  (SEED_CAP bytes of each, 256 KiB unless set)
  local dir="$BUILD/corpus/$1" cap=${SEED_CAP:-262144}; shift
  mkdir -p "$dir"
  local f
  for f in "$@"; do
    [ -f "$f" ] || continue
    case "$f" in
      *.gz) gzip -dc "$f" | head -c "$cap" >"$dir/$(basename "$f" .gz)" || true ;;
      *) head -c "$cap" "$f" >"$dir/$(basename "$f")" ;;
    esac
  done
}
seed element_lines tests/data/orbit/* tests/data/catalogue/*.tle
seed element_files tests/data/catalogue/*.tle tests/data/omm/*.tle
seed gzip tests/data/catalogue/wellknown.gz resources/cities.gz
seed nmea
seed settings_file
seed settings_records
# Line-oriented tables: a few kilobytes show every line form and keep the runs fast.
SEED_CAP=8192 seed city_list resources/cities.gz
seed omm tests/data/omm/*.json tests/data/omm/*.csv
seed http_response
seed legacy_exchange
seed sntp
seed hamlib
seed version_file
seed cloud_map
seed star_file resources/ybsc.gz
SEED_CAP=8192 seed transmitters resources/transmitters.gz
seed host_list
seed icmp
# The OMM harness reads its first byte as the form: 0 lets the reader detect it.
for f in "$BUILD"/corpus/omm/*; do [ -f "$f" ] && { printf '\0'; cat "$f"; } >"$f.x" && mv "$f.x" "$f"; done
# Small hand-made seeds where no data file fits.
printf 'HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello' >"$BUILD/corpus/http_response/length"
printf '\1\0HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n' \
  >"$BUILD/corpus/http_response/chunked"
printf '\0\3\200HTTP/1.1 302 Found\r\nSet-Cookie: a=b\r\n\r\n\4' >"$BUILD/corpus/legacy_exchange/login"
printf '\377RPRT 0\nRPRT 0\n10.0\n20.0\nRPRT -1\ndone\n' >"$BUILD/corpus/hamlib/replies"
printf '9.9.9\nhttps://orvanta.example.org/orvanta.gz\nNotes\n' >"$BUILD/corpus/version_file/v"
printf 'https://a.example.org/clouds.jpg\nhttps://b.example.org/clouds.jpg\n' >"$BUILD/corpus/cloud_map/list"
printf '"Hosts"=dword:00000002\n' >"$BUILD/corpus/settings_file/hosts"
printf '$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n' \
  >"$BUILD/corpus/nmea/rmc"

harnesses=("$@")
if [ ${#harnesses[@]} -eq 0 ]; then
  for b in "$BUILD"/bin/fuzz_*; do harnesses+=("$(basename "$b" | sed 's/^fuzz_//')"); done
fi
mkdir -p "$BUILD/findings"
failed=()
for h in "${harnesses[@]}"; do
  mkdir -p "$BUILD/corpus/$h"
  if (cd "$BUILD/findings" && "../bin/fuzz_$h" -max_total_time="$SECONDS_EACH" -rss_limit_mb=2048 \
        -timeout=10 -print_final_stats=0 "../corpus/$h" >"$h.log" 2>&1); then
    say "$h: clean for ${SECONDS_EACH} s ($(grep -o 'exec/s: [0-9]*' "$BUILD/findings/$h.log" | tail -1))"
  else
    tail -n 30 "$BUILD/findings/$h.log" >&2
    say "$h: FAILED (input in $BUILD/findings/)"
    failed+=("$h")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then say "failed: ${failed[*]}"; exit 1; fi
say "all ${#harnesses[@]} harnesses ran clean"
