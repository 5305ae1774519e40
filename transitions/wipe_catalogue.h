// The catalogue of screen transitions: the 38 kinds by number, their names and default parameters,
// and the factory that creates one.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "transitions/custom_wipe.h"

namespace kuzo {

enum class WipeKind : int32_t {
  kFade = 1,
  kBlindH = 2,
  kBlindV = 3,
  kCurtainH = 4,
  kCurtainV = 5,
  kScrollH = 6,
  kScrollV = 7,
  kGrid = 8,
  kGridH = 9,
  kGridV = 10,
  kDither = 11,
  kWhite = 12,
  kBlack = 13,
  kFlash = 14,
  kMosaic = 15,
  kSudareH = 16,
  kSudareV = 17,
  kSpot = 18,
  kShadow = 19,
  kShadowWhite = 20,
  kShadowBlack = 21,
  kSmall = 22,
  kBig = 23,
  kRipple = 24,
  kBlurWhite = 25,
  kBlurBlack = 26,
  kTwistH = 27,
  kTwistV = 28,
  kCrack = 29,
  kZoomin = 30,
  kClockhand = 31,
  kRubberH = 32,
  kRubberV = 33,
  kFan = 34,
  kWFan = 35,
  kCircle = 36,
  kBlockCoil = 37,
  kBlockRandom = 38,
};
inline constexpr int32_t kWipeKindCount = 38;

using WipeFactory = std::unique_ptr<TCustomWipe> (*)(TCustomDIBX& dest, const TCustomDIBX& from,
                                                     const TCustomDIBX& to, const WipeServices& services);

struct WipeKindInfo {
  WipeKind kind;
  std::string_view className;  // "TWipeFade"
  std::string_view name;       // "fade": the short name kuzotool and the gallery show
  int32_t param0;              // defaults set through SetParam by CreateTransition
  int32_t param1;
  WipeFactory create;
};

// Every kind in number order.
std::span<const WipeKindInfo> WipeKinds();
// The kind with this number, or nullptr outside 1..38.
const WipeKindInfo* FindWipeKind(int32_t number);
// The kind with this short or class name (case as written), or nullptr.
const WipeKindInfo* FindWipeKind(std::string_view name);

// Creates transition `number` with its default parameters (parameter 0, then 1, through SetParam;
// the zoom takes the services' zoom centre when one is set); nullptr for a number outside 1..38.
std::unique_ptr<TCustomWipe> CreateTransition(int32_t number, TCustomDIBX& dest, const TCustomDIBX& from,
                                              const TCustomDIBX& to, const WipeServices& services = {});

}  // namespace kuzo
