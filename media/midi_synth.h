// The MIDI output port of the player: a General MIDI software synthesiser (FluidSynth with a
// SoundFont) whose sound is a voice of the mixer. The voice also runs the sequencer: before every
// 10 ms of rendered audio it calls the sequencer's Tick with the audio clock, so MIDI timing is
// sample-exact and identical in headless and device runs.
//
// A synthesiser with nothing to play still costs a few percent of a core, so once no voice sounds
// and its effect tail has rounded to exact silence it goes idle and sleeps: it answers silence
// without running, and the next message wakes it. Waking first runs it as many frames as keep its
// 64-frame render blocks where an uninterrupted run would have them, then starts the reverb and
// chorus oscillators afresh (their phase is all that a sleep could change). A synthesiser that is
// told not to sleep goes idle and wakes at the same frames and restarts the same oscillators, so
// both play the same samples.
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

  // Sleeping when idle is on by default; off, the synthesiser runs on every frame (the reference
  // the idle saving is measured and tested against).
  void SetIdleSleep(bool on);
  // Idle: nothing has sounded for a while and no message came since; asleep: idle and not running.
  bool Idle() const { return idle_; }
  bool Asleep() const { return idle_ && idleSleep_; }
  // Frames the synthesiser itself has run, against frames asked of the port.
  uint64_t SynthFrames() const { return synthFrames_; }
  uint64_t PortFrames() const { return portFrames_; }

 private:
  void Wake();
  void CatchUp();
  void RunSynth(int16_t* out, size_t frames);

  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;
  std::vector<float> scratch_;
  bool idleSleep_ = true;
  bool idle_ = true;            // a new synthesiser has nothing to play
  uint64_t portFrames_ = 0;     // frames asked of the port
  uint64_t synthFrames_ = 0;    // frames the synthesiser ran
  uint64_t silentFrames_ = 0;   // exact silence without a sounding voice, in a row
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
