// Names for the mouse: the two buttons the scene tracks, the mouse modes a control can have
// (PR_IGNOREMOUSE) and the sets of modes that take a left press, a right press or hovering.
#pragma once

#include <cstdint>

namespace kuzo {

enum class MouseButton : uint8_t { kLeft, kRight };

// A control's mouse mode (PR_IGNOREMOUSE).
enum MouseMode : int32_t {
  kMouseTakesAll = 0,      // every mouse action
  kMouseTransparent = 1,   // nothing: the mouse reaches what lies beneath
  kMouseHoverOnly = 2,     // hovering (cursor, mouse in and out) but no clicks
  kMouseHoverRight = 3,    // hovering and the right button
  kMouseHoverLeft = 4,     // hovering and the left button
};

// A set of mouse modes 0..7 (bit m = mode m).
using MouseModeSet = uint8_t;
constexpr MouseModeSet ModeBit(MouseMode m) { return static_cast<MouseModeSet>(1u << m); }
constexpr MouseModeSet kModesLeftPress = ModeBit(kMouseTakesAll) | ModeBit(kMouseHoverLeft);
constexpr MouseModeSet kModesRightPress = ModeBit(kMouseTakesAll) | ModeBit(kMouseHoverRight);
constexpr MouseModeSet kModesHover =
    ModeBit(kMouseTakesAll) | ModeBit(kMouseHoverOnly) | ModeBit(kMouseHoverRight) | ModeBit(kMouseHoverLeft);
inline bool ModeInSet(int32_t mode, MouseModeSet set) { return mode >= 0 && mode <= 7 && (set >> mode) & 1; }

}  // namespace kuzo
