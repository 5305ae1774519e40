// The host's answers to the "@" system variables: the interpreter's and the scene's parts, plus the
// clocks ("@PCTickCount", "@Year" ... "@Sec", "@Week") read from the Runtime's clock, the screen
// ("@FullScr", "@DisplayModeCount", "@DisplayModeIndex", GetDisplayMode) driven through the screen
// manager, and links opened by OpenUrl (with the desktop's opener; a headless run only logs them).
#pragma once

#include <array>
#include <functional>
#include <string>

#include "core/host_state.h"
#include "host/host_clock.h"
#include "host/subsystems.h"
#include "scene/scene_variables.h"
#include "script/script_variable_host.h"

namespace kuzo::media {
class MediaSystem;
}

namespace kuzo::host {

class HostVariables : public SceneVariables<ScriptVariableHost> {
 public:
  // Null: the clocks read neutral values (0, and the zero date) and links are not opened.
  void BindClock(const HostClock* clock) { clock_ = clock; }
  void BindHost(HostState* state) { state_ = state; }
  // Where the screen manager is found once it exists (null: no screen).
  void BindScreen(std::function<Screen*()> screen) { screen_ = std::move(screen); }
  // Where the media system is found once it exists (null: no MIDI ports, "@MidiPort" empty).
  void BindMedia(std::function<media::MediaSystem*()> media) { media_ = std::move(media); }

  bool FullScreen() override;
  void SetFullScreen(bool b) override;
  int32_t DisplayModeCount() override;
  int32_t DisplayModeIndex() override;
  void SetDisplayModeIndex(int32_t index) override;
  bool DisplayMode(int32_t index, std::array<int32_t, 4>& out) override;

  uint32_t SystemMilliseconds() override { return clock_ ? clock_->SystemMilliseconds() : 0; }
  LocalDateTime Now() override { return clock_ ? clock_->Now() : LocalDateTime{}; }
  void OpenUrl(const std::string& url) override;

  // "@MidiPort" and "@MidiPorts": the MIDI manager's port list ("MIDIマッパー" first).
  std::string MidiPort() override;
  void SetMidiPort(const std::string& name) override;
  int32_t MidiPortCount() override;
  std::string MidiPortName(int32_t index) override;

 private:
  const HostClock* clock_ = nullptr;
  DisplayControl* Display() const;

  HostState* state_ = nullptr;
  std::function<Screen*()> screen_;
  std::function<media::MediaSystem*()> media_;
};

}  // namespace kuzo::host
