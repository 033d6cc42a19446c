#!/usr/bin/env bash
# Runs a command inside an emulated x86-64 PC whose kernel runs 32-bit
# programs, for hosts whose own kernel refuses them (Wine runs Velkoro.exe as
# a 32-bit Linux process, so nothing of the Win32 product can run there).
#
# The PC is QEMU's software emulation (no KVM needed) booting Debian's own
# kernel. Its root file system is this machine's, read-only, under a tmpfs
# overlay, so it has exactly the packages installed here; the project folder
# is shared writable at the same path, so that what the command writes there
# (logs, screenshots) stays. Everything else it writes is gone when it stops.
#
#   tools/x86-machine.sh COMMAND [ARGS...]
#
# Runs COMMAND in the current folder with the VELKORO_* variables of the
# caller, and exits with its exit status. Emulation makes the command several
# times slower: the tests' time limits take VELKORO_TIME_SCALE into account.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cache="$root/build/x86-machine"
memory=${VELKORO_MACHINE_MEMORY:-6G}

kernel_package() {
  apt-cache depends linux-image-amd64 2>/dev/null |
    awk '/Depends: linux-image-[0-9]/ { print $2; exit }'
}

# Debian's kernel, and a first stage with the few modules it needs: virtio,
# the 9P file system QEMU shares folders with, and overlayfs.
prepare_kernel() {
  local package
  package=$(kernel_package)
  if [ -z "$package" ]; then
    if [ "$(id -u)" -eq 0 ]; then apt-get update -q >/dev/null; else sudo apt-get update -q >/dev/null; fi
    package=$(kernel_package)
  fi
  [ -n "$package" ] || { echo "x86-machine.sh: no Debian kernel package found" >&2; return 1; }
  if [ ! -f "$cache/kernel-package" ] || [ "$(cat "$cache/kernel-package")" != "$package" ]; then
    rm -rf "$cache" && mkdir -p "$cache/download"
    (cd "$cache/download" && apt-get -q -o APT::Sandbox::User=root download "$package" >/dev/null)
    dpkg-deb -x "$cache"/download/*.deb "$cache/kernel"
    cp "$cache"/kernel/boot/vmlinuz-* "$cache/vmlinuz"
    rm -rf "$cache/download" "$cache/kernel/usr" "$cache/kernel/boot"
    echo "$package" >"$cache/kernel-package"
  fi
  local stamp
  stamp=$(cat "$root/tools/x86-machine-init" "$cache/kernel-package" | md5sum)
  [ -f "$cache/initrd.gz" ] && [ "$(cat "$cache/initrd-stamp" 2>/dev/null)" = "$stamp" ] && return 0

  local initrd="$cache/initrd" module file
  rm -rf "$initrd" && mkdir -p "$initrd"/{bin,modules,proc,sys,dev,lower,upper,newroot}
  cp "$(command -v busybox)" "$initrd/bin/busybox"
  for module in virtio_ring virtio virtio_pci_legacy_dev virtio_pci_modern_dev virtio_pci \
                netfs fscache 9pnet 9pnet_virtio 9p overlay; do
    file=$(find "$cache/kernel/lib/modules" -name "$module.ko" -o -name "$module.ko.xz" | head -n 1)
    [ -n "$file" ] || continue  # built into this kernel
    case "$file" in
      *.xz) xz -dc "$file" >"$initrd/modules/$module.ko" ;;
      *) cp "$file" "$initrd/modules/$module.ko" ;;
    esac
    echo "$module" >>"$initrd/modules/order"
  done
  cp "$root/tools/x86-machine-init" "$initrd/init"
  chmod +x "$initrd/init"
  (cd "$initrd" && find . | busybox cpio -o -H newc 2>/dev/null) | gzip -1 >"$cache/initrd.gz"
  echo "$stamp" >"$cache/initrd-stamp"
}

# Two machines may start at once: one prepares, the other waits.
mkdir -p "$root/build"
(
  flock 9
  prepare_kernel
) 9>"$root/build/x86-machine.lock"

# What the machine runs: the command, in this folder, with our variables.
exchange=$(mktemp -d)
trap 'rm -rf "$exchange"' EXIT
echo "$root" >"$exchange/project"
{
  echo "cd $(printf '%q' "$PWD")"
  export -p | grep -E '^declare -x VELKORO_' || true
  printf '%q ' "$@"
  echo
} >"$exchange/command"

# The emulated CPU model "max" without SMAP, SMEP, PKU and LA57: with them,
# this QEMU faults inside the guest kernel on 32-bit programs' system calls.
qemu-system-x86_64 -nodefaults -no-user-config -machine q35 \
  -cpu max,-smap,-smep,-pku,-la57 -smp "${VELKORO_MACHINE_CPUS:-$(nproc)}" -accel tcg,thread=multi -m "$memory" \
  -display none -serial stdio -no-reboot \
  -kernel "$cache/vmlinuz" -initrd "$cache/initrd.gz" \
  -append "console=ttyS0 quiet loglevel=3 panic=-1" \
  -virtfs local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap \
  -virtfs local,path="$root",mount_tag=project,security_model=none,multidevs=remap \
  -virtfs local,path="$exchange",mount_tag=exchange,security_model=none \
  </dev/null | stdbuf -o0 tr -d '\r'

if [ ! -f "$exchange/status" ]; then
  echo "x86-machine.sh: the emulated machine stopped before the command ended" >&2
  exit 1
fi
exit "$(cat "$exchange/status")"
