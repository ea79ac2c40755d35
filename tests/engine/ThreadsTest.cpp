// Critical sections, semaphores and threads. Waiting is done with latches and flags, never with
// timing assumptions; a deadlock fails through the test timeout.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <latch>
#include <memory>
#include <thread>

#include "ReportCaptureX.h"
#include "engine/CriticalSectionX.h"
#include "engine/SemaphoreX.h"
#include "engine/ThreadX.h"

namespace {
void WaitUntil(const std::atomic<bool>& flag) {
  while (!flag.load()) std::this_thread::yield();
}
}  // namespace

TEST(CriticalSection, RecursiveGateThatAnotherThreadMayLeave) {
  CriticalSectionX gate(1000);
  EXPECT_FALSE(gate.IsLocked());
  gate.Enter();
  gate.Enter();  // recursive for its owner
  EXPECT_TRUE(gate.IsLocked());
  EXPECT_TRUE(gate.TryEnter());
  gate.Leave();

  std::thread other([&] {
    EXPECT_FALSE(gate.TryEnter());  // held by the main thread
    gate.Leave();                   // a gate is released by whoever hands it on
    EXPECT_TRUE(gate.IsLocked());
    gate.Leave();
    EXPECT_FALSE(gate.IsLocked());
  });
  other.join();

  std::thread third([&] {
    EXPECT_TRUE(gate.TryEnter());
    gate.Leave();
  });
  third.join();
  gate.Leave();  // leaving a free lock does nothing
  EXPECT_FALSE(gate.IsLocked());
}

TEST(CriticalSection, EnterWaitsForTheHolderAndCountsStayExact) {
  CriticalSectionX lock;
  int64_t counter = 0;  // guarded by lock only
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 5000; ++i) {
        ScopedLockX guard(lock);
        ScopedLockX again(lock);
        ++counter;
      }
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(counter, 20000);
  EXPECT_FALSE(lock.IsLocked());
}

TEST(CriticalSection, MayBeDestroyedWhileHeld) {
  auto lock = std::make_unique<CriticalSectionX>();
  lock->Enter();
  lock.reset();
  SUCCEED();
}

TEST(Semaphore, CountsUpToItsMaximumAndDecWaitsForInc) {
  ReportCaptureX capture;
  {
    SemaphoreX semaphore(0, 2);
    EXPECT_TRUE(semaphore.TryInc());
    EXPECT_TRUE(semaphore.TryInc());
    EXPECT_FALSE(semaphore.TryInc());
    semaphore.Inc();
    EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "TryInc()"), 1u);
    semaphore.Dec();
    semaphore.Dec();
    EXPECT_EQ(semaphore.GetCount(), 0);

    std::atomic<bool> taken{false};
    std::thread waiter([&] {
      EXPECT_TRUE(semaphore.TryDec(5));
      taken = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(taken.load());
    semaphore.Inc();
    waiter.join();
    EXPECT_TRUE(taken.load());
    // Destroyed below its maximum: somebody still holds units.
  }
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "!TryInc()"), 1u);

  capture.Clear();
  { SemaphoreX full(1, 1); }
  EXPECT_EQ(capture.Count(ReportCaptureX::KindX::Assert), 0u);
  { SemaphoreX wrong(2, 1); }
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "mInitialCount <= mMaxCount"), 1u);
}

namespace {
std::atomic<int> gRuns{0};
uint32_t CountRun(void* data) {
  ++gRuns;
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(data));
}

struct SleeperX {
  ThreadX thread;
  std::atomic<bool> asleep{false};
  std::atomic<bool> woke{false};
};
uint32_t SuspendSelf(void* data) {
  SleeperX* sleeper = static_cast<SleeperX*>(data);
  sleeper->asleep = true;
  sleeper->thread.Suspend();
  sleeper->woke = true;
  return 0;
}
// Starts the sleeper's thread and waits until it has suspended itself.
bool PutToSleep(SleeperX& sleeper) {
  if (!sleeper.thread.Create(&SuspendSelf, &sleeper)) return false;
  WaitUntil(sleeper.asleep);
  while (!sleeper.thread.IsSuspended()) std::this_thread::yield();
  return true;
}
}  // namespace

TEST(Thread, CreateRunJoinAndCreateAgain) {
  ReportCaptureX capture;
  ThreadX thread;
  EXPECT_FALSE(thread.Create());  // no function
  EXPECT_FALSE(thread.HasThread());

  gRuns = 0;
  EXPECT_TRUE(thread.Create(&CountRun, nullptr));
  EXPECT_TRUE(thread.HasThread());
  EXPECT_FALSE(thread.Create(&CountRun, nullptr));  // a thread exists
  thread.SetThreadData(nullptr);
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "!HasThread()"), 1u);
  thread.Join();
  EXPECT_FALSE(thread.HasThread());
  EXPECT_FALSE(thread.IsRunning());
  EXPECT_EQ(gRuns.load(), 1);

  EXPECT_TRUE(thread.Create());
  thread.Join();
  EXPECT_EQ(gRuns.load(), 2);
}

TEST(Thread, SuspendedThreadIsResumedOnceAndJoinResumesFirst) {
  ReportCaptureX capture;
  SleeperX sleeper;
  EXPECT_TRUE(sleeper.thread.Resume());  // not suspended: nothing to do
  ASSERT_TRUE(PutToSleep(sleeper));
  EXPECT_FALSE(sleeper.woke.load());
  EXPECT_TRUE(sleeper.thread.Resume());
  EXPECT_TRUE(sleeper.thread.Resume());
  sleeper.thread.Join();
  EXPECT_TRUE(sleeper.woke.load());

  SleeperX joined;
  ASSERT_TRUE(PutToSleep(joined));
  joined.thread.Join();  // resumes, then waits
  EXPECT_TRUE(joined.woke.load());
  EXPECT_EQ(capture.Count(ReportCaptureX::KindX::Assert), 0u);
}

TEST(Thread, SuspendingAnotherThreadIsRefused) {
  ReportCaptureX capture;
  SleeperX sleeper;
  ASSERT_TRUE(PutToSleep(sleeper));
  EXPECT_TRUE(sleeper.thread.Suspend());  // already suspended: nothing to do
  sleeper.thread.Resume();
  sleeper.thread.Join();

  ThreadX other;
  ASSERT_TRUE(other.Create(&CountRun, nullptr));
  other.Suspend();  // not the calling thread
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "SuspendThread(mThread) != -1"), 1u);
  other.Join();
}

namespace {
class CounterThreadX : public ThreadObjectX {
 public:
  ~CounterThreadX() override { Stop(); }
  std::atomic<int> mSteps{0};

 protected:
  void Step() override {
    ++mSteps;
    std::this_thread::yield();
  }
};
}  // namespace

TEST(ThreadObject, StepsUntilStoppedAndRestarts) {
  CounterThreadX counter;
  ASSERT_TRUE(counter.Start());
  while (counter.mSteps.load() < 10) std::this_thread::yield();
  counter.Stop();
  const int steps = counter.mSteps.load();
  EXPECT_GE(steps, 10);
  EXPECT_TRUE(counter.IsStopping());
  ASSERT_TRUE(counter.Start());
  while (counter.mSteps.load() < steps + 10) std::this_thread::yield();
}
