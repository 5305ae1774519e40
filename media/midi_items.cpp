// MIDI item operations on the shared sequencer, each under the mixer's lock so the synthesiser
// voice never ticks the sequencer halfway through one.
#include "media/midi_items.h"

#include <algorithm>

namespace kuzo::media {

namespace {
constexpr const char* kMapperName = "MIDIマッパー";
constexpr const char* kSynthPortName = "SoundFont Synthesizer";
constexpr int kVolumeController = 7;
}  // namespace

TMidiItem::TMidiItem(TMidiManager& owner, std::string name) : owner_(owner), name_(std::move(name)) {}

TMidiItem::~TMidiItem() { owner_.Release(this); }

bool TMidiItem::Owns() const { return owner_.Owner() == this; }

bool TMidiItem::GetLoop() {
  std::lock_guard lock(owner_.Mixer().Mutex());
  return Owns() ? owner_.Sequencer().Loop() : loop_;
}

void TMidiItem::SetLoop(bool loop) {
  std::lock_guard lock(owner_.Mixer().Mutex());
  loop_ = loop;
  if (Owns()) owner_.Sequencer().SetLoop(loop);
}

void TMidiItem::ApplyVolume() {
  // −10000…0 hundredths of a dB become 0…100 % of every channel's volume controller.
  if (Owns()) owner_.Sequencer().SetControllerScale(kVolumeController, volume_ / 100 + 100);
}

void TMidiItem::SetVolume(int32_t volume) {
  std::lock_guard lock(owner_.Mixer().Mutex());
  volume_ = std::clamp(volume, kSilentVolume, 0);
  ApplyVolume();
}

int32_t TMidiItem::GetPosition() {
  std::lock_guard lock(owner_.Mixer().Mutex());
  return Owns() && !paused_ ? owner_.Sequencer().Position() : remembered_;
}

void TMidiItem::SetPosition(int32_t ms) {
  std::lock_guard lock(owner_.Mixer().Mutex());
  ms = std::max(0, ms);
  endReported_ = false;
  if (Owns() && !paused_ && owner_.Sequencer().IsPlaying()) {
    owner_.Sequencer().PlayFrom(ms, owner_.NowMs());
  } else {
    remembered_ = ms;
  }
}

int32_t TMidiItem::GetLength() {
  if (length_ < 0) {
    std::lock_guard lock(owner_.Mixer().Mutex());
    length_ = Owns() ? owner_.Sequencer().Length() : owner_.MeasureLength(name_);
  }
  return length_;
}

bool TMidiItem::EndReached() {
  std::lock_guard lock(owner_.Mixer().Mutex());
  if (!Owns() || paused_ || endReported_) return false;
  if (!owner_.Sequencer().IsFinished()) return false;
  endReported_ = true;
  return true;
}

bool TMidiItem::IsPlaying() {
  std::lock_guard lock(owner_.Mixer().Mutex());
  return Owns() && owner_.Sequencer().IsPlaying();
}

void TMidiItem::Play() {
  if (manager && !manager->Enabled()) return;
  std::lock_guard lock(owner_.Mixer().Mutex());
  if (!Owns()) owner_.TakeOver(this);
  owner_.OpenPort();
  TMidiPlayV& seq = owner_.Sequencer();
  seq.SetLoop(loop_);
  seq.SendSystemOn();
  seq.PlayFrom(remembered_, owner_.NowMs());
  paused_ = false;
  ApplyVolume();
}

void TMidiItem::Pause() {
  std::lock_guard lock(owner_.Mixer().Mutex());
  if (Owns()) {
    remembered_ = owner_.Sequencer().Position();
    owner_.Sequencer().Stop();
  }
  paused_ = true;
}

TMidiManager::TMidiManager(AudioMixer& mixer, MediaFiles files, const std::string& soundFont)
    : mixer_(mixer), files_(std::move(files)) {
  auto synth = std::make_unique<FluidSynthPort>(soundFont, &synthProblem_);
  if (synth->Ready()) synth_ = std::move(synth);
  auto voice = std::make_unique<MidiVoice>(sequencer_, synth_.get());
  voice->playing = true;
  voice_ = static_cast<MidiVoice*>(mixer_.Add(std::move(voice)));
}

TMidiManager::~TMidiManager() {
  Clear();
  mixer_.Remove(voice_);
}

TDMediaItem* TMidiManager::Add(std::string_view name) {
  return Adopt(std::make_unique<TMidiItem>(*this, std::string(name)));
}

void TMidiManager::TakeOver(TMidiItem* item) {
  std::lock_guard lock(mixer_.Mutex());
  if (sequencerOwner_ && sequencerOwner_ != item) {
    // The previous owner keeps where it was, to resume there when it plays again.
    if (!sequencerOwner_->paused_) sequencerOwner_->remembered_ = sequencer_.Position();
    sequencer_.Stop();
  }
  const std::string data = files_.readFile(item->Name());
  sequencer_.LoadFromStream(std::span(reinterpret_cast<const uint8_t*>(data.data()), data.size()), item->Name());
  sequencerOwner_ = item;
}

void TMidiManager::Release(TMidiItem* item) {
  std::lock_guard lock(mixer_.Mutex());
  if (sequencerOwner_ != item) return;
  sequencer_.Stop();
  sequencer_.ClosePort();
  sequencerOwner_ = nullptr;
}

bool TMidiManager::OpenPort() {
  if (sequencer_.Opened()) return true;
  return sequencer_.OpenPort(synth_.get());
}

int32_t TMidiManager::MeasureLength(const std::string& name) {
  const std::string data = files_.readFile(name);
  return ReadMidiFile(std::span(reinterpret_cast<const uint8_t*>(data.data()), data.size()), name).length;
}

std::vector<std::string> TMidiManager::PortNames() const { return {kMapperName, kSynthPortName}; }

std::string TMidiManager::PortName(int index) const {
  const auto names = PortNames();
  return index >= 0 && index < static_cast<int>(names.size()) ? names[static_cast<size_t>(index)] : kMapperName;
}

void TMidiManager::SelectPort(std::string_view name) {
  const auto names = PortNames();
  auto it = std::find(names.begin(), names.end(), name);
  const int index = it == names.end() ? 0 : static_cast<int>(it - names.begin());
  std::lock_guard lock(mixer_.Mutex());
  if (index == selected_) return;
  selected_ = index;
  // Both entries reach the same synthesiser; a playing sequence is moved as a port change would.
  if (sequencer_.IsPlaying()) {
    const int32_t position = sequencer_.Position();
    sequencer_.Stop();
    sequencer_.ClosePort();
    sequencer_.OpenPort(synth_.get());
    sequencer_.PlayFrom(position, NowMs());
  }
}

}  // namespace kuzo::media
