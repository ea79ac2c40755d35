// The error handler: time stamps, exact entry bytes, which entries are flushed, the hooks it
// installs and removes, a log that cannot be opened or written, and entries from many threads.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ScratchFolderX.h"
#include "engine/ErrorHandlerX.h"
#include "engine/ReportHooksX.h"
#include "foundation/StringX.h"
#include "render/IRenderDevice2DX.h"

namespace fs = std::filesystem;
using Severity = ErrorHandlerX::Severity;

namespace {
std::string Stamp(float seconds) {
  char text[ErrorHandlerX::sTimeStampSize];
  ErrorHandlerX::FormatTimeStamp(seconds, text);
  return text;
}

std::atomic<int> gFatalReports{0};
std::mutex gFatalMutex;
std::string gLastFatal;  // guarded by gFatalMutex
void CountFatal(const char* description, const char* caption) {
  ++gFatalReports;
  std::lock_guard<std::mutex> guard(gFatalMutex);
  gLastFatal = std::string(caption) + "|" + description;
}

// Like every listener, it leaves the log when it goes.
class ListenerX : public IRenderDevice2DX {
 public:
  ~ListenerX() override { DetachFromLog(); }
  void Update(float) override {}
  void Draw() override {}
  void AddText(const char* text) override { mLines.push_back(text); }
  std::vector<std::string> mLines;
};

// Each test runs in a scratch folder of its own: the log is written to the working directory.
class ErrorHandlerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gFatalReports = 0;
    ErrorHandlerX::SetFatalReport(&CountFatal);
  }
  void TearDown() override {
    if (GetErrorHandler()) ErrorHandlerX::Destory();
    ErrorHandlerX::SetFatalReport(nullptr);
  }
  std::string ReadLog() const { return ReadText(mFolder.File("LogFile.txt")); }

  ScratchFolderX mFolder;
  WorkingFolderX mWorking{mFolder.Path()};
};
}  // namespace

TEST(TimeStamp, FieldsArePaddedAndWidenWhenLarger) {
  EXPECT_EQ(Stamp(0.0f), "[00:00:00:000]\t- ");
  EXPECT_EQ(Stamp(61.25f), "[00:01:01:250]\t- ");
  EXPECT_EQ(Stamp(3725.5f), "[01:02:05:500]\t- ");
  EXPECT_EQ(Stamp(360000.0f), "[100:00:00:000]\t- ");
  EXPECT_EQ(Stamp(360000.0f * 10.0f + 3600.0f + 60.0f + 1.0f), "[1001:01:01:000]\t- ");
  EXPECT_EQ(Stamp(0.125f), "[00:00:00:125]\t- ");
  EXPECT_EQ(Stamp(-5.0f), "[00:00:00:000]\t- ");  // never a negative field
}

TEST_F(ErrorHandlerTest, ExceptionEntriesAreWrittenAtOnceInTheirExactForm) {
  ErrorHandlerX::Create();
  ErrorHandlerX* handler = GetErrorHandler();
  ASSERT_NE(handler, nullptr);
  EXPECT_TRUE(handler->IsEnabled());
  handler->WriteException(Severity::Minor, "ModuleX", "ModuleX::Run", 42, "bad value", true);
  handler->WriteException(static_cast<Severity>(9), StringX("a.cpp"), StringX(), -7, StringX("x"),
                          true);
  const std::string pid = std::to_string(::gettid());
  EXPECT_EQ(ReadLog(),
            "[00:00:00:000]\t- EXCEPTION = Minor: ThreadID = " + pid +
                ": File = ModuleX: Function = ModuleX::Run: Line number = 42: Description = bad "
                "value\r\n"
                "[00:00:00:000]\t- EXCEPTION = Unkown: ThreadID = " +
                pid + ": File = a.cpp: Function = : Line number = -7: Description = x\r\n");
  EXPECT_EQ(gFatalReports.load(), 0);
  EXPECT_STREQ(ErrorHandlerX::GetSeverityText(static_cast<Severity>(-1)), "Unkown: ");
}

TEST_F(ErrorHandlerTest, InfoEntriesStayBufferedUntilFlushed) {
  ErrorHandlerX::Create();
  LogMessage("first");
  LogMessage(StringX("second ") + 2);
  EXPECT_EQ(ReadLog(), "");
  GetErrorHandler()->Flush();
  EXPECT_EQ(ReadLog(), "[00:00:00:000]\t- Info = first\r\n[00:00:00:000]\t- Info = second 2\r\n");
  // An exception entry writes out what was buffered before it.
  LogMessage("third");
  LogNormal("f", "C::M", 1, "normal");
  EXPECT_NE(ReadLog().find("Info = third\r\n[00:00:00:000]\t- EXCEPTION = Normal: "),
            std::string::npos);
}

TEST_F(ErrorHandlerTest, HooksWriteTheirSeverityAndOnlyFatalOnesAreReported) {
  ErrorHandlerX::Create();
  AssertFailed("SystemX", "SystemX::FixCurrentDirectory", 81, "!currentDir.Empty()");
  EXPECT_EQ(gFatalReports.load(), 1);
  EXPECT_EQ(gLastFatal, "Fatal Exception|!currentDir.Empty()");
  CodeNotDone("SystemX", "SystemX::GetProcessorClockFrequence", 36, "CodeNotDone()");
  LogNormal("AudioX", "AudioX::Play", 3, "no buffer");
  GetErrorHandler()->WriteException(Severity::Major, "a", "b", 1, "major", true);
  GetErrorHandler()->WriteException(Severity::Trivial, "a", "b", 1, "trivial", true);
  GetErrorHandler()->WriteException(Severity::Critical, "a", "b", 1, "unlogged", false);
  EXPECT_EQ(gFatalReports.load(), 3);  // Critical, Major, and the unlogged Critical

  const std::string log = ReadLog();
  EXPECT_NE(log.find("EXCEPTION = Critical: ThreadID = "), std::string::npos);
  EXPECT_NE(log.find(": File = SystemX: Function = SystemX::FixCurrentDirectory: Line number = 81: "
                     "Description = !currentDir.Empty()\r\n"),
            std::string::npos);
  EXPECT_NE(log.find("EXCEPTION = Code Not Done: "), std::string::npos);
  EXPECT_NE(log.find("EXCEPTION = Normal: "), std::string::npos);
  EXPECT_NE(log.find("EXCEPTION = Major: "), std::string::npos);
  EXPECT_NE(log.find("EXCEPTION = Trivial: "), std::string::npos);
  EXPECT_EQ(log.find("unlogged"), std::string::npos);
}

TEST_F(ErrorHandlerTest, ListenerGetsInfoMessagesUntilItIsCleared) {
  ErrorHandlerX::Create();
  ListenerX listener;
  GetErrorHandler()->SetListener(&listener);
  LogMessage("to the screen");
  AssertFailed("f", "C::M", 1, "not for the screen");
  ListenerX other;
  GetErrorHandler()->RemoveListener(&other);  // not the one set: nothing changes
  LogMessage("still shown");
  GetErrorHandler()->RemoveListener(&listener);
  LogMessage("after");
  GetErrorHandler()->SetListener(&other);
  GetErrorHandler()->SetListener(nullptr);
  LogMessage("after both");
  ASSERT_EQ(listener.mLines.size(), 2u);
  EXPECT_EQ(listener.mLines[0], "to the screen");
  EXPECT_EQ(listener.mLines[1], "still shown");
  EXPECT_TRUE(other.mLines.empty());
}

TEST_F(ErrorHandlerTest, HooksDoNothingAfterDestory) {
  ErrorHandlerX::Create();
  LogMessage("before");
  ErrorHandlerX::Destory();
  EXPECT_EQ(GetErrorHandler(), nullptr);
  const std::string log = ReadLog();
  EXPECT_EQ(log, "[00:00:00:000]\t- Info = before\r\n");  // written out at Destory
  LogMessage("after");
  AssertFailed("f", "C::M", 1, "after");
  CodeNotDone("f", "C::M", 1, "after");
  LogNormal("f", "C::M", 1, "after");
  EXPECT_EQ(ReadLog(), log);
  EXPECT_EQ(gFatalReports.load(), 0);
  ErrorHandlerX::Destory();  // none left: reported through the (unset) hook, nothing happens
}

TEST_F(ErrorHandlerTest, ALogThatCannotBeOpenedDisablesEverythingButFatalReports) {
  fs::create_directory(mFolder.File("LogFile.txt"));  // a folder where the file should be
  ErrorHandlerX::Create();
  ASSERT_NE(GetErrorHandler(), nullptr);
  EXPECT_FALSE(GetErrorHandler()->IsEnabled());
  ListenerX listener;
  GetErrorHandler()->SetListener(&listener);
  LogMessage("lost");
  CodeNotDone("f", "C::M", 1, "lost");
  AssertFailed("f", "C::M", 1, "still shown");
  GetErrorHandler()->Flush();
  EXPECT_TRUE(listener.mLines.empty());
  EXPECT_EQ(gFatalReports.load(), 1);
}

TEST_F(ErrorHandlerTest, AWriteFailureTurnsTheLogOffWithoutLooping) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  fs::create_symlink("/dev/full", mFolder.File("LogFile.txt"));
  ErrorHandlerX::Create();
  ASSERT_TRUE(GetErrorHandler()->IsEnabled());
  LogMessage("goes nowhere");
  AssertFailed("f", "C::M", 1, "flush fails");  // the writer reports its own failure
  EXPECT_FALSE(GetErrorHandler()->IsEnabled());
  LogMessage("ignored");
  AssertFailed("f", "C::M", 1, "still shown");
  EXPECT_GE(gFatalReports.load(), 2);
}

TEST_F(ErrorHandlerTest, EntriesFromManyThreadsStayWhole) {
  ErrorHandlerX::Create();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < 500; ++i) {
        if (i % 5 == 0)
          AssertFailed("ThreadFile", "Thread::Run", t, "failed check");
        else
          LogMessage((StringX("thread ") + t + " message " + i).GetCharArray());
      }
    });
  for (std::thread& thread : threads) thread.join();
  ErrorHandlerX::Destory();

  const std::regex info(R"(\[\d\d:\d\d:\d\d:\d\d\d\]\t- Info = thread \d message \d+)");
  const std::regex exception(
      R"(\[\d\d:\d\d:\d\d:\d\d\d\]\t- EXCEPTION = Critical: ThreadID = \d+: File = ThreadFile: )"
      R"(Function = Thread::Run: Line number = \d: Description = failed check)");
  std::istringstream lines(ReadLog());
  std::string line;
  int count = 0;
  while (std::getline(lines, line)) {
    ASSERT_FALSE(line.empty());
    ASSERT_EQ(line.back(), '\r') << line;
    line.pop_back();
    ASSERT_TRUE(std::regex_match(line, info) || std::regex_match(line, exception)) << line;
    ++count;
  }
  EXPECT_EQ(count, 2000);
  EXPECT_EQ(gFatalReports.load(), 400);
}

TEST_F(ErrorHandlerTest, AProcessThatCallsExitStillWritesItsLogOut) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ErrorHandlerX::Create();
    LogMessage("written at exit");
    std::exit(3);
  }
  ASSERT_GT(pid, 0);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 3);
  EXPECT_EQ(ReadLog(), "[00:00:00:000]\t- Info = written at exit\r\n");
}
