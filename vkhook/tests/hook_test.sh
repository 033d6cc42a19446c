#!/bin/bash
# End-to-end test of vkhook.dll on an X display: the hook probe stands in
# for the program, xdotool presses the keys.
#
#   hook_test.sh HOOK_PROBE_EXE VKHOOK_DLL
#
# Needs DISPLAY (an Xvfb of its own is best: the test takes the keyboard
# and the pointer) and WINEPREFIX (default ~/.wine); works whether or not
# Z: exists, since everything it runs lives under the prefix's C: drive.
#
# Wine's X11 driver does not grab hot keys on the X root window: a key
# reaches Wine, and with it the hot-key check, only when X gives it to a
# Wine window. Without a window manager X gives the keys to the window under
# the pointer, so before each press the test points at the window it has
# put in front.
#
# "Does not deliver" is never waited out: every press that must stay silent
# is followed by one that must deliver. The library handles presses in
# order and sends synchronously, so a message wrongly caused by the first
# press would arrive before the second one's; the exact count checked at
# the end catches any such extra message.
set -u

probe_exe=$1
hook_dll=$2
bound_seconds=$(( ${VKHOOK_TEST_BOUND:-20} * ${VELKORO_TIME_SCALE:-1} ))

if [ -z "${DISPLAY:-}" ]; then
  echo "SKIP: no DISPLAY for the hot-key test"
  exit 77
fi
if ! command -v xdotool >/dev/null; then
  echo "SKIP: xdotool is not installed"
  exit 77
fi

prefix=${WINEPREFIX:-$HOME/.wine}
work=$(mktemp -d "$prefix/drive_c/vkhook-test.XXXXXX") || exit 1
work_windows="C:\\$(basename "$work")"
cp "$probe_exe" "$work/hook_probe.exe" && cp "$hook_dll" "$work/vkhook.dll" || exit 1
cd "$work" || exit 1
log=$work/messages.log
background_pids=()

cleanup() {
  local pid
  for pid in "${background_pids[@]}"; do
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  cd / && rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  if [ -f "$log" ]; then
    echo "--- messages received:"
    cat "$log"
  fi
  exit 1
}

# One probe run to its end, bounded (a crash would wait in Wine's debugger).
probe() {
  timeout "$bound_seconds" wine hook_probe.exe "$@" 2>/dev/null | tr -d '\r'
  return "${PIPESTATUS[0]}"
}

start_probe() {
  wine hook_probe.exe "$@" >/dev/null 2>&1 &
  background_pids+=("$!")
  last_pid=$!
}

wait_for_file() {
  local deadline=$((SECONDS + bound_seconds))
  until [ -f "$1" ]; do
    [ "$SECONDS" -lt "$deadline" ] || fail "$1 did not appear within ${bound_seconds}s"
    sleep 0.1
  done
}

wait_for_exit() {
  local deadline=$((SECONDS + bound_seconds))
  while kill -0 "$1" 2>/dev/null; do
    [ "$SECONDS" -lt "$deadline" ] || fail "$2 did not end within ${bound_seconds}s"
    sleep 0.1
  done
  wait "$1"
}

handle_in() { sed -n "s/^$2 //p" "$1" | tr -d '\r'; }

hook_messages() { tr -d '\r' <"$log" | grep -E '^(ACTIVATE|EDIT) '; }
message_count() { hook_messages | wc -l; }

send() { probe send "$@" >/dev/null || fail "host command '$*' failed"; }

press() { xdotool key "$1" || fail "xdotool key $1"; }

# point_at "LEFT TOP RIGHT BOTTOM": the pointer to the middle of that rectangle
point_at() {
  local left top right bottom
  read -r left top right bottom <<<"$1"
  [ -n "$bottom" ] || fail "no window rectangle to point at"
  xdotool mousemove $(((left + right) / 2)) $(((top + bottom) / 2)) || fail "xdotool mousemove"
}

expected=0

# expect_message TEXT CASE: waits for the next message and checks it.
expect_message() {
  expected=$((expected + 1))
  local deadline=$((SECONDS + bound_seconds))
  while [ "$(message_count)" -lt "$expected" ]; do
    [ "$SECONDS" -lt "$deadline" ] ||
      fail "$2: message $expected ('$1') did not arrive within ${bound_seconds}s"
    sleep 0.1
  done
  local actual
  actual=$(hook_messages | sed -n "${expected}p")
  [ "$actual" = "$1" ] || fail "$2: message $expected is '$actual', expected '$1'"
}

start_host() {
  rm -f "$work/host.ready"
  start_probe host "$work_windows"
  host_pid=$last_pid
  wait_for_file "$work/host.ready"
  host=$(handle_in "$work/host.ready" host)
  host_rect=$(handle_in "$work/host.ready" rect)
  point_at "$host_rect"
}

# --- Calls in the wrong order do no harm ------------------------------------
start_host
probe send install 0 >/dev/null || fail "InstallHook(0) before any install did not succeed"
send setkey 70 5                              # Ctrl+Alt+F, given before installing
probe send install 1 >/dev/null || fail "InstallHook(1) did not succeed"
press ctrl+alt+f
expect_message "ACTIVATE $host" "key set before InstallHook"
probe send install 1 >/dev/null || fail "a second InstallHook(1) did not succeed"
press ctrl+alt+f
expect_message "ACTIVATE $host" "installed twice (one message per press)"

# --- The modifier bits: 1 Alt, 2 Shift, 4 Ctrl --------------------------------
# key, bits, the combination that must deliver
while read -r key bits combination; do
  send setkey "$key" "$bits"
  press "$combination"
  expect_message "ACTIVATE $host" "SetKey $key $bits, pressing $combination"
done <<'TABLE'
70 1 alt+f
70 2 shift+f
70 4 ctrl+f
71 3 alt+shift+g
72 6 ctrl+shift+h
74 7 ctrl+alt+shift+j
123 0 F12
0x12340046 5 ctrl+alt+f
TABLE

# --- Other combinations stay silent ---------------------------------------------
send setkey 70 5
for other in ctrl+alt+g ctrl+f alt+f ctrl+alt+shift+f f; do
  press "$other"
done
press ctrl+alt+f
expect_message "ACTIVATE $host" "only Ctrl+Alt+F delivers"

# --- SetKey takes effect at once; the old combination stops ---------------------
send setkey 72 6                              # Ctrl+Shift+H
press ctrl+alt+f
press ctrl+shift+h
expect_message "ACTIVATE $host" "new combination after SetKey"

# --- InstallHook(0) stops the messages ----------------------------------------------
send install 0
press ctrl+shift+h
send setkey 75 5                              # Ctrl+Alt+K, given while removed
press ctrl+alt+k
send install 1
press ctrl+alt+k
expect_message "ACTIVATE $host" "installed again after InstallHook(0)"

# --- The window in front: which edit control is named ---------------------------
for kind in single multi readonly plain; do
  start_probe window "$kind" "$work_windows"
  front_pid=$last_pid
  wait_for_file "$work/$kind.ready"
  top=$(handle_in "$work/$kind.ready" top)
  edit=$(handle_in "$work/$kind.ready" edit)
  point_at "$(handle_in "$work/$kind.ready" rect)"
  press ctrl+alt+k
  if [ "$kind" = single ]; then
    expect_message "EDIT $edit" "single-line edit in another program's dialog"
  fi
  expect_message "ACTIVATE $top" "$kind edit window in front"
  probe close "$kind" >/dev/null || fail "could not close the $kind window"
  wait_for_exit "$front_pid" "the $kind window" || fail "the $kind window ended with an error"
done

probe send owndialog >"$work/owndialog.txt" || fail "the host could not open its own dialog"
own_dialog=$(handle_in "$work/owndialog.txt" owndialog)
point_at "$(handle_in "$work/owndialog.txt" rect)"
press ctrl+alt+k
expect_message "ACTIVATE $own_dialog" "the program's own dialog in front (its edit is never named)"
send closeowndialog

send front
point_at "$host_rect"
press ctrl+alt+k
expect_message "ACTIVATE $host" "host in front again"

count=$(message_count)
[ "$count" -eq "$expected" ] || fail "$count messages arrived, $expected expected"

# --- The program ends without InstallHook(0); the next one gets the key --------
send quit
wait_for_exit "$host_pid" "the host" || fail "the host ended with an error while the hook was installed"
start_host
send setkey 75 5
probe send install 1 >/dev/null || fail "InstallHook(1) in a new host did not succeed"
expected=0
press ctrl+alt+k
expect_message "ACTIVATE $host" "new host after the old one ended installed"
send install 0
send quit
wait_for_exit "$host_pid" "the second host" || fail "the second host ended with an error"

echo "PASS: vkhook hot-key test"
