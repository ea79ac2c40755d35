// The overlay without a screen: console ring and timing, frame-rate placement, the text queue
// filled from many threads through the log, and the log letting go of the overlay before it is
// freed.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "OverlayResources.h"
#include "assets/FontTrueTypeX.h"
#include "engine/ErrorHandlerX.h"
#include "engine/ReportHooksX.h"
#include "render/RenderDirectX2DX.h"

namespace {

std::vector<std::string> Lines(const ConsoleLinesX& console) {
  std::vector<std::string> lines;
  for (uint32_t i = 0; i < console.Size(); ++i) lines.push_back(console.GetLine(i).GetCharArray());
  return lines;
}

TEST(ConsoleLinesTest, HoldsHalfTheScreenAndDropsTheOldestWhenFull) {
  ConsoleLinesX console;
  console.Initilize(768, 16);
  EXPECT_EQ(console.Capacity(), 24u);
  for (int i = 0; i < 25; ++i) console.Add(("line " + std::to_string(i)).c_str());
  ASSERT_EQ(console.Size(), 24u);
  EXPECT_EQ(Lines(console).front(), "line 1");
  EXPECT_EQ(Lines(console).back(), "line 24");
  // A font of no height still leaves a console of one line.
  ConsoleLinesX tiny;
  tiny.Initilize(768, 0);
  EXPECT_EQ(tiny.Capacity(), 1u);
  tiny.Add("a");
  tiny.Add("b");
  EXPECT_EQ(Lines(tiny), std::vector<std::string>{"b"});
}

TEST(ConsoleLinesTest, FirstLineStaysTwoSecondsThenTheRestScrollAway) {
  ConsoleLinesX console;
  console.Initilize(768, 16);
  console.Update(5.0f);  // an empty console keeps no time
  for (int i = 0; i < 4; ++i) console.Add("x");
  for (int i = 0; i < 19; ++i) console.Update(0.1f);  // 1.9 s
  EXPECT_EQ(console.Size(), 4u);
  console.Update(0.15f);  // 2.05 s: the first line goes, the rest scroll
  EXPECT_EQ(console.Size(), 3u);
  EXPECT_FLOAT_EQ(console.GetLineInterval(), 0.025f);
  console.Update(0.02f);  // 0.07 s carried over: the next one goes at once
  EXPECT_EQ(console.Size(), 2u);
  console.Update(0.03f);
  console.Update(0.03f);
  EXPECT_EQ(console.Size(), 0u);
  // Empty again: lines last two seconds each.
  EXPECT_FLOAT_EQ(console.GetLineInterval(), 2.0f);
  console.Add("y");
  console.Update(1.5f);
  EXPECT_EQ(console.Size(), 1u);
  console.Update(0.6f);
  EXPECT_EQ(console.Size(), 0u);
}

TEST(OverlayLayoutTest, FrameRateStartsOneCharacterPerDigitFromTheRight) {
  EXPECT_EQ(RenderDirectX2DX::FrameRateColumns(0), 1);
  EXPECT_EQ(RenderDirectX2DX::FrameRateColumns(9), 1);
  EXPECT_EQ(RenderDirectX2DX::FrameRateColumns(60), 2);
  EXPECT_EQ(RenderDirectX2DX::FrameRateColumns(100), 3);
  EXPECT_EQ(RenderDirectX2DX::FrameRateColumns(1000), 4);
}

class OverlayThreadsTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!CopyOverlayResources(mWorkspace)) GTEST_SKIP() << "no generated resources";
    StringX family;
    if (FontTrueTypeX::FindFontFile("Lucida Console", family).Empty()) GTEST_SKIP() << "no font";
    ErrorHandlerX::Create();
  }
  void TearDown() override {
    if (GetErrorHandler()) ErrorHandlerX::Destory();
  }
  WorkspaceX mWorkspace;
};

TEST_F(OverlayThreadsTest, LinesFromManyThreadsArriveWholeAndInOrder) {
  constexpr int kThreads = 4, kLinesEach = 150;
  // Room for every line.
  RenderDirectX2DX overlay(nullptr, GetAssetManager(), 100000);
  ASSERT_GE(overlay.GetConsoleCapacity(), uint32_t(kThreads * kLinesEach + 10));
  GetErrorHandler()->SetListener(&overlay);
  std::atomic<bool> done{false};
  // The render thread's side: updates and reads the console meanwhile. No time passes on it, so
  // no line scrolls away however many updates a busy machine fits in.
  std::thread reader([&] {
    while (!done) {
      overlay.Update(0.0f);
      (void)overlay.GetConsoleLines();
    }
  });
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([t] {
      for (int i = 0; i < kLinesEach; ++i) {
        LogMessage(("writer " + std::to_string(t) + " line " + std::to_string(i) + " end").c_str());
      }
    });
  }
  for (std::thread& writer : writers) writer.join();
  done = true;
  reader.join();
  GetErrorHandler()->SetListener(nullptr);

  std::map<int, int> next;
  int seen = 0;
  for (const StringX& line : overlay.GetConsoleLines()) {
    int t = -1, i = -1;
    char tail[8] = {};
    if (std::sscanf(line.GetCharArray(), "writer %d line %d %7s", &t, &i, tail) != 3) continue;
    EXPECT_STREQ(tail, "end") << line.GetCharArray();
    EXPECT_EQ(i, next[t]) << "thread " << t;
    next[t] = i + 1;
    ++seen;
  }
  EXPECT_EQ(seen, kThreads * kLinesEach);
}

TEST_F(OverlayThreadsTest, OverlayFreedWhileOthersLogIsNoLongerCalled) {
  auto* overlay = new RenderDirectX2DX(nullptr, GetAssetManager(), 768);
  GetErrorHandler()->SetListener(overlay);
  std::atomic<bool> stop{false};
  std::vector<std::thread> writers;
  for (int t = 0; t < 3; ++t) {
    writers.emplace_back([&stop] {
      while (!stop) LogMessage("busy logging");
    });
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  // The overlay lets go of the log itself when it is deleted; lines keep coming.
  delete overlay;
  LogMessage("RenderDevice Stopped");
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  stop = true;
  for (std::thread& writer : writers) writer.join();
  SUCCEED();
}

}  // namespace
