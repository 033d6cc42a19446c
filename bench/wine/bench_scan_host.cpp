#include "bench_scan_host.h"

#include <windows.h>

#include "bench_figures.h"
#include "win32_database_host.h"

TBenchScanHost::TBenchScanHost(TDatabaseHost& product, TPumpMode pump, TListingMode listings)
    : product_(product), pump_(pump), listings_(listings) {}

std::unique_ptr<TDatabaseLock> TBenchScanHost::CreateLock() { return product_.CreateLock(); }

unsigned TBenchScanHost::DriveType(const std::string& rootPath) {
  return product_.DriveType(rootPath);
}

bool TBenchScanHost::DiskFreeSpace(const std::string& rootPath, TDiskSpace& space) {
  return product_.DiskFreeSpace(rootPath, space);
}

std::unique_ptr<TDirectoryEnumeration> TBenchScanHost::FindFirst(const std::string& pattern) {
  if (listings_ == TListingMode::WineOnly) return FindFileEnumeration(pattern);
  return product_.FindFirst(pattern);
}

uint32_t TBenchScanHost::FileAttributes(const std::string& path) {
  return product_.FileAttributes(path);
}

bool TBenchScanHost::WriteWholeFile(const std::string& path, const uint8_t* data, size_t size) {
  return product_.WriteWholeFile(path, data, size);
}
bool TBenchScanHost::RenameOver(const std::string& source, const std::string& target) {
  return product_.RenameOver(source, target);
}
bool TBenchScanHost::RemoveFile(const std::string& path) { return product_.RemoveFile(path); }
void TBenchScanHost::UpperCase(std::string& text) { product_.UpperCase(text); }

int32_t TBenchScanHost::ReadSettingInteger(const char* name) {
  return product_.ReadSettingInteger(name);
}

void TBenchScanHost::WriteSettingInteger(const char* name, int32_t value) {
  product_.WriteSettingInteger(name, value);
}

void TBenchScanHost::ProcessMessages() {
  switch (pump_) {
    case TPumpMode::EveryEntry:
      product_.ProcessMessages();
      break;
    case TPumpMode::Never:
      break;
    case TPumpMode::Throttled: {
      // GetTickCount reads shared memory; every call that asks for the
      // message queue is a round trip to the wineserver.
      const unsigned long now = GetTickCount();
      if (now - lastPumpTick_ >= kThrottledPumpMs) {
        lastPumpTick_ = now;
        product_.ProcessMessages();
      }
      break;
    }
  }
}

bool TBenchScanHost::TerminateRequested() {
  const double now = Now();
  if (lastCheck_ > 0 && now - lastCheck_ > longestGap_) longestGap_ = now - lastCheck_;
  lastCheck_ = now;
  if (cancelFrom_ > 0 && now >= cancelFrom_) return true;
  return product_.TerminateRequested();
}

void TBenchScanHost::SetProgress(int position) {
  ++progressCalls_;
  if (position < lastProgress_) wentBackwards_ = true;
  lastProgress_ = position;
}

void TBenchScanHost::ResetProgress() {
  lastCheck_ = 0;
  longestGap_ = 0;
  progressCalls_ = 0;
  lastProgress_ = 0;
  wentBackwards_ = false;
}
