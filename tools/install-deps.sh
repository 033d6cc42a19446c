#!/usr/bin/env bash
# Installs the Debian packages that build, run and test Velkoro.
# Idempotent: packages already present are left alone.
set -euo pipefail

packages=(
  wine wine32 wine64
  g++-mingw-w64-i686 mingw-w64-tools
  cmake ninja-build g++ clang libclang-rt-14-dev
  googletest libgtest-dev libbenchmark-dev
  xvfb xdotool x11-utils imagemagick
  plocate fd-find python3
  # The help file's compiler.
  halibut
  # The look of a Windows 95 desktop: Marlett for the caption buttons and
  # the bitmap MS Sans Serif (the installation copies them into the prefix).
  fonts-wine
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
