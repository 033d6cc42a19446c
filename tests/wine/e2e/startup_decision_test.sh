#!/usr/bin/env bash
# Every row of the load-or-scan decision: "SaveSuccessful" (S) and
# "StartupOptions" (O) decide between loading memdb.dat and scanning.
# What the database held is read back from the file saved at the session's
# end: a load keeps it as it was, a scan sees a file added to drive D: since.
source "$(dirname "$0")/lib.sh"

make_drive
install_fresh --drive "D:fixed:$DRIVE_D"
start_and_wait_up
end_session
cp "$INSTALL_DIR/memdb.dat" "$SCRATCH/valid.dat"
valid_crc=$(setting CRC32)
database_holds NOTES.TXT || fail "the first scan did not record D:\\Data\\Notes.txt"
echo new >"$DRIVE_D/Data/Added.txt"

# Prepares memdb.dat, its CRC32 and the two settings for one row.
prepare() {
  local file=$1 s=$2 o=$3
  case "$file" in
    valid) cp "$SCRATCH/valid.dat" "$INSTALL_DIR/memdb.dat"; vktest reg-dword "$SETTINGS" CRC32 "$valid_crc" ;;
    damaged) cp "$SCRATCH/valid.dat" "$INSTALL_DIR/memdb.dat"; printf 'X' | dd of="$INSTALL_DIR/memdb.dat" bs=1 seek=5 conv=notrunc status=none
             vktest reg-dword "$SETTINGS" CRC32 "$valid_crc" ;;
  esac
  vktest reg-dword "$SETTINGS" SaveSuccessful "$s"
  vktest reg-dword "$SETTINGS" StartupOptions "$o"
}

# S=1, O=1, valid file: loaded, no scan; 0 while running, 1 after the end.
prepare valid 1 1
start_and_wait_up
[ "$(setting SaveSuccessful)" = 0 ] || fail "S=1/O=1: SaveSuccessful not 0 while running"
cmp -s "$INSTALL_DIR/memdb.dat" "$SCRATCH/valid.dat" || fail "S=1/O=1: memdb.dat rewritten at start-up"
end_session
[ "$(setting SaveSuccessful)" = 1 ] || fail "S=1/O=1: SaveSuccessful not 1 after the session ended"
database_holds ADDED.TXT && fail "S=1/O=1: the drives were scanned"
database_holds NOTES.TXT || fail "S=1/O=1: the loaded database was lost"
pass "S=1 O=1 with a valid file: loaded, no scan"

# S=1, O=3, damaged file: the panel comes and goes, no scan, empty database.
prepare damaged 1 3
start_and_wait_up
[ "$(setting SaveSuccessful)" = 0 ] || fail "S=1/O=3: SaveSuccessful not 0"
end_session
[ "$(od -An -tu4 -N4 "$INSTALL_DIR/memdb.dat" | tr -d ' ')" = 0 ] && [ "$(stat -c %s "$INSTALL_DIR/memdb.dat")" = 4 ] \
  || fail "S=1/O=3: the database was not empty"
pass "S=1 O=3 with a damaged file: no scan, empty database"

# S=0, O=2, valid file: loaded although the last run did not end cleanly.
prepare valid 0 2
start_and_wait_up
[ "$(setting SaveSuccessful)" = 0 ] || fail "S=0/O=2: SaveSuccessful not 0"
end_session
database_holds ADDED.TXT && fail "S=0/O=2: the drives were scanned"
database_holds NOTES.TXT || fail "S=0/O=2: the database was not loaded"
pass "S=0 O=2 with a valid file: loaded, no scan"

# S=0, O=1: a full scan, which saves the file; SaveSuccessful stays 0.
prepare valid 0 1
start_and_wait_up
database_holds ADDED.TXT || fail "S=0/O=1: no scan"
[ "$(setting SaveSuccessful)" = 0 ] || fail "S=0/O=1: SaveSuccessful changed by the scan"
[ "$(setting CRC32)" = "$(file_crc "$INSTALL_DIR/memdb.dat")" ] || fail "S=0/O=1: the scan's save has the wrong CRC32"
end_session
pass "S=0 O=1: scanned"

# A cancelled start-up scan: no message loop, no icon, file and setting kept.
make_large_tree "$DRIVE_D/Large" 100000
# The native lister walks this tree in well under a second, before a click
# can reach Cancel; through Wine the walk takes several. Its own Cancel is
# tested beside it (native_listing_tests).
mv "$INSTALL_DIR/velkoro-scan-reader" "$INSTALL_DIR/velkoro-scan-reader.aside"
prepare valid 0 1
before=$(md5sum <"$INSTALL_DIR/memdb.dat")
start_velkoro
vktest wait-window TfrmSplash visible 60000 || fail "no progress panel"
# The start-up splash comes first; the scan's panel is the one with Cancel (2).
vktest wait-control TfrmSplash 2 visible 60000 || fail "no Cancel on the progress panel"
screenshot scan-progress-panel
vktest post TfrmSplash 0x111 2 0  # Cancel
text=$(vktest wait-message-box Velkoro 30000 yes) || fail "no confirmation of the cancel"
grep -qF "Cancelling the scan operation now will shut down Velkoro. Are you sure you wish to continue?" <<<"$text" \
  || fail "the confirmation reads: $text"
wait_velkoro_exit 60 || fail "the program did not end after the cancelled scan"
[ "$(md5sum <"$INSTALL_DIR/memdb.dat")" = "$before" ] || fail "the cancelled scan changed memdb.dat"
[ "$(setting SaveSuccessful)" = 0 ] || fail "the cancelled scan changed SaveSuccessful"
mv "$INSTALL_DIR/velkoro-scan-reader.aside" "$INSTALL_DIR/velkoro-scan-reader"
pass "a cancelled start-up scan ends the program, saving nothing"

# A save that fails at the session's end leaves SaveSuccessful at 0, so the
# next start scans instead of loading a file that was never written.
rm -rf "$DRIVE_D/Large"
prepare valid 0 1
start_and_wait_up
rm -f "$INSTALL_DIR/memdb.dat"
mkdir "$INSTALL_DIR/memdb.dat"  # the file can no longer be created
end_session
[ "$(setting SaveSuccessful)" = 0 ] || fail "a failed save was marked good"
rmdir "$INSTALL_DIR/memdb.dat"
pass "a failed save leaves SaveSuccessful at 0"
