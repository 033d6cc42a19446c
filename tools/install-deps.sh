#!/usr/bin/env bash
# Installs the Debian packages that build, run and test Velkoro.
# Idempotent: packages already present are left alone.
set -euo pipefail

packages=(
  wine wine32 wine64
  # The 32-bit program, and the same source as a 64-bit one for kernels
  # that refuse 32-bit programs (tools/wine-arch.sh).
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools
  cmake ninja-build g++ clang libclang-rt-14-dev
  googletest libgtest-dev libbenchmark-dev
  xvfb xdotool x11-utils imagemagick
  # Xlib, for the hook library's native helper that grabs the hot key at
  # the X server (velkoro-hotkey).
  libx11-dev
  plocate fd-find python3
  # The help file's compiler.
  halibut
  # The look of a Windows 95 desktop: Marlett for the caption buttons and
  # the bitmap MS Sans Serif (the installation copies them into the prefix).
  fonts-wine
)

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
}

install_missing "${packages[@]}"

# A kernel that refuses 32-bit programs: the 32-bit program runs in an
# emulated PC (tools/x86-machine.sh), which boots Debian's kernel (fetched
# there).
source "$(dirname "$0")/wine-arch.sh"
if ! kernel_runs_32bit_programs; then
  install_missing qemu-system-x86 busybox-static
fi
