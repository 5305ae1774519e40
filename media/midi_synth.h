// The MIDI output port of the player: a General MIDI software synthesiser (FluidSynth with a
// SoundFont) whose sound is a voice of the mixer. The voice also runs the sequencer: before every
// 10 ms of rendered audio it calls the sequencer's Tick with the audio clock, so MIDI timing is
// sample-exact and identical in headless and device runs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "media/audio_mixer.h"
#include "media/midi_sequencer.h"

typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;

namespace kuzo::media {

// The soundfont used when no setting names another.
extern const char* const kDefaultSoundFont;

class FluidSynthPort : public IMidiPort {
 public:
  // Loads `soundFont`; Ready() is false (and `error` says why) when the synthesiser or the font
  // cannot be set up.
  FluidSynthPort(const std::string& soundFont, std::string* error);
  ~FluidSynthPort() override;
  bool Ready() const { return synth_ != nullptr; }

  void ShortMessage(uint8_t status, uint8_t data1, uint8_t data2) override;
  void LongMessage(std::span<const uint8_t> bytes) override;
  void Reset() override;
  // Renders `frames` stereo frames of the synthesiser's output, rounded to 16 bits without dither,
  // so a synthesiser with nothing to play adds exact silence to the mix.
  void Render(int16_t* out, size_t frames);

 private:
  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;
  std::vector<float> scratch_;
};

// A never-ending voice: the synthesiser's output (silence without one) with the sequencer driven
// by the frames it renders.
class MidiVoice : public MixerVoice {
 public:
  MidiVoice(TMidiPlayV& sequencer, FluidSynthPort* port) : sequencer_(sequencer), port_(port) {}
  size_t Render(int16_t* out, size_t frames) override;
  // The audio clock in ms (wrapping like a multimedia timer).
  uint32_t NowMs() const { return static_cast<uint32_t>(rendered_ * 1000 / kMixRate); }

 private:
  TMidiPlayV& sequencer_;
  FluidSynthPort* port_;
  uint64_t rendered_ = 0;
};

}  // namespace kuzo::media
