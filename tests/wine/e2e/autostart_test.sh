#!/usr/bin/env bash
# The desktop autostart: without --autostart the installation writes nothing
# outside the prefix; with it, the entry's command starts the Wine session,
# whose log-on entry starts Velkoro, and SIGTERM at the end of the desktop
# session ends Velkoro as the end of a Windows session does: memdb.dat saved
# and marked good. The entry's command runs with a desktop session's plain
# PATH and starts the loader of the installed build by itself.
source "$(dirname "$0")/lib.sh"

# A home and a configuration folder of the test's own.
export HOME="$SCRATCH/home" XDG_CONFIG_HOME="$SCRATCH/config"
mkdir -p "$HOME"
ENTRY="$XDG_CONFIG_HOME/autostart/velkoro96.desktop"

rm -f "$WINEPREFIX/velkoro-session"  # the test prefix outlives the tests
install_fresh
[ ! -e "$XDG_CONFIG_HOME" ] || fail "an installation without --autostart wrote $(find "$XDG_CONFIG_HOME")"
[ ! -e "$WINEPREFIX/velkoro-session" ] || fail "an installation without --autostart left the session command"
pass "without --autostart nothing is written outside the prefix"

install_fresh --autostart
[ -f "$ENTRY" ] || fail "no autostart entry at $ENTRY"
grep -qx 'Type=Application' "$ENTRY" || fail "the entry is not an application entry"
exec_line=$(sed -n 's/^Exec=//p' "$ENTRY")
[ -n "$exec_line" ] || fail "the entry has no Exec line"
# The entry quotes its arguments; these paths need no escapes.
eval "set -- $exec_line"
[ "$1" = "$WINEPREFIX/velkoro-session" ] && [ "$2" = "$WINEPREFIX" ] \
  || fail "the entry runs '$exec_line'"
pass "--autostart writes the desktop entry"

# Started as the desktop starts it, at log-on: with a desktop session's own
# PATH, without the test command's wine64 stand-ins, so that on a kernel
# that refuses 32-bit programs Debian's wine would fail.
PATH=/usr/local/bin:/usr/bin:/bin "$@" >"$SCRATCH/session.log" 2>&1 &
session=$!
wait_until 120 tray_icon_present || fail "the autostarted session did not start Velkoro"
[ ! -e "$INSTALL_DIR/memdb.dat" ] || [ "$(setting SaveSuccessful)" = 0 ] \
  || fail "SaveSuccessful is already 1 while Velkoro runs"
screenshot autostart-running

# The desktop session ends.
kill -TERM "$session"
for _ in $(seq 1 600); do kill -0 "$session" 2>/dev/null || break; sleep 0.1; done
kill -0 "$session" 2>/dev/null && fail "the session command did not end within 60 s of SIGTERM"
wait "$session" || fail "the session command failed: $(cat "$SCRATCH/session.log")"
[ -s "$INSTALL_DIR/memdb.dat" ] || fail "no memdb.dat after the desktop session ended"
[ "$(setting SaveSuccessful)" = 1 ] || fail "SaveSuccessful is not 1 after the desktop session ended"
[ "$(setting CRC32)" = "$(file_crc "$INSTALL_DIR/memdb.dat")" ] || fail "CRC32 does not match memdb.dat"
pass "SIGTERM ends the Wine session cleanly: memdb.dat saved and marked good"
