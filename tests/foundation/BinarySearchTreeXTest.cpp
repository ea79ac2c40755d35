// BinarySearchTreeX: balance and order under adds and removals, byte-ordered string keys,
// random operations against a std::map, value deletion and the validation of a broken tree.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "ReportCaptureX.h"
#include "foundation/BinarySearchTreeX.h"
#include "foundation/StringX.h"

namespace {

template <class V, class K>
std::vector<K> Keys(const BinarySearchTreeX<V, K>& tree) {
  std::vector<K> keys;
  for (auto& node : tree) keys.push_back(node.GetKey());
  return keys;
}

struct CountedX {
  static int sDeleted;
  virtual ~CountedX() { ++sDeleted; }
};
int CountedX::sDeleted = 0;
struct DerivedCountedX : CountedX {
  ~DerivedCountedX() override { ++sDeleted; }
};

}  // namespace

TEST(BinarySearchTreeXTest, AscendingKeysStayBalancedAndIterateInOrder) {
  BinarySearchTreeX<uint32_t, uint32_t> tree;
  for (uint32_t key = 1; key <= 1000; ++key) ASSERT_TRUE(tree.Add(key * 10, key));
  EXPECT_TRUE(tree.ValidateAll());
  EXPECT_LE(tree.GetRoot()->mHeight, 14);
  std::vector<uint32_t> expected(1000);
  std::iota(expected.begin(), expected.end(), 1u);
  EXPECT_EQ(Keys(tree), expected);
  EXPECT_EQ(*tree.FindValue(500), 5000u);
  EXPECT_EQ(tree.Find(1001), nullptr);
  EXPECT_EQ(tree.FindValue(0), nullptr);
}

TEST(BinarySearchTreeXTest, RemovingEverythingInAnyOrderEmptiesTheTree) {
  std::mt19937 random(3);
  for (int round = 0; round < 20; ++round) {
    BinarySearchTreeX<int, uint32_t> tree;
    std::vector<uint32_t> keys(300);
    std::iota(keys.begin(), keys.end(), 0u);
    std::shuffle(keys.begin(), keys.end(), random);
    for (uint32_t key : keys) tree.Add(static_cast<int>(key), key);
    std::shuffle(keys.begin(), keys.end(), random);
    for (uint32_t key : keys) {
      ASSERT_TRUE(tree.Remove(key));
      ASSERT_TRUE(tree.ValidateAll()) << "after removing " << key;
    }
    EXPECT_EQ(tree.Size(), 0u);
    EXPECT_EQ(tree.GetRoot(), nullptr);
    EXPECT_EQ(tree.begin(), tree.end());
  }
}

TEST(BinarySearchTreeXTest, StringKeysUseByteOrder) {
  BinarySearchTreeX<int, StringX> tree;
  const char* names[] = {"b", "B", "abc", "ab", "\x80z", "a", "textures\\wall.png"};
  for (int i = 0; i < 7; ++i) tree.Add(i, StringX(names[i]));
  std::vector<std::string> keys;
  for (auto& node : tree) keys.push_back(node.GetKey().GetCharArray());
  const std::vector<std::string> expected = {
      "\x80z", "B", "a", "ab", "abc", "b", "textures\\wall.png"};
  EXPECT_EQ(keys, expected);
  EXPECT_EQ(*tree.FindValue(StringX("ab")), 3);
}

// Adding a present key is refused and keeps the first value; removing a missing one is refused.
TEST(BinarySearchTreeXTest, RandomOperationsMatchAMap) {
  std::mt19937 random(5);
  BinarySearchTreeX<uint32_t, uint32_t> tree;
  BinarySearchTreeX<uint32_t, StringX> named;
  std::map<uint32_t, uint32_t> reference;
  for (int batch = 0; batch < 40; ++batch) {
    for (int step = 0; step < 500; ++step) {
      const uint32_t key = random() % 2000;
      const StringX name = StringX("k") + key;
      switch (random() % 3) {
        case 0: {
          const bool fresh = reference.emplace(key, step).second;
          ASSERT_EQ(tree.Add(step, key), fresh);
          ASSERT_EQ(named.Add(step, name), fresh);
          break;
        }
        case 1: {
          const bool present = reference.erase(key) == 1;
          ASSERT_EQ(tree.Remove(key), present);
          ASSERT_EQ(named.Remove(name), present);
          break;
        }
        default: {
          auto found = reference.find(key);
          const uint32_t* value = tree.FindValue(key);
          ASSERT_EQ(value != nullptr, found != reference.end());
          if (value) {
            ASSERT_EQ(*value, found->second);
          }
          ASSERT_EQ(named.Find(name) != nullptr, value != nullptr);
        }
      }
    }
    ASSERT_TRUE(tree.ValidateAll());
    ASSERT_TRUE(named.ValidateAll());
    ASSERT_EQ(tree.Size(), reference.size());
    ASSERT_EQ(named.Size(), reference.size());
    std::vector<uint32_t> keys;
    for (const auto& entry : reference) keys.push_back(entry.first);
    ASSERT_EQ(Keys(tree), keys);
  }
}

TEST(BinarySearchTreeXTest, ClearAndDeleteDeletesEachValueOnce) {
  CountedX::sDeleted = 0;
  {
    BinarySearchTreeX<CountedX*, uint32_t> tree;
    for (uint32_t key = 0; key < 50; ++key) tree.Add(new DerivedCountedX, key);
    tree.Add(nullptr, 50);
    tree.ClearAndDelete();
    EXPECT_EQ(CountedX::sDeleted, 100) << "virtual destructors run for every value";
    EXPECT_EQ(tree.Size(), 0u);
    EXPECT_EQ(tree.GetRoot(), nullptr);
  }
  EXPECT_EQ(CountedX::sDeleted, 100);

  CountedX kept;
  {
    BinarySearchTreeX<CountedX*, uint32_t> tree;
    tree.Add(&kept, 1);
    tree.Clear();  // values stay untouched
  }
  EXPECT_EQ(CountedX::sDeleted, 100);
}

TEST(BinarySearchTreeXTest, ValidateAllReportsABrokenTree) {
  ReportCaptureX capture;
  BinarySearchTreeX<int, uint32_t> tree;
  for (uint32_t key = 0; key < 7; ++key) tree.Add(0, key);
  EXPECT_TRUE(tree.ValidateAll());
  EXPECT_EQ(capture.Count(ReportCaptureX::KindX::Assert), 0u);
  tree.GetRoot()->mHeight = 9;
  EXPECT_FALSE(tree.ValidateAll());
  ASSERT_EQ(capture.Count(ReportCaptureX::KindX::Assert), 1u);
  EXPECT_EQ(capture.AssertReports()[0].function,
            "BinarySearchTreeX<int,unsigned int>::ValidateAll");
  tree.GetRoot()->mHeight = 2;
  EXPECT_TRUE(tree.ValidateAll());
}
