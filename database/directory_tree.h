// The directory tree: one chain of directory nodes for all drives, each node
// with a chain of file entries.
//
// Invariants:
//  - every node's Parent is nil (a top-level node: a drive root, or a
//    directory attached at the top because its parent path was unknown) or a
//    node of the same chain, and following Parent links never comes back to
//    the node it started from;
//  - node chain order is creation order (AddNode appends); after a scan it is
//    depth-first pre-order per drive;
//  - file chain order is newest first (AddEntry inserts at the front);
//  - (Parent, Name) is unique among nodes and Name unique within a file
//    chain; the list does not check this, its callers keep it;
//  - names are single path components, already upper-cased by the caller,
//    at most 255 bytes, never containing '\'.
//
// Besides the chain, the list keeps indexes of its own, all updated by
// AddNode, RemoveNode and MoveNode only: a hash of (Parent, Name) for
// FindNode, each node's children in chain order for subtree walks, the
// chain's tail and back links for appending and unlinking in constant time,
// and a summary of each node's file names in chain order (name_summary.h;
// AddEntry adds to it), which lets a search pass over directories that
// cannot hold a match; a long file chain that a change walked gets an index
// of its own (entry_index.h).
// File entries and names live in the list's own arena (8-byte size classes
// carved from large slabs), nodes in its own pool of fixed slots: a record
// costs its size and no allocator header, and the pool can tell the list's
// live nodes from any other pointer without reading it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "name_summary.h"
#include "tree_records.h"

class TRecordArena;
class TNodePool;

// Owns every node and every file entry reachable from Nodes. None of its
// operations takes the database lock: the caller holds it.
class TDDList {
 public:
  TDDList();
  virtual ~TDDList();
  TDDList(const TDDList&) = delete;
  TDDList& operator=(const TDDList&) = delete;

  // Names longer than kMaxNameLength are cut to that length: the platform
  // cannot hold them and the database file could not store them.
  TDirectoryRecord* AddNode(std::string_view name, TDirectoryRecord* parent);
  // Returns the node that followed, or nil; nil and no change when the node
  // is not in the chain. Frees the node's file entries; result rows are not
  // touched. Child nodes still present become top-level nodes, so that no
  // node is left pointing at a freed parent (callers that want the whole
  // subtree gone remove the children first).
  TDirectoryRecord* RemoveNode(TDirectoryRecord* node);
  TDirectoryRecord* FirstNode() const { return Nodes; }
  // Renames and/or re-parents a node in place (its chain position and its
  // subtree stay); the only way to change a node's Name or Parent, so that
  // the indexes stay true. Refuses (false, no change) a node or parent that
  // is not in this list, and a parent inside the node's own subtree, which
  // would cut the subtree off in a loop.
  bool MoveNode(TDirectoryRecord* node, std::string_view name, TDirectoryRecord* parent);

  TFileRecord* AddEntry(std::string_view name, TDirectoryRecord* node);
  // Returns the entry that followed, or nil; nil and no change for an empty
  // chain or an entry not in it.
  TFileRecord* RemoveEntry(TFileRecord* entry, TDirectoryRecord* node);
  TFileRecord* FirstEntry(const TDirectoryRecord* node) const { return node->Files; }

  // The first node in chain order with this name and parent, or nil.
  TDirectoryRecord* FindNode(std::string_view name, const TDirectoryRecord* parent) const;
  // Appends every node with this name and parent, in chain order: more
  // than one where the host holds names that differ only in case.
  void FindNodes(std::string_view name, const TDirectoryRecord* parent,
                 std::vector<TDirectoryRecord*>& found) const;
  // The first entry of the node's file chain with this name, or nil. (In a
  // long chain, which the list indexes, any of two alike names.)
  TFileRecord* FindEntry(const TDirectoryRecord* node, std::string_view name) const;
  // Entries of the node's chain with this name: more than one only where
  // the host holds names that differ only in case.
  size_t CountEntries(const TDirectoryRecord* node, std::string_view name) const;
  bool Contains(const TDirectoryRecord* node) const;
  // FindEntry for a caller about to add the name when it is absent. The
  // node's summary rules most absent names out without reading the chain;
  // a chain read to its end tells its length, and the summary is resized
  // when it no longer suits it, so that it stays sharp while a directory
  // fills up between searches.
  TFileRecord* FindEntryBeforeAdding(TDirectoryRecord* node, std::string_view name);

  // Children of a node in chain order (the index behind subtree walks).
  TDirectoryRecord* FirstChild(const TDirectoryRecord* node) const { return node->firstChild_; }
  TDirectoryRecord* NextSibling(const TDirectoryRecord* node) const { return node->nextSibling_; }
  // Orders nodes as the chain does: a smaller value comes earlier.
  static uint64_t ChainPosition(const TDirectoryRecord* node) { return node->summaryIndex_; }

  // Search support. Whether the node's chain may hold a name with every
  // feature the query requires (false: it certainly holds none).
  bool MayHoldMatch(const TDirectoryRecord* node, const TNameQuery& query) const {
    return summaries_.Admits(node->summaryIndex_, query);
  }
  // Calls visit(node) for every node, in chain order, that may hold a match.
  template <typename TVisit>
  void ForEachNodeThatMayMatch(const TNameQuery& query, TVisit visit) const {
    summaries_.ForEachAdmitted(query, visit);
  }
  // Told by a search that walked the node's chain and found `names` entries;
  // resizes the node's summary when it no longer suits that many.
  void FitSummary(TDirectoryRecord* node, size_t names) {
    summaries_.Fit(node->summaryIndex_, node->Files, names);
  }
  // Fits every node's summary to its chain; for the end of a load or scan,
  // which add names by the thousand to one node.
  void FitSummaries();

  size_t NodeCount() const { return nodeCount_; }

  TDirectoryRecord* Nodes = nullptr;

 private:
  void HashInsert(TDirectoryRecord* node);
  void HashRemove(TDirectoryRecord* node);
  void GrowBuckets();
  void CloseSummaryHoles();
  void LinkChild(TDirectoryRecord* node);
  void UnlinkChild(TDirectoryRecord* node);
  const char* StoreName(std::string_view name);
  void FreeName(TDirectoryRecord* node);
  void FreeEntry(TFileRecord* entry);
  TDirectoryRecord* NewNode();
  void FreeNode(TDirectoryRecord* node);

  // Indexes the node's chain once a walk of it met this many entries.
  static constexpr size_t kIndexedChain = 512;
  void IndexIfLong(const TDirectoryRecord* node, size_t walked) const;

  std::unique_ptr<TRecordArena> arena_;
  mutable std::unordered_map<const TDirectoryRecord*, std::unique_ptr<TEntryIndex>> entryIndexes_;
  std::unique_ptr<TNodePool> nodePool_;
  std::vector<TDirectoryRecord*> buckets_;
  TDirectoryRecord* tail_ = nullptr;
  size_t nodeCount_ = 0;
  TNameSummaries summaries_;
};
