#!/usr/bin/env bash
# Runs every test of Velkoro: the database and the driver's native monitor
# under AddressSanitizer and UndefinedBehaviorSanitizer, its concurrency test under
# ThreadSanitizer, a bounded fuzz run of the database loader, and the
# Win32 product's tests under Wine on a private virtual display (in an
# emulated PC where this machine's kernel refuses 32-bit programs).
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
source "$root/tools/require-32bit.sh"
# In an emulated PC the Win32 tests run several times slower: their time
# limits and bounded waits are multiplied by this.
native=1 time_scale=1
kernel_runs_32bit_programs || { native=""; time_scale=${VELKORO_TIME_SCALE:-4}; }
cmake -S "$root" -B "$build/win32" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DVELKORO_TEST_TIME_SCALE="$time_scale" >/dev/null
cmake --build "$build/win32" -j "$jobs"
if [ -n "$native" ]; then
  bash "$root/tools/wine-session.sh" "$build/test-prefix" \
    ctest --test-dir "$build/win32" --output-on-failure
else
  explain_emulated_machine "every Win32 test"
  # Two emulated PCs, a core each, take every other test. Each has its own
  # prefix in its memory, and its own record of the run (ctest's Testing
  # folder); screenshots land in the build folder as usual.
  export VELKORO_TIME_SCALE=$time_scale VELKORO_MACHINE_CPUS=1
  half_pids=()
  for half in 1 2; do
    bash "$root/tools/x86-machine.sh" bash -c 'mkdir -p "$0/Testing" && mount -t tmpfs tmpfs "$0/Testing" && exec "$@"' \
      "$build/win32" bash "$root/tools/wine-session.sh" /var/tmp/velkoro-test-prefix \
      ctest --test-dir "$build/win32" --output-on-failure -I "$half,,2" >"$build/win32-tests-$half.log" 2>&1 &
    half_pids+=($!)
  done
  failed=0
  for half in 1 2; do
    wait "${half_pids[$((half - 1))]}" || failed=1
    step "Win32 tests, emulated PC $half of 2"
    cat "$build/win32-tests-$half.log"
  done
  exit "$failed"
fi
