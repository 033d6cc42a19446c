// The registration and the records in the program's hands.
//
// Every record is queued as a user-mode APC to the registered thread, not
// to the program's routine itself but to a routine of the driver, which
// hands it on only while the registration it was queued for still stands:
// so nothing is delivered after the callback was removed, whatever was still
// queued then. A record lives until the program releases it; a release of
// an address the driver never delivered (or already took back) is ignored.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <unordered_map>

#include "change_record.h"

class TRecordDelivery {
 public:
  TRecordDelivery();
  ~TRecordDelivery();

  // Takes the calling thread as the one records go to. False when a
  // registration stands already.
  bool Register(TChangeRoutine routine);
  // No record is handed over from now on.
  void Unregister();
  bool Registered();

  // Queues a record for the registration Generation; a record for an
  // earlier one is dropped. Waits while the program holds too many, until
  // room is made or Abandon is signalled; false when abandoned.
  bool Deliver(uint32_t generation, uint8_t eventCode, uint8_t subCode, std::string path,
               std::string newPath, HANDLE abandon);
  uint32_t Generation();
  void Release(const void* address);

 private:
  struct TQueued;
  static void CALLBACK HandOver(ULONG_PTR parameter);
  void Free(TQueued* record);

  CRITICAL_SECTION lock_;
  HANDLE thread_ = nullptr;
  TChangeRoutine routine_ = nullptr;
  uint32_t generation_ = 0;
  // Queued and not yet handed over (false), or in the program's hands (true).
  std::unordered_map<const void*, bool> outstanding_;
  HANDLE room_;  // set whenever the program gives a record back
};

TRecordDelivery& Delivery();
