// What the interpreter needs from the rest of the player: the variable table, host values, game
// files, the scene's event queue and component side, and the game-level operations the project
// and host carry out. Each is a small interface so the interpreter runs in tests without a scene.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/byte_reader.h"
#include "core/host_state.h"
#include "scene/event_queue.h"

namespace kuzo {

class TKuzoNewHistory;
class TParamCollection;
class TCallMan;
class TComSceneCommand;

// Game files, found by game file name.
class ScriptFiles {
 public:
  virtual ~ScriptFiles() = default;
  // The whole content; raises KuzoError "%s:ファイルがありません" when the file is missing.
  virtual std::string ReadFile(const std::string& name) = 0;
  virtual bool Exists(const std::string& name) = 0;
  // Exists, or can be made available (a disc request may answer for it).
  virtual bool FileAvailable(const std::string& name) { return Exists(name); }
};

// The component side of the commands that create, change or remove components. The scene layer
// implements it; without one those commands only advance.
class ComponentCommandHost {
 public:
  virtual ~ComponentCommandHost() = default;
  // Runs once when the command is reached.
  virtual void Begin(TComSceneCommand& cmd, TCallMan& cm) {}
  // Runs on every visit; must move the program counter (cm.pc) when the command is done.
  virtual void Execute(TComSceneCommand& cmd, TCallMan& cm) = 0;
  virtual void Abort(TComSceneCommand& cmd, TCallMan& cm) {}
  virtual void SaveState(const TComSceneCommand& cmd, ByteWriter& w) {}
  virtual void LoadState(TComSceneCommand& cmd, ByteReader& r) {}
  virtual bool IsEventPoint(const TComSceneCommand& cmd) const { return false; }
  virtual bool BlocksEvents(const TComSceneCommand& cmd) const { return false; }

  // Full name of a live component, empty when it is gone.
  virtual std::string FullNameOf(ComponentHandle h) = 0;
  // The component with that full name, null when none.
  virtual ComponentHandle FindComponent(const std::string& fullName) = 0;
  // Reset command: empty the scene.
  virtual void ClearScene() {}
};

// Game-level operations the commands request from the project and the host.
class GameCommandHost {
 public:
  virtual ~GameCommandHost() = default;
  virtual void RequestSave(int32_t slot, const std::string& caption, int32_t flag, const std::string& text) {}
  virtual void RequestLoad(int32_t slot) {}
  virtual void ResetTables() {}
  virtual void ClearHistory() {}
  virtual void ClearReadMarks() {}
  // The text history (null: none); the history commands read and fill it.
  virtual TKuzoNewHistory* History() { return nullptr; }
  // The terminate command: close the main window.
  virtual void PostClose() {}
  // A warning dialog (caption "警告", warning icon, OK).
  virtual void ShowWarning(const std::string& text) {}
};

struct ScriptServices {
  TParamCollection* vars = nullptr;  // required
  HostState* host = nullptr;         // required
  ScriptFiles* files = nullptr;      // required
  TTimerList* events = nullptr;      // optional: no events without it
  ComponentCommandHost* components = nullptr;
  GameCommandHost* game = nullptr;
  // Bound when a trace is wanted: receives one line per executed command and started handler.
  std::function<void(const std::string&)> trace;
};

}  // namespace kuzo
