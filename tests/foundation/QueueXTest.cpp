// QueueX: a bounded ring that keeps the oldest item first, destroys each item once, reports
// misuse, and matches a std::deque under random pushes and pops.
#include <gtest/gtest.h>

#include <deque>
#include <random>

#include "ReportCaptureX.h"
#include "foundation/QueueX.h"

namespace {

struct LiveX {
  static int sLive;
  LiveX(char c = 0) : mChar(c) { ++sLive; }
  LiveX(const LiveX& other) : mChar(other.mChar) { ++sLive; }
  LiveX& operator=(const LiveX&) = default;
  ~LiveX() { --sLive; }
  char mChar;
};
int LiveX::sLive = 0;

}  // namespace

TEST(QueueXTest, ClearAndPopDestroyEveryItemOnce) {
  LiveX::sLive = 0;
  {
    QueueX<LiveX> queue;
    queue.Initilize(3);
    for (char c : {'a', 'b', 'c'}) queue.Push(LiveX(c));
    EXPECT_EQ(LiveX::sLive, 3);
    queue.Pop();
    queue.Push(LiveX('d'));  // wraps around
    queue.Clear();
    EXPECT_EQ(LiveX::sLive, 0);
    EXPECT_TRUE(queue.Empty());
    queue.Push(LiveX('e'));
    queue.Push(LiveX('f'));
  }
  EXPECT_EQ(LiveX::sLive, 0) << "destruction clears the rest";
}

TEST(QueueXTest, MisuseIsReportedAndStaysInsideTheBlock) {
  ReportCaptureX capture;
  QueueX<int> queue;
  EXPECT_FALSE(queue.Push(1)) << "no capacity before Initilize";
  EXPECT_EQ(queue.GetItem(0), 0);
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "!Empty()"), 1u);
  EXPECT_EQ(capture.AssertReports()[0].function, "QueueX<int>::GetItem");

  queue.Initilize(4);
  queue.Push(7);
  EXPECT_EQ(queue.GetItem(5), 0);
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "index < mCount"), 1u);

  queue.Initilize(2);  // not empty: reported, then cleared
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "Empty()"), 1u);
  EXPECT_TRUE(queue.Empty());
  EXPECT_EQ(queue.Capacity(), 2u);
  queue.Initilize(0);
  EXPECT_FALSE(queue.Push(1));
}

TEST(QueueXTest, BoundedHistoryMatchesADeque) {
  std::mt19937 random(9);
  QueueX<int> queue;
  queue.Initilize(7);
  std::deque<int> reference;
  for (int step = 0; step < 5000; ++step) {
    if (random() % 3) {
      if (queue.Full()) {
        ASSERT_FALSE(queue.Push(-1));  // a full queue ignores the push
        queue.Pop();
        reference.pop_front();
      }
      queue.Push(step);
      reference.push_back(step);
    } else {
      ASSERT_EQ(queue.Pop(), !reference.empty());
      if (!reference.empty()) reference.pop_front();
    }
    ASSERT_EQ(queue.Size(), reference.size());
    for (uint32_t i = 0; i < reference.size(); ++i) ASSERT_EQ(queue.GetItem(i), reference[i]);
  }
}
