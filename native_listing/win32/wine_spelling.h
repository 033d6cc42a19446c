// The host's names as Wine's FindFirstFileA spells and orders them, and the
// way back from an ANSI path to the host's names.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "database_host.h"
#include "listing_protocol.h"

// A listing as FindFirstFileA gives it: each name converted from the host's
// UTF-8 to UTF-16 (a byte of invalid UTF-8 becoming U+FFFD) and on to the
// ANSI code page (what it cannot hold becoming '?', or a look-alike), "."
// and ".." first, then the rest sorted by their UTF-16 names compared
// without regard to case, ties broken exactly: Wine's own conversion and
// comparison routines do the work. False when this Wine has none of them.
// A folder of tens of thousands of names takes a good part of a second, so
// keepGoing is asked every few thousand names, as the scan asks at each
// entry: a false from it (the user cancelled) leaves the listing empty, as
// the scan it was for ends at its next entry.
bool WineListing(const listing_protocol::TListing& listing, std::vector<TFoundEntry>& entries,
                 const std::function<bool()>& keepGoing);

// The host path below the drive's folder ('/'-separated UTF-8) of the ANSI
// path below the drive's root ('\'-separated), when Wine is certain to reach
// exactly that host folder by it: every name converts back to itself, and
// none has a character that a Windows path gives a meaning of its own, a
// trailing dot or space, or a device's name. False otherwise.
bool PlainHostPath(const std::string& ansiPath, std::string& hostPath);
