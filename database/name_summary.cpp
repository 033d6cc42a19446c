#include "name_summary.h"

#include <algorithm>
#include <cstring>

#include "tree_records.h"

namespace {

constexpr uint32_t kInlineBits = 127;
constexpr uint32_t kInlineAnchoredBits = 40;
// A block's second word: its word count in the low half, the size of its
// anchored region above it.
constexpr uint64_t kWordCount = 0xFFFFFFFFull;
constexpr uint32_t kAnchoredShift = 32;

// A block's regions, by the number of names it is sized for. The anchored
// features differ from name to name, so that region grows with the names.
// The pairs do not: a directory's names hold a few hundred to a couple of
// thousand different ones, however many names it has. Their region grows
// with the names up to a ceiling that keeps about one bit in six set for
// every pair a directory can hold; what a large directory saves there pays
// for the middle-sized ones, whose pairs, still growing with each name,
// need more than the anchored features do.
constexpr uint32_t kAnchoredBitsPerName = 8;
constexpr uint32_t kPairBitsPerName = 16;
constexpr uint32_t kMostPairBits = 8192;

// Feature kinds, kept apart in the hashed key.
enum : uint32_t {
  kWhole = 1,
  kLastThree = 2,
  kLengthAndEnd = 3,
  kPair = 4,
};

uint32_t Byte(char c) { return static_cast<unsigned char>(c); }

uint32_t Mix(uint64_t key) {
  key *= 0x9E3779B97F4A7C15ull;
  return static_cast<uint32_t>(key >> 32);
}

uint32_t WholeHash(const char* text, size_t length) {
  // FNV-1a, then mixed with the kind.
  uint32_t hash = 2166136261u;
  for (size_t i = 0; i < length; ++i) hash = (hash ^ Byte(text[i])) * 16777619u;
  return Mix(static_cast<uint64_t>(hash) << 8 | kWhole);
}

uint32_t LastThree(const char* end) { return Byte(end[-3]) << 16 | Byte(end[-2]) << 8 | Byte(end[-1]); }

uint32_t LastThreeHash(uint32_t lastThree) { return Mix(static_cast<uint64_t>(lastThree) << 8 | kLastThree); }

uint32_t LengthAndEndHash(size_t length, uint32_t end) {
  return Mix((static_cast<uint64_t>(length) << 32 | end) << 8 | kLengthAndEnd);
}

uint32_t PairHash(uint32_t pair) { return Mix(static_cast<uint64_t>(pair) << 8 | kPair); }

// The bit of a feature in a region of `bits` bits.
uint32_t BitOf(uint32_t hash, uint32_t bits) {
  return static_cast<uint32_t>((static_cast<uint64_t>(hash) * bits) >> 32);
}

template <typename TAnchored, typename TPair>
void ForEachNameFeature(const char* name, size_t length, TAnchored anchored, TPair pair) {
  anchored(WholeHash(name, length));
  if (length >= 3) {
    const uint32_t end = LastThree(name + length);
    anchored(LastThreeHash(end));
    anchored(LengthAndEndHash(length, end));
  }
  if (length < 2) return;
  uint32_t bytes = Byte(name[0]);
  for (size_t i = 1; i < length; ++i) {
    bytes = (bytes << 8 | Byte(name[i])) & 0xFFFF;
    pair(PairHash(bytes));
  }
}

bool Plain(char c) { return c != '?' && c != '*'; }

uint64_t* BlockOf(uint64_t word) { return reinterpret_cast<uint64_t*>(static_cast<uintptr_t>(word)); }

size_t AnchoredBitsFor(size_t names) { return names * kAnchoredBitsPerName; }

size_t WordsFor(size_t names) {
  const size_t pairs = std::min<size_t>(names * kPairBitsPerName, kMostPairBits);
  return (AnchoredBitsFor(names) + pairs + 63) / 64;
}

void AddUnique(std::vector<uint32_t>& features, uint32_t feature) {
  if (std::find(features.begin(), features.end(), feature) == features.end()) {
    features.push_back(feature);
  }
}

}  // namespace

TNameQuery::TNameQuery(std::string_view pattern) {
  const size_t size = pattern.size();
  const bool starred = pattern.find('*') != std::string_view::npos;
  const bool plainOnly = !starred && pattern.find('?') == std::string_view::npos;
  if (size > 0 && plainOnly) anchored_.push_back(WholeHash(pattern.data(), size));
  // A pattern that does not end with a star pins the name's last bytes to
  // its own, and without any star its length as well.
  if (size >= 3 && Plain(pattern[size - 3]) && Plain(pattern[size - 2]) && Plain(pattern[size - 1])) {
    const uint32_t end = LastThree(pattern.data() + size);
    if (!starred) AddUnique(anchored_, LengthAndEndHash(size, end));
    AddUnique(anchored_, LastThreeHash(end));
  }
  for (size_t i = 0; i + 1 < size; ++i) {
    if (Plain(pattern[i]) && Plain(pattern[i + 1])) {
      AddUnique(pairs_, PairHash(Byte(pattern[i]) << 8 | Byte(pattern[i + 1])));
    }
  }
}

TNameSummaries::~TNameSummaries() {
  for (uint32_t i = 0; i < size_; ++i) Clear(At(i));
}

void TNameSummaries::Clear(TEntry& entry) {
  if (entry.Words[1] & kOwnBlockBit) delete[] BlockOf(entry.Words[0]);
  entry.Words[0] = entry.Words[1] = 0;
}

TNameSummaries::TBits TNameSummaries::BitsOf(const TEntry& entry) {
  if (!(entry.Words[1] & kOwnBlockBit)) {
    return {const_cast<uint64_t*>(entry.Words), kInlineAnchoredBits, kInlineBits - kInlineAnchoredBits};
  }
  const uint32_t bits = static_cast<uint32_t>((entry.Words[1] & kWordCount) * 64);
  const uint32_t anchored = static_cast<uint32_t>((entry.Words[1] & ~kOwnBlockBit) >> kAnchoredShift);
  return {BlockOf(entry.Words[0]), anchored, bits - anchored};
}

uint32_t TNameSummaries::Append(TDirectoryRecord* node) {
  if ((size_ >> kChunkBits) == chunks_.size()) {
    chunks_.emplace_back(new TEntry[kChunkEntries]);
  }
  TEntry& entry = At(size_);
  entry.Node = node;
  entry.Words[0] = entry.Words[1] = 0;
  return size_++;
}

void TNameSummaries::Remove(uint32_t index) {
  TEntry& entry = At(index);
  Clear(entry);
  entry.Node = nullptr;
  ++holes_;
}

void TNameSummaries::AddName(uint32_t index, std::string_view name) {
  const TBits bits = BitsOf(At(index));
  uint64_t* words = bits.Words;
  ForEachNameFeature(
      name.data(), name.size(),
      [&](uint32_t hash) {
        const uint32_t bit = BitOf(hash, bits.AnchoredBits);
        words[bit >> 6] |= 1ull << (bit & 63);
      },
      [&](uint32_t hash) {
        const uint32_t bit = bits.AnchoredBits + BitOf(hash, bits.PairBits);
        words[bit >> 6] |= 1ull << (bit & 63);
      });
}

bool TNameSummaries::Admits(uint32_t index, const TNameQuery& query) const {
  const TBits bits = BitsOf(At(index));
  const uint64_t* words = bits.Words;
  for (uint32_t hash : query.Anchored()) {
    const uint32_t bit = BitOf(hash, bits.AnchoredBits);
    if (!(words[bit >> 6] >> (bit & 63) & 1)) return false;
  }
  for (uint32_t hash : query.Pairs()) {
    const uint32_t bit = bits.AnchoredBits + BitOf(hash, bits.PairBits);
    if (!(words[bit >> 6] >> (bit & 63) & 1)) return false;
  }
  return true;
}

bool TNameSummaries::MayHoldName(uint32_t index, std::string_view name) const {
  const TBits bits = BitsOf(At(index));
  const uint64_t* words = bits.Words;
  const auto present = [&](uint32_t hash) {
    const uint32_t bit = BitOf(hash, bits.AnchoredBits);
    return (words[bit >> 6] >> (bit & 63) & 1) != 0;
  };
  if (!present(WholeHash(name.data(), name.size()))) return false;
  if (name.size() < 3) return true;
  const uint32_t end = LastThree(name.data() + name.size());
  return present(LengthAndEndHash(name.size(), end)) && present(LastThreeHash(end));
}

void TNameSummaries::InlineBitsOf(const TNameQuery& query, uint64_t (&words)[2]) {
  TEntry entry{};
  const TBits bits = BitsOf(entry);
  words[0] = words[1] = 0;
  for (uint32_t hash : query.Anchored()) {
    const uint32_t bit = BitOf(hash, bits.AnchoredBits);
    words[bit >> 6] |= 1ull << (bit & 63);
  }
  for (uint32_t hash : query.Pairs()) {
    const uint32_t bit = bits.AnchoredBits + BitOf(hash, bits.PairBits);
    words[bit >> 6] |= 1ull << (bit & 63);
  }
}

void TNameSummaries::Fit(uint32_t index, const TFileRecord* chain, size_t names) {
  TEntry& entry = At(index);
  const bool ownBlock = (entry.Words[1] & kOwnBlockBit) != 0;
  const size_t capacity =
      ownBlock ? ((entry.Words[1] & ~kOwnBlockBit) >> kAnchoredShift) / kAnchoredBitsPerName
               : kInlineBits / TNameSummaries::kInlineBitsPerName;
  // Rebuilt when half again too full, or (a block of its own) four times too
  // large; in between the summary stays, so a directory that changes by a
  // few names is not rebuilt over and over.
  const bool tooFull = names > capacity + capacity / 2;
  const bool tooLarge = ownBlock && names * 4 < capacity;
  if (!tooFull && !tooLarge) return;

  const size_t words = WordsFor(names);
  // The new block comes first: should it fail, the old summary stays whole.
  uint64_t* block = words * 64 > kInlineBits ? new uint64_t[words]() : nullptr;
  Clear(entry);
  if (block) {
    entry.Words[0] = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(block));
    entry.Words[1] =
        words | static_cast<uint64_t>(AnchoredBitsFor(names)) << kAnchoredShift | kOwnBlockBit;
  }
  for (const TFileRecord* name = chain; name; name = name->Next) {
    AddName(index, name->NameView());
  }
}

void TNameSummaries::MoveEntry(uint32_t from, uint32_t to) {
  if (from == to) return;
  At(to) = At(from);
  At(from).Node = nullptr;
  At(from).Words[0] = At(from).Words[1] = 0;
}

void TNameSummaries::Truncate(uint32_t size) {
  for (uint32_t i = size; i < size_; ++i) Clear(At(i));
  size_ = size;
  holes_ = 0;
  chunks_.resize((size_ + kChunkEntries - 1) >> kChunkBits);
}
