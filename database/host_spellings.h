// How many host names share a reported path's stored name: the host may
// hold names that differ only in case (`Makefile` and `makefile`), which the
// database stores as one upper-case name, one entry (or node) for each.
// The change operations ask only where such a twin can be at stake (a
// create of a name the directory already holds, a delete, a rename onto a
// held name); the driver link answers from what its monitor counted when it
// reported the change.
#pragma once

#include <cstdint>

constexpr uint32_t kSpellingsNotKnown = 0xFFFFFFFF;

class THostSpellingSource {
 public:
  virtual ~THostSpellingSource() = default;
  // Host names in the path's directory that are stored as its last name,
  // of the changed entry's kind, right after the change; kSpellingsNotKnown
  // when nobody can tell. OfNewPath: the same for a rename's new path.
  virtual uint32_t OfPath() = 0;
  virtual uint32_t OfNewPath() = 0;
};
