// The window and the message pump's dispatch on an SDL window of the offscreen driver, fed with
// synthetic events. Real X input is tested in WindowRealKeysTest.
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
  // Hands one event straight to the window, as the pump would (a real X server sends focus
  // changes of its own, so these do not go through the queue).
  void Deliver(const SDL_Event& event) {
    MessageX message;
    WindowX::TranslateMessageX(event, message);
    switch (message.mType) {
      case MessageX::MESSAGE_KEYDOWN:
      case MessageX::MESSAGE_KEYUP:
        mInput.SetKey(message.mKey, message.mType == MessageX::MESSAGE_KEYDOWN);
        break;
      default:
        mWindow.WindowProcedure(event);
    }
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
    e.window.windowID = SDL_GetWindowID(mWindow.GetWindowHandle());
    return e;
  }

  ReportCaptureX mLog;
  WindowX mWindow;
  CursorAtCornerX mCursor;
  InputHandlerX mInput{320, 240, &mCursor};
};

TEST_F(WindowTest, OpensActiveAndClosesWithItsLogLines) {
  EXPECT_TRUE(mLog.HasText("Opening a DirectX window"));
  EXPECT_TRUE(mLog.HasText("Video driver: offscreen"));
  EXPECT_TRUE(mLog.HasText("Window Created"));
  EXPECT_TRUE(WindowX::IsWindowActive());
  EXPECT_NE(mWindow.GetWindowHandle(), nullptr);
  EXPECT_EQ(mWindow.GetWindowType(), WindowX::WINDOWTYPE_DIRECTX);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
  mWindow.KillWindow();
  EXPECT_TRUE(mLog.HasText("Window deleted, DirectX"));
  EXPECT_EQ(mWindow.GetWindowHandle(), nullptr);
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

TEST_F(WindowTest, CloseRequestPostsTheQuitMessage) {
  // SDL hands out events posted while the queue is drained at the next drain, so the quit
  // message comes through this pump or the next frame's.
  const bool quitNow = Pump({WindowEvent(SDL_WINDOWEVENT_CLOSE)});
  EXPECT_TRUE(quitNow || Pump({}));
}

TEST_F(WindowTest, KeysWithoutAVirtualKeyAreOtherMessages) {
  MessageX message;
  WindowX::TranslateMessageX(Key(SDLK_LALT, true), message);
  EXPECT_EQ(message.mType, MessageX::MESSAGE_OTHER);
  WindowX::TranslateMessageX(Key(SDLK_KP_PLUS, false), message);
  EXPECT_EQ(message.mType, MessageX::MESSAGE_KEYUP);
  EXPECT_EQ(message.mKey, 107);
}

TEST_F(WindowTest, FocusDecidesActivationAndLosingItLetsGoOfKeys) {
  Deliver(Key(SDLK_SPACE, true));
  ASSERT_TRUE(mInput.IsKeyDown(32));
  Deliver(WindowEvent(SDL_WINDOWEVENT_FOCUS_LOST));
  EXPECT_FALSE(WindowX::IsWindowActive());
  EXPECT_TRUE(mInput.IsKeyUp(32));
  Deliver(WindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED));
  EXPECT_TRUE(WindowX::IsWindowActive());
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
