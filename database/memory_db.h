// TMemoryDB: the one filename database of the program, with its directory
// tree, its two parallel result lists and its one recursive lock.
//
// Result rows: row i is (ResultFiles[i], ResultDirs[i]). Both lists always
// have the same length; rows are appended only by Search and overwritten in
// place by the change operations, never removed or moved; a row is live (both
// set) or cleared (both nil) and reads "File Deleted" when cleared. The lists
// own nothing: whoever frees an entry or a node clears its rows first.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "database_host.h"
#include "directory_tree.h"
#include "result_index.h"

class TMemoryDB {
 public:
  explicit TMemoryDB(TDatabaseHost& host);
  virtual ~TMemoryDB();
  TMemoryDB(const TMemoryDB&) = delete;
  TMemoryDB& operator=(const TMemoryDB&) = delete;

  // Database file.
  bool LoadFromFile(const std::string& fileName);
  bool SaveToFile();

  // Drive scan; raises ETerminate when the user cancels.
  bool ScanDrives(const std::string& fileName);
  // Whether a File > Scan Drives is under way (TScanUnderWay sets it). The
  // scan measures the drives before it takes the lock and holds it
  // throughout: another thread learns from this, not from the lock, that
  // the tree is not whole yet.
  bool ScanUnderWay() const { return scanUnderWay_; }

  // Change operations, applied from the monitor's reports.
  void AddFile(const std::string& path);
  void RenamePath(const std::string& oldPath, const std::string& newPath);
  void DeleteFiles(const std::string& path);
  void AddDirectory(const std::string& path);
  void DeleteDirectory(const std::string& path);

  // Name search and its result rows.
  void Search(const std::string& pattern);
  // The same search into lists of the caller's own, which the change
  // operations never clear: the caller holds Lock for as long as it reads
  // them. The result rows above are left as they are.
  void SearchInto(const std::string& pattern, std::vector<TFileRecord*>& files,
                  std::vector<TDirectoryRecord*>& dirs);
  static bool WildcardMatch(const char* name, const char* pattern, size_t nameLength,
                            size_t patternLength);
  int ResultCount() const;
  std::string ResultFullPath(int row);
  std::string ResultDirectory(int row);
  std::string ResultFileName(int row);

  // Internal operations. Except for IsFixedDrivePath, the caller holds Lock.
  bool IsFixedDrivePath(const std::string& path);
  void ResolvePath(const std::string& path, std::string& name, TDirectoryRecord*& node);
  TDirectoryRecord* FindNode(std::string_view name, const TDirectoryRecord* parent) const;
  std::string DirectoryPath(const TDirectoryRecord* node) const;
  void ClearResultsForEntry(const TFileRecord* entry);
  void ClearResultsForDir(const TDirectoryRecord* node);

  TDatabaseHost& Host;
  std::unique_ptr<TDDList> DirList;
  std::vector<TFileRecord*> ResultFiles;
  std::vector<TDirectoryRecord*> ResultDirs;
  std::string FileName;
  std::unique_ptr<TDatabaseLock> Lock;

 private:
  // Removes a node with every node below it and all their files, clearing
  // every result row that points into the subtree.
  void RemoveSubtree(TDirectoryRecord* top);
  // The two halves of a search, with the lock held: the pattern's folder
  // (nil for every drive) and name, then the matches in row order.
  void SplitPattern(const std::string& pattern, std::string& namePart, TDirectoryRecord*& start);
  void CollectMatches(const std::string& namePart, TDirectoryRecord* start,
                      std::vector<TFileRecord*>& files, std::vector<TDirectoryRecord*>& dirs);
  // The two cases of RenamePath, with the lock held.
  void RenameDirectory(const std::string& oldPath, const std::string& newPath);
  void RenameFile(const std::string& oldPath, const std::string& newPath);

  // Rows of each entry and node, for the change operations.
  TResultIndex resultIndex_;
  friend class TScanUnderWay;
  std::atomic<bool> scanUnderWay_{false};
};

// Marks a scan of the database for other threads while it lasts, however
// the scan ends (a cancel raises ETerminate).
class TScanUnderWay {
 public:
  explicit TScanUnderWay(TMemoryDB& database) : database_(database) { database_.scanUnderWay_ = true; }
  ~TScanUnderWay() { database_.scanUnderWay_ = false; }
  TScanUnderWay(const TScanUnderWay&) = delete;
  TScanUnderWay& operator=(const TScanUnderWay&) = delete;

 private:
  TMemoryDB& database_;
};
