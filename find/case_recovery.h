// The host spelling of a drive path from the index, which holds every name
// in upper case. A path the answer holds once, in a folder with few results,
// is looked for in its likely spellings (lower case, a capital and then
// lower case, the index's own), one lstat each, and else in its own
// folder's listing; any other path is found by listing each folder on the
// way once and keeping its names, keyed as the index would store them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "drive_map.h"

class TCaseRecovery {
 public:
  explicit TCaseRecovery(const TDriveMap& drives) : drives_(drives) {}
  ~TCaseRecovery();
  TCaseRecovery(const TCaseRecovery&) = delete;
  TCaseRecovery& operator=(const TCaseRecovery&) = delete;

  // The host path of DrivePath ("D:\SRC\MAIN.C"). A file name the host
  // folder holds in several spellings that differ only in case is in the
  // index once for each: each result of it takes the next spelling in byte
  // order, and Warning says so at the first. A folder so named is taken in
  // its first spelling. A name no longer there keeps the index's spelling.
  std::string HostPath(const std::string& drivePath, std::string& warning);

  // The whole answer (drive paths, each ended by a NUL), before its paths
  // are asked for. Names that differ only in case are in the index once for
  // each, so a path the answer holds twice has twins on the host, and only
  // a listing tells them apart; a path it holds once may be looked for in
  // its likely spellings, where that is cheaper than listing its folder.
  // The answer must stay while its paths are asked for. Without a plan
  // every path is found by listing.
  void Plan(std::string_view answer);

 private:
  // A host path of a path planned to be guessed, if one of its likely
  // spellings exists.
  bool Guess(const std::string& drivePath, size_t lastSlash, std::string& hostPath);
  // A drive folder's host folder: each name on the way in the first of its
  // likely spellings that exists, else its one spelling in its parent's
  // listing; empty when a name has none or several.
  const std::string& GuessedFolder(const std::string& driveFolder);

  // A host folder's names, read once. The first few names looked up in it
  // are found by going through them all; a folder asked more often gets an
  // index of its names by their key in the index, sorted, so that a folder
  // with thousands of names costs little for a result or two and little
  // per result for thousands.
  struct TListing {
    std::string Names;                // each ended by a NUL
    std::vector<uint32_t> NameStarts;
    std::string Keys;                 // made with the sorted index
    std::vector<uint32_t> KeyStarts;
    std::vector<uint32_t> ByKey;      // names in the order of their keys
    size_t Lookups = 0;
  };
  TListing& Listing(const std::string& hostFolder);
  // Every spelling of an index name in a listing, in byte order, into
  // spellings_.
  void FindSpellings(TListing& listing, std::string_view key);
  // The host folder of a drive folder ("D:\SRC\", ending in '\').
  std::string HostFolder(const std::string& driveFolder, std::string& warning);
  // One name in a listed folder.
  std::string HostName(const std::string& hostFolder, TListing& listing, std::string_view name,
                       const std::string& drivePath, bool nextSpelling, std::string& warning);

  const TDriveMap& drives_;
  std::unordered_map<std::string, TListing> listings_;
  std::unordered_map<std::string, std::string> folders_;
  // Spellings already printed, by host folder and index name.
  std::unordered_map<std::string, size_t> spellingsUsed_;
  std::vector<std::string_view> spellings_;
  // The folder of the result before: an answer lists a folder's files
  // together.
  std::string lastDriveFolder_;
  std::string lastHostFolder_;
  TListing* lastListing_ = nullptr;
  // From the plan: paths the answer holds more than once, and how many
  // results each folder has.
  bool planned_ = false;
  std::unordered_set<std::string_view> twins_;
  std::unordered_map<std::string_view, size_t> folderResults_;
  std::unordered_map<std::string, std::string> guessedFolders_;
  // The folder whose names are being guessed, open.
  std::string guessFolder_;
  int guessFolderFd_ = -1;
};
