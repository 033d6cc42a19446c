// driver_bench.exe: how fast host changes reach the database through the
// monitor driver, under Wine. Run by bench/run-driver-bench.sh, which makes
// the tree on D:, installs the driver and drives the host's changes.
//
//   driver_bench TOP SUBDIRECTORIES FILES LATENCY_COUNT BURST_COUNT
//
// Builds the database of the generated tree (D:\Tnn\Snnn\Fn.DAT, FILES in
// every directory), registers with the driver as the driver link does, and
// applies every record with the program's own ChangeCallback. The host
// names each change's file after the moment it made it (CLOCK_REALTIME, in
// ns): LAT_<ns>.TXT for the steady changes, BUR_<ns>_<i>.TXT for a burst
// over the drive's directories, ONE_<ns>_<i>.TXT for a burst in one.
// The time from that moment to the database holding the file is measured
// right after ChangeCallback returns. Then both bursts are deleted, each
// after a marker file (DSP_<ns>.MRK, DON_<ns>.MRK) that names the moment
// its deletions began, and timed to the last deletion applied. Prints
// READY once registered, then the figures.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_figures.h"
#include "driver_device.h"
#include "drive_types.h"
#include "executive.h"
#include "memory_db.h"
#include "program_state.h"
#include "win32_database_host.h"

namespace {

using TPreciseTime = void(WINAPI*)(FILETIME*);
TPreciseTime PreciseTime = nullptr;

// Nanoseconds since 1970, on the clock the host names its files with.
int64_t NowNs() {
  FILETIME time;
  if (PreciseTime) {
    PreciseTime(&time);
  } else {
    GetSystemTimeAsFileTime(&time);
  }
  const int64_t ticks = (static_cast<int64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  return (ticks - 116444736000000000LL) * 100;
}

struct TBurst {
  size_t Applied = 0;
  int64_t FirstMadeNs = 0;
  int64_t LastMadeNs = 0;
  int64_t LastAppliedNs = 0;

  void Count(int64_t made, int64_t applied) {
    if (!FirstMadeNs || made < FirstMadeNs) FirstMadeNs = made;
    if (made > LastMadeNs) LastMadeNs = made;
    LastAppliedNs = applied;
    ++Applied;
  }
  void Record(const std::string& name) const {
    if (!Applied) return;
    const double seconds = (LastAppliedNs - FirstMadeNs) / 1e9;
    RecordFigure(name + "_applied", static_cast<double>(Applied), "", 0);
    RecordFigure(name + "_per_s", Applied / seconds, "1/s", 0);
    // The host's own pace: when the database holds the last change soon
    // after it was made, the burst was applied as fast as it was made. A
    // deletion's name does not say when it was made.
    if (LastMadeNs) {
      RecordFigure(name + "_made_per_s", Applied / ((LastMadeNs - FirstMadeNs) / 1e9), "1/s", 0);
      RecordFigure(name + "_lag_ms", (LastAppliedNs - LastMadeNs) / 1e6, "ms", 0);
    }
    // 10,000 changes a second or more: at most 100 us a change.
    RecordFigure(name + "_us_per_change", seconds * 1e6 / Applied, "us", 100);
  }
};

struct TMeasure {
  std::vector<double> LatenciesMs;
  TBurst Spread;     // BUR_: over the drive's directories
  TBurst OneFolder;  // ONE_: all in one directory
  TBurst SpreadDeletes;     // the BUR_ files deleted, from the DSP_ marker on
  TBurst OneFolderDeletes;  // the ONE_ files deleted, from the DON_ marker on
} Measure;

void CountDeleted(TBurst& burst, int64_t applied) {
  burst.LastAppliedNs = applied;
  ++burst.Applied;
}

int64_t MadeAt(const char* name, const char* prefix) {
  const size_t length = std::strlen(prefix);
  return std::strncmp(name, prefix, length) == 0 ? std::strtoll(name + length, nullptr, 10) : 0;
}

DWORD WINAPI BenchRoutine(TChangeRecord* record) {
  const char* slash = std::strrchr(record->Path, '\\');
  const std::string name = slash ? slash + 1 : record->Path;
  const int eventCode = record->EventCode;
  ChangeCallback(record);  // applies it and gives it back
  const int64_t applied = NowNs();
  if (eventCode == 31) {
    if (MadeAt(name.c_str(), "BUR_")) CountDeleted(Measure.SpreadDeletes, applied);
    else if (MadeAt(name.c_str(), "ONE_")) CountDeleted(Measure.OneFolderDeletes, applied);
    return 0;
  }
  if (eventCode != 36) return 0;
  if (const int64_t made = MadeAt(name.c_str(), "DSP_")) {
    Measure.SpreadDeletes.FirstMadeNs = made;
  } else if (const int64_t made = MadeAt(name.c_str(), "DON_")) {
    Measure.OneFolderDeletes.FirstMadeNs = made;
  } else if (const int64_t made = MadeAt(name.c_str(), "LAT_")) {
    Measure.LatenciesMs.push_back((applied - made) / 1e6);
  } else if (const int64_t made = MadeAt(name.c_str(), "BUR_")) {
    Measure.Spread.Count(made, applied);
  } else if (const int64_t made = MadeAt(name.c_str(), "ONE_")) {
    Measure.OneFolder.Count(made, applied);
  }
  return 0;
}

void BuildTree(TMemoryDB& db, int tops, int subdirectories, int files) {
  TDDList& list = *db.DirList;
  auto addFiles = [&](TDirectoryRecord* node) {
    for (int f = 0; f < files; ++f) list.AddEntry("F" + std::to_string(f) + ".DAT", node);
  };
  TDirectoryRecord* drive = list.AddNode("D:", nullptr);
  char name[16];
  for (int t = 0; t < tops; ++t) {
    std::snprintf(name, sizeof name, "T%02d", t);
    TDirectoryRecord* top = list.AddNode(name, drive);
    addFiles(top);
    for (int s = 0; s < subdirectories; ++s) {
      std::snprintf(name, sizeof name, "S%03d", s);
      addFiles(list.AddNode(name, top));
    }
  }
  list.AddNode("BURST", drive);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: driver_bench TOP SUBDIRECTORIES FILES LATENCY_COUNT BURST_COUNT\n");
    return 2;
  }
  const int tops = std::atoi(argv[1]), subdirectories = std::atoi(argv[2]), files = std::atoi(argv[3]);
  const size_t latencyCount = std::strtoul(argv[4], nullptr, 10), burstCount = std::strtoul(argv[5], nullptr, 10);
  PreciseTime = reinterpret_cast<TPreciseTime>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetSystemTimePreciseAsFileTime")));

  Database = std::make_unique<TMemoryDB>(Win32DatabaseHost());
  BuildTree(*Database, tops, subdirectories, files);
  // The driver link's thread runs at idle priority and reuses drive types
  // for a second; so does this one.
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_IDLE);
  ReuseDriveTypesOnThisThread();

  const double opened = Now();
  DriverHandle = OpenDriverDevice();
  TDriverAddress routine = reinterpret_cast<TDriverAddress>(&BenchRoutine);
  DWORD output = 0, returned = 0;
  if (DriverHandle == INVALID_HANDLE_VALUE ||
      !DriverDeviceControl(DriverHandle, CTL_SET_CALLBACK, &routine, sizeof routine, &output, 4, &returned)) {
    std::fprintf(stderr, "driver_bench: the driver could not be opened or refused the registration\n");
    return 2;
  }
  RecordFigure("driver_registration_s", Now() - opened, "s", 0);
  std::printf("READY\n");
  std::fflush(stdout);

  const HANDLE never = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  const DWORD start = GetTickCount();
  while ((Measure.LatenciesMs.size() < latencyCount || Measure.Spread.Applied < burstCount ||
          Measure.OneFolder.Applied < burstCount || Measure.SpreadDeletes.Applied < burstCount ||
          Measure.OneFolderDeletes.Applied < burstCount) &&
         GetTickCount() - start < 600000) {
    WaitForSingleObjectEx(never, 100, TRUE);
  }
  TDriverAddress none = 0;
  DriverDeviceControl(DriverHandle, CTL_SET_CALLBACK, &none, sizeof none, &output, 4, &returned);
  CloseDriverDevice(DriverHandle);

  std::vector<double> latencies = Measure.LatenciesMs;
  std::sort(latencies.begin(), latencies.end());
  RecordFigure("changes_measured", static_cast<double>(latencies.size()), "", 0);
  if (!latencies.empty()) {
    RecordFigure("change_latency_median_ms", latencies[latencies.size() / 2], "ms", 50);
    RecordFigure("change_latency_p99_ms", latencies[std::min(latencies.size() - 1, latencies.size() * 99 / 100)],
                 "ms", 500);
    RecordFigure("change_latency_max_ms", latencies.back(), "ms", 0);
  }
  Measure.Spread.Record("burst_spread");
  Measure.OneFolder.Record("burst_one_folder");
  Measure.SpreadDeletes.Record("delete_spread");
  Measure.OneFolderDeletes.Record("delete_one_folder");
  const bool met = PrintFigures();
  const bool complete = latencies.size() >= latencyCount && Measure.Spread.Applied >= burstCount &&
                        Measure.OneFolder.Applied >= burstCount && Measure.SpreadDeletes.Applied >= burstCount &&
                        Measure.OneFolderDeletes.Applied >= burstCount;
  return complete ? (met ? 0 : 1) : 2;
}
