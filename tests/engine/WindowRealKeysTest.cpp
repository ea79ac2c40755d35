// Real key and mouse input: xdotool types into the window on an X server of this test's own
// (so that no other test's window can take the keyboard), and the engine's message pump must
// turn it into virtual-key and button states. Skipped without Xvfb or xdotool.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "CursorStandInX.h"
#include "engine/InputHandlerX.h"
#include "engine/WindowX.h"

// Last: the X11 headers behind it define macros that clash with the test framework.
#include <SDL2/SDL_syswm.h>

namespace {

// Starts Xvfb on a free display and points DISPLAY at it; 0 when it could not be started.
pid_t StartPrivateXServer() {
  int fds[2];
  if (::pipe(fds) != 0) return 0;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    const std::string fd = std::to_string(fds[1]);
    // No reset when the last client leaves: a resetting server refuses the next window.
    ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-noreset", "-screen", "0", "1024x768x24",
             "-nolisten", "tcp", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(fds[1]);
  std::string display;
  pollfd wait{fds[0], POLLIN, 0};
  char c = 0;
  while (pid > 0 && ::poll(&wait, 1, 10000) == 1 && ::read(fds[0], &c, 1) == 1 && c != '\n') {
    display += c;
  }
  ::close(fds[0]);
  if (pid <= 0) return 0;
  if (display.empty()) {
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    return 0;
  }
  setenv("DISPLAY", (":" + display).c_str(), 1);
  return pid;
}

class WindowRealKeysTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (std::system("command -v xdotool >/dev/null 2>&1") == 0) sServer = StartPrivateXServer();
  }
  static void TearDownTestSuite() {
    if (sServer > 0) {
      ::kill(sServer, SIGTERM);
      ::waitpid(sServer, nullptr, 0);
    }
    sServer = 0;
  }
  void SetUp() override {
    if (sServer <= 0) GTEST_SKIP() << "needs Xvfb and xdotool";
    if (!mWindow.CreateWindowX(nullptr, 320, 240)) GTEST_SKIP() << "no window";
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(SDL_GetWindowFromID(mWindow.GetWindowId()), &info) ||
        info.subsystem != SDL_SYSWM_X11) {
      GTEST_SKIP() << "not an X11 window";
    }
    mId = std::to_string(info.info.x11.window);
    // Let the server map the window and deliver its first events.
    PumpUntil([] { return false; }, 30);
    ASSERT_EQ(Xdotool("windowfocus --sync " + mId), 0);
  }
  int Xdotool(const std::string& arguments) {
    return std::system(("xdotool " + arguments + " >/dev/null 2>&1").c_str());
  }
  // Pumps the window's messages until the condition holds or `rounds` x 10 ms have passed.
  bool PumpUntil(const std::function<bool()>& condition, int rounds = 200) {
    for (int i = 0; i < rounds; ++i) {
      PumpMessages(mWindow, &mInput);
      if (condition()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  static pid_t sServer;
  WindowX mWindow;
  CursorAtCornerX mCursor;
  InputHandlerX mInput{320, 240, &mCursor};
  std::string mId;
};
pid_t WindowRealKeysTest::sServer = 0;

TEST_F(WindowRealKeysTest, TypedKeysArriveAsVirtualKeys) {
  ASSERT_EQ(Xdotool("keydown w keydown Control_L keydown F5 keydown minus"), 0);
  EXPECT_TRUE(PumpUntil([&] {
    return mInput.IsKeyDown(87) && mInput.IsKeyDown(17) && mInput.IsKeyDown(116) &&
           mInput.IsKeyDown(189);
  }));
  ASSERT_EQ(Xdotool("keyup w keyup Control_L keyup F5 keyup minus"), 0);
  EXPECT_TRUE(PumpUntil([&] {
    return mInput.IsKeyUp(87) && mInput.IsKeyUp(17) && mInput.IsKeyUp(116) && mInput.IsKeyUp(189);
  }));
}

TEST_F(WindowRealKeysTest, ButtonsHeldWhileTheMouseMovesAreSeen) {
  ASSERT_EQ(Xdotool("mousemove --window " + mId + " 50 50 mousedown 1 mousemove --window " + mId +
                    " 60 60"),
            0);
  EXPECT_TRUE(PumpUntil([&] { return mInput.IsMouseButtonDown(MOUSEBUTTON_LEFT); }));
  ASSERT_EQ(Xdotool("mouseup 1 mousemove --window " + mId + " 70 70"), 0);
  EXPECT_TRUE(PumpUntil([&] { return mInput.IsMouseButtonUp(MOUSEBUTTON_LEFT); }));
}

TEST_F(WindowRealKeysTest, MouseMotionIsMeasuredFromTheCentreAndTheCursorPutBack) {
  SDL_DisplayMode desktop{};
  ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0);
  InputHandlerX input(desktop.w, desktop.h);  // the desktop's own cursor
  const int32_t cx = desktop.w / 2, cy = desktop.h / 2;
  input.Update(0.01f);  // puts the cursor in the middle
  ASSERT_EQ(Xdotool("mousemove " + std::to_string(cx + 40) + " " + std::to_string(cy - 20)), 0);
  input.Update(0.01f);
  EXPECT_FLOAT_EQ(input.GetMouseDx(), 10.0f);
  EXPECT_FLOAT_EQ(input.GetMouseDy(), -5.0f);
  int32_t x = 0, y = 0;
  SDL_GetGlobalMouseState(&x, &y);
  EXPECT_EQ(x, cx);
  EXPECT_EQ(y, cy);
}

}  // namespace
