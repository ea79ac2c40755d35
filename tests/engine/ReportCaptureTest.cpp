// The tests' report capture: every kind of report from any thread, a nested capture handing the
// hooks back, and no hooks left behind by the last one.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "ReportCaptureX.h"
#include "engine/ReportHooksX.h"

namespace {

using KindX = ReportCaptureX::KindX;

TEST(ReportCapture, KeepsEveryKindWithItsFunctionAndAnswersTheQueries) {
  ReportCaptureX capture;
  LogMessage("Loaded city.bsp");
  AssertFailed("a.cpp", "A::Read", 3, "size > 0");
  CodeNotDone("a.cpp", "A::Write", 4, "Not done");
  LogNormal("a.cpp", "A::Note", 5, "size > 0");
  LogMessage(static_cast<const char*>(nullptr));

  const std::vector<ReportCaptureX::ReportX> reports = capture.Reports();
  ASSERT_EQ(reports.size(), 5u);
  EXPECT_EQ(reports[1].kind, KindX::Assert);
  EXPECT_EQ(reports[1].function, "A::Read");
  EXPECT_EQ(reports[4].text, "");
  EXPECT_EQ(capture.Logs(), (std::vector<std::string>{"Loaded city.bsp", ""}));
  EXPECT_EQ(capture.Asserts(), std::vector<std::string>{"A::Read: size > 0"});
  EXPECT_EQ(capture.CountText(KindX::Assert, "size > 0"), 1u);
  EXPECT_EQ(capture.CountText("size > 0"), 2u);
  EXPECT_EQ(capture.CountLog("Loaded city"), 0u) << "log lines are compared whole";
  EXPECT_TRUE(capture.HasLog("city"));
  EXPECT_FALSE(capture.HasLog("A::Read"));
  EXPECT_TRUE(capture.HasAssert("A::Read"));
  EXPECT_EQ(capture.Mentions("A::"), 3u);
  EXPECT_EQ(capture.CountReports(), 3u);
  capture.Clear();
  EXPECT_TRUE(capture.Reports().empty());
}

TEST(ReportCapture, RecordsReportsFromManyThreads) {
  ReportCaptureX capture;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([] {
      for (int i = 0; i < 250; ++i) {
        LogMessage("tick");
        KX_ASSERT(i < 0, "Worker::Run");
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(capture.CountLog("tick"), 1000u);
  EXPECT_EQ(capture.Count(KindX::Assert), 1000u);
}

TEST(ReportCapture, AnInnerCaptureHandsBackAndTheLastClearsTheHooks) {
  {
    ReportCaptureX outer;
    {
      ReportCaptureX inner;
      LogMessage("inner");
      EXPECT_TRUE(inner.HasLog("inner"));
    }
    LogMessage("outer");
    EXPECT_EQ(outer.Logs(), std::vector<std::string>{"outer"});
  }
  // Nothing may call into a capture that is gone.
  LogMessage("after");
  AssertFailed("a.cpp", "A::B", 1, "after");
}

}  // namespace
