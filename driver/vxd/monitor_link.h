// The driver's link to its native half: velkoro-monitor started for every
// fixed drive, its records read from a FIFO in a private host folder on a
// thread of their own, turned into change records and delivered.
//
// The private folder is a hidden one under the host's /tmp, reached as
// \\?\unix\...: outside every drive, and where a drive holds /tmp, hidden
// from the monitor and from the scan alike, so that the channel never shows
// up as a change or as a name.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "host_paths.h"
#include "host_program.h"
#include "owned_handle.h"
#include "record_delivery.h"

class TMonitorLink {
 public:
  // Starts the monitor and waits until every watch is in place. False when
  // the monitor cannot be started or ends before it is ready.
  bool Start(uint32_t generation);
  // Ends the monitor and the reader, waiting a bounded time for both.
  void Stop();

 private:
  // What the reader thread works with, its own copy: a reader that does
  // not end when asked (a monitor that hangs) keeps reading its own FIFO for
  // its own registration, whatever a later Start sets up.
  struct TReader {
    HANDLE Records;
    HANDLE Ready;
    HANDLE Stopping;
    uint32_t Generation;
    std::vector<THostDrive> Drives;
  };
  static DWORD WINAPI ReaderMain(void* reader);
  static void ReadRecords(const TReader& reader);
  // Adds the record to Batch (or, for the monitor's own news, acts on it).
  static void Dispatch(const TReader& reader, const char* record, TRecordBatch& batch);
  void Cleanup();

  std::vector<THostDrive> drives_;
  std::string folder_;  // host path of the private folder
  TOwnedHandle records_;
  THostProgram monitor_;  // holds the control FIFO
  TOwnedHandle reader_;
  TOwnedHandle ready_;
  TOwnedHandle stopping_;
};
