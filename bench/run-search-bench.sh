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
# median of several runs, printed for comparison.
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

# Median whole-process time of a plocate query, in milliseconds.
plocate_ms() {
  local pattern=$1 samples=()
  for ((i = 0; i < runs; i++)); do
    local start end
    start=$(date +%s%N)
    plocate -d "$work/plocate.db" "$pattern" >/dev/null || true
    end=$(date +%s%N)
    samples+=($(((end - start) / 1000)))
  done
  printf '%s\n' "${samples[@]}" | sort -n | awk -v n="$runs" 'NR == int(n / 2) + 1 { printf "%.4f", $1 / 1000 }'
}

ours_ms() {
  awk -v name="$1" '$1 == "FIGURE" && $2 == name { print $3 }' "$work/search.out"
}

# plocate reads "/" as the separator; our C:\DIR\ becomes /C:/DIR/.
subtree=$(awk '$1 == "PATH" && $2 == "subtree" { print $3 }' "$work/search.out" | tr '\\' '/')
compare() {
  local figure=$1 pattern=$2 target=$3
  local theirs ours
  theirs=$(plocate_ms "$pattern")
  ours=$(ours_ms "$figure")
  awk -v f="$figure" -v t="$theirs" -v o="$ours" -v target="$target" 'BEGIN {
    printf "FIGURE plocate_%-20s %12.4f ms     target %10.4f ratio %6.3f  (ours %.4f ms, ours/plocate %.3f)\n",
      f, t, target, t / target, o, (t > 0 ? o / t : 0) }'
}
compare "search_all_*.TXT" '*.TXT' 10
compare "search_all_nothing_*.QQQ" '*.QQQ' 10
compare "search_all_nothing_literal" 'NOSUCHFILE.XYZ' 10
compare "search_subtree_*.H" "/$subtree" 1

echo "== summary"
grep -h '^FIGURE' "$work/search.out" "$work/memory.out"
if [ "$status" -ne 0 ]; then
  echo "some figure missed its target" >&2
fi
exit "$status"
