# Shared by the end-to-end tests: the installed program in the test prefix,
# driven from outside through vktest.exe. Every wait has a bound.
set -euo pipefail

: "${WINEPREFIX:?the test command sets WINEPREFIX}"
: "${DISPLAY:?the test command sets DISPLAY}"
: "${VELKORO_BUILD:?}" "${VELKORO_SOURCE:?}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

VKTEST=$(find "$VELKORO_BUILD" -name vktest.exe -not -path '*/CMakeFiles/*' | head -n 1)
SETTINGS='Velkoro\Settings'
INSTALL_DIR="$WINEPREFIX/drive_c/VELKORO"
ARTIFACTS="${VELKORO_ARTIFACTS:-$VELKORO_BUILD/test-artifacts}"
mkdir -p "$ARTIFACTS"
VELKORO_PID=""
SCRATCH=$(mktemp -d)

# Console output under Wine ends its lines with CR LF.
# A status other than vktest's own 0 and 1 is Wine's (vktest did not run,
# or crashed): say so, as nothing else would.
vktest() {
  local status=0
  wine "$VKTEST" "$@" | tr -d '\r' || status=$?
  [ "$status" -le 1 ] || echo "vktest $1: ended with status $status" >&2
  return "$status"
}
# A failing test leaves a picture of the screen as it failed.
fail() {
  echo "FAIL: $*" >&2
  [ -n "${DISPLAY:-}" ] && import -window root "$ARTIFACTS/failed-$(basename "$0" .sh).png" 2>/dev/null
  exit 1
}
pass() { echo "PASS: $*"; }

# The program's system directory: syswow64 for the 32-bit program in a
# 64-bit prefix, system32 otherwise.
source "$VELKORO_SOURCE/tools/wine-arch.sh"
SYSTEM_DIR_NAME=system32
if [ "$(pe_arch "$(find "$VELKORO_BUILD" -name Velkoro.exe -not -path '*/CMakeFiles/*' | head -n 1)")" = win32 ] &&
   [ -d "$WINEPREFIX/drive_c/windows/syswow64" ]; then
  SYSTEM_DIR_NAME=syswow64
fi
system_dir() { echo "$WINEPREFIX/drive_c/windows/$SYSTEM_DIR_NAME"; }

# A fresh installation; further arguments go to the installation tool (for
# instance --drive D:fixed:FOLDER). Z: stays reachable as a network drive,
# which the scan skips, so the tests can run programs from the build folder.
install_fresh() {
  stop_all
  rm -rf "$INSTALL_DIR"
  "$VELKORO_SOURCE/tools/velkoro-install" --build "$VELKORO_BUILD" --prefix "$WINEPREFIX" \
    --host-drive network "$@" >/dev/null
}

# Starts the installed program in the background.
start_velkoro() {
  (cd "$INSTALL_DIR" && exec wine 'C:\VELKORO\Velkoro.exe') >"$SCRATCH/velkoro.log" 2>&1 &
  VELKORO_PID=$!
}

# Waits until the program started last has ended.
wait_velkoro_exit() {
  local limit=$(( ${1:-30} * ${VELKORO_TIME_SCALE:-1} )) waited=0
  while kill -0 "$VELKORO_PID" 2>/dev/null; do
    [ "$waited" -lt $((limit * 10)) ] || return 1
    sleep 0.1
    waited=$((waited + 1))
  done
  wait "$VELKORO_PID" 2>/dev/null || true
}

# The end of the Windows session, as the platform announces it.
end_session() {
  vktest send TFormui 0x11 0 0 >/dev/null
  vktest send TFormui 0x16 1 0 >/dev/null || true
  wait_velkoro_exit 30 || fail "the program did not end after the session ended"
}

stop_all() {
  if [ -n "$VELKORO_PID" ] && kill -0 "$VELKORO_PID" 2>/dev/null; then
    kill "$VELKORO_PID" 2>/dev/null || true
    wait "$VELKORO_PID" 2>/dev/null || true
  fi
  VELKORO_PID=""
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
}

# Wine's desktop window "shell" (task bar, notification area) for every
# program of the prefix. Under it Wine moves the X focus with its foreground
# window, so that keys typed with xdotool reach the window in front. It takes
# effect with the next Wine session: call it before start_velkoro.
use_wine_desktop() {
  stop_all
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d shell /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shell /d 1024x768 /f >/dev/null 2>&1
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
}

# Under Wine's desktop window the X focus is now and then left to the
# pointer (PointerRoot), and typed keys then go to the window under it, not
# to the foreground window: before typing into a window that has just come
# to the front, put the pointer over it, as a person's hand would be.
keys_reach() {
  local left top right bottom
  read -r left top right bottom < <(vktest window-rect "$1") || return 1
  xdotool mousemove $(((left + right) / 2)) $(((top + bottom) / 2))
}

# Another program's window in front, titled TITLE, with the pointer over it
# so that X gives it the keys; its process number in CALLER_PID.
start_caller() {
  vktest caller "$1" 60000 >"$SCRATCH/caller.log" 2>&1 &
  CALLER_PID=$!
  vktest wait-window VkTestCaller visible 20000 || fail "the caller window did not appear"
  keys_reach VkTestCaller
}

setting() { vktest reg-get "$SETTINGS" "$1" | awk '{print $2}'; }

screenshot() { import -window root "$ARTIFACTS/$1.png" 2>/dev/null || true; }

trap 'stop_all; rm -rf "$SCRATCH"' EXIT

# Runs a command until it succeeds, for at most SECONDS (times
# VELKORO_TIME_SCALE, which an emulated PC sets).
wait_until() {
  local limit=$(( $1 * ${VELKORO_TIME_SCALE:-1} )) start=$SECONDS
  shift
  until "$@" >/dev/null 2>&1; do
    [ $((SECONDS - start)) -lt "$limit" ] || return 1
    sleep 0.2
  done
}

tray_icon_present() { vktest tray-icon TFormui 132 2>/dev/null; }
velkoro_running() { kill -0 "$VELKORO_PID" 2>/dev/null; }

# The CRC-32 of a file, from the gzip trailer (the same standard CRC-32).
file_crc() { gzip -c "$1" | tail -c 8 | head -c 4 | od -An -tu4 | tr -d ' '; }

# A small drive of its own for the scan: D: as a fixed disk.
make_drive() {
  DRIVE_D="$SCRATCH/drive-d"
  mkdir -p "$DRIVE_D/Program Files/Tools" "$DRIVE_D/Data"
  echo notes >"$DRIVE_D/Data/Notes.txt"
  echo readme >"$DRIVE_D/README"
  echo tool >"$DRIVE_D/Program Files/Tools/tool.exe"
}

# A tree of about COUNT files under FOLDER, in directories of 100, so that a
# scan of it takes a while.
make_large_tree() {
  local folder=$1 count=$2
  python3 - "$folder" "$count" <<'PY'
import os, sys
folder, count = sys.argv[1], int(sys.argv[2])
for d in range((count + 99) // 100):
    path = os.path.join(folder, "DIR%04d" % d, "SUB")
    os.makedirs(path, exist_ok=True)
    for f in range(100):
        open(os.path.join(path, "FILE%03d.TXT" % f), "w").close()
PY
}

# Whether the saved database holds NAME (names are stored in upper case).
database_holds() { grep -qaF -- "$1" "$INSTALL_DIR/memdb.dat"; }

# Starts the program and waits until it is up (its icon is there).
start_and_wait_up() {
  start_velkoro
  wait_until 120 tray_icon_present || fail "the program did not come up"
}
