// The word tree keeps its items in order whatever order they come in, refuses or chains equal items, and
// grows past its first capacity.
#include "config/tables/word_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace lz {
namespace {

std::vector<std::u16string> Walked(const WordTree& tree) {
  std::vector<std::u16string> out;
  WalkWordTree(
      tree, [](const void* item, void* context) {
        static_cast<std::vector<std::u16string>*>(context)->emplace_back(static_cast<const char16_t*>(item));
      },
      &out);
  return out;
}

int Height(const WordTree& tree, std::int64_t node) {
  if (node == kNoWordTreeNode) return 0;
  const WordTreeNode& n = tree.nodes[static_cast<std::size_t>(node)];
  return 1 + std::max(Height(tree, n.lesser), Height(tree, n.greater));
}

// Every node's stored balance is the true height difference, so the tree stays an AVL tree.
bool BalancesHold(const WordTree& tree, std::int64_t node) {
  if (node == kNoWordTreeNode) return true;
  const WordTreeNode& n = tree.nodes[static_cast<std::size_t>(node)];
  const int difference = Height(tree, n.greater) - Height(tree, n.lesser);
  return difference == n.balance && difference >= -1 && difference <= 1 && BalancesHold(tree, n.lesser) &&
         BalancesHold(tree, n.greater);
}

TEST(WordTree, WalksItemsInOrderAndKeepsInsertionOrderInTheArray) {
  struct Case {
    const char* name;
    int count;
    bool shuffled;
  };
  for (const Case c : {Case{"rising", 1000, false}, Case{"random", 5000, true}, Case{"one", 1, false}}) {
    SCOPED_TRACE(c.name);
    std::vector<std::u16string> words;
    for (int i = 0; i < c.count; ++i) {
      std::u16string w = u"w" + std::u16string(1, static_cast<char16_t>(u'a' + i % 26));
      for (char digit : std::to_string(i)) w += static_cast<char16_t>(digit);
      words.push_back(w);
    }
    if (c.shuffled) std::shuffle(words.begin(), words.end(), std::mt19937(7));
    WordTree tree;
    ASSERT_TRUE(InitWordTree(tree, 4));  // far below the count: the array doubles as it fills
    for (const auto& w : words) ASSERT_EQ(InsertWordTree(tree, w.c_str()), 1);
    for (std::size_t i = 0; i < words.size(); ++i) {
      EXPECT_EQ(static_cast<const char16_t*>(tree.nodes[i].item), words[i].c_str());
    }
    std::vector<std::u16string> sorted = words;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(Walked(tree), sorted);
    EXPECT_TRUE(BalancesHold(tree, tree.root));
  }
}

TEST(WordTree, EqualItemsAreRefusedOrChainedBehindTheirEqual) {
  const std::u16string a1 = u"same", a2 = u"same", a3 = u"same", b = u"other";
  WordTree refusing;
  ASSERT_TRUE(InitWordTree(refusing, 8));
  EXPECT_EQ(InsertWordTree(refusing, a1.c_str()), 1);
  EXPECT_EQ(InsertWordTree(refusing, a2.c_str()), 0);
  EXPECT_EQ(WordTreeCount(refusing), 1);

  // Accepts an equal item unless it is the very same pointer already there.
  WordTree chaining;
  ASSERT_TRUE(InitWordTree(chaining, 8, nullptr, [](const void* item, const void* existing) { return item != existing; }));
  EXPECT_EQ(InsertWordTree(chaining, a1.c_str()), 1);
  EXPECT_EQ(InsertWordTree(chaining, b.c_str()), 1);
  EXPECT_EQ(InsertWordTree(chaining, a2.c_str()), 1);
  EXPECT_EQ(InsertWordTree(chaining, a3.c_str()), 1);
  EXPECT_EQ(InsertWordTree(chaining, a2.c_str()), 0);
  std::vector<const void*> order;
  WalkWordTree(chaining, [](const void* item, void* context) { static_cast<std::vector<const void*>*>(context)->push_back(item); },
               &order);
  EXPECT_EQ(order, (std::vector<const void*>{b.c_str(), a1.c_str(), a2.c_str(), a3.c_str()}));
}

}  // namespace
}  // namespace lz
