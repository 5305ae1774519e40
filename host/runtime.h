// The Runtime owns every subsystem of one running title instead of process-wide singletons. It
// creates them in the start-up order (module start, FormCreate, InitializePlayer), drives the
// frame tick through FrameLoop, and frees them in the shutdown order by an explicit Shutdown().
// Subsystems that are not wired yet are reached through the seams of subsystems.h, created by
// replaceable factories, so tests and later layers can put their own objects behind them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/host_state.h"
#include "data/file_manager.h"
#include "data/pe_resource.h"
#include "graphics/image_formats/exe_icon.h"
#include "host/frame_loop.h"
#include "host/settings.h"
#include "host/subsystems.h"
#include "host/title_location.h"
#include "platform/message_box.h"

namespace kuzo::host {

class Runtime;

// The main window as the Runtime sees it (nothing when headless).
class Frontend {
 public:
  virtual ~Frontend() = default;
  virtual void SetTitle(const std::string& sjisTitle) = 0;
  virtual void SizeToScene(int32_t width, int32_t height) = 0;
  virtual void RequestClose() = 0;  // posts a close message: the loop ends after this pass
  // The application's and the window's icon (kept as it is when never called).
  virtual void SetIcon(const IconImage& icon) {}
};

// Left over from earlier runs in the title's directory and deleted at start.
constexpr const char* kOldLogFileName = "kuzoplay.log";

struct RuntimeConfig {
  TitleLocation title;
  bool headless = false;
  std::optional<uint32_t> seed;    // else the local time of day
  std::filesystem::path tempDir;   // temporary files; empty: a private directory of the system's
};

// Creates the subsystems behind the seams. An empty factory leaves its seam empty.
struct RuntimeFactories {
  std::function<std::unique_ptr<OwnedSubsystem>(Runtime&)> paramMan;    // variable table
  std::function<std::unique_ptr<OwnedSubsystem>(Runtime&)> sysFuncMan;  // built-in functions
  std::function<std::unique_ptr<OwnedSubsystem>(Runtime&)> sound;       // DirectSound device
  std::function<std::unique_ptr<Scene>(Runtime&)> scene;
  std::function<std::unique_ptr<Project>(Runtime&)> project;
  // The screen manager; asked only for a positive scene size.
  std::function<std::unique_ptr<Screen>(Runtime&, int32_t width, int32_t height)> screen;
  // The media managers (music, video, CD audio) created with the screen manager.
  std::function<std::unique_ptr<OwnedSubsystem>(Runtime&)> media;
};

// The factories used by the player: the subsystems that exist so far.
RuntimeFactories DefaultFactories();

class Runtime : private FrameSteps, private IPromptHost {
 public:
  using LogStepFn = std::function<void(std::string_view step, bool completed)>;
  static constexpr int32_t kMaxSceneSide = 16384;  // a larger project size is refused at start-up

  Runtime(RuntimeConfig config, RuntimeFactories factories, platform::MessageBoxes& boxes,
          std::function<uint32_t()> clock);
  ~Runtime();
  Runtime(const Runtime&) = delete;
  Runtime& operator=(const Runtime&) = delete;

  void SetLogStep(LogStepFn fn) { logStep_ = std::move(fn); }
  void SetFrontend(Frontend* frontend) { frontend_ = frontend; }

  // Module start-up, FormCreate and InitializePlayer. Never raises: an error inside the player's
  // initialisation is shown in a warning box, and every failure leaves terminateRequested set
  // (StartFailure() then says why in one line).
  void Start();
  // FormClose, FinalizePlayer and module end, in the shutdown order. Runs once.
  void Shutdown();

  // ConfirmExit: asks whether to end the title; true (and a close request) on Yes.
  bool ConfirmExit();

  HostState& State() { return state_; }
  FrameLoop& Loop() { return loop_; }
  TVrFileManager* Files() { return files_.get(); }
  Project* GetProject() { return project_.get(); }
  Scene* GetScene() { return scene_.get(); }
  Screen* GetScreen() { return screen_.get(); }
  platform::MessageBoxes& Boxes() { return boxes_; }
  const RuntimeConfig& Config() const { return config_; }
  const SoundSettings& Settings() const { return settings_; }
  const std::string& StartFailure() const { return startFailure_; }
  bool Started() const { return started_; }
  bool ShutDown() const { return shutDown_; }

 private:
  void LogStep(std::string_view step, bool completed);
  void FormCreate();
  void InitializePlayer();
  void DeleteOldLog();
  std::optional<PeResources> ReadTitleResources() const;
  void SetTitleIcon(const PeResources& exe);
  void RegisterSources(const PeResources* exe);
  std::filesystem::path ArchivePathFor(const std::filesystem::path& archive);
  void Fail(const std::string& reason);

  // FrameSteps
  bool HasProject() const override { return project_ != nullptr; }
  bool HasScreen() const override { return screen_ != nullptr; }
  bool FrameWait() const override;
  void AdvanceFileLocks(int32_t deltaMs) override;
  void SceneUpdate() override;
  void InterpreterStep() override;
  void SceneMotion() override;
  bool RunPendingSaveLoad() override;
  void DrawAndPresent() override;
  void ResetPresentedFrames() override;

  // IPromptHost: the file manager's questions.
  PromptResult ShowPrompt(const std::string& text, const std::string& caption, PromptButtons buttons,
                          PromptIcon icon) override;
  void RequestTerminate() override;
  bool Interactive() const override { return !config_.headless; }

  RuntimeConfig config_;
  RuntimeFactories factories_;
  platform::MessageBoxes& boxes_;
  HostState state_;
  FrameLoop loop_;
  SoundSettings settings_;
  LogStepFn logStep_;
  Frontend* frontend_ = nullptr;
  std::string startFailure_;
  std::filesystem::path selfLinkDir_;  // holds the ".exe" link to an executable without one
  bool started_ = false;
  bool shutDown_ = false;

  std::unique_ptr<TVrFileManager> files_;
  std::unique_ptr<OwnedSubsystem> paramMan_;
  std::unique_ptr<OwnedSubsystem> sysFuncMan_;
  std::unique_ptr<OwnedSubsystem> sound_;
  std::unique_ptr<Scene> scene_;
  std::unique_ptr<Project> project_;
  std::unique_ptr<Screen> screen_;
  std::unique_ptr<OwnedSubsystem> media_;
};

}  // namespace kuzo::host
