// Fixed-size slots for directory nodes, carved from slabs. The pool knows
// which of its slots are in use, so the list can tell its own live nodes from
// any other pointer (a node of another list, or one already removed) by
// address alone, without reading the record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct TDirectoryRecord;

class TNodePool {
 public:
  TNodePool() = default;
  ~TNodePool();
  TNodePool(const TNodePool&) = delete;
  TNodePool& operator=(const TNodePool&) = delete;

  // Raw storage for one TDirectoryRecord, marked in use.
  void* Allocate();
  void Release(TDirectoryRecord* node);
  bool IsLive(const TDirectoryRecord* node) const;

  size_t BytesReserved() const;

 private:
  static constexpr size_t kSlotsPerSlab = 1024;
  struct TSlab {
    std::unique_ptr<unsigned char[]> Memory;
    std::vector<uint8_t> InUse;
  };
  // Slab holding the address, or nil, and the slot's index in it.
  const TSlab* SlabOf(const void* address, size_t& slot) const;

  std::vector<TSlab> slabs_;  // ordered by address
  // Released slots, linked through their first word.
  void* free_ = nullptr;
  unsigned char* cursor_ = nullptr;  // unused tail of the newest slab
  unsigned char* end_ = nullptr;
};
