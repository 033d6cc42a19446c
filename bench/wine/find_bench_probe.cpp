// find_bench_probe.exe: the Win32 side of bench/run-find-bench.sh.
//
//   find_bench_probe database FILE
//       writes FILE, a database of the generated 1,000,000 names in
//       100,000 directories (the tree of the search and window
//       benchmarks, same seed), for the installed program to load
//   find_bench_probe responsiveness SECONDS
//       while shells query the running program, asks its search window
//       for a reply (WM_NULL) again and again for SECONDS, and prints the
//       median, 99th percentile and longest wait for one, in ms
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench_figures.h"
#include "memory_db.h"
#include "tree_generator.h"
#include "win32_database_host.h"

namespace {

constexpr size_t kFiles = 1000000;
constexpr size_t kDirectories = 100000;
constexpr uint32_t kSeed = 1996;
constexpr UINT kReplyTimeoutMs = 5000;

int WriteDatabase(const char* fileName) {
  TMemoryDB generated(Win32DatabaseHost());
  GenerateTree(generated, kFiles, kDirectories, kSeed);
  generated.FileName = fileName;
  if (!generated.SaveToFile()) {
    std::fprintf(stderr, "SaveToFile failed (is there a key Velkoro\\Settings?)\n");
    return 2;
  }
  std::printf("wrote %zu files in %zu directories to %s\n", kFiles, kDirectories, fileName);
  return 0;
}

int MeasureResponsiveness(double seconds) {
  const HWND window = FindWindowA("TFormui", nullptr);
  if (!window) {
    std::fprintf(stderr, "no search window\n");
    return 2;
  }
  std::vector<double> waits;
  const double end = Now() + seconds;
  while (Now() < end) {
    const double start = Now();
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, kReplyTimeoutMs, &result)) {
      std::printf("no reply within %u ms\n", kReplyTimeoutMs);
      return 1;
    }
    waits.push_back((Now() - start) * 1e3);
    Sleep(5);
  }
  std::sort(waits.begin(), waits.end());
  std::printf("REPLY %zu p50 %.3f p99 %.3f max %.3f\n", waits.size(), waits[waits.size() / 2],
              waits[waits.size() * 99 / 100], waits.back());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "database") == 0) return WriteDatabase(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "responsiveness") == 0) return MeasureResponsiveness(std::atof(argv[2]));
  std::fprintf(stderr, "usage: find_bench_probe database FILE | responsiveness SECONDS\n");
  return 2;
}
