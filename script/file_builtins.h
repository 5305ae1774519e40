// The built-in functions that read the game data: FileExists and LoadTextFile.
#pragma once

#include <functional>

namespace kuzo {

class ScriptFiles;
class TSysFuncMan;

// `files` answers the game data of the running interpreter, or null once it is gone (the calls then
// answer false).
void InstallFileBuiltins(TSysFuncMan& funcs, std::function<ScriptFiles*()> files);

}  // namespace kuzo
