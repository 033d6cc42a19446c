// The reader's walk of one drive's host folder: depth first, each subtree
// complete before the next sibling, the siblings in Wine's order, as the
// program's scan asks for them. Every directory's listing goes to Send as
// soon as it is read, so that the scan finds it waiting.
#pragma once

#include <functional>
#include <string>

// Send returns false when the listing could not go (the program has gone):
// the walk ends there. False when the root cannot be read or a listing did
// not go.
bool WalkDrive(const std::string& hostRoot, const std::function<bool(const std::string&)>& send);
