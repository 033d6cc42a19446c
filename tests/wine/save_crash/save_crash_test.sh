#!/usr/bin/env bash
# The save killed at random moments: a Win32 program saves a database of
# 1,000,000 names with the product's own code, and the host kills it
# (SIGKILL) at a random point of the save, over and over. After every kill
# "memdb.dat" must be the whole old file or the whole new one, byte for
# byte, and the next start must load one of the two.
#
# Also told, not asserted (they are Wine's to decide): whether the "CRC32"
# setting matched the file left, and whether the setting had reached Wine's
# registry file on disk by then.
#
#   save_crash_test.sh CHILD_EXE        (under tools/wine-session.sh)
set -euo pipefail

child=$1
trials=${VELKORO_SAVE_CRASH_TRIALS:-20}
: "${WINEPREFIX:?run under tools/wine-session.sh}"
export WINEDEBUG=-all

work=$(mktemp -d)
key='HKCR\Velkoro\Settings'
had_key=0
old_crc=""
if wine reg query "$key" /v CRC32 >"$work/query" 2>/dev/null; then
  had_key=1
  old_crc=$(tr -d '\r' <"$work/query" | awk '$1 == "CRC32" { print $3 }')
fi
cleanup() {
  local status=$?
  [ -n "${pid:-}" ] && kill -9 "$pid" 2>/dev/null || true
  if [ "$had_key" = 1 ]; then
    wine reg add "$key" /v CRC32 /t REG_DWORD /d "$((old_crc))" /f >/dev/null 2>&1 || true
  else
    wine reg delete 'HKCR\Velkoro' /f >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT
wine reg add "$key" /v CRC32 /t REG_DWORD /d 0 /f >/dev/null 2>&1

fail() { echo "FAIL: $*" >&2; exit 1; }
# The standard CRC-32 of a file, from the gzip trailer.
file_crc() { gzip -c "$1" | tail -c 8 | head -c 4 | od -An -tu4 | tr -d ' '; }
digest() { md5sum <"$1" | cut -d' ' -f1; }
# Field $3 (default 2) of the first line starting with $1 in file $2; the
# program's console lines end with CR LF under Wine.
line_of() { tr -d '\r' <"$2" | awk -v k="$1" -v f="${3:-2}" '$1 == k && !found { print $f; found = 1 }'; }

# Runs the program to the end in the work folder; its output goes to $1.
run_child() { (cd "$work" && exec wine "$child") >"$1" 2>/dev/null; }

# Waits (bounded) until the program's output holds a line starting with $2.
wait_line() {
  local file=$1 key=$2 waited=0
  until grep -q "^$key " "$file" 2>/dev/null; do
    [ "$waited" -lt 6000 ] || return 1
    sleep 0.01
    waited=$((waited + 1))
  done
}

# Two whole saves first: the images of both trees, and how long a save takes.
run_child "$work/first.out"
[ "$(line_of LOADED "$work/first.out")" = NONE ] || fail "a database was there before the first save"
cp "$work/memdb.dat" "$work/A.img"
run_child "$work/second.out"
[ "$(line_of LOADED "$work/second.out")" = A ] || fail "the first save did not load back"
cp "$work/memdb.dat" "$work/B.img"
save_ms=$(line_of SAVED "$work/second.out" 3)
[ "$(line_of SAVED "$work/second.out")" = 1 ] || fail "the whole save failed"
a_digest=$(digest "$work/A.img") b_digest=$(digest "$work/B.img")
echo "each image holds 1,000,001 names in $(wc -c <"$work/B.img") bytes; a whole save takes ${save_ms} ms"

kept_old=0 took_new=0 crc_matched=0 crc_for_temporary=0 on_disk_matched=0
pending=""  # the state a kill left, checked against what the next start sees

# Checks the state left by the last kill against the output ($1) of the start
# that followed it: the setting it found and what it loaded.
check_pending() {
  [ -n "$pending" ] || return 0
  local trial left_variant left_crc temporary setting next_loaded
  read -r trial left_variant left_crc temporary <<<"$pending"
  setting=$(line_of CHECKSUM "$1")
  next_loaded=$(line_of LOADED "$1")
  if [ "$setting" = "$left_crc" ]; then
    crc_matched=$((crc_matched + 1))
    [ "$next_loaded" = "$left_variant" ] || fail "trial $trial: the next start loaded $next_loaded, not the $left_variant left"
  else
    # The one moment file and setting disagree: the checksum is written, the
    # rename not yet made. The temporary must hold the file it is for, and
    # the next start loads that.
    [ "$temporary" = "$setting" ] || fail "trial $trial: CRC32 $setting matches neither memdb.dat ($left_crc) nor a temporary ($temporary)"
    crc_for_temporary=$((crc_for_temporary + 1))
    [ "$next_loaded" != "$left_variant" ] || fail "trial $trial: the next start did not take the temporary"
  fi
  echo "  trial $trial: CRC32 $([ "$setting" = "$left_crc" ] && echo "matched the file left" || echo "was the temporary's"); the next start loaded $next_loaded"
  pending=""
}

for ((trial = 1; trial <= trials; trial++)); do
  out="$work/trial$trial.out"
  (cd "$work" && exec wine "$child") >"$out" 2>/dev/null &
  pid=$!
  wait_line "$out" SAVING || fail "trial $trial: the save never began"
  check_pending "$out"
  loaded=$(line_of LOADED "$out")
  [ "$loaded" = A ] || [ "$loaded" = B ] || fail "trial $trial: the start found no loadable database"
  # A random moment from the start of the save to twice its length: the
  # program's line and the kill both take a while to arrive.
  delay_ms=$((RANDOM % (2 * save_ms + 1)))
  sleep "$(printf '%d.%03d' $((delay_ms / 1000)) $((delay_ms % 1000)))"
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  pid=""
  # A rename the process had asked of the wineserver finishes there.
  sleep 0.1

  left=$(digest "$work/memdb.dat")
  if [ "$left" = "$a_digest" ]; then left_variant=A
  elif [ "$left" = "$b_digest" ]; then left_variant=B
  else fail "trial $trial (killed ${delay_ms} ms into the save): memdb.dat is neither the old file nor the new one"
  fi
  if [ "$left_variant" = "$loaded" ]; then kept_old=$((kept_old + 1)); else took_new=$((took_new + 1)); fi
  left_crc=$(file_crc "$work/memdb.dat")
  temporary=absent
  [ -e "$work/memdb.dat.tmp" ] && temporary=$(file_crc "$work/memdb.dat.tmp")
  disk_crc=$(tr -d '\r' <"$WINEPREFIX/system.reg" | awk '
    /^\[Software\\\\Classes\\\\Velkoro\\\\Settings\]/ { inside = 1; next }
    /^\[/ { inside = 0 }
    inside && /^"CRC32"=dword:/ { sub(/^"CRC32"=dword:/, ""); print }')
  disk_state=stale
  if [ -n "$disk_crc" ] && [ "$((16#$disk_crc))" = "$left_crc" ]; then
    disk_state=matched
    on_disk_matched=$((on_disk_matched + 1))
  fi
  echo "trial $trial: killed ${delay_ms} ms into the save; left the $([ "$left_variant" = "$loaded" ] && echo old || echo new) file whole, temporary $([ "$temporary" = absent ] && echo absent || echo present), CRC32 in the registry file on disk $disk_state"
  pending="$trial $left_variant $left_crc $temporary"
done
run_child "$work/last.out"
check_pending "$work/last.out"

echo "SUMMARY kills $trials: old file kept $kept_old, new file in place $took_new;" \
  "CRC32 matched the file left $crc_matched, was the temporary's $crc_for_temporary (the next start loaded it);" \
  "CRC32 in the registry file on disk matched the file left $on_disk_matched of $trials"
[ "$kept_old" -gt 0 ] && [ "$took_new" -gt 0 ] || fail "the kills did not land both before and after the rename"
echo "PASS: $trials kills during the save, memdb.dat always whole"
