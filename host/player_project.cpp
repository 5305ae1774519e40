// The interpreter behind the Runtime: its services, the project's hooks into the file manager and
// message boxes, the save file, and the built-ins that need the scene or the game state.
#include "host/player_project.h"

#include <optional>

#include "components/drel_collection.h"
#include "components/history_layout.h"
#include "core/errors.h"
#include "data/file_manager.h"
#include "host/host_variables.h"
#include "host/player_scene.h"
#include "platform/cp932.h"
#include "platform/message_box.h"
#include "platform/save_location.h"
#include "scene/scene_builtins.h"
#include "script/save_builtins.h"
#include "script/save_screen.h"
#include "vars/db_builtins.h"
#include "vars/param_collection.h"
#include "vars/sys_func_man.h"

namespace kuzo::host {
namespace {

constexpr const char* kWarningCaption = "警告";

void LogLine(const std::string& line) {
  std::fprintf(stderr, "kuzoplayer: %s\n", platform::Cp932ToUtf8(line).c_str());
}

// The history lays left pages out with the scene's text cache (pages of the game data), the
// variable table (VAR glyphs without a frozen value) and the image cache (inline image sizes).
HistoryLayoutFn HistoryLayoutFor(const ServiceSlots& slots) {
  HistoryLayoutSources sources;
  sources.texts = slots.texts;
  sources.variables = slots.variables;
  if (TDrelCollection* images = slots.images) {
    sources.imageSize = [images](const std::string& name) {
      static const char user = 0;  // the history's hold on a picture lasts only for the measuring
      TDrelItem* item = images->Acquire(&user, name, false);
      if (!item) return TextSize{};
      const TextSize size = item->Missing ? TextSize{} : TextSize{item->Width, item->Height};
      images->Release(item, &user);
      return size;
    };
  }
  return MakeHistoryLayout(std::move(sources));
}

}  // namespace

// Game files for the interpreter, through the file manager.
class PlayerProject::Files : public ScriptFiles {
 public:
  explicit Files(TVrFileManager& files) : files_(files) {}
  std::string ReadFile(const std::string& name) override { return files_.ReadFile(name); }
  bool Exists(const std::string& name) override { return files_.Exists(name); }
  bool FileAvailable(const std::string& name) override { return files_.FileAvailable(name); }

 private:
  TVrFileManager& files_;
};

PlayerProject::PlayerProject(const ProjectParts& parts)
    : parts_(parts), files_(std::make_unique<Files>(*parts.files)) {
  HostState& state = *parts_.state;
  ScriptServices s;
  s.vars = parts_.vars;
  s.host = &state;
  s.files = files_.get();
  if (parts_.scene) {
    s.events = &parts_.scene->Model().Events();
    s.components = &parts_.scene->Commands();
  }
  if (std::FILE* out = parts_.trace) {
    s.trace = [out](const std::string& line) {
      std::fwrite(line.data(), 1, line.size(), out);
      std::fputc('\n', out);
    };
  }
  TVrFileManager& manager = *parts_.files;
  platform::MessageBoxes& boxes = *parts_.boxes;
  ProjectHooks hooks;
  hooks.hasCommandLineArgs = parts_.namedOnCommandLine;
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
  WireSaves(parts_.scene, hooks);
  s.game = &game_;
  project_ = std::make_unique<TProject>(s, std::move(hooks));
  project_->Create();
  game_.sections->Subsystems().callMan = project_->CallMan();
  HostVariables& variables = *parts_.variableHost;
  variables.Bind(project_->CallMan(), project_.get());
  variables.BindHistory(&game_.history);
  TSysFuncMan* funcs = parts_.vars->Functions();
  if (parts_.scene) {
    variables.BindScene(&parts_.scene->Model());
    // Message windows feed the history and the read marks as they show and finish pages.
    ServiceSlots slots = parts_.scene->Model().Slots();
    slots.history = &game_.history;
    slots.readMarks = &game_.marks;
    parts_.scene->Model().SetSlots(slots);
    game_.history.SetLayout(HistoryLayoutFor(slots));
    if (funcs) {
      TKuzoBaseList& model = parts_.scene->Model();
      InstallSceneBuiltins(*funcs, model);
      InstallSaveScreen(*funcs, SaveScreenTargets{&model, parts_.files, model.Slots().images, parts_.state});
    }
  }
  if (funcs) {
    InstallDataTableBuiltins(*funcs, game_.tables, [this](const std::string& name) -> std::optional<std::string> {
      if (!files_->Exists(name)) return std::nullopt;
      return files_->ReadFile(name);
    });
    InstallSaveBuiltins(*funcs, project_->SaveCaptions);
  }
  failure_ = project_->FailureReason();
}

PlayerProject::~PlayerProject() {
  parts_.variableHost->Bind(nullptr, nullptr);
  parts_.variableHost->BindHistory(nullptr);
  if (parts_.scene) {
    ServiceSlots slots = parts_.scene->Model().Slots();
    slots.history = nullptr;
    slots.readMarks = nullptr;
    parts_.scene->Model().SetSlots(slots);
  }
  game_.history.SetLayout(nullptr);  // its word reads the scene's text cache
  if (parts_.trace) std::fflush(parts_.trace);
}

const ProjectFile& PlayerProject::Settings() const { return project_->Settings(); }

void PlayerProject::Tick() { project_->Tick(); }

bool PlayerProject::RunPending() { return project_->RunPending(); }

bool PlayerProject::ReloadInMemory() {
  constexpr int32_t kMemorySlot = -1;  // never a slot of save.dat
  TSaveFile& file = *game_.saveFile;
  const std::string entry = file.BuildGameEntry("reload", "", 0);
  std::string error;
  if (file.LoadGameEntry(entry, kMemorySlot, &error) == TSaveFile::LoadResult::kLoaded) return true;
  LogLine("reload in memory failed: " + error);
  return false;
}

void PlayerProject::Close() {
  project_->Destroy();
  parts_.variableHost->Bind(nullptr, nullptr);
}

// save.dat in the title's directory, or the user's data directory when that is not writable; the
// project's hooks read and write it.
void PlayerProject::WireSaves(PlayerScene* scene, ProjectHooks& hooks) {
  const std::filesystem::path& titleDir = parts_.titleDir;
  const platform::SaveLocation where = platform::ResolveSaveLocation(titleDir, titleDir.filename().string());
  if (where.fallback) {
    std::fprintf(stderr, "kuzoplayer: %s is not writable; save data goes to %s\n", titleDir.c_str(),
                 where.directory.c_str());
  }
  game_.sections = std::make_unique<PlayerSaveSections>(SaveSubsystems{
      scene ? &scene->Model() : nullptr, &game_.history, &game_.marks, nullptr, parts_.vars, &game_.tables});
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

}  // namespace kuzo::host
