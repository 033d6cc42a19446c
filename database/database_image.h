// The byte image of the database file memdb.dat: no header, no padding; all
// integers 32-bit signed little-endian, names without terminator.
//
//   NodeCount N, then N directory records in node chain order:
//     NameLength L (0..255), L name bytes, ParentIndex (0 = no parent,
//     k = the k-th record counted from 1, before or after this one),
//     FileCount M, then M file records: NameLength, name bytes.
//
// A file chain is written front to back and read back with AddEntry, which
// inserts at the front: every save and load reverses the file order within
// each directory, while the node order is kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "directory_tree.h"

// Builds the image of the whole list into image (replacing its content).
// False, with image unspecified, when the tree cannot be written faithfully:
// a name over 255 bytes, or a parent that is not a node of the chain.
bool EncodeDatabaseImage(const TDDList& list, std::vector<uint8_t>& image);

// Decodes a complete image into a new list, reading nothing outside
// data[0, size). nullptr when the image is inconsistent: a negative count,
// a count or length running past the end, a name over 255 bytes or holding
// a zero byte or a backslash, a ParentIndex outside 0..N or a parent cycle,
// or bytes left over after the last record.
std::unique_ptr<TDDList> DecodeDatabaseImage(const uint8_t* data, size_t size);
