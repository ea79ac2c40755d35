// The job pool: batches run completely before the call returns, wakes are never lost, the pool
// starts and stops cleanly, and jobs may log.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "ReportCaptureX.h"
#include "engine/ThreadManagerX.h"

namespace {
struct SlotX {
  std::atomic<uint32_t> runs{0};
};

uint32_t MarkSlot(void* data) {
  static_cast<SlotX*>(data)->runs.fetch_add(1, std::memory_order_relaxed);
  return 0;
}

std::atomic<uint32_t> gCount{0};
uint32_t CountJob(void*) {
  gCount.fetch_add(1, std::memory_order_relaxed);
  return 0;
}

uint32_t SlowCountJob(void*) {
  std::this_thread::sleep_for(std::chrono::milliseconds(2));
  gCount.fetch_add(1, std::memory_order_relaxed);
  return 0;
}

uint32_t LogJob(void*) {
  LogMessage("job says hello");
  return 0;
}

// Records which data addresses the jobs were given.
std::vector<std::atomic<uint32_t>>* gSeen = nullptr;
const char* gBase = nullptr;
uint32_t SeeAddress(void* data) {
  const size_t index = static_cast<size_t>(static_cast<const char*>(data) - gBase) / 4;
  (*gSeen)[index].fetch_add(1, std::memory_order_relaxed);
  return 0;
}

// A job that issues a batch of its own.
uint32_t NestedBatch(void*) {
  SlotX slots[8];
  GetThreadManagerX()->RunJobBatch(&MarkSlot, slots, 8, sizeof(SlotX));
  for (SlotX& slot : slots)
    if (slot.runs.load() != 1) return 1;
  gCount.fetch_add(1, std::memory_order_relaxed);
  return 0;
}

// Each case runs on a pool of the machine's size (0) and on a pool of one worker.
class JobPoolTest : public ::testing::TestWithParam<uint32_t> {
 protected:
  void SetUp() override {
    if (GetParam() == 0) {
      ThreadManagerX::CreateSingleton();
    } else {
      ThreadManagerX::CreateSingleton(GetParam());
      ASSERT_EQ(GetThreadManagerX()->GetThreadCount(), GetParam());
    }
  }
  void TearDown() override { ThreadManagerX::DestroySingleton(); }
  ReportCaptureX mCapture;
};
}  // namespace

INSTANTIATE_TEST_SUITE_P(Workers, JobPoolTest, ::testing::Values(0u, 1u));

TEST_P(JobPoolTest, StrideBatchRunsEveryJobExactlyOnceBeforeReturning) {
  ThreadManagerX* pool = GetThreadManagerX();
  ASSERT_NE(pool, nullptr);
  EXPECT_GE(pool->GetThreadCount(), 1u);
  char base[4 * 300];
  gBase = base;
  for (uint32_t count = 1; count <= 257; count += 8) {
    std::vector<std::atomic<uint32_t>> seen(count);
    gSeen = &seen;
    ASSERT_TRUE(pool->RunJobBatch(&SeeAddress, base, count, 4));
    for (uint32_t i = 0; i < count; ++i) ASSERT_EQ(seen[i].load(), 1u) << count << " " << i;
  }
  EXPECT_FALSE(pool->HasJobs());
}

TEST_P(JobPoolTest, ThousandsOfJobsManyTimes) {
  std::vector<SlotX> slots(3000);
  for (int round = 0; round < 200; ++round) {
    ASSERT_TRUE(GetThreadManagerX()->RunJobBatch(&MarkSlot, slots.data(), 3000, sizeof(SlotX)));
    for (SlotX& slot : slots)
      ASSERT_EQ(slot.runs.load(std::memory_order_relaxed), uint32_t(round + 1));
  }
}

TEST_P(JobPoolTest, TinyBatchesNeverLoseAWake) {
  SlotX slots[3];
  for (int round = 0; round < 5000; ++round) {
    const uint32_t count = 1 + round % 3;
    ASSERT_TRUE(GetThreadManagerX()->RunJobBatch(&MarkSlot, slots, count, sizeof(SlotX)));
  }
  EXPECT_EQ(slots[0].runs.load(), 5000u);
}

TEST_P(JobPoolTest, DontWaitRunsInTheBackgroundAndALaterWaitCollectsEverything) {
  ThreadManagerX* pool = GetThreadManagerX();
  gCount = 0;
  for (int i = 0; i < 20; ++i) pool->AddJob(&SlowCountJob, nullptr);
  EXPECT_TRUE(pool->ExecuteJobs(true));
  for (int i = 0; i < 20; ++i) pool->AddJob(&CountJob, nullptr);
  EXPECT_TRUE(pool->ExecuteJobs(false));
  EXPECT_EQ(gCount.load(), 40u);
  EXPECT_FALSE(pool->HasJobs());
}

TEST_P(JobPoolTest, JobsMayLogAndIssueBatchesOfTheirOwn) {
  ThreadManagerX* pool = GetThreadManagerX();
  std::vector<char> datas(64);
  mCapture.Clear();
  ASSERT_TRUE(pool->RunJobBatch(&LogJob, datas.data(), 64, 1));
  EXPECT_EQ(mCapture.CountLog("job says hello"), 64u);

  gCount = 0;
  ASSERT_TRUE(pool->RunJobBatch(&NestedBatch, datas.data(), 16, 1));
  EXPECT_EQ(gCount.load(), 16u);
}

TEST_P(JobPoolTest, TwoIssuersAtOnce) {
  std::vector<SlotX> first(500), second(500);
  std::thread other([&] {
    for (int round = 0; round < 100; ++round)
      GetThreadManagerX()->RunJobBatch(&MarkSlot, second.data(), 500, sizeof(SlotX));
  });
  for (int round = 0; round < 100; ++round)
    GetThreadManagerX()->RunJobBatch(&MarkSlot, first.data(), 500, sizeof(SlotX));
  other.join();
  for (size_t i = 0; i < 500; ++i) {
    ASSERT_EQ(first[i].runs.load(), 100u);
    ASSERT_EQ(second[i].runs.load(), 100u);
  }
}

TEST_P(JobPoolTest, BadCallsAreReportedAndRefused) {
  ThreadManagerX* pool = GetThreadManagerX();
  mCapture.Clear();
  EXPECT_FALSE(pool->RunJobBatch(nullptr, &gCount, 4, 4));
  EXPECT_FALSE(pool->RunJobBatch(&CountJob, nullptr, 4, 4));
  EXPECT_EQ(mCapture.CountText(ReportCaptureX::KindX::Assert, "count && jobDatas && jobFunction"),
            2u);

  pool->AddJob(nullptr, nullptr);  // reported, queued, then skipped instead of called
  EXPECT_EQ(mCapture.CountText(ReportCaptureX::KindX::Assert, "job.IsValid()"), 1u);
  EXPECT_TRUE(pool->ExecuteJobs(false));
  EXPECT_EQ(mCapture.CountText(ReportCaptureX::KindX::Assert, "mJobFunction"), 1u);

  ThreadManagerX::CreateSingleton();  // a second pool is refused
  EXPECT_EQ(mCapture.CountText(ReportCaptureX::KindX::Assert, "!sThreadManagerX"), 1u);
}

TEST(JobPoolLifecycle, StartStopCyclesLogAndLeaveNoPool) {
  ReportCaptureX capture;
  SlotX slots[16];
  for (int cycle = 0; cycle < 50; ++cycle) {
    ThreadManagerX::CreateSingleton();
    ASSERT_TRUE(ThreadManagerX::HasThreadManagerX());
    if (cycle % 3 == 1) GetThreadManagerX()->RunJobBatch(&MarkSlot, slots, 16, sizeof(SlotX));
    if (cycle % 3 == 2) {  // stop right after a batch that was not waited for
      for (SlotX& slot : slots) GetThreadManagerX()->AddJob(&MarkSlot, &slot);
      GetThreadManagerX()->ExecuteJobs(true);
    }
    ThreadManagerX::DestroySingleton();
    ASSERT_FALSE(ThreadManagerX::HasThreadManagerX());
  }
  EXPECT_EQ(capture.Count(ReportCaptureX::KindX::Assert), 0u);
  const auto reports = capture.Reports();
  ASSERT_GE(reports.size(), 3u);
  EXPECT_EQ(reports[0].text.rfind("Creating ", 0), 0u);
  EXPECT_NE(reports[0].text.find(" thread in ThreadManagerX"), std::string::npos);
  EXPECT_EQ(reports[1].text, "Destorying ThreadManager");
  EXPECT_EQ(reports[2].text, "ThreadManager destroyed");
  EXPECT_EQ(capture.CountLog("ThreadManager destroyed"), 50u);
}
