#include "directory_tree.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "entry_index.h"
#include "node_pool.h"
#include "record_arena.h"

namespace {

constexpr size_t kEntryHeader = offsetof(TFileRecord, Name);

size_t EntryBytes(size_t nameLength) { return kEntryHeader + nameLength + 1; }

// A directory name block: the length byte, the bytes and a terminator.
size_t NameBytes(size_t nameLength) { return nameLength + 2; }

std::string_view Clip(std::string_view name) {
  return name.size() > kMaxNameLength ? name.substr(0, kMaxNameLength) : name;
}

uint32_t HashOf(const TDirectoryRecord* parent, std::string_view name) {
  // FNV-1a over the name, then the parent's address mixed in.
  uint32_t hash = 2166136261u;
  for (unsigned char c : name) hash = (hash ^ c) * 16777619u;
  uint64_t mixed = (static_cast<uint64_t>(reinterpret_cast<uintptr_t>(parent)) >> 3) ^ hash;
  mixed *= 0x9E3779B97F4A7C15ull;
  return static_cast<uint32_t>(mixed >> 32);
}

}  // namespace

TDDList::TDDList()
    : arena_(std::make_unique<TRecordArena>()), nodePool_(std::make_unique<TNodePool>()) {}

// Every record lives in the arena or the node pool, and none owns anything
// outside them, so releasing the two frees the whole tree at once.
TDDList::~TDDList() = default;

void TDDList::IndexIfLong(const TDirectoryRecord* node, size_t walked) const {
  if (walked < kIndexedChain || node->entryIndex_) return;
  auto index = std::make_unique<TEntryIndex>(node->Files);
  const_cast<TDirectoryRecord*>(node)->entryIndex_ = index.get();
  entryIndexes_[node] = std::move(index);
}

TDirectoryRecord* TDDList::NewNode() { return new (nodePool_->Allocate()) TDirectoryRecord(); }

void TDDList::FreeNode(TDirectoryRecord* node) {
  node->~TDirectoryRecord();
  nodePool_->Release(node);
}

const char* TDDList::StoreName(std::string_view name) {
  name = Clip(name);
  char* block = static_cast<char*>(arena_->Allocate(NameBytes(name.size())));
  block[0] = static_cast<char>(static_cast<unsigned char>(name.size()));
  std::memcpy(block + 1, name.data(), name.size());
  block[1 + name.size()] = '\0';
  return block + 1;
}

void TDDList::FreeName(TDirectoryRecord* node) {
  if (node->Name.data_ == TNodeName::kEmpty + 1) return;
  arena_->Release(const_cast<char*>(node->Name.data_ - 1), NameBytes(node->Name.size()));
  node->Name.data_ = TNodeName::kEmpty + 1;
}

bool TDDList::Contains(const TDirectoryRecord* node) const {
  return node && nodePool_->IsLive(node);
}

void TDDList::GrowBuckets() {
  const size_t size = buckets_.empty() ? 64 : buckets_.size() * 2;
  std::vector<TDirectoryRecord*> grown(size, nullptr);
  for (TDirectoryRecord* head : buckets_) {
    while (head) {
      TDirectoryRecord* next = head->hashNext_;
      TDirectoryRecord*& bucket = grown[HashOf(head->Parent, head->Name) & (size - 1)];
      head->hashNext_ = bucket;
      bucket = head;
      head = next;
    }
  }
  buckets_.swap(grown);
}

// The hash is not kept in the node: recomputing it from the name on the rare
// insert, removal and growth is cheaper than the four bytes in every node.
void TDDList::HashInsert(TDirectoryRecord* node) {
  TDirectoryRecord*& bucket = buckets_[HashOf(node->Parent, node->Name) & (buckets_.size() - 1)];
  node->hashNext_ = bucket;
  bucket = node;
}

void TDDList::HashRemove(TDirectoryRecord* node) {
  TDirectoryRecord** link = &buckets_[HashOf(node->Parent, node->Name) & (buckets_.size() - 1)];
  while (*link && *link != node) link = &(*link)->hashNext_;
  if (*link) *link = node->hashNext_;
  node->hashNext_ = nullptr;
}

void TDDList::LinkChild(TDirectoryRecord* node) {
  TDirectoryRecord* parent = node->Parent;
  if (!parent) return;
  // Children are kept in chain order. A new node is the newest of all, and
  // the loader attaches children in chain order, so the search for the place
  // starts from the end and almost always stops at once.
  TDirectoryRecord* after = parent->lastChild_;
  while (after && after->summaryIndex_ > node->summaryIndex_) after = after->previousSibling_;
  node->previousSibling_ = after;
  node->nextSibling_ = after ? after->nextSibling_ : parent->firstChild_;
  if (node->nextSibling_) node->nextSibling_->previousSibling_ = node;
  else parent->lastChild_ = node;
  if (after) after->nextSibling_ = node;
  else parent->firstChild_ = node;
}

void TDDList::UnlinkChild(TDirectoryRecord* node) {
  TDirectoryRecord* parent = node->Parent;
  if (!parent) return;
  if (node->previousSibling_) node->previousSibling_->nextSibling_ = node->nextSibling_;
  else parent->firstChild_ = node->nextSibling_;
  if (node->nextSibling_) node->nextSibling_->previousSibling_ = node->previousSibling_;
  else parent->lastChild_ = node->previousSibling_;
  node->nextSibling_ = node->previousSibling_ = nullptr;
}

TDirectoryRecord* TDDList::AddNode(std::string_view name, TDirectoryRecord* parent) {
  // A parent from elsewhere would break the rule that parents are nodes of
  // this chain; such a node goes to the top level instead.
  if (parent && !Contains(parent)) parent = nullptr;
  // Everything that can fail comes first, so that a failed allocation
  // leaves the list as it was.
  // Two nodes a bucket on average: the buckets cost half as much, and a
  // lookup compares one more parent pointer.
  if (nodeCount_ + 1 > 2 * buckets_.size()) GrowBuckets();
  TDirectoryRecord* node = NewNode();
  try {
    node->Name.data_ = StoreName(name);
    node->summaryIndex_ = summaries_.Append(node);
  } catch (...) {
    FreeName(node);
    FreeNode(node);
    throw;
  }
  node->Parent = parent;
  node->previous_ = tail_;
  if (tail_) tail_->Next = node;
  else Nodes = node;
  tail_ = node;
  HashInsert(node);
  LinkChild(node);
  ++nodeCount_;
  return node;
}

TDirectoryRecord* TDDList::RemoveNode(TDirectoryRecord* node) {
  if (!Contains(node)) return nullptr;
  TDirectoryRecord* const following = node->Next;

  while (TDirectoryRecord* child = node->firstChild_) {
    UnlinkChild(child);
    HashRemove(child);
    child->Parent = nullptr;
    HashInsert(child);
  }
  UnlinkChild(node);
  HashRemove(node);

  if (node->previous_) node->previous_->Next = node->Next;
  else Nodes = node->Next;
  if (node->Next) node->Next->previous_ = node->previous_;
  else tail_ = node->previous_;

  for (TFileRecord* entry = node->Files; entry;) {
    TFileRecord* next = entry->Next;
    FreeEntry(entry);
    entry = next;
  }
  if (node->entryIndex_) {
    node->entryIndex_ = nullptr;
    entryIndexes_.erase(node);
  }
  summaries_.Remove(node->summaryIndex_);
  FreeName(node);
  FreeNode(node);
  --nodeCount_;
  CloseSummaryHoles();
  return following;
}

// Holes are closed once they are as many as the live summaries (and not
// few): the search sweeps over them, and closing costs one pass over the
// chain, so each removal pays a constant share of it.
void TDDList::CloseSummaryHoles() {
  const uint32_t holes = summaries_.Holes();
  if (holes < 1024 || holes < summaries_.Size() - holes) return;
  uint32_t place = 0;
  for (TDirectoryRecord* node = Nodes; node; node = node->Next) {
    summaries_.MoveEntry(node->summaryIndex_, place);
    node->summaryIndex_ = place++;
  }
  summaries_.Truncate(place);
}

void TDDList::FitSummaries() {
  for (TDirectoryRecord* node = Nodes; node; node = node->Next) {
    size_t names = 0;
    for (const TFileRecord* entry = node->Files; entry; entry = entry->Next) ++names;
    FitSummary(node, names);
  }
}

bool TDDList::MoveNode(TDirectoryRecord* node, std::string_view name, TDirectoryRecord* parent) {
  if (!Contains(node) || (parent && !Contains(parent))) return false;
  for (const TDirectoryRecord* above = parent; above; above = above->Parent) {
    if (above == node) return false;
  }
  name = Clip(name);
  const bool renamed = std::string_view(node->Name) != name;
  if (!renamed && parent == node->Parent) return true;

  // The new name is copied before the old one is freed: callers pass the
  // node's own name when they only change the parent.
  const char* oldName = node->Name.data_;
  const size_t oldLength = node->Name.size();
  const char* newName = renamed ? StoreName(name) : oldName;
  // Out of its bucket while it still has the name and parent it was hashed by.
  HashRemove(node);
  UnlinkChild(node);
  node->Name.data_ = newName;
  node->Parent = parent;
  HashInsert(node);
  LinkChild(node);
  if (renamed && oldName != TNodeName::kEmpty + 1) {
    arena_->Release(const_cast<char*>(oldName - 1), NameBytes(oldLength));
  }
  return true;
}

TDirectoryRecord* TDDList::FindNode(std::string_view name, const TDirectoryRecord* parent) const {
  if (buckets_.empty() || name.size() > kMaxNameLength) return nullptr;
  const uint32_t hash = HashOf(parent, name);
  TDirectoryRecord* best = nullptr;
  for (TDirectoryRecord* node = buckets_[hash & (buckets_.size() - 1)]; node;
       node = node->hashNext_) {
    if (node->Parent == parent && std::string_view(node->Name) == name &&
        (!best || node->summaryIndex_ < best->summaryIndex_)) {
      best = node;
    }
  }
  return best;
}

void TDDList::FindNodes(std::string_view name, const TDirectoryRecord* parent,
                        std::vector<TDirectoryRecord*>& found) const {
  if (buckets_.empty() || name.size() > kMaxNameLength) return;
  const size_t first = found.size();
  for (TDirectoryRecord* node = buckets_[HashOf(parent, name) & (buckets_.size() - 1)]; node;
       node = node->hashNext_) {
    if (node->Parent == parent && std::string_view(node->Name) == name) found.push_back(node);
  }
  std::sort(found.begin() + static_cast<std::ptrdiff_t>(first), found.end(),
            [](const TDirectoryRecord* a, const TDirectoryRecord* b) { return a->summaryIndex_ < b->summaryIndex_; });
}

TFileRecord* TDDList::AddEntry(std::string_view name, TDirectoryRecord* node) {
  name = Clip(name);
  auto* entry = static_cast<TFileRecord*>(arena_->Allocate(EntryBytes(name.size())));
  entry->Flag = 0;
  entry->Length = static_cast<uint8_t>(name.size());
  std::memcpy(entry->Name, name.data(), name.size());
  entry->Name[name.size()] = '\0';
  summaries_.AddName(node->summaryIndex_, name);
  entry->Next = node->Files;
  node->Files = entry;
  if (node->entryIndex_) node->entryIndex_->Added(entry);
  return entry;
}

void TDDList::FreeEntry(TFileRecord* entry) { arena_->Release(entry, EntryBytes(entry->Length)); }

TFileRecord* TDDList::RemoveEntry(TFileRecord* entry, TDirectoryRecord* node) {
  if (TEntryIndex* index = node->entryIndex_) {
    if (!entry || !index->Holds(entry)) return nullptr;
    TFileRecord* previous = index->Previous(entry);
    TFileRecord* next = entry->Next;
    index->Removing(entry);
    (previous ? previous->Next : node->Files) = next;
    FreeEntry(entry);
    return next;
  }
  size_t walked = 0;
  for (TFileRecord** link = &node->Files; *link; link = &(*link)->Next, ++walked) {
    if (*link == entry) {
      TFileRecord* next = entry->Next;
      *link = next;
      FreeEntry(entry);
      IndexIfLong(node, walked);
      return next;
    }
  }
  return nullptr;
}

namespace {

bool Named(const TFileRecord* entry, std::string_view name) {
  return entry->Length == name.size() && std::memcmp(entry->Name, name.data(), name.size()) == 0;
}

}  // namespace

TFileRecord* TDDList::FindEntry(const TDirectoryRecord* node, std::string_view name) const {
  if (node->entryIndex_) return node->entryIndex_->Find(name);
  size_t walked = 0;
  for (TFileRecord* entry = node->Files; entry; entry = entry->Next, ++walked) {
    if (Named(entry, name)) {
      IndexIfLong(node, walked);
      return entry;
    }
  }
  IndexIfLong(node, walked);
  return nullptr;
}

size_t TDDList::CountEntries(const TDirectoryRecord* node, std::string_view name) const {
  if (node->entryIndex_) return node->entryIndex_->Count(name);
  size_t count = 0, walked = 0;
  for (const TFileRecord* entry = node->Files; entry; entry = entry->Next, ++walked) count += Named(entry, name);
  IndexIfLong(node, walked);
  return count;
}

TFileRecord* TDDList::FindEntryBeforeAdding(TDirectoryRecord* node, std::string_view name) {
  if (!summaries_.MayHoldName(node->summaryIndex_, name)) return nullptr;
  if (node->entryIndex_) return node->entryIndex_->Find(name);
  size_t names = 0;
  for (TFileRecord* entry = node->Files; entry; entry = entry->Next, ++names) {
    if (Named(entry, name)) {
      IndexIfLong(node, names);
      return entry;
    }
  }
  FitSummary(node, names);
  IndexIfLong(node, names);
  return nullptr;
}
