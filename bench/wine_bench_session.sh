# Sourced by the benchmarks that run under Wine, after they have set root
# (the source tree) and build (their cross build folder, or empty for
# build/ARCH-bench). They measure the build that runs natively here, the
# 32-bit program or the 64-bit one (tools/wine-arch.sh), or the one
# VELKORO_BUILD_ARCH names.
#
#   wine_bench_build TARGET...       builds the targets, Release, in $build
#   wine_bench_session NAME [display]
#                                    makes $work, a temporary folder that goes
#                                    at the end, with $prefix, a Wine prefix of
#                                    its own (WINEPREFIX); with "display" also
#                                    a private X display that nobody shares
#   wine_run ARGS...                 wine, its console's CR LF made LF
#
# A benchmark with more to undo at the end defines wine_bench_cleanup_more.

source "$root/tools/wine-arch.sh"
bench_arch=$(velkoro_build_arch)
build=${build:-$root/build/$bench_arch-bench}
use_wine_for "$bench_arch"

wine_bench_build() {
  echo "== building $build ($bench_arch)"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$(velkoro_toolchain "$bench_arch")" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j2 --target "$@" >/dev/null
}

wine_bench_cleanup() {
  if declare -F wine_bench_cleanup_more >/dev/null; then wine_bench_cleanup_more; fi
  wineserver -k 2>/dev/null || true
  stop_private_display
  rm -rf "$work"
}

wine_bench_session() {
  work=$(mktemp -d "${TMPDIR:-/tmp}/velkoro-$1.XXXXXX")
  prefix="$work/prefix"
  export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  source "$root/tools/private-display.sh"
  trap wine_bench_cleanup EXIT
  if [ "${2:-}" = display ]; then start_private_display 71; fi
}

wine_run() { wine "$@" | tr -d '\r'; }
