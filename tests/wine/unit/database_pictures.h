// Readable pictures of a TMemoryDB for test expectations, and a way to put
// records into its tree directly, past the drive filter of the change
// operations (a tree that holds a floppy's files, as a load could give).
#pragma once

#include <string>
#include <vector>

#include "memory_db.h"

// One line per node in chain order: its directory path, " :", and its file
// chain front to back, each name after a blank.
std::vector<std::string> TreeLines(TMemoryDB& db);
// The lines of the nodes whose path starts with the prefix (a drive such as
// "X:\"), sorted, with each line's file names sorted: for a tree made by a
// scan, whose sibling and file order follow the host's directory order.
std::vector<std::string> SortedTreeLines(TMemoryDB& db, const std::string& prefix);
// One line per result row: the full path, " | ", the directory.
std::vector<std::string> RowLines(TMemoryDB& db);

// The node of a directory path such as "F:\DATA" (upper case, no trailing
// "\"), made level by level as needed.
TDirectoryRecord* PlantDirectory(TMemoryDB& db, const std::string& path);
// Entries in the chain of the directory, made as needed, in this order (so
// the last one comes first in the chain).
void PlantFiles(TMemoryDB& db, const std::string& directory, const std::vector<std::string>& names);
