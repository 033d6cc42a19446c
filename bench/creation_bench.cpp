// A burst of file creations in one directory, as the monitor reports them
// when a program unpacks 50,000 files into one folder: each creation is one
// AddFile, applied while the directory grows from empty to 50,000 names.
// Prints the creations a second over the whole burst, the cost of one
// creation at each 10,000 names, and the cost of a creation reported again
// for a file already there (that one must read the whole chain).
//
//   creation_bench    (build natively: -DVELKORO_SANITIZER=none, Release)
#include <cstdio>
#include <string>

#include "bench_figures.h"
#include "fake_host.h"
#include "memory_db.h"

namespace {

constexpr int kCreations = 50000;
constexpr int kStep = 10000;
constexpr int kRepeats = 2000;
// 10,000 creations a second.
constexpr double kTargetMicroseconds = 100;

// Names as an unpacker writes them: mixed lengths and a few extensions.
std::string NameOf(int i) {
  static const char* const kExtensions[] = {".TXT", ".DLL", ".BMP", ".HTM", ".GIF"};
  char name[64];
  std::snprintf(name, sizeof name, "PART%d_%04X%s", i % 97, i, kExtensions[i % 5]);
  return name;
}

}  // namespace

int main() {
  TFakeHost host;
  host.DefineDrive('C', 3);
  TMemoryDB database(host);
  database.AddDirectory("C:");
  database.AddDirectory("C:\\BURST");
  const std::string directory = "C:\\BURST\\";

  const double burstStart = Now();
  double stepStart = burstStart;
  for (int i = 0; i < kCreations; ++i) {
    database.AddFile(directory + NameOf(i));
    if ((i + 1) % kStep == 0) {
      const double now = Now();
      RecordFigure("creation_us_up_to_" + std::to_string(i + 1), (now - stepStart) * 1e6 / kStep,
                   "us", 0);
      stepStart = now;
    }
  }
  const double burst = Now() - burstStart;
  RecordFigure("creations_per_second", kCreations / burst, "per_s", 0);
  RecordFigure("creation_us_mean_over_burst", burst * 1e6 / kCreations, "us", kTargetMicroseconds);

  const double repeatStart = Now();
  for (int i = 0; i < kRepeats; ++i) database.AddFile(directory + NameOf(i * 25));
  RecordFigure("repeated_creation_us_at_50000", (Now() - repeatStart) * 1e6 / kRepeats, "us", 0);

  int names = 0;
  TDirectoryRecord* burstNode = database.FindNode("BURST", database.FindNode("C:", nullptr));
  for (const TFileRecord* entry = burstNode ? burstNode->Files : nullptr; entry; entry = entry->Next) {
    ++names;
  }
  if (names != kCreations) {
    std::fprintf(stderr, "expected %d names, got %d\n", kCreations, names);
    return 2;
  }
  return PrintFigures() ? 0 : 1;
}
