// MIDI items and their manager: many items, one sequencer. The item that plays takes the sequencer
// over (loading its file); the others remember their position and loop until they play again. The
// manager also keeps the port list scripts see ("MIDIマッパー" first).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "media/media_item.h"
#include "media/midi_sequencer.h"
#include "media/midi_synth.h"

namespace kuzo::media {

class TMidiManager;

class TMidiItem : public TDMediaItem {
 public:
  TMidiItem(TMidiManager& owner, std::string name);
  ~TMidiItem() override;

  bool GetLoop() override;
  void SetLoop(bool loop) override;
  int32_t GetPan() override { return pan_; }
  int32_t GetVolume() override { return volume_; }
  void SetPan(int32_t pan) override { pan_ = pan; }
  void SetVolume(int32_t volume) override;
  int32_t GetPosition() override;
  void SetPosition(int32_t ms) override;
  int32_t GetLength() override;
  bool EndReached() override;
  bool IsPlaying() override;
  bool IsPaused() override { return paused_; }
  void Play() override;
  void Pause() override;

  const std::string& Name() const { return name_; }

 private:
  friend class TMidiManager;
  bool Owns() const;
  void ApplyVolume();

  TMidiManager& owner_;
  std::string name_;
  bool loop_ = false;
  bool paused_ = false;
  bool endReported_ = false;
  int32_t volume_ = 0, pan_ = 0;
  int32_t remembered_ = 0;  // ms to start from when not owning the sequencer
  int32_t length_ = -1;     // measured once
};

class TMidiManager : public TMediaManager {
 public:
  // The synthesiser loads `soundFont`; without it MIDI stays silent but keeps its timing. The
  // sequencer's voice joins `mixer`.
  TMidiManager(AudioMixer& mixer, MediaFiles files, const std::string& soundFont);
  ~TMidiManager() override;

  TDMediaItem* Add(std::string_view name);

  // The ports scripts choose from: the mapper, then the synthesiser.
  std::vector<std::string> PortNames() const;
  std::string PortName(int index) const;
  int SelectedPort() const { return selected_; }
  std::string SelectedPortName() const { return PortName(selected_); }
  // Selects by name (0 when absent); a playing sequence moves to the new port at its position.
  void SelectPort(std::string_view name);
  // Why the synthesiser is silent ("" when it plays).
  const std::string& SynthProblem() const { return synthProblem_; }
  // The synthesiser (null without a soundfont); change it only under the mixer's lock.
  FluidSynthPort* Synth() { return synth_.get(); }

  // For the items (all under the mixer's lock).
  TMidiPlayV& Sequencer() { return sequencer_; }
  AudioMixer& Mixer() { return mixer_; }
  uint32_t NowMs() const { return voice_->NowMs(); }
  TMidiItem* Owner() const { return sequencerOwner_; }
  // Makes `item` the owner, loading its file into the sequencer.
  void TakeOver(TMidiItem* item);
  void Release(TMidiItem* item);
  bool OpenPort();
  // The length of a file, read from a temporary sequencer.
  int32_t MeasureLength(const std::string& name);

 private:
  AudioMixer& mixer_;
  MediaFiles files_;
  TMidiPlayV sequencer_;
  std::unique_ptr<FluidSynthPort> synth_;
  std::string synthProblem_;
  MidiVoice* voice_ = nullptr;
  TMidiItem* sequencerOwner_ = nullptr;
  int selected_ = 0;
};

}  // namespace kuzo::media
