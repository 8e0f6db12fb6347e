#include "config/tables/word_tree.h"

#include <new>
#include <stdexcept>

namespace lz {
namespace {

// Positions are 64-bit; the array's index type may be narrower (32-bit builds).
WordTreeNode& Node(WordTree& t, std::int64_t position) { return t.nodes[static_cast<std::size_t>(position)]; }
const WordTreeNode& Node(const WordTree& t, std::int64_t position) { return t.nodes[static_cast<std::size_t>(position)]; }

std::int64_t& Child(WordTree& t, std::int64_t node, bool greater) {
  return greater ? Node(t, node).greater : Node(t, node).lesser;
}

// The subtree at y leans two levels towards `greater`; rotates it back and returns its new root.
std::int64_t Rebalance(WordTree& t, std::int64_t y, bool greater) {
  const int lean = greater ? +1 : -1;
  const std::int64_t x = Child(t, y, greater);
  if (Node(t, x).balance == lean) {
    // Single rotation: x rises, y becomes its child on the other side.
    Child(t, y, greater) = Child(t, x, !greater);
    Child(t, x, !greater) = y;
    Node(t, x).balance = 0;
    Node(t, y).balance = 0;
    return x;
  }
  // Double rotation: x's inner child w rises above both.
  const std::int64_t w = Child(t, x, !greater);
  Child(t, x, !greater) = Child(t, w, greater);
  Child(t, w, greater) = x;
  Child(t, y, greater) = Child(t, w, !greater);
  Child(t, w, !greater) = y;
  const int w_balance = Node(t, w).balance;
  Node(t, x).balance = w_balance == -lean ? lean : 0;
  Node(t, y).balance = w_balance == lean ? -lean : 0;
  Node(t, w).balance = 0;
  return w;
}

}  // namespace

int CompareWideStrings(const void* a, const void* b) {
  const auto* x = static_cast<const char16_t*>(a);
  const auto* y = static_cast<const char16_t*>(b);
  for (;; ++x, ++y) {
    if (*x != *y) return *x < *y ? -1 : 1;
    if (*x == 0) return 0;
  }
}

bool InitWordTree(WordTree& tree, std::int64_t capacity, WordTreeComparator comparator,
                  WordTreeDuplicateAccept accept_duplicate) {
  tree = WordTree{};
  tree.comparator = comparator;
  tree.accept_duplicate = accept_duplicate;
  return GrowWordTree(tree, capacity > 0 ? capacity : 1) != 0;
}

std::int64_t GrowWordTree(WordTree& tree, std::int64_t capacity) {
  if (capacity <= tree.capacity) return tree.capacity;
  try {
    tree.nodes.reserve(static_cast<std::size_t>(capacity));
  } catch (const std::bad_alloc&) {
    return 0;
  } catch (const std::length_error&) {
    return 0;
  }
  tree.capacity = capacity;
  return capacity;
}

std::int64_t AllocWordTreeNode(WordTree& tree) {
  const std::int64_t count = WordTreeCount(tree);
  if (count >= tree.capacity && !GrowWordTree(tree, tree.capacity > 0 ? tree.capacity * 2 : 1)) return -1;
  tree.nodes.emplace_back();
  return count;
}

int InsertWordTree(WordTree& tree, const void* item) {
  const WordTreeComparator compare = tree.comparator ? tree.comparator : CompareWideStrings;
  if (tree.root == kNoWordTreeNode) {
    const std::int64_t n = AllocWordTreeNode(tree);
    if (n < 0) return 0;
    Node(tree, n).item = item;
    tree.root = n;
    return 1;
  }
  // y: the deepest node on the path whose balance is not 0 (where a repair may be needed), z its parent.
  std::int64_t y = tree.root, z = kNoWordTreeNode;
  std::int64_t parent = kNoWordTreeNode, p = tree.root;
  std::vector<bool> path;  // directions taken from y down
  while (p != kNoWordTreeNode) {
    const int c = compare(item, Node(tree, p).item);
    if (c == 0) {
      if (!tree.accept_duplicate) return 0;
      std::int64_t last = p;
      for (std::int64_t q = p; q != kNoWordTreeNode; q = Node(tree, q).chain) {
        if (!tree.accept_duplicate(item, Node(tree, q).item)) return 0;
        last = q;
      }
      const std::int64_t n = AllocWordTreeNode(tree);
      if (n < 0) return 0;
      Node(tree, n).item = item;
      Node(tree, last).chain = n;
      return 1;
    }
    if (Node(tree, p).balance != 0) {
      z = parent;
      y = p;
      path.clear();
    }
    path.push_back(c > 0);
    parent = p;
    p = c > 0 ? Node(tree, p).greater : Node(tree, p).lesser;
  }
  const std::int64_t n = AllocWordTreeNode(tree);
  if (n < 0) return 0;
  Node(tree, n).item = item;
  Child(tree, parent, path.back()) = n;

  std::size_t k = 0;
  for (std::int64_t q = y; q != n; q = Child(tree, q, path[k]), ++k) Node(tree, q).balance += path[k] ? 1 : -1;

  const int balance = Node(tree, y).balance;
  if (balance != 2 && balance != -2) return 1;
  const std::int64_t w = Rebalance(tree, y, balance > 0);
  if (z == kNoWordTreeNode) {
    tree.root = w;
  } else if (Node(tree, z).greater == y) {
    Node(tree, z).greater = w;
  } else {
    Node(tree, z).lesser = w;
  }
  return 1;
}

void WalkWordTree(const WordTree& tree, WordTreeVisitor visitor, void* context) {
  std::vector<std::int64_t> stack;
  stack.reserve(65);
  std::int64_t p = tree.root;
  while (p != kNoWordTreeNode || !stack.empty()) {
    while (p != kNoWordTreeNode) {
      stack.push_back(p);
      p = Node(tree, p).lesser;
    }
    p = stack.back();
    stack.pop_back();
    for (std::int64_t q = p; q != kNoWordTreeNode; q = Node(tree, q).chain) {
      if (visitor) visitor(Node(tree, q).item, context);
    }
    p = Node(tree, p).greater;
  }
}

}  // namespace lz
