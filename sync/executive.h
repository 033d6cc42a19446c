// The driver link: the thread TExecutive, which opens the monitor driver,
// registers ChangeCallback with it and sleeps in an alertable wait, during
// which the driver delivers every change as an APC; ChangeCallback applies
// each to the database and hands the record back.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <exception>

#include "driver_abi.h"

#include "thread.h"

// The driver's change record, read and never written by the program.
struct TChangeRecord {
  const char* Path;     // the full path the change concerns (a rename's old path)
  const char* NewPath;  // a rename's new path; read only for EventCode 37
  int32_t SubCode;      // EventCode 32: 0 directory created, any other removed
  int32_t EventCode;    // 31, 32, 36 or 37; any other is ignored
};
static_assert(sizeof(TChangeRecord) == kChangeRecordSize && offsetof(TChangeRecord, SubCode) == 2 * sizeof(TDriverAddress),
              "the record's layout is the driver's");

constexpr DWORD CTL_SET_CALLBACK = 0x8100;
constexpr DWORD CTL_RELEASE_RECORD = 0x8101;
// Input: a record's address as received; output: its THostSpellings.
constexpr DWORD CTL_HOST_SPELLINGS = 0x8102;

// The device handle of the driver, used by Execute and by every callback.
extern HANDLE DriverHandle;

// Called by the driver on the driver-link thread; always returns 0.
DWORD WINAPI ChangeCallback(TChangeRecord* record);

class TExecutive : public TThread {
 public:
  // Running at once, at idle priority.
  TExecutive();

 protected:
  void Execute() override;

 private:
  // An exception from a change operation cannot pass through the
  // platform's APC frames: ChangeCallback keeps it, and Execute raises it
  // once the wait has returned.
  friend DWORD WINAPI ChangeCallback(TChangeRecord* record);
  static std::exception_ptr callbackFailure_;
};
