// GetProp and SetProp as built-in functions: typed results, conversions of the value argument,
// unknown components and bad property numbers.
#include "scene/scene_builtins.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "scene_test_util.h"
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
  EXPECT_EQ(f.Call(kFuncGetProp, kTypeInt, f.Args(f.Str("c"), f.Int(PR_WIDTH)))->AsInteger(), 50);
  EXPECT_TRUE(f.Call(kFuncGetProp, kTypeFlag, f.Args(f.Str("c"), f.Int(PR_VISIBLE)))->AsBoolean());
  EXPECT_EQ(f.Call(kFuncGetProp, kTypeStr, f.Args(f.Str("c"), f.Int(PR_NAME)))->AsString(), "c");
  EXPECT_EQ(f.Call(kFuncGetProp, kTypeInt, f.Args(f.Str("nobody"), f.Int(PR_WIDTH)))->AsInteger(), 0);
  try {
    f.Call(kFuncGetProp, kTypeInt, f.Args(f.Str("c"), f.Int(170)));
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

}  // namespace
}  // namespace kuzo
