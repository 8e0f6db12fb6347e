#pragma once
// An ordered set of item pointers: an AVL tree whose nodes live in one growable array, handed out in
// order, so that the array order is the insertion order. Table export sorts records with it, table import
// queues new records in it, and the association builder keeps its word list in it (array order is then
// the order of first appearance, tree order the sorted order).
#include <cstdint>
#include <vector>

namespace lz {

// Negative, 0 or positive as a orders before, equal to or after b.
using WordTreeComparator = int (*)(const void* a, const void* b);
// True when `item` may stand beside `existing`, an equal item already in the tree.
using WordTreeDuplicateAccept = bool (*)(const void* item, const void* existing);
using WordTreeVisitor = void (*)(const void* item, void* context);

constexpr std::int64_t kNoWordTreeNode = -1;

// Links are positions in the node array, so the array may move when it grows.
struct WordTreeNode {
  const void* item = nullptr;
  std::int64_t chain = kNoWordTreeNode;    // the next node holding an item equal to this one
  std::int32_t balance = 0;                // height of the greater side minus the lesser side
  std::int64_t greater = kNoWordTreeNode;
  std::int64_t lesser = kNoWordTreeNode;
};

struct WordTree {
  std::int64_t root = kNoWordTreeNode;
  WordTreeComparator comparator = nullptr;        // null: CompareWideStrings
  WordTreeDuplicateAccept accept_duplicate = nullptr;  // null: an item equal to one in the tree is refused
  std::vector<WordTreeNode> nodes;                // nodes.size() is the count
  std::int64_t capacity = 0;
};

// UTF-16 unit-by-unit order of two zero-terminated texts (const char16_t*).
int CompareWideStrings(const void* a, const void* b);

// An empty tree that holds `capacity` nodes before it first grows; false when that memory is not there.
bool InitWordTree(WordTree& tree, std::int64_t capacity, WordTreeComparator comparator = nullptr,
                  WordTreeDuplicateAccept accept_duplicate = nullptr);

// Makes room for `capacity` nodes; returns the new capacity, or 0 when out of memory (the tree is then
// unchanged).
std::int64_t GrowWordTree(WordTree& tree, std::int64_t capacity);

// The position of a fresh node at the end of the array, doubling the array when it is full; -1 when out
// of memory.
std::int64_t AllocWordTreeNode(WordTree& tree);

// Inserts an item: 1 when it was added (also as an accepted duplicate, chained behind its equal), 0 when
// it is refused as equal to an item in the tree or memory runs out.
int InsertWordTree(WordTree& tree, const void* item);

// Visits the items in order, least first; an item's accepted duplicates follow it in insertion order.
void WalkWordTree(const WordTree& tree, WordTreeVisitor visitor, void* context);

inline std::int64_t WordTreeCount(const WordTree& tree) { return static_cast<std::int64_t>(tree.nodes.size()); }

}  // namespace lz
