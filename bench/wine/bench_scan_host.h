// The product's Win32 database host with the progress bar taken off the
// splash panel, which a benchmark does not have. Everything else - drive and
// file queries, FindFirstFileA enumeration, CharUpperBuffA, the critical
// section, the settings store, and the message pump (the application's own
// PeekMessage loop) - is the product's, so a timed scan costs what the
// product's scan costs, less the repaints of the panel.
#pragma once

#include "database_host.h"

// How often the scan's per-entry call to ProcessMessages reaches the pump.
enum class TPumpMode {
  EveryEntry,  // as the product does
  Never,       // to tell the pump's share of the scan's cost from the tree's
  Throttled,   // at most once per kThrottledPumpMs, as an alternative to weigh
};

constexpr unsigned kThrottledPumpMs = 10;

// Where the scan's listings come from: the product's choice (a native
// reader for a drive that is a host folder, else Wine), or Wine's
// FindFirstFileA alone, as the scan read every drive before the reader.
enum class TListingMode { Product, WineOnly };

class TBenchScanHost : public TDatabaseHost {
 public:
  TBenchScanHost(TDatabaseHost& product, TPumpMode pump, TListingMode listings = TListingMode::Product);

  std::unique_ptr<TDatabaseLock> CreateLock() override;
  unsigned DriveType(const std::string& rootPath) override;
  bool DiskFreeSpace(const std::string& rootPath, TDiskSpace& space) override;
  std::unique_ptr<TDirectoryEnumeration> FindFirst(const std::string& pattern) override;
  uint32_t FileAttributes(const std::string& path) override;
  bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t size) override;
  bool RenameOver(const std::string& source, const std::string& target) override;
  bool RemoveFile(const std::string& path) override;
  void UpperCase(std::string& text) override;
  int32_t ReadSettingInteger(const char* name) override;
  void WriteSettingInteger(const char* name, int32_t value) override;
  void ProcessMessages() override;
  bool TerminateRequested() override;
  void SetProgress(int position) override;

  // What the scan did with the progress bar since the last reset.
  void ResetProgress();
  int ProgressCalls() const { return progressCalls_; }
  int LastProgress() const { return lastProgress_; }
  bool ProgressWentBackwards() const { return wentBackwards_; }

  // The user's Cancel, as the scan sees it: requested from the moment
  // seconds (Now()) on; 0 never. And the longest time the scan went without
  // looking for it, since the last reset.
  void CancelFrom(double seconds) { cancelFrom_ = seconds; }
  double LongestGapBetweenChecks() const { return longestGap_; }

 private:
  TDatabaseHost& product_;
  const TPumpMode pump_;
  const TListingMode listings_;
  double cancelFrom_ = 0;
  double lastCheck_ = 0;
  double longestGap_ = 0;
  unsigned long lastPumpTick_ = 0;
  int progressCalls_ = 0;
  int lastProgress_ = 0;
  bool wentBackwards_ = false;
};
