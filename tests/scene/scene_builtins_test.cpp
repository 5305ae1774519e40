// GetProp and SetProp as built-in functions: typed results, conversions of the value argument,
// unknown components and bad property numbers.
#include "scene/scene_builtins.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "scene_test_util.h"
#include "vars/builtin_ids.h"
#include "vars/param.h"
#include "vars/param_collection.h"
#include "vars/sys_func_man.h"

namespace kuzo {
namespace {

struct BuiltinFixture : testing::SceneFixture {
  TParamCollection vars;
  TSysFuncMan funcs{vars, host};
  BuiltinFixture() { InstallSceneBuiltins(funcs, scene); }

  std::unique_ptr<TCustomParam> Call(int number, uint8_t resultType, std::vector<std::unique_ptr<TCustomParam>> args) {
    auto result = NewParam(resultType);
    std::vector<TCustomParam*> raw;
    for (auto& a : args) raw.push_back(a.get());
    funcs.Call(*result, number, raw);
    return result;
  }
  static std::unique_ptr<TCustomParam> Str(const std::string& s) {
    auto p = NewParam(kTypeStr);
    p->SetString(s);
    return p;
  }
  static std::unique_ptr<TCustomParam> Int(int32_t v) {
    auto p = NewParam(kTypeInt);
    p->SetInteger(v);
    return p;
  }
  template <typename... A>
  static std::vector<std::unique_ptr<TCustomParam>> Args(A... a) {
    std::vector<std::unique_ptr<TCustomParam>> v;
    (v.push_back(std::move(a)), ...);
    return v;
  }
};

TEST(SceneBuiltins, GetPropGivesTypedValues) {
  BuiltinFixture f;
  f.Add("c", 3, 4, 50, 60);
  EXPECT_EQ(f.Call(BuiltinNumber(Builtin::GetProp), kTypeInt, f.Args(f.Str("c"), f.Int(PR_WIDTH)))->AsInteger(), 50);
  EXPECT_TRUE(f.Call(BuiltinNumber(Builtin::GetProp), kTypeFlag, f.Args(f.Str("c"), f.Int(PR_VISIBLE)))->AsBoolean());
  EXPECT_EQ(f.Call(BuiltinNumber(Builtin::GetProp), kTypeStr, f.Args(f.Str("c"), f.Int(PR_NAME)))->AsString(), "c");
  EXPECT_EQ(f.Call(BuiltinNumber(Builtin::GetProp), kTypeInt, f.Args(f.Str("nobody"), f.Int(PR_WIDTH)))->AsInteger(), 0);
  try {
    f.Call(BuiltinNumber(Builtin::GetProp), kTypeInt, f.Args(f.Str("c"), f.Int(170)));
    FAIL() << "property 170 must raise";
  } catch (const KuzoError& e) {
    EXPECT_STREQ(e.what(), "GetPropエラー");
  }
}

TEST(SceneBuiltins, SetPropConvertsTheValueToThePropertyType) {
  BuiltinFixture f;
  auto* c = f.Add("c", 0, 0, 5, 5);
  f.Call(3, kTypeStr, f.Args(f.Str("c"), f.Int(PR_LEFT), f.Str("42")));
  EXPECT_EQ(c->Left(), 42);
  f.Call(3, kTypeStr, f.Args(f.Str("c"), f.Int(PR_TAG), f.Int(7)));
  EXPECT_EQ(c->Tag(), "7");
  f.Call(3, kTypeStr, f.Args(f.Str("nobody"), f.Int(PR_APPEARX), f.Int(1)));  // no component: nothing
  EXPECT_THROW(f.Call(3, kTypeStr, f.Args(f.Str("c"), f.Int(PR_APPEARX), f.Int(1))), KuzoError);
  EXPECT_THROW(f.Call(3, kTypeStr, f.Args(f.Str("c"), f.Int(162), f.Int(1))), KuzoError);
}

TEST(SceneBuiltins, ExistsAndInPrimaryFollowTheLookupAndTheShownBase) {
  BuiltinFixture f;
  auto* shown = f.Add("shown", 0, 0, 5, 5);
  f.Add("hidden", 0, 0, 5, 5, f.scene.InactiveBase());
  f.scene.CreateObject<testing::TestSound>()->SetName("snd");
  auto flag = [&](int number, const std::string& name) {
    return f.Call(number, kTypeFlag, f.Args(f.Str(name)))->AsBoolean();
  };
  constexpr int kExists = 19, kInPrimary = 69;
  EXPECT_TRUE(flag(kExists, "shown"));
  EXPECT_TRUE(flag(kExists, "snd"));
  EXPECT_FALSE(flag(kExists, ""));  // the empty name would find the base: answered false
  EXPECT_FALSE(flag(kExists, "nobody"));
  EXPECT_TRUE(flag(kInPrimary, "shown"));
  EXPECT_FALSE(flag(kInPrimary, "hidden"));
  EXPECT_FALSE(flag(kInPrimary, "snd"));  // not on any base
  EXPECT_FALSE(flag(kInPrimary, ""));
  shown->Delete();
  EXPECT_FALSE(flag(kExists, "shown"));
  f.scene.SetActiveBase(1);
  EXPECT_TRUE(flag(kInPrimary, "hidden"));
}

TEST(SceneBuiltins, CoordinateConversionsUseTheComponentCorner) {
  BuiltinFixture f;
  auto* p = f.Add("p", 30, 10, 20, 20);
  p->SetIntProp(PR_OFFSETX, 5);  // corner at x 25
  f.Add("c", 3, 4, 5, 5, p);     // corner at (28, 14)
  auto conv = [&](int number, const std::string& name, int32_t v) {
    return f.Call(number, kTypeInt, f.Args(f.Str(name), f.Int(v)))->AsInteger();
  };
  EXPECT_EQ(conv(33, "c", 30), 2);    // ToClientX
  EXPECT_EQ(conv(34, "c", 10), -4);   // ToClientY
  EXPECT_EQ(conv(35, "c", 2), 30);    // ToScreenX
  EXPECT_EQ(conv(36, "p", 1), 11);    // ToScreenY
  EXPECT_EQ(conv(33, "nobody", 77), 77);  // unchanged without a component
}

}  // namespace
}  // namespace kuzo
