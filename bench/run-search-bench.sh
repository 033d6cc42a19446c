#!/usr/bin/env bash
# Builds the search and memory benchmarks natively (Release, no sanitizer),
# runs them on the generated database of 1,000,000 files in 100,000
# directories, runs the same queries through plocate over a plocate database
# of the same names, and prints every figure with its ratio to its target.
#
#   bench/run-search-bench.sh [BUILD_DIR]
#
# Exits non-zero when a figure of ours misses its target. plocate's figures
# are whole-process times (start, open its database, answer, exit), the
# median of several runs. Every search class must take at most a third of
# plocate's time for the same query, and never more than 5 ms; a piece of
# three common letters inside names, at most 40% of plocate's time and never
# more than 12 ms. Each CLASS line says "ok" or "miss".
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${TMPDIR:-/tmp}/velkoro-bench-build}
runs=21

cmake -S "$root" -B "$build" -G Ninja -DVELKORO_SANITIZER=none -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target search_bench tree_memory_bench

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

status=0
echo "== search and change operations"
"$build/bench/search_bench" --write-file-list="$work/files.txt" --print-paths \
  | tee "$work/search.out" || status=1
echo "== memory"
"$build/bench/tree_memory_bench" | tee "$work/memory.out" || status=1

echo "== plocate over the same $(wc -l <"$work/files.txt") names"
# -l no: the names exist only in the list, so plocate must not check them
# against the disk.
plocate-build -p -l no "$work/files.txt" "$work/plocate.db"

# Median whole-process time of a plocate query (its arguments), in
# milliseconds.
plocate_ms() {
  local samples=()
  for ((i = 0; i < runs; i++)); do
    local start end
    start=$(date +%s%N)
    plocate -d "$work/plocate.db" "$@" >/dev/null || true
    end=$(date +%s%N)
    samples+=($(((end - start) / 1000)))
  done
  printf '%s\n' "${samples[@]}" | sort -n | awk -v n="$runs" 'NR == int(n / 2) + 1 { printf "%.4f", $1 / 1000 }'
}

ours_ms() {
  awk -v name="$1" '$1 == "FIGURE" && $2 == name { print $3 }' "$work/search.out"
}
probe() {
  awk -v name="$1" '$1 == "PATH" && $2 == name { print $3 }' "$work/search.out"
}

# Each class against plocate asked for the same names. plocate matches a
# glob against the whole path, so an exact file name is */NAME; -b matches
# the base name only, where a glob could also hit a directory's name.
# plocate reads "/" as the separator; our C:\DIR\ becomes /C:/DIR/.
subtree=$(probe subtree | tr '\\' '/')
few_name=$(probe few_name)
piece_few=$(probe piece_few)
# A class's ceiling in milliseconds and the divisor of plocate's time.
limits() {
  case $1 in
    # The directory summaries narrow a piece inside names little.
    "search_all_*PIECE*_few") echo "12 2.5" ;;
    *) echo "5 3" ;;
  esac
}
compare() {
  local figure=$1
  shift
  local theirs ours ceiling divisor
  theirs=$(plocate_ms "$@")
  ours=$(ours_ms "$figure")
  read -r ceiling divisor < <(limits "$figure")
  awk -v f="$figure" -v t="$theirs" -v o="$ours" -v ceiling="$ceiling" -v divisor="$divisor" -v query="$*" 'BEGIN {
    target = t / divisor < ceiling ? t / divisor : ceiling
    verdict = o <= target ? "ok" : "miss"
    printf "CLASS %-30s ours %9.4f ms  plocate %9.4f ms  ours/plocate %6.3f  target %7.4f ms  %s   (plocate %s)\n",
      f, o, t, (t > 0 ? o / t : 0), target, verdict, query
    exit verdict == "ok" ? 0 : 1 }' | tee -a "$work/classes.out"
}
misses=0
compare "search_all_*.TXT" '*.TXT' || misses=$((misses + 1))
compare "search_all_nothing_*.QQQ" '*.QQQ' || misses=$((misses + 1))
compare "search_all_nothing_literal" '*/NOSUCHFILE.XYZ' || misses=$((misses + 1))
compare "search_all_literal_few" "*/$few_name" || misses=$((misses + 1))
compare "search_all_???.INI" '*/???.INI' || misses=$((misses + 1))
compare "search_all_nothing_*QZXJ*" -b '*QZXJ*' || misses=$((misses + 1))
compare "search_all_*PIECE*_few" -b "*$piece_few*" || misses=$((misses + 1))
compare "search_unresolved_dir_literal" "*/$few_name" || misses=$((misses + 1))
compare "search_subtree_*.H" "/$subtree" || misses=$((misses + 1))
[ "$misses" -eq 0 ] || status=1

echo "== summary"
grep -h '^FIGURE' "$work/search.out" "$work/memory.out"
cat "$work/classes.out"
if [ "$status" -ne 0 ]; then
  echo "some figure missed its target" >&2
fi
exit "$status"
