// The project as the Runtime owns it: the title's settings, its interpreter reading pages through
// the file manager, and the game state beyond the interpreter (data tables, history, read marks and
// the save file they are written to). Created by "TProject.Create"; it never raises and reports a
// failed start through HostState::terminateRequested and FailureReason().
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "components/history_store.h"
#include "components/read_marks.h"
#include "core/host_state.h"
#include "script/project.h"
#include "script/save_file.h"
#include "script/save_sections.h"
#include "vars/db_manager.h"

namespace kuzo {
class TVrFileManager;
class TParamCollection;
}  // namespace kuzo
namespace kuzo::platform {
class MessageBoxes;
}  // namespace kuzo::platform

namespace kuzo::host {

class HostVariables;
class PlayerScene;

// What the project works with; every member but `scene` and `trace` is required.
struct ProjectParts {
  TVrFileManager* files = nullptr;
  HostState* state = nullptr;
  platform::MessageBoxes* boxes = nullptr;
  TParamCollection* vars = nullptr;  // with its built-in functions installed
  HostVariables* variableHost = nullptr;
  PlayerScene* scene = nullptr;
  std::FILE* trace = nullptr;  // one line per executed command and started handler
  bool namedOnCommandLine = false;
  std::filesystem::path titleDir;  // where "save.dat" goes when it is writable
};

// The player's game state beyond the interpreter. Receives the reset and clear commands.
class GameState : public GameCommandHost {
 public:
  void ResetTables() override { tables.ResetTables(); }
  void ClearHistory() override { history.Clear(); }
  void ClearReadMarks() override { marks.Clear(); }
  TKuzoNewHistory* History() override { return &history; }

  TDBManager tables;
  TKuzoNewHistory history;
  TKuzoReadList marks;
  std::unique_ptr<PlayerSaveSections> sections;
  std::unique_ptr<TSaveFile> saveFile;
};

class PlayerProject {
 public:
  // Runs the project's load sequence at once (the start page is started, not yet stepped).
  explicit PlayerProject(const ProjectParts& parts);
  ~PlayerProject();
  PlayerProject(const PlayerProject&) = delete;
  PlayerProject& operator=(const PlayerProject&) = delete;

  const ProjectFile& Settings() const;
  const std::string& Title() const { return Settings().title; }  // Shift-JIS
  int32_t Width() const { return Settings().width; }
  int32_t Height() const { return Settings().height; }
  int32_t FullWidth() const { return Settings().fullWidth; }
  int32_t FullHeight() const { return Settings().fullHeight; }
  bool FrameWait() const { return Settings().frameWait != 0; }

  void Tick();        // one interpreter step
  bool RunPending();  // a pending load (true when a game was loaded), then a save
  // Saves the game into memory as a script save writes its slot and loads it back as a script load
  // does (no file is touched). False when the load failed and the game went on as it was.
  bool ReloadInMemory();
  void Close();       // "Project.Free": exit page, status save
  // Why the title could not start (one line), when the project ended the start-up.
  const std::string& FailureReason() const { return failure_; }
  GameState& Game() { return game_; }

 private:
  // A file-manager view for the interpreter.
  class Files;

  void WireSaves(PlayerScene* scene, ProjectHooks& hooks);

  ProjectParts parts_;
  std::unique_ptr<Files> files_;
  GameState game_;
  std::unique_ptr<TProject> project_;
  std::string failure_;
};

}  // namespace kuzo::host
