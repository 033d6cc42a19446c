#!/usr/bin/env bash
# Runs every test of Velkoro: the database and the driver's native monitor
# under AddressSanitizer and UndefinedBehaviorSanitizer, its concurrency test under
# ThreadSanitizer, a bounded fuzz run of the database loader, and the
# Win32 product's tests under Wine on a private virtual display.
#
#   tools/test.sh            everything
#   VELKORO_FUZZ_SECONDS=N   length of the fuzz run (default 60)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
jobs=${VELKORO_JOBS:-2}
fuzz_seconds=${VELKORO_FUZZ_SECONDS:-60}

bash "$root/tools/install-deps.sh"

step() { printf '\n=== %s\n' "$*"; }

step "database and the driver's monitor, natively, with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S "$root" -B "$build/native-asan" -G Ninja -DVELKORO_SANITIZER=address -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build/native-asan" -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$build/native-asan" --output-on-failure -j "$jobs"

step "database concurrency, natively, with ThreadSanitizer"
cmake -S "$root" -B "$build/native-tsan" -G Ninja -DVELKORO_SANITIZER=thread -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build/native-tsan" -j "$jobs" --target database_tests
TSAN_OPTIONS=halt_on_error=1 "$build/native-tsan/database/tests/database_tests" --gtest_filter='*Concurren*:*Stress*'

if [ -x "$root/fuzz/run-fuzz.sh" ]; then
  step "database loader, fuzzed for ${fuzz_seconds} s"
  VELKORO_FUZZ_BUILD="$build/fuzz" "$root/fuzz/run-fuzz.sh" "$fuzz_seconds"
fi

step "the Win32 product, under Wine"
cmake -S "$root" -B "$build/win32" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build/win32" -j "$jobs"
# Built in any case, so that a build fault still shows; run only where the
# kernel runs 32-bit programs.
source "$root/tools/require-32bit.sh"
require_32bit_programs || { echo "test.sh: the Win32 tests could not run (see above)" >&2; exit 1; }
bash "$root/tools/wine-session.sh" "$build/test-prefix" \
  ctest --test-dir "$build/win32" --output-on-failure
