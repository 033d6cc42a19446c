#include "win32_database_host.h"

#include <windows.h>

#include "application.h"
#include "drive_types.h"
#include "native_listings.h"
#include "settings_store.h"
#include "splash.h"
#include "wine_host.h"

namespace {

class TCriticalSectionLock : public TDatabaseLock {
 public:
  TCriticalSectionLock() { InitializeCriticalSection(&section_); }
  ~TCriticalSectionLock() override { DeleteCriticalSection(&section_); }
  void Enter() override { EnterCriticalSection(&section_); }
  void Leave() override { LeaveCriticalSection(&section_); }

 private:
  CRITICAL_SECTION section_;
};

class TFindEnumeration : public TDirectoryEnumeration {
 public:
  TFindEnumeration(HANDLE handle, const WIN32_FIND_DATAA& first) : handle_(handle), data_(first) {}
  ~TFindEnumeration() override { FindClose(handle_); }

  bool Next(TFoundEntry& entry) override {
    if (!pending_ && !FindNextFileA(handle_, &data_)) return false;
    pending_ = false;
    entry.Name = data_.cFileName;
    entry.Attributes = data_.dwFileAttributes;
    entry.SizeLow = data_.nFileSizeLow;
    return true;
  }

 private:
  HANDLE handle_;
  WIN32_FIND_DATAA data_;
  bool pending_ = true;  // the entry found by FindFirstFileA is not yet given out
};

class TWin32DatabaseHost : public TDatabaseHost {
 public:
  std::unique_ptr<TDatabaseLock> CreateLock() override {
    return std::make_unique<TCriticalSectionLock>();
  }

  unsigned DriveType(const std::string& rootPath) override { return DriveTypeOf(rootPath); }

  bool DiskFreeSpace(const std::string& rootPath, TDiskSpace& space) override {
    DWORD sectorsPerCluster, bytesPerSector, freeClusters, totalClusters;
    if (!GetDiskFreeSpaceA(rootPath.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                           &totalClusters)) {
      return false;
    }
    space = {sectorsPerCluster, bytesPerSector, freeClusters, totalClusters};
    return true;
  }

  // Under Wine a drive that is a host folder is listed by a native reader
  // beside the program; whatever it does not list, Wine does.
  std::unique_ptr<TDirectoryEnumeration> FindFirst(const std::string& pattern) override {
    const auto keepWaiting = [this] {
      ProcessMessages();
      return !TerminateRequested();
    };
    if (auto listed = nativeListings_.FindFirst(pattern, keepWaiting)) return listed;
    return FindFileEnumeration(pattern);
  }

  uint32_t FileAttributes(const std::string& path) override { return GetFileAttributesA(path.c_str()); }

  bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t size) override {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool written = true;
    // In pieces: one WriteFile of a whole large image can fail for want of
    // system buffers where smaller ones succeed.
    constexpr size_t kPiece = 1 << 20;
    for (size_t at = 0; written && at < size;) {
      const DWORD wanted = static_cast<DWORD>(size - at < kPiece ? size - at : kPiece);
      DWORD done = 0;
      written = WriteFile(file, data + at, wanted, &done, nullptr) && done == wanted;
      at += done;
    }
    // The data must be on the disk before the rename makes it the database.
    written = written && FlushFileBuffers(file);
    return CloseHandle(file) && written;
  }

  bool RenameOver(const std::string& source, const std::string& target) override {
    if (MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return true;
    }
    // Windows 95 itself has no MoveFileExA. There the old file goes first;
    // should the program end between the two steps, the next load finds the
    // temporary, whose checksum is the one stored, and finishes the move.
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return false;
    if (!DeleteFileA(target.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) return false;
    return MoveFileA(source.c_str(), target.c_str()) != 0;
  }

  bool RemoveFile(const std::string& path) override { return DeleteFileA(path.c_str()) != 0; }

  void UpperCase(std::string& text) override {
    if (!text.empty()) CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
  }

  int32_t ReadSettingInteger(const char* name) override { return ReadRegInteger(kSettingsKey, name); }
  void WriteSettingInteger(const char* name, int32_t value) override {
    WriteRegInteger(kSettingsKey, name, value);
  }

  // The scan asks at every directory entry. Under Wine an empty look at the
  // queue costs as much as reading the entry itself, so pending messages are
  // handled when at least kPumpIntervalMs have passed since the last time:
  // the panel still repaints and its Cancel works a hundred times a second,
  // and the cancel test itself still runs at every entry.
  void ProcessMessages() override {
    const DWORD now = GetTickCount();
    if (pumpedOnce_ && now - lastPump_ < kPumpIntervalMs) return;
    pumpedOnce_ = true;
    lastPump_ = now;
    Application.ProcessMessages();
  }
  bool TerminateRequested() override { return UserTerminate; }
  void SetProgress(int position) override { SetSplashProgress(position); }

 private:
  static constexpr DWORD kPumpIntervalMs = 10;
  TNativeListings nativeListings_{FileBesideModule(nullptr, L"velkoro-scan-reader"), FindFileEnumeration};
  DWORD lastPump_ = 0;
  bool pumpedOnce_ = false;
};

}  // namespace

std::unique_ptr<TDirectoryEnumeration> FindFileEnumeration(const std::string& pattern) {
  WIN32_FIND_DATAA data;
  const HANDLE handle = FindFirstFileA(pattern.c_str(), &data);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<TFindEnumeration>(handle, data);
}

TDatabaseHost& Win32DatabaseHost() {
  static TWin32DatabaseHost host;
  return host;
}
