#!/usr/bin/env bash
# The program comes up resident with its icon, refuses a second instance,
# answers the hot key and searches, and saves its database at the end of the
# session.
source "$(dirname "$0")/lib.sh"

make_drive
install_fresh --drive "D:fixed:$DRIVE_D"

start_velkoro
wait_until 60 tray_icon_present || fail "no notification-area icon"
velkoro_running || fail "the program did not stay resident"
vktest wait-window TFormui hidden 1000 || fail "the search window is not hidden at start"
for form in TfrmSync TfrmSplash TStartupForm TAssignHotKey; do
  vktest wait-window "$form" exists 1000 || fail "form $form was not created"
done
[ "$(setting SaveSuccessful)" = 0 ] || fail "SaveSuccessful changed by the first start's scan"
screenshot startup-resident
pass "resident with its icon and its five forms"

# A second start ends at once, touching nothing.
before_crc=$(setting CRC32)
second_log="$SCRATCH/second.log"
(cd "$INSTALL_DIR" && timeout 30 wine 'C:\VELKORO\Velkoro.exe') >"$second_log" 2>&1 \
  || fail "the second instance did not end by itself"
velkoro_running || fail "the first instance was disturbed"
[ "$(setting CRC32)" = "$before_crc" ] || fail "the second instance touched the settings"
vktest wait-message-box "Velkoro 96" 500 >/dev/null 2>&1 && fail "the second instance showed a message"
pass "a second start ends silently"

# The hot key, Ctrl+Alt+F by default, pressed over another program's window.
start_caller "Some Program"
xdotool key ctrl+alt+f
vktest wait-window TFormui visible 10000 || fail "the hot key did not bring up the search window"
[ "$(vktest window-rect TFormui)" = "$(vktest window-rect VkTestCaller)" ] \
  || fail "the search window does not cover the window that was in front"
screenshot startup-hot-key
pass "the hot key delivers ACTIVATETOMBALO to the search window"

# A search through the real window; a file the host makes meanwhile reaches
# the database through the monitor driver, and the next Find (Alt+N) has it.
STATUS_BAR=1006
vktest wait-focus TFormui Edit 5000 || fail "the hot key did not put the focus in the edit box"
keys_reach TFormui
xdotool type --delay 15 '*.TXT'
xdotool key Return
vktest wait-text TFormui "$STATUS_BAR" "Number of files found = 1" 5000 || fail "*.TXT did not find Notes.txt"
echo later >"$DRIVE_D/Data/Later.txt"
found_later() { xdotool key alt+n && vktest wait-text TFormui "$STATUS_BAR" "Number of files found = 2" 500; }
wait_until 10 found_later || fail "a file the host made was not found by the next search"
screenshot startup-search
pass "a search finds the drive's text file, and one the host made since"
kill "$CALLER_PID" 2>/dev/null || true

# The end of the Windows session, as Wine's own session end brings it: the
# process is ended as soon as its windows have answered WM_ENDSESSION, so the
# database must be saved and marked good by then.
wine wineboot --end-session >/dev/null 2>&1 || true
wait_velkoro_exit 30 || fail "the program did not end with the session"
[ -s "$INSTALL_DIR/memdb.dat" ] || fail "no memdb.dat after the session ended"
[ "$(setting SaveSuccessful)" = 1 ] || fail "SaveSuccessful not 1 after a clean end"
[ "$(setting CRC32)" = "$(file_crc "$INSTALL_DIR/memdb.dat")" ] || fail "CRC32 does not match memdb.dat"
pass "the end of the session saves memdb.dat with its checksum"
