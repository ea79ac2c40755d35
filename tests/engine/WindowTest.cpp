// The window and the message pump's dispatch on an SDL window of the offscreen driver, fed with
// synthetic events. Real X input is tested in WindowRealKeysTest.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "CursorStandInX.h"
#include "ReportCaptureX.h"
#include "engine/InputHandlerX.h"
#include "engine/WindowX.h"

namespace {

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Synthetic events only: SDL's offscreen driver, so that no X server's own focus changes
    // (other programs' windows) mix in.
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    if (!mWindow.CreateWindowX(nullptr, 320, 240)) GTEST_SKIP() << "no video device";
    mWindow.SetQuitRequest([this] { ++mQuitRequests; });
    mWindow.SetInputHandler(&mInput);
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  }
  void TearDown() override { mWindow.KillWindow(); }

  // Pushes the events, then drains the queue through the engine's message pump. Returns true
  // when the quit message came through.
  bool Pump(std::vector<SDL_Event> events) {
    for (SDL_Event& e : events) SDL_PushEvent(&e);
    return PumpMessages(mWindow, &mInput);
  }

  static SDL_Event Key(SDL_Keycode key, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = key;
    return e;
  }
  SDL_Event WindowEvent(SDL_WindowEventID id) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = id;
    e.window.windowID = mWindow.GetWindowId();
    return e;
  }

  ReportCaptureX mLog;
  WindowX mWindow;
  CursorAtCornerX mCursor;
  InputHandlerX mInput{320, 240, &mCursor};
  int mQuitRequests = 0;
};

TEST_F(WindowTest, OpensActiveAndClosesWithItsLogLines) {
  EXPECT_TRUE(mLog.HasText("Opening a DirectX window"));
  EXPECT_TRUE(mLog.HasText("Video driver: offscreen"));
  EXPECT_TRUE(mLog.HasText("Window Created"));
  EXPECT_TRUE(WindowX::IsWindowActive());
  EXPECT_TRUE(mWindow.IsOpen());
  EXPECT_NE(mWindow.GetWindowId(), 0u);
  EXPECT_EQ(mWindow.GetWindowType(), WindowX::WINDOWTYPE_DIRECTX);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
  mWindow.KillWindow();
  EXPECT_TRUE(mLog.HasText("Window deleted, DirectX"));
  EXPECT_FALSE(mWindow.IsOpen());
}

TEST_F(WindowTest, KeysAndButtonsReachTheInputHandlerAsVirtualKeys) {
  SDL_Event motion{};
  motion.type = SDL_MOUSEMOTION;
  motion.motion.state = SDL_BUTTON_LMASK;
  EXPECT_FALSE(Pump({Key(SDLK_w, true), Key(SDLK_LCTRL, true), Key(SDLK_F7, true), motion}));
  EXPECT_TRUE(mInput.IsKeyDown(87));
  EXPECT_TRUE(mInput.IsKeyDown(17));
  EXPECT_TRUE(mInput.IsKeyDown(118));
  EXPECT_TRUE(mInput.IsMouseButtonDown(MOUSEBUTTON_LEFT));
  EXPECT_FALSE(mInput.IsMouseButtonDown(MOUSEBUTTON_RIGHT));

  motion.motion.state = SDL_BUTTON_RMASK;
  Pump({Key(SDLK_w, false), Key(SDLK_ESCAPE, true), Key(SDLK_ESCAPE, false), motion});
  EXPECT_TRUE(mInput.IsKeyUp(87));
  EXPECT_TRUE(mInput.IsKeyUp(27));  // down and up in one pump
  EXPECT_TRUE(mInput.IsMouseButtonDown(MOUSEBUTTON_RIGHT));
  EXPECT_FALSE(mInput.IsMouseButtonDown(MOUSEBUTTON_LEFT));
}

TEST_F(WindowTest, MouseButtonsAreReadOnlyFromMotion) {
  SDL_Event button{};
  button.type = SDL_MOUSEBUTTONDOWN;
  button.button.button = SDL_BUTTON_LEFT;
  button.button.state = SDL_PRESSED;
  Pump({button});
  EXPECT_FALSE(mInput.IsMouseButtonDown(MOUSEBUTTON_LEFT));
}

TEST_F(WindowTest, CloseRequestPostsTheQuitMessageAndAsksTheOwnerToQuit) {
  // SDL hands out events posted while the queue is drained at the next drain, so the quit
  // message comes through this pump or the next frame's.
  const bool quitNow = Pump({WindowEvent(SDL_WINDOWEVENT_CLOSE)});
  EXPECT_TRUE(quitNow || Pump({}));
  EXPECT_EQ(mQuitRequests, 1);
}

TEST_F(WindowTest, KeysWithoutAVirtualKeyAreLeftOut) {
  Pump({Key(SDLK_LALT, true), Key(SDLK_KP_PLUS, true)});
  EXPECT_TRUE(mInput.IsKeyDown(107));
  int down = 0;
  for (int key = 0; key < KeyboardStateX::sNumKeys; ++key) down += mInput.IsKeyDown(uint8_t(key));
  EXPECT_EQ(down, 1);  // Alt never reaches the key table
}

TEST_F(WindowTest, FocusDecidesActivationAndLosingItLetsGoOfKeys) {
  Pump({Key(SDLK_SPACE, true)});
  ASSERT_TRUE(mInput.IsKeyDown(32));
  Pump({WindowEvent(SDL_WINDOWEVENT_FOCUS_LOST)});
  EXPECT_FALSE(WindowX::IsWindowActive());
  EXPECT_TRUE(mInput.IsKeyUp(32));
  Pump({WindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED)});
  EXPECT_TRUE(WindowX::IsWindowActive());
}

TEST_F(WindowTest, SizeChangesReachTheResizeListener) {
  uint32_t width = 0, height = 0;
  mWindow.KillWindow();
  ASSERT_TRUE(mWindow.CreateWindowX(
      [&](uint32_t w, uint32_t h) {
        width = w;
        height = h;
      },
      320, 240));
  EXPECT_EQ(width, 320u);
  SDL_Event size = WindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED);
  size.window.data1 = 640;
  size.window.data2 = 360;
  Pump({size});
  EXPECT_EQ(width, 640u);
  EXPECT_EQ(height, 360u);
}

TEST(WindowDriver, ADriverThatShowsNothingIsUsedOnlyWhenAskedFor) {
  EXPECT_FALSE(WindowX::IsUnseenFallback("x11", nullptr));
  EXPECT_FALSE(WindowX::IsUnseenFallback("wayland", "offscreen"));
  EXPECT_TRUE(WindowX::IsUnseenFallback("offscreen", nullptr));
  EXPECT_TRUE(WindowX::IsUnseenFallback("dummy", "x11"));
  EXPECT_TRUE(WindowX::IsUnseenFallback(nullptr, nullptr));
  EXPECT_FALSE(WindowX::IsUnseenFallback("offscreen", "offscreen"));
  EXPECT_FALSE(WindowX::IsUnseenFallback("dummy", "x11,dummy"));
}

}  // namespace
