#pragma once
// Translation of SDL key codes to the 0-255 virtual-key codes the engine's key tables are indexed
// by (the Windows values: 'A'..'Z' 65-90, '0'..'9' 48-57, VK_F1 112, VK_LEFT 37, VK_OEM_PLUS 187
// ...).
#include <cstdint>

namespace VirtualKeysX {

constexpr uint8_t VK_NONE = 0;  // no virtual-key code: the key is not tracked

// Returns the virtual-key code of an SDL key code (SDL_Keycode), VK_NONE for keys without one.
// Letters and digits follow the keyboard layout, as on the platform the codes come from; left and
// right Shift and Control collapse onto the one Shift (16) and Control (17) code. Alt and F10 are
// system keys there and never reach the key table, so they have no code here either.
uint8_t FromSdlKey(int32_t key);

}  // namespace VirtualKeysX
