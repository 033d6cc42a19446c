// The registration and the records in the program's hands.
//
// Records wait in a queue of the driver's own; one user-mode APC at a time
// is queued to the registered thread, not to the program's routine itself
// but to a routine of the driver, which hands every waiting record on, one
// call each, while the registration it was queued for still stands: so
// nothing is delivered after the callback was removed, whatever was still
// waiting then. Under Wine every APC, every wake of the waiting thread and
// every event set is a round trip to the wine server; a burst of records
// costs a few of them, not several for each record.
//
// A record lives until the program releases it; a release of an address the
// driver never delivered (or already took back) is ignored.
#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "change_record.h"

// One record on its way to the program, with the texts it points into. It
// stays where it was made: its address is the record's.
struct TOutgoingRecord {
  TOutgoingRecord(uint8_t eventCode, uint8_t subCode, std::string path, std::string newPath,
                  THostSpellings spellings = THostSpellings());
  TOutgoingRecord(const TOutgoingRecord&) = delete;
  TOutgoingRecord& operator=(const TOutgoingRecord&) = delete;

  TChangeRecord Record;  // first: its address is the record's
  std::string Path;
  std::string NewPath;
  THostSpellings Spellings;  // the monitor's count, for kHostSpellings
};
using TRecordBatch = std::vector<std::unique_ptr<TOutgoingRecord>>;

class TRecordDelivery {
 public:
  TRecordDelivery();
  ~TRecordDelivery();

  // Takes the calling thread as the one records go to. False when a
  // registration stands already.
  bool Register(TChangeRoutine routine);
  // No record is handed over from now on; those still waiting are dropped.
  void Unregister();
  bool Registered();

  // Queues a batch of records, in order, for the registration Generation;
  // a batch for an earlier one is dropped. Waits while the program holds
  // too many, until room is made or Abandon is signalled; false when
  // dropped or abandoned. Takes the records in every case.
  bool Deliver(uint32_t generation, TRecordBatch& batch, HANDLE abandon);
  uint32_t Generation();
  void Release(const void* address);
  // The host spellings the monitor counted for a record in the program's
  // hands; false for any other address.
  bool Spellings(const void* address, THostSpellings& spellings);

 private:
  static void CALLBACK HandOver(ULONG_PTR generation);
  // Under the lock: takes every waiting record out, for the caller to free
  // once the lock is left.
  std::deque<TOutgoingRecord*> TakeWaiting();
  // Under the lock: whether the reader waits for room and now has it.
  bool RoomFreed();
  size_t Held() const { return waiting_.size() + delivered_.size(); }

  CRITICAL_SECTION lock_;
  HANDLE thread_ = nullptr;
  TChangeRoutine routine_ = nullptr;
  uint32_t generation_ = 0;
  // Queued for the current registration and not yet handed over, oldest
  // first; and those in the program's hands.
  std::deque<TOutgoingRecord*> waiting_;
  std::unordered_set<const void*> delivered_;
  // A HandOver is queued to the registered thread and has not yet found the
  // queue empty: records added meanwhile need no APC of their own.
  bool handOverQueued_ = false;
  // The reader waits for room_, which is set only then: setting it for
  // every record given back would cost a round trip to the wine server each.
  bool readerWaiting_ = false;
  HANDLE room_;
};

TRecordDelivery& Delivery();
