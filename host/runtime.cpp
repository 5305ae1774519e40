// Start-up and shutdown of one running title in their fixed order, and the frame tick's steps.
#include "host/runtime.h"

#include <cstdio>
#include <utility>

#include "core/errors.h"
#include "core/sjis.h"
#include "data/archive.h"
#include "data/pe_resource.h"
#include "host/headless_screen.h"
#include "platform/cp932.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "script/variable_access.h"

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

Runtime::Runtime(RuntimeConfig config, platform::MessageBoxes& boxes, std::function<uint32_t()> clock)
    : config_(std::move(config)),
      boxes_(boxes),
      wallClock_(config_.headless ? HostClock(config_.virtualStart, clock) : HostClock()),
      loop_(state_, *this, std::move(clock)) {
  state_.headless = config_.headless;
  if (!config_.traceFile.empty()) {
    trace_.reset(std::fopen(config_.traceFile.c_str(), "wb"));
    if (!trace_) throw KuzoError(config_.traceFile.string() + ": cannot be written (--trace)");
  }
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
  CreateVariables();

  try {
    InitializePlayer();
  } catch (const std::exception& e) {
    boxes_.Show(e.what(), kWarningCaption, platform::MessageButtons::kOk, platform::MessageIcon::kWarning,
                platform::MessageResult::kOk);
    Fail(platform::TerminalText(e.what()));
  }
  LogStep("FormCreate", true);
}

// The variable table, its host side (clocks, screen, the interpreter once the project exists) and
// the built-in functions that register themselves with it.
void Runtime::CreateVariables() {
  vars_ = std::make_unique<TParamCollection>();
  variableHost_.BindClock(&wallClock_);
  variableHost_.BindHost(&state_);
  variableHost_.BindScreen([this] { return screen_.get(); });
  // Written pointer variables move the window's pointer; the scene learns the new place at once, as
  // the window's motion event would tell it, so writing "@MouseY" after "@MouseX" keeps the new X.
  if (frontend_) {
    variableHost_.SetCursorWarp([this](int32_t x, int32_t y) {
      frontend_->MovePointer(x, y);
      if (scene_) scene_->MouseMove(x, y);
    });
  }
  variableHost_.BindMedia([this] { return media_.get(); });
  vars_->SetState(&state_);
  vars_->SetHost(&variableHost_);
  funcs_ = std::make_unique<TSysFuncMan>(*vars_, state_);
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
  // The sound device itself opens with the media managers, whose mixer feeds it.
  LogStep("DXSound.Initialize", false);
  LogStep("DXSound.Initialize", true);

  LogStep("KuzoInitialize", false);
  scene_ = std::make_unique<PlayerScene>(state_, files_.get());
  scene_->InstallVariables(vars_.get());
  LogStep("KuzoInitialize", true);

  LogStep("TProject.Create", false);
  ProjectParts parts;
  parts.files = files_.get();
  parts.state = &state_;
  parts.boxes = &boxes_;
  parts.vars = vars_.get();
  parts.variableHost = &variableHost_;
  parts.scene = scene_.get();
  parts.trace = trace_.get();
  parts.namedOnCommandLine = config_.title.namedOnCommandLine;
  parts.titleDir = config_.title.baseDir;
  project_ = std::make_unique<PlayerProject>(parts);
  if (frontend_) frontend_->SetTitle(project_->Title());
  LogStep("TProject.Create", true);

  const int32_t width = project_->Width();
  const int32_t height = project_->Height();
  LogStep("MediaInit", false);
  if (width > kMaxSceneSide || height > kMaxSceneSide) {
    throw KuzoError(Format("scene size %dx%d is larger than %dx%d", width, height, kMaxSceneSide, kMaxSceneSide));
  }
  CreateMedia();
  if (width > 0 && height > 0) {
    screen_ = frontend_ ? frontend_->CreateScreen(width, height) : std::make_unique<HeadlessScreen>();
  }
  LogStep("MediaInit", true);

  LogStep("KuzoInitColor", false);
  LogStep("KuzoInitColor", true);

  if (width > 0 && height > 0) {
    if (frontend_) frontend_->SizeToScene(width, height);
    scene_->SetSize(width, height);
  }
}

// The media managers read the title's data through the file manager. A headless run opens no
// device: its mix advances with the virtual clock and may be written to a wave file from time 0.
void Runtime::CreateMedia() {
  TVrFileManager& files = *files_;
  media::MediaFiles mediaFiles;
  mediaFiles.openRange = [&files](std::string_view name) { return files.OpenRange(name); };
  mediaFiles.readFile = [&files](std::string_view name) { return files.ReadFile(name); };
  mediaFiles.exists = [&files](std::string_view name) { return files.Exists(name); };
  media::MediaSettings mediaSettings;
  mediaSettings.directSound = settings_.directSound;
  mediaSettings.delayTimeMs = settings_.delayTimeMs;
  auto log = [this](const std::string& line) {
    if (state_.log) state_.log(line);
  };
  media_ = std::make_unique<media::MediaSystem>(std::move(mediaFiles), std::move(mediaSettings), log);
  if (config_.headless) {
    if (!config_.audioOut.empty()) media_->Engine().WriteOutputTo(config_.audioOut);
  } else {
    std::string error;
    if (!media_->Engine().OpenDevice(media::kDeviceBufferMs, &error)) log("no sound device, the title plays silent: " + error);
  }
  scene_->InstallMedia(media_.get());
}

void Runtime::DumpVariables() {
  try {
    platform::WriteFileAtomic(config_.dumpVarsFile, ::kuzo::DumpVariables(*vars_));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kuzoplayer: --dump-vars: %s\n", platform::Cp932ToUtf8(e.what()).c_str());
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
  // The variables as the exit page left them.
  if (vars_ && !config_.dumpVarsFile.empty()) DumpVariables();
  LogStep("SysFuncMan.Free", false);
  funcs_.reset();
  LogStep("SysFuncMan.Free", true);
  LogStep("ParamMan.Free", false);
  if (scene_) scene_->InstallVariables(nullptr);
  vars_.reset();
  variableHost_.Bind(nullptr, nullptr);
  variableHost_.BindScene(nullptr);
  variableHost_.BindClock(nullptr);
  variableHost_.BindHost(nullptr);
  variableHost_.BindScreen(nullptr);
  variableHost_.SetCursorWarp(nullptr);
  variableHost_.BindMedia(nullptr);
  LogStep("ParamMan.Free", true);
  LogStep("KuzoFinalize", false);
  if (scene_) Guarded("KuzoFinalize", [&] { scene_->Close(); });
  scene_.reset();
  LogStep("KuzoFinalize", true);
  LogStep("MediaFinal", false);
  LogStep("ScreenMan.Free", false);
  screen_.reset();
  LogStep("ScreenMan.Free", true);
  // The device is silenced first; the managers go in the order video, WMA, Ogg, CD audio, MIDI.
  if (media_) Guarded("MediaFinal", [&] { media_->Shutdown(); });
  media_.reset();
  LogStep("kuzoFinal", false);
  LogStep("kuzoFinal", true);
  LogStep("MediaFinal", true);
  LogStep("FormClose", false);
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
  if (trace_) std::fflush(trace_.get());
  trace_.reset();
}

void Runtime::Activate() {
  loop_.Activate();
  if (media_) media_->ResumeAll();
}

void Runtime::Deactivate() {
  loop_.Deactivate();
  if (media_) media_->PauseAll();
  if (scene_) scene_->FocusLost();
}

void Runtime::AdvanceMediaTo(int64_t ms) {
  if (media_ && config_.headless) media_->AdvanceTo(ms);
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

bool Runtime::RunPendingSaveLoad() {
  bool loaded = project_->RunPending();
  if (reloadPending_) {
    reloadPending_ = false;
    if (project_->ReloadInMemory()) loaded = true;
  }
  return loaded;
}

void Runtime::DrawAndPresent() {
  if (!scene_) return;
  if (!screen_) {  // a tick forced without a screen manager draws nothing
    scene_->ClearDirty();
    return;
  }
  scene_->Draw();
  screen_->Present(scene_->Frame());
  scene_->ClearDirty();
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
