#include "entry_index.h"

#include "directory_tree.h"

TEntryIndex::TEntryIndex(TFileRecord* head) {
  TFileRecord* previous = nullptr;
  for (TFileRecord* entry = head; entry; previous = entry, entry = entry->Next) {
    byName_.emplace(entry->NameView(), entry);
    previous_.emplace(entry, previous);
  }
}

TFileRecord* TEntryIndex::Find(std::string_view name) const {
  const auto found = byName_.find(name);
  return found == byName_.end() ? nullptr : found->second;
}

size_t TEntryIndex::Count(std::string_view name) const { return byName_.count(name); }

void TEntryIndex::Added(TFileRecord* entry) {
  byName_.emplace(entry->NameView(), entry);
  previous_.emplace(entry, nullptr);
  if (entry->Next) previous_[entry->Next] = entry;
}

void TEntryIndex::Removing(TFileRecord* entry) {
  const auto previous = previous_.find(entry);
  if (previous == previous_.end()) return;
  if (entry->Next) previous_[entry->Next] = previous->second;
  previous_.erase(previous);
  const auto named = byName_.equal_range(entry->NameView());
  for (auto it = named.first; it != named.second; ++it) {
    if (it->second == entry) {
      byName_.erase(it);
      break;
    }
  }
}
