// Built-in functions on the scene's components: property access, existence and base membership,
// the component list, and conversions between scene and component coordinates.
#include "scene/scene_builtins.h"

#include <array>

#include "scene/kuzo_base_list.h"
#include "vars/builtin_ids.h"
#include "vars/builtins.h"
#include "vars/sys_func_man.h"

namespace kuzo {

namespace {
using ItemGetter = bool (TKuzoObject::*)(int32_t) const;
using ItemSetter = void (TKuzoObject::*)(int32_t, bool);

// Get/Set of a per-item flag of the component named by argument 1, item int(2): false and nothing
// when the component is missing or keeps no such flags.
void InstallItemFlag(TSysFuncMan& funcs, TKuzoBaseList& scene, Builtin getNumber, Builtin setNumber, ItemGetter get,
                     ItemSetter set) {
  funcs.SetHandler(BuiltinNumber(getNumber), [&scene, get](BuiltinCall& call) {
    const std::string name = call.Str(1);
    TKuzoObject* obj = name.empty() ? nullptr : scene.FindComponent(name);
    call.Result().SetBoolean(obj && (obj->*get)(call.Int(2)));
  });
  funcs.SetHandler(BuiltinNumber(setNumber), [&scene, set](BuiltinCall& call) {
    const std::string name = call.Str(1);
    if (TKuzoObject* obj = name.empty() ? nullptr : scene.FindComponent(name)) (obj->*set)(call.Int(2), call.Flag(3));
  });
}

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
void InstallConversion(TSysFuncMan& funcs, TKuzoBaseList& scene, Builtin number, bool toClient, bool vertical) {
  funcs.SetHandler(BuiltinNumber(number), [&scene, toClient, vertical](BuiltinCall& call) {
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
  funcs.SetHandler(BuiltinNumber(Builtin::GetProp), [&scene](BuiltinCall& call) {
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
  funcs.SetHandler(BuiltinNumber(Builtin::SetProp), [&scene](BuiltinCall& call) {
    TKuzoObject* obj = scene.FindComponent(call.Str(1));
    if (!obj) return;
    const int32_t id = call.Int(2);
    SetPropertyValue(*obj, id, ArgumentAs(call.Arg(3), IsValidPropertyId(id) ? PropertyType(id) : PT_STR));
  });
  funcs.SetHandler(BuiltinNumber(Builtin::Exists), [&scene](BuiltinCall& call) {
    const std::string name = call.Str(1);
    call.Result().SetBoolean(!name.empty() && scene.FindComponent(name) != nullptr);
  });
  funcs.SetHandler(BuiltinNumber(Builtin::InPrimary), [&scene](BuiltinCall& call) {
    const std::string name = call.Str(1);
    TKuzoObject* obj = name.empty() ? nullptr : scene.FindComponent(name);
    call.Result().SetBoolean(obj && obj->GetBase() && obj->GetBase() == scene.ActiveBase());
  });
  funcs.SetHandler(BuiltinNumber(Builtin::ListCompo), [&scene](BuiltinCall& call) {
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
  InstallItemFlag(funcs, scene, Builtin::GetCheck, Builtin::SetCheck, &TKuzoObject::GetItemFlag,
                  &TKuzoObject::SetItemFlag);
  InstallItemFlag(funcs, scene, Builtin::GetEnabled, Builtin::SetEnabled, &TKuzoObject::GetItemEnabled,
                  &TKuzoObject::SetItemEnabled);
  InstallItemFlag(funcs, scene, Builtin::GetVisible, Builtin::SetVisible, &TKuzoObject::GetItemShown,
                  &TKuzoObject::SetItemShown);
  funcs.SetHandler(BuiltinNumber(Builtin::IndexOfMenu), [&scene](BuiltinCall& call) {
    const std::string name = call.Str(1);
    TKuzoObject* obj = name.empty() ? nullptr : scene.FindComponent(name);
    call.Result().SetInteger(obj ? obj->IndexOfItemLine(call.Str(2)) : -1);
  });
  InstallConversion(funcs, scene, Builtin::ToClientX, true, false);
  InstallConversion(funcs, scene, Builtin::ToClientY, true, true);
  InstallConversion(funcs, scene, Builtin::ToScreenX, false, false);
  InstallConversion(funcs, scene, Builtin::ToScreenY, false, true);
}

}  // namespace kuzo
