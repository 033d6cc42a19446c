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
#include "host_spellings.h"
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

  // Change operations, applied from the monitor's reports. Spellings, when
  // given, tells how many host names share the path's stored name; it is
  // asked only where names that differ only in case can be at stake.
  void AddFile(const std::string& path, THostSpellingSource* spellings = nullptr);
  void RenamePath(const std::string& oldPath, const std::string& newPath,
                  THostSpellingSource* spellings = nullptr);
  void DeleteFiles(const std::string& path, THostSpellingSource* spellings = nullptr);
  void AddDirectory(const std::string& path, THostSpellingSource* spellings = nullptr);
  void DeleteDirectory(const std::string& path, THostSpellingSource* spellings = nullptr);

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
  // A wildcard delete in one node: entries whose files are gone.
  void DeleteGoneFiles(TDirectoryRecord* parent, const std::string& name);
  // The two halves of a search, with the lock held: the pattern's folder
  // (nil for every drive) and name, then the matches in row order.
  void SplitPattern(const std::string& pattern, std::string& namePart, TDirectoryRecord*& start);
  void CollectMatches(const std::string& namePart, TDirectoryRecord* start,
                      std::vector<TFileRecord*>& files, std::vector<TDirectoryRecord*>& dirs);
  // The two cases of RenamePath, with the lock held.
  void RenameDirectory(const std::string& oldPath, const std::string& newPath, THostSpellingSource* spellings);
  void RenameFile(const std::string& oldPath, const std::string& newPath, THostSpellingSource* spellings);

  // Names that differ only in case (twin_spellings.cpp), with the lock held.
  // A reported path resolved to every node of its directory: more than one
  // where a level of it is held by twin folders (the scan gives each its
  // own node, and a path cannot tell them apart).
  struct TPathPlaces {
    std::string Name;                        // the last component, upper case
    std::vector<TDirectoryRecord*> Parents;  // empty when a level is missing
    std::vector<bool> TwinLevels;            // per directory level: more than one node
  };
  void ResolvePlaces(const std::string& path, TPathPlaces& places);
  size_t CountEntries(const TPathPlaces& places) const;
  void FindNodesOf(const TPathPlaces& places, std::vector<TDirectoryRecord*>& nodes) const;
  // The spellings of the path's name as the host holds them now, asked of
  // the file system: for paths through twin folders, where the monitor's
  // count (one host folder's) does not fit the database's merged view.
  uint32_t HostSpellingsOf(const std::string& path, const TPathPlaces& places, bool directory);
  // Makes the directory hold Target entries of the name; Keep is never the
  // one removed, and entries shown in no result row go first.
  void SettleEntries(const TPathPlaces& places, uint32_t target, const TFileRecord* keep = nullptr);
  // Removes every node of the name with its subtree and walks the host's
  // spellings of it again, as the scan does.
  void RewalkTwins(const std::string& path, const TPathPlaces& places);
  void WalkSpellings(const std::string& path, const TPathPlaces& places);
  std::vector<std::string> HostFolders(const std::string& path, const TPathPlaces& places);
  void WalkInto(const std::string& hostPath, TDirectoryRecord* node);

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
