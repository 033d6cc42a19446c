#!/usr/bin/env bash
# The hot key over a native X program, on a display without Wine's desktop
# window, as on a Linux desktop: xev has the X focus, and the hot key, which
# X never gives to a Wine window then, brings up the search window with the
# focus in its edit box; a search typed there works; Esc gives the X focus
# back to xev; the same with Num Lock on; a hot key reassigned in the
# hot-key dialog works at once over xev, and the old one is xev's again.
source "$(dirname "$0")/lib.sh"

STATUS_BAR=1006 IDM_SET_HOT_KEY=102
command -v xev >/dev/null || fail "xev (x11-utils) is not installed"

make_drive
for name in Data/VKDOC1.TXT Data/vkdoc2.txt; do echo text >"$DRIVE_D/$name"; done
install_fresh --drive "D:fixed:$DRIVE_D"
# No Wine desktop window: the prefix is shared with tests that set one.
stop_all
wine reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f >/dev/null 2>&1 || true
wineserver -w 2>/dev/null || true
[ -x "$INSTALL_DIR/velkoro-hotkey" ] || fail "the installation did not put velkoro-hotkey beside vkhook.dll"
start_and_wait_up

# xev stands in for a terminal or a browser; it prints every key it gets.
xev -name velkoro-native >"$SCRATCH/xev.log" 2>&1 &
XEV_PID=$!
trap 'kill "$XEV_PID" 2>/dev/null; stop_all; rm -rf "$SCRATCH"' EXIT
XEV=$(xdotool search --sync --name '^velkoro-native$' | head -n 1)
[ -n "$XEV" ] || fail "xev's window did not appear"

x_focus_is() { [ "$(xdotool getwindowfocus)" = "$1" ]; }
focus_xev() {
  xdotool windowfocus --sync "$XEV"
  wait_until 5 x_focus_is "$XEV" || fail "xev did not take the X focus"
}
# The search window up, in front, with the Win32 focus in its edit box and
# the X focus in its window, so that typed keys reach it.
x_focus_on_search() { [ "$(xdotool getwindowfocus getwindowname 2>/dev/null)" = "Velkoro 96" ]; }
search_up_in_edit() {
  vktest wait-window TFormui visible 10000 && vktest wait-focus TFormui Edit 5000 || return 1
  wait_until 5 x_focus_on_search
}
status_reads() { vktest wait-text TFormui "$STATUS_BAR" "Number of files found = $1" 5000; }
xev_got() { grep -qF "(keysym $1)" "$SCRATCH/xev.log"; }
# Esc hides the window and gives the X focus back to xev.
escape_back_to_xev() {
  xdotool key Escape
  vktest wait-window TFormui hidden 5000 || fail "$1: Esc did not hide the window"
  wait_until 5 x_focus_is "$XEV" || fail "$1: the X focus went to $(xdotool getwindowfocus), not back to xev ($XEV)"
}

focus_xev
last_place=$(vktest window-rect TFormui)
xdotool key ctrl+alt+f
search_up_in_edit || fail "the hot key over xev did not bring up the search window with the focus in its edit box"
# No Wine window to cover: the window is where it was.
[ "$(vktest window-rect TFormui)" = "$last_place" ] \
  || fail "over xev the window moved from $last_place to $(vktest window-rect TFormui)"
xdotool type --delay 15 'vkdoc*.txt'
xdotool key Return
status_reads 2 || fail "the search typed over xev did not count its 2 matches"
screenshot native-hot-key-results
xev_got '0x66, f' && fail "xev saw the hot key's F"
xev_got '0x76, v' && fail "the search typed reached xev, not the search window"
escape_back_to_xev "after a search"
pass "over xev: the hot key, a search typed, Esc gives the X focus back"

# Num Lock on: the grab holds the key with every lock.
xdotool key Num_Lock
xdotool key ctrl+alt+f
search_up_in_edit || fail "with Num Lock on the hot key over xev did nothing"
screenshot native-hot-key-num-lock
escape_back_to_xev "with Num Lock on"
xdotool key Num_Lock
pass "with Num Lock on the same"

# Ctrl+Shift+F5 assigned in the hot-key dialog; the dialog has the X focus
# as a click on it would give it.
vktest post TFormui 0x111 "$IDM_SET_HOT_KEY" 0 >/dev/null
vktest wait-window TAssignHotKey visible 10000 || fail "Set Hot Key did not open the dialog"
DIALOG=$(xdotool search --sync --name '^Assign Hot Key$' | head -n 1)
xdotool windowfocus --sync "$DIALOG"
xdotool key ctrl+shift+F5
screenshot native-hot-key-dialog
xdotool key Return
vktest wait-window TAssignHotKey hidden 5000 || fail "Assign did not close the dialog"
[ "$(setting HotKey) $(setting HotKeyShift)" = "116 6" ] || fail "Assign stored $(setting HotKey) $(setting HotKeyShift)"
focus_xev
# The old key is free at once: X gives it to xev, and the window stays.
xdotool key ctrl+alt+f
wait_until 5 xev_got '0x66, f' || fail "the old hot key did not reach xev after the new one was assigned"
vktest wait-window TFormui visible 1000 && fail "the old hot key still brings up the search window"
xdotool key ctrl+shift+F5
search_up_in_edit || fail "the hot key assigned in the dialog did not work over xev at once"
screenshot native-hot-key-reassigned
escape_back_to_xev "after the new hot key"
pass "the hot key assigned in the dialog works at once over xev; the old one is xev's again"

# Another X program holds the hot key before Velkoro starts (a second
# velkoro-hotkey stands in for it): the grab is refused, Velkoro says so in
# one line on its error output and keeps running with Wine's watch alone.
stop_all
holder="$SCRATCH/holder"
mkdir "$holder"
"$INSTALL_DIR/velkoro-hotkey" "$holder" &
wait_until 10 test -p "$holder/control" || fail "the stand-in holder did not start"
exec 7>"$holder/control"
printf 'Ckey 116 6\n' >&7
[ "$(timeout 10 head -n 1 "$holder/events")" = "key grabbed" ] || fail "the stand-in did not grab Ctrl+Shift+F5"
start_and_wait_up
refused() { grep -q "another X program holds the hot key" "$SCRATCH/velkoro.log"; }
wait_until 10 refused || fail "a refused grab was not reported: $(cat "$SCRATCH/velkoro.log")"
[ "$(grep -c "another X program holds the hot key" "$SCRATCH/velkoro.log")" = 1 ] || fail "the refusal was reported more than once"
exec 7>&-
velkoro_running || fail "Velkoro ended after its grab was refused"
pass "a hot key held by another X program: one line on the error output, Velkoro runs on"
