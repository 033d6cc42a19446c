// The answer to one query: the database's own search, run under its lock
// into lists of the query thread's own, so that the search window's rows,
// selection and status never change because a shell asked something.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "memory_db.h"

struct TQueryAnswer {
  std::string Paths;  // full drive paths, each ended by a NUL
  uint64_t Count = 0;
};

class TQueryAnswerer {
 public:
  // At most Limit paths (0: all); with CountOnly only their number. The
  // paths are written out under the lock, since the entries they come from
  // may go the moment it is left.
  TQueryAnswer Answer(TMemoryDB& database, const std::string& pattern, bool countOnly, uint32_t limit);

 private:
  // Kept from one query to the next, so that a large answer does not grow
  // them afresh each time.
  std::vector<TFileRecord*> files_;
  std::vector<TDirectoryRecord*> dirs_;
};
