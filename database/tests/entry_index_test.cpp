// A long file chain gets an index of its own once walked; finds, counts and
// removals through it must agree with the chain itself, whatever order the
// entries come and go in, and twins (names alike) included.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "directory_tree.h"

TEST(EntryIndex, ALongChainAnswersAsAWalkOfItWould) {
  TDDList list;
  TDirectoryRecord* node = list.AddNode("BIG", nullptr);
  std::vector<std::string> names;  // the chain's names, front first
  for (int i = 0; i < 1500; ++i) {
    names.insert(names.begin(), "F" + std::to_string(i % 1400) + ".TXT");  // the last 100 are twins
    list.AddEntry(names.front(), node);
  }
  ASSERT_EQ(list.CountEntries(node, "F5.TXT"), 2u);  // a walk of 1,500: the index is built here
  std::mt19937 random(96);
  for (int step = 0; step < 3000; ++step) {
    const std::string name = "F" + std::to_string(random() % 1600) + ".TXT";
    const size_t expected = static_cast<size_t>(std::count(names.begin(), names.end(), name));
    ASSERT_EQ(list.CountEntries(node, name), expected) << name;
    TFileRecord* found = list.FindEntry(node, name);
    ASSERT_EQ(found != nullptr, expected > 0) << name;
    if (found && step % 2 == 0) {
      size_t at = 0;  // a twin may be either of the two
      for (TFileRecord* entry = node->Files; entry != found; entry = entry->Next) ++at;
      ASSERT_EQ(names[at], name);
      list.RemoveEntry(found, node);
      names.erase(names.begin() + static_cast<std::ptrdiff_t>(at));
    } else {
      list.AddEntry(name, node);
      names.insert(names.begin(), name);
    }
  }
  std::vector<std::string> chain;
  for (TFileRecord* entry = node->Files; entry; entry = entry->Next) chain.emplace_back(entry->NameView());
  EXPECT_EQ(chain, names) << "the chain keeps its order, newest first";
  TFileRecord stranger{};
  EXPECT_EQ(list.RemoveEntry(&stranger, node), nullptr) << "an entry not in the chain changes nothing";
  EXPECT_EQ(list.RemoveNode(node), nullptr);  // with its index
}
