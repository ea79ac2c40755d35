#include "engine/MessagePumpX.h"

bool PumpMessages(IMessageSourceX& source, IInputTargetX* input) {
  MessageX message;
  while (source.PeekMessageX(message)) {
    switch (message.mType) {
      case MessageX::MESSAGE_KEYDOWN:
        if (input) input->SetKey(message.mKey, true);
        break;
      case MessageX::MESSAGE_KEYUP:
        if (input) input->SetKey(message.mKey, false);
        break;
      case MessageX::MESSAGE_MOUSEBUTTONS:
        if (input) input->SetMouseButtons(message.mLeftButton, message.mRightButton);
        break;
      case MessageX::MESSAGE_QUIT:
        return true;
      case MessageX::MESSAGE_OTHER:
        source.DispatchMessageX(message);
        break;
    }
  }
  return false;
}
