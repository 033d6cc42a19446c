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
// 127 bits held in its own entry, or for a directory of more names a block
// of its own of kBitsPerName bits a name. A directory of very many names
// has its chain cut into segments of kSegmentNames names with a summary
// each instead, so that a search reads only the segments that may hold a
// match; names added since the segments were made (the head of the chain,
// where they go) are always read. Entries sit in one array in the
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
  static constexpr size_t kBitsPerName = 16;
  static constexpr size_t kSegmentNames = 64;
  static constexpr size_t kSegmentedFrom = 256;  // names

  // The parts of a chain a search reads.
  enum class TPart { Whole, Head, Segment };

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
  // Calls read(from, stop, part) for each part of the chain whose first
  // entry is *files that may hold a match, in chain order: the whole chain
  // (given as nil, nil: the chain is not read here), or (segments) its head
  // and each segment whose summary admits the query. A part runs from
  // `from` up to, not including, `stop` (nil: the end of the chain).
  template <typename TRead>
  void ForEachPartThatMayMatch(uint32_t index, TFileRecord* const* files, const TNameQuery& query,
                               TRead read) const;
  // The entry is about to leave the chain; `next` is the one after it.
  void EntryLeaving(uint32_t index, const TFileRecord* entry, TFileRecord* next);
  // Rebuilds the summary from the chain when it is sized far from what
  // `names` (the chain's length, just counted) needs.
  void Fit(uint32_t index, const TFileRecord* chain, size_t names);
  // After a search read a head of `names` entries: the segments are made
  // again once the head has grown long.
  void FitHead(uint32_t index, const TFileRecord* chain, size_t names);

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
    // Words[0] its address, Words[1] bit 63 set and its word count. A
    // segmented chain: Words[0] the block of segments, Words[1] bits 63 and
    // 62 set, bit 61 when names were added since, and the segment count.
    // A segment is kSegmentWords words: its first entry, then its bits.
    uint64_t Words[2];
  };
  static constexpr uint64_t kOwnBlock = 1ull << 63;
  static constexpr uint64_t kSegmented = 1ull << 62;
  static constexpr uint64_t kHeadGrew = 1ull << 61;
  static constexpr uint64_t kCountMask = (1ull << 32) - 1;
  static constexpr uint32_t kSegmentBitWords = kSegmentNames * 14 / 64;
  static constexpr uint32_t kSegmentWords = 1 + kSegmentBitWords;
  // Inline bits may use bits 62 and 61 of Words[1]: the flags count only
  // with bit 63.
  static bool IsSegmented(const TEntry& entry) {
    return (entry.Words[1] & (kOwnBlock | kSegmented)) == (kOwnBlock | kSegmented);
  }
  static bool SegmentAdmits(const uint64_t* segment, const TNameQuery& query);
  static const TFileRecord* SegmentFirst(const uint64_t* segment) {
    return reinterpret_cast<const TFileRecord*>(static_cast<uintptr_t>(segment[0]));
  }
  void MakeSegments(TEntry& entry, const TFileRecord* chain, size_t names);
  void Rebuild(TEntry& entry, const TFileRecord* chain, size_t names);
  // Where an entry's feature bits are.
  struct TBits {
    uint64_t* Words;
    uint32_t AnchoredBits;  // bits [0, AnchoredBits) hold the anchored features
    uint32_t PairBits;      // the next PairBits bits hold the pairs
  };
  static TBits BitsOf(const TEntry& entry);
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

template <typename TRead>
void TNameSummaries::ForEachPartThatMayMatch(uint32_t index, TFileRecord* const* filesSlot,
                                             const TNameQuery& query, TRead read) const {
  const TEntry& entry = At(index);
  if (!IsSegmented(entry)) {
    if (Admits(index, query)) {
      read(static_cast<TFileRecord*>(nullptr), static_cast<TFileRecord*>(nullptr), TPart::Whole);
    }
    return;
  }
  TFileRecord* const files = *filesSlot;
  const uint64_t* segments = reinterpret_cast<const uint64_t*>(static_cast<uintptr_t>(entry.Words[0]));
  const size_t count = entry.Words[1] & kCountMask;
  auto* first = const_cast<TFileRecord*>(SegmentFirst(segments));
  if (files != first) read(files, first, TPart::Head);
  for (size_t k = 0; k < count; ++k) {
    const uint64_t* segment = segments + k * kSegmentWords;
    auto* from = const_cast<TFileRecord*>(SegmentFirst(segment));
    auto* stop = k + 1 < count ? const_cast<TFileRecord*>(SegmentFirst(segment + kSegmentWords))
                               : static_cast<TFileRecord*>(nullptr);
    if (from != stop && SegmentAdmits(segment, query)) read(from, stop, TPart::Segment);
  }
}
