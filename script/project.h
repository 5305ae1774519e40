// The project (`TProject`): loads "kuzo.kpb" at start-up, declares the title's status variables,
// owns the interpreter and starts the start page, steps it each tick, carries out the pending
// game save or load, and runs the exit page and the status save when the player closes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "script/call_man.h"
#include "script/project_file.h"
#include "script/script_services.h"

namespace kuzo {

// What the project needs from the host beyond the interpreter's services. Every hook is optional.
struct ProjectHooks {
  std::function<void()> fillSaveCaptions;             // step 2: captions of "save.dat"
  std::function<void()> loadStatus;                   // step 4: status data of "save.dat"
  std::function<bool()> locateGameData;               // step 6: false ends the player
  bool hasCommandLineArgs = true;                     // no arguments (or "/config") locate the data
  std::function<void(const std::string&)> setTitle;   // application title and window caption
  std::function<void(int32_t, int32_t)> setZoomCentre;  // zoom-in transition defaults
  std::function<void(const ProjectFile&)> applyFileInfo;  // title, folder disks, prompts to the files
  std::function<void(const std::string&)> warn;       // warning dialog ("警告")
  std::function<void()> saveStatus;                   // status data at close
  std::function<void(int32_t)> loadGame;              // a pending load
  std::function<void(int32_t, const std::string&, int32_t, const std::string&)> saveGame;  // a pending save
};

class TProject : public GameCommandHost {
 public:
  TProject(ScriptServices services, ProjectHooks hooks);
  ~TProject() override;

  // The whole load sequence; never raises. Failures leave `terminateRequested` set.
  void Create();
  // One interpreter step.
  void Tick();
  // Performs a pending load (answers true), then a pending save.
  bool RunPending();
  // Exit page (one step), status save, release. Safe to call twice.
  void Destroy();

  TCallMan* CallMan() const { return callMan_.get(); }
  // Why Create ended the player (one line, UTF-8); empty after a good start.
  const std::string& FailureReason() const { return failure_; }
  const ProjectFile& Settings() const { return file_; }

  // GameCommandHost
  void RequestSave(int32_t slot, const std::string& caption, int32_t flag, const std::string& text) override;
  void RequestLoad(int32_t slot) override;
  void ShowWarning(const std::string& text) override;
  void PostClose() override;
  void ResetTables() override { if (outer_) outer_->ResetTables(); }
  void ClearHistory() override { if (outer_) outer_->ClearHistory(); }
  void ClearReadMarks() override { if (outer_) outer_->ClearReadMarks(); }
  TKuzoNewHistory* History() override { return outer_ ? outer_->History() : nullptr; }

  int32_t PendingLoad = -1;
  int32_t PendingSave = -1;
  std::string PendingSaveCaption;
  int32_t PendingSaveFlag = 0;
  std::string PendingSaveText;
  std::vector<std::pair<int32_t, std::string>> SaveCaptions;

 private:
  bool LoadProjectFile();
  void DeclareVariables();
  void ReadOriginalFolderDisks();

  ScriptServices services_;
  GameCommandHost* outer_;  // the host's game operations (history, tables), may be null
  ProjectHooks hooks_;
  ProjectFile file_;
  std::unique_ptr<TCallMan> callMan_;
  bool destroyed_ = false;
  std::string failure_;
};

}  // namespace kuzo
