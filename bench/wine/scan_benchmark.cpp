#include "scan_benchmark.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bare_walk.h"
#include "bench_figures.h"
#include "bench_scan_host.h"
#include "exceptions.h"
#include "memory_db.h"
#include "tree_generator.h"
#include "win32_database_host.h"

namespace {

constexpr double kOverheadTargetPercent = 25;
// The splash panel's Cancel must act within this of the click.
constexpr double kCancelTargetMs = 100;

TWalkCount CountTree(TMemoryDB& database) {
  TLockGuard guard(*database.Lock);
  TWalkCount count;
  for (const TDirectoryRecord* node = database.DirList->FirstNode(); node; node = node->Next) {
    if (node->Parent) ++count.Directories;
    count.Files += FileCount(node);
  }
  return count;
}

bool SameCount(const TWalkCount& a, const TWalkCount& b) {
  return a.Directories == b.Directories && a.Files == b.Files;
}

// One kind of run with its timings: the bare walk when Host is nil, else a
// ScanDrives through that host.
struct TSubject {
  std::string Name;
  std::unique_ptr<TBenchScanHost> Host;
  std::unique_ptr<TMemoryDB> Database;
  std::vector<double> Seconds;
  double LongestGap = 0;  // between two looks for a cancel, over all runs
};

std::unique_ptr<TSubject> Walk() {
  auto subject = std::make_unique<TSubject>();
  subject->Name = "walk";
  return subject;
}

std::unique_ptr<TSubject> Scan(const char* name, TPumpMode pump, TListingMode listings = TListingMode::Product) {
  auto subject = std::make_unique<TSubject>();
  subject->Name = name;
  subject->Host = std::make_unique<TBenchScanHost>(Win32DatabaseHost(), pump, listings);
  subject->Database = std::make_unique<TMemoryDB>(*subject->Host);
  return subject;
}

// One timed run; false when it did not see what the first walk saw, or a
// scan's progress bar moved backwards.
bool TimeRun(TSubject& subject, const std::string& databaseFile, const TWalkCount& expected) {
  TWalkCount found;
  if (subject.Host) {
    subject.Host->ResetProgress();
    const double start = Now();
    subject.Database->ScanDrives(databaseFile);
    subject.Seconds.push_back(Now() - start);
    subject.LongestGap = std::max(subject.LongestGap, subject.Host->LongestGapBetweenChecks());
    found = CountTree(*subject.Database);
    if (subject.Host->ProgressWentBackwards()) {
      std::fprintf(stderr, "%s: the progress position moved backwards\n", subject.Name.c_str());
      return false;
    }
  } else {
    const double start = Now();
    found = WalkFixedDrives();
    subject.Seconds.push_back(Now() - start);
  }
  if (!SameCount(found, expected)) {
    std::fprintf(stderr, "%s: found %zu directories and %zu files, the first walk %zu and %zu\n",
                 subject.Name.c_str(), found.Directories, found.Files, expected.Directories,
                 expected.Files);
    return false;
  }
  return true;
}

double PerSecond(size_t entries, double seconds) { return seconds > 0 ? entries / seconds : 0; }

double OverheadPercent(double seconds, double floor) { return (seconds / floor - 1) * 100; }

// A scan cancelled at a share of its way through: the time from the
// request to the scan's ETerminate reaching its caller, its reader ended
// and every enumeration closed on the way. Negative when the scan was not
// cancelled.
double CancelSeconds(double scanSeconds, double share, const std::string& databaseFile) {
  TBenchScanHost host(Win32DatabaseHost(), TPumpMode::EveryEntry);
  TMemoryDB database(host);
  const double requested = Now() + scanSeconds * share;
  host.CancelFrom(requested);
  try {
    database.ScanDrives(databaseFile + ".cancelled");
  } catch (const ETerminate&) {
    return Now() - requested;
  }
  return -1;
}

}  // namespace

bool RunScanBenchmark(int rounds, const std::string& databaseFile) {
  const std::string fixed = FixedDriveLetters();
  std::printf("fixed drives: %s\n", fixed.empty() ? "(none)" : fixed.c_str());
  if (fixed.empty()) {
    std::fprintf(stderr, "no fixed drive to scan\n");
    return false;
  }

  // The first pass over a tree reads the host's directory blocks from disk;
  // it is not one of the measured runs.
  const TWalkCount expected = WalkFixedDrives();
  const size_t entries = expected.Entries();
  std::printf("entries on the fixed drives: %zu (%zu directories, %zu files)\n", entries,
              expected.Directories, expected.Files);
  std::fflush(stdout);

  std::vector<std::unique_ptr<TSubject>> subjects;
  subjects.push_back(Walk());
  subjects.push_back(Scan("scan", TPumpMode::EveryEntry));
  subjects.push_back(Scan("scan_no_pump", TPumpMode::Never));
  subjects.push_back(Scan("scan_pump_10ms", TPumpMode::Throttled));
  // The scan as it was before its listings came from a native reader.
  subjects.push_back(Scan("scan_wine_only", TPumpMode::EveryEntry, TListingMode::WineOnly));
  TSubject& walk = *subjects[0];
  TSubject& scan = *subjects[1];

  std::vector<double> pairedOverhead;
  for (int round = 0; round < rounds; ++round) {
    std::printf("round %d:", round + 1);
    for (size_t step = 0; step < subjects.size(); ++step) {
      TSubject& subject = *subjects[(round + step) % subjects.size()];
      if (!TimeRun(subject, databaseFile, expected)) return false;
      std::printf(" %s %.3f s", subject.Name.c_str(), subject.Seconds.back());
      std::fflush(stdout);
    }
    std::printf("\n");
    pairedOverhead.push_back(OverheadPercent(scan.Seconds.back(), walk.Seconds.back()));
  }

  // The scan ends with a save of what it found; timed once more alone, to
  // show how much of the scan's time it is.
  const double saveStart = Now();
  const bool saved = scan.Database->SaveToFile();
  const double saveSeconds = Now() - saveStart;
  if (!saved) std::fprintf(stderr, "the scanned tree could not be saved\n");

  const double walkMedian = Median(walk.Seconds);
  RecordFigure("scan_tree_entries", static_cast<double>(entries), "names", 0);
  for (const auto& subject : subjects) {
    const double median = Median(subject->Seconds);
    RecordFigure(subject->Name + "_median", median, "s", 0);
    RecordFigure(subject->Name + "_entries_per_s", PerSecond(entries, median), "1/s", 0);
    if (subject.get() != &walk && subject.get() != &scan) {
      RecordFigure(subject->Name + "_over_walk", OverheadPercent(median, walkMedian), "%", 0);
    }
  }
  const double scanMedian = Median(scan.Seconds);
  const double noPumpMedian = Median(subjects[2]->Seconds);
  RecordFigure("pump_cost_per_entry", (scanMedian - noPumpMedian) / entries * 1e6, "us", 0);
  RecordFigure("scan_save_alone", saveSeconds * 1e3, "ms", 0);
  RecordFigure("scan_over_walk_paired_median", Median(pairedOverhead), "%", 0);
  RecordFigure("scan_wine_only_over_scan", Median(subjects[4]->Seconds) / scanMedian, "x", 0);
  RecordFigure("scan_longest_gap_between_cancel_checks", scan.LongestGap * 1e3, "ms", kCancelTargetMs);
  // The same through Wine alone: what other work on the machine makes of
  // the gaps, whatever the listings' source.
  RecordFigure("scan_wine_only_longest_gap", subjects[4]->LongestGap * 1e3, "ms", 0);
  const double fastestScan = *std::min_element(scan.Seconds.begin(), scan.Seconds.end());
  // Cancels at five points of the fastest scan's time: the worst of them is
  // the figure. A scan that ends before its cancel measures nothing.
  double cancel = -1;
  for (const double share : {0.1, 0.3, 0.5, 0.7, 0.9}) {
    const double seconds = CancelSeconds(fastestScan, share, databaseFile);
    if (seconds < 0) {
      std::printf("cancel at %.0f%% of the scan: the scan ended first\n", share * 100);
      continue;
    }
    std::printf("cancel at %.0f%% of the scan: %.1f ms\n", share * 100, seconds * 1e3);
    cancel = std::max(cancel, seconds);
  }
  if (cancel < 0) std::fprintf(stderr, "no scan was cancelled\n");
  if (cancel >= 0) RecordFigure("scan_cancel_after_request_worst", cancel * 1e3, "ms", kCancelTargetMs);
  // The fastest run of each is the one least disturbed by other work on
  // the machine.
  const double walkBest = *std::min_element(walk.Seconds.begin(), walk.Seconds.end());
  const double scanBest = *std::min_element(scan.Seconds.begin(), scan.Seconds.end());
  RecordFigure("walk_best", walkBest, "s", 0);
  RecordFigure("scan_best", scanBest, "s", 0);
  RecordFigure("scan_over_walk_best", OverheadPercent(scanBest, walkBest), "%", 0);
  RecordFigure("scan_over_walk", OverheadPercent(scanMedian, walkMedian), "%",
               kOverheadTargetPercent);
  return saved && cancel >= 0;
}
