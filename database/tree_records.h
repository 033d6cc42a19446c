// The records of the directory tree as everything that reads them sees
// them: a file entry, a directory node and its name. The tree owns and links
// them (directory_tree.h); the name summaries and the node pool need only
// their layout, and so stand beside the tree instead of on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

class TDDList;
class TEntryIndex;

constexpr size_t kMaxNameLength = 255;

struct TFileRecord {
  TFileRecord* Next;
  uint8_t Flag;    // reserved status byte, always 0
  uint8_t Length;  // bytes in Name, so the search need not measure each name
  char Name[1];    // inline, zero-terminated; the block is sized for the name

  std::string_view NameView() const { return std::string_view(Name, Length); }
};

// A directory's own name. The text lives in the list's arena as a length
// byte, the bytes and a terminator, so the node holds one pointer only; only
// the list sets it (through AddNode and MoveNode), everyone else reads it.
class TNodeName {
 public:
  operator std::string_view() const { return std::string_view(data_, size()); }
  const char* data() const { return data_; }
  const char* c_str() const { return data_; }
  size_t size() const { return static_cast<unsigned char>(data_[-1]); }
  size_t length() const { return size(); }
  bool empty() const { return size() == 0; }
  std::string str() const { return std::string(data_, size()); }

  friend bool operator==(const TNodeName& a, std::string_view b) {
    return std::string_view(a) == b;
  }
  friend bool operator!=(const TNodeName& a, std::string_view b) { return !(a == b); }
  friend bool operator==(std::string_view a, const TNodeName& b) { return b == a; }
  friend bool operator!=(std::string_view a, const TNodeName& b) { return !(b == a); }
  friend std::ostream& operator<<(std::ostream& out, const TNodeName& name) {
    return out << std::string_view(name);
  }

 private:
  friend class TDDList;
  static constexpr char kEmpty[2] = {0, 0};
  const char* data_ = kEmpty + 1;
};

struct TDirectoryRecord {
  TDirectoryRecord* Next = nullptr;
  TFileRecord* Files = nullptr;
  TDirectoryRecord* Parent = nullptr;
  TNodeName Name;
  uint8_t Flag = 0;  // reserved status byte, always 0

  std::string_view NameView() const { return Name; }

 private:
  friend class TDDList;
  // Place of the node's name summary; summaries sit in chain order, so this
  // also orders nodes as the chain does.
  uint32_t summaryIndex_ = 0;
  TDirectoryRecord* previous_ = nullptr;   // chain back link
  TDirectoryRecord* hashNext_ = nullptr;   // next node of the same hash bucket
  TDirectoryRecord* firstChild_ = nullptr;
  TDirectoryRecord* lastChild_ = nullptr;
  TDirectoryRecord* nextSibling_ = nullptr;  // siblings in chain order
  TDirectoryRecord* previousSibling_ = nullptr;
  TEntryIndex* entryIndex_ = nullptr;  // for a long file chain; owned by the list
};
