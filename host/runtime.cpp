// Start-up and shutdown of one running title in their fixed order, and the frame tick's steps.
#include "host/runtime.h"

#include <cstdio>
#include <utility>

#include "core/errors.h"
#include "core/sjis.h"
#include "data/archive.h"
#include "data/pe_resource.h"
#include "host/project_header.h"
#include "platform/cp932.h"
#include "platform/file_system.h"
#include "platform/process.h"

namespace kuzo::host {
namespace {

constexpr const char* kWarningCaption = "警告";
constexpr const char* kConfirmExitText = "「%s」を終了しますか？";

// Runs one shutdown step; a failing step is reported and the next ones still run.
template <typename Fn>
void Guarded(const char* step, Fn&& fn) {
  try {
    fn();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kuzoplayer: %s: %s\n", step, platform::Cp932ToUtf8(e.what()).c_str());
  }
}

}  // namespace

RuntimeFactories DefaultFactories() {
  RuntimeFactories f;
  f.project = [](Runtime& rt) -> std::unique_ptr<Project> {
    return std::make_unique<ProjectHeaderProject>(*rt.Files(), rt.State(), rt.Boxes(),
                                                  rt.Config().title.namedOnCommandLine);
  };
  return f;
}

Runtime::Runtime(RuntimeConfig config, RuntimeFactories factories, platform::MessageBoxes& boxes,
                 std::function<uint32_t()> clock)
    : config_(std::move(config)),
      factories_(std::move(factories)),
      boxes_(boxes),
      wallClock_(config_.headless ? HostClock(config_.virtualStart, clock) : HostClock()),
      loop_(state_, *this, std::move(clock)) {
  state_.headless = config_.headless;
}

Runtime::~Runtime() { Shutdown(); }

void Runtime::LogStep(std::string_view step, bool completed) {
  if (logStep_) logStep_(step, completed);
}

void Runtime::Fail(const std::string& reason) {
  state_.terminateRequested = true;
  if (startFailure_.empty()) startFailure_ = reason;
}

void Runtime::Start() {
  if (started_) return;
  started_ = true;
  try {
    // Module start-up: the media library binding, then the file manager.
    LogStep("InitDll", false);
    LogStep("InitDll", true);
    files_ = std::make_unique<TVrFileManager>();
    files_->SetPromptHost(this);
    files_->SetExecutableDir(config_.title.baseDir);
    if (!config_.tempDir.empty()) files_->SetTempDir(config_.tempDir);
    FormCreate();
  } catch (const std::exception& e) {
    // Failures before the player's own initialisation (an unreadable archive named on the
    // command line) end the start-up the same way, with the message shown.
    boxes_.Show(e.what(), kWarningCaption, platform::MessageButtons::kOk, platform::MessageIcon::kWarning,
                platform::MessageResult::kOk);
    Fail(platform::TerminalText(e.what()));
  }
  if (state_.terminateRequested) {
    if (startFailure_.empty()) {
      startFailure_ = project_ ? project_->FailureReason() : std::string();
      if (startFailure_.empty()) startFailure_ = "the title ended during start-up";
    }
    if (frontend_) frontend_->RequestClose();
  }
}

void Runtime::FormCreate() {
  DeleteOldLog();
  LogStep("FormCreate", false);
  state_.random.Seed(config_.seed ? *config_.seed : platform::LocalTimeOfDayMs());

  auto ini = platform::ResolveGameFile(config_.title.baseDir, kSettingsFileName);
  try {
    if (ini) settings_ = LoadSoundSettings(*ini);
  } catch (const KuzoError& e) {
    std::fprintf(stderr, "kuzoplayer: %s (using the default sound settings)\n", e.what());
  }

  // The executable's resource section is read once, for its icon and for its archive resource.
  const std::optional<PeResources> exe = ReadTitleResources();
  if (exe) SetTitleIcon(*exe);
  RegisterSources(exe ? &*exe : nullptr);
  LogStep("TBasePanel.Create", false);
  LogStep("TBasePanel.Create", true);
  if (factories_.paramMan) paramMan_ = factories_.paramMan(*this);
  if (factories_.sysFuncMan) sysFuncMan_ = factories_.sysFuncMan(*this);

  try {
    InitializePlayer();
  } catch (const std::exception& e) {
    boxes_.Show(e.what(), kWarningCaption, platform::MessageButtons::kOk, platform::MessageIcon::kWarning,
                platform::MessageResult::kOk);
    Fail(platform::TerminalText(e.what()));
  }
  LogStep("FormCreate", true);
}

void Runtime::DeleteOldLog() {
  if (config_.title.baseDir.empty()) return;  // the player's own directory is unknown
  const auto log = platform::ResolveGameFile(config_.title.baseDir, kOldLogFileName);
  if (!log || !platform::IsRegularFile(*log)) return;
  std::error_code ignored;
  std::filesystem::remove(*log, ignored);
}

std::optional<PeResources> Runtime::ReadTitleResources() const {
  if (config_.title.executable.empty()) return std::nullopt;
  try {
    return PeResources::Open(config_.title.executable);
  } catch (const FormatError& e) {
    // Malformed headers: no icon and no archive resource; the title may still play from its trailer.
    std::fprintf(stderr, "kuzoplayer: %s (no icon or archive resource)\n", platform::Cp932ToUtf8(e.what()).c_str());
    return std::nullopt;
  }
}

void Runtime::SetTitleIcon(const PeResources& exe) {
  if (frontend_ == nullptr) return;
  try {
    if (auto icon = FindFirstIcon(exe)) frontend_->SetIcon(*icon);
  } catch (const FormatError& e) {
    // A damaged icon leaves the default one; the title itself may still play.
    std::fprintf(stderr, "kuzoplayer: %s (keeping the default icon)\n", platform::Cp932ToUtf8(e.what()).c_str());
  }
}

void Runtime::RegisterSources(const PeResources* exe) {
  std::string base = config_.title.baseDir.string();
  files_->SetBaseDir(base.empty() ? std::string("./") : base);
  // The executable's "DUMMY" resource comes before the archive behind its trailer.
  if (exe != nullptr) {
    if (auto resource = FindResourceArchive(*exe)) {
      files_->AddResourceArchive(std::move(resource), std::string(kArchiveResourceName));
    }
  }
  for (const auto& archive : config_.title.archives) {
    // A damaged archive is unusable, nothing else is affected: the title plays from the others.
    try {
      // Only the title's executable is read through its trailer, whatever its name (the player's own
      // executable on Linux has no ".exe"); a game.dat whose last bytes look like a trailer is not.
      if (archive == config_.title.executable) {
        files_->AddExecutableArchive(archive);
      } else {
        files_->AddArchive(archive);
      }
    } catch (const FormatError& e) {
      std::fprintf(stderr, "kuzoplayer: %s (archive not used)\n", platform::TerminalText(e.what()).c_str());
    }
  }
}

void Runtime::InitializePlayer() {
  LogStep("DXSound.Initialize", false);
  if (settings_.directSound && !config_.headless && factories_.sound) {
    try {
      sound_ = factories_.sound(*this);
    } catch (const std::exception&) {
      sound_.reset();  // the player runs silent
    }
  }
  LogStep("DXSound.Initialize", true);

  LogStep("KuzoInitialize", false);
  if (factories_.scene) scene_ = factories_.scene(*this);
  LogStep("KuzoInitialize", true);

  LogStep("TProject.Create", false);
  if (factories_.project) project_ = factories_.project(*this);
  if (project_ && frontend_) frontend_->SetTitle(project_->Title());
  LogStep("TProject.Create", true);

  int32_t width = project_ ? project_->Width() : 0;
  int32_t height = project_ ? project_->Height() : 0;
  LogStep("MediaInit", false);
  if (width > kMaxSceneSide || height > kMaxSceneSide) {
    throw KuzoError(Format("scene size %dx%d is larger than %dx%d", width, height, kMaxSceneSide, kMaxSceneSide));
  }
  if (factories_.media) media_ = factories_.media(*this);
  if (width > 0 && height > 0 && factories_.screen) screen_ = factories_.screen(*this, width, height);
  LogStep("MediaInit", true);

  LogStep("KuzoInitColor", false);
  LogStep("KuzoInitColor", true);

  if (width > 0 && height > 0) {
    if (frontend_) frontend_->SizeToScene(width, height);
    if (scene_) scene_->SetSize(width, height);
  }
}

void Runtime::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  state_.terminateRequested = true;
  if (project_) {
    LogStep("Project.Free", false);
    Guarded("Project.Free", [&] { project_->Close(); });
    project_.reset();
    LogStep("Project.Free", true);
  }
  LogStep("SysFuncMan.Free", false);
  sysFuncMan_.reset();
  LogStep("SysFuncMan.Free", true);
  LogStep("ParamMan.Free", false);
  paramMan_.reset();
  LogStep("ParamMan.Free", true);
  LogStep("KuzoFinalize", false);
  if (scene_) Guarded("KuzoFinalize", [&] { scene_->Close(); });
  scene_.reset();
  LogStep("KuzoFinalize", true);
  LogStep("MediaFinal", false);
  LogStep("ScreenMan.Free", false);
  screen_.reset();
  LogStep("ScreenMan.Free", true);
  media_.reset();
  LogStep("kuzoFinal", false);
  LogStep("kuzoFinal", true);
  LogStep("MediaFinal", true);
  LogStep("FormClose", false);
  sound_.reset();
  LogStep("FormClose", true);
  // Module end: the file manager deletes its temporary files, then the exit list goes.
  if (files_) {
    Guarded("FileManager.Free", [&] {
      files_->Shutdown();
      files_->DeletePendingFiles();
    });
    files_.reset();
  }
  for (const auto& path : state_.exitDeleteList) {
    std::error_code ignored;
    std::filesystem::remove(std::filesystem::path(path), ignored);
  }
  state_.exitDeleteList.clear();
}

bool Runtime::ConfirmExit() {
  bool saved = state_.terminateRequested;
  state_.terminateRequested = true;
  const std::string title = project_ ? project_->Title() : std::string();
  auto answer = boxes_.Show(Format(kConfirmExitText, title.c_str()), title, platform::MessageButtons::kYesNo,
                            platform::MessageIcon::kQuestion, platform::MessageResult::kYes);
  if (answer == platform::MessageResult::kYes) {
    if (frontend_) frontend_->RequestClose();
    return true;
  }
  state_.terminateRequested = saved;
  return false;
}

bool Runtime::FrameWait() const { return !config_.headless && project_ && project_->FrameWait(); }

void Runtime::AdvanceFileLocks(int32_t deltaMs) {
  if (!files_) return;
  files_->AdvanceLocks(deltaMs);
  files_->DeletePendingFiles();
}

void Runtime::SceneUpdate() {
  if (scene_) scene_->Update();
}

void Runtime::InterpreterStep() { project_->Tick(); }

void Runtime::SceneMotion() {
  if (scene_) scene_->Motion();
}

bool Runtime::RunPendingSaveLoad() { return project_->RunPending(); }

void Runtime::DrawAndPresent() {
  if (!screen_) {  // a tick forced without a screen manager draws nothing
    if (scene_) scene_->ClearDirty();
    return;
  }
  if (scene_) {
    scene_->Draw();
    screen_->Present(scene_->Frame());
    scene_->ClearDirty();
  } else {
    screen_->Present(FrameView{});
  }
}

void Runtime::ResetPresentedFrames() {
  if (screen_) screen_->ResetPresentedFrames();
}

PromptResult Runtime::ShowPrompt(const std::string& text, const std::string& caption, PromptButtons buttons,
                                 PromptIcon icon) {
  auto b = buttons == PromptButtons::kOkCancel ? platform::MessageButtons::kOkCancel : platform::MessageButtons::kOk;
  auto i = icon == PromptIcon::kWarning       ? platform::MessageIcon::kWarning
           : icon == PromptIcon::kInformation ? platform::MessageIcon::kInformation
                                              : platform::MessageIcon::kNone;
  auto answer = boxes_.Show(text, caption, b, i, platform::MessageResult::kOk);
  return answer == platform::MessageResult::kCancel ? PromptResult::kCancel : PromptResult::kOk;
}

void Runtime::RequestTerminate() {
  state_.terminateRequested = true;
  if (frontend_) frontend_->RequestClose();
}

}  // namespace kuzo::host
