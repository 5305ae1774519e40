// GetProp and SetProp on the scene's components.
#include "scene/scene_builtins.h"

#include "scene/kuzo_base_list.h"
#include "vars/sys_func_man.h"

namespace kuzo {

namespace {
constexpr int kFuncSetProp = 3;

// The argument read in the property's type, with the value classes' own conversions.
PropValue ArgumentAs(const TCustomParam& arg, PropType type) {
  switch (type) {
    case PT_INT: return arg.AsInteger();
    case PT_FLOAT: return arg.AsFloat();
    case PT_BOOL: return arg.AsBoolean();
    default: return arg.AsString();
  }
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
}

}  // namespace kuzo
