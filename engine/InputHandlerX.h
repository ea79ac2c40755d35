#pragma once
// Keyboard and mouse state between frames. The message pump writes key and button changes into
// the current state; Update measures hold times and mouse motion once per frame and re-centres
// the cursor; the game controls read the queries; EndFrame makes this frame's state the previous
// one, so a press is seen as new in exactly one frame.
#include <array>
#include <cstdint>
#include <memory>

#include "engine/MessagePumpX.h"

// Where the cursor is read from and moved to: the desktop's cursor, or a stand-in in tests.
class ICursorX {
 public:
  virtual ~ICursorX() = default;
  // Cursor position in screen pixels.
  virtual void GetPosition(float& x, float& y) = 0;
  virtual void MoveTo(int32_t x, int32_t y) = 0;
};

// The desktop cursor through SDL (global screen coordinates).
class SdlCursorX : public ICursorX {
 public:
  void GetPosition(float& x, float& y) override;
  void MoveTo(int32_t x, int32_t y) override;
};

struct KeyboardStateX {
  static constexpr int32_t sNumKeys = 256;
  // Key states: 0 up, 1 down, 2 down for at least the repeat delay.
  static constexpr uint32_t sKeyUp = 0;
  static constexpr uint32_t sKeyDown = 1;
  static constexpr uint32_t sKeyHeld = 2;

  float mRepeatDelay = 1.0f;                      // seconds
  std::array<uint32_t, sNumKeys> mKeyStates{};    // at the end of the previous frame
  std::array<uint32_t, sNumKeys> mCurrentKeys{};  // 1 while down; written by the pump
  std::array<float, sNumKeys> mHoldTimes{};       // seconds the key has been down
};

struct MouseStateX {
  float mX = 0.0f, mY = 0.0f;              // cursor position read this frame
  float mCenterX = 0.0f, mCenterY = 0.0f;  // where the cursor is put back every frame
  float mDx = 0.0f, mDy = 0.0f;            // motion of this frame, scaled by 0.25
  bool mLeft = false, mRight = false;      // buttons down now; written by the pump
  bool mPreviousLeft = false, mPreviousRight = false;
};

enum MouseButtonX { MOUSEBUTTON_LEFT, MOUSEBUTTON_RIGHT };

class InputHandlerX : public IInputTargetX {
 public:
  // The mouse centre is taken from the screen size. Without a cursor the desktop cursor is used.
  InputHandlerX(int32_t screenWidth, int32_t screenHeight, ICursorX* cursor = nullptr);
  ~InputHandlerX() override;
  InputHandlerX(const InputHandlerX&) = delete;
  InputHandlerX& operator=(const InputHandlerX&) = delete;

  // Keyboard update, then mouse update (reads the cursor and moves it back to the centre).
  void Update(float dt);
  // End of frame: key states := current keys, previous buttons := buttons.
  void EndFrame();

  // Written by the message pump.
  void SetKey(uint8_t virtualKey, bool down) override;
  void SetMouseButtons(bool left, bool right) override;
  // The window lost the focus: no key-up or button-up will arrive for what is held now, so
  // everything is let go and this frame's motion is dropped.
  void ReleaseAll();

  // Keyboard queries for a virtual-key code.
  bool IsKeyDown(uint8_t key) const;
  bool IsKeyPressed(uint8_t key) const;  // down now, up at the end of the previous frame
  bool IsKeyReleased(uint8_t key) const;
  bool IsKeyUp(uint8_t key) const;
  uint32_t GetKeyState(uint8_t key) const { return mKeyboard.mKeyStates[key]; }

  bool IsMouseButtonDown(MouseButtonX button) const;
  bool IsMouseButtonPressed(MouseButtonX button) const;
  bool IsMouseButtonReleased(MouseButtonX button) const;
  bool IsMouseButtonUp(MouseButtonX button) const { return !IsMouseButtonDown(button); }
  float GetMouseDx() const { return mMouse.mDx; }
  float GetMouseDy() const { return mMouse.mDy; }

  const KeyboardStateX& GetKeyboard() const { return mKeyboard; }
  const MouseStateX& GetMouse() const { return mMouse; }

 private:
  void UpdateKeyboard(float dt);
  void UpdateMouse();
  bool WasMouseButtonDown(MouseButtonX button) const;

  KeyboardStateX mKeyboard;
  MouseStateX mMouse;
  int32_t mWarpX = 0, mWarpY = 0;  // the centre in whole pixels
  std::unique_ptr<ICursorX> mOwnedCursor;  // the desktop's, when none was given
  ICursorX* mCursor = nullptr;
};
