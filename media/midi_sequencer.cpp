// Sequencer timing, chasing and controller scaling.
#include "media/midi_sequencer.h"

#include <algorithm>

namespace kuzo::media {

namespace {
constexpr int kVolumeController = 7;
constexpr int kAllNotesOffController = 123;
constexpr uint8_t kControlChange = 0xB0;
constexpr uint8_t kSystemOn[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
constexpr uint32_t kMaxStepMs = 1000;
}  // namespace

TMidiPlayV::TMidiPlayV() {
  for (auto& channel : scale_) channel.fill(100);
}

void TMidiPlayV::LoadFromStream(std::span<const uint8_t> data, const std::string& name) {
  Stop();
  MidiFile file = ReadMidiFile(data, name);
  events_ = std::move(file.events);
  loadProblem_ = std::move(file.problem);
  length_ = file.length;
  current_ = 0;
  position_ = 0;
  for (auto& channel : value_) channel[kVolumeController] = 127;
}

bool TMidiPlayV::OpenPort(IMidiPort* port) {
  port_ = port;
  return port_ != nullptr;
}

void TMidiPlayV::ClosePort() {
  if (!port_) return;
  enabled_ = false;
  port_->Reset();
  port_ = nullptr;
}

void TMidiPlayV::SendSystemOn() {
  if (port_) port_->LongMessage(kSystemOn);
}

bool TMidiPlayV::IsFinished() const {
  // With an empty list count − 1 is −1: the sequencer is finished at once.
  return !loop_ && static_cast<int64_t>(current_) >= static_cast<int64_t>(events_.size()) - 1;
}

void TMidiPlayV::SendController(int channel, int controller) {
  if (!port_) return;
  // Scaled values stay MIDI data bytes whatever the scale.
  const int32_t scaled = std::clamp(value_[channel][controller] * scale_[channel][controller] / 100, 0, 127);
  port_->ShortMessage(static_cast<uint8_t>(kControlChange | channel), static_cast<uint8_t>(controller),
                      static_cast<uint8_t>(scaled));
}

void TMidiPlayV::SendEvent(const TMidiMsgEvent& e) {
  switch (e.messageClass) {
    case MidiMessageClass::kMeta:
      return;
    case MidiMessageClass::kSystemExclusive:
      if (port_) port_->LongMessage(e.bytes);
      return;
    case MidiMessageClass::kShort:
      break;
  }
  if (e.kind == MidiKind::kControlChange) {
    const int channel = e.bytes[0] & 0x0F;
    const int controller = e.bytes[1] & 0x7F;
    value_[channel][controller] = e.bytes[2] & 0x7F;
    SendController(channel, controller);
    return;
  }
  if (port_) port_->ShortMessage(e.bytes[0], e.bytes.size() > 1 ? e.bytes[1] : 0, e.bytes.size() > 2 ? e.bytes[2] : 0);
}

void TMidiPlayV::AllNotesOff() {
  if (!port_) return;
  for (int channel = 0; channel < kChannels; ++channel)
    port_->ShortMessage(static_cast<uint8_t>(kControlChange | channel), kAllNotesOffController, 0);
}

void TMidiPlayV::Tick(uint32_t now) {
  if (!enabled_) return;
  if (events_.empty() || (current_ + 1 >= events_.size() && !loop_)) {
    enabled_ = false;
    return;
  }
  const uint32_t step = std::min(kMaxStepMs, now - lastTime_);
  position_ += static_cast<int32_t>(step);
  lastTime_ = now;
  // Each pass either sends an event or, at the last one, loops back once: a loop whose events all
  // lie at one instant sends them once per tick, never endlessly.
  bool looped = false;
  while (current_ < events_.size()) {
    const TMidiMsgEvent& e = events_[current_];
    if (e.time >= position_) break;
    if (current_ + 1 < events_.size()) {
      SendEvent(e);
      ++current_;
    } else if (loop_ && !looped) {
      // The last event (normally the end of the track) is not sent: it marks where the loop turns.
      AllNotesOff();
      current_ = 0;
      position_ = events_.front().time;
      looped = true;
    } else {
      if (!loop_) enabled_ = false;
      break;
    }
  }
}

void TMidiPlayV::PlayFrom(int32_t ms, uint32_t now) {
  enabled_ = false;
  // The target: the first event at exactly `ms`, else the one before the first event after it;
  // the start when `ms` lies beyond the last event.
  size_t target = 0;
  auto exact = std::find_if(events_.begin(), events_.end(), [&](const TMidiMsgEvent& e) { return e.time == ms; });
  if (exact != events_.end()) {
    target = static_cast<size_t>(exact - events_.begin());
  } else {
    auto after = std::find_if(events_.begin(), events_.end(), [&](const TMidiMsgEvent& e) { return e.time > ms; });
    target = after == events_.end() || after == events_.begin() ? 0 : static_cast<size_t>(after - events_.begin()) - 1;
  }
  if (target < current_) {
    AllNotesOff();
    current_ = 0;
    position_ = 0;
  } else if (target > current_) {
    AllNotesOff();
  }
  // Chase: everything but the notes, so programs, controllers and bends are right at the target.
  while (current_ < target) {
    const TMidiMsgEvent& e = events_[current_];
    position_ = e.time;
    if (e.kind != MidiKind::kNoteOn && e.kind != MidiKind::kNoteOff) SendEvent(e);
    ++current_;
  }
  // The clock resumes at the asked time, not at the last chased event's, so the events after it
  // keep their distances (a resumed piece would otherwise lag by the gap to that event).
  if (!events_.empty() && ms > position_ && ms <= events_.back().time) position_ = ms;
  lastTime_ = now;
  enabled_ = true;
}

void TMidiPlayV::Stop() {
  if (!enabled_) return;
  enabled_ = false;
  AllNotesOff();
}

void TMidiPlayV::SetControllerScale(int controller, int32_t percent) {
  if (controller < 0 || controller >= kControllers) return;
  for (int channel = 0; channel < kChannels; ++channel) {
    scale_[channel][controller] = percent;
    if (enabled_) SendController(channel, controller);
  }
}

}  // namespace kuzo::media
