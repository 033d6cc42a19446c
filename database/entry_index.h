// An index of one long file chain: its entries by name, and each entry's
// predecessor. The chain is singly linked and kept newest first, so finding
// a name and unlinking an entry each walk it; in a directory of tens of
// thousands of files that walk is the whole cost of a change. The list
// builds this index for a chain once a walk finds it long, and from then on
// keeps it true through AddEntry and RemoveEntry.
#pragma once

#include <cstddef>
#include <string_view>
#include <unordered_map>

struct TFileRecord;

class TEntryIndex {
 public:
  explicit TEntryIndex(TFileRecord* head);
  TEntryIndex(const TEntryIndex&) = delete;
  TEntryIndex& operator=(const TEntryIndex&) = delete;

  // An entry of that name (twins, names alike, are interchangeable), or nil.
  TFileRecord* Find(std::string_view name) const;
  size_t Count(std::string_view name) const;
  bool Holds(const TFileRecord* entry) const { return previous_.count(entry) != 0; }
  // The entry before it in the chain, nil for the head.
  TFileRecord* Previous(const TFileRecord* entry) const { return previous_.at(entry); }

  // The entry was put at the front; its Next is the former head.
  void Added(TFileRecord* entry);
  // The entry is about to be unlinked and freed.
  void Removing(TFileRecord* entry);

 private:
  std::unordered_multimap<std::string_view, TFileRecord*> byName_;
  std::unordered_map<const TFileRecord*, TFileRecord*> previous_;
};
