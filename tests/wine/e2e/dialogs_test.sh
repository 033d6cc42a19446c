#!/usr/bin/env bash
# The hot-key dialog, the start-up options and the help, driven with real key
# presses as a person would: what the hot-key box shows, what is stored and
# which combination then brings the window up; the start-up option and the
# log-on entry it keeps, and whether a new Wine session starts the program;
# the help viewer on the topic of a control and on the contents.
source "$(dirname "$0")/lib.sh"

IDM_SET_HOT_KEY=102 IDM_SET_STARTUP_OPTIONS=103 IDM_CONTENTS=121
EDIT1=1102 BTN_OK=1
HELP_FILE='C:\VELKORO\Vk96.hlp'
RUN_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'

menu() { vktest post TFormui 0x111 "$1" 0 >/dev/null; }
press() { xdotool key "$1"; }
box_text() { vktest control-text TAssignHotKey "$EDIT1"; }
box_shows() { [ "$(box_text)" = "$1" ]; }
expect_box() { wait_until 5 box_shows "$1" || fail "$2: the box shows '$(box_text)', not '$1'"; }
expect_stored() {
  [ "$(setting HotKey) $(setting HotKeyShift)" = "$1 $2" ] \
    || fail "$3: stored $(setting HotKey) $(setting HotKeyShift), not $1 $2"
}
open_hot_key_dialog() {
  menu "$IDM_SET_HOT_KEY"
  vktest wait-window TAssignHotKey visible 10000 || fail "Set Hot Key did not open the dialog"
  expect_box "$1" "on opening"
}
open_startup_options() {
  menu "$IDM_SET_STARTUP_OPTIONS"
  vktest wait-window TStartupForm visible 10000 || fail "Set Startup Options did not open the dialog"
}
closes() { vktest wait-window "$1" hidden 5000 || fail "$2 did not close $1"; }
logon_entry() {
  wine reg query "$RUN_KEY" /v '$$VELKORO' 2>/dev/null | tr -d '\r' | awk '$1 == "$$VELKORO" {print $3}'
}
help_shows() { vktest help-text "$1" 10000 || fail "$2: the help viewer does not show '$1'"; }

install_fresh
use_wine_desktop
start_and_wait_up

# The stored Ctrl+Alt+F; a key without a name (186) is taken with its
# prefix alone; Return with Ctrl held is a key like any other, and Return
# alone confirms.
open_hot_key_dialog "Ctrl Alt F"
screenshot dialogs-hot-key-opened
press shift
expect_box "Shift " "Shift alone"
press ctrl+Return
expect_box "Ctrl Return" "Ctrl+Return"
vktest wait-window TAssignHotKey visible 100 || fail "Ctrl+Return closed the dialog"
press ctrl+semicolon
expect_box "Ctrl " "a key without a name"
expect_stored 70 5 "before Assign"
press Return
closes TAssignHotKey "Return"
expect_stored 186 4 "the nameless key"
pass "a key without a name is shown by its prefix and stored by its code; Return assigns"

# Ctrl+Shift+F5 shows in the order pressed; Tab moves on without being
# taken; Assign stores 116 and 6, shown in the stored order when reopened.
open_hot_key_dialog "Ctrl "
press ctrl+shift+F5
expect_box "Ctrl Shift F5" "Ctrl+Shift+F5"
press Tab
expect_box "Ctrl Shift F5" "Tab"
screenshot dialogs-hot-key-pressed
press Return
closes TAssignHotKey "Return on Assign"
expect_stored 116 6 "Ctrl+Shift+F5"
open_hot_key_dialog "Shift Ctrl F5"
pass "Ctrl+Shift+F5 is stored as 116 and 6 and reopens as Shift Ctrl F5"

# Keys with Alt arrive as system keys, prefixed Alt first; Escape cancels
# and nothing changes.
press alt+ctrl+g
expect_box "Alt Ctrl G" "Alt+Ctrl+G"
press Escape
closes TAssignHotKey "Escape"
expect_stored 116 6 "after Cancel"
open_hot_key_dialog "Shift Ctrl F5"
press Escape
closes TAssignHotKey "Escape"
pass "Cancel after pressing keys keeps the stored hot key"

# The hook library watches the new combination, and the old one no more.
start_caller "Some Program"
press ctrl+alt+f
vktest wait-window TFormui visible 2000 && fail "the old combination still brings the window up"
press ctrl+shift+F5
vktest wait-window TFormui visible 10000 || fail "the new combination does not bring the window up"
screenshot dialogs-new-hot-key
vktest post VkTestCaller 0x10 >/dev/null
kill "$CALLER_PID" 2>/dev/null || true
vktest post TFormui 0x10 >/dev/null
pass "Ctrl+Shift+F5 brings the window up, Ctrl+Alt+F no longer does"

# Start-up options: Do not Start Automatically removes the log-on entry and
# stores 3; Start Automatically writes it and stores 1. F1 on a button opens
# its topic.
open_startup_options
screenshot dialogs-startup-options
press alt+n
press Return
closes TStartupForm "Return on OK"
[ "$(setting StartupOptions)" = 3 ] || fail "StartupOptions is $(setting StartupOptions), not 3"
[ -z "$(logon_entry)" ] || fail "the log-on entry is still there: $(logon_entry)"
open_startup_options
press alt+a
press F1
help_shows "Velkoro starts at log-on. It loads the names saved" "F1 on Start Automatically"
screenshot dialogs-help-start-automatically
vktest post TStartupForm 0x111 "$BTN_OK" 0 >/dev/null
closes TStartupForm "OK"
[ "$(setting StartupOptions)" = 1 ] || fail "StartupOptions is $(setting StartupOptions), not 1"
[ "$(logon_entry)" = 'C:\VELKORO\Velkoro.exe' ] || fail "the log-on entry reads '$(logon_entry)'"
pass "the start-up option and the log-on entry are stored; F1 opens a button's topic"

# Every help context the forms use opens its topic.
while IFS='|' read -r context text; do
  vktest help-context "$HELP_FILE" "$context" >/dev/null || fail "WinHelp refused context $context"
  help_shows "$text" "help context $context"
done <<'CONTEXTS'
1|with the wildcards
2|Find runs the search
3|Each row shows a file name
10|Press the combination you want
11|Assign stores the combination shown
12|Cancel closes the dialog and keeps the hot key
20|File > Scan Drives reads every fixed drive
21|The hot key brings up the search window
30|Velkoro starts at log-on. It loads
31|always loads the saved names
32|Velkoro does not start at log-on
33|OK stores the choice
34|Cancel closes the dialog and stores nothing
CONTEXTS
pass "every help context of the forms opens its topic"

# Help > Contents: the help viewer on the contents page.
menu "$IDM_CONTENTS"
help_shows "Velkoro 96 keeps the name of every file" "Help > Contents"
screenshot dialogs-help-contents
pass "Help > Contents opens the help file in the help viewer"

# A new Wine session runs the log-on entries: with Start Automatically
# stored, Velkoro starts; with Do not Start Automatically, it does not.
stop_all
wine wineboot >/dev/null 2>&1
wait_until 120 tray_icon_present || fail "a new session with the log-on entry did not start Velkoro"
vktest send TFormui 0x11 0 0 >/dev/null
vktest send TFormui 0x16 1 0 >/dev/null || true
vktest wait-window TFormui gone 30000 || fail "Velkoro did not end with the session"
stop_all
start_and_wait_up
open_startup_options
press alt+n
press Return
closes TStartupForm "Return on OK"
[ -z "$(logon_entry)" ] || fail "the log-on entry is still there"
stop_all
wine wineboot >/dev/null 2>&1
vktest wait-window TFormui exists 5000 && fail "a new session without the log-on entry started Velkoro"
pass "a new Wine session starts Velkoro exactly when its log-on entry is there"
