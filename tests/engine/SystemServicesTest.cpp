// Timer, working-directory fix-up, resource paths and the function library.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <thread>

#include "ReportCaptureX.h"
#include "ScratchFolderX.h"
#include "engine/FunctionLibraryX.h"
#include "engine/HighTimerX.h"
#include "engine/SystemX.h"
#include "foundation/StringX.h"

namespace fs = std::filesystem;

TEST(HighTimer, NeverResetReadsZeroAndStopFreezesUntilReset) {
  ReportCaptureX capture;
  HighTimerX timer;
  EXPECT_EQ(timer.GetElapsedTimef(), 0.0f);
  EXPECT_EQ(timer.GetElapsedTime(), 0.0);
  EXPECT_EQ(timer.GetElapsedTimef(true), 0.0f);

  timer.Reset();
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  timer.Stop();
  const float stopped = timer.GetElapsedTimef();
  EXPECT_GT(stopped, 0.0f);
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(timer.GetElapsedTimef(), stopped);
  EXPECT_EQ(timer.GetElapsedTimef(true), stopped);  // a stopped timer does not restart
  EXPECT_FLOAT_EQ(timer.GetStoppedTimef(), stopped);

  timer.Reset();
  EXPECT_LT(timer.GetElapsedTimef(), stopped);
  EXPECT_EQ(capture.Count(ReportCaptureX::KindX::Assert), 0u);
  timer.GetStoppedTime();  // running: not both times set
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "mStartTime && mEndTime"), 1u);
}

TEST(HighTimer, RestartingReadsAddUpToTheWholeTime) {
  HighTimerX total, frame;
  total.Reset();
  frame.Reset();
  double sum = 0.0;
  for (int i = 0; i < 5; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    sum += frame.GetElapsedTimef(true);
  }
  const double whole = total.GetElapsedTime();
  EXPECT_GE(whole, sum);
  EXPECT_NEAR(whole, sum, 0.002);
  EXPECT_GT(HighTimerX::Resolution(), 0.0);
}

TEST(HighTimer, ValidateTimersLogsTheResolution) {
  ReportCaptureX capture;
  HighTimerX::ValidateTimers();
  const auto reports = capture.Reports();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].kind, ReportCaptureX::KindX::Log);
  EXPECT_EQ(reports[0].text.rfind("Resolution of HighTimer is: ", 0), 0u);
  EXPECT_EQ(reports[0].text.substr(reports[0].text.size() - 2), "ms");
}

TEST(FunctionLibrary, RandFollowsTheCLibrarySequenceFromSeedOne) {
  FunctionsX::SeedRand(1);
  const int32_t expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358};
  for (int32_t value : expected) EXPECT_EQ(FunctionsX::Rand(), value);
  FunctionsX::SeedRand(1);
  EXPECT_EQ(FunctionsX::Rand(), 41);
}

TEST(FunctionLibrary, RandIsOneSequenceSharedByAllThreads) {
  // Four threads draw 1000 values each: together they consume exactly the first 4000 values.
  FunctionsX::SeedRand(1);
  std::vector<int32_t> reference(4000);
  for (int32_t& value : reference) value = FunctionsX::Rand();
  std::multiset<int32_t> expected(reference.begin(), reference.end());

  FunctionsX::SeedRand(1);
  std::vector<std::vector<int32_t>> drawn(4);
  std::vector<std::thread> threads;
  for (auto& values : drawn)
    threads.emplace_back([&values] {
      for (int i = 0; i < 1000; ++i) values.push_back(FunctionsX::Rand());
    });
  for (std::thread& thread : threads) thread.join();
  std::multiset<int32_t> got;
  for (const auto& values : drawn) got.insert(values.begin(), values.end());
  EXPECT_EQ(got, expected);
  FunctionsX::SeedRand(1);
}

TEST(FunctionLibrary, RandomHelpersStayInTheirRange) {
  FunctionsX::SeedRand(1);
  for (int i = 0; i < 100000; ++i) {
    const int32_t value = FunctionsX::RandomInt(-5, 5);
    ASSERT_GE(value, -5);
    ASSERT_LE(value, 5);
    const uint32_t unsignedValue = FunctionsX::RandomUInt(10, 20);
    ASSERT_GE(unsignedValue, 10u);
    ASSERT_LE(unsignedValue, 20u);
    const int8_t small = FunctionsX::RandomChar(-100, 100);
    ASSERT_GE(small, -100);
    ASSERT_LE(small, 100);
  }
  FunctionsX::SeedRand(1);
}

TEST(FunctionLibrary, IntToStrUniqueNumbersAndVectorText) {
  char text[12];
  FunctionsX::IntToStr(0, text);
  EXPECT_STREQ(text, "0");
  FunctionsX::IntToStr(-45, text);
  EXPECT_STREQ(text, "-45");
  FunctionsX::IntToStr(INT_MAX, text);
  EXPECT_STREQ(text, "2147483647");
  FunctionsX::IntToStr(INT_MIN, text);
  EXPECT_STREQ(text, "-2147483648");

  const uint32_t first = FunctionsX::GetUniqueNumber();
  EXPECT_EQ(FunctionsX::GetUniqueNumber(), first + 1);
  EXPECT_TRUE(FunctionsX::GetUniqueNumberString() == StringX() + (first + 2));

  EXPECT_TRUE(FunctionsX::VectorToStr(1.0f, -2.5f, 0.0f) == "(1.0,-2.5,0.0)");

  unsigned char bytes[8];
  std::memset(bytes, 0xAB, sizeof(bytes));
  FunctionsX::MemClear(bytes, sizeof(bytes));
  for (unsigned char byte : bytes) EXPECT_EQ(byte, 0);
}

// Runs FixCurrentDirectory in a scratch tree; the working directory is restored afterwards.
class WorkingDirectoryTest : public ::testing::Test {
 protected:
  // Starts in `start` and returns the working directory after the fix-up.
  fs::path FixFrom(const fs::path& start) {
    fs::create_directories(start);
    fs::current_path(start);
    SystemX::FixCurrentDirectory();
    return fs::current_path();
  }
  // The engine form of a folder in the tree, with its closing '\'.
  std::string EngineForm(const char* relative) const {
    return std::string(mFolder.EnginePath(relative).GetCharArray()) + "\\";
  }

  ScratchFolderX mFolder;
  WorkingFolderX mWorking{mFolder.Path()};
  const fs::path mRoot{mFolder.Path()};
};

TEST_F(WorkingDirectoryTest, BuildFoldersMoveUpAndAFolderHoldingResourcesIsKept) {
  // "korvelx" is also the name of a build folder: holding Resources/, it is kept.
  fs::create_directories(mRoot / "korvelx" / "Resources");
  fs::create_directories(mRoot / "game" / "Resources");
  const struct {
    const char* start;
    const char* fixed;
  } cases[] = {{"a/ReLeAsE", "a"},     {"b/DEBUG", "b"},       {"c/korvelx", "c"},
               {"d/other", "d/other"}, {"korvelx", "korvelx"}, {"game/build-release", "game"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.start);
    EXPECT_EQ(FixFrom(mRoot / c.start), mRoot / c.fixed);
    EXPECT_EQ(SystemX::GetPathRoot(), EngineForm(c.fixed));
  }
}

TEST_F(WorkingDirectoryTest, ResourcePathsStartAtThePathRoot) {
  FixFrom(mRoot / "e");
  const std::string root = EngineForm("e");
  EXPECT_TRUE(SystemX::GetFilenameFromResource("/a/b.txt") == (root + "a\\b.txt").c_str());
  EXPECT_TRUE(SystemX::GetFilenameFromResource("\\Maps\\x.bsp") == (root + "Maps\\x.bsp").c_str());
  EXPECT_TRUE(SystemX::GetFilenameFromResource("Sound/a.wav") == (root + "Sound\\a.wav").c_str());
}

TEST(System, ProcessorCountAndUnfinishedClockQuery) {
  ReportCaptureX capture;
  EXPECT_GE(SystemX::GetHardwareThreadCount(), 1u);
  EXPECT_EQ(SystemX::GetProcessorClockFrequence(), 0u);
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::NotDone, "CodeNotDone()"), 1u);
  EXPECT_NE(SystemX::GetCurrentThreadId(), 0u);
}
