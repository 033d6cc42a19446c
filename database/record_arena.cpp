#include "record_arena.h"

#include <new>

TRecordArena::~TRecordArena() {
  // Unpoison before the slabs go back to the general allocator, which would
  // otherwise report its own bookkeeping as a use of freed records.
  for (const auto& slab : slabs_) UnpoisonRecord(slab.get(), kSlabBytes);
}

void* TRecordArena::Allocate(size_t bytes) {
  if (bytes == 0 || bytes > kLargestRecord) throw std::bad_alloc();
  const size_t sizeClass = ClassOf(bytes);
  std::vector<void*>& freeList = free_[sizeClass];
  if (!freeList.empty()) {
    void* record = freeList.back();
    freeList.pop_back();
    UnpoisonRecord(record, sizeClass * kGranule);
    return record;
  }
  const size_t rounded = sizeClass * kGranule;
  if (static_cast<size_t>(end_ - cursor_) < rounded) {
    // Reserve the vector's slot first, so that a failed allocation leaves no
    // slab unowned.
    slabs_.reserve(slabs_.size() + 1);
    slabs_.emplace_back(new unsigned char[kSlabBytes]);
    cursor_ = slabs_.back().get();
    end_ = cursor_ + kSlabBytes;
  }
  // Carved from the top of the slab down: the file chain puts the newest
  // entry first, so records made one after another are walked in rising
  // address order, the direction the processor's prefetching serves best.
  end_ -= rounded;
  return end_;
}

void TRecordArena::Release(void* record, size_t bytes) {
  if (!record) return;
  const size_t sizeClass = ClassOf(bytes);
  try {
    free_[sizeClass].push_back(record);
  } catch (const std::bad_alloc&) {
    // Out of memory for the free list: the block stays unused until the arena
    // goes, which is better than failing a removal halfway.
  }
  PoisonRecord(record, sizeClass * kGranule);
}
