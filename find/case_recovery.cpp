#include "case_recovery.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

#include "ansi_text.h"

namespace {

// Lookups in a folder before its names are sorted by key.
constexpr size_t kLookupsBeforeIndex = 8;
// Results in one folder from which one listing of it costs less than a
// guess for each: a guess is one lstat (a few microseconds), a listing a
// few dozen microseconds and about one more a name.
constexpr size_t kResultsWorthAListing = 32;

// The spellings of a name (as the index holds it, all upper case) that a
// host most likely has, likeliest first: lower case ("stdio.h"), a capital
// and then lower case ("Makefile", perl's "Compress/Raw/Zlib.pm"), and the
// index's own ("IO"), each once. Non-ASCII letters are left as they are: a
// name with them is found by listing when none of these exists.
std::vector<std::string> LikelySpellings(const std::string& upper) {
  std::string lower = upper;
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  std::string capital = lower;
  if (!capital.empty() && capital[0] >= 'a' && capital[0] <= 'z') capital[0] = upper[0];
  std::vector<std::string> spellings{lower};
  if (capital != lower) spellings.push_back(capital);
  if (upper != lower && upper != capital) spellings.push_back(upper);
  return spellings;
}

bool IsFolder(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// A host path of a folder and a name in it, made in one allocation: every
// result goes through here.
std::string Joined(const std::string& folder, const std::string& name) {
  std::string path;
  path.reserve(folder.size() + 1 + name.size());
  path.append(folder);
  if (folder != "/") path.push_back('/');
  path.append(name);
  return path;
}

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
    host = Joined(host, spelling);
    start = end + 1;
  }
  folders_.emplace(driveFolder, host);
  return host;
}

void TCaseRecovery::Plan(std::string_view answer) {
  planned_ = true;
  std::unordered_set<std::string_view> seen;
  for (size_t start = 0; start < answer.size();) {
    size_t end = answer.find('\0', start);
    if (end == std::string_view::npos) end = answer.size();
    const std::string_view path = answer.substr(start, end - start);
    if (!seen.insert(path).second) twins_.insert(path);
    const size_t last = path.rfind('\\');
    if (last != std::string_view::npos) ++folderResults_[path.substr(0, last + 1)];
    start = end + 1;
  }
}

const std::string& TCaseRecovery::GuessedFolder(const std::string& driveFolder) {
  const auto known = guessedFolders_.find(driveFolder);
  if (known != guessedFolders_.end()) return known->second;
  // Component by component, each folder once: "X:\" is the drive's root.
  std::string host;
  if (driveFolder.size() <= 3) {
    host = drives_.HostRoot(driveFolder[0]);
  } else {
    const size_t parentEnd = driveFolder.rfind('\\', driveFolder.size() - 2) + 1;
    const std::string parent = GuessedFolder(driveFolder.substr(0, parentEnd));
    const std::string name = driveFolder.substr(parentEnd, driveFolder.size() - 1 - parentEnd);
    if (!parent.empty()) {
      for (const std::string& spelling : LikelySpellings(Utf8FromAnsi(name))) {
        std::string candidate = Joined(parent, spelling);
        if (IsFolder(candidate)) {
          host = std::move(candidate);
          break;
        }
      }
      if (host.empty()) {
        // Spelt otherwise: its parent's listing has its spelling. Twins (or
        // none) are left to the listings of the whole path, which say so.
        FindSpellings(Listing(parent), name);
        if (spellings_.size() == 1) host = Joined(parent, std::string(spellings_.front()));
      }
    }
  }
  return guessedFolders_.emplace(driveFolder, host).first->second;
}

bool TCaseRecovery::Guess(const std::string& drivePath, size_t lastSlash, std::string& hostPath) {
  const std::string_view driveFolder(drivePath.data(), lastSlash + 1);
  const auto results = folderResults_.find(driveFolder);
  if (twins_.count(drivePath) || results == folderResults_.end() || results->second >= kResultsWorthAListing) {
    return false;
  }
  const std::string& folder = GuessedFolder(std::string(driveFolder));
  if (folder.empty()) return false;
  // A spelling that exists is the file's own: had the host another that
  // differs only in case, the index would hold the path twice. (A folder
  // that ignores case, as some mounts do, may answer to a spelling that is
  // not the one it lists; the path still names the file.)
  // The names of a folder with several results are looked up from the
  // folder, held open while they come (they come together), rather than
  // walking the whole path again for each.
  const bool several = results->second > 2;
  if (several && folder != guessFolder_) {
    if (guessFolderFd_ >= 0) close(guessFolderFd_);
    guessFolder_ = folder;
    guessFolderFd_ = open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  }
  if (several && guessFolderFd_ < 0) return false;
  const std::string_view key = std::string_view(drivePath).substr(lastSlash + 1);
  const std::string name = Utf8FromAnsi(std::string(key));
  for (const std::string& spelling : LikelySpellings(name)) {
    struct stat info;
    const int found = several ? fstatat(guessFolderFd_, spelling.c_str(), &info, AT_SYMLINK_NOFOLLOW)
                              : lstat(Joined(folder, spelling).c_str(), &info);
    if (found == 0) {
      hostPath = Joined(folder, spelling);
      return true;
    }
  }
  // Spelt otherwise ("FindZLIB.cmake"): the folder's own listing has it,
  // without those of the folders above it.
  FindSpellings(Listing(folder), key);
  if (spellings_.size() != 1) return false;
  hostPath = Joined(folder, std::string(spellings_.front()));
  return true;
}

TCaseRecovery::~TCaseRecovery() {
  if (guessFolderFd_ >= 0) close(guessFolderFd_);
}

std::string TCaseRecovery::HostPath(const std::string& drivePath, std::string& warning) {
  warning.clear();
  const size_t last = drivePath.rfind('\\');
  if (drivePath.size() < 3 || drivePath[1] != ':' || last == std::string::npos) return Utf8FromAnsi(drivePath);
  std::string guessed;
  if (planned_ && Guess(drivePath, last, guessed)) return guessed;
  const std::string_view driveFolder(drivePath.data(), last + 1);
  if (!lastListing_ || driveFolder != lastDriveFolder_) {
    lastDriveFolder_.assign(driveFolder);
    lastHostFolder_ = HostFolder(lastDriveFolder_, warning);
    lastListing_ = lastHostFolder_.empty() ? nullptr : &Listing(lastHostFolder_);
  }
  if (!lastListing_) return Utf8FromAnsi(drivePath);
  const std::string name = HostName(lastHostFolder_, *lastListing_, std::string_view(drivePath).substr(last + 1),
                                    drivePath, true, warning);
  return Joined(lastHostFolder_, name);
}
