#!/usr/bin/env bash
# What the program says when it cannot start: another platform, a missing
# driver or hook library, a missing or mistyped setting.
source "$(dirname "$0")/lib.sh"

make_drive
install_fresh --drive "D:fixed:$DRIVE_D"
setup() { wine 'C:\windows\temp\velkoro-setup.exe' "$@"; }

# Starts the program, expects an error box captioned CAPTION whose text holds
# every further argument, dismisses it and expects the program to end.
expect_error_box() {
  local caption=$1 text
  shift
  start_velkoro
  text=$(vktest wait-message-box "$caption" 60000 ok) || fail "no message box '$caption'"
  for part in "$@"; do
    grep -qF -- "$part" <<<"$text" || fail "the message box lacks '$part': $text"
  done
  wait_velkoro_exit 30 || fail "the program did not end after its error box"
  tray_icon_present && fail "an icon was added although start-up failed"
  return 0
}

# Not the Windows 95 family.
setup platform win10
expect_error_box "Velkoro 96" "This program runs only under Windows 95"
setup platform win95
pass "refuses to run outside the Windows 95 family"

# The monitor driver is missing from the system directory.
mv "$(system_dir)/velkoro.vxd" "$SCRATCH/velkoro.vxd"
expect_error_box "Velkoro 96" "EInitialization" \
  "Failed to load the velkoro.vxd virtual device driver. Velkoro cannot continue execution at this time."
mv "$SCRATCH/velkoro.vxd" "$(system_dir)/velkoro.vxd"
pass "a missing velkoro.vxd is reported with message 4098"

# The hook library is missing everywhere: the program itself reports it.
mv "$INSTALL_DIR/vkhook.dll" "$SCRATCH/vkhook.dll"
expect_error_box "Velkoro 96" "EInitialization" \
  "Failed to load the vkhook.dll dynamic link library. Velkoro cannot continue execution at this time."
pass "a vkhook.dll missing everywhere is reported with message 4099"

# Present beside the program but not in the working directory ("Directory").
mv "$SCRATCH/vkhook.dll" "$INSTALL_DIR/vkhook.dll"
mkdir -p "$WINEPREFIX/drive_c/ELSEWHERE"
vktest reg-string "$SETTINGS" Directory 'C:\ELSEWHERE'
expect_error_box "Velkoro 96" "EInitialization" "Failed to load the vkhook.dll dynamic link library."
vktest reg-string "$SETTINGS" Directory 'C:\VELKORO'
pass "a vkhook.dll outside the working directory is reported with message 4099"

# A settings value that is missing, and one of the wrong type. Neither may
# cost the saved database.
printf 'saved' >"$INSTALL_DIR/memdb.dat"
vktest reg-delete "$SETTINGS" HotKeyShift
expect_error_box "Velkoro 96" "ERegistry" "The value: 'HotKeyShift'  of the key: 'Velkoro\\Settings' could not be opened"
vktest reg-dword "$SETTINGS" HotKeyShift 5
vktest reg-string "$SETTINGS" HotKey 1234
expect_error_box "Velkoro 96" "ERegistry" \
  "The data type for the  value 'HotKey' of the key 'Velkoro\\Settings' does not match the expected type: 'DWORD'."
vktest reg-dword "$SETTINGS" HotKey 70
[ "$(cat "$INSTALL_DIR/memdb.dat")" = saved ] || fail "a failed start-up overwrote memdb.dat"
[ "$(setting SaveSuccessful)" = 0 ] || fail "a failed start-up marked the save good"
pass "missing and mistyped settings are reported with messages 8193 and 8194, memdb.dat kept"

# On the load path a missing "CRC32" fails the start-up; the database that
# could not be loaded must not then replace the file.
printf 'saved' >"$INSTALL_DIR/memdb.dat"
before=$(md5sum <"$INSTALL_DIR/memdb.dat")
vktest reg-dword "$SETTINGS" SaveSuccessful 1
vktest reg-delete "$SETTINGS" CRC32
expect_error_box "Velkoro 96" "ERegistry" "The value: 'CRC32'  of the key: 'Velkoro\\Settings' could not be opened"
[ "$(md5sum <"$INSTALL_DIR/memdb.dat")" = "$before" ] || fail "a failed load overwrote memdb.dat"
[ "$(setting SaveSuccessful)" = 1 ] || fail "a failed load changed SaveSuccessful"
vktest reg-dword "$SETTINGS" CRC32 0
pass "a missing CRC32 on the load path is reported, memdb.dat kept"
