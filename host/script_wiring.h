// Puts the script engine behind the Runtime's seams: the variable table, the built-in functions
// and the project with its interpreter, reading pages through the file manager. Also the test
// outputs of headless runs: the trace of executed commands and the variable dump at exit.
#pragma once

#include <functional>
#include <string>

#include "host/runtime.h"

namespace kuzo {
class ComponentCommandHost;
class TKuzoBaseList;
class TTimerList;
class SystemVariableHost;
}  // namespace kuzo

namespace kuzo::host {

struct ScriptOptions {
  std::string traceFile;     // --trace FILE: one line per executed command and started handler
  std::string dumpVarsFile;  // --dump-vars FILE: the script variables at exit
  // The scene's side, when a scene exists (filled by the scene's wiring).
  std::function<ComponentCommandHost*(Runtime&)> components;
  std::function<TTimerList*(Runtime&)> events;
  // The component scene whose input state the "@" system variables read.
  std::function<TKuzoBaseList*(Runtime&)> scene;
};

// Replaces the paramMan, sysFuncMan and project factories.
void WireScript(RuntimeFactories& factories, ScriptOptions options);

}  // namespace kuzo::host
