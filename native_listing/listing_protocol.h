// The channel from velkoro-scan-reader to the program's drive scan: a FIFO
// of directory listings, in the order of a depth-first walk. The reader is
// native Linux (x86-64), the program Windows (i686 or x86-64): fixed-width
// fields, no padding, one encoder and one decoder that both sides call.
//
// A listing names its directory by its path below the drive's host folder,
// '/'-separated, as the host spells it (UTF-8 or not); the root is "". Its
// entries come in the host's order, with the attributes and size Wine's
// directory calls give them; the program converts and sorts the names. An
// entry marked Entered is a directory whose own listing follows later in
// the stream; nothing else is sent for a directory.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace listing_protocol {

// Listed: the entries are what the host holds. Unlisted: the directory
// could not be read, or something in it was not certain to show as Wine
// shows it (the program asks Wine for that directory instead). End: the
// walk is complete; nothing follows.
constexpr uint8_t kListed = 0;
constexpr uint8_t kUnlisted = 1;
constexpr uint8_t kEnd = 2;

#pragma pack(push, 1)
struct TListingHeader {
  uint8_t Status;
  uint8_t Reserved[3];
  uint32_t PathLength;   // bytes of the path, which follow the header
  uint32_t EntryCount;   // entries, which follow the path
  uint32_t EntryBytes;   // their bytes, headers and names together
};
struct TEntryHeader {
  uint32_t Attributes;  // as FindFirstFileA gives them
  uint32_t SizeLow;
  uint16_t NameLength;  // bytes of the name, which follow the header
  uint8_t Entered;
  uint8_t Reserved;
};
#pragma pack(pop)
static_assert(sizeof(TListingHeader) == 16, "the listing header is 16 bytes on both sides");
static_assert(sizeof(TEntryHeader) == 12, "the entry header is 12 bytes on both sides");

// The files of the reader's private folder: "root" holds the drive's host
// folder; "listings" is the FIFO the reader writes once it is ready;
// "opened" is made by the program once it holds the FIFO for reading;
// "pid" names the reader's process, so that one can tell which reader
// serves which scan.
constexpr const char* kRootFile = "root";
constexpr const char* kPidFile = "pid";
constexpr const char* kListingsFifo = "listings";
constexpr const char* kOpenedFile = "opened";

// The walk stops below the depth at which the program's search pattern
// ("X:\" + the path + "\*.*") would be this long: Wine's ANSI calls refuse
// paths near MAX_PATH, and there the program asks Wine itself.
constexpr size_t kLongestPattern = 240;

// No directory's listing comes near this (ten million long names); bytes
// that claim more are not a listing.
constexpr uint64_t kLargestListing = uint64_t{1} << 30;

struct TEntry {
  std::string Name;
  uint32_t Attributes = 0;
  uint32_t SizeLow = 0;
  bool Entered = false;
};

struct TListing {
  uint8_t Status = kListed;
  std::string Path;
  std::vector<TEntry> Entries;
};

inline void AppendEntry(std::string& body, const TEntry& entry) {
  TEntryHeader header = {entry.Attributes, entry.SizeLow, static_cast<uint16_t>(entry.Name.size()),
                         static_cast<uint8_t>(entry.Entered ? 1 : 0), 0};
  body.append(reinterpret_cast<const char*>(&header), sizeof header);
  body += entry.Name;
}

// One listing onto out: its header, its path, and the entries already
// encoded in body (entryCount of them).
inline void AppendListing(std::string& out, uint8_t status, const std::string& path, uint32_t entryCount,
                          const std::string& body) {
  TListingHeader header = {status, {0, 0, 0}, static_cast<uint32_t>(path.size()), entryCount,
                           static_cast<uint32_t>(body.size())};
  out.append(reinterpret_cast<const char*>(&header), sizeof header);
  out += path;
  out += body;
}

// Decodes the listing at the start of data: the bytes it took, 0 while it
// has not all arrived, or SIZE_MAX when the bytes cannot be a listing.
inline size_t DecodeListing(const char* data, size_t size, TListing& listing) {
  TListingHeader header;
  if (size < sizeof header) return 0;
  std::memcpy(&header, data, sizeof header);
  const uint64_t total = uint64_t{sizeof header} + header.PathLength + header.EntryBytes;
  if (header.Status > kEnd || total > kLargestListing ||
      header.EntryCount > header.EntryBytes / sizeof(TEntryHeader)) {
    return SIZE_MAX;
  }
  if (total > size) return 0;
  listing.Status = header.Status;
  listing.Path.assign(data + sizeof header, header.PathLength);
  listing.Entries.clear();
  listing.Entries.reserve(header.EntryCount);
  const char* at = data + sizeof header + header.PathLength;
  const char* end = at + header.EntryBytes;
  for (uint32_t i = 0; i < header.EntryCount; ++i) {
    TEntryHeader entryHeader;
    if (static_cast<size_t>(end - at) < sizeof entryHeader) return SIZE_MAX;
    std::memcpy(&entryHeader, at, sizeof entryHeader);
    at += sizeof entryHeader;
    if (static_cast<size_t>(end - at) < entryHeader.NameLength) return SIZE_MAX;
    listing.Entries.push_back({std::string(at, entryHeader.NameLength), entryHeader.Attributes,
                               entryHeader.SizeLow, entryHeader.Entered != 0});
    at += entryHeader.NameLength;
  }
  if (at != end) return SIZE_MAX;
  return static_cast<size_t>(total);
}

}  // namespace listing_protocol
