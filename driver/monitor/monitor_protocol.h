// The channel from velkoro-monitor to velkoro.vxd: a FIFO of records, each a
// fixed header followed by its path texts. Both halves include this header;
// the monitor is native Linux (x86-64), the driver i686 Windows, so the
// header has fixed-width fields and no padding.
//
// Paths are relative to the watched folder named by Root, '/'-separated,
// UTF-8 as the host file system spells them; an empty path is the folder
// itself. The event codes are the ones the program's change records carry.
#pragma once

#include <cstdint>

namespace monitor_protocol {

constexpr uint8_t kFileDeleted = 31;    // Path: a file deleted or moved out;
                                        // a last component "*" asks for every
                                        // file of that directory that is gone
constexpr uint8_t kDirectory = 32;      // SubCode 0: created or moved in; 1: removed or moved out
constexpr uint8_t kFileCreated = 36;    // a file created or moved in
constexpr uint8_t kRenamed = 37;        // Path renamed or moved to NewPath (file or directory)
constexpr uint8_t kReady = 1;           // every watch of the start is in place

constexpr uint8_t kDirectoryCreated = 0;
constexpr uint8_t kDirectoryRemoved = 1;

#pragma pack(push, 1)
struct TRecordHeader {
  uint8_t EventCode;
  uint8_t SubCode;
  uint8_t Root;          // index into the watched folders, in the order given
  uint8_t Reserved;      // 0; a rename never crosses folders: a move
                         // between two is a removal and a creation
  // Host names in Path's directory that the program stores as Path's last
  // name, of the record's kind (files for 31 and 36, directories for 32,
  // the renamed entry's kind for 37), right after the change: 0 when the
  // name has gone without a twin, 2 or more where twins differ only in
  // case. NewSpellings is the same for NewPath. kSpellingsUnknown where the
  // record names no one entry (a wildcard delete).
  uint8_t Spellings;
  uint8_t NewSpellings;
  uint16_t Reserved2;    // 0
  uint32_t PathLength;   // bytes of Path, which follow the header
  uint32_t NewPathLength;  // bytes of NewPath, which follow Path
};
#pragma pack(pop)
static_assert(sizeof(TRecordHeader) == 16, "the header is 16 bytes on both sides");

constexpr uint8_t kSpellingsUnknown = 0xFF;
// A count beyond this is sent as this: no directory holds that many twins.
constexpr uint8_t kMostSpellings = 0xFE;

// The files of the monitor's private folder. "roots" holds the watched host
// folders, each terminated by a zero byte; "records" is the FIFO the monitor
// writes; "control" is the FIFO the driver holds open for writing while it
// wants records: when it closes (or its process ends) the monitor ends.
constexpr const char* kRootsFile = "roots";
constexpr const char* kRecordsFifo = "records";
constexpr const char* kControlFifo = "control";

}  // namespace monitor_protocol
