// Starting a host (Linux) program from the program under Wine and waiting
// until it says it is ready.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Runs program (a Windows path to a host executable) with commandLine, and
// waits up to waitMs until ready() holds, calling whileWaiting() between
// looks; a false from it ends the wait. False when the program is not
// there, does not start, or is not ready in time.
bool StartHostProgramAndWait(const std::wstring& program, const std::wstring& commandLine,
                             const std::function<bool()>& ready, const std::function<bool()>& whileWaiting,
                             DWORD waitMs);
