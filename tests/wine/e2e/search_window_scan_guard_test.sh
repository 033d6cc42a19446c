#!/usr/bin/env bash
# The search window's commands while a scan runs: the scan pumps messages,
# so its menu can be reached in the middle of building the tree. A second
# scan, File > Exit and Help > About (whose box is the progress panel) do
# nothing then, and the end of the Windows session
# cancels the scan: the program ends cleanly, saving nothing. Afterwards,
# File > Exit answered Yes ends the program without saving.
source "$(dirname "$0")/lib.sh"

IDM_SCAN_DRIVES=101
IDM_EXIT=104
IDM_ABOUT=122
CANCEL=2  # the progress panel's Cancel, shown only while a scan runs

# A scan that takes several seconds: one large tree, in memory where the
# machine has a memory file system, seen through five fixed drives.
LARGE_ROOT=$(mktemp -d /dev/shm/velkoro-e2e.XXXXXX 2>/dev/null || mktemp -d)
trap 'stop_all; rm -rf "$SCRATCH" "$LARGE_ROOT"' EXIT
make_drive
make_large_tree "$LARGE_ROOT/Large" 100000
large_drives=()
for letter in E F G H I; do large_drives+=(--drive "$letter:fixed:$LARGE_ROOT"); done
install_fresh --drive "D:fixed:$DRIVE_D" "${large_drives[@]}"

scan_panel_up() { vktest wait-control TfrmSplash "$CANCEL" visible "$1"; }
# The program's own exit code: a crash under Wine ends with a non-zero one.
ends_cleanly() {
  local limit=$1 waited=0
  while kill -0 "$VELKORO_PID" 2>/dev/null; do
    [ "$waited" -lt $((limit * 10)) ] || return 1
    sleep 0.1
    waited=$((waited + 1))
  done
  wait "$VELKORO_PID"
}
# Posts the menu commands that must do nothing during a scan, then ends the
# session while the scan still runs. Had Exit asked, its box would hold the
# program up; had a second scan started, or the window closed, the program
# would save its database or crash; had About taken the panel, its box
# would hold the program up.
commands_and_session_end_during_scan() {
  vktest post TFormui 0x111 "$IDM_SCAN_DRIVES" >/dev/null
  vktest post TFormui 0x111 "$IDM_EXIT" >/dev/null
  vktest post TFormui 0x111 "$IDM_ABOUT" >/dev/null
  scan_panel_up 100 || fail "$1: the progress panel is gone before the test could end the session"
  vktest send TFormui 0x11 0 0 >/dev/null
  vktest send TFormui 0x16 1 0 >/dev/null || true
  ends_cleanly 30 || fail "$1: the program did not end cleanly after the session ended during the scan"
}

# The start-up scan, on the first start.
[ "$(setting SaveSuccessful)" = 0 ] || fail "a fresh installation has SaveSuccessful set"
start_velkoro
scan_panel_up 60000 || fail "no progress panel for the start-up scan"
screenshot search-window-start-up-scan
commands_and_session_end_during_scan "start-up scan"
[ ! -e "$INSTALL_DIR/memdb.dat" ] || fail "the cancelled start-up scan saved memdb.dat"
[ "$(setting SaveSuccessful)" = 0 ] || fail "the cancelled start-up scan set SaveSuccessful"
pass "during the start-up scan, Scan Drives and Exit do nothing; the session's end ends the program unsaved"

# File > Scan Drives. The large tree is hidden from the start-up scan (the
# scan skips names beginning with "."), and shown again for the rescan.
mv "$LARGE_ROOT/Large" "$LARGE_ROOT/.Large"
start_and_wait_up
mv "$LARGE_ROOT/.Large" "$LARGE_ROOT/Large"
saved=$(md5sum <"$INSTALL_DIR/memdb.dat")
vktest post TFormui 0x111 "$IDM_SCAN_DRIVES" >/dev/null
scan_panel_up 30000 || fail "File > Scan Drives showed no progress panel"
screenshot search-window-rescan
commands_and_session_end_during_scan "File > Scan Drives"
[ "$(md5sum <"$INSTALL_DIR/memdb.dat")" = "$saved" ] || fail "the cancelled rescan changed memdb.dat"
[ "$(setting SaveSuccessful)" = 0 ] || fail "the cancelled rescan set SaveSuccessful"
pass "during File > Scan Drives, a second scan and Exit do nothing; the session's end ends the program unsaved"

# File > Exit answered Yes: the program ends, and the database is not saved.
mv "$LARGE_ROOT/Large" "$LARGE_ROOT/.Large"
start_and_wait_up
saved=$(md5sum <"$INSTALL_DIR/memdb.dat")
vktest post TFormui 0x111 "$IDM_EXIT" >/dev/null
vktest wait-message-box Velkoro 10000 yes >/dev/null || fail "Exit did not ask"
ends_cleanly 30 || fail "Exit answered Yes did not end the program cleanly"
[ "$(md5sum <"$INSTALL_DIR/memdb.dat")" = "$saved" ] || fail "Exit saved the database"
[ "$(setting SaveSuccessful)" = 0 ] || fail "Exit set SaveSuccessful"
pass "Exit answered Yes ends the program without saving"
