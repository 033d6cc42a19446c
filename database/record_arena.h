// Allocation for the tree's small records (file entries, directory names):
// blocks carved from large slabs in 8-byte size classes, with one free list
// per class. A record costs its size rounded up to 8 bytes and nothing more,
// where the general allocator would add a header and round to 16.
//
// Released records are poisoned under AddressSanitizer, so a result row left
// pointing at a freed entry is still caught although the memory is reused.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define VELKORO_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELKORO_ASAN 1
#endif
#endif

#ifdef VELKORO_ASAN
#include <sanitizer/asan_interface.h>
inline void PoisonRecord(const void* p, size_t bytes) { ASAN_POISON_MEMORY_REGION(p, bytes); }
inline void UnpoisonRecord(const void* p, size_t bytes) { ASAN_UNPOISON_MEMORY_REGION(p, bytes); }
#else
inline void PoisonRecord(const void*, size_t) {}
inline void UnpoisonRecord(const void*, size_t) {}
#endif

class TRecordArena {
 public:
  static constexpr size_t kGranule = 8;
  static constexpr size_t kLargestRecord = 512;

  TRecordArena() = default;
  ~TRecordArena();
  TRecordArena(const TRecordArena&) = delete;
  TRecordArena& operator=(const TRecordArena&) = delete;

  // Uninitialised, 8-byte aligned; bytes at most kLargestRecord.
  void* Allocate(size_t bytes);
  // bytes as passed to Allocate.
  void Release(void* record, size_t bytes);

  // Slab bytes obtained from the system so far.
  size_t BytesReserved() const { return slabs_.size() * kSlabBytes; }

 private:
  static constexpr size_t kSlabBytes = 256 * 1024;
  static size_t ClassOf(size_t bytes) { return (bytes + kGranule - 1) / kGranule; }

  std::vector<std::unique_ptr<unsigned char[]>> slabs_;
  unsigned char* cursor_ = nullptr;
  unsigned char* end_ = nullptr;
  std::vector<void*> free_[kLargestRecord / kGranule + 1];
};
