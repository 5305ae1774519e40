// SDL scan codes to Windows virtual-key codes (US and Japanese layouts by physical position, as
// Windows reports the OEM keys).
#include "platform/key_map.h"

#include <SDL_scancode.h>

namespace kuzo::platform {

int VirtualKeyFromScancode(int scancode, bool numLock) {
  const int s = scancode;
  if (s >= SDL_SCANCODE_A && s <= SDL_SCANCODE_Z) return 0x41 + (s - SDL_SCANCODE_A);
  if (s >= SDL_SCANCODE_1 && s <= SDL_SCANCODE_9) return 0x31 + (s - SDL_SCANCODE_1);
  if (s == SDL_SCANCODE_0) return 0x30;
  if (s >= SDL_SCANCODE_F1 && s <= SDL_SCANCODE_F12) return vk::kF1 + (s - SDL_SCANCODE_F1);
  if (s >= SDL_SCANCODE_F13 && s <= SDL_SCANCODE_F24) return vk::kF1 + 12 + (s - SDL_SCANCODE_F13);
  if (s >= SDL_SCANCODE_KP_1 && s <= SDL_SCANCODE_KP_9) {
    if (numLock) return vk::kNumpad0 + 1 + (s - SDL_SCANCODE_KP_1);
    // Without NumLock the keypad is a second set of cursor keys.
    static constexpr int kNavigation[9] = {vk::kEnd,  vk::kDown, vk::kNext, vk::kLeft, 0x0C /* VK_CLEAR */,
                                           vk::kRight, vk::kHome, vk::kUp,  vk::kPrior};
    return kNavigation[s - SDL_SCANCODE_KP_1];
  }
  switch (s) {
    case SDL_SCANCODE_KP_0: return numLock ? vk::kNumpad0 : vk::kInsert;
    case SDL_SCANCODE_KP_PERIOD: return numLock ? vk::kDecimal : vk::kDelete;
    case SDL_SCANCODE_RETURN: case SDL_SCANCODE_KP_ENTER: case SDL_SCANCODE_RETURN2: return vk::kReturn;
    case SDL_SCANCODE_ESCAPE: return vk::kEscape;
    case SDL_SCANCODE_BACKSPACE: return vk::kBack;
    case SDL_SCANCODE_TAB: return vk::kTab;
    case SDL_SCANCODE_SPACE: return vk::kSpace;
    case SDL_SCANCODE_LSHIFT: case SDL_SCANCODE_RSHIFT: return vk::kShift;
    case SDL_SCANCODE_LCTRL: case SDL_SCANCODE_RCTRL: return vk::kControl;
    case SDL_SCANCODE_LALT: case SDL_SCANCODE_RALT: return vk::kMenu;
    case SDL_SCANCODE_LGUI: return vk::kLWin;
    case SDL_SCANCODE_RGUI: return vk::kRWin;
    case SDL_SCANCODE_APPLICATION: return vk::kApps;
    case SDL_SCANCODE_PAUSE: return vk::kPause;
    case SDL_SCANCODE_CAPSLOCK: return vk::kCapital;
    case SDL_SCANCODE_PAGEUP: return vk::kPrior;
    case SDL_SCANCODE_PAGEDOWN: return vk::kNext;
    case SDL_SCANCODE_END: return vk::kEnd;
    case SDL_SCANCODE_HOME: return vk::kHome;
    case SDL_SCANCODE_LEFT: return vk::kLeft;
    case SDL_SCANCODE_UP: return vk::kUp;
    case SDL_SCANCODE_RIGHT: return vk::kRight;
    case SDL_SCANCODE_DOWN: return vk::kDown;
    case SDL_SCANCODE_PRINTSCREEN: return vk::kSnapshot;
    case SDL_SCANCODE_INSERT: return vk::kInsert;
    case SDL_SCANCODE_DELETE: return vk::kDelete;
    case SDL_SCANCODE_KP_MULTIPLY: return vk::kMultiply;
    case SDL_SCANCODE_KP_PLUS: return vk::kAdd;
    case SDL_SCANCODE_KP_MINUS: return vk::kSubtract;
    case SDL_SCANCODE_KP_DIVIDE: return vk::kDivide;
    case SDL_SCANCODE_NUMLOCKCLEAR: return vk::kNumLock;
    case SDL_SCANCODE_SCROLLLOCK: return vk::kScroll;
    // OEM keys by position on a US board; the Japanese board's extra keys follow.
    case SDL_SCANCODE_SEMICOLON: return 0xBA;     // VK_OEM_1
    case SDL_SCANCODE_EQUALS: return 0xBB;        // VK_OEM_PLUS
    case SDL_SCANCODE_COMMA: return 0xBC;         // VK_OEM_COMMA
    case SDL_SCANCODE_MINUS: return 0xBD;         // VK_OEM_MINUS
    case SDL_SCANCODE_PERIOD: return 0xBE;        // VK_OEM_PERIOD
    case SDL_SCANCODE_SLASH: return 0xBF;         // VK_OEM_2
    case SDL_SCANCODE_GRAVE: return 0xC0;         // VK_OEM_3
    case SDL_SCANCODE_LEFTBRACKET: return 0xDB;   // VK_OEM_4
    case SDL_SCANCODE_BACKSLASH: return 0xDC;     // VK_OEM_5
    case SDL_SCANCODE_NONUSHASH: return 0xDC;
    case SDL_SCANCODE_RIGHTBRACKET: return 0xDD;  // VK_OEM_6
    case SDL_SCANCODE_APOSTROPHE: return 0xDE;    // VK_OEM_7
    case SDL_SCANCODE_NONUSBACKSLASH: return 0xE2;  // VK_OEM_102
    case SDL_SCANCODE_INTERNATIONAL1: return 0xE2;  // the "ro" key: VK_OEM_102 on a Japanese board
    case SDL_SCANCODE_INTERNATIONAL3: return 0xDC;  // the yen key
    case SDL_SCANCODE_INTERNATIONAL2: return 0xF2;  // katakana/hiragana: VK_OEM_COPY
    case SDL_SCANCODE_INTERNATIONAL4: return 0x1C;  // henkan: VK_CONVERT
    case SDL_SCANCODE_INTERNATIONAL5: return 0x1D;  // muhenkan: VK_NONCONVERT
    case SDL_SCANCODE_LANG1: return 0x15;           // VK_KANA
    case SDL_SCANCODE_LANG2: return 0x19;           // VK_KANJI
    default: return 0;
  }
}

}  // namespace kuzo::platform
