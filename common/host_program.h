// A native Linux program started from Win32 code under Wine, waited for
// until it says it is ready, and stopped. Wine gives such a program no
// process handle to wait on or to end it by, so its signs are in the file
// system: it says it is ready by making a file that this side polls for,
// and it ends when this side closes the FIFO it reads.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "owned_handle.h"

class THostProgram {
 public:
  // How often a wait looks again.
  static constexpr DWORD kPollMs = 5;

  // Runs Program (the Windows path of the host executable, as
  // FileBesideModule names it) with Arguments, the rest of its command line
  // quoted as it needs. False when there is no such file or it cannot be
  // started.
  static bool Start(const std::wstring& program, const std::wstring& arguments);

  // Looks every kPollMs until Ready says the program is ready (true), or
  // until Failed says it has given up or TimeoutMs have passed (false).
  static bool WaitUntilReady(const std::function<bool()>& ready, const std::function<bool()>& failed,
                             DWORD timeoutMs);

  // Opens the FIFO the program reads its end from (its Windows path) and
  // writes Hello, one byte, to it: the program's sign that this side is
  // there.
  // False when either fails; the FIFO is then closed again.
  bool Connect(const std::wstring& controlFifo, char hello = 'C');
  // Closes that FIFO: its writer gone, the program ends. Waits for nothing.
  void Stop() { control_.Reset(); }
  // Hands that FIFO over to a writer that speaks to the program on it; the
  // program then ends when that writer closes it.
  HANDLE ReleaseControl() { return control_.Release(); }

 private:
  TOwnedHandle control_;
};
