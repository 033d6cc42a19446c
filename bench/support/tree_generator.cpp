#include "tree_generator.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

// splitmix64: small, fast, and the same on every platform and library, which
// the standard distributions are not.
class TRandom {
 public:
  explicit TRandom(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1).
  double Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
  size_t Below(size_t bound) { return static_cast<size_t>(Next() % bound); }

 private:
  uint64_t state_;
};

// Picks an index with probability proportional to its weight.
class TWeightedChoice {
 public:
  explicit TWeightedChoice(const std::vector<double>& weights) {
    cumulative_.reserve(weights.size());
    double total = 0;
    for (double w : weights) cumulative_.push_back(total += w);
  }
  size_t Pick(TRandom& random) const {
    const double target = random.Unit() * cumulative_.back();
    const auto at = std::upper_bound(cumulative_.begin(), cumulative_.end(), target);
    return std::min(static_cast<size_t>(at - cumulative_.begin()), cumulative_.size() - 1);
  }

 private:
  std::vector<double> cumulative_;
};

// Directories per depth below the root (depth 1 first), from /usr.
const double kDepthShape[] = {14,   274,  1507, 1310, 1717, 3049, 4122, 3076, 1174,
                              544,  188,  117,  46,   12,   3,    1,    1,    2};

// File name lengths 1..60 (whole name, extension included), from /usr; the
// last bucket stands for 60 and longer.
const double kFileNameLengths[] = {
    13,   274,  365,  1005, 2655, 3786, 6527, 6174, 10235, 8211, 13280, 10931,
    6497, 4846, 4161, 3704, 3537, 3076, 3955, 3693, 2960,  3947, 2467,  6838,
    2331, 1789, 1500, 1530, 1367, 1342, 1279, 1236, 1125,  1204, 1221,  1075,
    1090, 1154, 939,  985,  1051, 993,  919,  1200, 795,   813,  780,   747,
    620,  673,  586,  589,  415,  466,  395,  421,  404,   363,  323,   2375};

// Directory name lengths 1..40, from /usr.
const double kDirectoryNameLengths[] = {
    70,  752, 1130, 1060, 890, 1402, 1381, 1152, 939, 1162, 4627, 421, 338, 276,
    263, 218, 185,  190,  171, 111,  78,   63,   53,  25,   35,   25,  19,  19,
    24,  17,  7,    9,    7,   15,   8,    4,    8,   1,    1,    2};

struct TWeightedName {
  const char* Text;
  double Weight;
};

// Extensions by frequency, from /usr; the empty one is a name without any.
const TWeightedName kExtensions[] = {
    {"", 11560}, {"GZ", 26485},  {"PY", 20876},  {"PYC", 18796}, {"H", 14419},   {"PNG", 4946},
    {"INC", 4322}, {"YAML", 4243}, {"MO", 3860},  {"PAS", 2676},  {"PP", 2491},   {"RST", 2242},
    {"JSON", 1764}, {"SO", 1709},  {"XML", 1619}, {"VIM", 1608},  {"TXT", 1311},  {"PL", 1215},
    {"JS", 1186},  {"DLL", 1114}, {"CMAKE", 1048}, {"O", 1043},   {"PPU", 1014},  {"BC", 966},
    {"PM", 916},   {"ADS", 887},  {"ALI", 878},   {"A", 870},     {"HPP", 753},   {"ADB", 676},
    {"SVG", 662},  {"JAR", 611},  {"0", 597},     {"MD", 578},    {"CONF", 562},  {"HTML", 426},
    {"FPC", 426},  {"MOD", 378},  {"1", 353},     {"DEBUG", 274}, {"EXE", 240},   {"C", 230},
    {"INI", 120},  {"BAT", 60},   {"DOC", 40},    {"BMP", 40}};

// Directory names that recur all over a real tree.
const TWeightedName kCommonDirectoryNames[] = {
    {"__PYCACHE__", 3913}, {"LC_MESSAGES", 238}, {"SRC", 169},    {"V1", 165},
    {"EXAMPLES", 148},     {"INCLUDE", 137},     {"CRYPTO", 114}, {"LIB", 109},
    {"OPERATIONS", 106},   {"DEBIAN", 79},       {"CONFIG", 77},  {"OPENSSL", 71},
    {"COMMON", 70},        {"_PARTIALS", 70},    {"TESTS", 65},   {"PROVIDERS", 60},
    {"PROV", 57},          {"V1BETA1", 50},      {"V1ALPHA1", 50}, {"DIST", 45},
    {"DOC", 40},           {"MAN1", 30},         {"BIN", 30},     {"SHARE", 30}};

// Share of directories that take a common name rather than a made-up one.
constexpr double kCommonNameShare = 0.3;
// Share of directories (the root aside) that hold no file.
constexpr double kEmptyDirectoryShare = 0.12;

std::vector<double> WeightsOf(const TWeightedName* names, size_t count) {
  std::vector<double> weights;
  for (size_t i = 0; i < count; ++i) weights.push_back(names[i].Weight);
  return weights;
}

template <size_t N>
std::vector<double> WeightsOf(const double (&table)[N]) {
  return std::vector<double>(table, table + N);
}

// A heavy-tailed weight (Pareto), capped so that one directory cannot take
// everything in a small tree.
double HeavyTail(TRandom& random, double alpha, double cap) {
  const double u = 1.0 - random.Unit();
  return std::min(std::pow(u, -1.0 / alpha), cap);
}

class TNameMaker {
 public:
  explicit TNameMaker(TRandom& random)
      : random_(random),
        fileLengths_(WeightsOf(kFileNameLengths)),
        directoryLengths_(WeightsOf(kDirectoryNameLengths)),
        extensions_(WeightsOf(kExtensions, std::size(kExtensions))),
        commonDirectories_(WeightsOf(kCommonDirectoryNames, std::size(kCommonDirectoryNames))) {}

  std::string FileName() {
    size_t length = fileLengths_.Pick(random_) + 1;
    if (length == std::size(kFileNameLengths)) length += random_.Below(60);
    const std::string extension = kExtensions[extensions_.Pick(random_)].Text;
    const size_t stem = extension.empty() ? length
                                          : std::max<size_t>(1, length > extension.size() + 1
                                                                    ? length - extension.size() - 1
                                                                    : 1);
    std::string name = Word(stem);
    if (!extension.empty()) name += "." + extension;
    return name;
  }

  std::string DirectoryName() {
    if (random_.Unit() < kCommonNameShare) {
      return kCommonDirectoryNames[commonDirectories_.Pick(random_)].Text;
    }
    return Word(directoryLengths_.Pick(random_) + 1);
  }

 private:
  // Letters mostly, with the digits and punctuation real names carry.
  std::string Word(size_t length) {
    static const char kLetters[] = "ETAOINSRHLDCUMFPGWYBVKXJQZ";
    static const char kOthers[] = "0123456789_-.+";
    std::string word;
    word.reserve(length);
    for (size_t i = 0; i < length; ++i) {
      const uint64_t r = random_.Next();
      if (r % 100 < 85) {
        // Skewed towards the frequent letters.
        const size_t a = (r >> 8) % 26, b = (r >> 16) % 26;
        word += kLetters[std::min(a, b)];
      } else {
        char c = kOthers[(r >> 8) % (sizeof(kOthers) - 1)];
        // Names neither start nor end with a dot, and hold no two in a row.
        if (c == '.' && (i == 0 || i + 1 == length || word.back() == '.')) c = '_';
        word += c;
      }
    }
    return word;
  }

  TRandom& random_;
  TWeightedChoice fileLengths_;
  TWeightedChoice directoryLengths_;
  TWeightedChoice extensions_;
  TWeightedChoice commonDirectories_;
};

// Makes a name that is not yet in `taken`, from the maker's proposals.
template <typename TPropose>
std::string UniqueName(std::unordered_set<std::string>& taken, TPropose propose) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    std::string name = propose();
    if (taken.insert(name).second) return name;
  }
  for (size_t suffix = 2;; ++suffix) {
    std::string name = propose() + "_" + std::to_string(suffix);
    if (name.size() <= kMaxNameLength && taken.insert(name).second) return name;
  }
}

struct TPlannedDirectory {
  size_t Parent = 0;  // index into the plan; the root is 0 and its own parent
  size_t Depth = 0;
  std::vector<size_t> Children;
  size_t Files = 0;
};

std::vector<TPlannedDirectory> PlanShape(TRandom& random, size_t files, size_t directories) {
  std::vector<TPlannedDirectory> plan(std::max<size_t>(directories, 1));
  if (directories <= 1) {
    plan[0].Files = files;
    return plan;
  }
  // Directories per depth, scaled to the count asked for, with no empty
  // level above a populated one, so that every node has a parent level.
  const size_t depths = std::size(kDepthShape);
  const size_t wanted = directories - 1;
  double total = 0;
  for (double w : kDepthShape) total += w;
  std::vector<size_t> perDepth(depths, 0);
  size_t assigned = 0;
  size_t deepest = 1;  // levels in use
  for (size_t d = 0; d < depths; ++d) {
    perDepth[d] = static_cast<size_t>(std::floor(kDepthShape[d] / total * wanted));
    assigned += perDepth[d];
    if (perDepth[d] > 0) deepest = d + 1;
  }
  for (size_t d = 0; d < deepest; ++d) {
    if (perDepth[d] == 0) {
      perDepth[d] = 1;
      ++assigned;
    }
  }
  while (assigned > wanted) {
    const auto largest = std::max_element(perDepth.begin(), perDepth.begin() + deepest);
    if (*largest > 1) {
      --*largest;
    } else {
      perDepth[--deepest] = 0;
    }
    --assigned;
  }
  for (size_t d = 0; assigned < wanted; d = (d + 1) % std::min<size_t>(deepest, 8)) {
    ++perDepth[d];
    ++assigned;
  }

  // Each level's nodes pick their parents on the level above, some parents
  // far more often than others (a few directories have hundreds of
  // subdirectories, most have one or none).
  std::vector<size_t> previousLevel{0};
  size_t next = 1;
  for (size_t d = 0; d < depths && perDepth[d] > 0; ++d) {
    std::vector<double> weights;
    for (size_t i = 0; i < previousLevel.size(); ++i) weights.push_back(HeavyTail(random, 1.2, 400));
    const TWeightedChoice parents(weights);
    std::vector<size_t> level;
    for (size_t i = 0; i < perDepth[d]; ++i, ++next) {
      const size_t parent = previousLevel[parents.Pick(random)];
      plan[next].Parent = parent;
      plan[next].Depth = d + 1;
      plan[parent].Children.push_back(next);
      level.push_back(next);
    }
    previousLevel.swap(level);
  }

  // Files: each directory draws a heavy-tailed weight, a few none at all,
  // and every file goes to a directory picked by weight.
  std::vector<double> weights(plan.size(), 0.0);
  for (size_t i = 1; i < plan.size(); ++i) {
    weights[i] = random.Unit() < kEmptyDirectoryShare ? 0.0 : HeavyTail(random, 0.9, 5000);
  }
  weights[0] = 0.5;  // a drive root holds a few files
  const TWeightedChoice home(weights);
  for (size_t f = 0; f < files; ++f) ++plan[home.Pick(random)].Files;
  return plan;
}

}  // namespace

void GenerateTree(TMemoryDB& database, size_t files, size_t directories, uint32_t seed) {
  TRandom random(seed);
  const std::vector<TPlannedDirectory> plan = PlanShape(random, files, directories);
  TNameMaker names(random);

  TLockGuard guard(*database.Lock);
  database.DirList = std::make_unique<TDDList>();
  std::vector<TFileRecord*>().swap(database.ResultFiles);
  std::vector<TDirectoryRecord*>().swap(database.ResultDirs);
  TDDList& list = *database.DirList;

  // Depth-first pre-order, children in the order they were planned, so the
  // chain looks like a scan's.
  std::vector<TDirectoryRecord*> nodes(plan.size(), nullptr);
  std::vector<std::string> directoryNames(plan.size());
  directoryNames[0] = "C:";
  std::vector<size_t> stack{0};
  while (!stack.empty()) {
    const size_t index = stack.back();
    stack.pop_back();
    const TPlannedDirectory& planned = plan[index];
    nodes[index] = list.AddNode(directoryNames[index], index == 0 ? nullptr : nodes[planned.Parent]);
    std::string().swap(directoryNames[index]);
    // One name space per directory for its subdirectories and its files, as
    // on a real disk; the subdirectories are named now, made when visited.
    std::unordered_set<std::string> taken;
    for (size_t child : planned.Children) {
      directoryNames[child] = UniqueName(taken, [&] { return names.DirectoryName(); });
    }
    for (size_t f = 0; f < planned.Files; ++f) {
      const std::string name = UniqueName(taken, [&] { return names.FileName(); });
      list.AddEntry(name, nodes[index]);
    }
    for (auto child = planned.Children.rbegin(); child != planned.Children.rend(); ++child) {
      stack.push_back(*child);
    }
  }
  // As a load or a scan leaves the tree.
  list.FitSummaries();
}

void ForEachFilePath(TMemoryDB& database, const std::function<void(const std::string&)>& visit) {
  TLockGuard guard(*database.Lock);
  std::string path;
  for (TDirectoryRecord* node = database.DirList->FirstNode(); node; node = node->Next) {
    const std::string directory = database.DirectoryPath(node);
    for (TFileRecord* entry = node->Files; entry; entry = entry->Next) {
      path.assign(directory).append(entry->NameView());
      visit(path);
    }
  }
}

bool WriteFileList(TMemoryDB& database, const std::string& listPath) {
  std::ofstream out(listPath, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  ForEachFilePath(database, [&](const std::string& path) { out << path << '\n'; });
  out.flush();
  return static_cast<bool>(out);
}

size_t FileCount(const TDirectoryRecord* node) {
  size_t count = 0;
  for (const TFileRecord* entry = node->Files; entry; entry = entry->Next) ++count;
  return count;
}

TDirectoryRecord* FindSubtreeWithFiles(TMemoryDB& database, size_t files) {
  TLockGuard guard(*database.Lock);
  std::unordered_map<const TDirectoryRecord*, size_t> totals;
  std::vector<TDirectoryRecord*> order;
  for (TDirectoryRecord* node = database.DirList->FirstNode(); node; node = node->Next) {
    order.push_back(node);
    totals[node] = FileCount(node);
  }
  // Pre-order chain: a node's descendants all come after it, so adding each
  // total to its parent from the back sums every subtree.
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    if ((*it)->Parent) totals[(*it)->Parent] += totals[*it];
  }
  TDirectoryRecord* best = nullptr;
  size_t bestDistance = SIZE_MAX;
  for (TDirectoryRecord* node : order) {
    const size_t total = totals[node];
    const size_t distance = total > files ? total - files : files - total;
    if (distance < bestDistance) {
      best = node;
      bestDistance = distance;
    }
  }
  return best;
}

TDirectoryRecord* FindDirectoryAtDepth(TMemoryDB& database, size_t depth, size_t files) {
  TLockGuard guard(*database.Lock);
  TDirectoryRecord* best = nullptr;
  size_t bestDistance = SIZE_MAX;
  for (TDirectoryRecord* node = database.DirList->FirstNode(); node; node = node->Next) {
    size_t levels = 0;
    for (const TDirectoryRecord* up = node->Parent; up; up = up->Parent) ++levels;
    if (levels != depth) continue;
    const size_t count = FileCount(node);
    const size_t distance = count > files ? count - files : files - count;
    if (distance < bestDistance) {
      best = node;
      bestDistance = distance;
    }
  }
  return best;
}

size_t SubtreeFileCount(TMemoryDB& database, const TDirectoryRecord* node) {
  TLockGuard guard(*database.Lock);
  size_t count = 0;
  std::vector<const TDirectoryRecord*> pending{node};
  while (!pending.empty()) {
    const TDirectoryRecord* next = pending.back();
    pending.pop_back();
    count += FileCount(next);
    for (const TDirectoryRecord* child = database.DirList->FirstChild(next); child;
         child = database.DirList->NextSibling(child)) {
      pending.push_back(child);
    }
  }
  return count;
}
