// The driver opened as the program opens it, with a routine of the test
// registered for its records: each record is copied as it arrives, and
// given back at once or kept for the test to give back later.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "driver_abi.h"

// The record as the driver lays it out in its memory.
struct TRecordLayout {
  const char* Path;
  const char* NewPath;
  uint32_t SubCode;
  uint32_t EventCode;
};
static_assert(offsetof(TRecordLayout, SubCode) == 2 * sizeof(void*) && sizeof(TRecordLayout) == 2 * sizeof(void*) + 8,
              "two addresses, then two 4-byte fields");

struct TReceivedRecord {
  uint32_t EventCode;
  uint32_t SubCode;
  std::string Path;
  std::string NewPath;
  const void* Address;
};

class TDriverSession {
 public:
  TDriverSession();  // opens the driver as the program does; throws when it cannot
  ~TDriverSession();

  HANDLE Handle() const { return handle_; }
  bool Register();
  bool Deregister();
  // Gives an address back with CTL_RELEASE_RECORD.
  bool Release(const void* address);
  // The host spellings the driver counted for a record in the program's
  // hands (control code 0x8102).
  bool Spellings(const void* address, THostSpellings& spellings);

  // Records are copied, and released at once unless KeepRecords is set.
  bool KeepRecords = false;
  // The routine removes itself on the next record it gets.
  bool DeregisterInRoutine = false;
  std::vector<TReceivedRecord> Received;
  // Waits alertably, as the driver link does, until Done or the bound.
  bool WaitAlertably(DWORD milliseconds, const std::function<bool()>& done);
  // Records whose path starts with Prefix.
  std::vector<TReceivedRecord> ReceivedUnder(const std::string& prefix) const;

 private:
  static DWORD WINAPI Routine(void* record);
  HANDLE handle_;
  HANDLE never_;
};
