#pragma once
// Stand-in cursors. CursorStandInX stays where it is put: the tests set mX and mY, the input
// handler moves it back to the window's middle; it counts those moves.
#include "engine/InputHandlerX.h"

class CursorStandInX : public ICursorX {
 public:
  CursorStandInX() = default;
  CursorStandInX(float x, float y) : mX(x), mY(y) {}
  void GetPosition(float& x, float& y) override {
    x = mX;
    y = mY;
  }
  void MoveTo(int32_t x, int32_t y) override {
    mX = static_cast<float>(x);
    mY = static_cast<float>(y);
    ++mMoves;
  }

  float mX = 0, mY = 0;
  int mMoves = 0;
};

// A cursor that stays at the screen's corner whatever it is told, for tests that feed only
// keys and buttons.
class CursorAtCornerX : public ICursorX {
 public:
  void GetPosition(float& x, float& y) override { x = y = 0; }
  void MoveTo(int32_t, int32_t) override {}
};
