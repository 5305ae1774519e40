// The project's load sequence, per-tick work and shutdown.
#include "script/project.h"

#include "core/errors.h"
#include "vars/param.h"
#include "vars/param_collection.h"

namespace kuzo {
namespace {
constexpr const char* kNoProject = "プロジェクトがありません";
constexpr const char* kNoStartPage = "スタートページがありません";
}  // namespace

TProject::TProject(ScriptServices services, ProjectHooks hooks)
    : services_(std::move(services)), outer_(services_.game), hooks_(std::move(hooks)) {
  services_.game = this;  // the commands' game requests come to the project
}

TProject::~TProject() { Destroy(); }

void TProject::ShowWarning(const std::string& text) {
  if (hooks_.warn) hooks_.warn(text);
  else if (outer_) outer_->ShowWarning(text);
}

void TProject::PostClose() {
  if (outer_) outer_->PostClose();
}

void TProject::RequestSave(int32_t slot, const std::string& caption, int32_t flag, const std::string& text) {
  PendingSave = slot;
  PendingSaveCaption = caption;
  PendingSaveFlag = flag;
  PendingSaveText = text;
}

void TProject::RequestLoad(int32_t slot) { PendingLoad = slot; }

void TProject::Create() {
  HostState& host = *services_.host;
  host.terminateRequested = true;  // cleared only when the project has loaded
  try {
    if (hooks_.fillSaveCaptions) hooks_.fillSaveCaptions();
    PendingLoad = PendingSave = -1;
    if (hooks_.loadStatus) hooks_.loadStatus();
    file_.title = std::string(kDefaultTitle);
    if (!hooks_.hasCommandLineArgs && hooks_.locateGameData && !hooks_.locateGameData()) {
      failure_ = "the title's data was not found";
      return;
    }
    if (!LoadProjectFile()) return;
    host.terminateRequested = false;
    ReadOriginalFolderDisks();
    if (hooks_.applyFileInfo) hooks_.applyFileInfo(file_);
    callMan_ = std::make_unique<TCallMan>(services_);
    if (!file_.startPage.empty() && services_.files->Exists(file_.startPage)) {
      callMan_->Start(file_.startPage);
    } else {
      ShowWarning(kNoStartPage);
      host.terminateRequested = true;
      failure_ = "the project's start page is missing";
    }
  } catch (const std::exception& e) {
    host.terminateRequested = true;
    failure_ = std::string("the project cannot be loaded: ") + e.what();
  }
}

bool TProject::LoadProjectFile() {
  std::string bytes;
  try {
    bytes = services_.files->ReadFile(std::string(kProjectFileName));
  } catch (const std::exception&) {
    failure_ = "no project file kuzo.kpb in the title's data";
    return false;  // missing or unreadable: the player ends without a message
  }
  if (bytes.empty()) {
    ShowWarning(kNoProject);
    failure_ = "the project file kuzo.kpb is empty";
    return false;
  }
  try {
    ByteReader r(bytes, std::string(kProjectFileName));
    ProjectFile f;
    f.version = r.U32("version");
    if (f.version > kProjectVersionMax) {
      failure_ = Format("the project file has version %u; this player reads up to %u", f.version, kProjectVersionMax);
      return false;
    }
    f.ReadFields(r);
    file_ = std::move(f);
    if (hooks_.setTitle) hooks_.setTitle(file_.title);
    if (hooks_.setZoomCentre) hooks_.setZoomCentre(file_.width / 2, file_.height / 2);
    DeclareVariables();
  } catch (const std::exception& e) {
    failure_ = std::string("the project file cannot be read: ") + e.what();
    return false;
  }
  return true;
}

void TProject::DeclareVariables() {
  TParamCollection& vars = *services_.vars;
  for (const auto& d : file_.variables) {
    if (vars.Find(d.name)) continue;  // restored from the status data: keeps its saved value
    TParamCollectionItem& item = vars.AddVariable(d.type);
    try {
      item.SetName(d.name);
    } catch (...) {
      vars.DeleteVariable(item);
      throw;
    }
    item.SetStatus(true);
    TCustomParam* p = item.Param();
    if (!p) continue;
    switch (d.type) {
      case 1: p->SetInteger(d.intValue); break;
      case 2: p->SetFloat(d.floatValue); break;
      case 3: p->SetBoolean(d.flagValue); break;
      case 4: p->SetString(d.strValue); break;
      default: break;
    }
  }
}

void TProject::ReadOriginalFolderDisks() {
  const std::string name(kOriginalProjectFileName);
  try {
    if (!services_.files->Exists(name)) return;
    const std::string bytes = services_.files->ReadFile(name);
    file_.folderDisks.clear();
    ByteReader r(bytes, name);
    ProjectFile original;
    original.version = r.U32("version");
    if (original.version > kProjectVersionMax) return;
    original.ReadFields(r);
    file_.folderDisks = std::move(original.folderDisks);
  } catch (const std::exception&) {
    // a damaged companion file leaves whatever was read
  }
}

void TProject::Tick() {
  if (callMan_) callMan_->Step();
}

bool TProject::RunPending() {
  bool loaded = false;
  if (PendingLoad >= 0) {
    const int32_t slot = PendingLoad;
    PendingLoad = -1;
    if (hooks_.loadGame) hooks_.loadGame(slot);
    loaded = true;
  }
  if (PendingSave >= 0) {
    const int32_t slot = PendingSave;
    PendingSave = -1;
    if (hooks_.saveGame) hooks_.saveGame(slot, PendingSaveCaption, PendingSaveFlag, PendingSaveText);
  }
  return loaded;
}

void TProject::Destroy() {
  if (destroyed_) return;
  destroyed_ = true;
  HostState& host = *services_.host;
  if (callMan_ && !file_.exitPage.empty()) {
    try {
      callMan_->Start(file_.exitPage);
      host.terminateRequested = false;
      callMan_->Step();
    } catch (const std::exception&) {
    }
    host.terminateRequested = true;
  }
  if (hooks_.saveStatus) {
    try {
      hooks_.saveStatus();
    } catch (const std::exception&) {
    }
  }
  callMan_.reset();
}

}  // namespace kuzo
