#pragma once
// The engine's side of the window's event queue. The window layer turns its events into
// MessageX values (key codes already translated to the 0-255 virtual-key codes of the key
// tables) and hands them out one by one; the engine's update drains the queue once per frame.
#include <cstdint>

struct MessageX {
  enum TypeX : int32_t {
    MESSAGE_KEYDOWN,       // mKey went down
    MESSAGE_KEYUP,         // mKey went up
    MESSAGE_MOUSEBUTTONS,  // the mouse moved; mLeftButton and mRightButton tell what is held
    MESSAGE_QUIT,          // the quit message: posted after a close request
    MESSAGE_OTHER,         // anything else: goes to the window procedure
  };
  TypeX mType = MESSAGE_OTHER;
  uint8_t mKey = 0;
  bool mLeftButton = false;
  bool mRightButton = false;
};

// Where messages come from: the window.
class IMessageSourceX {
 public:
  virtual ~IMessageSourceX() = default;
  // Takes the next waiting message without waiting; false when the queue is empty.
  virtual bool PeekMessageX(MessageX& message) = 0;
  // Hands a message the pump does not take itself to the window procedure.
  virtual void DispatchMessageX(const MessageX& message) = 0;
};

// Where key and button changes go: the input handler.
class IInputTargetX {
 public:
  virtual ~IInputTargetX() = default;
  virtual void SetKey(uint8_t virtualKey, bool down) = 0;
  virtual void SetMouseButtons(bool left, bool right) = 0;
};

// Drains the source: key and button messages go to the input target (when there is one), other
// messages are dispatched. Stops at the quit message and returns true; false when the queue ran
// empty.
bool PumpMessages(IMessageSourceX& source, IInputTargetX* input);
