// The Runtime owns every subsystem of one running title instead of process-wide singletons: the
// file manager, the variable table and built-in functions, the scene, the project, the media
// system and the screen, as plain members. It creates them in the start-up order (module start,
// FormCreate, InitializePlayer), drives the frame tick through FrameLoop, and frees them in the
// shutdown order by an explicit Shutdown(). Only the platform's edges come from outside: the clock,
// the window (Frontend), the message boxes, the sound device (opened unless headless) and the
// title's directory.
#pragma once

#include <cstdint>
#include <cstdio>
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
#include "host/host_clock.h"
#include "host/host_variables.h"
#include "host/player_project.h"
#include "host/player_scene.h"
#include "host/settings.h"
#include "host/subsystems.h"
#include "host/title_location.h"
#include "media/media_system.h"
#include "platform/message_box.h"
#include "vars/param_collection.h"
#include "vars/sys_func_man.h"

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
  // The screen manager presenting through this window, for a scene of this size.
  virtual std::unique_ptr<Screen> CreateScreen(int32_t width, int32_t height) = 0;
  // Moves the pointer over the scene ("@MouseX"/"@MouseY" written), in scene pixels.
  virtual void MovePointer(int32_t sceneX, int32_t sceneY) = 0;
};

// Left over from earlier runs in the title's directory and deleted at start.
constexpr const char* kOldLogFileName = "kuzoplay.log";

struct RuntimeConfig {
  TitleLocation title;
  bool headless = false;
  std::optional<uint32_t> seed;    // else the local time of day
  std::filesystem::path tempDir;   // temporary files; empty: a private directory of the system's
  int64_t virtualStart = kDefaultVirtualStart;  // headless: the local date the virtual clock starts at
  std::filesystem::path traceFile;     // one line per executed command and started handler
  std::filesystem::path dumpVarsFile;  // the script variables after the exit page
  std::filesystem::path audioOut;      // headless: the whole mix as a wave file
};

class Runtime : private FrameSteps, private IPromptHost {
 public:
  using LogStepFn = std::function<void(std::string_view step, bool completed)>;
  static constexpr int32_t kMaxSceneSide = 16384;  // a larger project size is refused at start-up

  // Raises KuzoError when the trace file cannot be written.
  Runtime(RuntimeConfig config, platform::MessageBoxes& boxes, std::function<uint32_t()> clock);
  ~Runtime();
  Runtime(const Runtime&) = delete;
  Runtime& operator=(const Runtime&) = delete;

  void SetLogStep(LogStepFn fn) { logStep_ = std::move(fn); }
  // The window; without one (headless) the scripted pointer is the scene's own.
  void SetFrontend(Frontend* frontend) { frontend_ = frontend; }

  // Module start-up, FormCreate and InitializePlayer. Never raises: an error inside the player's
  // initialisation is shown in a warning box, and every failure leaves terminateRequested set
  // (StartFailure() then says why in one line).
  void Start();
  // FormClose, FinalizePlayer and module end, in the shutdown order. Runs once.
  void Shutdown();

  // Focus: losing it stops the frame loop, pauses what the media managers play and clears the
  // scene's key state; regaining it restarts the loop without a time jump and resumes exactly
  // what was paused.
  void Activate();
  void Deactivate();
  // Headless: the media mix is rendered up to virtual time `ms`, before the tick at that time.
  void AdvanceMediaTo(int64_t ms);

  // Headless test runs: at the end of the next frame tick, after the tick's own save and load, the
  // game is saved into a memory slot as a script save writes it and loaded back through the load
  // path; the frame of that tick is then not drawn, as after any load.
  void RequestReload() { reloadPending_ = true; }

  // ConfirmExit: asks whether to end the title; true (and a close request) on Yes.
  bool ConfirmExit();

  HostState& State() { return state_; }
  // The clocks of the date and time variables (virtual when headless).
  const HostClock& WallClock() const { return wallClock_; }
  FrameLoop& Loop() { return loop_; }
  TVrFileManager* Files() { return files_.get(); }
  TParamCollection* Variables() { return vars_.get(); }
  PlayerProject* GetProject() { return project_.get(); }
  PlayerScene* GetScene() { return scene_.get(); }
  media::MediaSystem* Media() { return media_.get(); }
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
  void Fail(const std::string& reason);
  void CreateVariables();
  void CreateMedia();
  void DumpVariables();

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
  platform::MessageBoxes& boxes_;
  HostState state_;
  HostClock wallClock_;
  FrameLoop loop_;
  SoundSettings settings_;
  LogStepFn logStep_;
  Frontend* frontend_ = nullptr;
  std::string startFailure_;
  bool started_ = false;
  bool shutDown_ = false;
  bool reloadPending_ = false;

  // In the start-up order; Shutdown frees them in the order of the shutdown steps.
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> trace_{nullptr, &std::fclose};
  std::unique_ptr<TVrFileManager> files_;
  HostVariables variableHost_;  // the "@" variables' host side, bound while the table exists
  std::unique_ptr<TParamCollection> vars_;
  std::unique_ptr<TSysFuncMan> funcs_;
  std::unique_ptr<PlayerScene> scene_;
  std::unique_ptr<PlayerProject> project_;
  std::unique_ptr<media::MediaSystem> media_;
  std::unique_ptr<Screen> screen_;
};

}  // namespace kuzo::host
