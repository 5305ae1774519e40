// Ogg/wave and CD items over decoder voices. Every voice field is read and written under the mixer's
// lock, because the device thread renders the voice at the same time.
#include "media/sound_items.h"

#include <algorithm>
#include <charconv>

#include "core/errors.h"

namespace kuzo::media {

TMixerItem::TMixerItem(AudioMixer& mixer, std::unique_ptr<AudioDecoder> decoder) : mixer_(mixer) {
  if (decoder) voice_ = static_cast<DecoderVoice*>(mixer_.Add(std::make_unique<DecoderVoice>(std::move(decoder))));
}

TMixerItem::TMixerItem(AudioMixer& mixer, std::unique_ptr<DecoderVoice> voice) : mixer_(mixer) {
  if (voice) voice_ = static_cast<DecoderVoice*>(mixer_.Add(std::move(voice)));
}

TMixerItem::~TMixerItem() {
  if (voice_) mixer_.Remove(voice_);
}

bool TMixerItem::GetLoop() {
  std::lock_guard lock(mixer_.Mutex());
  return voice_ ? voice_->loop : silentLoop_;
}

void TMixerItem::SetLoop(bool loop) {
  std::lock_guard lock(mixer_.Mutex());
  if (voice_)
    voice_->loop = loop;
  else
    silentLoop_ = loop;
}

int32_t TMixerItem::GetPan() { return pan_; }
int32_t TMixerItem::GetVolume() { return volume_; }

void TMixerItem::SetPan(int32_t pan) {
  pan_ = std::clamp(pan, -kMaxPan, kMaxPan);
  std::lock_guard lock(mixer_.Mutex());
  if (voice_) voice_->SetLevels(volume_, pan_);
}

void TMixerItem::SetVolume(int32_t volume) {
  volume_ = std::clamp(volume, kSilentVolume, 0);
  std::lock_guard lock(mixer_.Mutex());
  if (voice_) voice_->SetLevels(volume_, pan_);
}

int32_t TMixerItem::GetPosition() {
  std::lock_guard lock(mixer_.Mutex());
  return voice_ ? FramesToMs(voice_->Position()) : 0;
}

void TMixerItem::SetPosition(int32_t ms) {
  std::lock_guard lock(mixer_.Mutex());
  endReported_ = false;
  silentPlaying_ = false;
  if (!voice_) return;
  voice_->Seek(MsToFrames(std::max(0, ms)));
  voice_->ended = false;
}

int32_t TMixerItem::GetLength() {
  std::lock_guard lock(mixer_.Mutex());
  return voice_ ? FramesToMs(voice_->Length()) : 0;
}

bool TMixerItem::EndReached() {
  std::lock_guard lock(mixer_.Mutex());
  const bool atEnd = voice_ ? voice_->ended : silentPlaying_;
  if (!atEnd || endReported_) return false;
  endReported_ = true;
  return true;
}

bool TMixerItem::IsPlaying() {
  std::lock_guard lock(mixer_.Mutex());
  return voice_ && voice_->playing && !voice_->ended && !paused_;
}

bool TMixerItem::IsPaused() { return paused_; }

void TMixerItem::Play() {
  if (manager && !manager->Enabled()) return;
  std::lock_guard lock(mixer_.Mutex());
  paused_ = false;
  if (voice_)
    voice_->playing = true;
  else
    silentPlaying_ = true;  // a silent item ends at once
}

void TMixerItem::Pause() {
  std::lock_guard lock(mixer_.Mutex());
  paused_ = true;
  if (voice_) voice_->playing = false;
}

TOggItem::TOggItem(AudioMixer& mixer, std::unique_ptr<TRangeStream> stream, const std::string& name)
    : TMixerItem(mixer, std::make_unique<AudioDecoder>(std::move(stream), name)) {}

TOggWaveItem::TOggWaveItem(AudioMixer& mixer, TWavOut& out, std::unique_ptr<TRangeStream> stream,
                           const std::string& name)
    : mixer_(mixer), out_(out) {
  auto decoder = std::make_unique<AudioDecoder>(std::move(stream), name, true);
  std::lock_guard lock(mixer_.Mutex());
  buffer_ = out_.AddBuffer(std::move(decoder));
}

TOggWaveItem::~TOggWaveItem() {
  std::lock_guard lock(mixer_.Mutex());
  out_.RemoveBuffer(buffer_);
}

double TOggWaveItem::BytesPerMs() const {
  const PcmFormat& f = buffer_->Format();
  return double(f.bitsPerSample) * f.channels * f.sampleRate / 8000.0;
}

bool TOggWaveItem::GetLoop() {
  std::lock_guard lock(mixer_.Mutex());
  return buffer_->loop;
}

void TOggWaveItem::SetLoop(bool loop) {
  std::lock_guard lock(mixer_.Mutex());
  buffer_->loop = loop;
}

void TOggWaveItem::SetVolume(int32_t volume) {
  volume_ = volume;
  // −5000…0 hundredths of a dB map linearly onto the wave output's 0…256.
  const int32_t level = (std::clamp(volume, -5000, 0) + 5000) * 256 / 5000;
  std::lock_guard lock(mixer_.Mutex());
  buffer_->SetVolume(level);
}

int32_t TOggWaveItem::GetPosition() {
  std::lock_guard lock(mixer_.Mutex());
  return static_cast<int32_t>(double(buffer_->GetPosition()) / BytesPerMs());
}

void TOggWaveItem::SetPosition(int32_t ms) {
  std::lock_guard lock(mixer_.Mutex());
  const int64_t bytes = static_cast<int64_t>(std::max(0, ms) * BytesPerMs());
  const int64_t frameBytes = buffer_->Format().BytesPerFrame();
  buffer_->SetPosition(bytes / frameBytes * frameBytes);
  buffer_->ended = false;
  endReported_ = false;
}

int32_t TOggWaveItem::GetLength() {
  std::lock_guard lock(mixer_.Mutex());
  return static_cast<int32_t>(double(buffer_->SourceSize()) / BytesPerMs());
}

bool TOggWaveItem::EndReached() {
  std::lock_guard lock(mixer_.Mutex());
  if (endReported_ || !buffer_->playing || !buffer_->IsFinished()) return false;
  endReported_ = true;
  return true;
}

bool TOggWaveItem::IsPlaying() {
  std::lock_guard lock(mixer_.Mutex());
  return buffer_->playing && !buffer_->paused && !buffer_->IsFinished();
}

bool TOggWaveItem::IsPaused() {
  std::lock_guard lock(mixer_.Mutex());
  return buffer_->paused;
}

void TOggWaveItem::Play() {
  if (manager && !manager->Enabled()) return;
  std::lock_guard lock(mixer_.Mutex());
  buffer_->Play();
}

void TOggWaveItem::Pause() {
  std::lock_guard lock(mixer_.Mutex());
  buffer_->Pause();
}

TOggManager::TOggManager(AudioMixer& mixer, MediaFiles files, bool directSound, int32_t delayTimeMs)
    : mixer_(mixer), files_(std::move(files)), directSound_(directSound) {
  if (!directSound_) waveOut_ = static_cast<TWavOut*>(mixer_.Add(std::make_unique<TWavOut>(delayTimeMs)));
}

TOggManager::~TOggManager() {
  // The items go before the wave output they play through.
  Clear();
  if (waveOut_) mixer_.Remove(waveOut_);
}

TDMediaItem* TOggManager::Add(std::string_view name) {
  auto stream = files_.openRange(name);
  if (waveOut_) {
    {
      std::lock_guard lock(mixer_.Mutex());
      waveOut_->Open();  // opening an open output changes nothing
    }
    return Adopt(std::make_unique<TOggWaveItem>(mixer_, *waveOut_, std::move(stream), std::string(name)));
  }
  return Adopt(std::make_unique<TOggItem>(mixer_, std::move(stream), std::string(name)));
}

int32_t CdTrackNumber(std::string_view name) {
  if (name.size() <= 3) return -1;
  const std::string_view digits = name.substr(3);
  int32_t track = -1;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), track);
  if (ec != std::errc() || end != digits.data() + digits.size() || track < 0) return -1;
  return track;
}

TCddaItem::TCddaItem(AudioMixer& mixer, std::unique_ptr<AudioDecoder> decoder, int32_t track)
    : TMixerItem(mixer, std::move(decoder)), track_(track) {}

TCddaItem::~TCddaItem() {
  if (manager) static_cast<TCddaManager*>(manager)->Forget(this);
}

void TCddaItem::Play() {
  if (track_ < 0) return;
  if (manager && !manager->Enabled()) return;
  auto* cd = static_cast<TCddaManager*>(manager);
  if (cd && cd->Owner() != this) cd->TakeOver(this);
  // A paused track resumes at the whole second it remembered.
  if (rememberedSeconds_ > 0 && voice_) {
    std::lock_guard lock(mixer_.Mutex());
    voice_->Seek(MsToFrames(int64_t{rememberedSeconds_} * 1000));
    voice_->ended = false;
  }
  rememberedSeconds_ = 0;
  TMixerItem::Play();
}

void TCddaItem::Pause() {
  auto* cd = static_cast<TCddaManager*>(manager);
  if ((!cd || cd->Owner() == this) && IsPlaying()) rememberedSeconds_ = std::max(0, GetPosition() / 1000 - 1);
  TMixerItem::Pause();
}

int32_t TCddaItem::GetPosition() {
  // The drive reports whole seconds.
  return TMixerItem::GetPosition() / 1000 * 1000;
}

void TCddaItem::SetPosition(int32_t ms) {
  const int32_t seconds = std::max(0, ms) / 1000;
  if (!IsPaused()) {
    TMixerItem::SetPosition(seconds * 1000);
  } else {
    rememberedSeconds_ = seconds;
  }
}

void TCddaItem::SetVolume(int32_t volume) {
  // The compact-disc line's level scales linearly from 0 at −5000 to the full level at 0.
  volume_ = volume;
  const int64_t scale = (int64_t{std::clamp(volume, -5000, 0)} + 5000) * 65536 / 5000;
  std::lock_guard lock(mixer_.Mutex());
  if (voice_) voice_->SetLinearScale(static_cast<int32_t>(scale));
}

TDMediaItem* TCddaManager::Add(std::string_view name) {
  const int32_t track = CdTrackNumber(name);
  std::unique_ptr<AudioDecoder> decoder;
  const std::string file = track >= 0 ? TrackFile(track) : std::string();
  if (!file.empty()) decoder = std::make_unique<AudioDecoder>(files_.openRange(file), file);
  return Adopt(std::make_unique<TCddaItem>(mixer_, std::move(decoder), track));
}

std::string TCddaManager::TrackFile(int32_t track) const {
  const std::string number = track < 10 ? "0" + std::to_string(track) : std::to_string(track);
  for (const char* ext : {".ogg", ".wav"}) {
    std::string name = "cd\\track" + number + ext;
    if (files_.exists && files_.exists(name)) return name;
  }
  return {};
}

void TCddaManager::TakeOver(TCddaItem* item) {
  if (owner_ && owner_ != item && owner_->IsPlaying()) owner_->Pause();
  owner_ = item;
}

}  // namespace kuzo::media
