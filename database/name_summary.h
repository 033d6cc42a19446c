// Summaries of the file names of each directory, so that a search can pass
// over a directory whose chain cannot hold a match without reading it.
//
// A name has features of two kinds. Anchored ones: the whole name, its last
// three bytes, and its length together with its last three bytes (a short
// name: with the whole name). Pairs: each two neighbouring bytes. A pattern
// requires the features it pins down: the whole name when it has no
// wildcard, the last three bytes when it ends in three plain bytes (with the
// length when it has no star), and the pairs inside each run of plain bytes.
// Every name the pattern matches has every required feature, so a directory
// whose summary lacks one of them holds no match.
//
// A directory's summary is a set of feature bits in two regions, one per
// kind, so that the many pairs never blur the sharper anchored features:
// 127 bits held in its own entry, or for a directory of many names a block
// of its own, its anchored region sized by its names and its pair region by
// the pairs such a directory can hold. Entries sit in one array in the
// node chain's order (the order a search reports in), so a search reads the
// summaries of 100,000 directories as one sequential sweep. Invariant: every
// name in a node's chain has all its features in the node's summary. Adding
// a name sets its bits; removing one clears nothing (the summary stays true,
// only less sharp); a summary is rebuilt from its chain when a search finds
// it badly sized for the names the chain holds now.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

struct TDirectoryRecord;
struct TFileRecord;

// The features a pattern (already upper-cased, no backslash) requires.
class TNameQuery {
 public:
  explicit TNameQuery(std::string_view pattern);
  // Hashes of the required features of each kind, the sharpest first.
  const std::vector<uint32_t>& Anchored() const { return anchored_; }
  const std::vector<uint32_t>& Pairs() const { return pairs_; }

 private:
  std::vector<uint32_t> anchored_;
  std::vector<uint32_t> pairs_;
};

class TNameSummaries {
 public:
  // What an entry's own 127 bits are taken to hold, in bits a name.
  static constexpr size_t kInlineBitsPerName = 16;

  TNameSummaries() = default;
  ~TNameSummaries();
  TNameSummaries(const TNameSummaries&) = delete;
  TNameSummaries& operator=(const TNameSummaries&) = delete;

  // A new empty summary at the end, for a node just appended to the chain.
  uint32_t Append(TDirectoryRecord* node);
  // The node's entry becomes a hole (its node went); holes are skipped.
  void Remove(uint32_t index);
  void AddName(uint32_t index, std::string_view name);
  bool Admits(uint32_t index, const TNameQuery& query) const;
  // Whether the node's chain may hold exactly this name (false: it
  // certainly does not). Reads the anchored features only, which sets of
  // names share least.
  bool MayHoldName(uint32_t index, std::string_view name) const;
  // Calls visit(node) for every entry, in order, whose node may hold a
  // match. Most entries hold their bits inline, all in the same places, so
  // the query's bits there are found once and each such entry costs two
  // masked comparisons.
  template <typename TVisit>
  void ForEachAdmitted(const TNameQuery& query, TVisit visit) const {
    uint64_t wanted[2];
    InlineBitsOf(query, wanted);
    for (uint32_t i = 0; i < size_; ++i) {
      const TEntry& entry = At(i);
      const bool admitted = (entry.Words[1] & kOwnBlockBit)
                                ? Admits(i, query)
                                : ((entry.Words[0] & wanted[0]) == wanted[0] &&
                                   (entry.Words[1] & wanted[1]) == wanted[1]);
      if (admitted && entry.Node) visit(entry.Node);
    }
  }
  // Rebuilds the summary from the chain when it is sized far from what
  // `names` (the chain's length, just counted) needs.
  void Fit(uint32_t index, const TFileRecord* chain, size_t names);

  uint32_t Size() const { return size_; }
  TDirectoryRecord* NodeAt(uint32_t index) const { return At(index).Node; }
  uint32_t Holes() const { return holes_; }
  // Moves entry `from` to the place `to` (to <= from) and drops every entry
  // from `size` on: what closing the holes needs, driven by the owner, who
  // knows the chain order and updates the nodes' indexes.
  void MoveEntry(uint32_t from, uint32_t to);
  void Truncate(uint32_t size);

 private:
  struct TEntry {
    TDirectoryRecord* Node;
    // Inline: 127 feature bits, Words[1] bit 63 clear. A block of its own:
    // Words[0] its address, Words[1] its word count with bit 63 set.
    uint64_t Words[2];
  };
  // Where an entry's feature bits are.
  struct TBits {
    uint64_t* Words;
    uint32_t AnchoredBits;  // bits [0, AnchoredBits) hold the anchored features
    uint32_t PairBits;      // the next PairBits bits hold the pairs
  };
  static TBits BitsOf(const TEntry& entry);
  // The bits the query requires in an entry that holds its bits inline.
  static void InlineBitsOf(const TNameQuery& query, uint64_t (&words)[2]);
  // Set in an entry's second word when its bits are in a block of its own.
  static constexpr uint64_t kOwnBlockBit = 1ull << 63;
  static constexpr uint32_t kChunkBits = 12;
  static constexpr uint32_t kChunkEntries = 1u << kChunkBits;

  TEntry& At(uint32_t index) { return chunks_[index >> kChunkBits][index & (kChunkEntries - 1)]; }
  const TEntry& At(uint32_t index) const {
    return chunks_[index >> kChunkBits][index & (kChunkEntries - 1)];
  }
  static void Clear(TEntry& entry);

  std::vector<std::unique_ptr<TEntry[]>> chunks_;
  uint32_t size_ = 0;
  uint32_t holes_ = 0;
};
