// ArrayX: its bounded growth, order kept by inserts and stable removal, the size limit, element
// lifetimes and byte moves, and random operations against a std::vector.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "ReportCaptureX.h"
#include "foundation/ArrayX.h"
#include "foundation/StringX.h"

namespace {

template <class T>
std::vector<T> Items(const ArrayX<T>& array) {
  return std::vector<T>(array.begin(), array.end());
}

ArrayX<int> Make(std::initializer_list<int> values) {
  ArrayX<int> array;
  for (int value : values) array.Add(value);
  return array;
}

// Counts live instances, so leaks and double destruction show up as a non-zero balance.
struct TrackedX {
  static int sLive;
  explicit TrackedX(int value = 0) : mValue(value), mText(StringX("v") + value) { ++sLive; }
  TrackedX(const TrackedX& other) : mValue(other.mValue), mText(other.mText) { ++sLive; }
  TrackedX& operator=(const TrackedX& other) = default;
  ~TrackedX() { --sLive; }
  bool operator==(const TrackedX& other) const { return mValue == other.mValue; }
  int mValue;
  StringX mText;
};
int TrackedX::sLive = 0;

}  // namespace

TEST(ArrayXTest, GrowthFollowsTheBoundedSequence) {
  ArrayX<uint32_t> array;
  std::vector<uint32_t> capacities;
  for (uint32_t i = 0; i < 3000; ++i) {
    array.Add(i);
    if (capacities.empty() || capacities.back() != array.Capacity())
      capacities.push_back(array.Capacity());
  }
  const std::vector<uint32_t> expected = {1, 3, 9, 27, 81, 243, 729, 1729, 2729, 3729};
  EXPECT_EQ(capacities, expected);
  for (uint32_t i = 0; i < 3000; ++i) ASSERT_EQ(array[i], i);
}

TEST(ArrayXTest, RemoveFillsFromTheEndAndRemoveStableKeepsOrder) {
  ArrayX<int> array = Make({0, 1, 2, 3});
  EXPECT_TRUE(array.Remove(array.begin()));
  EXPECT_EQ(Items(array), (std::vector<int>{3, 1, 2}));

  ArrayX<int> stable = Make({0, 1, 2, 3});
  int* ite = stable.begin();
  EXPECT_TRUE(stable.RemoveStable(ite));
  EXPECT_EQ(Items(stable), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(*ite, 1) << "the iterator now shows the following element";
  EXPECT_TRUE(stable.RemoveStable(1));
  EXPECT_TRUE(stable.Remove(1u));
  EXPECT_EQ(Items(stable), (std::vector<int>{1}));

  EXPECT_FALSE(array.Remove(array.end()));
  EXPECT_FALSE(array.RemoveStable(array.end()));
  EXPECT_EQ(array.Size(), 3u);
  EXPECT_TRUE(array.Remove(array.Find(2)));
  EXPECT_EQ(array.Find(42), array.end());
  EXPECT_FALSE(array.Remove(array.Find(42)));
  EXPECT_EQ(Items(array), (std::vector<int>{3, 1}));
}

TEST(ArrayXTest, OutOfRangeCallsAreReportedAndRefused) {
  ReportCaptureX capture;
  ArrayX<int> empty;
  EXPECT_FALSE(empty.Remove(5));
  EXPECT_FALSE(empty.RemoveStable(0));
  EXPECT_EQ(empty.Size(), 0u);
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "index < mReachedSize"), 2u);
  EXPECT_EQ(capture.AssertReports()[0].function, "ArrayX<int>::Remove");
  EXPECT_EQ(capture.AssertReports()[1].function, "ArrayX<int>::RemoveStable");

  ArrayX<int> array = Make({1, 2});
  EXPECT_FALSE(array.Insert(3, 7));
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "index <= mReachedSize"), 1u);
  EXPECT_FALSE(array.Remove(-1));
  int outside = 0;
  EXPECT_FALSE(array.Remove(&outside));
  EXPECT_EQ(Items(array), (std::vector<int>{1, 2}));

  ArrayX<StringX> strings;
  strings.Remove(0);
  EXPECT_EQ(capture.AssertReports().back().function, "ArrayX<class StringX>::Remove");
  ArrayX<StringX*> pointers;
  pointers.Remove(0);
  EXPECT_EQ(capture.AssertReports().back().function, "ArrayX<class StringX *>::Remove");
}

TEST(ArrayXTest, TheSizeLimitIsReportedAndNothingIsWrittenPastIt) {
  ReportCaptureX capture;
  ArrayX<uint32_t> array;
  // Start just below the limit (growing there 1000 slots at a time takes seconds).
  ASSERT_TRUE(array.Resize(GENERAL_MAX_SIZE - 3));
  for (uint32_t i = 0; i < array.Size(); ++i) array[i] = i;
  for (uint32_t i = GENERAL_MAX_SIZE - 3; i < GENERAL_MAX_SIZE; ++i) ASSERT_TRUE(array.Add(i));
  EXPECT_EQ(array.Capacity(), GENERAL_MAX_SIZE);
  EXPECT_EQ(capture.Count(ReportCaptureX::KindX::Assert), 0u);

  EXPECT_FALSE(array.Add(7));
  EXPECT_FALSE(array.Insert(0, 7));
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "mReachedSize < GENERAL_MAX_SIZE"),
            2u);
  EXPECT_EQ(capture.AssertReports()[0].function, "ArrayX<unsigned int>::Add");
  array.IncreaseSize(10);
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "GENERAL_MAX_SIZE > mCurrentSize"),
            1u);
  EXPECT_EQ(array.Size(), GENERAL_MAX_SIZE);
  EXPECT_EQ(array[0], 0u);
  EXPECT_EQ(array[GENERAL_MAX_SIZE - 1], GENERAL_MAX_SIZE - 1);

  ArrayX<uint32_t> resized;
  EXPECT_FALSE(resized.Resize(GENERAL_MAX_SIZE + 1));
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "count <= GENERAL_MAX_SIZE"), 1u);
  EXPECT_EQ(resized.Size(), 0u);
}

TEST(ArrayXTest, ResizeZeroFillsExactlyCount) {
  ArrayX<uint32_t> array;
  EXPECT_TRUE(array.Resize(0));
  EXPECT_TRUE(array.Empty());
  EXPECT_TRUE(array.Resize(5));
  EXPECT_EQ(array.Capacity(), 5u);
  EXPECT_EQ(Items(array), (std::vector<uint32_t>(5, 0)));
  array[4] = 9;
  array.Resize(2);
  array.Resize(4);
  EXPECT_EQ(Items(array), (std::vector<uint32_t>{0, 0, 0, 0}));
}

TEST(ArrayXTest, StringsSurviveGrowthCopiesAndRemoval) {
  ArrayX<StringX> names;
  for (int i = 0; i < 500; ++i) names.Add(StringX("name") + i);
  names.Insert(0, StringX("first"));
  names.RemoveStable(10);
  names.Remove(names.Find(StringX("name3")));

  ArrayX<StringX> copy(names);
  ArrayX<StringX> assigned;
  assigned.Add(StringX("old"));
  assigned = names;
  assigned = assigned;
  names.Clear();
  ASSERT_EQ(copy.Size(), 499u);
  EXPECT_EQ(copy.Capacity(), assigned.Capacity());
  EXPECT_TRUE(copy[0] == "first");
  EXPECT_TRUE(copy[4] == "name499") << "Remove moved the last element into the hole";
  for (uint32_t i = 0; i < copy.Size(); ++i) EXPECT_TRUE(copy[i] == assigned[i]);

  ArrayX<StringX> moved(static_cast<ArrayX<StringX>&&>(copy));
  EXPECT_TRUE(copy.Empty());
  EXPECT_EQ(moved.Size(), 499u);
}

TEST(ArrayXTest, NestedArraysMoveAsBytes) {
  static_assert(IsByteRelocatableX<StringX>::value && IsByteRelocatableX<ArrayX<int>>::value);
  static_assert(!IsByteRelocatableX<std::string>::value);
  ArrayX<ArrayX<StringX>> rows;
  for (int row = 0; row < 50; ++row) {
    ArrayX<StringX> cells;
    for (int cell = 0; cell <= row; ++cell) cells.Add(StringX("c") + cell);
    rows.Insert(0, cells);
  }
  rows.RemoveStable(0);
  rows.Remove(0);
  ASSERT_EQ(rows.Size(), 48u);
  EXPECT_EQ(rows[0].Size(), 1u) << "the last row moved to the front";
  EXPECT_EQ(rows[1].Size(), 48u);
  EXPECT_TRUE(rows[1][47] == "c47");
  ArrayX<std::string> strings;  // not byte-relocatable: moved element by element
  for (int i = 0; i < 100; ++i) strings.Insert(0, std::string(40, static_cast<char>('a' + i % 26)));
  EXPECT_EQ(strings[99], std::string(40, 'a'));
}

TEST(ArrayXTest, AddingOwnElementsIsSafe) {
  ArrayX<StringX> array;
  array.Add(StringX("a"));
  for (int i = 0; i < 40; ++i) array.Add(array[0]);  // growth while item lives in the array
  for (int i = 0; i < 40; ++i) array.Insert(0, array[array.Size() - 1]);
  for (int i = 0; i < 40; ++i) array.Insert(array.Size() / 2, array[array.Size() / 2]);
  for (const StringX& s : array) EXPECT_TRUE(s == "a");
  EXPECT_EQ(array.Size(), 121u);
}

TEST(ArrayXTest, ElementsAreDestroyedExactlyOnce) {
  TrackedX::sLive = 0;
  {
    ArrayX<TrackedX> array;
    for (int i = 0; i < 100; ++i) array.Add(TrackedX(i));
    for (int i = 0; i < 10; ++i) array.Insert(i * 3, TrackedX(-i));
    array.Remove(5);
    array.RemoveStable(7);
    EXPECT_EQ(TrackedX::sLive, static_cast<int>(array.Size()));
    ArrayX<TrackedX> copy = array;
    EXPECT_EQ(TrackedX::sLive, 2 * static_cast<int>(array.Size()));
    array.Resize(20);
    array.Resize(30);
    EXPECT_EQ(TrackedX::sLive, 30 + static_cast<int>(copy.Size()));
    copy.Clear();
    EXPECT_EQ(TrackedX::sLive, 30);
  }
  EXPECT_EQ(TrackedX::sLive, 0);
}

TEST(ArrayXTest, InsertSortedMatchesSort) {
  std::mt19937 random(7);
  for (uint32_t count : {1u, 2u, 3u, 10u, 10000u}) {
    ArrayX<int> array;
    std::vector<int> reference;
    for (uint32_t i = 0; i < count; ++i) {
      const int value = static_cast<int>(random() % 500);
      array.InsertSorted(value);
      reference.push_back(value);
    }
    std::sort(reference.begin(), reference.end());
    EXPECT_EQ(Items(array), reference) << count << " values";
  }
}

TEST(ArrayXTest, RandomOperationsMatchAVector) {
  std::mt19937 random(11);
  ArrayX<StringX> array;
  std::vector<std::string> reference;
  for (int step = 0; step < 20000; ++step) {
    const uint32_t op = random() % 6;
    const uint32_t size = static_cast<uint32_t>(reference.size());
    const uint32_t index = size ? random() % size : 0;
    if (op <= 1 || size == 0) {
      const std::string text = std::to_string(random() % 1000);
      array.Add(StringX(text.c_str()));
      reference.push_back(text);
    } else if (op == 2) {
      const uint32_t at = random() % (size + 1);
      array.Insert(at, array[index]);
      reference.insert(reference.begin() + at, std::string(reference[index]));
    } else if (op == 3) {
      array.Remove(index);
      reference[index] = reference.back();
      reference.pop_back();
    } else if (op == 4) {
      array.RemoveStable(array.begin() + index);
      reference.erase(reference.begin() + index);
    } else {
      EXPECT_TRUE(array.Find(StringX(reference[index].c_str())) != array.end());
    }
    ASSERT_EQ(array.Size(), reference.size());
    if (step % 64 == 0 || step == 19999) {
      for (uint32_t i = 0; i < array.Size(); ++i) ASSERT_TRUE(array[i] == reference[i].c_str());
    }
  }
}
