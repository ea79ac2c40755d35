// Keyboard state machine, mouse motion with a stand-in cursor, and the SDL key translation.
#include <SDL2/SDL_keyboard.h>
#include <gtest/gtest.h>

#include "CursorStandInX.h"
#include "engine/InputHandlerX.h"
#include "engine/VirtualKeysX.h"

namespace {

constexpr uint8_t kW = 87;

// One engine frame as the engine runs it: pump writes, update, game reads, end of frame.
struct Frame {
  bool pressed, down, released;
  uint32_t stateAfterUpdate;
};

Frame RunFrame(InputHandlerX& input, float dt, uint8_t key) {
  input.Update(dt);
  Frame f{input.IsKeyPressed(key), input.IsKeyDown(key), input.IsKeyReleased(key),
          input.GetKeyState(key)};
  input.EndFrame();
  return f;
}

class InputHandlerTest : public ::testing::Test {
 protected:
  CursorStandInX cursor;
  InputHandlerX input{800, 600, &cursor};
};

TEST_F(InputHandlerTest, PressIsNewInExactlyOneFrameAndReleaseLikewise) {
  input.SetKey(kW, true);
  Frame first = RunFrame(input, 0.016f, kW);
  EXPECT_TRUE(first.pressed);
  EXPECT_TRUE(first.down);
  for (int i = 0; i < 3; ++i) {
    Frame held = RunFrame(input, 0.016f, kW);
    EXPECT_FALSE(held.pressed);
    EXPECT_TRUE(held.down);
    EXPECT_FALSE(held.released);
  }
  input.SetKey(kW, false);
  // The release shows between the pump and the keyboard update, which forgets the key.
  EXPECT_TRUE(input.IsKeyReleased(kW));
  Frame release = RunFrame(input, 0.016f, kW);
  EXPECT_FALSE(release.down);
  EXPECT_TRUE(input.IsKeyUp(kW));
  Frame after = RunFrame(input, 0.016f, kW);
  EXPECT_FALSE(after.released);
  EXPECT_FALSE(after.pressed);
}

TEST_F(InputHandlerTest, HeldKeyReadsTwoFromTheRepeatDelayOnAndHoldTimeResets) {
  input.SetKey(kW, true);
  // 0.25 s frames: the hold time reaches 1.0 s in the fourth frame.
  std::vector<uint32_t> states;
  for (int i = 0; i < 6; ++i) states.push_back(RunFrame(input, 0.25f, kW).stateAfterUpdate);
  EXPECT_EQ(states, (std::vector<uint32_t>{0, 1, 1, 2, 2, 2}));
  EXPECT_FLOAT_EQ(input.GetKeyboard().mHoldTimes[kW], 1.5f);
  // The end-of-frame copy sets the state back to 1 while the key is down.
  EXPECT_EQ(input.GetKeyState(kW), 1u);
  input.SetKey(kW, false);
  RunFrame(input, 0.25f, kW);
  EXPECT_EQ(input.GetKeyboard().mHoldTimes[kW], 0.0f);
  input.SetKey(kW, true);
  EXPECT_EQ(RunFrame(input, 0.25f, kW).stateAfterUpdate, 0u);
  EXPECT_FLOAT_EQ(input.GetKeyboard().mHoldTimes[kW], 0.25f);
}

TEST_F(InputHandlerTest, DownAndUpInOneFrameLeaveTheKeyUp) {
  input.SetKey(kW, true);
  input.SetKey(kW, false);
  Frame f = RunFrame(input, 0.016f, kW);
  EXPECT_FALSE(f.pressed);
  EXPECT_FALSE(f.down);
}

TEST_F(InputHandlerTest, MouseMotionIsAQuarterOfTheOffsetAndTheCursorGoesBack) {
  cursor.mX = 408;
  cursor.mY = 296;
  input.Update(0.016f);
  EXPECT_FLOAT_EQ(input.GetMouseDx(), 2.0f);
  EXPECT_FLOAT_EQ(input.GetMouseDy(), -1.0f);
  EXPECT_EQ(cursor.mX, 400.0f);
  EXPECT_EQ(cursor.mY, 300.0f);
  input.Update(0.016f);  // the cursor stayed where it was put
  EXPECT_EQ(input.GetMouseDx(), 0.0f);
  EXPECT_EQ(input.GetMouseDy(), 0.0f);
}

TEST(InputHandler, StillMouseOnAnOddSizedScreenDoesNotDrift) {
  CursorStandInX cursor;
  InputHandlerX input(1281, 721, &cursor);
  input.Update(0.016f);  // puts the cursor on the centre pixel
  EXPECT_EQ(cursor.mX, 640.0f);
  EXPECT_EQ(cursor.mY, 360.0f);
  for (int i = 0; i < 3; ++i) {
    input.Update(0.016f);
    EXPECT_EQ(input.GetMouseDx(), 0.0f);
    EXPECT_EQ(input.GetMouseDy(), 0.0f);
  }
}

TEST_F(InputHandlerTest, MouseButtonsPressedAndReleasedAgainstThePreviousFrame) {
  input.SetMouseButtons(true, false);
  EXPECT_TRUE(input.IsMouseButtonPressed(MOUSEBUTTON_LEFT));
  EXPECT_FALSE(input.IsMouseButtonPressed(MOUSEBUTTON_RIGHT));
  input.EndFrame();
  EXPECT_FALSE(input.IsMouseButtonPressed(MOUSEBUTTON_LEFT));
  EXPECT_TRUE(input.IsMouseButtonDown(MOUSEBUTTON_LEFT));
  input.SetMouseButtons(false, true);
  EXPECT_TRUE(input.IsMouseButtonReleased(MOUSEBUTTON_LEFT));
  EXPECT_TRUE(input.IsMouseButtonPressed(MOUSEBUTTON_RIGHT));
  EXPECT_TRUE(input.IsMouseButtonUp(MOUSEBUTTON_LEFT));
}

TEST_F(InputHandlerTest, LosingTheFocusLetsGoOfHeldKeysButtonsAndMotion) {
  input.SetKey(kW, true);
  input.SetMouseButtons(true, true);
  cursor.mX = 500;
  input.Update(0.016f);
  ASSERT_TRUE(input.IsKeyPressed(kW));
  ASSERT_NE(input.GetMouseDx(), 0.0f);
  input.ReleaseAll();
  // Inactive frames run neither the update nor the end-of-frame copy: nothing may read as new.
  for (int i = 0; i < 2; ++i) {
    EXPECT_FALSE(input.IsKeyPressed(kW));
    EXPECT_FALSE(input.IsMouseButtonPressed(MOUSEBUTTON_LEFT));
    EXPECT_EQ(input.GetMouseDx(), 0.0f);
  }
}

// System and unknown keys have no code (VK_NONE).
TEST(VirtualKeys, EveryKeyOfTheGameMapsToItsCodeAndNoOtherKeyDoes) {
  using VirtualKeysX::FromSdlKey;
  const std::pair<SDL_Keycode, int> table[] = {
      {SDLK_UP, 38},        {SDLK_DOWN, 40},    {SDLK_LEFT, 37},     {SDLK_RIGHT, 39},
      {SDLK_w, 87},         {SDLK_s, 83},       {SDLK_a, 65},        {SDLK_d, 68},
      {SDLK_b, 66},         {SDLK_v, 86},       {SDLK_k, 75},        {SDLK_j, 74},
      {SDLK_LCTRL, 17},     {SDLK_RCTRL, 17},   {SDLK_SPACE, 32},    {SDLK_END, 35},
      {SDLK_LSHIFT, 16},    {SDLK_RSHIFT, 16},  {SDLK_1, 49},        {SDLK_2, 50},
      {SDLK_3, 51},         {SDLK_ESCAPE, 27},  {SDLK_F1, 112},      {SDLK_F2, 113},
      {SDLK_F3, 114},       {SDLK_F4, 115},     {SDLK_F5, 116},      {SDLK_F6, 117},
      {SDLK_F7, 118},       {SDLK_EQUALS, 187}, {SDLK_KP_PLUS, 107}, {SDLK_MINUS, 189},
      {SDLK_KP_MINUS, 109}, {SDLK_z, 90},       {SDLK_0, 48},        {SDLK_9, 57},
      {SDLK_F12, 123},      {SDLK_LALT, 0},     {SDLK_F10, 0},       {SDLK_UNKNOWN, 0},
      {SDLK_AUDIOPLAY, 0},
  };
  for (const auto& [sdl, vk] : table) EXPECT_EQ(FromSdlKey(sdl), vk) << SDL_GetKeyName(sdl);
}

}  // namespace
