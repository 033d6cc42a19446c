// The query channel's private folder as the program reaches it under Wine:
// found from the prefix, set up by the native velkoro-find-channel (a Win32
// program makes no FIFOs), and reached through \\?\unix\ paths.
#pragma once

#include <windows.h>

#include <string>

#include "wine_host.h"

// The host folder <prefix>/.velkoro-find, or empty when the prefix cannot
// be told (no Wine underneath).
std::string QueryChannelFolder();

// Makes the folder private and a fresh request FIFO in it (the program's
// copy of velkoro-find-channel, beside the program, does it), and waits a
// bounded time for the FIFO. False when it did not appear.
bool MakeQueryChannel(const std::string& folder);

// Removes the request FIFO and the drives file (velkoro-find-channel
// again: Wine's DeleteFileW refuses a FIFO), and waits a bounded time for
// the FIFO to go.
void RemoveQueryChannel(const std::string& folder);

// Writes the fixed drives and their host folders into the folder's
// "drives" file, for the command's host paths.
bool WriteFixedDrives(const std::string& folder);
