// The host spelling of a drive path from the index, which holds every name
// in upper case: each folder on the way is listed once and its names kept,
// keyed as the index would store them.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "drive_map.h"

class TCaseRecovery {
 public:
  explicit TCaseRecovery(const TDriveMap& drives) : drives_(drives) {}

  // The host path of DrivePath ("D:\SRC\MAIN.C"). A file name the host
  // folder holds in several spellings that differ only in case is in the
  // index once for each: each result of it takes the next spelling in byte
  // order, and Warning says so at the first. A folder so named is taken in
  // its first spelling. A name no longer there keeps the index's spelling.
  std::string HostPath(const std::string& drivePath, std::string& warning);

 private:
  // A host folder's names by their key in the index; nil when it cannot be
  // listed.
  using TListing = std::unordered_map<std::string, std::vector<std::string>>;
  const TListing* Listing(const std::string& hostFolder);
  // The host folder of a drive folder ("D:\SRC\", ending in '\').
  std::string HostFolder(const std::string& driveFolder, std::string& warning);
  // One name in a listed folder.
  std::string HostName(const std::string& hostFolder, const std::string& name, const std::string& drivePath,
                       bool nextSpelling, std::string& warning);

  const TDriveMap& drives_;
  std::unordered_map<std::string, TListing> listings_;
  std::unordered_map<std::string, std::string> folders_;
  // Spellings already printed, by host folder and index name.
  std::unordered_map<std::string, size_t> spellingsUsed_;
};
