// Word-at-a-time byte searches over short texts (file names), shared by the
// wildcard matcher and the tests of the name search.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The first byte of the text in the lowest bits: both targets (x86-64 for
// the tests, i386 for the product) are little-endian.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "the byte search assumes a little-endian machine"
#endif
inline uint64_t LoadWord(const char* at) {
  uint64_t word;
  std::memcpy(&word, at, 8);
  return word;
}

// The index of the lowest set bit of a non-zero mask.
inline size_t LowestBit(uint64_t mask) {
#if defined(__GNUC__)
  return static_cast<size_t>(__builtin_ctzll(mask));
#else
  size_t index = 0;
  while (!(mask & 1)) {
    mask >>= 1;
    ++index;
  }
  return index;
#endif
}

// The index of the byte that holds the lowest set bit of a non-zero mask
// (the finders set bit 7 of each byte that fits).
inline size_t LowestByte(uint64_t mask) { return LowestBit(mask) / 8; }

// Bit 7 of each byte of the result is set exactly where `word` holds `byte`.
inline uint64_t ExactMatchMask(uint64_t word, char byte) {
  constexpr uint64_t kLows = 0x7F7F7F7F7F7F7F7Full;
  const uint64_t diff = word ^ (0x0101010101010101ull * static_cast<unsigned char>(byte));
  return ~(((diff & kLows) + kLows) | diff | kLows);
}

// Both finders read whole words that may start before a name: `Before`
// bytes ahead of each name must be readable (a file entry's header is
// there). A name too short for its word to start within them is read byte
// by byte instead. No byte after the name is ever read.

// Whether a name ends in a suffix of at most eight bytes, with one load and
// one comparison.
template <size_t Before>
class TSuffixFinder {
 public:
  static constexpr size_t kLongest = 8;

  explicit TSuffixFinder(std::string_view suffix) : size_(suffix.size()) {
    char bytes[8] = {};
    std::memcpy(bytes + 8 - size_, suffix.data(), size_);
    std::memcpy(&wanted_, bytes, 8);
    std::memcpy(suffix_, suffix.data(), size_);
    keep_ = size_ == 0 ? 0 : ~0ull << (8 * (8 - size_));
  }

  bool In(const char* name, size_t length) const {
    if (length == 0 || length < size_) return false;
    if (length + Before < 8) return std::memcmp(name + length - size_, suffix_, size_) == 0;
    return ((LoadWord(name + length - 8) ^ wanted_) & keep_) == 0;
  }

 private:
  size_t size_;
  char suffix_[8] = {};
  uint64_t wanted_ = 0;
  uint64_t keep_ = 0;
};

// Finds a piece (plain bytes, no wildcard) anywhere in a name, for a search
// that asks the same question of a million names: one word of the name at a
// time, and within the word all places where the piece's first three bytes
// (fewer if it is shorter) sit at once, so that the rest of the piece is
// compared only where those already fit. The word that ends a name shorter
// than eight bytes starts before it; the places it gives there are masked
// off.
template <size_t Before>
class TPieceFinder {
 public:
  explicit TPieceFinder(std::string_view piece)
      : piece_(piece), lead_(piece.size() < 3 ? piece.size() : 3), step_(9 - lead_) {
    // A piece shorter than three bytes leaves the missing lead bytes unused.
    for (size_t i = 0; i < 3; ++i) {
      broadcast_[i] = i < lead_ ? 0x0101010101010101ull * static_cast<unsigned char>(piece[i]) : 0;
      used_[i] = i < lead_ ? ~0ull : 0;
    }
    places_ = lead_ == 0 ? 0 : ~0ull >> (8 * (lead_ - 1));
#if defined(__SSE2__)
    // An unused lead byte is made to fit everywhere, so that every window
    // is tested the same way whatever the piece's length.
    for (size_t i = 0; i < 3; ++i) {
      wideLead_[i] = _mm_set1_epi8(i < lead_ ? piece[i] : 0);
      wideAny_[i] = i < lead_ ? _mm_setzero_si128() : _mm_set1_epi8(-1);
    }
    wideStartable_ = lead_ == 0 ? 0 : 0xFFFFu >> (lead_ - 1);
#endif
  }

  bool In(const char* name, size_t length) const {
    const size_t size = piece_.size();
    if (length == 0 || length < size) return false;
    if (size == 0) return true;
    if (length + Before < 8) return std::string_view(name, length).find(piece_) != std::string_view::npos;
#if defined(__SSE2__)
    if (length + Before >= 16) return WideIn(name, length);
#endif
    // Windows of eight bytes from the name's end towards its start; each
    // holds the places [end - 8, end - lead_], the next one those just below.
    size_t end = length;
    for (;;) {
      // A byte of `differ` is zero exactly where the lead bytes all fit;
      // the bytes shifted in at the top are kept off by `places_`.
      const uint64_t word = LoadWord(name + end - 8);
      const uint64_t differ = (word ^ broadcast_[0]) | (((word ^ broadcast_[1]) >> 8) & used_[1]) |
                              (((word ^ broadcast_[2]) >> 16) & used_[2]);
      uint64_t places = ~(((differ & kLows) + kLows) | differ | kLows) & places_;
      if (end < 8) places &= ~0ull << (8 * (8 - end));
      while (places) {
        const size_t place = end - 8 + LowestByte(places);
        if (place + size <= length && RestFits(name + place)) return true;
        places &= places - 1;
      }
      if (end <= 8) return false;
      end = end - step_ > 8 ? end - step_ : 8;
    }
  }

 private:
#if defined(__SSE2__)
  // The same search sixteen bytes at a time, where the processor has the
  // registers for it: a name of up to fourteen bytes takes one window.
  bool WideIn(const char* name, size_t length) const {
    const size_t last = length < 16 ? length : 16;  // the end of the lowest window
    const auto placesIn = [&](size_t end) {
      const __m128i word = _mm_loadu_si128(reinterpret_cast<const __m128i*>(name + end - 16));
      const __m128i first = _mm_cmpeq_epi8(word, wideLead_[0]);
      const __m128i second = _mm_or_si128(_mm_srli_si128(_mm_cmpeq_epi8(word, wideLead_[1]), 1), wideAny_[1]);
      const __m128i third = _mm_or_si128(_mm_srli_si128(_mm_cmpeq_epi8(word, wideLead_[2]), 2), wideAny_[2]);
      const __m128i fits = _mm_and_si128(first, _mm_and_si128(second, third));
      // Places before the name (in the entry's header) are kept off.
      return static_cast<unsigned>(_mm_movemask_epi8(fits)) & wideStartable_ &
             (0xFFFFu << (16 - (end < 16 ? end : 16)));
    };
    // Most names are at most 30 bytes long: the highest window and the
    // lowest then hold every place, and asking both without a loop spares
    // the mispredicted loop exit that the names' varying lengths would
    // cost. Nearly every name is ruled out here; the few with a place go
    // on to the loop, which finds where.
    if (length <= 30 && (placesIn(length) | placesIn(last)) == 0) return false;
    const size_t step = 17 - lead_;
    size_t end = length;
    for (;;) {
      unsigned places = placesIn(end);
      while (places) {
        const size_t place = end - 16 + LowestBit(places);
        if (place + piece_.size() <= length && RestFits(name + place)) return true;
        places &= places - 1;
      }
      if (end <= last) return false;
      end = end - step > last ? end - step : last;
    }
  }
#endif

  bool RestFits(const char* at) const {
    for (size_t i = lead_; i < piece_.size(); ++i) {
      if (at[i] != piece_[i]) return false;
    }
    return true;
  }

  static constexpr uint64_t kLows = 0x7F7F7F7F7F7F7F7Full;

  std::string_view piece_;
  size_t lead_;  // bytes tested a whole word at a time
  size_t step_;  // how far the window moves
  uint64_t broadcast_[3];  // each lead byte in every byte of a word
  uint64_t used_[3];       // all ones for a lead byte the piece has
  uint64_t places_;        // the bytes of a word where the piece can start
#if defined(__SSE2__)
  __m128i wideLead_[3];     // each lead byte in every byte
  __m128i wideAny_[3];      // all ones for a lead byte the piece lacks
  unsigned wideStartable_;  // the places of a window where the piece can start
#endif
};
