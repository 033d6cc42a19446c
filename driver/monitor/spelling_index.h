// How many host names of one directory the program would store as the same
// name. The program keeps names upper-cased in its ANSI code page, so
// `Makefile` and `makefile` (or two names of characters that code page
// lacks) become one stored name, and the scan records one entry for each.
// The monitor keeps this index for every directory it watches so that each
// record can say how many such spellings the directory holds right after
// the change, at the cost of a hash and a binary search.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "directory_reader.h"

// The name as the program stores it: UTF-8 taken to code page 1252 (a
// character outside it becomes "?", one for each UTF-16 unit, as a byte
// that is no UTF-8 does), then upper-cased as CharUpperBuffA does there.
// Wine's best-fit letters (a character outside the code page that comes
// out as a look-alike) are not followed: such a name counts on its own.
std::string StoredName(const std::string& hostName);

class TSpellingIndex {
 public:
  // The directory's whole listing, replacing what the index held.
  void Assign(const std::vector<TDirectoryEntry>& entries);
  // Adding a name already held (a walk and an event reporting one entry
  // twice) or removing one not held changes nothing.
  void Add(const std::string& hostName, bool directory);
  void Remove(const std::string& hostName, bool directory);
  // Host names of that kind stored as this one's stored name, itself
  // included when it exists.
  size_t Count(const std::string& hostName, bool directory) const;

 private:
  // Sorted by stored name's key first, so that the spellings of one stored
  // name sit together; the second key tells the spellings apart.
  struct TKey {
    uint64_t Stored;
    uint64_t Exact;
    bool operator<(const TKey& other) const {
      return Stored != other.Stored ? Stored < other.Stored : Exact < other.Exact;
    }
    bool operator==(const TKey& other) const { return Stored == other.Stored && Exact == other.Exact; }
  };
  static TKey KeyOf(const std::string& hostName, bool directory);

  std::vector<TKey> keys_;
};
