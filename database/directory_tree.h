// The directory tree: one chain of directory nodes for all drives, each node
// with a chain of file entries.
//
// Invariants:
//  - every node's Parent is nil (a top-level node: a drive root, or a
//    directory attached at the top because its parent path was unknown) or a
//    node of the same chain;
//  - node chain order is creation order (AddNode appends); after a scan it is
//    depth-first pre-order per drive;
//  - file chain order is newest first (AddEntry inserts at the front);
//  - (Parent, Name) is unique among nodes and Name unique within a file
//    chain; the list does not check this, its callers keep it;
//  - names are single path components, already upper-cased by the caller,
//    at most 255 bytes, never containing '\'.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

constexpr size_t kMaxNameLength = 255;

struct TFileRecord {
  TFileRecord* Next;
  uint8_t Flag;  // reserved status byte, always 0
  char Name[1];  // inline, zero-terminated; the block is sized for the name

  std::string_view NameView() const { return std::string_view(Name); }
};

struct TDirectoryRecord {
  TDirectoryRecord* Next = nullptr;
  TFileRecord* Files = nullptr;
  uint8_t Flag = 0;  // reserved status byte, always 0
  std::string Name;
  TDirectoryRecord* Parent = nullptr;

  std::string_view NameView() const { return Name; }
};

// Owns every node and every file entry reachable from Nodes. None of its
// operations takes the database lock: the caller holds it.
class TDDList {
 public:
  TDDList();
  virtual ~TDDList();
  TDDList(const TDDList&) = delete;
  TDDList& operator=(const TDDList&) = delete;

  TDirectoryRecord* AddNode(std::string_view name, TDirectoryRecord* parent);
  // Returns the node that followed, or nil; nil and no change when the node
  // is not in the chain. Child nodes and result rows are not touched.
  TDirectoryRecord* RemoveNode(TDirectoryRecord* node);
  TDirectoryRecord* FirstNode() const { return Nodes; }
  // Renames and/or re-parents a node in place (its chain position and its
  // subtree stay); the only way to change a node's Name or Parent, so that
  // any index the list keeps stays true.
  void MoveNode(TDirectoryRecord* node, std::string_view name, TDirectoryRecord* parent);

  TFileRecord* AddEntry(std::string_view name, TDirectoryRecord* node);
  // Returns the entry that followed, or nil; nil and no change for an empty
  // chain or an entry not in it.
  TFileRecord* RemoveEntry(TFileRecord* entry, TDirectoryRecord* node);
  TFileRecord* FirstEntry(const TDirectoryRecord* node) const { return node->Files; }

  TDirectoryRecord* Nodes = nullptr;
};
