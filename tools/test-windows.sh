#!/usr/bin/env bash
# Runs the Windows edition's tests under Wine: every bin/test_*.exe of BUILD_DIR (default
# build-windows/, made by tools/build-windows.sh), then orvanta-cli.exe on the built-in data
# compared byte for byte (after CR LF -> LF) with the Linux orvanta-cli in LINUX_BUILD_DIR
# (default build/) when that one is built. Wine gets a private prefix in a temporary
# directory, never ~/.wine, and no display. Ends with GoogleTest's totals; exit 1 on a failure.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${1:-build-windows}
LINUX_BUILD_DIR=${LINUX_BUILD_DIR:-build}
say() { echo "test-windows: $*" >&2; }

WINE=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
[ -x "$WINE" ] || { say "wine64 is not installed (tools/build-windows.sh installs it)"; exit 1; }
ls "$BUILD_DIR"/bin/test_*.exe >/dev/null 2>&1 ||
  { say "no test programs in $BUILD_DIR/bin (run tools/build-windows.sh first)"; exit 1; }

WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/orvanta-wine.XXXXXX")
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
work=$(mktemp -d)
cleanup() {
  WINEPREFIX=$WINEPREFIX "$(dirname "$WINE")/wineserver" -k 2>/dev/null || wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX" "$work"
}
trap cleanup EXIT
say "setting up a private Wine prefix in $WINEPREFIX"
"$WINE" wineboot -i >/dev/null 2>&1 || { say "wineboot failed"; exit 1; }

# Tests that need what only POSIX (or glibc) offers, left out here by name, each with why.
SKIPS=(
  "PassesCli.ManySatellitesForAWeekInBoundedMemory|caps the program's memory with a POSIX shell's ulimit"
  "Sgp4BatchMath.SinCosAtanAndReductionMeetTheLibrary|its reference is glibc's sin, cos and atan2; MinGW's libm differs in the last bits"
  "Sgp4Batch.VerificationSetsMatchTheScalarPropagator|the scalar propagator uses MinGW's libm, the batch its own functions (glibc's accuracy)"
)
# Whole programs the Windows build leaves out (tests/*/CMakeLists.txt), named for the same reason.
NOT_BUILT=(
  "test_platform|the POSIX settings file (advisory locks) and TZ rules; test_platform_win32 stands in"
  "test_hostmon_net|network namespaces and raw sockets of Linux"
  "test_radio_daemons|Hamlib's daemons and pseudo-terminals"
  "test_download's element_file_sync_test|wraps fsync with GNU ld's --wrap"
)
for s in "${NOT_BUILT[@]}"; do say "not built for Windows: ${s%%|*}: ${s#*|}"; done
filter="-"
for s in "${SKIPS[@]}"; do
  say "skipped ${s%%|*}: ${s#*|}"
  filter+="${s%%|*}:"
done

total_pass=0 total_fail=0 total_skip=0 failed=()
for exe in "$BUILD_DIR"/bin/test_*.exe; do
  name=$(basename "$exe" .exe)
  log="$work/$name.log"
  # Wine hands the console's CR LF through; the totals are read from LF lines.
  timeout 900 "$WINE" "$exe" --gtest_filter="$filter" 2>&1 | tr -d '\r' >"$log" && status=0 ||
    status=${PIPESTATUS[0]}
  pass=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p' "$log" | tail -1)
  fail=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\?, listed below:/\1/p' "$log" | tail -1)
  skip=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\?, listed below:/\1/p' "$log" | tail -1)
  total_pass=$((total_pass + ${pass:-0})); total_fail=$((total_fail + ${fail:-0}))
  total_skip=$((total_skip + ${skip:-0}))
  echo "test-windows: $name: ${pass:-0} passed, ${fail:-0} failed, ${skip:-0} skipped" >&2
  # A test that skips itself says why; show it, so nothing is left out silently.
  grep -B1 '^\[  SKIPPED \] [A-Za-z]' "$log" | grep -v '^\[\|^--' | sort -u |
    sed "s/^/test-windows:   skip reason: /" >&2 || true
  if [ "$status" -ne 0 ] || [ "${fail:-0}" -ne 0 ]; then
    failed+=("$name")
    grep -E '^\[  FAILED  \] [A-Za-z]|Failure$' -A6 "$log" | head -n 80 >&2 || tail -n 40 "$log" >&2
  fi
done

# Wine takes its zone from TZ: the zone test again under a northern and a southern daylight rule.
if [ -x "$BUILD_DIR/bin/test_platform_win32.exe" ]; then
  for tz in Europe/Berlin Australia/Sydney; do
    log="$work/zone.log"
    TZ=$tz "$WINE" "$BUILD_DIR/bin/test_platform_win32.exe" --gtest_filter='Win32TimeZone.*' 2>&1 |
      tr -d '\r' >"$log" || true
    if grep -q '^\[  PASSED  \] 1 test' "$log"; then
      total_pass=$((total_pass + 1)); say "test_platform_win32: time zone under TZ=$tz passed"
    else
      total_fail=$((total_fail + 1)); failed+=("zone($tz)"); grep -A6 'Failure$' "$log" | head -n 30 >&2
    fi
  done
fi

# The command line against the Linux build's, on the built-in data.
LINUX_CLI=$LINUX_BUILD_DIR/bin/orvanta-cli
cli_checked=0 cli_failed=0
if [ -x "$LINUX_CLI" ]; then
  CLI_RUNS=(
    "catalogue"
    "passes --sat 25544 --lat 51.4779 --lon -0.0015 --start 2026-05-08T00:00:00Z --passes 5"
    "passes --lat -33.87 --lon 151.21 --alt-m 40 --start 2026-05-08T00:00:00Z --until 2026-05-09T00:00:00Z --flares --lunar"
    "propagate --sat 25544 --minutes 0:1440:7"
    "propagate --sat 25544 --sat 20580 --at 2026-05-08T00:00:00Z 2026-05-08T06:00:00Z --details --lat 51.4779 --lon -0.0015"
    "sun-moon --lat 38.921 --lon -77.065 --at 2000-01-01T12:00:00Z 1992-10-13T00:00:00Z 2026-12-09T06:00:00Z"
    "rise-set --lat 51.4779 --lon -0.0015 --at 2026-06-21T00:00:00Z 2026-12-21T00:00:00Z"
    "rise-set --lat 78.22 --lon 15.65 --at 2026-06-21T00:00:00Z"
  )
  for args in "${CLI_RUNS[@]}"; do
    cli_checked=$((cli_checked + 1))
    # Both read their own copy of the built-in data and a fresh home, so neither sees the user's.
    mkdir -p "$work/home-linux" "$work/home-windows"
    # shellcheck disable=SC2086
    ORVANTA_HOME="$work/home-linux" "$LINUX_CLI" $args >"$work/linux.out" 2>"$work/linux.err" || true
    # shellcheck disable=SC2086
    ORVANTA_HOME="$work/home-windows" "$WINE" "$BUILD_DIR/bin/orvanta-cli.exe" $args \
      2>"$work/windows.err" | tr -d '\r' >"$work/windows.out" || true
    # The warnings come from the search threads in whatever order they finish.
    sort "$work/linux.err" >"$work/linux.err.sorted"
    tr -d '\r' <"$work/windows.err" | sort >"$work/windows.err.sorted"
    if cmp -s "$work/linux.out" "$work/windows.out" &&
       cmp -s "$work/linux.err.sorted" "$work/windows.err.sorted"; then
      say "orvanta-cli $args: same output on both ($(wc -l <"$work/linux.out") lines)"
    else
      cli_failed=$((cli_failed + 1))
      say "orvanta-cli $args: the outputs differ:"
      { diff "$work/linux.out" "$work/windows.out"
        diff "$work/linux.err.sorted" "$work/windows.err.sorted"; } | head -n 20 >&2 || true
    fi
  done
else
  say "no Linux orvanta-cli in $LINUX_CLI: the command-line comparison is left out"
fi

echo "test-windows: ${#SKIPS[@]} tests left out by name (listed above)"
echo "test-windows: GoogleTest under Wine: $total_pass passed, $total_fail failed, $total_skip skipped"
echo "test-windows: orvanta-cli: $((cli_checked - cli_failed)) of $cli_checked outputs the same as on Linux"
if [ ${#failed[@]} -gt 0 ] || [ "$cli_failed" -gt 0 ]; then
  echo "test-windows: FAILED: ${failed[*]}${failed:+ }$([ "$cli_failed" -gt 0 ] && echo "orvanta-cli output")"
  exit 1
fi
echo "test-windows: all passed"
