// The change record the driver hands to the registered routine, as the
// program reads it: 16 bytes of 4-byte little-endian fields.
#pragma once

#include <cstdint>

struct TChangeRecord {
  const char* Path;     // the full ANSI path the change concerns (a rename's old path)
  const char* NewPath;  // a rename's new path; an empty string otherwise
  uint32_t SubCode;     // EventCode 32: 0 created, 1 removed
  uint32_t EventCode;   // 31 deleted, 32 directory, 36 created, 37 renamed
};
// (The native build of the driver's tests has 8-byte addresses.)
static_assert(sizeof(void*) != 4 || sizeof(TChangeRecord) == 16, "the record is 16 bytes");

// The routine the program registers: stdcall, the record's address, 0.
using TChangeRoutine = uint32_t(__stdcall*)(TChangeRecord* record);

constexpr uint32_t kSetCallback = 0x8100;
constexpr uint32_t kReleaseRecord = 0x8101;
