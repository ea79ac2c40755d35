// End to end: runs the KorvelX program in a scratch folder, asks it to quit with a signal and
// checks the exit status and the stop lines of its log.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "HeadlessVideoX.h"
#include "ScratchFolderX.h"
#include "tests/engine/KorvelXStopLines.h"

namespace fs = std::filesystem;

namespace {
// True once the process has a handler for `signal` (bit signal - 1 of SigCgt).
bool CatchesSignal(pid_t pid, int signal) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("SigCgt:", 0) != 0) continue;
    const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
    return (mask >> (signal - 1)) & 1u;
  }
  return false;
}

// Starts the program in `folder`. Without a display it runs on SDL's offscreen driver, asked
// for by name; `display`, when given, replaces the display and nothing is asked for.
pid_t StartProgram(const fs::path& folder, const char* display = nullptr) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(folder.c_str()) != 0) ::_exit(90);
    if (display) {
      ::setenv("DISPLAY", display, 1);
      ::unsetenv("WAYLAND_DISPLAY");
      ::unsetenv("SDL_VIDEODRIVER");
    } else {
      UseOffscreenVideoWithoutDisplay();
    }
    ::execl(KX_KORVELX_BINARY, "KorvelX", static_cast<char*>(nullptr));
    ::_exit(91);
  }
  return pid;
}

// Starts the program in `folder`, waits until it takes quit signals, sends `signal` and returns
// the exit status (-1 when it did not exit normally).
int RunAndSignal(const fs::path& folder, int signal) {
  const pid_t pid = StartProgram(folder);
  if (pid < 0) return -1;
  for (int i = 0; i < 3000 && !CatchesSignal(pid, signal); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // let it run a few frames
  ::kill(pid, signal);
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The program runs in a scratch folder that holds Resources/.
class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(mRoot / "Resources"); }
  ScratchFolderX mFolder;
  const fs::path mRoot{mFolder.Path()};
};
}  // namespace

TEST_F(ProgramTest, QuitSignalsRunTheOrderedStopAndLeaveTheLogWhereResourcesAre) {
  // Ctrl+C is sent to a program started inside a build folder: the log is still written where
  // Resources/ is.
  const struct {
    int signal;
    const char* startIn;
  } cases[] = {{SIGTERM, ""}, {SIGINT, "Release"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.signal);
    fs::create_directories(mRoot / c.startIn);
    fs::remove(mRoot / "LogFile.txt");
    ASSERT_EQ(RunAndSignal(mRoot / c.startIn, c.signal), 0);
    EXPECT_FALSE(fs::exists(mRoot / "Release" / "LogFile.txt"));
    const std::vector<std::string> lines = LogLines(mRoot / "LogFile.txt");
    EXPECT_EQ(LinesAmong(lines, kKorvelXStopLines), kKorvelXStopLines);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "KorvelX Stopped");
    EXPECT_TRUE(HasLine(lines, "KorvelX Initializing"));
    EXPECT_TRUE(HasLine(lines, "KorvelX Initialized"));
  }
}

TEST_F(ProgramTest, WithoutADisplayItStopsAtOnceWithALogLineAndAFailureStatus) {
  // A display nobody serves: SDL falls back to a driver that shows nothing and takes no input.
  const pid_t pid = StartProgram(mRoot, ":1999");
  ASSERT_GT(pid, 0);
  int status = 0;
  pid_t ended = 0;
  for (int i = 0; i < 3000 && ended == 0; ++i) {
    ended = ::waitpid(pid, &status, WNOHANG);
    if (ended == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (ended == 0) {  // some screen was found after all (a console with a GPU): it runs
    ::kill(pid, SIGTERM);
    ::waitpid(pid, &status, 0);
    GTEST_SKIP() << "SDL found a screen without the display";
  }
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  const std::vector<std::string> lines = LogLines(mRoot / "LogFile.txt");
  EXPECT_EQ(std::count_if(
                lines.begin(), lines.end(),
                [](const std::string& line) { return line.rfind("No display answers", 0) == 0; }),
            1);
  EXPECT_EQ(LinesAmong(lines, kKorvelXStopLines), kKorvelXStopLines);
}
