#!/usr/bin/env bash
# Installs what Velkoro needs, builds it, installs it into a Wine prefix set
# up as a Windows 95 machine and starts it, resident, with its icon in the
# notification area and its hot key (Ctrl+Alt+F) installed.
#
# With a display ($DISPLAY) it runs there. Without one it runs on a private
# virtual display under Wine's desktop window (task bar and notification
# area), writes a screenshot once the program is up, prints its path and
# keeps running until interrupted; then it ends the program cleanly, as the
# end of a Windows session does, so that the database is saved.
#
#   tools/run.sh [--autostart] [--demo PATTERN]
#
#   --autostart      also start Velkoro's Wine session at desktop log-on and
#                    end it cleanly at log-off (see tools/velkoro-install)
#   --demo PATTERN   (or VELKORO_DEMO) once the program is up, bring up the
#                    search window and search for PATTERN (for instance
#                    "*.TXT"), so that the screenshot shows the window with
#                    its results
#   VELKORO_BUILD_ARCH  win32 or win64: the build to run. By default the
#                    32-bit program, the Windows 95 target, where the kernel
#                    runs 32-bit programs, and the same source built as a
#                    64-bit program, under wine64, where it refuses them.
#                    win32 on such a kernel runs it in an emulated PC.
#   VELKORO_PREFIX   the Wine prefix (default ~/.velkoro96; a 64-bit build
#                    needs a 64-bit prefix)
#   VELKORO_DRIVE_D  the host folder that becomes the fixed drive D:
#                    (default: the home folder)
#   VELKORO_COMMAND_DIR  where the shell command velkoro-find goes (default
#                    ~/.local/bin, on the PATH of most desktops)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/wine-arch.sh"
bash "$root/tools/install-deps.sh"
arch=$(velkoro_build_arch)
build="$root/build/$arch"
prefix=${VELKORO_PREFIX:-$HOME/.velkoro96}
drive_d=${VELKORO_DRIVE_D:-$HOME}
install_options=()
demo=${VELKORO_DEMO:-}
arguments=("$@")
while [ $# -gt 0 ]; do
  case "$1" in
    --autostart) install_options+=(--autostart); shift ;;
    --demo) demo=${2:?--demo needs a pattern, for instance "*.TXT"}; shift 2 ;;
    *) echo "run.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$(velkoro_toolchain "$arch")" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j 2 --target Velkoro vkhook setup vktest velkoro_vxd velkoro_monitor velkoro_find velkoro_find_channel velkoro_scan_reader
# The help file, and the command with which the autostarted session ends.
cmake --build "$build" -j 2 --target velkoro_help endsession

if [ "$arch" = win32 ] && ! kernel_runs_32bit_programs; then
  explain_emulated_machine "the 32-bit Velkoro (VELKORO_BUILD_ARCH=win32)"
  echo "*** It runs there on a display of its own, whatever \$DISPLAY says: the screenshot" >&2
  echo "*** shows it. Its prefix lives in that PC's memory and goes with Ctrl+C." >&2
  # Arguments and VELKORO_* settings go along; the emulated PC has no display.
  VELKORO_BUILD_ARCH=win32 exec bash "$root/tools/x86-machine.sh" env -u DISPLAY bash "$root/tools/run.sh" "${arguments[@]}"
fi
use_wine_for "$arch"

export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
vktest() { wine "$build/tests/wine/vktest.exe" "$@"; }

# The display comes first: every Wine program of this session, the
# installation's included, must run on the same one.
source "$root/tools/private-display.sh"
private=""
if [ -z "${DISPLAY:-}" ]; then
  start_private_display 90
  private=1
fi
wineserver -k 2>/dev/null || true
"$root/tools/velkoro-install" --build "$build" --prefix "$prefix" --drive "D:fixed:$drive_d" \
  --command-dir "${VELKORO_COMMAND_DIR:-$HOME/.local/bin}" "${install_options[@]}"
if [ -n "$private" ]; then
  # Every program of the prefix runs in Wine's desktop window "shell", which
  # has a task bar and a notification area.
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d shell /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shell /d 1024x768 /f >/dev/null 2>&1
else
  wine reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f >/dev/null 2>&1 || true
fi
# The desktop setting takes effect with a new Wine session.
wineserver -w 2>/dev/null || true
# In a session of its own, so that Ctrl+C reaches only this script, which
# then ends the program cleanly.
setsid --wait wine 'C:\VELKORO\Velkoro.exe' &
program=$!

finish() {
  if kill -0 "$program" 2>/dev/null; then
    echo "Ending Velkoro as at the end of a Windows session (the database is saved)..."
    vktest send TFormui 0x11 0 0 >/dev/null 2>&1 || true
    vktest send TFormui 0x16 1 0 >/dev/null 2>&1 || true
    for _ in $(seq 1 600); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
  fi
  wineserver -k 2>/dev/null || true
  stop_private_display
}
trap finish EXIT
trap 'exit 0' INT TERM

# Up means: its icon is in the notification area (the first start scans
# the drives before it adds the icon).
for _ in $(seq 1 3000); do
  vktest tray-icon TFormui 132 >/dev/null 2>&1 && break
  kill -0 "$program" 2>/dev/null || { echo "Velkoro ended during start-up" >&2; exit 1; }
  sleep 0.2
done
vktest tray-icon TFormui 132 >/dev/null 2>&1 || { echo "Velkoro did not come up" >&2; exit 1; }
echo "Velkoro is running (prefix $prefix); press Ctrl+Alt+F for the search window."
if [ -n "$demo" ]; then
  # The search window, as a click on the notification-area icon brings it
  # up, with the pattern typed into it.
  vktest send TFormui TRAYACTIVATETOMBALO 0 0x201 >/dev/null 2>&1
  vktest wait-focus TFormui Edit 10000 >/dev/null 2>&1 || echo "The search window did not come up" >&2
  xdotool type --delay 15 "$demo"
  xdotool key Return
  for _ in $(seq 1 100); do
    vktest wait-focus TFormui SysListView32 100 >/dev/null 2>&1 && break
  done
  echo "Searched for $demo."
fi
if [ -n "$private" ]; then
  shot="$root/build/velkoro-screenshot.png"
  import -window root "$shot"
  echo "Screenshot: $shot"
fi
echo "Press Ctrl+C to end it."
while kill -0 "$program" 2>/dev/null; do sleep 1; done
