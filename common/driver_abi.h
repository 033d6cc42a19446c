// What the program and its monitor driver exchange carries addresses: the
// record's two texts, and the routine or the record given with a control
// code. The Windows 95 program is 32-bit, and so is its driver: 4-byte
// addresses, a record of 16 bytes. A 64-bit build of the same source, for
// machines whose kernel refuses 32-bit programs, carries 8-byte addresses
// and a 24-byte record. Both sides take the width from here.
#pragma once

#include <cstddef>
#include <cstdint>

using TDriverAddress = uintptr_t;

// Two addresses, then SubCode and EventCode, 4 bytes each.
constexpr size_t kChangeRecordSize = 2 * sizeof(TDriverAddress) + 2 * sizeof(uint32_t);
static_assert(sizeof(void*) != 4 || kChangeRecordSize == 16, "the 32-bit driver's record is 16 bytes");
static_assert(sizeof(void*) != 8 || kChangeRecordSize == 24, "the 64-bit driver's record is 24 bytes");

// What the driver answers for a record it handed over, asked with its
// address: how many host names of the path's directory the program stores
// as the path's last name (names that differ only in case are one stored
// name), of the record's kind, right after the change; the same for a
// rename's new path. kUnknownSpellings where the driver cannot tell.
constexpr uint32_t kUnknownSpellings = 0xFFFFFFFF;
struct THostSpellings {
  uint32_t Path = kUnknownSpellings;
  uint32_t NewPath = kUnknownSpellings;
};
static_assert(sizeof(THostSpellings) == 8, "two 4-byte counts on both widths");
