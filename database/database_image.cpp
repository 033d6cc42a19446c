#include "database_image.h"

#include <cstring>
#include <string_view>
#include <unordered_map>

namespace {

constexpr size_t kIntegerSize = 4;
// NameLength, ParentIndex and FileCount: the least a directory record takes.
constexpr size_t kMinDirectoryRecordSize = 3 * kIntegerSize;
constexpr size_t kMinFileRecordSize = kIntegerSize;

class TImageWriter {
 public:
  explicit TImageWriter(std::vector<uint8_t>& image) : image_(image) {}

  void Integer(int32_t value) {
    const uint32_t bits = static_cast<uint32_t>(value);
    uint8_t* out = Reserve(kIntegerSize);
    out[0] = static_cast<uint8_t>(bits);
    out[1] = static_cast<uint8_t>(bits >> 8);
    out[2] = static_cast<uint8_t>(bits >> 16);
    out[3] = static_cast<uint8_t>(bits >> 24);
  }

  void Name(std::string_view name) {
    Integer(static_cast<int32_t>(name.size()));
    if (!name.empty()) std::memcpy(Reserve(name.size()), name.data(), name.size());
  }

 private:
  uint8_t* Reserve(size_t count) {
    const size_t at = image_.size();
    image_.resize(at + count);
    return image_.data() + at;
  }
  std::vector<uint8_t>& image_;
};

class TImageReader {
 public:
  TImageReader(const uint8_t* data, size_t size) : next_(data), end_(data + size) {}

  size_t Remaining() const { return static_cast<size_t>(end_ - next_); }

  bool Integer(int32_t& value) {
    if (Remaining() < kIntegerSize) return false;
    const uint32_t bits = static_cast<uint32_t>(next_[0]) | static_cast<uint32_t>(next_[1]) << 8 |
                          static_cast<uint32_t>(next_[2]) << 16 |
                          static_cast<uint32_t>(next_[3]) << 24;
    value = static_cast<int32_t>(bits);
    next_ += kIntegerSize;
    return true;
  }

  // A count of records that each take at least recordSize bytes: it can
  // never exceed what is left, which also bounds every allocation by the
  // size of the file.
  bool Count(int32_t& count, size_t recordSize) {
    return Integer(count) && count >= 0 && static_cast<size_t>(count) <= Remaining() / recordSize;
  }

  // A stored name is one path component: a zero byte would cut the inline
  // file name short and a backslash would split it, so either marks a file
  // that no writer of this program produced.
  bool Name(std::string_view& name) {
    int32_t length = 0;
    if (!Integer(length) || length < 0 || static_cast<size_t>(length) > kMaxNameLength ||
        static_cast<size_t>(length) > Remaining()) {
      return false;
    }
    name = std::string_view(reinterpret_cast<const char*>(next_), static_cast<size_t>(length));
    next_ += length;
    return name.find('\0') == std::string_view::npos && name.find('\\') == std::string_view::npos;
  }

 private:
  const uint8_t* next_;
  const uint8_t* end_;
};

// parents[i] is the 1-based position of node i's parent, 0 for none; all
// are already known to lie in 0..N. A cycle would make every path walk of
// the tree endless.
bool HasParentCycle(const std::vector<int32_t>& parents) {
  enum : uint8_t { kUnseen, kOnPath, kRooted };
  std::vector<uint8_t> state(parents.size(), kUnseen);
  for (size_t start = 0; start < parents.size(); ++start) {
    // Climb until a top-level node or one already known to reach one; a
    // node of this very climb met again closes a cycle.
    for (size_t node = start; state[node] != kRooted;) {
      if (state[node] == kOnPath) return true;
      state[node] = kOnPath;
      if (parents[node] == 0) break;
      node = static_cast<size_t>(parents[node] - 1);
    }
    for (size_t node = start; state[node] == kOnPath;) {
      state[node] = kRooted;
      if (parents[node] == 0) break;
      node = static_cast<size_t>(parents[node] - 1);
    }
  }
  return false;
}

}  // namespace

bool EncodeDatabaseImage(const TDDList& list, std::vector<uint8_t>& image) {
  std::unordered_map<const TDirectoryRecord*, int32_t> positions;
  size_t size = kIntegerSize;
  int32_t count = 0;
  for (const TDirectoryRecord* node = list.FirstNode(); node; node = node->Next) {
    if (node->NameView().size() > kMaxNameLength) return false;
    positions.emplace(node, ++count);
    size += kMinDirectoryRecordSize + node->NameView().size();
    for (const TFileRecord* entry = list.FirstEntry(node); entry; entry = entry->Next) {
      if (entry->NameView().size() > kMaxNameLength) return false;
      size += kMinFileRecordSize + entry->NameView().size();
    }
  }

  image.clear();
  image.reserve(size);
  TImageWriter writer(image);
  writer.Integer(count);
  for (const TDirectoryRecord* node = list.FirstNode(); node; node = node->Next) {
    int32_t parentIndex = 0;
    if (node->Parent) {
      auto parent = positions.find(node->Parent);
      if (parent == positions.end()) return false;
      parentIndex = parent->second;
    }
    writer.Name(node->NameView());
    writer.Integer(parentIndex);
    int32_t files = 0;
    for (const TFileRecord* entry = list.FirstEntry(node); entry; entry = entry->Next) ++files;
    writer.Integer(files);
    for (const TFileRecord* entry = list.FirstEntry(node); entry; entry = entry->Next) {
      writer.Name(entry->NameView());
    }
  }
  return true;
}

std::unique_ptr<TDDList> DecodeDatabaseImage(const uint8_t* data, size_t size) {
  TImageReader reader(data, size);
  int32_t nodeCount = 0;
  if (!reader.Count(nodeCount, kMinDirectoryRecordSize)) return nullptr;

  auto list = std::make_unique<TDDList>();
  std::vector<TDirectoryRecord*> nodes;
  std::vector<int32_t> parents;
  nodes.reserve(static_cast<size_t>(nodeCount));
  parents.reserve(static_cast<size_t>(nodeCount));
  bool parentsLater = false;
  for (int32_t i = 0; i < nodeCount; ++i) {
    std::string_view name;
    int32_t parentIndex = 0;
    int32_t fileCount = 0;
    if (!reader.Name(name) || !reader.Integer(parentIndex) || parentIndex < 0 ||
        parentIndex > nodeCount || parentIndex == i + 1 ||
        !reader.Count(fileCount, kMinFileRecordSize)) {
      return nullptr;
    }
    // A parent read already (the usual case: a scan writes each directory
    // before its subdirectories) is linked at once. One that comes later in
    // the file is linked when every record is known.
    const bool parentKnown = parentIndex != 0 && parentIndex <= i;
    parentsLater = parentsLater || parentIndex > i + 1;
    TDirectoryRecord* node =
        list->AddNode(name, parentKnown ? nodes[static_cast<size_t>(parentIndex - 1)] : nullptr);
    nodes.push_back(node);
    parents.push_back(parentIndex);
    for (int32_t j = 0; j < fileCount; ++j) {
      std::string_view fileName;
      if (!reader.Name(fileName)) return nullptr;
      list->AddEntry(fileName, node);
    }
  }
  if (reader.Remaining() != 0) return nullptr;
  list->FitSummaries();
  if (!parentsLater) return list;  // parents all come first: no cycle is possible

  if (HasParentCycle(parents)) return nullptr;
  for (size_t i = 0; i < nodes.size(); ++i) {
    const size_t parent = static_cast<size_t>(parents[i]);
    if (parent > i + 1 && !list->MoveNode(nodes[i], nodes[i]->NameView(), nodes[parent - 1])) {
      return nullptr;
    }
  }
  return list;
}
