// Keyboard keys as the titles' scripts know them: Windows virtual-key codes (VK_RETURN 0x0D,
// VK_LEFT 0x25, "A".."Z" 0x41..0x5A, "0".."9" 0x30..0x39, F1 0x70 ...), mapped from SDL scan codes.
#pragma once

#include <cstdint>

namespace kuzo::platform {

namespace vk {
constexpr int kBack = 0x08, kTab = 0x09, kReturn = 0x0D, kShift = 0x10, kControl = 0x11, kMenu = 0x12,
              kPause = 0x13, kCapital = 0x14, kEscape = 0x1B, kSpace = 0x20, kPrior = 0x21, kNext = 0x22,
              kEnd = 0x23, kHome = 0x24, kLeft = 0x25, kUp = 0x26, kRight = 0x27, kDown = 0x28,
              kSnapshot = 0x2C, kInsert = 0x2D, kDelete = 0x2E, kLWin = 0x5B, kRWin = 0x5C, kApps = 0x5D,
              kNumpad0 = 0x60, kMultiply = 0x6A, kAdd = 0x6B, kSubtract = 0x6D, kDecimal = 0x6E,
              kDivide = 0x6F, kF1 = 0x70, kNumLock = 0x90, kScroll = 0x91;
}  // namespace vk

// The virtual-key code of an SDL scan code (SDL_Scancode as int), or 0 for keys Windows has no
// code for. `numLock` decides whether the keypad's digit keys give digits or their cursor keys.
int VirtualKeyFromScancode(int scancode, bool numLock);

}  // namespace kuzo::platform
