// The scene's headless test options: scripted input, screenshots after chosen ticks, and the dump
// of every component at exit.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "host/headless_runner.h"
#include "host/runtime.h"

namespace kuzo {
class TKuzoBaseList;
}

namespace kuzo::host {

// One line of an input script: "TICK mousemove X Y", "TICK mousedown left|right",
// "TICK mouseup [left|right]", "TICK keydown CODE", "TICK keyup CODE", "TICK wheel up|down".
struct ScriptedInput {
  enum class Kind { kMove, kDown, kUp, kKeyDown, kKeyUp, kWheel };
  int64_t tick = 0;
  Kind kind = Kind::kMove;
  int32_t x = 0, y = 0;  // move position; button (0 left, 1 right, -1 both); key code; wheel (1 down)
};

struct SceneOptions {
  std::vector<std::pair<int64_t, std::string>> screenshots;  // after drawing tick N, the frame as PNG
  std::string inputFile;                                     // scripted input
  std::string dumpSceneFile;                                 // every component at exit
};

// Parses an input script. Raises KuzoError naming the line for anything malformed.
std::vector<ScriptedInput> ParseInputScript(const std::string& text, const std::string& fileName);

// One line per component in registry order: name, kind code, parent, x, y, width, height,
// visible, alpha, separated by tabs; control bytes of names written as \xNN.
std::string DumpScene(const TKuzoBaseList& scene);

// Installs the test options as hooks of a headless run (reads the input script now).
void AttachSceneHooks(HeadlessHooks& hooks, const SceneOptions& options);

}  // namespace kuzo::host
