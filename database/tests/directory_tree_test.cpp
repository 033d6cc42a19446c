#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "directory_tree.h"
#include "tree_fixture.h"

namespace {

std::vector<std::string> ChainNames(const TDDList& list) {
  std::vector<std::string> names;
  for (TDirectoryRecord* node = list.FirstNode(); node; node = node->Next) {
    names.push_back(node->Name.str());
  }
  return names;
}

std::vector<std::string> EntryNames(const TDDList& list, const TDirectoryRecord* node) {
  std::vector<std::string> names;
  for (TFileRecord* entry = list.FirstEntry(node); entry; entry = entry->Next) {
    names.emplace_back(entry->NameView());
  }
  return names;
}

std::vector<TDirectoryRecord*> Children(const TDDList& list, const TDirectoryRecord* node) {
  std::vector<TDirectoryRecord*> children;
  for (TDirectoryRecord* child = list.FirstChild(node); child; child = list.NextSibling(child)) {
    children.push_back(child);
  }
  return children;
}

}  // namespace

TEST(DirectoryTree, AddNodeAppendsAtTheEnd) {
  TDDList list;
  EXPECT_EQ(list.FirstNode(), nullptr);
  TDirectoryRecord* c = list.AddNode("C:", nullptr);
  EXPECT_EQ(list.Nodes, c);
  TDirectoryRecord* windows = list.AddNode("WINDOWS", c);
  TDirectoryRecord* d = list.AddNode("D:", nullptr);
  EXPECT_EQ(list.FirstNode(), c);
  EXPECT_EQ(c->Next, windows);
  EXPECT_EQ(windows->Next, d);
  EXPECT_EQ(d->Next, nullptr);
  EXPECT_EQ(windows->Parent, c);
  EXPECT_EQ(windows->Files, nullptr);
  EXPECT_EQ(windows->Flag, 0);
  EXPECT_EQ(windows->Name, "WINDOWS");
  EXPECT_EQ(list.NodeCount(), 3u);
}

TEST(DirectoryTree, AddNodeKeepsTheNameAsPassed) {
  TDDList list;
  TDirectoryRecord* node = list.AddNode("Mixed Case", nullptr);
  EXPECT_EQ(node->NameView(), "Mixed Case");
  EXPECT_STREQ(node->Name.c_str(), "Mixed Case");
}

TEST(DirectoryTree, AddEntryPutsTheNewestFirst) {
  TDDList list;
  TDirectoryRecord* c = list.AddNode("C:", nullptr);
  list.AddEntry("FIRST.TXT", c);
  TFileRecord* second = list.AddEntry("SECOND.TXT", c);
  EXPECT_EQ(list.FirstEntry(c), second);
  EXPECT_EQ(EntryNames(list, c), (std::vector<std::string>{"SECOND.TXT", "FIRST.TXT"}));
  EXPECT_EQ(second->Flag, 0);
  EXPECT_STREQ(second->Name, "SECOND.TXT");  // zero-terminated inline
}

TEST(DirectoryTree, RemoveNodeAtHeadMiddleAndEnd) {
  TDDList list;
  TDirectoryRecord* a = list.AddNode("A", nullptr);
  TDirectoryRecord* b = list.AddNode("B", nullptr);
  TDirectoryRecord* c = list.AddNode("C", nullptr);
  TDirectoryRecord* d = list.AddNode("D", nullptr);
  list.AddEntry("X", b);
  list.AddEntry("Y", b);

  EXPECT_EQ(list.RemoveNode(a), b);
  EXPECT_EQ(list.FirstNode(), b);
  EXPECT_EQ(list.RemoveNode(c), d);
  EXPECT_EQ(list.RemoveNode(d), nullptr);
  EXPECT_EQ(ChainNames(list), (std::vector<std::string>{"B"}));
  // The tail moved back: a new node follows B.
  list.AddNode("E", nullptr);
  EXPECT_EQ(ChainNames(list), (std::vector<std::string>{"B", "E"}));
  EXPECT_EQ(list.FindNode("A", nullptr), nullptr);
  EXPECT_EQ(list.NodeCount(), 2u);
}

TEST(DirectoryTree, RemoveNodeNotInTheChainChangesNothing) {
  TDDList list, other;
  TDirectoryRecord* a = list.AddNode("A", nullptr);
  TDirectoryRecord* foreign = other.AddNode("A", nullptr);
  TDirectoryRecord* removed = list.AddNode("B", nullptr);
  list.RemoveNode(removed);

  EXPECT_EQ(list.RemoveNode(foreign), nullptr);
  EXPECT_EQ(list.RemoveNode(removed), nullptr);  // already gone
  EXPECT_EQ(list.RemoveNode(nullptr), nullptr);
  TDirectoryRecord outside;
  EXPECT_EQ(list.RemoveNode(&outside), nullptr);
  EXPECT_EQ(ChainNames(list), (std::vector<std::string>{"A"}));
  EXPECT_EQ(list.FindNode("A", nullptr), a);
  EXPECT_EQ(ChainNames(other), (std::vector<std::string>{"A"}));
}

TEST(DirectoryTree, RemoveNodeLeavesNoChildPointingAtIt) {
  TDDList list;
  TDirectoryRecord* c = list.AddNode("C:", nullptr);
  TDirectoryRecord* windows = list.AddNode("WINDOWS", c);
  TDirectoryRecord* system = list.AddNode("SYSTEM", windows);
  TDirectoryRecord* fonts = list.AddNode("FONTS", windows);

  list.RemoveNode(windows);
  EXPECT_EQ(system->Parent, nullptr);
  EXPECT_EQ(fonts->Parent, nullptr);
  EXPECT_EQ(list.FindNode("SYSTEM", nullptr), system);
  EXPECT_EQ(list.FindNode("FONTS", nullptr), fonts);
  EXPECT_TRUE(Children(list, c).empty());
  EXPECT_EQ(ChainNames(list), (std::vector<std::string>{"C:", "SYSTEM", "FONTS"}));
}

TEST(DirectoryTree, RemoveEntryCases) {
  TDDList list;
  TDirectoryRecord* c = list.AddNode("C:", nullptr);
  TDirectoryRecord* d = list.AddNode("D:", nullptr);
  EXPECT_EQ(list.RemoveEntry(nullptr, c), nullptr);  // empty chain

  TFileRecord* only = list.AddEntry("ONLY.TXT", c);
  EXPECT_EQ(list.RemoveEntry(only, c), nullptr);
  EXPECT_EQ(c->Files, nullptr);

  TFileRecord* x = list.AddEntry("X", c);
  TFileRecord* y = list.AddEntry("Y", c);
  TFileRecord* z = list.AddEntry("Z", c);
  TFileRecord* elsewhere = list.AddEntry("W", d);
  EXPECT_EQ(list.RemoveEntry(elsewhere, c), nullptr);  // not in this chain
  EXPECT_EQ(EntryNames(list, c), (std::vector<std::string>{"Z", "Y", "X"}));
  EXPECT_EQ(list.RemoveEntry(y, c), x);
  EXPECT_EQ(list.RemoveEntry(z, c), x);
  EXPECT_EQ(EntryNames(list, c), (std::vector<std::string>{"X"}));
  EXPECT_EQ(EntryNames(list, d), (std::vector<std::string>{"W"}));
}

TEST(DirectoryTree, FreedEntrySpaceIsReusedWithTheRightName) {
  TDDList list;
  TDirectoryRecord* c = list.AddNode("C:", nullptr);
  for (int round = 0; round < 3; ++round) {
    std::vector<TFileRecord*> entries;
    for (int i = 0; i < 100; ++i) {
      entries.push_back(list.AddEntry(std::string(i % 40 + 1, 'A' + round), c));
    }
    for (TFileRecord* entry : entries) list.RemoveEntry(entry, c);
    EXPECT_EQ(c->Files, nullptr);
  }
  TFileRecord* last = list.AddEntry("LAST.TXT", c);
  EXPECT_EQ(last->NameView(), "LAST.TXT");
  EXPECT_EQ(last->Next, nullptr);
}

TEST(DirectoryTree, FindNodeTakesTheFirstInChainOrder) {
  TDDList list;
  TDirectoryRecord* c = list.AddNode("C:", nullptr);
  TDirectoryRecord* first = list.AddNode("DUP", c);
  TDirectoryRecord* second = list.AddNode("DUP", c);
  TDirectoryRecord* elsewhere = list.AddNode("DUP", nullptr);
  EXPECT_EQ(list.FindNode("DUP", c), first);
  EXPECT_EQ(list.FindNode("DUP", nullptr), elsewhere);
  EXPECT_EQ(list.FindNode("dup", c), nullptr);  // exact byte comparison
  list.RemoveNode(first);
  EXPECT_EQ(list.FindNode("DUP", c), second);
  // A later node renamed onto an earlier one's name still loses to it.
  TDirectoryRecord* late = list.AddNode("LATE", c);
  TDirectoryRecord* early = list.AddNode("EARLY", c);
  list.MoveNode(early, "DUP", c);
  list.MoveNode(late, "DUP", c);
  EXPECT_EQ(list.FindNode("DUP", c), second);
  list.RemoveNode(second);
  EXPECT_EQ(list.FindNode("DUP", c), late);
}

TEST(DirectoryTree, OverlongNamesAreCutToTheLimit) {
  TDDList list;
  const std::string longName(300, 'N');
  TDirectoryRecord* node = list.AddNode(longName, nullptr);
  EXPECT_EQ(node->Name.size(), kMaxNameLength);
  TFileRecord* entry = list.AddEntry(longName, node);
  EXPECT_EQ(entry->NameView().size(), kMaxNameLength);
  EXPECT_EQ(list.FindNode(longName, nullptr), nullptr);
  EXPECT_EQ(list.FindNode(std::string(kMaxNameLength, 'N'), nullptr), node);
  const std::string longest(kMaxNameLength, 'L');
  EXPECT_EQ(list.AddEntry(longest, node)->NameView(), longest);
}

TEST(DirectoryTree, MoveNodeRenamesAndReparentsInPlace) {
  TDDList list;
  TDirectoryRecord* c = list.AddNode("C:", nullptr);
  TDirectoryRecord* a = list.AddNode("A", c);
  TDirectoryRecord* b = list.AddNode("B", c);
  TDirectoryRecord* inner = list.AddNode("INNER", a);
  list.AddEntry("F.TXT", a);

  EXPECT_TRUE(list.MoveNode(a, "RENAMED", b));
  EXPECT_EQ(a->Parent, b);
  EXPECT_EQ(a->Name, "RENAMED");
  EXPECT_EQ(list.FindNode("A", c), nullptr);
  EXPECT_EQ(list.FindNode("RENAMED", b), a);
  EXPECT_EQ(inner->Parent, a);  // the subtree moves along
  EXPECT_EQ(EntryNames(list, a), (std::vector<std::string>{"F.TXT"}));
  EXPECT_EQ(ChainNames(list), (std::vector<std::string>{"C:", "RENAMED", "B", "INNER"}));
  EXPECT_EQ(Children(list, c), (std::vector<TDirectoryRecord*>{b}));
  EXPECT_EQ(Children(list, b), (std::vector<TDirectoryRecord*>{a}));

  // Passing the node's own name (as the loader does) only re-parents.
  EXPECT_TRUE(list.MoveNode(a, a->Name, nullptr));
  EXPECT_EQ(a->Name, "RENAMED");
  EXPECT_EQ(list.FindNode("RENAMED", nullptr), a);
}

TEST(DirectoryTree, MoveNodeRefusesLoopsAndStrangers) {
  TDDList list, other;
  TDirectoryRecord* c = list.AddNode("C:", nullptr);
  TDirectoryRecord* a = list.AddNode("A", c);
  TDirectoryRecord* b = list.AddNode("B", a);
  TDirectoryRecord* stranger = other.AddNode("S", nullptr);

  EXPECT_FALSE(list.MoveNode(a, "A", a));
  EXPECT_FALSE(list.MoveNode(a, "A", b));
  EXPECT_FALSE(list.MoveNode(c, "C:", b));
  EXPECT_FALSE(list.MoveNode(stranger, "S", c));
  EXPECT_FALSE(list.MoveNode(a, "A", stranger));
  EXPECT_EQ(a->Parent, c);
  EXPECT_EQ(b->Parent, a);
  EXPECT_EQ(c->Parent, nullptr);
  EXPECT_EQ(stranger->Parent, nullptr);
}

TEST(DirectoryTree, ChildrenFollowChainOrderWhenParentsAreSetLate) {
  // How the database file is loaded: every node at the top first, parents
  // set afterwards, a parent possibly later in the chain than its child.
  TDDList list;
  TDirectoryRecord* x = list.AddNode("X", nullptr);
  TDirectoryRecord* y = list.AddNode("Y", nullptr);
  TDirectoryRecord* z = list.AddNode("Z", nullptr);
  TDirectoryRecord* root = list.AddNode("C:", nullptr);
  list.MoveNode(z, z->Name, root);
  list.MoveNode(x, x->Name, root);
  list.MoveNode(y, y->Name, root);
  EXPECT_EQ(Children(list, root), (std::vector<TDirectoryRecord*>{x, y, z}));
  EXPECT_EQ(list.FindNode("Y", root), y);
  EXPECT_EQ(list.FindNode("Y", nullptr), nullptr);
}

// Random operations against a plain model of the chain: the indexes must
// answer exactly what walking the chain would.
TEST(DirectoryTree, IndexesAgreeWithTheChainUnderRandomOperations) {
  struct TModelNode {
    TDirectoryRecord* Record;
    std::string Name;
    int Parent;  // index into model, -1 for none
  };
  std::vector<TModelNode> model;  // chain order
  TDDList list;
  std::mt19937 random(7);
  const std::vector<std::string> names{"A", "B", "C", "SYSTEM", "DUP"};
  auto isAncestor = [&](int ancestor, int node) {
    for (int at = node; at >= 0; at = model[at].Parent) {
      if (at == ancestor) return true;
    }
    return false;
  };

  for (int step = 0; step < 3000; ++step) {
    const int action = model.empty() ? 0 : static_cast<int>(random() % 10);
    if (action < 5) {
      const int parent = model.empty() || random() % 4 == 0
                             ? -1
                             : static_cast<int>(random() % model.size());
      const std::string& name = names[random() % names.size()];
      TDirectoryRecord* record =
          list.AddNode(name, parent < 0 ? nullptr : model[parent].Record);
      model.push_back({record, name, parent});
    } else if (action < 7) {
      const int victim = static_cast<int>(random() % model.size());
      TDirectoryRecord* following = list.RemoveNode(model[victim].Record);
      EXPECT_EQ(following,
                victim + 1 < static_cast<int>(model.size()) ? model[victim + 1].Record : nullptr);
      for (auto& node : model) {
        if (node.Parent == victim) node.Parent = -1;
        else if (node.Parent > victim) --node.Parent;
      }
      model.erase(model.begin() + victim);
    } else {
      const int node = static_cast<int>(random() % model.size());
      const int parent =
          random() % 4 == 0 ? -1 : static_cast<int>(random() % model.size());
      const std::string& name = names[random() % names.size()];
      const bool allowed = parent < 0 || !isAncestor(node, parent);
      EXPECT_EQ(list.MoveNode(model[node].Record, name,
                              parent < 0 ? nullptr : model[parent].Record),
                allowed);
      if (allowed) {
        model[node].Name = name;
        model[node].Parent = parent;
      }
    }

    if (step % 50 != 0) continue;
    // Chain, parents, first-match lookups, child lists.
    TDirectoryRecord* record = list.FirstNode();
    for (size_t i = 0; i < model.size(); ++i, record = record->Next) {
      ASSERT_EQ(record, model[i].Record);
      ASSERT_EQ(record->Name, model[i].Name);
      ASSERT_EQ(record->Parent, model[i].Parent < 0 ? nullptr : model[model[i].Parent].Record);
    }
    ASSERT_EQ(record, nullptr);
    for (int parent = -1; parent < static_cast<int>(model.size()); ++parent) {
      const TDirectoryRecord* parentRecord = parent < 0 ? nullptr : model[parent].Record;
      for (const std::string& name : names) {
        TDirectoryRecord* expected = nullptr;
        for (const auto& node : model) {
          if (node.Parent == parent && node.Name == name) {
            expected = node.Record;
            break;
          }
        }
        ASSERT_EQ(list.FindNode(name, parentRecord), expected) << name << " under " << parent;
      }
      if (parent < 0) continue;
      std::vector<TDirectoryRecord*> expectedChildren;
      for (const auto& node : model) {
        if (node.Parent == parent) expectedChildren.push_back(node.Record);
      }
      ASSERT_EQ(Children(list, parentRecord), expectedChildren);
    }
  }
}

TEST(DirectoryTree, ManyNodesStayFindable) {
  TDDList list;
  TDirectoryRecord* root = list.AddNode("C:", nullptr);
  std::vector<TDirectoryRecord*> nodes;
  for (int i = 0; i < 20000; ++i) {
    nodes.push_back(list.AddNode("DIR" + std::to_string(i), i % 2 ? root : nodes.empty() ? root : nodes[i / 2]));
  }
  for (int i = 0; i < 20000; ++i) {
    EXPECT_EQ(list.FindNode("DIR" + std::to_string(i), nodes[i]->Parent), nodes[i]);
  }
  EXPECT_EQ(list.NodeCount(), 20001u);
}
