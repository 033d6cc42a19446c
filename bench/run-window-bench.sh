#!/usr/bin/env bash
# The search window's benchmark under Wine (bench/wine/search_window_bench.cpp):
# with 1,000,000 names loaded from a generated memdb.dat, the time from the
# Find command to the end of the grid's first paint for *.TXT, for a pattern
# that matches nothing and for * (a million rows), with the Search call's own
# time beside it, and the grid's selection and scrolling at a million rows.
#
#   bench/run-window-bench.sh [--rounds N]
#
# Builds in build/ARCH-bench, ARCH the build that runs natively here (VELKORO_WINE_BENCH_BUILD, VELKORO_BUILD_ARCH), makes a prefix and
# an Xvfb display of its own, prints every figure with its ratio to its
# target and removes it all at the end. Exits non-zero when a figure misses
# its target.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELKORO_WINE_BENCH_BUILD:-}  # by default build/ARCH-bench (bench/wine_bench_session.sh)
rounds=9
while [ $# -gt 0 ]; do
  case "$1" in
    --rounds) rounds=$2; shift 2 ;;
    *) echo "run-window-bench: unknown argument $1" >&2; exit 2 ;;
  esac
done

source "$root/bench/wine_bench_session.sh"
wine_bench_build window_bench setup
wine_bench_session windowbench display

echo "== prefix $prefix on display $DISPLAY"
mkdir -p "$prefix"
wineboot -i >/dev/null 2>&1
wine_run "$build/tools/setup/setup.exe" platform win95
# There is no window manager on this display.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
# Every save writes its checksum to the settings, which are never created
# by the program.
wine reg add 'HKCR\Velkoro\Settings' /v CRC32 /t REG_DWORD /d 0 /f >/dev/null 2>&1
cp "$build/bench/wine/window_bench.exe" "$work/"

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
status=0
(cd "$work" && wine_run ./window_bench.exe --rounds="$rounds") || status=$?
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
[ "$status" -eq 0 ] || echo "some figure missed its target, or the benchmark could not run" >&2
exit "$status"
