// The MIDI sequencer: one loaded file played to an output port, event by event, as its clock ticks
// every 10 ms. Chasing a start position sends every controller and program change before it (never
// the notes), looping restarts at the first event once the last one is due, and controller 7 is
// scaled per channel for the item's volume.
//
// The clock is the audio clock of the synthesiser voice that renders the port's output, and Tick is
// called from that voice's rendering; every main-thread operation happens under the mixer's lock,
// which is the hold that keeps a Tick from running in the middle of it.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "media/midi_file.h"

namespace kuzo::media {

// Where the sequencer's messages go.
class IMidiPort {
 public:
  virtual ~IMidiPort() = default;
  virtual void ShortMessage(uint8_t status, uint8_t data1, uint8_t data2) = 0;
  // A whole system-exclusive message, F0 … F7 (or an F7 escape) as stored.
  virtual void LongMessage(std::span<const uint8_t> bytes) = 0;
  // Silences everything and returns every controller to its default.
  virtual void Reset() = 0;
};

class TMidiPlayV {
 public:
  static constexpr uint32_t kTickIntervalMs = 10;
  static constexpr int kChannels = 16;
  static constexpr int kControllers = 128;

  TMidiPlayV();

  // Stops playback and loads a file (an empty event list when it is not one).
  void LoadFromStream(std::span<const uint8_t> data, const std::string& name);
  int32_t Length() const { return length_; }
  size_t EventCount() const { return events_.size(); }
  const std::string& LoadProblem() const { return loadProblem_; }

  // A null port leaves the sequencer silent; it still keeps time.
  bool OpenPort(IMidiPort* port);
  void ClosePort();
  bool Opened() const { return port_ != nullptr; }

  void SendSystemOn();
  // Starts from `ms`, with `now` the current clock.
  void PlayFrom(int32_t ms, uint32_t now);
  void Stop();
  bool IsPlaying() const { return enabled_; }
  bool IsFinished() const;
  int32_t Position() const { return position_; }
  bool Loop() const { return loop_; }
  void SetLoop(bool loop) { loop_ = loop; }

  // Stores `percent` for `controller` on all channels and, while playing, resends the controller.
  void SetControllerScale(int controller, int32_t percent);
  // The value the file last set for a channel's controller.
  uint8_t ControllerValue(int channel, int controller) const { return value_[channel][controller]; }

  // The timer callback: advances the position by the time since the last tick (at most 1000 ms)
  // and sends the events that became due.
  void Tick(uint32_t now);

 private:
  void SendEvent(const TMidiMsgEvent& e);
  void SendController(int channel, int controller);
  void AllNotesOff();

  std::vector<TMidiMsgEvent> events_;
  std::string loadProblem_;
  int32_t length_ = 0;
  IMidiPort* port_ = nullptr;
  size_t current_ = 0;
  int32_t position_ = 0;
  uint32_t lastTime_ = 0;
  bool loop_ = false;
  bool enabled_ = false;
  std::array<std::array<uint8_t, kControllers>, kChannels> value_{};
  std::array<std::array<int32_t, kControllers>, kChannels> scale_{};
};

}  // namespace kuzo::media
