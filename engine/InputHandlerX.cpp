#include "engine/InputHandlerX.h"

#include <SDL2/SDL_mouse.h>

void SdlCursorX::GetPosition(float& x, float& y) {
  int32_t ix = 0, iy = 0;
  SDL_GetGlobalMouseState(&ix, &iy);
  x = static_cast<float>(ix);
  y = static_cast<float>(iy);
}

void SdlCursorX::MoveTo(int32_t x, int32_t y) { SDL_WarpMouseGlobal(x, y); }

InputHandlerX::InputHandlerX(int32_t screenWidth, int32_t screenHeight, ICursorX* cursor)
    : mOwnedCursor(cursor ? nullptr : std::make_unique<SdlCursorX>()),
      mCursor(cursor ? cursor : mOwnedCursor.get()) {
  // The cursor can only be put on whole pixels, so the centre the motion is measured from is
  // that same whole pixel: half a pixel of difference on an odd-sized screen would read as a
  // constant motion and turn the camera without end.
  mWarpX = screenWidth / 2;
  mWarpY = screenHeight / 2;
  mMouse.mCenterX = static_cast<float>(mWarpX);
  mMouse.mCenterY = static_cast<float>(mWarpY);
}

InputHandlerX::~InputHandlerX() = default;

void InputHandlerX::Update(float dt) {
  UpdateKeyboard(dt);
  UpdateMouse();
}

void InputHandlerX::UpdateKeyboard(float dt) {
  for (int32_t k = 0; k < KeyboardStateX::sNumKeys; ++k) {
    uint32_t& state = mKeyboard.mKeyStates[k];
    float& hold = mKeyboard.mHoldTimes[k];
    if (mKeyboard.mCurrentKeys[k] == 1) {
      if (state == KeyboardStateX::sKeyDown || state == KeyboardStateX::sKeyHeld) {
        hold += dt;
        if (hold >= mKeyboard.mRepeatDelay) state = KeyboardStateX::sKeyHeld;
      } else {
        hold = dt;
      }
    } else {
      state = KeyboardStateX::sKeyUp;
      hold = 0.0f;
    }
  }
}

void InputHandlerX::UpdateMouse() {
  mCursor->GetPosition(mMouse.mX, mMouse.mY);
  mCursor->MoveTo(mWarpX, mWarpY);
  mMouse.mDx = (mMouse.mX - mMouse.mCenterX) * 0.25f;
  mMouse.mDy = (mMouse.mY - mMouse.mCenterY) * 0.25f;
}

void InputHandlerX::EndFrame() {
  mKeyboard.mKeyStates = mKeyboard.mCurrentKeys;
  mMouse.mPreviousLeft = mMouse.mLeft;
  mMouse.mPreviousRight = mMouse.mRight;
}

void InputHandlerX::SetKey(uint8_t virtualKey, bool down) {
  mKeyboard.mCurrentKeys[virtualKey] = down ? 1 : 0;
}

void InputHandlerX::SetMouseButtons(bool left, bool right) {
  mMouse.mLeft = left;
  mMouse.mRight = right;
}

void InputHandlerX::ReleaseAll() {
  mKeyboard.mCurrentKeys.fill(0);
  mMouse.mLeft = false;
  mMouse.mRight = false;
  mMouse.mDx = 0.0f;
  mMouse.mDy = 0.0f;
}

bool InputHandlerX::IsKeyDown(uint8_t key) const {
  const uint32_t current = mKeyboard.mCurrentKeys[key];
  return current == 1 || current == 2;
}

bool InputHandlerX::IsKeyPressed(uint8_t key) const {
  return IsKeyDown(key) && mKeyboard.mKeyStates[key] == KeyboardStateX::sKeyUp;
}

bool InputHandlerX::IsKeyReleased(uint8_t key) const {
  const uint32_t state = mKeyboard.mKeyStates[key];
  return mKeyboard.mCurrentKeys[key] == 0 &&
         (state == KeyboardStateX::sKeyDown || state == KeyboardStateX::sKeyHeld);
}

bool InputHandlerX::IsKeyUp(uint8_t key) const { return mKeyboard.mCurrentKeys[key] == 0; }

bool InputHandlerX::IsMouseButtonDown(MouseButtonX button) const {
  return button == MOUSEBUTTON_LEFT ? mMouse.mLeft : mMouse.mRight;
}

bool InputHandlerX::WasMouseButtonDown(MouseButtonX button) const {
  return button == MOUSEBUTTON_LEFT ? mMouse.mPreviousLeft : mMouse.mPreviousRight;
}

bool InputHandlerX::IsMouseButtonPressed(MouseButtonX button) const {
  return IsMouseButtonDown(button) && !WasMouseButtonDown(button);
}

bool InputHandlerX::IsMouseButtonReleased(MouseButtonX button) const {
  return !IsMouseButtonDown(button) && WasMouseButtonDown(button);
}
