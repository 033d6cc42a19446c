#!/usr/bin/env bash
# Runs every test of Velkoro: the database and the driver's native monitor
# under AddressSanitizer and UndefinedBehaviorSanitizer, its concurrency test under
# ThreadSanitizer, a bounded fuzz run of the database loader, and the
# Win32 product's tests under Wine on a private virtual display: the 32-bit
# program, and the same source built as a 64-bit program.
#
#   tools/test.sh            everything
#   VELKORO_FUZZ_SECONDS=N   length of the fuzz run (default 60)
#   VELKORO_BUILD_ARCH=win32|win64
#                            the build that runs every Win32 test (default: the
#                            one that runs natively here)
#   VELKORO_WIN32_SUITE=full every test of the 32-bit program in emulated PCs,
#                            where the kernel refuses 32-bit programs
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
jobs=${VELKORO_JOBS:-2}
fuzz_seconds=${VELKORO_FUZZ_SECONDS:-60}

bash "$root/tools/install-deps.sh"

step() { printf '\n=== %s\n' "$*"; }

# The Win32 product: every test on the build that runs natively here, and
# the tests of what differs between the two builds (the hook library's
# exports and delay load, the driver's contract and its records, a start
# with a search through the real window) on the other build as well. Where
# the kernel refuses 32-bit programs, the 32-bit program runs in an
# emulated PC, several times slower, with its time limits and bounded waits
# multiplied by VELKORO_TIME_SCALE; VELKORO_WIN32_SUITE=full runs every
# test there, in two emulated PCs at once.
source "$root/tools/wine-arch.sh"
arch=$(velkoro_build_arch)
other=win64
[ "$arch" = win64 ] && other=win32

# ARCH TIME_SCALE [TARGET...]: everything, or only what the targets need.
build_product() {
  cmake -S "$root" -B "$build/$1" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$(velkoro_toolchain "$1")" \
    -DCMAKE_BUILD_TYPE=Release -DVELKORO_TEST_TIME_SCALE="$2" >/dev/null
  local build_dir=$build/$1
  shift 2
  cmake --build "$build_dir" -j "$jobs" ${1:+--target "$@"}
}
# What the tests labelled builds_differ run: the hook probe, the driver's
# tests, and the installed program with its driver, help, test tool and
# shell command.
differing_targets=(hook_probe driver_tests velkoro_vxd velkoro_monitor Velkoro setup vktest velkoro_help
  velkoro_find velkoro_find_channel velkoro_scan_reader)
# ARCH PREFIX CTEST_ARGUMENTS...: the tests in a Wine session of their own.
run_product_tests() {
  local test_arch=$1 prefix=$2
  shift 2
  VELKORO_BUILD_ARCH=$test_arch bash "$root/tools/wine-session.sh" "$prefix" \
    ctest --test-dir "$build/$test_arch" --output-on-failure "$@"
}

emulated_pids=() emulated_logs=()
if [ "$arch" = win64 ]; then
  # The 32-bit program goes first: its emulated PCs then run beside the
  # native steps, on a core of their own each.
  step "the 32-bit program (the Windows 95 target), built for its emulated PC"
  time_scale=${VELKORO_TIME_SCALE:-4}
  if [ "${VELKORO_WIN32_SUITE:-}" = full ]; then
    build_product win32 "$time_scale"
    explain_emulated_machine "every test of the 32-bit program"
    halves=("-I 1,,2" "-I 2,,2")
  else
    build_product win32 "$time_scale" "${differing_targets[@]}"
    explain_emulated_machine "the 32-bit program's tests labelled builds_differ"
    halves=("-L builds_differ")
  fi
  for half in "${!halves[@]}"; do
    # Each PC has its own prefix in its memory, and its own record of the
    # run (ctest's Testing folder); screenshots land in the build folder.
    log="$build/win32-tests-$((half + 1)).log"
    VELKORO_BUILD_ARCH=win32 VELKORO_TIME_SCALE=$time_scale VELKORO_MACHINE_CPUS=1 \
      setsid bash "$root/tools/x86-machine.sh" \
      bash -c 'mkdir -p "$0/Testing" && mount -t tmpfs tmpfs "$0/Testing" && exec "$@"' \
      "$build/win32" bash "$root/tools/wine-session.sh" /var/tmp/velkoro-test-prefix \
      ctest --test-dir "$build/win32" --output-on-failure ${halves[$half]} >"$log" 2>&1 &
    emulated_pids+=($!) emulated_logs+=("$log")
  done
  # A step that fails ends this script: its emulated PCs end with it.
  stop_emulated() { local pid; for pid in "${emulated_pids[@]}"; do kill -- "-$pid" 2>/dev/null || true; done; }
  trap stop_emulated EXIT
fi

step "database, the driver's monitor and velkoro-find, natively, with AddressSanitizer and UndefinedBehaviorSanitizer"
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

failed=0
step "the $arch build, natively under Wine: every test"
build_product "$arch" 1
run_product_tests "$arch" "$build/test-prefix-$arch" || failed=1

if [ "$other" = win64 ]; then
  step "the win64 build, natively under wine64: what differs from the 32-bit program"
  build_product win64 1 "${differing_targets[@]}"
  run_product_tests win64 "$build/test-prefix-win64" -L builds_differ || failed=1
fi
for index in "${!emulated_pids[@]}"; do
  wait "${emulated_pids[$index]}" || failed=1
  step "the 32-bit program in an emulated PC ($((index + 1)) of ${#emulated_pids[@]})"
  cat "${emulated_logs[$index]}"
done
exit "$failed"
