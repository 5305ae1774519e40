// Sound components: play states, fades, the setters that reach the item, the end of a sound, and
// the saved record.
#include "components/kuzo_sound.h"

#include <algorithm>

#include "data/file_manager.h"
#include "media/media_system.h"
#include "scene/component_services.h"

namespace kuzo {

namespace {
constexpr int32_t kSilent = -10000;
constexpr int32_t kMaxBalance = 10000;
// A non-repeating sound shorter than this that is playing when the game is saved comes back
// stopped: it would have ended long before the player returns to it.
constexpr int32_t kResumeLengthMs = 3000;
constexpr int32_t kVersionRewind = 107;  // rewind on load stored above this version
constexpr int32_t kVersionMute = 128;    // mute on load stored above this version
const std::string kScrapPrefix = "\x01SCRAP_";
}  // namespace

TKuzoSound::~TKuzoSound() {
  if (item_) item_->SetVolume(kSilent);
  mixer_.reset();
  item_.Release();
}

int32_t TKuzoSound::Now() const { return Services() ? Services()->GameClockMs() : 0; }

bool TKuzoSound::SourcePlayable() const {
  if (IsCdTrackName(source_)) return true;
  ComponentServices* s = Services();
  if (s && s->Media()) return s->Media()->Available(source_);
  if (s && s->Files()) return s->Files()->FileAvailable(source_);
  return !source_.empty();
}

void TKuzoSound::StartFadeIn() {
  mixer_ = std::make_unique<TKuzoMixerFadein>(item_.Get(), item_.IsMidi(), Effective(), delay_);
}

void TKuzoSound::SetPlayState(int32_t state) {
  mixer_.reset();
  ended_ = false;
  playState_ = state;
  if (playState_ == kMediaFadingIn && delay_ <= 0) playState_ = kMediaPlaying;
  switch (playState_) {
    case kMediaPlaying:
    case kMediaFadingIn: {
      if (item_) return;
      if (!SourcePlayable()) {
        if (autoScrap_) Delete();
        return;
      }
      ComponentServices* s = Services();
      item_.AcquireSound(s ? s->Media() : nullptr, source_);
      if (!item_) return;
      item_->SetPan(balance_);
      if (position_ > 0) item_->SetPosition(position_);
      break;
    }
    case kMediaStopped:
      if (!item_) return;
      item_.Release();
      position_ = 0;
      Delete();
      return;
    default:
      break;
  }
  if (playState_ == kMediaPlaying) {
    item_->SetLoop(repeat_);
    item_->SetVolume(Effective());
    if (paused_)
      item_->Pause();
    else
      item_->Play();
    if (position_ > 0) item_->SetPosition(position_);
  } else if (playState_ == kMediaFadingIn) {
    item_->SetLoop(repeat_);
    if (!paused_) StartFadeIn();
  } else if (playState_ == kMediaFadingOut) {
    if (!item_) {
      Delete();
      return;
    }
    mixer_ = std::make_unique<TKuzoMixerFadeout>(item_.Get(), item_.IsMidi(), delay_);
    position_ = 0;
    // The fading sound gives its name up at once, so a new sound of that name can start.
    SetNameField(kScrapPrefix + GetName());
  }
}

void TKuzoSound::Play() {
  position_ = 0;
  paused_ = false;
  ended_ = false;
  SetPlayState(kMediaFadingIn);
  if (!item_) return;
  mixer_.reset();
  if (delay_ <= 0) {
    item_->SetVolume(Effective());
    item_->SetPosition(0);
    if (!item_->IsPlaying()) item_->Play();
  } else {
    item_->Pause();
    item_->SetVolume(kSilent);
    item_->SetPosition(0);
    StartFadeIn();
  }
}

bool TKuzoSound::Tick() {
  if (scrapRestored_) return true;
  bool destroy = false;
  if (item_ && item_->EndReached()) {
    if (repeat_) {
      item_->SetPosition(0);
    } else {
      ended_ = true;
      if (autoScrap_)
        destroy = true;
      else if (!playEndLabel_.empty() && Services())
        Services()->QueueEvent(this, playEndLabel_, nullptr, EV_PLAYEND);
    }
  }
  if (mixer_ && mixer_->Step(Now())) {
    if (mixer_->IsFadeOut()) destroy = true;
    mixer_.reset();
  }
  return destroy;
}

void TKuzoSound::ApplyPause() {
  if (!item_) return;
  if (paused_ || aniPaused_) {
    item_->Pause();
    item_->SetVolume(kSilent);
  } else if (playState_ == kMediaFadingIn) {
    StartFadeIn();
  } else {
    item_->SetVolume(Effective());
    item_->Play();
  }
}

void TKuzoSound::SetSource(const std::string& source) {
  mixer_.reset();
  item_.Release();
  source_ = source;
  playState_ = kMediaStopped;
  paused_ = false;
  position_ = 0;
  ended_ = false;
}

int32_t TKuzoSound::Length() const {
  if (item_) return item_->GetLength();
  if (!SourcePlayable()) return 0;
  // Measured on a temporary item handed back at once.
  ComponentServices* s = Services();
  MediaItemSlot probe;
  try {
    probe.AcquireSound(s ? s->Media() : nullptr, source_);
  } catch (const std::exception&) {
    return 0;
  }
  return probe ? probe->GetLength() : 0;
}

int32_t TKuzoSound::GetIntProp(PropId id) const {
  switch (id) {
    case PR_VOLUME: return volume_;
    case PR_BALANCE: return balance_;
    case PR_DELAY: return delay_;
    case PR_INDEX: return item_ ? item_->GetPosition() : 0;
    case PR_COUNT: return Length();
    default: return TKuzoComponent::GetIntProp(id);
  }
}

void TKuzoSound::SetIntProp(PropId id, int32_t v) {
  switch (id) {
    case PR_VOLUME:
      volume_ = v;
      if (item_) item_->SetVolume(Effective());  // a running fade-in keeps its own target
      break;
    case PR_BALANCE:
      balance_ = std::clamp(v, -kMaxBalance, kMaxBalance);
      if (item_) item_->SetPan(balance_);
      break;
    case PR_DELAY: delay_ = v; break;
    case PR_INDEX:
      position_ = v;
      if (item_) {
        item_->SetPosition(v);
        ended_ = false;
        if (!paused_ && !item_->IsPlaying()) item_->Play();
      }
      break;
    default: TKuzoComponent::SetIntProp(id, v); break;
  }
}

bool TKuzoSound::GetBoolProp(PropId id) const {
  switch (id) {
    case PR_REPEAT: return repeat_;
    case PR_PAUSED: return paused_;
    case PR_PLAYING: return item_ && item_->IsPlaying();
    case PR_AUTOSCRAP: return autoScrap_;
    case PR_REWINDONLOAD: return rewindOnLoad_;
    case PR_MUTEONLOAD: return muteOnLoad_;
    default: return TKuzoComponent::GetBoolProp(id);
  }
}

void TKuzoSound::SetBoolProp(PropId id, bool v) {
  switch (id) {
    case PR_REPEAT:
      repeat_ = v;
      if (item_) {
        item_->SetLoop(v);
        // An ended sound set to repeat starts again.
        if (v && !paused_ && item_->GetPosition() >= item_->GetLength() - 1) {
          item_->SetPosition(0);
          ended_ = false;
        }
      }
      break;
    case PR_PAUSED:
      if (paused_ == v) break;
      paused_ = v;
      ApplyPause();
      break;
    case PR_ANIPAUSED:
      if (aniPaused_ == v) break;
      aniPaused_ = v;
      ApplyPause();
      break;
    case PR_AUTOSCRAP: autoScrap_ = v; break;
    case PR_REWINDONLOAD: rewindOnLoad_ = v; break;
    case PR_MUTEONLOAD: muteOnLoad_ = v; break;
    default: TKuzoComponent::SetBoolProp(id, v); break;
  }
}

std::string TKuzoSound::GetStrProp(PropId id) const {
  switch (id) {
    case PR_SOURCE: return source_;
    case PR_ONPLAYEND: return playEndLabel_;
    default: return TKuzoComponent::GetStrProp(id);
  }
}

void TKuzoSound::SetStrProp(PropId id, const std::string& v) {
  switch (id) {
    case PR_SOURCE: SetSource(v); break;
    case PR_ONPLAYEND: playEndLabel_ = v; break;
    default: TKuzoComponent::SetStrProp(id, v); break;
  }
}

void TKuzoSound::SaveToStream(ByteWriter& out) const {
  TKuzoComponent::SaveToStream(out);
  out.String(source_);
  out.Bool(repeat_);
  out.Bool(autoScrap_);
  out.Bool(paused_);
  out.Bool(aniPaused_);
  out.Bool(ended_);
  out.I32(volume_);
  out.I32(balance_);
  out.I32(delay_);
  out.I32(item_ ? item_->GetPosition() : 0);
  const int32_t length = item_ ? item_->GetLength() : 0;
  const bool resumes = repeat_ || length >= kResumeLengthMs || playState_ == kMediaStopped ||
                       playState_ == kMediaFadingOut;
  out.U8(static_cast<uint8_t>(resumes ? playState_ : kMediaStopped));
  out.String(playEndLabel_);
  out.Bool(rewindOnLoad_);
  out.Bool(muteOnLoad_);
}

void TKuzoSound::LoadFromStream(ByteReader& in, int32_t version) {
  TKuzoComponent::LoadFromStream(in, version);
  const std::string source = in.String("sound source");
  const bool repeat = in.Bool("sound repeat");
  const bool autoScrap = in.Bool("sound auto scrap");
  const bool paused = in.Bool("sound paused");
  const bool aniPaused = in.Bool("sound animation paused");
  const bool ended = in.Bool("sound ended");
  int32_t volume = in.I32("sound volume");
  const int32_t balance = in.I32("sound balance");
  const int32_t delay = in.I32("sound delay");
  const int32_t position = in.I32("sound position");
  const int32_t state = in.U8("sound play state");
  const std::string playEnd = in.String("sound play end label");
  const bool rewind = version > kVersionRewind ? in.Bool("sound rewind on load") : rewindOnLoad_;
  const bool mute = version > kVersionMute ? in.Bool("sound mute on load") : false;

  repeat_ = repeat;
  autoScrap_ = autoScrap;
  balance_ = std::clamp(balance, -kMaxBalance, kMaxBalance);
  playEndLabel_ = playEnd;
  rewindOnLoad_ = rewind;
  muteOnLoad_ = mute;
  if (mute) volume = 0;
  volume_ = volume;
  delay_ = 0;  // restoring never fades in
  SetSource(source);
  position_ = rewind ? 0 : position;
  paused_ = paused;
  aniPaused_ = aniPaused;
  ended_ = ended;
  if (state == kMediaFadingOut) SetPlayState(kMediaPlaying);
  delay_ = delay;
  if (ended)
    playState_ = state;
  else
    SetPlayState(state);
  if (paused_ || aniPaused_) ApplyPause();
  scrapRestored_ = autoScrap_ && !item_.Get() && playState_ == kMediaStopped;
}

}  // namespace kuzo
