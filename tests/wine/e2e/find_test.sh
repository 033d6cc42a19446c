#!/usr/bin/env bash
# velkoro-find against the installed program and its real driver: host
# files created, renamed and deleted and the answers following them; a
# folder given as a host path; the real case of names; --dos, -0, -c, -l;
# locate's dialect (-r, -e, --exact); status 1 and 2 with their messages;
# damaged and dropped requests; many shells at once; the search window's
# rows, selection and status left as they were throughout; a stopped
# program given up. Then the channel's end with the program, its end when
# the program is killed, and its return at the next start.
source "$(dirname "$0")/lib.sh"

FIND=$(find "$VELKORO_BUILD" -name velkoro-find -type f -not -path '*/CMakeFiles/*' | head -n 1)
[ -x "$FIND" ] || fail "no built velkoro-find in $VELKORO_BUILD"
CHANNEL="$WINEPREFIX/.velkoro-find"
STATUS_BAR=1006
IDM_SCAN_DRIVES=101
IDM_EXIT=104
CANCEL=2  # the progress panel's Cancel, shown only while a scan runs

make_drive
mkdir -p "$DRIVE_D/Data/Letters" "$DRIVE_D/Twins" "$DRIVE_D/.hidden"
for name in Data/VKDOC1.TXT Data/vkdoc2.txt Data/Letters/VkDoc3.Txt Data/Letters/Letter.txt \
  Data/MixedCase.Txt Twins/Same.cfg Twins/SAME.cfg .hidden/secret.txt; do
  echo text >"$DRIVE_D/$name"
done
# More paths than a FIFO of 64 KB holds at once: the answer is streamed
# to a client that leaves its FIFO at that size.
mkdir -p "$DRIVE_D/Data/Bulk"
(cd "$DRIVE_D/Data/Bulk" && seq -f 'bulk-file-with-a-longer-name-%04g.dat' 2000 | xargs touch)
# A tree for File > Scan Drives, hidden from the scan (a leading ".") until
# then; in memory where the machine has a memory file system.
LARGE_ROOT=$(mktemp -d /dev/shm/velkoro-e2e.XXXXXX 2>/dev/null || mktemp -d)
trap 'stop_all; rm -rf "$SCRATCH" "$LARGE_ROOT"' EXIT
make_large_tree "$LARGE_ROOT/.Large" 100000
install_fresh --drive "D:fixed:$DRIVE_D" --drive "E:fixed:$LARGE_ROOT"
use_wine_desktop
start_and_wait_up
wait_until 30 "$FIND" -c '*' || fail "velkoro-find got no answer once the program was up"
[ "$(stat -c %a "$CHANNEL")" = 700 ] || fail "the channel's folder is mode $(stat -c %a "$CHANNEL"), not 700"

# The window's own search, whose rows the shell must never disturb.
status_text() { vktest control-text TFormui "$STATUS_BAR"; }
found_as_any() { "$FIND" -c "$1" >/dev/null; }
vktest send TFormui TRAYACTIVATETOMBALO 0 0x201 >/dev/null
vktest wait-window TFormui visible 10000 && vktest wait-focus TFormui Edit 5000 || fail "the window did not come up"
keys_reach TFormui
xdotool type --delay 15 'vkdoc*.txt'
xdotool key Return
vktest wait-text TFormui "$STATUS_BAR" "Number of files found = 3" 5000 || fail "the window did not find the 3 documents"
vktest wait-focus TFormui SysListView32 5000 || fail "the focus did not move to the grid"
xdotool key Down
xdotool key ctrl+c
window_row=$(vktest clipboard)
window_status=$(status_text)
case "$window_row" in 'D:\DATA\'*VKDOC*.TXT) ;; *) fail "the window's second row copies '$window_row'" ;; esac

# Real case from the host, drive paths with --dos, the count, the limit.
[ "$("$FIND" 'mixedcase.txt')" = "$DRIVE_D/Data/MixedCase.Txt" ] || fail "the real case: '$("$FIND" 'mixedcase.txt')'"
[ "$("$FIND" --dos 'mixedcase.txt')" = 'D:\DATA\MIXEDCASE.TXT' ] || fail "--dos: '$("$FIND" --dos 'mixedcase.txt')'"
"$FIND" '*.txt' | sort >"$SCRATCH/all-txt"
find "$DRIVE_D" -iname '*.txt' -not -path '*/.*' | sort >"$SCRATCH/host-txt"
diff "$SCRATCH/host-txt" "$SCRATCH/all-txt" >&2 || fail "'*.txt' does not list the host's .txt files in their real case"
[ "$("$FIND" -c '*.TXT')" = "$(wc -l <"$SCRATCH/host-txt")" ] || fail "-c counts $("$FIND" -c '*.TXT')"
[ "$("$FIND" -l 2 '*.txt' | wc -l)" = 2 ] || fail "-l 2 gave $("$FIND" -l 2 '*.txt' | wc -l) lines"
[ "$("$FIND" -0 '*.txt' | tr -cd '\0' | wc -c)" = "$(wc -l <"$SCRATCH/host-txt")" ] || fail "-0 does not end each result with a NUL"
[ "$("$FIND" -0 '*.txt' | tr '\0' '\n' | sort)" = "$(cat "$SCRATCH/all-txt")" ] || fail "-0 lists other results"
"$FIND" 'bulk-*' | sort >"$SCRATCH/bulk"
[ "$(wc -l <"$SCRATCH/bulk")" = 2000 ] && [ "$(sort -u "$SCRATCH/bulk" | wc -l)" = 2000 ] || fail "a streamed answer has $(wc -l <"$SCRATCH/bulk") paths, not 2000 different ones"
# A reader that stops early: the program's writes fail, and it serves on.
first=$("$FIND" --dos 'bulk-*' | head -n 1 || true)
case "$first" in 'D:\DATA\BULK\BULK-FILE-WITH-A-LONGER-NAME-'????.DAT) ;; *) fail "the first line of a streamed answer: '$first'" ;; esac
[ "$("$FIND" -c 'bulk-*')" = 2000 ] || fail "the channel did not serve on after a reader stopped early"
pass "real case, --dos, -c, -l and -0; 2000 paths at once, and cut short by their reader"

# Two names that differ only in case: each printed once, and the user told.
"$FIND" 'same.cfg' >"$SCRATCH/twins" 2>"$SCRATCH/twins.err" || fail "same.cfg was not found"
[ "$(grep -c 'differ only in case' "$SCRATCH/twins.err")" = 1 ] || fail "not one word of names that differ only in case: $(cat "$SCRATCH/twins.err")"
[ "$(sort "$SCRATCH/twins")" = "$(printf '%s\n' "$DRIVE_D/Twins/SAME.cfg" "$DRIVE_D/Twins/Same.cfg")" ] \
  || fail "same.cfg printed as '$(cat "$SCRATCH/twins")'"
pass "names that differ only in case: $(head -c 200 "$SCRATCH/twins.err")"

# A folder as a host path, with ~ and without; one on no fixed drive.
[ "$("$FIND" "$DRIVE_D/Data/Letters/*.txt" | sort)" = "$(printf '%s\n' "$DRIVE_D/Data/Letters/Letter.txt" "$DRIVE_D/Data/Letters/VkDoc3.Txt")" ] \
  || fail "a host folder: '$("$FIND" "$DRIVE_D/Data/Letters/*.txt")'"
[ "$(HOME="$DRIVE_D/Data" "$FIND" --dos '~/Letters/letter.*')" = 'D:\DATA\LETTERS\LETTER.TXT' ] \
  || fail "a folder under ~: '$(HOME="$DRIVE_D/Data" "$FIND" --dos '~/Letters/letter.*')'"
status=0; "$FIND" '/usr/*.so' >"$SCRATCH/out" 2>"$SCRATCH/err" || status=$?
[ "$status" = 2 ] && grep -q 'lies on no fixed drive' "$SCRATCH/err" || fail "a folder on no drive: status $status, '$(cat "$SCRATCH/err")'"
status=0; "$FIND" "$DRIVE_D/no-such-folder/*.txt" 2>"$SCRATCH/err" || status=$?
[ "$status" = 2 ] && grep -q 'no-such-folder' "$SCRATCH/err" || fail "a missing folder: status $status, '$(cat "$SCRATCH/err")'"
status=0; "$FIND" 'no-such-name*' >"$SCRATCH/out" 2>&1 || status=$?
[ "$status" = 1 ] && [ ! -s "$SCRATCH/out" ] || fail "nothing found: status $status, '$(cat "$SCRATCH/out")'"
pass "host folders, the refusal of a folder on no drive, status 1"

# locate's dialect: a name without wildcards is held anywhere in the name,
# in any case, also after a host folder; --exact keeps the window's
# whole-name rule; -i and -b change nothing; -r with and without a plain
# piece to narrow by; a broken expression; -e with a file removed behind
# the index's back (its monitor stopped), before the printing.
documents=$(printf '%s\n' 'D:\DATA\LETTERS\VKDOC3.TXT' 'D:\DATA\VKDOC1.TXT' 'D:\DATA\VKDOC2.TXT' | sort)
dialect_row() {
  local expected=$1 got
  shift
  got=$("$FIND" --dos "$@" | sort) || true
  [ "$got" = "$expected" ] || fail "velkoro-find --dos $*: '$got', not '$expected'"
}
dialect_row "$documents" vkdoc
dialect_row "$documents" -i -b VkDoC
dialect_row 'D:\DATA\LETTERS\LETTER.TXT' "$DRIVE_D/Data/Letters/ETTER"
dialect_row "$documents" -r '^vkdoc[0-9]\.txt$'
dialect_row "$documents" -r '[v][k][d][o][c][1-3]'
dialect_row 'D:\DATA\MIXEDCASE.TXT' --exact mixedcase.txt
status=0; "$FIND" --exact vkdoc >/dev/null || status=$?
[ "$status" = 1 ] || fail "--exact vkdoc: status $status, not 1"
[ "$("$FIND" -c -r 'doc[0-9]')" = 3 ] || fail "-c -r counts $("$FIND" -c -r 'doc[0-9]')"
status=0; "$FIND" -r 'vk(doc' >"$SCRATCH/out" 2>"$SCRATCH/err" || status=$?
[ "$status" = 2 ] && grep -q '^velkoro-find: vk(doc: .*[Uu]nmatched' "$SCRATCH/err" || fail "a broken expression: status $status, '$(cat "$SCRATCH/err")'"
monitor=""
for process in /proc/[0-9]*; do
  [ "$(readlink "$process/exe" 2>/dev/null)" = "$(system_dir)/velkoro-monitor" ] && monitor=${process#/proc/}
done
[ -n "$monitor" ] || fail "no velkoro-monitor of this prefix"
kill -STOP "$monitor"
rm "$DRIVE_D/Data/vkdoc2.txt"
stale=$("$FIND" --dos vkdoc2)
existing=$("$FIND" -e vkdoc2; "$FIND" -e --dos vkdoc2) || true
kill -CONT "$monitor"
[ "$stale" = 'D:\DATA\VKDOC2.TXT' ] || fail "with the monitor stopped, the index should still hold vkdoc2.txt: '$stale'"
[ -z "$existing" ] || fail "-e printed a removed file: '$existing'"
[ "$("$FIND" -e -r 'vkdoc[13]' | sort)" = "$(printf '%s\n' "$DRIVE_D/Data/Letters/VkDoc3.Txt" "$DRIVE_D/Data/VKDOC1.TXT" | sort)" ] ||
  fail "-e -r: '$("$FIND" -e -r 'vkdoc[13]')'"
echo text >"$DRIVE_D/Data/vkdoc2.txt"
wait_until 5 found_as_any vkdoc2 || fail "vkdoc2.txt did not come back"
pass "the dialect: names held, --exact, -i -b, -r with and without a piece, a broken expression, -e"

# Changes made by a Linux program reach the answers.
found_as() { [ "$("$FIND" --dos "$1")" = "$2" ]; }
echo new >"$DRIVE_D/Data/Fresh One.txt"
wait_until 5 found_as 'fresh one.txt' 'D:\DATA\FRESH ONE.TXT' || fail "a new file was not found"
mv "$DRIVE_D/Data/Fresh One.txt" "$DRIVE_D/Data/Letters/Renamed.txt"
wait_until 5 found_as 'renamed.txt' 'D:\DATA\LETTERS\RENAMED.TXT' || fail "the renamed file was not found"
status=0; "$FIND" 'fresh one.txt' >/dev/null || status=$?
[ "$status" = 1 ] || fail "the old name is still found after the rename"
rm "$DRIVE_D/Data/Letters/Renamed.txt"
gone() { ! "$FIND" 'renamed.txt'; }
wait_until 5 gone || fail "the deleted file is still found"
pass "a file created, renamed and deleted on the host: found, found under the new name only, gone"

# A damaged request and one longer than the channel takes: both answered
# with an error, and the channel goes on. A client that leaves its FIFO at
# the 64 KB it starts with gets 2000 paths streamed, whole, or stops after
# the first 4 KB, and the channel goes on. So does it after a client that
# shrank its FIFO to one page (as Linux makes them for a user past the pipe
# quota) and went after the first byte of a 5 KB answer.
python3 - "$CHANNEL" >"$SCRATCH/damaged" <<'PY' || fail "the damaged requests: $(cat "$SCRATCH/damaged")"
import fcntl, os, struct, sys, select
folder = sys.argv[1]
def ask(body, keep=None, fifo_bytes=None):
    name = "reply-%d-damaged" % os.getpid()
    path = os.path.join(folder, name)
    os.mkfifo(path, 0o600)
    reply = os.open(path, os.O_RDONLY | os.O_NONBLOCK)
    if fifo_bytes:
        fcntl.fcntl(reply, fcntl.F_SETPIPE_SZ, fifo_bytes)
    requests = os.open(os.path.join(folder, "requests"), os.O_WRONLY | os.O_NONBLOCK)
    os.write(requests, body(name.encode()))
    os.close(requests)
    data = b""
    while (keep is None or len(data) < keep) and select.select([reply], [], [], 10)[0]:
        chunk = os.read(reply, 4096 if keep is None else min(4096, keep - len(data)))
        if not chunk:
            break
        data += chunk
    os.close(reply)
    os.unlink(path)
    return data
header = lambda name, pattern, length=None: struct.pack(
    "<IHHIIIIQ", 0x31464B56, 1, len(name), length or 32 + len(name) + len(pattern), 0, 0, len(pattern), 0)
bulk = lambda name: header(name, b"BULK-*") + name + b"BULK-*"
streamed = ask(bulk)
if streamed.count(b"\\BULK-FILE-") != 2000 or streamed[-16:-8] != b"E\0\0\0\x08\0\0\0":
    sys.exit("a streamed answer of %d paths, ending %r" % (streamed.count(b"\\BULK-FILE-"), streamed[-16:]))
if len(ask(bulk, keep=4096)) < 4096:
    sys.exit("the first 4 KB of a streamed answer did not come")
hundred = lambda name: header(name, b"BULK-*-00??.DAT") + name + b"BULK-*-00??.DAT"
if len(ask(hundred, keep=1, fifo_bytes=4096)) != 1:
    sys.exit("no answer on a FIFO of one page")
garbage = lambda name: b"garbage!" + header(name, b"*", 32 + len(name) + 2) + name + b"*"
oversized = lambda name: header(name, b"x" * 5000) + name + b"x" * 3000
for body in (garbage, oversized):
    answer = ask(body)
    if answer[:1] != b"X":
        sys.exit("no error answer but %r" % answer[:80])
    print(answer[8:].decode())
# Requests no one can hear the answer to, which the program drops: a reply
# FIFO that is not there, and no usable name. The channel serves on.
requests = os.open(os.path.join(folder, "requests"), os.O_WRONLY | os.O_NONBLOCK)
for name in (b"reply-gone-1", b"../x"):
    os.write(requests, header(name, b"*") + name + b"*")
os.close(requests)
if ask(bulk)[-16:-8] != b"E\0\0\0\x08\0\0\0":
    sys.exit("the channel did not serve on after requests it had to drop")
PY
timeout 20 "$FIND" -c '*.txt' >/dev/null || fail "the channel stopped serving after damaged requests or a reader gone"
pass "2000 paths streamed to a client of a 64 KB FIFO, whole and cut short; a reader of a one-page FIFO gone; damaged requests refused: $(tr '\n' ';' <"$SCRATCH/damaged")"

# Sixteen shells at once, for a few seconds: every answer whole and right.
"$FIND" --dos '*.TXT' | sort >"$SCRATCH/expected"
shell_loop() {
  local end=$((SECONDS + 4)) n=0
  while [ "$SECONDS" -lt "$end" ]; do
    "$FIND" --dos '*.TXT' | sort | cmp -s - "$SCRATCH/expected" || { echo "answer $n differs"; return 1; }
    n=$((n + 1))
  done
  echo "$n answers"
}
for i in $(seq 16); do shell_loop >"$SCRATCH/shell-$i" 2>&1 & done
failed=0
for job in $(jobs -p); do [ "$job" = "$VELKORO_PID" ] && continue; wait "$job" || failed=$((failed + 1)); done
[ "$failed" = 0 ] || fail "$failed of 16 shells got a wrong answer: $(cat "$SCRATCH"/shell-* | sort | uniq -c)"
pass "16 shells at once: $(cat "$SCRATCH"/shell-* | awk '{n += $1} END {print n}') answers, all right"

# The window: the same status, the same row selected, after all of it.
[ "$(status_text)" = "$window_status" ] || fail "the window's status now reads '$(status_text)', not '$window_status'"
vktest clipboard-set sentinel
keys_reach TFormui
xdotool key ctrl+c
[ "$(vktest clipboard)" = "$window_row" ] || fail "the window's selected row now copies '$(vktest clipboard)', not '$window_row'"
screenshot find-window-untouched
pass "the window's rows, selection and status untouched"

# A stopped program is given up after 10 s without a byte, not waited for.
kill -STOP "$VELKORO_PID"
start=$SECONDS
status=0; "$FIND" -c '*.txt' >/dev/null 2>"$SCRATCH/err" || status=$?
took=$((SECONDS - start))
kill -CONT "$VELKORO_PID"
[ "$status" = 2 ] && grep -qx 'velkoro-find: Velkoro did not answer' "$SCRATCH/err" ||
  fail "a stopped program: status $status, '$(cat "$SCRATCH/err")'"
[ "$took" -ge 9 ] && [ "$took" -le 15 ] || fail "a stopped program was given up after $took s, not 10"
wait_until 20 "$FIND" -c '*.txt' || fail "no answer once the program went on"
pass "a stopped program: 'Velkoro did not answer' after $took s; it answers again once it goes on"

# The end of the session ends the channel; a killed program leaves a FIFO
# that the command sees through at once, and the next start replaces.
not_running_at_once() {
  local status=0 start end
  start=$(date +%s%N)
  "$FIND" '*.txt' >/dev/null 2>"$SCRATCH/err" || status=$?
  end=$(date +%s%N)
  [ "$status" = 2 ] && grep -qx 'velkoro-find: Velkoro is not running' "$SCRATCH/err" ||
    fail "after $1: status $status, '$(cat "$SCRATCH/err")'"
  [ $(((end - start) / 1000000)) -lt $((1000 * ${VELKORO_TIME_SCALE:-1})) ] || fail "after $1 the command took $(((end - start) / 1000000)) ms"
}
end_session
[ ! -e "$CHANNEL/requests" ] || fail "the request FIFO outlived the program"
not_running_at_once "the end of the session"
start_and_wait_up
wait_until 30 "$FIND" -c '*' || fail "no answer after the restart"
kill -9 "$VELKORO_PID"
wait_velkoro_exit 30 || fail "the killed program did not end"
[ -p "$CHANNEL/requests" ] || fail "a killed program should leave its FIFO (the test would show nothing)"
not_running_at_once "a kill"
start_and_wait_up
wait_until 30 "$FIND" -c '*' || fail "the stale FIFO was not replaced at the next start"
pass "status 2 at once after the end of the session and after a kill; the next start serves again"

# File > Scan Drives: a query asked during the scan says that it waits,
# and its answer comes from the whole new tree once the scan has ended.
mv "$LARGE_ROOT/.Large" "$LARGE_ROOT/Large"
vktest post TFormui 0x111 "$IDM_SCAN_DRIVES" >/dev/null
vktest wait-control TfrmSplash "$CANCEL" visible 30000 || fail "File > Scan Drives showed no progress panel"
"$FIND" -c 'file000.txt' >"$SCRATCH/during-scan" 2>"$SCRATCH/during-scan.err" || fail "the query during the scan failed: $(cat "$SCRATCH/during-scan.err")"
grep -q 'scanning the drives' "$SCRATCH/during-scan.err" || fail "no word of the scan: '$(cat "$SCRATCH/during-scan.err")'"
vktest wait-control TfrmSplash "$CANCEL" visible 100 && fail "the answer came before the scan had ended"
[ "$(cat "$SCRATCH/during-scan")" = 1000 ] || fail "the answer during the scan counts $(cat "$SCRATCH/during-scan"), not the 1000 of the whole tree"
pass "a query during File > Scan Drives waits for the scan's end, and says so"

# File > Exit ends the channel too.
vktest post TFormui 0x111 "$IDM_EXIT" >/dev/null
vktest wait-message-box Velkoro 10000 yes >/dev/null || fail "Exit did not ask"
wait_velkoro_exit 30 || fail "the program did not end after Exit"
[ ! -e "$CHANNEL/requests" ] || fail "the request FIFO outlived the program after Exit"
not_running_at_once "File > Exit"
pass "File > Exit removes the channel"
