# Sourced by the run, test, installation and benchmark commands: which build
# of Velkoro runs on this machine, and the Wine that runs it.
#
# Velkoro is a 32-bit Windows 95 program, and Wine runs it as a 32-bit Linux
# process. A kernel that refuses 32-bit x86 programs (built or booted
# without IA-32 emulation) cannot run it at all. There the same source, built
# as a 64-bit program (cmake/mingw-x86_64.cmake), runs natively under wine64
# in a 64-bit prefix; the 32-bit program still runs in an emulated PC
# (tools/x86-machine.sh).
#
#   kernel_runs_32bit_programs      0 when the kernel runs them, 1 when it refuses them
#                                   (or when VELKORO_KERNEL_REFUSES_32BIT=1 says so, to
#                                   try the commands as such a machine runs them)
#   velkoro_build_arch              prints win32 or win64: the build that runs natively
#                                   here, unless VELKORO_BUILD_ARCH names one
#   velkoro_toolchain ARCH          prints the toolchain file of that build
#   use_wine_for ARCH               makes wine (and wineboot, winepath...) in this
#                                   shell and its children the loader for that build
#   pe_arch FILE                    prints win32 or win64 for a Windows program or DLL

kernel_runs_32bit_programs() {
  local loader=/usr/lib/wine/wine output
  [ "${VELKORO_KERNEL_REFUSES_32BIT:-}" != 1 ] || return 1
  [ -x "$loader" ] || return 0  # no 32-bit Wine: the package install reports that
  if output=$("$loader" --version 2>&1); then
    return 0
  fi
  case "$output" in
    *"Exec format error"*) return 1 ;;
    *) return 0 ;;  # some other trouble: let Wine report it itself
  esac
}

velkoro_build_arch() {
  case "${VELKORO_BUILD_ARCH:-}" in
    win32 | win64) echo "$VELKORO_BUILD_ARCH"; return 0 ;;
    "") ;;
    *) echo "VELKORO_BUILD_ARCH must be win32 or win64, not '$VELKORO_BUILD_ARCH'" >&2; return 2 ;;
  esac
  if kernel_runs_32bit_programs; then echo win32; else echo win64; fi
}

velkoro_toolchain() {
  local root
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  case "$1" in
    win32) echo "$root/cmake/mingw-i686.cmake" ;;
    win64) echo "$root/cmake/mingw-x86_64.cmake" ;;
  esac
}

# Debian's wine wrapper (and wineboot, winepath..., which call it by name)
# picks the 32-bit loader whenever wine32 is installed. For the 64-bit build
# a folder early on the PATH puts the 64-bit loader under those names.
use_wine_for() {
  # In the user's own cache, not a shared folder where another user could
  # put a program of theirs first; written afresh each time.
  local shims="${XDG_CACHE_HOME:-$HOME/.cache}/velkoro/wine64-bin"
  if [ "$1" = win64 ]; then
    mkdir -p "$shims"
    local name
    for name in wine wine-stable wine64; do
      printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$shims/$name.$$"
      chmod 755 "$shims/$name.$$"
      mv -f "$shims/$name.$$" "$shims/$name"
    done
    case ":$PATH:" in *":$shims:"*) ;; *) export PATH="$shims:$PATH" ;; esac
    export WINELOADER=/usr/lib/wine/wine64 WINEARCH=win64
  else
    # Wine's own choices, as a 32-bit program has always had them.
    PATH=${PATH//"$shims:"/}
    unset WINELOADER
    [ "${WINEARCH:-}" != win64 ] || unset WINEARCH
  fi
}

pe_arch() {
  local offset machine
  offset=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  machine=$(od -An -tx2 -j$((offset + 4)) -N2 "$1" | tr -d ' ')
  case "$machine" in
    8664) echo win64 ;;
    014c) echo win32 ;;
    *) echo "pe_arch: $1 is not a Windows x86 program" >&2; return 1 ;;
  esac
}

explain_emulated_machine() {
  cat >&2 <<MESSAGE

*** This machine's kernel refuses 32-bit x86 programs (/usr/lib/wine/wine:
*** Exec format error), and Wine runs the 32-bit Velkoro.exe as one. So this
*** runs $1 in an emulated PC whose kernel runs them (QEMU's
*** software emulation, on this machine's own files): the same binaries,
*** the same Wine, several times slower.
MESSAGE
}
