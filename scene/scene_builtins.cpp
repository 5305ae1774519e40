// Built-in functions on the scene's components: property access, existence and base membership,
// the component list, and conversions between scene and component coordinates.
#include "scene/scene_builtins.h"

#include <array>

#include "scene/kuzo_base_list.h"
#include "vars/builtins.h"
#include "vars/sys_func_man.h"

namespace kuzo {

namespace {
constexpr int kFuncSetProp = 3;
constexpr int kFuncExists = 19;
constexpr int kFuncListCompo = 32;
constexpr int kFuncToClientX = 33;
constexpr int kFuncToClientY = 34;
constexpr int kFuncToScreenX = 35;
constexpr int kFuncToScreenY = 36;
constexpr int kFuncInPrimary = 69;
constexpr int kFuncGetCheck = 24;
constexpr int kFuncSetCheck = 25;
constexpr int kFuncIndexOfMenu = 47;
constexpr int kFuncGetEnabled = 131;
constexpr int kFuncSetEnabled = 132;
constexpr int kFuncGetVisible = 140;
constexpr int kFuncSetVisible = 141;

// The argument read in the property's type, with the value classes' own conversions.
PropValue ArgumentAs(const TCustomParam& arg, PropType type) {
  switch (type) {
    case PT_INT: return arg.AsInteger();
    case PT_FLOAT: return arg.AsFloat();
    case PT_BOOL: return arg.AsBoolean();
    default: return arg.AsString();
  }
}

// ToClient/ToScreen: argument 2 converted through the component named by argument 1; unchanged
// when no component answers.
void InstallConversion(TSysFuncMan& funcs, TKuzoBaseList& scene, int number, bool toClient, bool vertical) {
  funcs.SetHandler(number, [&scene, toClient, vertical](BuiltinCall& call) {
    const int32_t v = call.Int(2);
    TKuzoObject* obj = scene.FindComponent(call.Str(1));
    if (!obj) {
      call.Result().SetInteger(v);
      return;
    }
    const ScenePoint p = vertical ? ScenePoint{0, v} : ScenePoint{v, 0};
    const ScenePoint q = toClient ? obj->ScreenToClient(p) : obj->ClientToScreen(p);
    call.Result().SetInteger(vertical ? q.y : q.x);
  });
}
}  // namespace

void InstallSceneBuiltins(TSysFuncMan& funcs, TKuzoBaseList& scene) {
  funcs.SetHandler(kFuncGetProp, [&scene](BuiltinCall& call) {
    TKuzoObject* obj = scene.FindComponent(call.Str(1));
    if (!obj) return;  // the result keeps the empty value of the property's type
    const PropValue v = GetPropertyValue(*obj, call.Int(2));
    TCustomParam& r = call.Result();
    if (auto* i = std::get_if<int32_t>(&v)) {
      r.SetInteger(*i);
    } else if (auto* f = std::get_if<long double>(&v)) {
      r.SetFloat(*f);
    } else if (auto* b = std::get_if<bool>(&v)) {
      r.SetBoolean(*b);
    } else {
      r.SetString(std::get<std::string>(v));
    }
  });
  funcs.SetHandler(kFuncSetProp, [&scene](BuiltinCall& call) {
    TKuzoObject* obj = scene.FindComponent(call.Str(1));
    if (!obj) return;
    const int32_t id = call.Int(2);
    SetPropertyValue(*obj, id, ArgumentAs(call.Arg(3), IsValidPropertyId(id) ? PropertyType(id) : PT_STR));
  });
  funcs.SetHandler(kFuncExists, [&scene](BuiltinCall& call) {
    const std::string name = call.Str(1);
    call.Result().SetBoolean(!name.empty() && scene.FindComponent(name) != nullptr);
  });
  funcs.SetHandler(kFuncInPrimary, [&scene](BuiltinCall& call) {
    const std::string name = call.Str(1);
    TKuzoObject* obj = name.empty() ? nullptr : scene.FindComponent(name);
    call.Result().SetBoolean(obj && obj->GetBase() && obj->GetBase() == scene.ActiveBase());
  });
  funcs.SetHandler(kFuncListCompo, [&scene](BuiltinCall& call) {
    int32_t kind = call.Has(2) ? call.Int(2) : 0;
    if (kind > kMaxKindCode) kind = 0;
    const TKuzoObject* parent = &scene;
    if (call.Has(3)) parent = scene.FindComponent(call.Str(3));
    std::vector<std::string> names;
    const int count = scene.ListComponentNames(names, kind, parent);
    call.Result().SetInteger(count);
    TCustomParam* target = call.Variable(1);
    if (!target) return;
    if (names.empty()) {
      target->SetString("");
      return;
    }
    TCustomParam& v = builtins::Underlying(*target);
    const std::array<int32_t, 1> size{static_cast<int32_t>(names.size())};
    v.SetDims(size);
    for (size_t i = 0; i < names.size(); ++i) v.SetStringAt(static_cast<int32_t>(i), names[i]);
  });
  InstallConversion(funcs, scene, kFuncToClientX, true, false);
  InstallConversion(funcs, scene, kFuncToClientY, true, true);
  InstallConversion(funcs, scene, kFuncToScreenX, false, false);
  InstallConversion(funcs, scene, kFuncToScreenY, false, true);

  // Item check flags live only in menus and button flags only in preview menus; no component of
  // the scene keeps either yet, so every component answers false (or -1 for a line index) and
  // ignores the setters. A missing component leaves the result at its empty value.
  for (int number : {kFuncGetCheck, kFuncGetEnabled, kFuncGetVisible}) {
    funcs.SetHandler(number, [&scene](BuiltinCall& call) {
      if (scene.FindComponent(call.Str(1))) call.Result().SetBoolean(false);
    });
  }
  for (int number : {kFuncSetCheck, kFuncSetEnabled, kFuncSetVisible}) {
    funcs.SetHandler(number, [](BuiltinCall&) {});
  }
  funcs.SetHandler(kFuncIndexOfMenu, [](BuiltinCall& call) { call.Result().SetInteger(-1); });
}

}  // namespace kuzo
