// A readable picture of a tree for test expectations: one line per node in
// chain order, its full path (names up the Parent links, each followed by
// "\") and, after " :", its file chain front to back.
#pragma once

#include <string>
#include <vector>

#include "directory_tree.h"

std::vector<std::string> DumpTree(const TDDList& list);
