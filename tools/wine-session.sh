#!/usr/bin/env bash
# Runs a command inside a Wine session of its own: a private Xvfb display
# and a Wine prefix set up as a Windows 95 machine, both ended afterwards.
# The Wine is the one for VELKORO_BUILD_ARCH (win32 or win64), by default
# the build that runs natively here (tools/wine-arch.sh); a prefix is made
# for one of them only.
#
#   tools/wine-session.sh PREFIX COMMAND [ARGS...]
set -euo pipefail

source "$(dirname "$0")/wine-arch.sh"
use_wine_for "$(velkoro_build_arch)"

mkdir -p "$1"
prefix=$(cd "$1" && pwd)
shift
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

source "$(dirname "$0")/private-display.sh"
cleanup() {
  wineserver -k 2>/dev/null || true
  stop_private_display
}
trap cleanup EXIT
start_private_display 90

if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$prefix"
  wineboot -i >/dev/null 2>&1
fi
# Windows 95, and a crash ends the program instead of waiting on a dialog.
wine reg add 'HKCU\Software\Wine' /v Version /d win95 /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
# There is no window manager on this display: Wine would wait 2 s for one to
# withdraw every window that is hidden.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1

"$@"
