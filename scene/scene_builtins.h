// The built-in functions that reach components: GetProp(component, property) and
// SetProp(component, property, value), installed into the built-in table for one scene.
#pragma once

namespace kuzo {

class TSysFuncMan;
class TKuzoBaseList;

void InstallSceneBuiltins(TSysFuncMan& funcs, TKuzoBaseList& scene);

}  // namespace kuzo
