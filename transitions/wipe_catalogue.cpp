// The transition table: one row per kind drives creation, names and defaults.
#include "transitions/wipe_catalogue.h"

#include <array>

#include "transitions/wipe_basic.h"
#include "transitions/wipe_distort.h"
#include "transitions/wipe_masks.h"
#include "transitions/wipe_rule.h"
#include "transitions/wipe_shapes.h"
#include "transitions/wipe_smear.h"

namespace kuzo {
namespace {

template <class T>
std::unique_ptr<TCustomWipe> Make(TCustomDIBX& dest, const TCustomDIBX& from, const TCustomDIBX& to,
                                  const WipeServices& services) {
  return std::make_unique<T>(dest, from, to, services);
}

constexpr std::array<WipeKindInfo, kWipeKindCount> kKinds = {{
    {WipeKind::kFade, "TWipeFade", "fade", 0, 0, Make<TWipeFade>},
    {WipeKind::kBlindH, "TWipeBlindH", "blindh", 20, 1, Make<TWipeBlindH>},
    {WipeKind::kBlindV, "TWipeBlindV", "blindv", 20, 1, Make<TWipeBlindV>},
    {WipeKind::kCurtainH, "TWipeCurtainH", "curtainh", 30, 1, Make<TWipeCurtainH>},
    {WipeKind::kCurtainV, "TWipeCurtainV", "curtainv", 30, 1, Make<TWipeCurtainV>},
    {WipeKind::kScrollH, "TWipeScrollH", "scrollh", 0, 0, Make<TWipeScrollH>},
    {WipeKind::kScrollV, "TWipeScrollV", "scrollv", 0, 0, Make<TWipeScrollV>},
    {WipeKind::kGrid, "TWipeGrid", "grid", 80, 30, Make<TWipeGrid>},
    {WipeKind::kGridH, "TWipeGridH", "gridh", 80, 30, Make<TWipeGridH>},
    {WipeKind::kGridV, "TWipeGridV", "gridv", 80, 30, Make<TWipeGridV>},
    {WipeKind::kDither, "TWipeDither", "dither", 0, 0, Make<TWipeDither>},
    {WipeKind::kWhite, "TWipeWhite", "white", 0, 0, Make<TWipeWhite>},
    {WipeKind::kBlack, "TWipeBlack", "black", 0, 0, Make<TWipeBlack>},
    {WipeKind::kFlash, "TWipeFlash", "flash", 0, 0, Make<TWipeFlash>},
    {WipeKind::kMosaic, "TWipeMosaic", "mosaic", 0, 0, Make<TWipeMosaic>},
    {WipeKind::kSudareH, "TWipeSudareH", "sudareh", 0, 0, Make<TWipeSudareH>},
    {WipeKind::kSudareV, "TWipeSudareV", "sudarev", 0, 0, Make<TWipeSudareV>},
    {WipeKind::kSpot, "TWipeSpot", "spot", 0, 0, Make<TWipeSpot>},
    {WipeKind::kShadow, "TWipeShadow", "shadow", 0, 0, Make<TWipeShadow>},
    {WipeKind::kShadowWhite, "TWipeShadowWhite", "shadowwhite", 0, 0, Make<TWipeShadowWhite>},
    {WipeKind::kShadowBlack, "TWipeShadowBlack", "shadowblack", 0, 0, Make<TWipeShadowBlack>},
    {WipeKind::kSmall, "TWipeSmall", "small", 0, 0, Make<TWipeSmall>},
    {WipeKind::kBig, "TWipeBig", "big", 0, 0, Make<TWipeBig>},
    {WipeKind::kRipple, "TWipeRipple", "ripple", 5, 0, Make<TWipeRipple>},
    {WipeKind::kBlurWhite, "TWipeBlurWhite", "blurwhite", 0, 0, Make<TWipeBlurWhite>},
    {WipeKind::kBlurBlack, "TWipeBlurBlack", "blurblack", 0, 0, Make<TWipeBlurBlack>},
    {WipeKind::kTwistH, "TWipeTwistH", "twisth", 0, 0, Make<TWipeTwistH>},
    {WipeKind::kTwistV, "TWipeTwistV", "twistv", 0, 0, Make<TWipeTwistV>},
    {WipeKind::kCrack, "TWipeCrack", "crack", 64, 3, Make<TWipeCrack>},
    {WipeKind::kZoomin, "TWipeZoomin", "zoomin", 0, 0, Make<TWipeZoomin>},
    {WipeKind::kClockhand, "TWipeClockhand", "clockhand", 0, 0, Make<TWipeClockhand>},
    {WipeKind::kRubberH, "TWipeRubberH", "rubberh", 0, 0, Make<TWipeRubberH>},
    {WipeKind::kRubberV, "TWipeRubberV", "rubberv", 0, 0, Make<TWipeRubberV>},
    {WipeKind::kFan, "TWipeFan", "fan", 0, 0, Make<TWipeFan>},
    {WipeKind::kWFan, "TWipeWFan", "wfan", 0, 0, Make<TWipeWFan>},
    {WipeKind::kCircle, "TWipeCircle", "circle", 0, 0, Make<TWipeCircle>},
    {WipeKind::kBlockCoil, "TWipeBlockCoil", "blockcoil", 60, 0, Make<TWipeBlockCoil>},
    {WipeKind::kBlockRandom, "TWipeBlockRandom", "blockrandom", 60, 0, Make<TWipeBlockRandom>},
}};

// The table is in number order, so a number is its row plus one.
constexpr bool InNumberOrder() {
  for (size_t i = 0; i < kKinds.size(); ++i) {
    if (static_cast<size_t>(kKinds[i].kind) != i + 1) return false;
  }
  return true;
}
static_assert(InNumberOrder());

}  // namespace

std::span<const WipeKindInfo> WipeKinds() { return kKinds; }

const WipeKindInfo* FindWipeKind(int32_t number) {
  if (number < 1 || number > kWipeKindCount) return nullptr;
  return &kKinds[static_cast<size_t>(number - 1)];
}

const WipeKindInfo* FindWipeKind(std::string_view name) {
  for (const auto& k : kKinds) {
    if (k.name == name || k.className == name) return &k;
  }
  return nullptr;
}

std::unique_ptr<TCustomWipe> CreateTransition(int32_t number, TCustomDIBX& dest, const TCustomDIBX& from,
                                              const TCustomDIBX& to, const WipeServices& services) {
  const WipeKindInfo* info = FindWipeKind(number);
  if (info == nullptr) return nullptr;
  auto wipe = info->create(dest, from, to, services);
  const bool zoom = info->kind == WipeKind::kZoomin && services.zoomCentre.has_value();
  wipe->SetParam(0, zoom ? services.zoomCentre->first : info->param0);
  wipe->SetParam(1, zoom ? services.zoomCentre->second : info->param1);
  return wipe;
}

}  // namespace kuzo
