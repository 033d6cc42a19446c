// A deterministic generator of realistic directory trees for benchmarks.
//
// The shape follows a real Unix /usr (measured once and kept here as
// tables): directory depths peaking at 6 to 8 levels, a heavy tail of files
// per directory (median 3, some with thousands), about one directory in
// eight without files, file names of 19 bytes on average with the
// extensions a real disk has, short directory names with the usual ones
// (INCLUDE, SRC, LC_MESSAGES...) repeated across the tree. The same
// (files, directories, seed) always gives the same tree, in the same chain
// order (depth-first pre-order, as a scan leaves it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "memory_db.h"

// Replaces the database's tree with a generated one under drive C:, holding
// exactly `files` file entries in exactly `directories` nodes (the drive root
// included), and empties the result rows, as a scan does.
void GenerateTree(TMemoryDB& database, size_t files, size_t directories, uint32_t seed);

// Calls visit with the full path (C:\DIR\NAME.EXT) of every file of the tree,
// in chain order.
void ForEachFilePath(TMemoryDB& database, const std::function<void(const std::string&)>& visit);

// Writes every file's full path, one a line, to a text file; false when the
// file cannot be written.
bool WriteFileList(TMemoryDB& database, const std::string& listPath);

// Probes for benchmark targets.

// The node whose subtree (itself included) holds a file count nearest to
// `files`.
TDirectoryRecord* FindSubtreeWithFiles(TMemoryDB& database, size_t files);

// The node `depth` levels below its drive root whose own file count is
// nearest to `files`; nil when the tree has no node that deep.
TDirectoryRecord* FindDirectoryAtDepth(TMemoryDB& database, size_t depth, size_t files);

// Number of entries in the node's own file chain.
size_t FileCount(const TDirectoryRecord* node);

// Number of entries in the files chains of the node and every node below it.
size_t SubtreeFileCount(TMemoryDB& database, const TDirectoryRecord* node);
