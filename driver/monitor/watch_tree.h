// The monitor's picture of one watched folder: one node per directory (or
// symbolic link to a directory) below it, with the inotify watch descriptor
// that reports its entries. Each folder has an inotify instance of its own,
// so that folders inside one another are each watched whole.
//
// Invariants: a node's path is the folder followed by the names on its
// parent chain; every watched node is in the descriptor map under its
// descriptor and no other node is; a link node has no watch and no children.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "spelling_index.h"

struct TWatchNode {
  std::string Name;
  TWatchNode* Parent = nullptr;
  int Descriptor = -1;    // -1: not watched (a link, or the watch failed)
  bool Link = false;      // a symbolic link to a directory: recorded, not entered
  std::map<std::string, std::unique_ptr<TWatchNode>> Children;
  TSpellingIndex Names;  // every visible entry of the directory, files too
};

class TWatchTree {
 public:
  TWatchTree(std::string folder, int rootIndex);

  TWatchNode* Root() { return &root_; }
  const std::string& Folder() const { return folder_; }
  // The folder's place in the list of watched folders, which the records name.
  int RootIndex() const { return rootIndex_; }

  // The path relative to the node's watched folder ("" for the folder).
  std::string RelativePath(const TWatchNode* node) const;
  std::string HostPath(const TWatchNode* node) const;
  std::string ChildRelativePath(const TWatchNode* parent, const std::string& name) const;

  TWatchNode* ByDescriptor(int descriptor) const;
  TWatchNode* Child(TWatchNode* parent, const std::string& name) const;
  TWatchNode* AddChild(TWatchNode* parent, const std::string& name, bool link);
  void SetDescriptor(TWatchNode* node, int descriptor);
  // The kernel dropped the watch (its directory is gone).
  void ForgetDescriptor(int descriptor);

  // Detaches the named child with its subtree; the caller owns it now.
  std::unique_ptr<TWatchNode> Detach(TWatchNode* parent, const std::string& name);
  void Attach(TWatchNode* parent, const std::string& name, std::unique_ptr<TWatchNode> node);
  // Every descriptor of a subtree, which leaves the map.
  std::vector<int> ReleaseDescriptors(TWatchNode* top);

  size_t WatchCount() const { return byDescriptor_.size(); }

 private:
  std::string folder_;
  int rootIndex_;
  TWatchNode root_;
  std::unordered_map<int, TWatchNode*> byDescriptor_;
};
