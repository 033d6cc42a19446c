#!/usr/bin/env bash
# velkoro-find against plocate on the same names, the whole command timed
# from process start to its last line (the median of several runs each):
#
# 1. the installed program running on the generated 1,000,000 names in
#    100,000 directories of the search and window benchmarks (names that
#    exist only in the database, so --dos output), every query class of
#    bench/run-search-bench.sh;
# 2. the program with the host's /usr as the fixed drive D: (its real
#    files, read only), host-path output with the case recovered (plocate
#    -i, as our match ignores case); the same queries with --dos beside
#    them give the case recovery's cost; a name without wildcards (held
#    anywhere in the name) and -r with a plain piece against plocate -b
#    and plocate -b -r;
#    targets, for both: a class with at least one result, at most
#    plocate's time; with 1,000 results or more, at most half of it; an
#    empty answer, within 1 ms of the command's own start (velkoro-find
#    --help); -r with a plain piece, at most plocate -r's time;
# 3. freshness: a file a Linux program creates, found by velkoro-find
#    within 100 ms at the median and 500 ms at the 99th percentile, and a
#    deleted one gone within the same bounds; plocate's answer beside it;
# 4. 16 shells querying at once for 10 s: every answer whole and right, and
#    the search window's replies meanwhile (its longest wait under 50 ms).
#
#   bench/run-find-bench.sh [--runs N]
#
# Builds in build/ARCH-bench (VELKORO_WINE_BENCH_BUILD, VELKORO_BUILD_ARCH)
# and natively in build/native-bench, makes prefixes and an Xvfb display of
# its own, and removes them at the end. Prints FIGURE and CLASS lines with
# their targets and "ok" or "miss"; exits non-zero on a miss.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELKORO_WINE_BENCH_BUILD:-}
runs=21
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    *) echo "run-find-bench: unknown argument $1" >&2; exit 2 ;;
  esac
done

source "$root/bench/wine_bench_session.sh"
wine_bench_build Velkoro vkhook setup velkoro_vxd velkoro_monitor velkoro_find velkoro_find_channel \
  find_bench_probe
wine_bench_session findbench display
native=$root/build/native-bench
echo "== building $native (native, Release)"
cmake -S "$root" -B "$native" -G Ninja -DVELKORO_SANITIZER=none -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$native" -j2 --target search_bench >/dev/null
find_command="$build/find/velkoro-find"
probe_exe="$build/bench/wine/find_bench_probe.exe"

velkoro_pid=""
wine_bench_cleanup_more() {
  [ -z "$velkoro_pid" ] || kill "$velkoro_pid" 2>/dev/null || true
  for other in "$work/generated" "$work/usr"; do
    [ ! -d "$other" ] || WINEPREFIX="$other" wineserver -k 2>/dev/null || true
  done
}

# Installs the program into the prefix $1 (further arguments go to the
# installation tool) and copies the probe into it.
install_into() {
  local prefix_dir=$1
  shift
  WINEPREFIX="$prefix_dir" "$root/tools/velkoro-install" --build "$build" --prefix "$prefix_dir" "$@" >/dev/null
  WINEPREFIX="$prefix_dir" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  cp "$probe_exe" "$prefix_dir/drive_c/VELKORO/"
}
# Starts the installed program of prefix $1 and waits until velkoro-find
# answers (after the load or the scan), at most $2 seconds.
start_program() {
  local prefix_dir=$1 limit=$2 start=$SECONDS
  (cd "$prefix_dir/drive_c/VELKORO" && WINEPREFIX="$prefix_dir" exec wine 'C:\VELKORO\Velkoro.exe') \
    >"$work/velkoro.log" 2>&1 &
  velkoro_pid=$!
  until "$find_command" --prefix "$prefix_dir" -c 'NOSUCHNAME' >/dev/null 2>&1 || [ $? = 1 ]; do
    [ $((SECONDS - start)) -lt "$limit" ] || { echo "the program did not answer within $limit s" >&2; exit 2; }
    sleep 0.5
  done
  echo "program up in $((SECONDS - start)) s"
}
stop_program() {
  WINEPREFIX="$1" wineserver -k 2>/dev/null || true
  wait "$velkoro_pid" 2>/dev/null || true
  velkoro_pid=""
}

# Median whole-process time of a command, in ms. The clock is the shell's
# own ($EPOCHREALTIME): timing with date would add two more process starts
# to every sample.
now_us() { echo "${EPOCHREALTIME/./}"; }
median_ms() {
  local samples=() i start end
  for ((i = 0; i < runs; i++)); do
    start=${EPOCHREALTIME/./}
    "$@" >/dev/null 2>&1 || true
    end=${EPOCHREALTIME/./}
    samples+=($((end - start)))
  done
  median_of "${samples[@]}"
}
median_of() { printf '%s\n' "$@" | sort -n | awk -v n="$#" 'NR == int(n / 2) + 1 { printf "%.3f", $1 / 1000 }'; }
# The median times of several commands (the names of arrays holding them),
# timed by turns, one of each a round, so that a busy moment of the machine
# falls on all of them alike rather than on one: "MS MS ...".
interleaved_ms() {
  local -a names=("$@") samples=() medians=()
  local i k start
  for ((i = 0; i < runs; i++)); do
    for k in "${!names[@]}"; do
      local -n command=${names[k]}
      start=${EPOCHREALTIME/./}
      "${command[@]}" >/dev/null 2>&1 || true
      samples[k]+=" $((${EPOCHREALTIME/./} - start))"
      unset -n command
    done
  done
  for k in "${!names[@]}"; do
    # shellcheck disable=SC2086
    medians+=("$(median_of ${samples[k]})")
  done
  echo "${medians[*]}"
}
misses=0
# CLASS NAME OURS_MS PLOCATE_MS OURS_COUNT PLOCATE_COUNT: the target by the
# size of our answer (see the top).
class_line() {
  awk -v f="$1" -v o="$2" -v t="$3" -v oc="$4" -v tc="$5" -v floor="$command_floor" 'BEGIN {
    if (oc + 0 == 0) { target = floor + 1; rule = "start+1ms" }
    else if (oc + 0 >= 1000) { target = t / 2; rule = "plocate/2" }
    else { target = t; rule = "plocate" }
    verdict = o <= target ? "ok" : "miss"
    printf "CLASS %-28s ours %8.3f ms  plocate %8.3f ms  ours/plocate %6.3f  target %8.3f ms (%s)  %-4s  (results: ours %s, plocate %s)\n",
      f, o, t, (t > 0 ? o / t : 0), target, rule, verdict, oc, tc
    exit verdict == "ok" ? 0 : 1 }' | tee -a "$work/summary" || misses=$((misses + 1))
}
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
# The floor under every whole-process figure on this machine now: a
# process that does nothing.
echo "FIGURE process_start_floor $(median_ms /bin/true) ms (/bin/true, whole process)" | tee -a "$work/summary"
command_floor=$(median_ms "$find_command" --help)
echo "FIGURE command_start_floor $command_floor ms (velkoro-find --help, whole process; empty answers' target: 1 ms above it)" |
  tee -a "$work/summary"

echo "== 1. 1,000,000 generated names, --dos output"
"$native/bench/search_bench" --benchmark_filter='^$' --write-file-list="$work/files.txt" --print-paths \
  >"$work/search.out"
probe() { awk -v name="$1" '$1 == "PATH" && $2 == name { print $3 }' "$work/search.out"; }
subtree=$(probe subtree) few_name=$(probe few_name) piece_few=$(probe piece_few)
plocate-build -p -l no "$work/files.txt" "$work/generated.db"
prefix1="$work/generated"
install_into "$prefix1" --host-drive remove
WINEPREFIX="$prefix1" wine 'C:\VELKORO\find_bench_probe.exe' database 'C:\VELKORO\memdb.dat' | tr -d '\r'
WINEPREFIX="$prefix1" wine reg add 'HKCR\Velkoro\Settings' /v SaveSuccessful /t REG_DWORD /d 1 /f >/dev/null 2>&1
start_program "$prefix1" 300
# Whole names, as plocate's "*/NAME" takes them: the classes are the search
# benchmark's.
ours() { "$find_command" --prefix "$prefix1" --dos --exact "$@"; }
theirs() { plocate -d "$work/generated.db" "$@"; }
compare_generated() {
  local name=$1 pattern=$2
  shift 2
  local -a ours_query=(ours "$pattern") theirs_query=(theirs "$@")
  local times
  read -ra times <<<"$(interleaved_ms ours_query theirs_query)"
  class_line "$name" "${times[0]}" "${times[1]}" "$(ours -c "$pattern" || true)" "$(theirs -c "$@" || true)"
}
compare_generated "all_*.TXT" '*.TXT' '*.TXT'
compare_generated "all_nothing_*.QQQ" '*.QQQ' '*.QQQ'
compare_generated "all_nothing_literal" 'NOSUCHFILE.XYZ' '*/NOSUCHFILE.XYZ'
compare_generated "all_literal_few" "$few_name" "*/$few_name"
compare_generated "all_???.INI" '???.INI' '*/???.INI'
compare_generated "all_nothing_*QZXJ*" '*QZXJ*' -b '*QZXJ*'
compare_generated "all_*PIECE*_few" "*$piece_few*" -b "*$piece_few*"
compare_generated "unresolved_dir_literal" "C:\\NOSUCHDIR\\$few_name" "*/$few_name"
compare_generated "subtree_*.H" "$subtree" "/$(tr '\\' '/' <<<"$subtree")"
stop_program "$prefix1"
rm -rf "$prefix1"

echo "== 2. /usr as D:, host paths with the case recovered"
prefix2="$work/usr"
fresh="$work/fresh"
mkdir -p "$fresh"
install_into "$prefix2" --host-drive remove --drive D:fixed:/usr --drive "E:fixed:$fresh"
start_program "$prefix2" 900
usr_files=$("$find_command" --prefix "$prefix2" -c 'D:\*')
echo "FIGURE usr_files_indexed $usr_files files target 100000 $([ "$usr_files" -ge 100000 ] && echo ok || echo miss)"
# The same files for plocate: every name below /usr but the hidden ones and
# the folders, as the index holds them.
find /usr -not -path '*/.*' -not -type d >"$work/usr.txt"
plocate-build -p "$work/usr.txt" "$work/usr.db"
ours_host() { "$find_command" --prefix "$prefix2" --exact "$@"; }
ours_dos() { "$find_command" --prefix "$prefix2" --dos --exact "$@"; }
theirs_usr() { plocate -i -d "$work/usr.db" "$@"; }
compare_usr() {
  local name=$1 pattern=$2
  shift 2
  local -a host_query=(ours_host "$pattern") dos_query=(ours_dos "$pattern") theirs_query=(theirs_usr "$@")
  local times host dos
  read -ra times <<<"$(interleaved_ms host_query dos_query theirs_query)"
  host=${times[0]} dos=${times[1]}
  class_line "usr_$name" "$host" "${times[2]}" "$(ours_host -c "$pattern" || true)" "$(theirs_usr -c "$@" || true)"
  awk -v f="$name" -v h="$host" -v d="$dos" 'BEGIN {
    printf "FIGURE case_recovery_%s %.3f ms (host paths %.3f ms, --dos %.3f ms)\n", f, h - d, h, d }' | tee -a "$work/summary"
}
compare_usr "*.h" '*.h' '*.h'
compare_usr "nothing_*.qqq" '*.qqq' '*.qqq'
compare_usr "nothing_literal" 'nosuchfile.xyz' '*/nosuchfile.xyz'
compare_usr "literal_few" 'stdio.h' '*/stdio.h'
compare_usr "???.py" '???.py' '*/???.py'
compare_usr "nothing_*qzxj*" '*qzxj*' -b '*qzxj*'
compare_usr "*zlib*" '*zlib*' -b '*zlib*'
compare_usr "subtree_include_*.h" '/usr/include/*.h' '/usr/include/*.h'
# locate's dialect: a name without wildcards is held anywhere in the name
# (plocate -b: in the last component), and -r with a plain piece, which the
# program narrows by, the rest matched by the command.
dialect_usr() {
  local name=$1 ours_args=$2 theirs_args=$3
  local -a ours_query=(eval "$find_command --prefix $prefix2 $ours_args") theirs_query=(eval "plocate -i -d $work/usr.db $theirs_args")
  local times
  read -ra times <<<"$(interleaved_ms ours_query theirs_query)"
  class_line "usr_$name" "${times[0]}" "${times[1]}" "$(eval "$find_command --prefix $prefix2 -c $ours_args" || true)" \
    "$(eval "plocate -i -d $work/usr.db -c $theirs_args" || true)"
}
dialect_usr "held_zlib" "zlib" "-b zlib"
dialect_usr "held_nothing_qzxjw" "qzxjw" "-b qzxjw"
dialect_usr "regex_piece_zlib.*\\.h\$" "-r 'zlib.*\\.h\$'" "-b -r 'zlib.*\\.h\$'"

echo "== 3. freshness"
# plocate's database of the folder as it was before the files came.
find "$fresh" >"$work/fresh.txt"
plocate-build -p "$work/fresh.txt" "$work/fresh.db"
# Asks until the answer changes, for at most 10 s (then counted as 10 s).
fresh_samples() {
  local i created gone start name
  for ((i = 0; i < 100; i++)); do
    name="vkfresh-$i-$RANDOM.dat"
    start=$(now_us)
    : >"$fresh/$name"
    until "$find_command" --prefix "$prefix2" --dos -c "$name" >/dev/null 2>&1; do
      [ $(($(now_us) - start)) -lt 10000000 ] || break
    done
    created=$(($(now_us) - start))
    [ "$i" != 0 ] || { plocate -d "$work/fresh.db" "$name" >/dev/null && echo "PLOCATE found" ||
      echo "PLOCATE not found: its database knows only what its last updatedb saw"; }
    start=$(now_us)
    rm "$fresh/$name"
    while "$find_command" --prefix "$prefix2" --dos -c "$name" >/dev/null 2>&1; do
      [ $(($(now_us) - start)) -lt 10000000 ] || break
    done
    gone=$(($(now_us) - start))
    echo "SAMPLE $created $gone"
  done
}
fresh_samples >"$work/fresh.out"
grep PLOCATE "$work/fresh.out"
percentile() {
  awk -v column="$1" '$1 == "SAMPLE" { print $column }' "$work/fresh.out" | sort -n |
    awk -v p="$2" '{ v[NR] = $1 } END { i = int(NR * p / 100 + 0.999); if (i < 1) i = 1; printf "%.1f", v[i] / 1000 }'
}
fresh_figure() {
  awk -v f="$1" -v v="$2" -v t="$3" 'BEGIN {
    verdict = v <= t ? "ok" : "miss"
    printf "FIGURE %-24s %8.1f ms  target %6.1f ms  %s\n", f, v, t, verdict
    exit verdict == "ok" ? 0 : 1 }' | tee -a "$work/summary" || misses=$((misses + 1))
}
fresh_figure created_found_p50 "$(percentile 2 50)" 100
fresh_figure created_found_p99 "$(percentile 2 99)" 500
fresh_figure deleted_gone_p50 "$(percentile 3 50)" 100
fresh_figure deleted_gone_p99 "$(percentile 3 99)" 500

echo "== 4. 16 shells at once for 10 s"
ours_dos '*.h' | sort >"$work/expected"
shell_loop() {
  local end=$((SECONDS + 10)) answers=0 wrong=0
  while [ "$SECONDS" -lt "$end" ]; do
    if ours_dos '*.h' | sort | cmp -s - "$work/expected"; then answers=$((answers + 1)); else wrong=$((wrong + 1)); fi
  done
  echo "$answers $wrong"
}
shells=()
for i in $(seq 16); do
  shell_loop >"$work/shell-$i" &
  shells+=($!)
done
WINEPREFIX="$prefix2" wine 'C:\VELKORO\find_bench_probe.exe' responsiveness 9 | tr -d '\r' >"$work/reply.out" || true
wait "${shells[@]}" || true
cat "$work"/shell-* | awk -v lines="$(wc -l <"$work/expected")" '{ a += $1; w += $2 } END {
  verdict = (w == 0 && a > 0) ? "ok" : "miss"
  printf "FIGURE concurrent_answers %d right, %d wrong or failed (each %d lines)  %s\n", a, w, lines, verdict }' |
  tee -a "$work/summary"
grep -q ' 0 wrong' "$work/summary" || misses=$((misses + 1))
cat "$work/reply.out"
awk '$1 == "REPLY" { verdict = $8 < 50 ? "ok" : "miss"
  printf "FIGURE window_reply_during_queries p50 %.3f ms p99 %.3f ms max %.3f ms (%d replies)  target max 50 ms  %s\n", $4, $6, $8, $2, verdict
  exit verdict == "ok" ? 0 : 1 }' "$work/reply.out" | tee -a "$work/summary" || misses=$((misses + 1))
stop_program "$prefix2"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"

echo "== summary"
cat "$work/summary"
[ "$misses" -eq 0 ] || { echo "$misses figures missed their targets" >&2; exit 1; }
