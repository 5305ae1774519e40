// Goldens of the rule-image transitions with a four-level rule [255, 170, 85, 0]: bright areas
// change first; a missing rule changes every pixel together.
#include "transitions/wipe_rule.h"

#include <gtest/gtest.h>

#include "tests/transitions/wipe_test_util.h"

namespace kuzo {
namespace {

using test::Frame;
using test::FrameArgs;
using test::Grey;
using test::Row;

FrameArgs WithRule(std::vector<uint8_t> grey, int w, bool reverse = false) {
  FrameArgs a;
  a.reverse = reverse;
  a.services.loadRule = [grey, w](const std::string& name) -> std::optional<GreyImage> {
    if (name != "rule.png") return std::nullopt;
    return GreyImage{w, static_cast<int>(grey.size()) / w, grey};
  };
  return a;
}

std::vector<int> RuleFrame(WipeKind kind, const TDIBX& from, const TDIBX& to, int e, int d, const FrameArgs& args,
                           const std::string& rule = "rule.png") {
  TDIBX dest(from.Width(), from.Height(), 32);
  dest.Assign(from);
  auto w = CreateTransition(static_cast<int32_t>(kind), dest, from, to, args.services);
  w->Duration = d;
  w->SetReverse(args.reverse);
  w->SetRuleName(rule);
  w->Prepare();
  w->Elapsed = e;
  EXPECT_FALSE(w->StepFrame());
  return test::Blue(dest);
}

TEST(WipeShadowTest, BrightAreasFadeFirst) {
  const TDIBX from = Grey(4, 1, {0}), to = Grey(4, 1, {255});
  const FrameArgs rule = WithRule({255, 170, 85, 0}, 4);
  // level = E * 512 / 4 + 255; mask = ramp[level + g - 255] (0 below 256, then i - 256, then 255).
  EXPECT_EQ(RuleFrame(WipeKind::kShadow, from, to, 0, 4, rule), Row({0, 0, 0, 0}));
  EXPECT_EQ(RuleFrame(WipeKind::kShadow, from, to, 1, 4, rule), Row({126, 41, 0, 0}));     // m 127, 42
  EXPECT_EQ(RuleFrame(WipeKind::kShadow, from, to, 2, 4, rule), Row({255, 169, 84, 0}));   // m 255, 170, 85
  EXPECT_EQ(RuleFrame(WipeKind::kShadow, from, to, 3, 4, rule), Row({255, 255, 212, 127}));  // m 213, 128
  // Reversed, the rule is inverted: dark areas first.
  const FrameArgs rev = WithRule({255, 170, 85, 0}, 4, true);
  EXPECT_EQ(RuleFrame(WipeKind::kShadow, from, to, 1, 4, rev), Row({0, 0, 41, 126}));
  EXPECT_EQ(RuleFrame(WipeKind::kShadow, from, to, 3, 4, rev), Row({127, 212, 255, 255}));
}

TEST(WipeShadowTest, RuleTilesAndMissingRuleChangesAllTogether) {
  const TDIBX from = Grey(4, 1, {0}), to = Grey(4, 1, {255});
  // A 2-pixel rule repeats across the 4-pixel screen.
  EXPECT_EQ(RuleFrame(WipeKind::kShadow, from, to, 1, 4, WithRule({255, 170}, 2)), Row({126, 41, 126, 41}));
  // Absent file, empty image, no loader: every offset 0.
  EXPECT_EQ(RuleFrame(WipeKind::kShadow, from, to, 1, 4, WithRule({255, 0}, 2), "other.png"), Row(4, 126));
  EXPECT_EQ(RuleFrame(WipeKind::kShadow, from, to, 1, 4, WithRule({}, 1)), Row(4, 126));
  EXPECT_EQ(RuleFrame(WipeKind::kShadow, from, to, 2, 4, FrameArgs{}), Row(4, 255));
}

TEST(WipeShadowTest, ThroughWhiteAndBlack) {
  // level = E * 768 / 4 + 255; v = table[level + g - 255] (0 below 256, i - 256 up to 511);
  // v < 256: From + v, else To + (511 - v).
  const FrameArgs rule = WithRule({255, 0}, 2);
  const TDIBX from = Grey(2, 1, {100}), to = Grey(2, 1, {50});
  EXPECT_EQ(RuleFrame(WipeKind::kShadowWhite, from, to, 0, 4, rule), Row({100, 100}));
  EXPECT_EQ(RuleFrame(WipeKind::kShadowWhite, from, to, 1, 4, rule), Row({255, 100}));  // v 191, 0
  EXPECT_EQ(RuleFrame(WipeKind::kShadowWhite, from, to, 2, 4, rule), Row({178, 228}));  // v 383, 128
  EXPECT_EQ(RuleFrame(WipeKind::kShadowWhite, from, to, 3, 4, rule), Row({50, 241}));   // v 511, 320
  const TDIBX dark = Grey(2, 1, {200}), darkTo = Grey(2, 1, {220});
  EXPECT_EQ(RuleFrame(WipeKind::kShadowBlack, dark, darkTo, 1, 4, rule), Row({9, 200}));
  EXPECT_EQ(RuleFrame(WipeKind::kShadowBlack, dark, darkTo, 2, 4, rule), Row({92, 72}));
  EXPECT_EQ(RuleFrame(WipeKind::kShadowBlack, dark, darkTo, 3, 4, rule), Row({220, 29}));
  EXPECT_EQ(RuleFrame(WipeKind::kShadowBlack, dark, darkTo, 3, 4, WithRule({255, 0}, 2, true)), Row({29, 220}));
}

}  // namespace
}  // namespace kuzo
