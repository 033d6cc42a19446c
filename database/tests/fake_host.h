// An in-memory stand-in for the platform, for the native database tests:
// drives of any type, a case-insensitive file system that enumerates in
// insertion order, settings, a recursive lock, and hooks for the scan's
// message pumping, cancel test and progress bar.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "database_host.h"

class TFakeHost : public TDatabaseHost {
 public:
  struct Node {
    std::string Name;  // as the file system spells it
    uint32_t Attributes = 0;
    uint32_t Size = 0;
    std::vector<std::unique_ptr<Node>> Children;
    bool Unreadable = false;  // enumeration of this directory fails
  };

  TFakeHost();

  // Defines drive Letter with the given GetDriveTypeA type (3 = fixed) and an
  // empty root; a fixed drive answers the free-space query unless told not to.
  void DefineDrive(char letter, unsigned type, bool answersFreeSpace = true);
  // Paths are absolute, backslash-separated (C:\Program Files\a.txt); missing
  // directory levels are created.
  Node& MakeDirectory(const std::string& path, uint32_t extraAttributes = 0);
  Node& MakeFile(const std::string& path, uint32_t size = 0, uint32_t attributes = 0);
  bool Remove(const std::string& path);
  Node* Find(const std::string& path);

  // TDatabaseHost
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
  bool TerminateRequested() override { return Terminate; }
  void SetProgress(int position) override { Progress.push_back(position); }

  // The database file's operations work on the real (native) file system;
  // each can be told to fail, the write after writing half of its bytes.
  bool FailWholeFileWrite = false;
  bool FailReplace = false;

  // Settings; a name absent from the map raises ERegistry on read.
  std::map<std::string, int32_t> Settings;
  bool FailSettingWrites = false;

  // Scan hooks.
  bool Terminate = false;
  std::function<void()> OnProcessMessages;
  int MessagesProcessed = 0;
  std::vector<int> Progress;

  // Enumerations currently open (for handle-leak checks).
  int OpenEnumerations = 0;
  // Answers for texts that are no drive root ("\", "..\"), as the platform
  // gives them; the default is 1 (no root directory).
  std::map<std::string, unsigned> OtherRootTypes;
  // Every GetDriveTypeA-style query made, for tests of the drive filter.
  int DriveTypeQueries = 0;

  TDiskSpace SpaceOf{8, 512, 1000, 5000};
  // A drive listed here answers the free-space query with its own figures
  // instead of SpaceOf.
  std::map<char, TDiskSpace> SpaceOfDrive;

  // Every pattern passed to FindFirst, in call order (also those that fail).
  std::vector<std::string> FindPatterns;
  // How deep the locks created by this host are held right now, summed over
  // all of them (for checks that an operation left the lock free).
  std::atomic<int> LocksHeld{0};

 private:
  struct Drive {
    unsigned Type = 1;
    bool AnswersFreeSpace = true;
    std::unique_ptr<Node> Root;
  };
  Node* Walk(const std::string& path, bool create, bool lastIsDirectory);
  std::map<char, Drive> drives_;
};

// The Windows-1252 upper-casing rule, as CharUpperBuffA applies it.
void UpperCaseAnsi(std::string& text);
