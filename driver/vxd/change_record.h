// The change record the driver hands to the registered routine, as the
// program reads it: two addresses, then two 4-byte little-endian fields.
#pragma once

#include <cstddef>
#include <cstdint>

#include "driver_abi.h"

struct TChangeRecord {
  const char* Path;     // the full ANSI path the change concerns (a rename's old path)
  const char* NewPath;  // a rename's new path; an empty string otherwise
  uint32_t SubCode;     // EventCode 32: 0 created, 1 removed
  uint32_t EventCode;   // 31 deleted, 32 directory, 36 created, 37 renamed
};
static_assert(sizeof(TChangeRecord) == kChangeRecordSize && offsetof(TChangeRecord, SubCode) == 2 * sizeof(TDriverAddress),
              "the record's layout is the program's");

// The routine the program registers: stdcall, the record's address, 0.
using TChangeRoutine = uint32_t(__stdcall*)(TChangeRecord* record);

constexpr uint32_t kSetCallback = 0x8100;
constexpr uint32_t kReleaseRecord = 0x8101;
// Input: a record's address, as for kReleaseRecord; output: its
// THostSpellings. Fails for a record not in the program's hands.
constexpr uint32_t kHostSpellings = 0x8102;
