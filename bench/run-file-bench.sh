#!/usr/bin/env bash
# Builds and runs the database file benchmark natively (Release, no
# sanitizers): save and load of 1,000,000 files in 100,000 directories, with
# the file size and bytes per name. Exits non-zero when a target is missed.
# VELKORO_BENCH_BUILD names the build folder (default: build/bench).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELKORO_BENCH_BUILD:-$root/build/bench}

cmake -S "$root" -B "$build" -G Ninja -DVELKORO_SANITIZER=none -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target file_bench
"$build/bench/file_bench" "$@"
