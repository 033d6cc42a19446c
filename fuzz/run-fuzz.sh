#!/usr/bin/env bash
# Builds the database file loader's fuzzer with clang and runs it for a
# bounded time: run-fuzz.sh [SECONDS] (default 60). Exits non-zero on any
# finding (crash, sanitizer report, broken promise, timeout, leak); the input
# that caused it is kept in the build folder's fuzz/artifacts/.
# VELKORO_FUZZ_BUILD names the build folder (default: build/fuzz).
set -euo pipefail

seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELKORO_FUZZ_BUILD:-$root/build/fuzz}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DVELKORO_SANITIZER=none -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target load_fuzzer make_seed_corpus

work=$build/fuzz
rm -rf "$work/seeds"
mkdir -p "$work/corpus" "$work/artifacts"
"$work/make_seed_corpus" "$work/seeds"

# The input file is rewritten for every run: keep it in memory when we can.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi

set +e
"$work/load_fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$work/artifacts/" \
  "$work/corpus" "$work/seeds" >"$work/last-run.log" 2>&1
status=$?
set -e
# The whole run is in the log; its end says how it went.
tail -n 25 "$work/last-run.log"

runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/last-run.log" | tail -1)
took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$work/last-run.log" | tail -1)
if [ -n "$runs" ] && [ -n "$took" ] && [ "$took" -gt 0 ]; then
  echo "load_fuzzer: $runs executions in $took s, $((runs / took)) per second, exit $status"
else
  echo "load_fuzzer: exit $status (no final statistics)"
fi
exit "$status"
