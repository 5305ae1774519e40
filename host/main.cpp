// kuzoplayer: plays a title in a window, runs it headless for tests, or shows the settings dialog.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "core/errors.h"
#include "host/command_line.h"
#include "host/config_dialog.h"
#include "host/headless_runner.h"
#include "host/main_window.h"
#include "host/runtime.h"
#include "host/scene_wiring.h"
#include "host/settings.h"
#include "host/title_location.h"
#include "platform/clock.h"
#include "platform/cp932.h"
#include "platform/file_system.h"
#include "platform/instance_lock.h"
#include "platform/memory_policy.h"
#include "platform/message_box.h"
#include "platform/optical_media.h"
#include "platform/process.h"

namespace kuzo::host {
namespace {

constexpr int kExitUsage = 2;
constexpr int kExitCannotStart = 1;

// One line on the terminal in UTF-8, whether `what` holds the player's Shift-JIS text or UTF-8 names.
void Complain(const std::string& what) {
  std::fprintf(stderr, "kuzoplayer: %s\n", platform::TerminalText(what).c_str());
}

std::string TitleName(const LaunchOptions& options, const TitleLocation& title) {
  return options.titleArgs.empty() ? title.baseDir.string() : options.titleArgs.front();
}

int RunConfig(const LaunchOptions& options, const std::filesystem::path& exe) {
  auto lock = platform::InstanceLock::Acquire(platform::InstanceLock::NameForDirectory("/config"));
  if (!lock) return 0;  // a settings dialog is already open
  std::filesystem::path dir = options.titleArgs.empty() ? exe.parent_path() : LocateTitle(options.titleArgs, exe).baseDir;
  auto ini = platform::ResolveGameFile(dir, kSettingsFileName);
  return RunConfigDialog(ini ? *ini : dir / kSettingsFileName);
}

int RunHeadless(const LaunchOptions& options, RuntimeConfig config) {
  config.audioOut = options.audioOutFile;
  std::string name = TitleName(options, config.title);
  HeadlessRunner runner(std::move(config), options.ticks, options.deltaMs);
  runner.GetRuntime().State().log = Complain;
  AttachSceneHooks(runner.Hooks(), SceneOptions{options.screenshots, options.inputFile, options.dumpSceneFile});
  if (!options.reloadTicks.empty()) {
    runner.Hooks().beforeTick.push_back([ticks = options.reloadTicks](Runtime& runtime, int64_t tick) {
      if (std::find(ticks.begin(), ticks.end(), tick) != ticks.end()) runtime.RequestReload();
    });
  }
  HeadlessResult result = runner.Run();
  if (result.exitCode != 0) Complain(name + ": the title cannot start: " + result.message);
  return result.exitCode;
}

int RunDesktop(const LaunchOptions& options, RuntimeConfig config) {
  std::error_code ec;
  std::filesystem::path dir = std::filesystem::weakly_canonical(config.title.baseDir, ec);
  if (ec) dir = config.title.baseDir;
  auto lock = platform::InstanceLock::Acquire(platform::InstanceLock::NameForDirectory(dir.string()));
  if (!lock) {
    Complain(dir.string() + ": another player is already running this title");
    return kExitCannotStart;
  }
  std::unique_ptr<MainWindow> window;
  try {
    platform::WindowOptions windowOptions;
    windowOptions.scale = options.scale == "integer" ? platform::ScaleMode::kInteger
                          : options.scale == "sharp" ? platform::ScaleMode::kSharp
                                                     : platform::ScaleMode::kSmooth;
    windowOptions.initialZoom = options.windowZoom;
    window = std::make_unique<MainWindow>(windowOptions);
  } catch (const KuzoError& e) {
    Complain(std::string(e.what()) + " (without a display, run with --headless)");
    return kExitCannotStart;
  }
  auto boxes = platform::CreateDesktopMessageBoxes();
  std::string name = TitleName(options, config.title);
  Runtime runtime(std::move(config), *boxes, [] { return platform::NowMs(); });
  runtime.State().log = Complain;
  window->Attach(runtime);
  runtime.Start();
  int status = 0;
  if (runtime.State().terminateRequested) {
    Complain(name + ": the title cannot start: " + runtime.StartFailure());
    status = kExitCannotStart;
  } else {
    window->Run();
  }
  runtime.Shutdown();
  return status;
}

int Main(const std::vector<std::string>& args) {
  // Inflated entries and pictures are large and short-lived: keep freed blocks for reuse.
  platform::KeepFreedMemoryForReuse();
  LaunchOptions options;
  try {
    options = ParseCommandLine(args);
  } catch (const KuzoError& e) {
    Complain(e.what());
    return kExitUsage;
  }
  if (options.help) {
    std::fputs(UsageText().c_str(), stdout);
    return 0;
  }
  std::filesystem::path exe = platform::ExecutablePath();
  // The player does not run from a disc: it ends at once, as a second instance does.
  if (!options.headless && OnOpticalMedia(exe, platform::OpticalMediaRoots())) {
    Complain("the player does not run from a disc; copy the title to the disk first");
    return kExitCannotStart;
  }
  try {
    if (options.config) return RunConfig(options, exe);
    RuntimeConfig config;
    config.title = LocateTitle(options.titleArgs, exe);
    config.headless = options.headless;
    config.seed = options.seed;
    if (options.startDate) config.virtualStart = *options.startDate;
    config.traceFile = options.traceFile;
    config.dumpVarsFile = options.dumpVarsFile;
    return options.headless ? RunHeadless(options, std::move(config)) : RunDesktop(options, std::move(config));
  } catch (const std::exception& e) {
    Complain(e.what());
    return kExitCannotStart;
  }
}

}  // namespace
}  // namespace kuzo::host

int main(int argc, char** argv) { return kuzo::host::Main(std::vector<std::string>(argv + 1, argv + argc)); }
