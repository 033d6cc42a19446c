#!/usr/bin/env bash
# velkoro-find --window on a display as a Linux desktop has it, without
# Wine's desktop window: the search window up as from its icon, in front
# with the focus in its edit box; with a pattern, searched there with the
# count in the status bar; status 2 when the program is not running.
source "$(dirname "$0")/lib.sh"

FIND=$(find "$VELKORO_BUILD" -name velkoro-find -type f -not -path '*/CMakeFiles/*' | head -n 1)
[ -x "$FIND" ] || fail "no built velkoro-find in $VELKORO_BUILD"
STATUS_BAR=1006

make_drive
mkdir -p "$DRIVE_D/Notes"
for name in Notes/One.txt Notes/Two.TXT Three.txt Other.ini; do echo text >"$DRIVE_D/$name"; done
install_fresh --drive "D:fixed:$DRIVE_D"
# A test before may have left Wine's desktop window set for the prefix.
stop_all
wine reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f >/dev/null 2>&1 || true
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
start_and_wait_up
wait_until 30 "$FIND" -c '*' || fail "velkoro-find got no answer once the program was up"

vktest wait-window TFormui hidden 1000 || fail "the search window is not hidden at start"
"$FIND" --window || fail "--window failed"
vktest wait-window TFormui visible 5000 || fail "--window did not bring the window up"
vktest wait-focus TFormui Edit 5000 || fail "--window left the focus out of the edit box"
screenshot find-window-bare
pass "velkoro-find --window brings the window up with the focus in its edit box"

vktest send TFormui 0x10 0 0 >/dev/null  # WM_CLOSE hides it
vktest wait-window TFormui hidden 5000 || fail "the window did not hide"
txt_count=$("$FIND" -c '*.TXT')
[ "$txt_count" -ge 3 ] || fail "velkoro-find counts $txt_count .TXT files, not the 3 made here and the drive's own"
"$FIND" --window '*.TXT' || fail "--window '*.TXT' failed"
vktest wait-window TFormui visible 5000 || fail "--window '*.TXT' did not bring the window up"
vktest wait-text TFormui "$STATUS_BAR" "Number of files found = $txt_count" 5000 ||
  fail "--window '*.TXT': the status bar reads '$(vktest control-text TFormui "$STATUS_BAR")'"
screenshot find-window-searched
pass "velkoro-find --window '*.TXT' shows the window with its $txt_count files in the status bar"

end_session
status=0; "$FIND" --window >/dev/null 2>"$SCRATCH/err" || status=$?
[ "$status" = 2 ] && grep -qx 'velkoro-find: Velkoro is not running' "$SCRATCH/err" ||
  fail "--window with no program: status $status, '$(cat "$SCRATCH/err")'"
pass "--window with no program: status 2, not running"
