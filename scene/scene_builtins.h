// The built-in functions that reach components: GetProp and SetProp, Exists, ListCompo, the
// coordinate conversions ToClientX/Y and ToScreenX/Y, and InPrimary, installed into the
// built-in table for one scene.
#pragma once

namespace kuzo {

class TSysFuncMan;
class TKuzoBaseList;

void InstallSceneBuiltins(TSysFuncMan& funcs, TKuzoBaseList& scene);

}  // namespace kuzo
