#!/usr/bin/env bash
# The monitor driver with the installed program: a storm of changes made on
# a fixed drive by a host program reaches the database while the program
# runs, and the tree saved at the end of the session equals the drive; so
# do names that differ only in case (twins), step by step and in a flood; a
# driver that cannot be loaded (4098) or that refuses the registration
# (4100) ends the program with its message.
source "$(dirname "$0")/lib.sh"

MEMDB_TREE=$(find "$VELKORO_BUILD" -name memdb_tree.exe -not -path '*/CMakeFiles/*' | head -n 1)
FIND=$(find "$VELKORO_BUILD" -name velkoro-find -type f -not -path '*/CMakeFiles/*' | head -n 1)
[ -x "$FIND" ] || fail "no built velkoro-find in $VELKORO_BUILD"
OUTSIDE="$SCRATCH/outside"

make_drive
mkdir -p "$OUTSIDE"
python3 - "$DRIVE_D" "$OUTSIDE" <<'PY'
import os, sys
drive, outside = sys.argv[1], sys.argv[2]
def tree(top, depth, files):
    path = top
    for level in range(depth):
        path = os.path.join(path, "level%d" % level)
        os.makedirs(path, exist_ok=True)
        for f in range(files):
            open(os.path.join(path, "f%02d.dat" % f), "w").close()
for i in range(10):
    tree(os.path.join(drive, "Old%02d" % i), 3, 10)
tree(os.path.join(drive, "Outgoing"), 4, 10)
tree(os.path.join(outside, "Incoming"), 4, 25)
# Twins present at the scan: files, and folders with files in each.
for path in ["Twins/Twin.txt", "Twins/twin.txt", "Twins/Pod/a.pod", "Twins/pod/a.pod", "Twins/pod/deep/b.pod"]:
    os.makedirs(os.path.dirname(os.path.join(drive, path)), exist_ok=True)
    open(os.path.join(drive, path), "w").close()
# The flood's source: a tree with twins (man pages, headers) to copy in.
for d in range(60):
    folder = os.path.join(outside, "Flood", "man%02d" % d)
    os.makedirs(folder)
    for f in range(150):
        open(os.path.join(folder, "page%03d.%d.gz" % (f, d % 9)), "w").close()
    for twin in ("_exit.2.gz", "_Exit.2.gz", "xt_CONNMARK.h", "xt_connmark.h"):
        open(os.path.join(folder, twin), "w").close()
    if d % 10 == 0:
        for twin in ("Pod", "pod"):
            os.makedirs(os.path.join(folder, twin))
            for f in range(20):
                open(os.path.join(folder, twin, "p%02d.pod" % f), "w").close()
PY
install_fresh --drive "D:fixed:$DRIVE_D"

# The driver's monitor is ready once its FIFOs exist: every directory of the
# fixed drives is watched by then.
driver_folder() {
  local folder
  for folder in /tmp/.velkoro-monitor-*; do
    grep -qaF "$WINEPREFIX/dosdevices/d:" "$folder/roots" 2>/dev/null && [ -p "$folder/records" ] && { echo "$folder"; return 0; }
  done
  return 1
}

# Quiet: nothing waits in the driver's channel, the monitor has not used
# the processor over the last samples, and the program no more than its
# idle ticks (applying changes keeps it busy; in an emulated PC, its timers
# alone cost a tick now and then).
driver_quiet() {
  python3 - "$(driver_folder)" "$WINEPREFIX" "${VELKORO_TIME_SCALE:-1}" <<'PY'
import fcntl, glob, os, sys, termios, time, struct
folder, prefix, scale = sys.argv[1], sys.argv[2], int(sys.argv[3])
idle_ticks = 2 * scale  # of the 25 in each quarter of a second
def pids():
    monitors, programs = [], []
    for d in glob.glob("/proc/[0-9]*"):
        try:
            cmd = open(d + "/cmdline", "rb").read()
            if folder.encode() in cmd:
                monitors.append(d)
            elif b"Velkoro.exe" in cmd and ("WINEPREFIX=" + prefix).encode() in open(d + "/environ", "rb").read().split(b"\0"):
                programs.append(d)
        except OSError:
            pass
    return monitors, programs
def cpu(d):
    fields = open(d + "/stat").read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])
def queued():
    fd = os.open(folder + "/records", os.O_WRONLY | os.O_NONBLOCK)
    try:
        return struct.unpack("i", fcntl.ioctl(fd, termios.FIONREAD, b"\0\0\0\0"))[0]
    finally:
        os.close(fd)
monitors, programs = pids()
if not monitors or not programs:
    sys.exit(1)
last = None
for _ in range(4):
    sample = ([cpu(d) for d in monitors], sum(cpu(d) for d in programs))
    if queued() != 0:
        sys.exit(1)
    if last is not None and (sample[0] != last[0] or sample[1] - last[1] > idle_ticks):
        sys.exit(1)
    last = sample
    time.sleep(0.25)
PY
}

start_and_wait_up
wait_until 60 driver_folder || fail "the driver's monitor did not come up"

# The storm, from a host program.
python3 - "$DRIVE_D" "$OUTSIDE" <<'PY'
import os, shutil, sys
drive, outside = sys.argv[1], sys.argv[2]
d = lambda *p: os.path.join(drive, *p)
# Thousands of creations in new deep directories.
for i in range(40):
    path = d("New%02d" % i)
    for level in range(6):
        path = os.path.join(path, "Deep%d" % level)
        os.makedirs(path)
        for f in range(8):
            open(os.path.join(path, "n%d.txt" % f), "w").close()
# Deletions and renames of files, old and new.
for i in range(10):
    for f in range(0, 10, 2):
        os.remove(d("Old%02d" % i, "level0", "f%02d.dat" % f))
    for f in range(1, 10, 2):
        os.rename(d("Old%02d" % i, "level0", "f%02d.dat" % f), d("Old%02d" % i, "level0", "r%02d.dat" % f))
for i in range(0, 40, 3):
    os.rename(d("New%02d" % i, "Deep0", "n0.txt"), d("New%02d" % i, "Deep0", "renamed.txt"))
# Directory renames and moves, then changes inside them.
for i in range(0, 10, 2):
    os.rename(d("Old%02d" % i), d("Moved%02d" % i))
    open(d("Moved%02d" % i, "level0", "after-rename.txt"), "w").close()
for i in range(1, 10, 4):
    os.rename(d("Old%02d" % i, "level0", "level1"), d("New%02d" % i, "Deep0", "adopted"))
# Directory removals.
for i in range(3, 10, 4):
    shutil.rmtree(d("Old%02d" % i))
for i in range(30, 40):
    shutil.rmtree(d("New%02d" % i, "Deep0", "Deep1", "Deep2"))
# A tree moved in, a tree moved out (and changed there).
os.rename(os.path.join(outside, "Incoming"), d("Incoming"))
open(d("Incoming", "level0", "arrived.txt"), "w").close()
os.rename(d("Outgoing"), os.path.join(outside, "Outgoing"))
open(os.path.join(outside, "Outgoing", "level0", "gone-away.txt"), "w").close()
# A burst of 5,000 creations in one directory.
os.makedirs(d("Burst"))
for f in range(5000):
    open(d("Burst", "b%04d.bin" % f), "w").close()
PY
wait_until 120 driver_quiet || fail "the driver did not settle after the storm"
end_session

# The drive as the scan would record it (every spelling of a twin its own
# line), sorted; with FILES only its files, below the folder given.
drive_picture() {
  python3 - "$DRIVE_D" "${1:-}" "${2:-}" <<'PY' | LC_ALL=C sort
import os, sys
drive, below, files_only = sys.argv[1], sys.argv[2], sys.argv[3]
lines = [] if files_only else ["D:\\"]
for top, dirs, files in os.walk(os.path.join(drive, below)):
    dirs[:] = [x for x in dirs if not x.startswith(".")]
    rel = os.path.relpath(top, drive)
    base = "D:\\" + ("" if rel == "." else rel.replace("/", "\\").upper() + "\\")
    if not files_only:
        lines += [base + x.upper() + "\\" for x in dirs]
    lines += [base + x.upper() for x in files if not x.startswith(".")]
print("\n".join(lines))
PY
}

# The saved tree equals the drive, as the scan would record it.
expect_saved_tree_equals_drive() {
  local expected saved
  expected=$(drive_picture)
  saved=$(wine "$MEMDB_TREE" 'C:\VELKORO\memdb.dat' | tr -d '\r' | grep -F 'D:\' | LC_ALL=C sort)
  [ "$(wc -l <<<"$expected")" -gt "$1" ] || fail "the drive holds fewer entries than $2 made"
  if [ "$saved" != "$expected" ]; then
    diff <(echo "$expected") <(echo "$saved") | head -20 >&2
    fail "after $2 the saved tree differs from the drive ($(wc -l <<<"$saved") saved, $(wc -l <<<"$expected") on the drive)"
  fi
  pass "$2 ($(wc -l <<<"$expected") entries): the saved tree equals the drive"
}
expect_saved_tree_equals_drive 7000 "a storm of changes"

# Twins, a row at a time: each change made on the host, then the running
# program's files below Twins (as velkoro-find lists them from its live
# database) must equal the drive's, spelling for spelling.
start_and_wait_up
wait_until 60 driver_folder || fail "the driver's monitor did not come up again"
twin_rows=(
  "twins present at the scan|:"
  "one twin deleted|rm Twins/twin.txt"
  "twins created live, lower case second|touch Twins/Other.txt && touch Twins/other.txt"
  "twins created live, upper case second|touch Twins/b.txt && touch Twins/B.TXT"
  "one of them deleted|rm Twins/other.txt"
  "one renamed to a third name|mv Twins/b.txt Twins/Third.txt"
  "one renamed onto the other's spelling|touch Twins/twin.txt && mv Twins/twin.txt Twins/Twin.txt"
  "twin folders created live, with files in each|mkdir Twins/Src Twins/src && touch Twins/Src/x.c Twins/src/x.c Twins/src/y.c"
  "a file deleted in a twin folder|rm Twins/pod/a.pod"
  "one twin folder removed|rm -r Twins/pod"
  "one twin folder renamed to a third name|mv Twins/src Twins/Lib"
)
live_twin_files() { "$FIND" --dos -0 'D:\TWINS\*' | tr '\0' '\n' | grep -F 'D:\TWINS\' | LC_ALL=C sort; }
twins_settled() { driver_quiet && [ "$(live_twin_files)" = "$(drive_picture Twins files)" ]; }
for row in "${twin_rows[@]}"; do
  (cd "$DRIVE_D" && bash -c "${row#*|}") || fail "could not make the change: ${row%%|*}"
  if ! wait_until 60 twins_settled; then
    diff <(drive_picture Twins files) <(live_twin_files) | head -10 >&2
    fail "twins, ${row%%|*}: the live database differs from the drive"
  fi
done
pass "twins: the live database equals the drive after each of ${#twin_rows[@]} rows"

# A flood of tens of thousands of changes with twins in it, far past the
# kernel's queue of changes: copied in as hard links, renamed, half
# removed, more added.
(cd "$DRIVE_D" && cp -al "$OUTSIDE/Flood" Flood && mv Flood Flooded && cp -al "$OUTSIDE/Flood" Second &&
  rm -r Flooded/man0* Flooded/man2* Flooded/man4* && mkdir -p More && cp -al "$OUTSIDE/Flood/man01" More/ &&
  rm -r Twins/Src && mv Second/man10 Second/MAN10) || fail "could not make the flood"
wait_until 180 driver_quiet || fail "the driver did not settle after the flood"
end_session
expect_saved_tree_equals_drive 20000 "a flood with twins and the twin rows"

# Starts the program, expects the driver's error box, keeps a picture of
# it, dismisses it and expects the program to end.
expect_driver_error() {
  local shot=$1 message=$2 text
  start_velkoro
  text=$(vktest wait-message-box "Velkoro 96" 60000) || fail "no error box for $shot"
  screenshot "$shot"
  vktest wait-message-box "Velkoro 96" 5000 ok >/dev/null
  grep -qF EInitialization <<<"$text" || fail "the box does not name the class: $text"
  grep -qF -- "$message" <<<"$text" || fail "the box lacks '$message': $text"
  wait_velkoro_exit 30 || fail "the program did not end after the driver's error"
}

# The driver refuses the registration: its monitor is missing.
mv "$(system_dir)/velkoro-monitor" "$SCRATCH/velkoro-monitor"
expect_driver_error driver-refused \
  "Failed to initialize the velkoro.vxd virtual device driver. Velkoro cannot continue execution at this time."
mv "$SCRATCH/velkoro-monitor" "$(system_dir)/velkoro-monitor"
pass "a driver that refuses the registration is reported with message 4100"

# A file of the driver's name that is no driver: it cannot be loaded.
cp "$(system_dir)/velkoro.vxd" "$SCRATCH/velkoro.vxd"
: >"$(system_dir)/velkoro.vxd"
expect_driver_error driver-not-loaded \
  "Failed to load the velkoro.vxd virtual device driver. Velkoro cannot continue execution at this time."
cp "$SCRATCH/velkoro.vxd" "$(system_dir)/velkoro.vxd"
pass "a driver that cannot be loaded is reported with message 4098"
