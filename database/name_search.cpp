// The name search and its result rows.
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "memory_db.h"
#include "byte_search.h"
#include "wildcard_pattern.h"

namespace {

const char kFileDeleted[] = "File Deleted";

#if defined(__GNUC__)
#define VELKORO_PREFETCH(address) __builtin_prefetch(address)
#else
#define VELKORO_PREFETCH(address) ((void)0)
#endif

// The three ways a name is tested, each small enough to be inlined into the
// walk below.
struct TLiteralTest {
  std::string_view Text;
  bool operator()(const TFileRecord* entry) const {
    return entry->Length == Text.size() && std::memcmp(entry->Name, Text.data(), Text.size()) == 0;
  }
};

// The finders' word loads may start in the entry's header, before its name.
constexpr size_t kHeaderBytes = offsetof(TFileRecord, Name);
using TEntrySuffixFinder = TSuffixFinder<kHeaderBytes>;
using TEntryPieceFinder = TPieceFinder<kHeaderBytes>;

struct TSuffixTest {
  std::string_view Text;
  bool operator()(const TFileRecord* entry) const {
    return entry->Length > 0 && entry->Length >= Text.size() &&
           std::memcmp(entry->Name + entry->Length - Text.size(), Text.data(), Text.size()) == 0;
  }
};

struct TShortSuffixTest {
  TEntrySuffixFinder Finder;
  bool operator()(const TFileRecord* entry) const { return Finder.In(entry->Name, entry->Length); }
};

struct TInfixTest {
  TEntryPieceFinder Finder;
  bool operator()(const TFileRecord* entry) const { return Finder.In(entry->Name, entry->Length); }
};

struct TPatternTest {
  const TWildcardPattern& Pattern;
  bool operator()(const TFileRecord* entry) const {
    return Pattern.Matches(entry->Name, entry->Length);
  }
};

// Matches the files of a run of directories, appending the hits in
// directory order and, within a directory, in chain order.
//
// Walking one chain is a sequence of dependent loads, each waiting for the
// last, so the search would mostly wait for memory. The chains of up to
// kLanes directories are walked side by side instead, one step of each in
// turn, which keeps that many loads in flight; the hits of each directory
// are held back until the directories before it are done. Entries made one
// after another lie next to each other, so the memory just ahead of each
// entry is asked for early as well.
template <typename TTest>
class TBatchMatcher {
 public:
  static constexpr size_t kLanes = 16;

  TBatchMatcher(TDDList& list, TTest test, std::vector<TFileRecord*>& files,
                std::vector<TDirectoryRecord*>& dirs)
      : list_(list), test_(test), files_(files), dirs_(dirs) {}

  // The node is only asked for its chain when the lanes start: a node that
  // passed its summary is seldom in the cache, and its load overlaps with
  // those of the other lanes' nodes.
  void Add(TDirectoryRecord* node) {
    VELKORO_PREFETCH(node);
    nodes_[count_++] = node;
    if (count_ == kLanes) Flush();
  }

  void Flush() {
    TFileRecord* cursors[kLanes];
    size_t active[kLanes];
    size_t lengths[kLanes];
    size_t activeCount = 0;
    for (size_t i = 0; i < count_; ++i) {
      cursors[i] = nodes_[i]->Files;
      if (cursors[i]) active[activeCount++] = i;
      lengths[i] = 0;
      hits_[i].clear();
    }
    while (activeCount > 0) {
      for (size_t k = 0; k < activeCount;) {
        const size_t lane = active[k];
        TFileRecord* entry = cursors[lane];
        VELKORO_PREFETCH(reinterpret_cast<const char*>(entry) + 256);
        if (test_(entry)) hits_[lane].push_back(entry);
        ++lengths[lane];
        cursors[lane] = entry->Next;
        if (cursors[lane]) {
          ++k;
        } else {
          active[k] = active[--activeCount];
        }
      }
    }
    for (size_t i = 0; i < count_; ++i) {
      for (TFileRecord* entry : hits_[i]) {
        files_.push_back(entry);
        dirs_.push_back(nodes_[i]);
      }
      // The chain was read anyway; its length tells whether the summary
      // that let it through is still sized for it.
      list_.FitSummary(nodes_[i], lengths[i]);
    }
    count_ = 0;
  }

 private:
  TDDList& list_;
  TTest test_;
  std::vector<TFileRecord*>& files_;
  std::vector<TDirectoryRecord*>& dirs_;
  TDirectoryRecord* nodes_[kLanes] = {};
  size_t count_ = 0;
  std::vector<TFileRecord*> hits_[kLanes];
};

// The start directory, then its subdirectories level by level, each level
// in chain order. The child index gives each level directly; sorting by
// chain position restores the order a pass over the whole chain would give.
template <typename TVisit>
void WalkSubtree(const TDDList& list, TDirectoryRecord* start, TVisit visit) {
  std::vector<TDirectoryRecord*> level{start};
  std::vector<TDirectoryRecord*> nextLevel;
  while (!level.empty()) {
    visit(level);
    nextLevel.clear();
    for (TDirectoryRecord* node : level) {
      for (TDirectoryRecord* child = list.FirstChild(node); child; child = list.NextSibling(child)) {
        nextLevel.push_back(child);
      }
    }
    std::sort(nextLevel.begin(), nextLevel.end(),
              [](const TDirectoryRecord* a, const TDirectoryRecord* b) {
                return TDDList::ChainPosition(a) < TDDList::ChainPosition(b);
              });
    level.swap(nextLevel);
  }
}

// Only the chains of directories whose name summary admits the pattern are
// read; the others cannot hold a match, so the rows and their order are
// those of a walk over every chain.
template <typename TTest>
void Collect(TDDList& list, TDirectoryRecord* start, const TNameQuery& query, TTest test,
             std::vector<TFileRecord*>& files, std::vector<TDirectoryRecord*>& dirs) {
  TBatchMatcher<TTest> matcher(list, test, files, dirs);
  if (!start) {
    list.ForEachNodeThatMayMatch(query, [&](TDirectoryRecord* node) { matcher.Add(node); });
  } else {
    WalkSubtree(list, start, [&](const std::vector<TDirectoryRecord*>& level) {
      for (TDirectoryRecord* node : level) {
        if (list.MayHoldMatch(node, query)) matcher.Add(node);
      }
    });
  }
  matcher.Flush();
}

}  // namespace

bool TMemoryDB::WildcardMatch(const char* name, const char* pattern, size_t nameLength,
                              size_t patternLength) {
  return WildcardBytesMatch(name, nameLength, pattern, patternLength);
}

void TMemoryDB::Search(const std::string& pattern) {
  if (!IsFixedDrivePath(pattern)) return;
  TLockGuard guard(*Lock);

  std::string namePart;
  TDirectoryRecord* start = nullptr;
  SplitPattern(pattern, namePart, start);

  // Fresh lists: the old ones are freed, never reused.
  std::vector<TFileRecord*>().swap(ResultFiles);
  std::vector<TDirectoryRecord*>().swap(ResultDirs);
  resultIndex_.Forget();

  CollectMatches(namePart, start, ResultFiles, ResultDirs);
}

void TMemoryDB::SearchInto(const std::string& pattern, std::vector<TFileRecord*>& files,
                           std::vector<TDirectoryRecord*>& dirs) {
  files.clear();
  dirs.clear();
  if (!IsFixedDrivePath(pattern)) return;
  TLockGuard guard(*Lock);
  std::string namePart;
  TDirectoryRecord* start = nullptr;
  SplitPattern(pattern, namePart, start);
  CollectMatches(namePart, start, files, dirs);
}

void TMemoryDB::SplitPattern(const std::string& pattern, std::string& namePart,
                             TDirectoryRecord*& start) {
  start = nullptr;
  if (pattern.find('\\') != std::string::npos) {
    ResolvePath(pattern, namePart, start);
  } else {
    namePart = pattern;
    Host.UpperCase(namePart);
  }
}

void TMemoryDB::CollectMatches(const std::string& namePart, TDirectoryRecord* start,
                               std::vector<TFileRecord*>& files,
                               std::vector<TDirectoryRecord*>& dirs) {
  const TWildcardPattern compiled(namePart);
  const TNameQuery query(namePart);
  switch (compiled.Shape()) {
    case TWildcardPattern::TShape::Nothing:
      return;
    case TWildcardPattern::TShape::Literal:
      Collect(*DirList, start, query, TLiteralTest{compiled.Literal()}, files, dirs);
      return;
    case TWildcardPattern::TShape::LiteralSuffix:
      if (compiled.Literal().size() <= TEntrySuffixFinder::kLongest) {
        Collect(*DirList, start, query, TShortSuffixTest{TEntrySuffixFinder(compiled.Literal())},
                files, dirs);
      } else {
        Collect(*DirList, start, query, TSuffixTest{compiled.Literal()}, files, dirs);
      }
      return;
    case TWildcardPattern::TShape::Infix:
      Collect(*DirList, start, query, TInfixTest{TEntryPieceFinder(compiled.Literal())}, files,
              dirs);
      return;
    case TWildcardPattern::TShape::General:
      Collect(*DirList, start, query, TPatternTest{compiled}, files, dirs);
      return;
  }
}

int TMemoryDB::ResultCount() const { return static_cast<int>(ResultFiles.size()); }

// A row outside the result is answered with empty text, like the empty
// result: the grid never asks for one, and no answer could be more useful.

std::string TMemoryDB::ResultFullPath(int row) {
  TLockGuard guard(*Lock);
  if (row < 0 || static_cast<size_t>(row) >= ResultFiles.size()) return std::string();
  const TFileRecord* entry = ResultFiles[row];
  const TDirectoryRecord* node = ResultDirs[row];
  if (!entry || !node) return kFileDeleted;
  std::string path = DirectoryPath(node);
  path.append(entry->NameView());
  return path;
}

std::string TMemoryDB::ResultDirectory(int row) {
  TLockGuard guard(*Lock);
  if (row < 0 || static_cast<size_t>(row) >= ResultDirs.size()) return std::string();
  const TDirectoryRecord* node = ResultDirs[row];
  return node ? DirectoryPath(node) : std::string();
}

std::string TMemoryDB::ResultFileName(int row) {
  TLockGuard guard(*Lock);
  if (row < 0 || static_cast<size_t>(row) >= ResultFiles.size()) return std::string();
  const TFileRecord* entry = ResultFiles[row];
  return entry ? std::string(entry->NameView()) : std::string(kFileDeleted);
}
