#!/bin/bash
# A program linked with the delay-load import library starts without
# vkhook.dll, and loads it at the first call when it is there.
#
#   delay_load_test.sh HOOK_PROBE_EXE VKHOOK_DLL
set -u

probe_exe=$1
hook_dll=$2
prefix=${WINEPREFIX:-$HOME/.wine}
work=$(mktemp -d "$prefix/drive_c/vkhook-delay.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*"; exit 1; }

mkdir "$work/without" "$work/with"
cp "$probe_exe" "$work/without/hook_probe.exe" || exit 1
cp "$probe_exe" "$work/with/hook_probe.exe" && cp "$hook_dll" "$work/with/vkhook.dll" || exit 1

# run_probe FOLDER ARGUMENTS...: the probe's output, its exit status in status
run_probe() {
  local folder=$1
  shift
  # Bounded: a crash would otherwise wait in Wine's debugger.
  (cd "$work/$folder" && timeout $((30 * ${VELKORO_TIME_SCALE:-1})) wine hook_probe.exe "$@" >"$work/output" 2>/dev/null)
  status=$?
  output=$(tr -d '\r' <"$work/output")
}

run_probe without delaycheck
[ "$status" -eq 0 ] || fail "the probe did not start without vkhook.dll (exit $status)"
[ "$output" = "before 0" ] || fail "without vkhook.dll: '$output'"

run_probe with delaycheck call
expected=$'before 0\nafter 1'
[ "$status" -eq 0 ] || fail "the probe failed with vkhook.dll (exit $status)"
[ "$output" = "$expected" ] || fail "with vkhook.dll: '$output', expected '$expected'"

echo "PASS: vkhook delay-load test"
