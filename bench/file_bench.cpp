// Saving and loading the database file for a generated database of
// 1,000,000 files in 100,000 directories. Each timed call is one whole
// SaveToFile or LoadFromFile, file I/O included; the figures are medians.
//
//   file_bench [--file=PATH] [benchmark flags]
//
// --file names the database file (default memdb-bench.dat in the system's
// temporary folder); it is removed at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench_figures.h"
#include "fake_host.h"
#include "memory_db.h"
#include "tree_generator.h"

namespace {

constexpr size_t kFiles = 1000000;
constexpr size_t kDirectories = 100000;
constexpr uint32_t kSeed = 1996;
constexpr double kTargetMs = 500;

std::string& BenchFile() {
  static std::string path = (std::filesystem::temp_directory_path() / "memdb-bench.dat").string();
  return path;
}

struct TBenchDatabase {
  TFakeHost Host;
  TMemoryDB Database{Host};
  TBenchDatabase() {
    GenerateTree(Database, kFiles, kDirectories, kSeed);
    Database.FileName = BenchFile();
  }
};

TBenchDatabase& Bench() {
  static TBenchDatabase bench;
  return bench;
}

void BM_SaveToFile(benchmark::State& state) {
  TBenchDatabase& bench = Bench();
  std::vector<double> samples;
  for (auto _ : state) {
    const double start = Now();
    const bool saved = bench.Database.SaveToFile();
    const double elapsed = Now() - start;
    if (!saved) {
      state.SkipWithError("SaveToFile failed");
      return;
    }
    state.SetIterationTime(elapsed);
    samples.push_back(elapsed);
  }
  const double bytes = static_cast<double>(std::filesystem::file_size(BenchFile()));
  const double names = kFiles + kDirectories;
  state.counters["median_ms"] = Median(samples) * 1e3;
  state.counters["file_MB"] = bytes / 1e6;
  RecordFigure("save_1M_files", Median(samples) * 1e3, "ms", kTargetMs);
  RecordFigure("file_size", bytes / 1e6, "MB", 0);
  RecordFigure("bytes_per_name_files_and_dirs", bytes / names, "bytes", 0);
  RecordFigure("bytes_per_file_name", bytes / kFiles, "bytes", 0);
}

// A load at start-up goes into an empty database: each call gets a new one,
// and the time to free the loaded tree afterwards is not counted.
void BM_LoadFromFile(benchmark::State& state) {
  TBenchDatabase& bench = Bench();
  if (!bench.Database.SaveToFile()) {
    state.SkipWithError("SaveToFile failed");
    return;
  }
  std::vector<double> samples;
  for (auto _ : state) {
    auto fresh = std::make_unique<TMemoryDB>(bench.Host);
    const double start = Now();
    const bool loaded = fresh->LoadFromFile(BenchFile());
    const double elapsed = Now() - start;
    if (!loaded) {
      state.SkipWithError("LoadFromFile refused the file");
      return;
    }
    state.SetIterationTime(elapsed);
    samples.push_back(elapsed);
  }
  state.counters["median_ms"] = Median(samples) * 1e3;
  RecordFigure("load_1M_files", Median(samples) * 1e3, "ms", kTargetMs);
}

BENCHMARK(BM_SaveToFile)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_LoadFromFile)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(7);

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> args;
  const char* fileFlag = "--file=";
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], fileFlag, std::strlen(fileFlag)) == 0) {
      BenchFile() = argv[i] + std::strlen(fileFlag);
    } else {
      args.push_back(argv[i]);
    }
  }
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::remove(BenchFile().c_str());
  return PrintFigures() ? 0 : 1;
}
