// The script engine behind the host's seams.
#include "host/script_wiring.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

#include "components/history_store.h"
#include "components/read_marks.h"
#include "core/errors.h"
#include "data/file_manager.h"
#include "host/host_variables.h"
#include "platform/cp932.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "platform/save_location.h"
#include "scene/scene_builtins.h"
#include "scene/scene_variables.h"
#include "script/project.h"
#include "script/save_builtins.h"
#include "script/save_file.h"
#include "script/save_sections.h"
#include "script/script_variable_host.h"
#include "script/variable_access.h"
#include "vars/db_builtins.h"
#include "vars/db_manager.h"
#include "vars/param_collection.h"
#include "vars/sys_func_man.h"

namespace kuzo::host {
namespace {

constexpr const char* kWarningCaption = "警告";

// What the three factories share: created by the first, used by the later ones.
struct ScriptShared {
  ScriptOptions options;
  TParamCollection* vars = nullptr;
  HostVariables variableHost;
  std::FILE* trace = nullptr;

  ~ScriptShared() {
    if (trace) std::fclose(trace);
  }
};

class VariableTable : public OwnedSubsystem {
 public:
  VariableTable(std::shared_ptr<ScriptShared> shared, Runtime& rt) : shared_(std::move(shared)) {
    HostState& state = rt.State();
    shared_->variableHost.BindClock(&rt.WallClock());
    shared_->variableHost.BindHost(&state);
    shared_->variableHost.BindScreen([&rt] { return rt.GetScreen(); });
    table_.SetState(&state);
    table_.SetHost(&shared_->variableHost);
    shared_->vars = &table_;
  }
  // Freed after the project (the exit page has run): the moment the variables are dumped.
  ~VariableTable() override {
    if (!shared_->options.dumpVarsFile.empty()) {
      try {
        platform::WriteFileAtomic(shared_->options.dumpVarsFile, DumpVariables(table_));
      } catch (const std::exception& e) {
        std::fprintf(stderr, "kuzoplayer: --dump-vars: %s\n", platform::Cp932ToUtf8(e.what()).c_str());
      }
    }
    shared_->variableHost.Bind(nullptr, nullptr);
    shared_->variableHost.BindClock(nullptr);
    shared_->variableHost.BindHost(nullptr);
    shared_->variableHost.BindScreen(nullptr);
    shared_->vars = nullptr;
  }
  TParamCollection& Table() { return table_; }

 private:
  std::shared_ptr<ScriptShared> shared_;
  TParamCollection table_;
};

class BuiltinFunctions : public OwnedSubsystem {
 public:
  BuiltinFunctions(TParamCollection& table, HostState& state) : man_(table, state) {}

 private:
  TSysFuncMan man_;
};

// Game files for the interpreter, through the file manager.
class ManagerFiles : public ScriptFiles {
 public:
  explicit ManagerFiles(TVrFileManager& files) : files_(files) {}
  std::string ReadFile(const std::string& name) override { return files_.ReadFile(name); }
  bool Exists(const std::string& name) override { return files_.Exists(name); }
  bool FileAvailable(const std::string& name) override { return files_.FileAvailable(name); }

 private:
  TVrFileManager& files_;
};

// The player's game state beyond the interpreter: data tables, history, read marks, and the save
// file they are written to. Receives the reset and clear commands.
class GameState : public GameCommandHost {
 public:
  void ResetTables() override { tables.ResetTables(); }
  void ClearHistory() override { history.Clear(); }
  void ClearReadMarks() override { marks.Clear(); }

  TDBManager tables;
  TKuzoNewHistory history;
  TKuzoReadList marks;
  std::unique_ptr<PlayerSaveSections> sections;
  std::unique_ptr<TSaveFile> saveFile;
};

void LogLine(const std::string& line) {
  std::fprintf(stderr, "kuzoplayer: %s\n", platform::Cp932ToUtf8(line).c_str());
}

class ScriptProject : public Project {
 public:
  ScriptProject(Runtime& rt, std::shared_ptr<ScriptShared> shared) : shared_(std::move(shared)), files_(*rt.Files()) {
    HostState& state = rt.State();
    ScriptServices s;
    s.vars = shared_->vars;
    s.host = &state;
    s.files = &files_;
    if (shared_->options.events) s.events = shared_->options.events(rt);
    if (shared_->options.components) s.components = shared_->options.components(rt);
    if (shared_->trace) {
      std::FILE* out = shared_->trace;
      s.trace = [out](const std::string& line) {
        std::fwrite(line.data(), 1, line.size(), out);
        std::fputc('\n', out);
      };
    }
    TVrFileManager& manager = *rt.Files();
    platform::MessageBoxes& boxes = rt.Boxes();
    ProjectHooks hooks;
    hooks.hasCommandLineArgs = rt.Config().title.namedOnCommandLine;
    hooks.locateGameData = [&manager] { return manager.LocateGameData(); };
    hooks.setTitle = [&manager](const std::string& t) { manager.Project().title = t; };
    hooks.applyFileInfo = [&manager](const ProjectFile& f) {
      TVrProjectInfo& info = manager.Project();
      info.title = f.title;
      info.folderDisks = f.folderDisks;
      info.soundExts = f.soundExts;
      info.diskPrompt = f.diskPrompt;
      info.exitPrompt = f.exitPrompt;
    };
    hooks.warn = [&boxes](const std::string& text) {
      boxes.Show(text, kWarningCaption, platform::MessageButtons::kOk, platform::MessageIcon::kWarning,
                 platform::MessageResult::kOk);
    };
    if (!s.vars) {
      state.terminateRequested = true;
      failure_ = "the variable table was not created";
      return;
    }
    TKuzoBaseList* scene = shared_->options.scene ? shared_->options.scene(rt) : nullptr;
    WireSaves(rt, scene, hooks);
    s.game = &game_;
    project_ = std::make_unique<TProject>(s, std::move(hooks));
    project_->Create();
    game_.sections->Subsystems().callMan = project_->CallMan();
    shared_->variableHost.Bind(project_->CallMan(), project_.get());
    if (scene) {
      shared_->variableHost.BindScene(scene);
      ServiceSlots slots = scene->Slots();  // pictures evaluate their last-frame wait against the table
      slots.variables = shared_->vars;
      scene->SetSlots(slots);
      if (TSysFuncMan* funcs = shared_->vars->Functions()) InstallSceneBuiltins(*funcs, *scene);
    }
    if (TSysFuncMan* funcs = shared_->vars->Functions()) {
      InstallDataTableBuiltins(*funcs, game_.tables, [this](const std::string& name) -> std::optional<std::string> {
        if (!files_.Exists(name)) return std::nullopt;
        return files_.ReadFile(name);
      });
      InstallSaveBuiltins(*funcs, project_->SaveCaptions);
    }
    failure_ = project_->FailureReason();
  }
  ~ScriptProject() override {
    shared_->variableHost.Bind(nullptr, nullptr);
    if (shared_->trace) std::fflush(shared_->trace);
  }

  // save.dat in the title's directory, or the user's data directory when that is not writable;
  // the project's hooks read and write it.
  void WireSaves(Runtime& rt, TKuzoBaseList* scene, ProjectHooks& hooks) {
    const std::filesystem::path titleDir = rt.Config().title.baseDir;
    const platform::SaveLocation where = platform::ResolveSaveLocation(titleDir, titleDir.filename().string());
    if (where.fallback) {
      std::fprintf(stderr, "kuzoplayer: %s is not writable; save data goes to %s\n", titleDir.c_str(),
                   where.directory.c_str());
    }
    game_.sections = std::make_unique<PlayerSaveSections>(
        SaveSubsystems{scene, &game_.history, &game_.marks, nullptr, shared_->vars, &game_.tables});
    game_.saveFile = std::make_unique<TSaveFile>(where.directory / std::string(kSaveFileName), *game_.sections, LogLine);
    TSaveFile& file = *game_.saveFile;
    auto warn = hooks.warn;
    hooks.fillSaveCaptions = [this, &file] { project_->SaveCaptions = file.BuildCaptionList(); };
    hooks.loadStatus = [&file] { file.LoadStatus(); };
    hooks.saveStatus = [this, &file] {
      if (project_->Settings().saveStatusOnExit) file.SaveStatus();
    };
    hooks.saveGame = [this, &file, warn](int32_t slot, const std::string& caption, int32_t index,
                                         const std::string& page) {
      try {
        file.SaveGame(slot, caption, page, index, project_->Settings().saveStatusOnExit != 0);
        if (!caption.empty()) SetSaveCaption(project_->SaveCaptions, slot, caption);
      } catch (const KuzoError& e) {
        // The old file is intact; the player is told and the game goes on.
        LogLine(e.what());
        if (warn) warn(e.what());
      }
    };
    hooks.loadGame = [&file, warn](int32_t slot) {
      if (file.LoadGame(slot) == TSaveFile::LoadResult::kFailed && warn) warn(kLoadFailedMessage);
    };
  }

  const std::string& Title() const override { return project_ ? project_->Settings().title : empty_; }
  int32_t Width() const override { return project_ ? project_->Settings().width : 0; }
  int32_t Height() const override { return project_ ? project_->Settings().height : 0; }
  int32_t FullWidth() const override { return project_ ? project_->Settings().fullWidth : 0; }
  int32_t FullHeight() const override { return project_ ? project_->Settings().fullHeight : 0; }
  bool FrameWait() const override { return project_ && project_->Settings().frameWait != 0; }
  void Tick() override {
    if (project_) project_->Tick();
  }
  bool RunPending() override { return project_ && project_->RunPending(); }
  void Close() override {
    if (project_) project_->Destroy();
    shared_->variableHost.Bind(nullptr, nullptr);
  }
  std::string FailureReason() const override { return failure_; }

 private:
  std::shared_ptr<ScriptShared> shared_;
  ManagerFiles files_;
  GameState game_;
  std::unique_ptr<TProject> project_;
  std::string failure_;
  std::string empty_;
};

}  // namespace

void WireScript(RuntimeFactories& factories, ScriptOptions options) {
  auto shared = std::make_shared<ScriptShared>();
  shared->options = std::move(options);
  if (!shared->options.traceFile.empty()) {
    shared->trace = std::fopen(shared->options.traceFile.c_str(), "wb");
    if (!shared->trace) throw KuzoError(shared->options.traceFile + ": cannot be written (--trace)");
  }
  factories.paramMan = [shared](Runtime& rt) -> std::unique_ptr<OwnedSubsystem> {
    return std::make_unique<VariableTable>(shared, rt);
  };
  factories.sysFuncMan = [shared](Runtime& rt) -> std::unique_ptr<OwnedSubsystem> {
    if (!shared->vars) return nullptr;
    return std::make_unique<BuiltinFunctions>(*shared->vars, rt.State());
  };
  factories.project = [shared](Runtime& rt) -> std::unique_ptr<Project> {
    return std::make_unique<ScriptProject>(rt, shared);
  };
}

}  // namespace kuzo::host
