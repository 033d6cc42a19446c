// wine_bench.exe: the benchmarks that must run under Wine. Run by
// bench/run-wine-bench.sh, which prepares the prefix and the tree.
//
//   wine_bench tree-lists FILES DIRECTORIES DIRLIST FILELIST
//   wine_bench scan [--rounds=N] [--database=FILE]     default 7, memdb-scan.dat
//   wine_bench file [--runs=N] [--database=FILE]       default 7, memdb-1m.dat
//
// scan and file print one FIGURE line per figure (bench_figures.h) and exit
// with 1 when a figure misses its target, 2 when the benchmark cannot run.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench_figures.h"
#include "exceptions.h"
#include "save_load_benchmark.h"
#include "scan_benchmark.h"
#include "tree_lists.h"

namespace {

constexpr int kCannotRun = 2;

int Usage() {
  std::fprintf(stderr,
               "usage: wine_bench tree-lists FILES DIRECTORIES DIRLIST FILELIST\n"
               "       wine_bench scan [--rounds=N] [--database=FILE]\n"
               "       wine_bench file [--runs=N] [--database=FILE]\n");
  return kCannotRun;
}

struct TOptions {
  int Count;
  std::string Database;
};

// Reads --COUNTNAME=N and --database=FILE; false on anything else.
bool ParseOptions(int argc, char** argv, const char* countName, TOptions& options) {
  const std::string countFlag = std::string("--") + countName + "=";
  const std::string databaseFlag = "--database=";
  for (int i = 2; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument.compare(0, countFlag.size(), countFlag) == 0) {
      options.Count = std::atoi(argument.c_str() + countFlag.size());
      if (options.Count < 1) return false;
    } else if (argument.compare(0, databaseFlag.size(), databaseFlag) == 0) {
      options.Database = argument.substr(databaseFlag.size());
      if (options.Database.empty()) return false;
    } else {
      return false;
    }
  }
  return true;
}

int Finish(bool ran) {
  const bool met = PrintFigures();
  if (!ran) return kCannotRun;
  return met ? 0 : 1;
}

int Run(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  if (command == "tree-lists") {
    if (argc != 6) return Usage();
    const long files = std::atol(argv[2]);
    const long directories = std::atol(argv[3]);
    if (files < 0 || directories < 1) return Usage();
    if (!WriteTreeLists(files, directories, argv[4], argv[5])) {
      std::fprintf(stderr, "cannot write the lists %s and %s\n", argv[4], argv[5]);
      return kCannotRun;
    }
    return 0;
  }
  if (command == "scan") {
    TOptions options{7, "memdb-scan.dat"};
    if (!ParseOptions(argc, argv, "rounds", options)) return Usage();
    return Finish(RunScanBenchmark(options.Count, options.Database));
  }
  if (command == "file") {
    TOptions options{7, "memdb-1m.dat"};
    if (!ParseOptions(argc, argv, "runs", options)) return Usage();
    return Finish(RunSaveLoadBenchmark(options.Count, options.Database));
  }
  return Usage();
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const Exception& exception) {
    std::fprintf(stderr, "%s: %s\n", exception.ClassName(), exception.what());
  } catch (const std::exception& exception) {
    std::fprintf(stderr, "error: %s\n", exception.what());
  }
  return kCannotRun;
}
