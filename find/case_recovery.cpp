#include "case_recovery.h"

#include <dirent.h>

#include <algorithm>

#include "ansi_text.h"

namespace {

// Lookups in a folder before its names are sorted by key.
constexpr size_t kLookupsBeforeIndex = 8;

std::string_view At(const std::string& text, uint32_t start) { return std::string_view(text.c_str() + start); }

}  // namespace

TCaseRecovery::TListing& TCaseRecovery::Listing(const std::string& hostFolder) {
  const auto known = listings_.find(hostFolder);
  if (known != listings_.end()) return known->second;
  TListing& listing = listings_[hostFolder];
  DIR* directory = opendir(hostFolder.c_str());
  if (!directory) return listing;
  while (const dirent* entry = readdir(directory)) {
    // Names that begin with "." are never in the index.
    if (entry->d_name[0] == '.') continue;
    listing.NameStarts.push_back(static_cast<uint32_t>(listing.Names.size()));
    listing.Names.append(entry->d_name);
    listing.Names.push_back('\0');
  }
  closedir(directory);
  return listing;
}

void TCaseRecovery::FindSpellings(TListing& listing, std::string_view key) {
  std::vector<std::string_view>& spellings = spellings_;
  spellings.clear();
  if (++listing.Lookups <= kLookupsBeforeIndex) {
    for (const uint32_t start : listing.NameStarts) {
      if (IsIndexName(At(listing.Names, start), key)) spellings.push_back(At(listing.Names, start));
    }
  } else {
    if (listing.ByKey.empty() && !listing.NameStarts.empty()) {
      for (const uint32_t start : listing.NameStarts) {
        listing.KeyStarts.push_back(static_cast<uint32_t>(listing.Keys.size()));
        listing.Keys.append(AnsiUpper(AnsiFromUtf8(std::string(At(listing.Names, start)))));
        listing.Keys.push_back('\0');
      }
      listing.ByKey.resize(listing.NameStarts.size());
      for (uint32_t i = 0; i < listing.ByKey.size(); ++i) listing.ByKey[i] = i;
      std::sort(listing.ByKey.begin(), listing.ByKey.end(), [&listing](uint32_t a, uint32_t b) {
        return At(listing.Keys, listing.KeyStarts[a]) < At(listing.Keys, listing.KeyStarts[b]);
      });
    }
    const auto keyOf = [&listing](uint32_t i) { return At(listing.Keys, listing.KeyStarts[i]); };
    auto first = std::lower_bound(listing.ByKey.begin(), listing.ByKey.end(), key,
                                  [&](uint32_t i, std::string_view k) { return keyOf(i) < k; });
    for (; first != listing.ByKey.end() && keyOf(*first) == key; ++first) {
      spellings.push_back(At(listing.Names, listing.NameStarts[*first]));
    }
  }
  if (spellings.size() > 1) std::sort(spellings.begin(), spellings.end());
}

std::string TCaseRecovery::HostName(const std::string& hostFolder, TListing& listing, std::string_view name,
                                    const std::string& drivePath, bool nextSpelling, std::string& warning) {
  FindSpellings(listing, name);
  const std::vector<std::string_view>& spellings = spellings_;
  if (spellings.empty()) return Utf8FromAnsi(std::string(name));
  if (spellings.size() == 1) return std::string(spellings.front());
  size_t used = 0;
  if (nextSpelling) used = spellingsUsed_[hostFolder + '/' + std::string(name)]++;
  if (used == 0) {
    warning = Utf8FromAnsi(drivePath) + ": " + hostFolder + " holds";
    for (const std::string_view spelling : spellings) warning += " \"" + std::string(spelling) + "\"";
    warning += nextSpelling ? ", names that differ only in case: each is printed in turn"
                            : ", folders that differ only in case; the first is printed";
  }
  return std::string(spellings[used % spellings.size()]);
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
    const std::string_view name = std::string_view(driveFolder).substr(start, end - start);
    const std::string spelling = HostName(host, Listing(host), name, driveFolder, false, warning);
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
  const std::string_view driveFolder(drivePath.data(), last + 1);
  if (!lastListing_ || driveFolder != lastDriveFolder_) {
    lastDriveFolder_.assign(driveFolder);
    lastHostFolder_ = HostFolder(lastDriveFolder_, warning);
    lastListing_ = lastHostFolder_.empty() ? nullptr : &Listing(lastHostFolder_);
  }
  if (!lastListing_) return Utf8FromAnsi(drivePath);
  const std::string name = HostName(lastHostFolder_, *lastListing_, std::string_view(drivePath).substr(last + 1),
                                    drivePath, true, warning);
  std::string path;
  path.reserve(lastHostFolder_.size() + 1 + name.size());
  path.append(lastHostFolder_);
  if (lastHostFolder_ != "/") path.push_back('/');
  path.append(name);
  return path;
}
