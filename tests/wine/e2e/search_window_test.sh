#!/usr/bin/env bash
# The search window driven as a person drives it, with real keys and clicks
# under Wine's desktop window: the hot key over another program, a search,
# the selected row and its commands (copy, open, explore), the path typed
# into another program's File Open dialog, every way of hiding the window,
# the end-of-session messages, Exit answered No, and an exception from a
# command ending the program.
source "$(dirname "$0")/lib.sh"

make_drive
mkdir -p "$DRIVE_D/Program Files/Some Folder" "$DRIVE_D/Data/Letters"
for name in Data/VKDOC1.TXT Data/vkdoc2.txt Data/Letters/VkDoc3.Txt; do echo text >"$DRIVE_D/$name"; done
echo "not a text file" >"$DRIVE_D/Data/VKDOC4.TXT.BAK"
echo "soon gone" >"$DRIVE_D/Data/VkGone.log"
echo long >"$DRIVE_D/Program Files/Some Folder/Vk Long Document.txt"
expected_rows=$(find "$DRIVE_D" -iname 'vkdoc*.txt' | wc -l)
long_path='D:\PROGRAM FILES\SOME FOLDER\VK LONG DOCUMENT.TXT'
install_fresh --drive "D:fixed:$DRIVE_D"
use_wine_desktop
start_and_wait_up

# Registered message numbers, as vktest names them, and the window's ids.
TRAY=TRAYACTIVATETOMBALO
STATUS_BAR=1006
IDM_SET_HOT_KEY=102
IDM_EXIT=104

status_reads() { vktest wait-text TFormui "$STATUS_BAR" "Number of files found = $1" 5000; }
search_hidden() { vktest wait-window TFormui hidden 5000; }
search_up_in_edit() {
  vktest wait-window TFormui visible 10000 && vktest wait-focus TFormui Edit 5000 || return 1
  keys_reach TFormui
}
tray_activate() {
  vktest send TFormui "$TRAY" 0 0x201 >/dev/null
  search_up_in_edit || fail "a press on the icon did not bring the window up with the focus in its edit box"
}
# Types a pattern into the edit box (its text is selected whole, so typing
# replaces it) and runs the search with Enter.
search_for() {
  xdotool type --delay 15 "$1"
  xdotool key Return
}
# The centre of data row N of the grid, on the screen: rows lie below the
# title row, 16 or 17 pixels apart.
row_point() {
  read -r hl ht hr hb < <(vktest child-rect TFormui SysHeader32)
  echo "$((hl + 60)) $((hb + 17 * ($1 - 1) + 8))"
}
clipboard() { vktest clipboard; }
is_result_path() {
  case "$1" in 'D:\DATA\VKDOC'?.TXT | 'D:\DATA\LETTERS\VKDOC'?.TXT) return 0 ;; *) return 1 ;; esac
}

# A window of another program in front: Wine's own notepad, of the
# program's own width, so that its modules can be listed from Velkoro.
wine "C:\\windows\\$SYSTEM_DIR_NAME\\notepad.exe" >"$SCRATCH/notepad.log" 2>&1 &
vktest wait-window Notepad visible 20000 || fail "notepad did not start"
vktest wait-focus Notepad - 10000 || fail "notepad is not in front"

xdotool key ctrl+alt+f
search_up_in_edit || fail "the hot key did not bring the window up with the focus in its edit box"
[ "$(vktest window-rect TFormui)" = "$(vktest window-rect Notepad)" ] \
  || fail "the window does not cover the program that was in front"
vktest wait-text TFormui "$STATUS_BAR" "" 100 || fail "the status bar is not empty before the first search"
search_for 'vkdoc*.txt'
status_reads "$expected_rows" || fail "the status bar does not count the $expected_rows matches"
vktest wait-focus TFormui SysListView32 5000 || fail "the focus did not move to the grid after the search"
screenshot search-window-results
pass "hot key, search: $expected_rows rows counted, the focus on the grid"

# Ctrl+C copies the first row; a right-click selects the row under it before
# its popup opens, and Ctrl+Shift+C copies that row.
xdotool key ctrl+c
first=$(clipboard)
is_result_path "$first" || fail "Ctrl+C put '$first' on the clipboard, not the path of a result"
read -r x y < <(row_point 2)
xdotool mousemove "$x" "$y" click 3
sleep 0.3  # the popup menu has no window of ours to wait for
screenshot search-window-popup
xdotool key Escape
vktest clipboard-set sentinel
xdotool key ctrl+shift+c
second=$(clipboard)
is_result_path "$second" && [ "$second" != "$first" ] \
  || fail "Ctrl+Shift+C after a right-click on row 2 put '$second' on the clipboard (row 1: '$first')"
pass "Ctrl+C and Ctrl+Shift+C copy the selected row; a right-click selects its row"

# A press on the title row leaves no data row selected: Copy and Enter do
# nothing then.
read -r hl ht hr hb < <(vktest child-rect TFormui SysHeader32)
xdotool mousemove $((hl + 60)) $(((ht + hb) / 2)) click 1
vktest clipboard-set sentinel
xdotool key ctrl+c Return
vktest wait-window TFormui hidden 1000 && fail "Enter acted on the title row"
[ "$(clipboard)" = sentinel ] || fail "Copy acted on the title row"
pass "after a press on the title row Copy and Enter do nothing"

# Ctrl+C in the edit box copies its own selection.
xdotool key Tab
vktest wait-focus TFormui Edit 5000 || fail "Tab did not reach the edit box"
xdotool key ctrl+c
[ "$(clipboard)" = 'vkdoc*.txt' ] || fail "Ctrl+C in the edit box copied '$(clipboard)'"
pass "Ctrl+C in the edit box copies its selection"

# The monitor driver keeps the rows current: once the host deletes the file
# of a row on screen, the row reads "File Deleted", and Copy copies that.
search_for 'vkgone.log'
status_reads 1 || fail "the search did not find the file that is to go"
vktest wait-focus TFormui SysListView32 5000 || fail "the focus did not move to the grid"
rm "$DRIVE_D/Data/VkGone.log"
copied_deleted() { xdotool key ctrl+c; [ "$(clipboard)" = "File Deleted" ]; }
wait_until 10 copied_deleted || fail "the row of a deleted file copies '$(clipboard)', not File Deleted"
# Shown again, the window repaints its rows.
xdotool key Escape
search_hidden || fail "Esc did not hide the window"
tray_activate
screenshot search-window-file-deleted
pass "the row of a file deleted by the host reads File Deleted"

# Nothing found: one empty row; Enter on it hides the window and opens
# nothing, and the program that was in front is back in front.
search_for 'zz-no-such-name*'
status_reads 0 || fail "a search that finds nothing does not say 0"
screenshot search-window-nothing-found
xdotool key Return
search_hidden || fail "Enter on the empty row did not hide the window"
vktest wait-focus Notepad - 5000 || fail "the foreground did not go back to notepad"
pass "nothing found: 0 counted, the empty row hides the window"

# Esc hides the window and puts the previous window in front again.
xdotool key ctrl+alt+f
search_up_in_edit || fail "the hot key did not bring the window up again"
xdotool key Escape
search_hidden || fail "Esc did not hide the window"
vktest wait-focus Notepad - 5000 || fail "Esc did not give the foreground back"
pass "Esc hides the window and gives the foreground back"

# A tiny window in front at the screen's corner: the window keeps a usable
# size and lies wholly on the work area.
vktest caller "Tiny" 30000 900 700 150 40 >/dev/null 2>&1 &
vktest wait-focus VkTestCaller - 10000 || fail "the tiny window is not in front"
xdotool key ctrl+alt+f
search_up_in_edit || fail "the hot key over a tiny window did not bring the window up"
read -r left top right bottom < <(vktest window-rect TFormui)
read -r wl wt wr wb < <(vktest work-area)
[ $((right - left)) -ge 320 ] && [ $((bottom - top)) -ge 200 ] \
  || fail "the window is only $((right - left)) x $((bottom - top)) pixels"
[ "$left" -ge "$wl" ] && [ "$top" -ge "$wt" ] && [ "$right" -le "$wr" ] && [ "$bottom" -le "$wb" ] \
  || fail "the window ($left $top $right $bottom) sticks out of the work area ($wl $wt $wr $wb)"
screenshot search-window-over-tiny-window
xdotool key Escape
search_hidden || fail "Esc did not hide the window"
vktest post VkTestCaller 0x10 >/dev/null
pass "over a tiny window: at least 320 x 200, on the work area"

# Minimise, the close box and Alt+F4 hide the window; the program stays.
tray_activate
vktest send TFormui 0x112 0xF020 >/dev/null
search_hidden || fail "minimise did not hide the window"
tray_activate
vktest send TFormui 0x112 0xF060 >/dev/null
search_hidden || fail "the close box did not hide the window"
tray_activate
xdotool key alt+F4
search_hidden || fail "Alt+F4 did not hide the window"
velkoro_running || fail "the program ended"
pass "minimise, close box and Alt+F4 hide the window"

# The path typed into another program's File Open dialog: the hot key over
# the dialog names its edit box; the second Enter acts on the first row.
read -r left top right bottom < <(vktest window-rect Notepad)
xdotool mousemove $(((left + right) / 2)) $((top + 10)) click 1
vktest wait-focus Notepad - 5000 || fail "a click on notepad's caption did not bring it to the front"
keys_reach Notepad
# The hot key's Ctrl and Alt were let go over the search window, so notepad's
# thread may still hold them down in its own key state, and its accelerator
# would take Ctrl+O for Ctrl+Alt+O. Modifiers pressed and let go over notepad
# set that state right, as a person's next press of them would.
xdotool key ctrl+alt+shift
xdotool key ctrl+o
vktest wait-focus '#32770' Edit 30000 || fail "notepad's File Open dialog did not come up"
xdotool key ctrl+alt+f
search_up_in_edit || fail "the hot key over the File Open dialog did not bring the window up"
search_for 'vk long*.txt'
status_reads 1 || fail "the long-named file was not found"
xdotool key Return
search_hidden || fail "the second Enter did not hide the window"
vktest wait-focus '#32770' Edit 5000 || fail "the foreground did not go back to the dialog"
typed=$(vktest focus-text)
screenshot search-window-typed-path
[ "$typed" = "$long_path" ] || fail "the dialog's file-name box holds '$typed', not the long path"
pass "the chosen path, long, lands in the File Open dialog"

# The hot key over the dialog names its edit box again; neither hiding nor a
# press on the icon disarms it, and the popup's Open opens all the same.
keys_reach Notepad
xdotool key ctrl+a BackSpace
[ "$(vktest dialog-edit-text Open)" = "" ] || fail "the dialog's file-name box was not emptied"
xdotool key ctrl+alt+f
search_up_in_edit || fail "the hot key over the File Open dialog did not bring the window up"
xdotool key Escape
search_hidden || fail "Esc did not hide the window"
tray_activate
search_for 'vkdoc1.txt'
status_reads 1 || fail "VKDOC1.TXT was not found"
read -r x y < <(row_point 1)
xdotool mousemove "$x" "$y" click 3
sleep 0.3  # the popup menu has no window of ours to wait for
xdotool key o
search_hidden || fail "Open did not hide the window"
vktest wait-title 'VKDOC1.TXT' 20000 || fail "the popup's Open did not open the file"
[ "$(vktest dialog-edit-text Open)" = "" ] || fail "the popup's Open typed the path into the dialog"
tray_activate
search_for 'vk long*.txt'
status_reads 1 || fail "the long-named file was not found"
xdotool key Return
search_hidden || fail "the second Enter did not hide the window"
[ "$(vktest dialog-edit-text Open)" = "$long_path" ] \
  || fail "after a press on the icon the path did not land in the dialog named before"
keys_reach Notepad
xdotool key Escape
pass "the edit box named stays armed through Esc and the icon; the popup's Open opens"

# A second activation without a new edit-control message opens the file: a
# double-click on the row.
tray_activate
xdotool key Return
status_reads 1 || fail "the search did not run again"
read -r x y < <(row_point 1)
xdotool mousemove "$x" "$y" click --repeat 2 --delay 80 1
search_hidden || fail "a double-click on the row did not hide the window"
vktest wait-title 'VK LONG DOCUMENT.TXT' 20000 || fail "the file was not opened with its program"
screenshot search-window-opened
pass "without a new edit-control message a double-click opens the file with its program"

# Explore from here, from the popup of the right-clicked row.
tray_activate
search_for 'vkdoc*.txt'
status_reads "$expected_rows" || fail "the search did not run"
read -r x y < <(row_point 1)
xdotool mousemove "$x" "$y" click 3
sleep 0.3  # the popup menu has no window of ours to wait for
xdotool key e
search_hidden || fail "Explore did not hide the window"
vktest wait-window ExplorerWClass visible 20000 || fail "Explore did not open the file browser"
screenshot search-window-explored
pass "Explore from here opens the folder in the file browser"

# The end of the session: the query is answered 1 and hides the window; an
# end that does not happen leaves the program running.
tray_activate
[ "$(vktest send TFormui 0x11 0 0)" = 1 ] || fail "WM_QUERYENDSESSION was not answered 1"
search_hidden || fail "WM_QUERYENDSESSION did not hide the window"
vktest send TFormui 0x16 0 0 >/dev/null
sleep 0.5  # nothing to wait for: the program must simply still be there
velkoro_running && tray_icon_present || fail "WM_ENDSESSION with wParam 0 ended the program"
pass "WM_QUERYENDSESSION answers 1 and hides; WM_ENDSESSION 0 changes nothing"

# File > Exit answered No changes nothing.
vktest post TFormui 0x111 "$IDM_EXIT" >/dev/null
text=$(vktest wait-message-box Velkoro 10000 no) || fail "Exit did not ask"
case "$text" in *"Terminating Velkoro now will require that Velkoro rebuild"*) ;; *) fail "Exit asked '$text'" ;; esac
sleep 0.5  # nothing to wait for: the program must simply still be there
velkoro_running && tray_icon_present || fail "Exit answered No ended the program"
pass "Exit answered No changes nothing"

# An exception from a command: the hot key's setting is gone when File > Set
# Hot Key reads it. Its message is shown in a box captioned "Velkoro" and
# the program ends.
vktest reg-delete "$SETTINGS" HotKey
vktest post TFormui 0x111 "$IDM_SET_HOT_KEY" >/dev/null
text=$(vktest wait-message-box Velkoro 10000 ok) || fail "no error box after Set Hot Key without its setting"
case "$text" in *HotKey*) ;; *) fail "the error box says '$text'" ;; esac
wait_velkoro_exit 30 || fail "the program did not end after the error"
pass "an exception from a command is shown in a box captioned Velkoro and ends the program"
