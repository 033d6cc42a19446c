#include "case_recovery.h"

#include <dirent.h>

#include <algorithm>

#include "ansi_text.h"

const TCaseRecovery::TListing* TCaseRecovery::Listing(const std::string& hostFolder) {
  const auto known = listings_.find(hostFolder);
  if (known != listings_.end()) return &known->second;
  DIR* directory = opendir(hostFolder.c_str());
  if (!directory) return nullptr;
  TListing& listing = listings_[hostFolder];
  while (const dirent* entry = readdir(directory)) {
    // Names that begin with "." are never in the index.
    if (entry->d_name[0] == '.') continue;
    listing[AnsiUpper(AnsiFromUtf8(entry->d_name))].push_back(entry->d_name);
  }
  closedir(directory);
  for (auto& names : listing) {
    if (names.second.size() > 1) std::sort(names.second.begin(), names.second.end());
  }
  return &listing;
}

std::string TCaseRecovery::HostName(const std::string& hostFolder, const std::string& name,
                                    const std::string& drivePath, bool nextSpelling, std::string& warning) {
  const TListing* listing = Listing(hostFolder);
  const auto found = listing ? listing->find(name) : TListing::const_iterator();
  if (!listing || found == listing->end()) return Utf8FromAnsi(name);
  const std::vector<std::string>& spellings = found->second;
  if (spellings.size() == 1) return spellings.front();
  size_t used = 0;
  if (nextSpelling) used = spellingsUsed_[hostFolder + '/' + name]++;
  if (used == 0) {
    warning = Utf8FromAnsi(drivePath) + ": " + hostFolder + " holds";
    for (const std::string& spelling : spellings) warning += " \"" + spelling + "\"";
    warning += nextSpelling ? ", names that differ only in case: each is printed in turn"
                            : ", folders that differ only in case; the first is printed";
  }
  return spellings[used % spellings.size()];
}

std::string TCaseRecovery::HostFolder(const std::string& driveFolder, std::string& warning) {
  const auto known = folders_.find(driveFolder);
  if (known != folders_.end()) return known->second;
  std::string host = drives_.HostRoot(driveFolder[0]);
  if (host.empty()) return std::string();
  // Component by component below the drive's root, "X:\" being 3 bytes.
  size_t start = 3;
  while (start < driveFolder.size()) {
    const size_t end = driveFolder.find('\\', start);
    const std::string name = driveFolder.substr(start, end - start);
    const std::string spelling = HostName(host, name, driveFolder, false, warning);
    host += (host == "/" ? "" : "/") + spelling;
    start = end + 1;
  }
  folders_.emplace(driveFolder, host);
  return host;
}

std::string TCaseRecovery::HostPath(const std::string& drivePath, std::string& warning) {
  warning.clear();
  const size_t last = drivePath.rfind('\\');
  if (drivePath.size() < 3 || drivePath[1] != ':' || last == std::string::npos) return Utf8FromAnsi(drivePath);
  const std::string folder = HostFolder(drivePath.substr(0, last + 1), warning);
  if (folder.empty()) return Utf8FromAnsi(drivePath);
  const std::string name = HostName(folder, drivePath.substr(last + 1), drivePath, true, warning);
  return folder + (folder == "/" ? "" : "/") + name;
}
