#pragma once
// BinarySearchTreeX<V, K>: an ordered map from unique keys K to values V, kept as a
// height-balanced (AVL) binary search tree with parent links. K needs == and <. The tree owns
// its nodes and key copies; values (usually pointers) are only deleted by ClearAndDelete.
// All walks are iterative.
#include <algorithm>
#include <cstdint>
#include <string>
#include <type_traits>

#include "engine/ReportHooksX.h"
#include "foundation/TypeNameX.h"

template <class V, class K>
class BinarySearchTreeX {
 public:
  struct NodeX {
    NodeX(const V& value, const K& key) : mKey(key), mValue(value) {}
    const K& GetKey() const { return mKey; }
    V& GetValue() { return mValue; }
    const V& GetValue() const { return mValue; }

    K mKey;
    V mValue;
    NodeX* mParent = nullptr;
    NodeX* mLeft = nullptr;   // smaller keys
    NodeX* mRight = nullptr;  // larger keys
    int8_t mBalance = 0;      // height(mRight) - height(mLeft)
    int8_t mHeight = 0;       // 0 for a leaf
  };

  // In-order iteration; dereferences to the node (GetKey, GetValue).
  class Iterator {
   public:
    explicit Iterator(NodeX* node = nullptr) : mNode(node) {}
    NodeX& operator*() const { return *mNode; }
    NodeX* operator->() const { return mNode; }
    NodeX* GetNode() const { return mNode; }
    Iterator& operator++() {
      mNode = Next(mNode);
      return *this;
    }
    bool operator==(const Iterator& other) const { return mNode == other.mNode; }
    bool operator!=(const Iterator& other) const { return mNode != other.mNode; }

   private:
    NodeX* mNode;
  };

  BinarySearchTreeX() = default;
  BinarySearchTreeX(const BinarySearchTreeX&) = delete;
  BinarySearchTreeX& operator=(const BinarySearchTreeX&) = delete;
  ~BinarySearchTreeX() { Clear(); }

  uint32_t Size() const { return mLength; }
  bool Empty() const { return mLength == 0; }
  NodeX* GetRoot() const { return mRoot; }

  // Adds value under key; false (and nothing changes) when the key is already present.
  bool Add(const V& value, const K& key) {
    NodeX* parent = nullptr;
    NodeX** slot = &mRoot;
    while (*slot) {
      parent = *slot;
      if (parent->mKey == key) return false;
      slot = key < parent->mKey ? &parent->mLeft : &parent->mRight;
    }
    NodeX* node = new NodeX(value, key);
    node->mParent = parent;
    *slot = node;
    ++mLength;
    Rebalance(node);
    return true;
  }

  // The node holding key, or null.
  NodeX* Find(const K& key) const {
    NodeX* node = mRoot;
    while (node) {
      if (node->mKey == key) return node;
      node = key < node->mKey ? node->mLeft : node->mRight;
    }
    return nullptr;
  }

  // The value stored under key, or null.
  V* FindValue(const K& key) const {
    NodeX* node = Find(key);
    return node ? &node->mValue : nullptr;
  }

  // Removes key's node (the value itself is not deleted); false when the key is absent.
  bool Remove(const K& key) {
    NodeX* node = Find(key);
    if (!node) return false;
    --mLength;
    NodeX* start = nullptr;  // the lowest node whose subtree changed
    if (node->mLeft && node->mRight) {
      // The in-order successor (no left child) leaves its place to its right child and takes
      // the removed node's place, so the tree keeps the AVL bound.
      NodeX* successor = Leftmost(node->mRight);
      if (successor->mParent == node) {
        start = successor;
      } else {
        start = successor->mParent;
        Replace(successor, successor->mRight);
        successor->mRight = node->mRight;
        successor->mRight->mParent = successor;
      }
      Replace(node, successor);
      successor->mLeft = node->mLeft;
      successor->mLeft->mParent = successor;
      successor->mHeight = node->mHeight;
      successor->mBalance = node->mBalance;
    } else {
      if (!node->mParent && !node->mLeft && !node->mRight) {
        if (mLength) Report("Remove", __LINE__, "!mLength");
      }
      start = node->mParent;
      Replace(node, node->mLeft ? node->mLeft : node->mRight);
    }
    delete node;
    Rebalance(start);
    return true;
  }

  // Frees every node; the values are left alone.
  void Clear() { FreeAll(false); }

  // Deletes every non-null value (through its destructor), then frees its node.
  void ClearAndDelete() {
    static_assert(std::is_pointer_v<V>, "ClearAndDelete needs pointer values");
    FreeAll(true);
  }

  Iterator begin() const { return Iterator(mRoot ? Leftmost(mRoot) : nullptr); }
  Iterator end() const { return Iterator(); }

  // The in-order successor of node, or null after the last one.
  static NodeX* Next(NodeX* node) {
    if (!node) return nullptr;
    if (node->mRight) return Leftmost(node->mRight);
    while (node->mParent && node->mParent->mRight == node) node = node->mParent;
    return node->mParent;
  }

  // Checks parent links, strict key order, stored heights and balances, the AVL bound and the
  // node count; each broken rule is reported once. True when the tree is consistent.
  bool ValidateAll() const {
    bool valid = true;
    auto check = [&](bool condition, const char* text) {
      if (!condition && valid) Report("ValidateAll", __LINE__, text);
      valid = valid && condition;
    };
    check(!mRoot || !mRoot->mParent, "!mRoot->mParent");
    uint32_t count = 0;
    const NodeX* previous = nullptr;
    for (NodeX* node = begin().GetNode(); node && valid; node = Next(node)) {
      ++count;
      check(!node->mLeft || node->mLeft->mParent == node, "node->mLeft->mParent == node");
      check(!node->mRight || node->mRight->mParent == node, "node->mRight->mParent == node");
      const int32_t left = Height(node->mLeft);
      const int32_t right = Height(node->mRight);
      check(node->mHeight == std::max(left, right) + 1, "height");
      check(node->mBalance == right - left, "balance");
      check(node->mBalance >= -1 && node->mBalance <= 1, "balance within -1..1");
      check(!previous || previous->mKey < node->mKey, "key order");
      previous = node;
      check(count <= mLength, "count == mLength");
    }
    if (valid) check(count == mLength, "count == mLength");
    return valid;
  }

 private:
  static void Report(const char* method, int line, const char* text) {
    const std::string function =
        "BinarySearchTreeX<" + TypeNameX<V>() + "," + TypeNameX<K>() + ">::" + method;
    AssertFailed(__FILE__, function.c_str(), line, text);
  }

  static NodeX* Leftmost(NodeX* node) {
    while (node->mLeft) node = node->mLeft;
    return node;
  }

  static int32_t Height(const NodeX* node) { return node ? node->mHeight : -1; }

  // Recomputes height and balance from the children; true when either changed.
  static bool Update(NodeX* node) {
    const int32_t left = Height(node->mLeft);
    const int32_t right = Height(node->mRight);
    const int8_t height = static_cast<int8_t>(std::max(left, right) + 1);
    const int8_t balance = static_cast<int8_t>(right - left);
    const bool changed = height != node->mHeight || balance != node->mBalance;
    node->mHeight = height;
    node->mBalance = balance;
    return changed;
  }

  // Puts child (may be null) where node hangs: under node's parent or at the root.
  void Replace(NodeX* node, NodeX* child) {
    NodeX* parent = node->mParent;
    if (child) child->mParent = parent;
    if (!parent)
      mRoot = child;
    else if (parent->mLeft == node)
      parent->mLeft = child;
    else
      parent->mRight = child;
  }

  // Raises node's right child into its place; returns the raised node.
  NodeX* RotateLeft(NodeX* node) {
    NodeX* raised = node->mRight;
    node->mRight = raised->mLeft;
    if (raised->mLeft) raised->mLeft->mParent = node;
    Replace(node, raised);
    raised->mLeft = node;
    node->mParent = raised;
    Update(node);
    Update(raised);
    return raised;
  }

  // Raises node's left child into its place; returns the raised node.
  NodeX* RotateRight(NodeX* node) {
    NodeX* raised = node->mLeft;
    node->mLeft = raised->mRight;
    if (raised->mRight) raised->mRight->mParent = node;
    Replace(node, raised);
    raised->mRight = node;
    node->mParent = raised;
    Update(node);
    Update(raised);
    return raised;
  }

  // Walks from node to the root, fixing heights and balances and rotating where a subtree
  // leans by two. Stops early while nothing has changed at a node that has children.
  void Rebalance(NodeX* node) {
    bool changed = false;
    while (node) {
      changed = Update(node) || changed;
      if (node->mBalance >= 2) {
        if (node->mRight->mBalance < 0) RotateRight(node->mRight);
        node = RotateLeft(node);
        changed = true;
      } else if (node->mBalance <= -2) {
        if (node->mLeft->mBalance > 0) RotateLeft(node->mLeft);
        node = RotateRight(node);
        changed = true;
      } else if (!changed && (node->mLeft || node->mRight)) {
        return;
      }
      node = node->mParent;
    }
  }

  // Children-first walk freeing every node, deleting the values when asked.
  void FreeAll(bool deleteValues) {
    uint32_t count = 0;
    NodeX* node = mRoot;
    while (node) {
      if (node->mLeft) {
        node = node->mLeft;
      } else if (node->mRight) {
        node = node->mRight;
      } else {
        NodeX* parent = node->mParent;
        if (parent) (parent->mLeft == node ? parent->mLeft : parent->mRight) = nullptr;
        if constexpr (std::is_pointer_v<V>) {
          if (deleteValues) delete node->mValue;
        }
        delete node;
        ++count;
        node = parent;
      }
    }
    if (count != mLength)
      Report(deleteValues ? "ClearAndDelete" : "Clear", __LINE__, "count == mLength");
    mRoot = nullptr;
    mLength = 0;
  }

  NodeX* mRoot = nullptr;
  uint32_t mLength = 0;
};
