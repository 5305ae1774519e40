// The screen variables through the screen manager, the MIDI port variables through the media
// system, and links opened for the scripts.
#include "host/host_variables.h"

#include "media/media_system.h"
#include "platform/cp932.h"
#include "platform/process.h"

namespace kuzo::host {

DisplayControl* HostVariables::Display() const {
  Screen* screen = screen_ ? screen_() : nullptr;
  return screen ? screen->Display() : nullptr;
}

bool HostVariables::FullScreen() {
  DisplayControl* d = Display();
  return d && d->FullScreen();
}

void HostVariables::SetFullScreen(bool b) {
  if (DisplayControl* d = Display()) d->SetFullScreen(b);
}

int32_t HostVariables::DisplayModeCount() {
  DisplayControl* d = Display();
  return d ? d->ModeCount() : 0;
}

int32_t HostVariables::DisplayModeIndex() {
  DisplayControl* d = Display();
  return d ? d->SelectedMode() : -1;
}

void HostVariables::SetDisplayModeIndex(int32_t index) {
  if (DisplayControl* d = Display()) d->SelectMode(index);
}

bool HostVariables::DisplayMode(int32_t index, std::array<int32_t, 4>& out) {
  DisplayControl* d = Display();
  int32_t mode[4] = {};
  if (!d || !d->ModeAt(index, mode)) return false;
  for (size_t k = 0; k < 4; ++k) out[k] = mode[k];
  return true;
}

namespace {
media::TMidiManager* MidiOf(const std::function<media::MediaSystem*()>& media) {
  media::MediaSystem* m = media ? media() : nullptr;
  return m ? &m->Midi() : nullptr;
}
}  // namespace

std::string HostVariables::MidiPort() {
  media::TMidiManager* midi = MidiOf(media_);
  return midi ? midi->SelectedPortName() : std::string();
}

void HostVariables::SetMidiPort(const std::string& name) {
  if (media::TMidiManager* midi = MidiOf(media_)) midi->SelectPort(name);
}

int32_t HostVariables::MidiPortCount() {
  media::TMidiManager* midi = MidiOf(media_);
  return midi ? static_cast<int32_t>(midi->PortNames().size()) : 0;
}

std::string HostVariables::MidiPortName(int32_t index) {
  media::TMidiManager* midi = MidiOf(media_);
  return midi ? midi->PortName(index) : std::string();
}

void HostVariables::OpenUrl(const std::string& url) {
  if (!state_) return;
  if (state_->headless) {
    if (state_->log) state_->log("OpenUrl " + url);
    return;
  }
  if (!platform::OpenWithDesktop(platform::Cp932ToUtf8(url)) && state_->log) {
    state_->log("OpenUrl " + url + ": the desktop's opener (xdg-open) could not be started");
  }
}

}  // namespace kuzo::host
