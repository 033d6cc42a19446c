#include "drive_walk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "host_names.h"
#include "listing_protocol.h"
#include "unique_fd.h"

namespace lp = listing_protocol;

namespace {

// The attribute bits Wine gives a host file.
constexpr uint32_t kReadOnly = 0x01;
constexpr uint32_t kHidden = 0x02;
constexpr uint32_t kDirectory = 0x10;
constexpr uint32_t kArchive = 0x20;
constexpr uint32_t kReparsePoint = 0x400;

// The program's pattern is "X:\", the path and "\" (the prefix), then "*.*".
constexpr size_t kRootPrefix = 3;
constexpr size_t kWildcard = 3;

// Wine's attributes from what stat gives (a link's from its target).
uint32_t AttributesOf(const struct stat& status) {
  uint32_t attributes = S_ISDIR(status.st_mode) ? kDirectory : kArchive;
  if (!(status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH))) attributes |= kReadOnly;
  return attributes;
}

uint32_t SizeOf(const struct stat& status) {
  return S_ISDIR(status.st_mode) ? 0 : static_cast<uint32_t>(status.st_size);
}

enum class TEntryOutcome { Listed, Dropped, Uncertain };

// One entry as Wine lists it. Wine drops an entry whose stat fails: a
// dangling link, a link loop, a name removed since the directory was read.
// Any other failure is not certain to look the same to Wine.
TEntryOutcome ReadEntry(int directory, const char* name, lp::TEntry& entry, bool& realDirectory) {
  struct stat status;
  if (fstatat(directory, name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
    return errno == ENOENT ? TEntryOutcome::Dropped : TEntryOutcome::Uncertain;
  }
  realDirectory = S_ISDIR(status.st_mode);
  uint32_t linkBit = 0;
  if (S_ISLNK(status.st_mode)) {
    if (fstatat(directory, name, &status, 0) != 0) {
      return errno == ENOENT || errno == ELOOP || errno == ENOTDIR ? TEntryOutcome::Dropped
                                                                    : TEntryOutcome::Uncertain;
    }
    // Wine marks a link to a directory as a reparse point, a link to a
    // file not at all.
    if (S_ISDIR(status.st_mode)) linkBit = kReparsePoint;
  }
  entry.Name = name;
  entry.Attributes = AttributesOf(status) | linkBit;
  if (name[0] == '.') entry.Attributes |= kHidden;
  entry.SizeLow = SizeOf(status);
  return TEntryOutcome::Listed;
}

struct TLinuxDirent {
  uint64_t Inode;
  int64_t Offset;
  unsigned short Length;
  unsigned char Type;
  char Name[1];
};

// Reads the directory's names with getdents64; false on a read error.
bool ReadNames(int directory, std::vector<std::string>& names) {
  alignas(8) static char buffer[1 << 16];
  for (;;) {
    const long got = syscall(SYS_getdents64, directory, buffer, sizeof buffer);
    if (got < 0) return false;
    if (got == 0) return true;
    for (long at = 0; at < got;) {
      const auto* record = reinterpret_cast<const TLinuxDirent*>(buffer + at);
      const char* name = record->Name;
      if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0) names.emplace_back(name);
      at += record->Length;
    }
  }
}

class TDriveWalk {
 public:
  explicit TDriveWalk(const std::function<bool(const std::string&)>& send) : send_(send) {}

  // Lists the open directory at path (prefixLength: its search pattern's
  // length in the program without the "*.*"), then walks the
  // subdirectories it marked.
  bool Walk(int directory, const std::string& path, size_t prefixLength) {
    lp::TListing listing;
    listing.Path = path;
    std::vector<std::string> names;
    if (!ReadNames(directory, names)) {
      listing.Status = lp::kUnlisted;
    } else {
      if (!path.empty()) AddDotEntries(directory, listing);
      size_t bytes = sizeof(lp::TListingHeader) + path.size();
      for (const std::string& name : names) {
        lp::TEntry entry;
        bool realDirectory = false;
        const TEntryOutcome outcome = ReadEntry(directory, name.c_str(), entry, realDirectory);
        if (outcome == TEntryOutcome::Uncertain) {
          listing.Status = lp::kUnlisted;
          break;
        }
        if (outcome == TEntryOutcome::Dropped) continue;
        bytes += sizeof(lp::TEntryHeader) + name.size();
        if (bytes > lp::kLargestListing / 2) {
          listing.Status = lp::kUnlisted;  // too large for one listing: Wine reads it
          break;
        }
        entry.Entered = realDirectory && name[0] != '.' && PlainName(name) &&
                        prefixLength + CharacterCount(name) + 1 + kWildcard <= lp::kLongestPattern;
        listing.Entries.push_back(std::move(entry));
      }
    }
    if (listing.Status != lp::kListed) listing.Entries.clear();
    if (!Send(listing)) return false;

    std::vector<const lp::TEntry*> entered;
    for (const lp::TEntry& entry : listing.Entries) {
      if (entry.Entered) entered.push_back(&entry);
    }
    std::sort(entered.begin(), entered.end(), [](const lp::TEntry* a, const lp::TEntry* b) {
      const std::u16string keyA = SortKey(a->Name), keyB = SortKey(b->Name);
      return keyA != keyB ? keyA < keyB : a->Name < b->Name;
    });
    for (const lp::TEntry* entry : entered) {
      const std::string childPath = path.empty() ? entry->Name : path + "/" + entry->Name;
      const size_t childPrefix = prefixLength + CharacterCount(entry->Name) + 1;
      TFd child(openat(directory, entry->Name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
      if (child.get() < 0) {
        // Gone, or not readable: the program asks Wine, which answers the
        // same way as it would have without the reader.
        lp::TListing unlisted;
        unlisted.Status = lp::kUnlisted;
        unlisted.Path = childPath;
        if (!Send(unlisted)) return false;
        continue;
      }
      if (!Walk(child.get(), childPath, childPrefix)) return false;
    }
    return true;
  }

 private:
  // Wine gives a folder below the root "." and ".." first.
  static void AddDotEntries(int directory, lp::TListing& listing) {
    struct stat status;
    if (fstat(directory, &status) == 0) listing.Entries.push_back({".", AttributesOf(status), 0, false});
    if (fstatat(directory, "..", &status, 0) == 0) listing.Entries.push_back({"..", AttributesOf(status), 0, false});
  }

  bool Send(const lp::TListing& listing) {
    body_.clear();
    for (const lp::TEntry& entry : listing.Entries) lp::AppendEntry(body_, entry);
    record_.clear();
    lp::AppendListing(record_, listing.Status, listing.Path, static_cast<uint32_t>(listing.Entries.size()), body_);
    return send_(record_);
  }

  const std::function<bool(const std::string&)>& send_;
  std::string body_;
  std::string record_;
};

}  // namespace

bool WalkDrive(const std::string& hostRoot, const std::function<bool(const std::string&)>& send) {
  TFd root(open(hostRoot.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (root.get() < 0) return false;
  TDriveWalk walk(send);
  if (!walk.Walk(root.get(), "", kRootPrefix)) return false;
  std::string end;
  lp::AppendListing(end, lp::kEnd, "", 0, "");
  return send(end);
}
