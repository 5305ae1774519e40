// Component kind codes: the value of PR_COMPOTYPE, the byte that opens a saved component record,
// and the kind a creating command makes.
#pragma once

#include <cstdint>

namespace kuzo {

enum KindCode : int32_t {
  LT_NONE = 0, LT_AUDIO = 1, LT_BOX = 2, LT_BUTTON = 3, LT_CINEMA = 4, LT_EDIT = 5, LT_FIRE = 6,
  LT_HTTP = 7, LT_IMAGES = 8, LT_LABEL = 9, LT_MAP = 10, LT_MEMO = 11, LT_MENU = 12, LT_MES = 13,
  LT_PARTICLE = 14, LT_TIMER = 15, LT_VIDEO = 16, LT_SOUND = 17, LT_MAPIMG = 18, LT_WAVE = 19,
  LT_TILE = 20, LT_SLIDER = 21, LT_SCROLLBAR = 22, LT_GAUGE = 23, LT_CGLABEL = 24,
  LT_PREVMENU = 25, LT_PROPMOTION = 26, LT_CABINET = 27,
};
constexpr int32_t kMaxKindCode = LT_CABINET;
// Display names of the kind codes (Shift-JIS); empty for codes outside 0..27.
const char* KindDisplayName(int32_t code);
const char* KindConstantName(int32_t code);

}  // namespace kuzo
