#!/usr/bin/env bash
# The benchmarks under Wine, with the native file benchmark for comparison:
#
#  1. the drive scan (TMemoryDB::ScanDrives, start to the saved database)
#     with its native reader and through Wine alone, against a bare
#     FindFirstFileA walk of the same drives, in the same run, on a generated
#     tree written to a host folder (or an existing folder, --tree) that is
#     the prefix's only fixed drive, D:; the host's own `find` and plocate's
#     `updatedb -U` over that folder; and how soon a Cancel acts;
#  2. SaveToFile and LoadFromFile of a generated database of 1,000,000 files
#     in 100,000 directories under Wine;
#  3. the same save and load natively (bench/run-file-bench.sh).
#
#   bench/run-wine-bench.sh [--files N] [--directories N] [--tree DIR] [--rounds N] [--peer-runs N] [--no-native]
#
# The scan's tree defaults to 110,000 files in 11,000 directories; --tree
# scans DIR as it is instead (such as /usr). Builds in
# build/ARCH-bench, ARCH the build that runs natively here (VELKORO_WINE_BENCH_BUILD, VELKORO_BUILD_ARCH), makes a prefix and a tree of
# its own in a temporary folder and an Xvfb display of its own,
# prints every figure with its ratio to its target, and removes all of it at
# the end. Exits non-zero when a figure misses its target.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELKORO_WINE_BENCH_BUILD:-}  # by default build/ARCH-bench (bench/wine_bench_session.sh)
files=110000 directories=11000 rounds=7 native=1 find_runs=7 given_tree=
while [ $# -gt 0 ]; do
  case "$1" in
    --files) files=$2; shift 2 ;;
    --directories) directories=$2; shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
    --no-native) native=0; shift ;;
    --tree) given_tree=$2; shift 2 ;;
    --peer-runs) find_runs=$2; shift 2 ;;
    *) echo "run-wine-bench: unknown argument $1" >&2; exit 2 ;;
  esac
done

source "$root/bench/wine_bench_session.sh"
wine_bench_build wine_bench setup velkoro_scan_reader
bench_exe="$build/bench/wine/wine_bench.exe"
# The scan finds its reader beside the program, as the installed one does.
cp "$build/native_listing/velkoro-scan-reader" "$(dirname "$bench_exe")/"
setup_exe="$build/tools/setup/setup.exe"

wine_bench_session winebench display
tree=${given_tree:-$work/tree}
display=${DISPLAY#:}

echo "== prefix $prefix on display :$display"
mkdir -p "$prefix" "$tree"
wineboot -i >/dev/null 2>&1
wine_run "$setup_exe" platform win95
# The scan walks every fixed drive and the walk does the same, so the two
# walk the same set whatever it is; the tree on D: is made the only fixed
# drive so that the figures are about that tree alone. C: keeps pointing at
# the prefix's own folder (Wine needs it) but as a network drive, which the
# scan skips; Z:, the host's root, likewise, so that the host's programs
# stay reachable.
wine_run "$setup_exe" drive D fixed "$tree"
wine_run "$setup_exe" drive C network "$prefix/drive_c"
wine_run "$setup_exe" drive Z network /
# The checksum of every save goes to the settings store, which never
# creates its key.
wine reg add 'HKCR\Velkoro\Settings' /v CRC32 /t REG_DWORD /d 0 /f >/dev/null 2>&1

if [ -z "$given_tree" ]; then
  echo "== tree of $files files in $directories directories in $tree"
  (cd "$work" && wine_run "$bench_exe" tree-lists "$files" "$directories" dirs.txt files.txt)
  (cd "$tree" && xargs -d '\n' -a "$work/dirs.txt" mkdir -p -- && xargs -d '\n' -a "$work/files.txt" touch --)
else
  echo "== the folder $tree as it is"
fi
# Warm the host's caches once, as the program does for its own runs.
entries=$(($(find "$tree" | wc -l) - 1))
echo "entries on disk: $entries"

# Other work on the machine shows in the spread of the rounds; the load is
# printed with the figures.
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
status=0
figures="$work/figures.txt"
: >"$figures"

echo "== host find over the same folder ($find_runs runs, whole process)"
samples=()
for ((i = 0; i < find_runs; i++)); do
  start=$(date +%s%N)
  find "$tree" | wc -l >/dev/null
  end=$(date +%s%N)
  samples+=($(((end - start) / 1000)))
done
printf '%s\n' "${samples[@]}" | sort -n | awk -v n="$find_runs" -v entries="$entries" '
  NR == int(n / 2) + 1 {
    printf "FIGURE %-28s %12.4f %-6s (no target)\n", "find_median", $1 / 1e6, "s"
    printf "FIGURE %-28s %12.4f %-6s (no target)\n", "find_entries_per_s", entries / ($1 / 1e6), "1/s"
  }' | tee -a "$figures"

# plocate's updatedb walks the same folder and writes its database, as the
# scan walks and writes memdb.dat; nothing pruned, no visibility checks.
echo "== updatedb -U over the same folder ($find_runs runs, whole process)"
samples=()
for ((i = 0; i < find_runs; i++)); do
  start=$(date +%s%N)
  updatedb -U "$tree" -o "$work/plocate.db" -l no --prunepaths '' --prunenames '' --prunefs '' --prune-bind-mounts no
  end=$(date +%s%N)
  samples+=($(((end - start) / 1000)))
done
updatedb_seconds=$(printf '%s\n' "${samples[@]}" | sort -n | awk -v n="$find_runs" 'NR == int(n / 2) + 1 { print $1 / 1e6 }')
printf "FIGURE %-28s %12.4f %-6s (no target)\n" updatedb_median "$updatedb_seconds" s | tee -a "$figures"

echo "== scan against the bare walk under Wine ($rounds rounds)"
(cd "$work" && wine_run "$bench_exe" scan --rounds="$rounds") | tee "$work/scan.out" || status=1
grep '^FIGURE' "$work/scan.out" >>"$figures" || true
# Start to memdb.dat against updatedb's walk and write, in the same run.
scan_seconds=$(awk '$1 == "FIGURE" && $2 == "scan_median" { print $3 }' "$work/scan.out")
if [ -n "$scan_seconds" ]; then
  awk -v scan="$scan_seconds" -v updatedb="$updatedb_seconds" 'BEGIN {
    ratio = scan / updatedb
    printf "FIGURE %-28s %12.4f %-6s target %10.4f ratio %6.3f %s\n", "scan_over_updatedb", ratio, "x", 2, ratio / 2,
      ratio <= 2 ? "ok" : "MISSED"
    exit ratio <= 2 ? 0 : 1
  }' | tee -a "$figures" || status=1
fi

echo "== save and load of 1,000,000 names under Wine"
(cd "$work" && wine_run "$bench_exe" file) | tee "$work/file.out" || status=1
grep '^FIGURE' "$work/file.out" | sed 's/^FIGURE /FIGURE wine_/' >>"$figures" || true

if [ "$native" = 1 ]; then
  echo "== save and load of 1,000,000 names natively"
  bash "$root/bench/run-file-bench.sh" --file="$work/memdb-native.dat" | tee "$work/native.out" || status=1
  grep '^FIGURE' "$work/native.out" | sed 's/^FIGURE /FIGURE native_/' >>"$figures" || true
fi

echo "== summary (medians unless named otherwise)"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
cat "$figures"
[ "$status" -eq 0 ] || echo "some figure missed its target, or a benchmark could not run" >&2
exit "$status"
