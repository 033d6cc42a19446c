#include "node_pool.h"

#include <algorithm>
#include <functional>

#include "tree_records.h"
#include "record_arena.h"

namespace {
constexpr size_t kSlotBytes = sizeof(TDirectoryRecord);
}

TNodePool::~TNodePool() {
  for (const TSlab& slab : slabs_) UnpoisonRecord(slab.Memory.get(), kSlotsPerSlab * kSlotBytes);
}

const TNodePool::TSlab* TNodePool::SlabOf(const void* address, size_t& slot) const {
  const auto* byte = static_cast<const unsigned char*>(address);
  // The first slab that starts after the address; the one before it is the
  // only candidate. std::less gives a total order over unrelated pointers.
  auto after = std::upper_bound(slabs_.begin(), slabs_.end(), byte,
                                [](const unsigned char* p, const TSlab& slab) {
                                  return std::less<const unsigned char*>()(p, slab.Memory.get());
                                });
  if (after == slabs_.begin()) return nullptr;
  const TSlab& slab = *(after - 1);
  const unsigned char* begin = slab.Memory.get();
  const unsigned char* end = begin + kSlotsPerSlab * kSlotBytes;
  if (!std::less<const unsigned char*>()(byte, end)) return nullptr;
  const size_t offset = static_cast<size_t>(byte - begin);
  if (offset % kSlotBytes != 0) return nullptr;
  slot = offset / kSlotBytes;
  return &slab;
}

void* TNodePool::Allocate() {
  void* slotAddress = nullptr;
  if (free_) {
    slotAddress = free_;
    UnpoisonRecord(slotAddress, kSlotBytes);
    free_ = *static_cast<void**>(slotAddress);
  } else {
    if (cursor_ == end_) {
      TSlab slab;
      slab.Memory.reset(new unsigned char[kSlotsPerSlab * kSlotBytes]);
      slab.InUse.assign(kSlotsPerSlab, 0);
      auto at = std::upper_bound(slabs_.begin(), slabs_.end(), slab.Memory.get(),
                                 [](const unsigned char* p, const TSlab& s) {
                                   return std::less<const unsigned char*>()(p, s.Memory.get());
                                 });
      unsigned char* memory = slab.Memory.get();
      slabs_.insert(at, std::move(slab));
      cursor_ = memory;
      end_ = memory + kSlotsPerSlab * kSlotBytes;
    }
    // Slots are handed out in address order, so nodes made in a row sit
    // together in the order the chain walks them.
    slotAddress = cursor_;
    cursor_ += kSlotBytes;
  }
  size_t slot = 0;
  TSlab* slab = const_cast<TSlab*>(SlabOf(slotAddress, slot));
  slab->InUse[slot] = 1;
  return slotAddress;
}

void TNodePool::Release(TDirectoryRecord* node) {
  size_t slot = 0;
  TSlab* slab = const_cast<TSlab*>(SlabOf(node, slot));
  if (!slab || !slab->InUse[slot]) return;
  slab->InUse[slot] = 0;
  *reinterpret_cast<void**>(node) = free_;
  free_ = node;
  PoisonRecord(node, kSlotBytes);
}

bool TNodePool::IsLive(const TDirectoryRecord* node) const {
  size_t slot = 0;
  const TSlab* slab = SlabOf(node, slot);
  return slab && slab->InUse[slot];
}

size_t TNodePool::BytesReserved() const {
  return slabs_.size() * (kSlotsPerSlab * kSlotBytes + kSlotsPerSlab);
}
