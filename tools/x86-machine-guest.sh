#!/bin/bash
# Second stage of the emulated machine (tools/x86-machine.sh), on the host's
# own files: the file systems a Linux session expects, then the command, its
# exit status left in the exchange folder, then power off.
mount -t tmpfs tmpfs /run
mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm
# What udev would make: bash's process substitution needs /dev/fd.
ln -sf /proc/self/fd /dev/fd
ln -sf /proc/self/fd/0 /dev/stdin
ln -sf /proc/self/fd/1 /dev/stdout
ln -sf /proc/self/fd/2 /dev/stderr
hostname velkoro-x86
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8
# The monitor driver watches every directory of the fixed drives.
sysctl -qw fs.inotify.max_user_watches=1048576 fs.inotify.max_user_instances=1024

status=1
bash /mnt/exchange/command </dev/null && status=0 || status=$?
echo "$status" >/mnt/exchange/status
sync
# Power off, and wait for it with builtins only: the host's files go first.
mkfifo /run/power-off
echo o >/proc/sysrq-trigger
read -r -t 60 <>/run/power-off
