#include "save_load_benchmark.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "bench_figures.h"
#include "memory_db.h"
#include "tree_generator.h"
#include "win32_database_host.h"

namespace {

constexpr size_t kFiles = 1000000;
constexpr size_t kDirectories = 100000;
constexpr uint32_t kSeed = 1996;
constexpr double kTargetMs = 500;

bool FileSize(const std::string& path, double& bytes) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
  bytes = static_cast<double>(data.nFileSizeHigh) * 4294967296.0 + data.nFileSizeLow;
  return true;
}

// Deletes the database file however the benchmark leaves.
class TRemoveOnExit {
 public:
  explicit TRemoveOnExit(const std::string& path) : path_(path) {}
  ~TRemoveOnExit() { DeleteFileA(path_.c_str()); }
  TRemoveOnExit(const TRemoveOnExit&) = delete;
  TRemoveOnExit& operator=(const TRemoveOnExit&) = delete;

 private:
  std::string path_;
};

}  // namespace

bool RunSaveLoadBenchmark(int runs, const std::string& databaseFile) {
  TDatabaseHost& host = Win32DatabaseHost();
  TMemoryDB database(host);
  const double generateStart = Now();
  GenerateTree(database, kFiles, kDirectories, kSeed);
  std::printf("generated %zu files in %zu directories in %.2f s\n", kFiles, kDirectories,
              Now() - generateStart);
  std::fflush(stdout);
  database.FileName = databaseFile;
  const TRemoveOnExit removeFile(databaseFile);

  std::vector<double> saves;
  for (int run = 0; run < runs; ++run) {
    const double start = Now();
    const bool saved = database.SaveToFile();
    saves.push_back(Now() - start);
    if (!saved) {
      std::fprintf(stderr, "SaveToFile failed (is there a key Velkoro\\Settings?)\n");
      return false;
    }
  }
  double bytes = 0;
  if (!FileSize(databaseFile, bytes)) {
    std::fprintf(stderr, "the saved file %s cannot be found\n", databaseFile.c_str());
    return false;
  }

  // A load at start-up goes into an empty database: each run gets a new one,
  // and the time to free the loaded tree afterwards is not counted.
  std::vector<double> loads;
  for (int run = 0; run < runs; ++run) {
    auto fresh = std::make_unique<TMemoryDB>(host);
    const double start = Now();
    const bool loaded = fresh->LoadFromFile(databaseFile);
    loads.push_back(Now() - start);
    if (!loaded) {
      std::fprintf(stderr, "LoadFromFile refused the file it had just saved\n");
      return false;
    }
    if (fresh->DirList->NodeCount() != kDirectories) {
      std::fprintf(stderr, "the loaded tree holds %zu directories, not %zu\n",
                   fresh->DirList->NodeCount(), kDirectories);
      return false;
    }
  }
  for (int run = 0; run < runs; ++run) {
    std::printf("run %d: save %.1f ms, load %.1f ms\n", run + 1, saves[run] * 1e3, loads[run] * 1e3);
  }

  const double names = kFiles + kDirectories;
  RecordFigure("file_size", bytes / 1e6, "MB", 0);
  RecordFigure("bytes_per_name_files_and_dirs", bytes / names, "bytes", 0);
  RecordFigure("bytes_per_file_name", bytes / kFiles, "bytes", 0);
  RecordFigure("save_1M_files", Median(saves) * 1e3, "ms", kTargetMs);
  RecordFigure("load_1M_files", Median(loads) * 1e3, "ms", kTargetMs);
  return true;
}
