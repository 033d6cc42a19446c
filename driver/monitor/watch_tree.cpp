#include "watch_tree.h"


TWatchTree::TWatchTree(std::string folder, int rootIndex) : folder_(std::move(folder)), rootIndex_(rootIndex) {}

std::string TWatchTree::RelativePath(const TWatchNode* node) const {
  std::vector<const std::string*> names;
  for (; node && node->Parent; node = node->Parent) names.push_back(&node->Name);
  std::string path;
  for (auto it = names.rbegin(); it != names.rend(); ++it) {
    if (!path.empty()) path += '/';
    path += **it;
  }
  return path;
}

std::string TWatchTree::HostPath(const TWatchNode* node) const {
  const std::string relative = RelativePath(node);
  if (relative.empty()) return folder_;
  return folder_.back() == '/' ? folder_ + relative : folder_ + "/" + relative;
}

std::string TWatchTree::ChildRelativePath(const TWatchNode* parent, const std::string& name) const {
  std::string path = RelativePath(parent);
  if (!path.empty()) path += '/';
  return path + name;
}

TWatchNode* TWatchTree::ByDescriptor(int descriptor) const {
  const auto found = byDescriptor_.find(descriptor);
  return found == byDescriptor_.end() ? nullptr : found->second;
}

TWatchNode* TWatchTree::Child(TWatchNode* parent, const std::string& name) const {
  const auto found = parent->Children.find(name);
  return found == parent->Children.end() ? nullptr : found->second.get();
}

TWatchNode* TWatchTree::AddChild(TWatchNode* parent, const std::string& name, bool link) {
  auto& slot = parent->Children[name];
  if (!slot) {
    slot = std::make_unique<TWatchNode>();
    slot->Name = name;
    slot->Parent = parent;
  }
  slot->Link = link;
  return slot.get();
}

void TWatchTree::SetDescriptor(TWatchNode* node, int descriptor) {
  // The kernel hands out one descriptor per directory: a directory reached
  // again under a new name (a move the monitor saw only half of) takes the
  // descriptor over from the node it had before.
  if (TWatchNode* previous = ByDescriptor(descriptor); previous && previous != node) {
    previous->Descriptor = -1;
  }
  if (node->Descriptor >= 0 && node->Descriptor != descriptor) byDescriptor_.erase(node->Descriptor);
  node->Descriptor = descriptor;
  byDescriptor_[descriptor] = node;
}

void TWatchTree::ForgetDescriptor(int descriptor) {
  const auto found = byDescriptor_.find(descriptor);
  if (found == byDescriptor_.end()) return;
  found->second->Descriptor = -1;
  byDescriptor_.erase(found);
}

std::unique_ptr<TWatchNode> TWatchTree::Detach(TWatchNode* parent, const std::string& name) {
  const auto found = parent->Children.find(name);
  if (found == parent->Children.end()) return nullptr;
  std::unique_ptr<TWatchNode> node = std::move(found->second);
  parent->Children.erase(found);
  node->Parent = nullptr;
  return node;
}

void TWatchTree::Attach(TWatchNode* parent, const std::string& name, std::unique_ptr<TWatchNode> node) {
  node->Name = name;
  node->Parent = parent;
  // A rename onto an existing directory replaces it (the kernel allows that
  // only for an empty one); its watch went with it.
  if (auto replaced = Detach(parent, name)) {
    for (int descriptor : ReleaseDescriptors(replaced.get())) (void)descriptor;
  }
  parent->Children[name] = std::move(node);
}

std::vector<int> TWatchTree::ReleaseDescriptors(TWatchNode* top) {
  std::vector<int> released;
  std::vector<TWatchNode*> pending{top};
  while (!pending.empty()) {
    TWatchNode* node = pending.back();
    pending.pop_back();
    if (node->Descriptor >= 0) {
      released.push_back(node->Descriptor);
      const auto found = byDescriptor_.find(node->Descriptor);
      if (found != byDescriptor_.end() && found->second == node) byDescriptor_.erase(found);
      node->Descriptor = -1;
    }
    for (auto& [name, child] : node->Children) pending.push_back(child.get());
  }
  return released;
}
