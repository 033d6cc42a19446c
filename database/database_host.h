// The one seam between the filename database and the operating system.
//
// The database core never includes windows.h. Everything it needs from the
// platform comes through TDatabaseHost: the product implements it with Win32
// (shell/win32_database_host), the native tests with a small in-memory
// implementation (database/tests/fake_host).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

constexpr unsigned kDriveFixed = 3;  // GetDriveTypeA's DRIVE_FIXED
constexpr uint32_t kAttributeDirectory = 0x10;
constexpr uint32_t kAttributeReparsePoint = 0x400;
constexpr uint32_t kInvalidAttributes = 0xFFFFFFFF;

// One entry of a directory enumeration (what FindFirstFileA/FindNextFileA
// report that the scan uses).
struct TFoundEntry {
  std::string Name;  // the long name, as the file system spells it
  uint32_t Attributes = 0;
  uint32_t SizeLow = 0;
};

// An open enumeration; destroying it closes the underlying handle, so an
// exception passing through a walk never leaks one.
class TDirectoryEnumeration {
 public:
  virtual ~TDirectoryEnumeration() = default;
  // The first call yields the entry found by the opening call, later calls
  // the following ones; false when the enumeration is exhausted.
  virtual bool Next(TFoundEntry& entry) = 0;
};

struct TDiskSpace {
  uint32_t SectorsPerCluster = 0;
  uint32_t BytesPerSector = 0;
  uint32_t FreeClusters = 0;
  uint32_t TotalClusters = 0;
};

// The database's one lock: recursive, as a Win32 critical section is.
class TDatabaseLock {
 public:
  virtual ~TDatabaseLock() = default;
  virtual void Enter() = 0;
  virtual void Leave() = 0;
};

class TDatabaseHost {
 public:
  virtual ~TDatabaseHost() = default;

  virtual std::unique_ptr<TDatabaseLock> CreateLock() = 0;

  // File system.
  virtual unsigned DriveType(const std::string& rootPath) = 0;
  virtual bool DiskFreeSpace(const std::string& rootPath, TDiskSpace& space) = 0;
  // nullptr when the enumeration cannot be started.
  virtual std::unique_ptr<TDirectoryEnumeration> FindFirst(const std::string& pattern) = 0;
  // kInvalidAttributes when the path does not exist.
  virtual uint32_t FileAttributes(const std::string& path) = 0;

  // The database file's safe replacement. WriteWholeFile creates (or
  // truncates) the file, writes the bytes and returns true only once they
  // have reached the disk (FlushFileBuffers). RenameOver puts `source` in
  // the place of `target` by renaming, an existing target replaced in one
  // step (MoveFileExA with MOVEFILE_REPLACE_EXISTING). RemoveFile deletes;
  // false when nothing was removed.
  virtual bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t size) = 0;
  virtual bool RenameOver(const std::string& source, const std::string& target) = 0;
  virtual bool RemoveFile(const std::string& path) = 0;

  // Upper-cases in place with the Windows ANSI rule (CharUpperBuffA).
  virtual void UpperCase(std::string& text) = 0;

  // Settings ("CRC32"); both raise ERegistry on failure.
  virtual int32_t ReadSettingInteger(const char* name) = 0;
  virtual void WriteSettingInteger(const char* name, int32_t value) = 0;

  // The scan's hooks into the user interface: pump pending window messages,
  // report whether the user confirmed a cancel, and move the progress bar.
  virtual void ProcessMessages() = 0;
  virtual bool TerminateRequested() = 0;
  virtual void SetProgress(int position) = 0;
};

// Holds the database lock for a scope; released on every way out.
class TLockGuard {
 public:
  explicit TLockGuard(TDatabaseLock& lock) : lock_(lock) { lock_.Enter(); }
  ~TLockGuard() { lock_.Leave(); }
  TLockGuard(const TLockGuard&) = delete;
  TLockGuard& operator=(const TLockGuard&) = delete;

 private:
  TDatabaseLock& lock_;
};
