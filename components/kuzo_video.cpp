// Movie components: play states and fades as for sounds, the frame surface filled from the video
// item at its sound clock and lent to the picture base as its picture, and the movie record after
// the picture record.
#include "components/kuzo_video.h"

#include <algorithm>
#include <cstring>

#include "components/picture_draw.h"
#include "data/file_manager.h"
#include "media/media_system.h"
#include "scene/component_services.h"

namespace kuzo {

namespace {
constexpr int32_t kSilent = -10000;
constexpr int32_t kMaxBalance = 10000;
constexpr int32_t kFrameCheckMs = 32;    // frames are looked at when more than this has passed
constexpr int32_t kVersionRewind = 107;  // rewind on load stored above this version
constexpr int32_t kVersionOverlay = 112; // overlay stored from this version on
constexpr int32_t kVersionMute = 128;    // mute on load stored above this version
}  // namespace

TKuzoVideo::~TKuzoVideo() {
  RemoveOverlay();
  mixer_.reset();
  item_.Release();
  fading_.Release();
}

int32_t TKuzoVideo::Now() const { return Services() ? Services()->GameClockMs() : 0; }

bool TKuzoVideo::SourceAvailable() const {
  ComponentServices* s = Services();
  if (s && s->Media()) return s->Media()->Available(source_);
  if (s && s->Files()) return s->Files()->FileAvailable(source_);
  return !source_.empty();
}

void TKuzoVideo::CreateFrameSurface() {
  media::TVideoItem* video = item_.Video();
  if (!video) return;
  const TCustomDIBX* screen = GetDrawSurface();
  const int bits = screen && screen->BitCount() >= 15 ? screen->BitCount() : 32;
  auto frame = std::make_unique<TDIBX>(std::max(1, video->SourceWidth()), std::max(1, video->SourceHeight()), bits);
  frame_ = frame.get();
  SetSurface(std::move(frame));
  CopyFrame();
}

void TKuzoVideo::DropFrameSurface() {
  if (!frame_) return;
  RemoveOverlay();
  frame_ = nullptr;
  SetSurface(nullptr);
}

bool TKuzoVideo::CopyFrame() {
  media::TVideoItem* video = item_.Video();
  if (!video || !FrameSurface() || !video->NeedPaint()) return false;
  const std::vector<uint32_t>& pixels = video->Frame();
  const int w = std::min(frame_->Width(), video->SourceWidth());
  const int h = std::min(frame_->Height(), video->SourceHeight());
  if (pixels.size() < static_cast<size_t>(w) * static_cast<size_t>(h)) return false;
  for (int y = 0; y < h; ++y) {
    const uint32_t* row = pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(video->SourceWidth());
    if (frame_->BitCount() == 32) {
      // Frames and 32-bit surfaces share the layout: blue, green, red, unused.
      std::memcpy(frame_->Lock(0, y), row, static_cast<size_t>(w) * 4);
    } else {
      for (int x = 0; x < w; ++x) {
        const uint32_t p = row[x];
        const int32_t colour = static_cast<int32_t>(((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16));
        frame_->SetPixel(x, y, static_cast<Pixel>(frame_->ColorToPixel(colour)));
      }
    }
  }
  return true;
}

void TKuzoVideo::ApplySize() {
  media::TVideoItem* video = item_.Video();
  if (!video) return;
  TKuzoControl::SetIntProp(PR_WIDTH, static_cast<int32_t>(int64_t{ZoomX()} * video->SourceWidth() / kZoomUnit));
  TKuzoControl::SetIntProp(PR_HEIGHT, static_cast<int32_t>(int64_t{ZoomY()} * video->SourceHeight() / kZoomUnit));
}

void TKuzoVideo::RemoveOverlay() {
  if (ComponentServices* s = Services()) s->RemoveOverlay(this);
}

void TKuzoVideo::PlaceOverlay() {
  ComponentServices* s = Services();
  if (!s) return;
  media::TVideoItem* video = item_.Video();
  if (!overlay_ || !video || !FrameSurface()) {
    s->RemoveOverlay(this);
    return;
  }
  const int64_t zoomX = std::max(1, ZoomX()), zoomY = std::max(1, ZoomY());
  const int64_t width = video->SourceWidth(), height = video->SourceHeight();
  const TRect full = RectFromSize(GetAbsLeft(), GetAbsTop(), zoomX * width / kZoomUnit, zoomY * height / kZoomUnit);
  // Cut to every parent's rectangle (the part of the parent that is visible) and the clip.
  TRect clipped = full;
  for (const TKuzoControl* p = Parent(); p && !clipped.IsEmpty(); p = p->Parent()) clipped = Intersect(clipped, p->GetScreenRect());
  const TRect clip = GetClipScreenRect();
  if (!clip.IsEmpty()) clipped = Intersect(clipped, clip);
  // The part of the picture that lands in the clipped rectangle.
  TRect source;
  if (!clipped.IsEmpty()) {
    source.left = ClampToInt32((int64_t{clipped.left} - full.left) * kZoomUnit / zoomX);
    source.top = ClampToInt32((int64_t{clipped.top} - full.top) * kZoomUnit / zoomY);
    source.right = ClampToInt32(width - (int64_t{full.right} - clipped.right) * kZoomUnit / zoomX);
    source.bottom = ClampToInt32(height - (int64_t{full.bottom} - clipped.bottom) * kZoomUnit / zoomY);
  }
  if (source.IsEmpty() || !IsShown()) {
    s->RemoveOverlay(this);
    return;
  }
  s->SetOverlay(this, FrameSurface(), source, clipped);
}

void TKuzoVideo::PositionChanged() {
  TKuzoCustomImage::PositionChanged();
  if (item_) PlaceOverlay();
}

void TKuzoVideo::RecomputeWidth() {
  if (item_.Video()) TKuzoCustomImage::RecomputeWidth();
}

void TKuzoVideo::RecomputeHeight() {
  if (item_.Video()) TKuzoCustomImage::RecomputeHeight();
}

bool TKuzoVideo::PictureSize(int32_t& width, int32_t& height) const {
  media::TVideoItem* video = item_.Video();
  if (!video) return false;
  width = video->SourceWidth();
  height = video->SourceHeight();
  return true;
}

void TKuzoVideo::ReleaseFading() {
  mixer_.reset();
  fading_.Release();
}

void TKuzoVideo::SetPlayState(int32_t state) {
  mixer_.reset();
  playState_ = state;
  switch (state) {
    case kMediaPlaying:
    case kMediaFadingIn: {
      if (item_ || !SourceAvailable()) return;
      ComponentServices* s = Services();
      item_.AcquireVideo(s ? s->Media() : nullptr, source_);
      item_->SetLoop(repeat_);
      CreateFrameSurface();
      ApplySize();
      Invalidate();
      PlaceOverlay();
      item_->SetPan(balance_);
      startTime_ = Now();
      lastFrameCheck_ = startTime_;
      break;
    }
    case kMediaStopped:
      if (!item_) return;
      Invalidate();
      item_.Release();
      DropFrameSurface();
      position_ = 0;
      return;
    default:
      break;
  }
  if (state == kMediaPlaying) {
    item_->SetVolume(Effective());
    item_->Play();
    if (!Running()) item_->Pause();
    if (position_ >= 1) item_->SetPosition(position_);
  } else if (state == kMediaFadingIn) {
    if (Running()) mixer_ = std::make_unique<TKuzoMixerFadein>(item_.Get(), false, Effective(), delay_);
  } else if (state == kMediaFadingOut) {
    if (!item_) {
      Delete();
      return;
    }
    // The picture goes at once; the sound fades out on the item let go of.
    fading_.Release();
    mixer_ = std::make_unique<TKuzoMixerFadeout>(item_.Get(), false, delay_);
    item_.MoveTo(fading_);
    Invalidate();
    DropFrameSurface();
    position_ = 0;
  }
}

void TKuzoVideo::Play() {
  position_ = 0;
  paused_ = false;
  SetPlayState(kMediaFadingIn);
  if (!item_) return;
  mixer_.reset();
  if (delay_ > 0) {
    item_->Pause();
    item_->SetVolume(kSilent);
    item_->SetPosition(0);
    mixer_ = std::make_unique<TKuzoMixerFadein>(item_.Get(), false, Effective(), delay_);
  } else {
    item_->SetVolume(Effective());
    item_->SetPosition(0);
    // A movie that ran to its end restarts as well as a paused one.
    if (item_->IsPaused() || !item_->IsPlaying()) item_->Play();
  }
}

bool TKuzoVideo::Tick() {
  bool destroy = false;
  if (item_) {
    // Showing, hiding, moving the movie or a parent, or cutting it anew moves the overlay.
    PlaceOverlay();
    const int32_t now = Now();
    if (now - lastFrameCheck_ > kFrameCheckMs) {
      lastFrameCheck_ = now;
      if (CopyFrame()) Invalidate();
    }
    if (item_->EndReached() && !repeat_) {
      if (autoScrap_) {
        Delete();
        destroy = true;
      } else if (!playEndLabel_.empty() && Services()) {
        Services()->QueueEvent(this, playEndLabel_, nullptr, EV_PLAYEND);
      }
    }
  }
  if (mixer_ && mixer_->Step(Now())) {
    if (mixer_->IsFadeOut()) {
      ReleaseFading();
      Invalidate();
      return true;
    }
    mixer_.reset();
  }
  return destroy;
}

void TKuzoVideo::Draw() {
  // Without an item there is no frame surface, and the picture base draws only the children.
  if (item_ && GetVisible()) CopyFrame();
  // An overlay picture is drawn by the scene on top of everything; here only the children.
  if (overlay_ && FrameSurface()) {
    TKuzoControl::Draw();
    return;
  }
  TKuzoCustomImage::Draw();
}

void TKuzoVideo::SuspendMedia() {
  if (item_ && Running() && (playState_ == kMediaPlaying || playState_ == kMediaFadingIn)) item_->Pause();
}

void TKuzoVideo::ResumeMedia() {
  if (item_ && Running() && (playState_ == kMediaPlaying || playState_ == kMediaFadingIn)) item_->Play();
}

void TKuzoVideo::RestoreSurfaces() {
  if (item_ && !FrameSurface()) {
    CreateFrameSurface();
    Invalidate();
  }
}

int32_t TKuzoVideo::Length() const {
  if (item_) return item_->GetLength();
  if (!SourceAvailable()) return 0;
  ComponentServices* s = Services();
  MediaItemSlot probe;
  try {
    probe.AcquireVideo(s ? s->Media() : nullptr, source_);
  } catch (const std::exception&) {
    return 0;
  }
  return probe->GetLength();
}

void TKuzoVideo::ApplyRunning(bool wasRunning) {
  if (!item_ || Running() == wasRunning) return;
  if (!Running()) {
    item_->Pause();
  } else if (playState_ == kMediaFadingIn) {
    mixer_ = std::make_unique<TKuzoMixerFadein>(item_.Get(), false, Effective(), delay_);
  } else {
    item_->Play();
  }
}

int32_t TKuzoVideo::GetIntProp(PropId id) const {
  media::TVideoItem* video = item_.Video();
  switch (id) {
    case PR_VOLUME: return volume_;
    case PR_BALANCE: return balance_;
    case PR_DELAY: return delay_;
    case PR_INDEX: return item_ ? item_->GetPosition() : 0;
    case PR_COUNT: return Length();
    case PR_ORIGWIDTH: return video ? video->SourceWidth() : 0;
    case PR_ORIGHEIGHT: return video ? video->SourceHeight() : 0;
    default: return TKuzoCustomImage::GetIntProp(id);
  }
}

void TKuzoVideo::SetIntProp(PropId id, int32_t v) {
  switch (id) {
    case PR_VOLUME:
      volume_ = v;
      if (item_) item_->SetVolume(Effective());
      if (mixer_ && !mixer_->IsFadeOut()) mixer_->SetTarget(Effective());
      break;
    case PR_BALANCE:
      balance_ = std::clamp(v, -kMaxBalance, kMaxBalance);
      if (item_) item_->SetPan(balance_);
      break;
    case PR_DELAY: delay_ = v; break;
    case PR_INDEX:
      position_ = v;
      if (item_) item_->SetPosition(v);
      break;
    case PR_ZOOMX:
    case PR_ZOOMY:
      // The picture base stores the zoom; a playing movie takes its new size at once.
      TKuzoCustomImage::SetIntProp(id, v);
      Invalidate();
      ApplySize();
      Invalidate();
      if (item_) PlaceOverlay();
      break;
    default: TKuzoCustomImage::SetIntProp(id, v); break;
  }
}

bool TKuzoVideo::GetBoolProp(PropId id) const {
  switch (id) {
    case PR_REPEAT: return repeat_;
    case PR_PAUSED: return paused_;
    case PR_ANIPAUSED: return aniPaused_;
    case PR_AUTOSCRAP: return autoScrap_;
    case PR_REWINDONLOAD: return rewindOnLoad_;
    case PR_MUTEONLOAD: return muteOnLoad_;
    case PR_OVERLAY: return overlay_;
    case PR_PLAYING:
      if (!Running()) return false;
      if (repeat_) return true;
      return (item_ ? item_->GetPosition() : 0) < Length() - 1;
    default: return TKuzoCustomImage::GetBoolProp(id);
  }
}

void TKuzoVideo::SetBoolProp(PropId id, bool v) {
  switch (id) {
    case PR_REPEAT:
      repeat_ = v;
      if (item_) {
        item_->SetLoop(v);
        if (v && Running() && item_->GetPosition() >= item_->GetLength() - 1) item_->SetPosition(0);
      }
      break;
    case PR_PAUSED: {
      const bool was = Running();
      paused_ = v;
      ApplyRunning(was);
      break;
    }
    case PR_ANIPAUSED: {
      const bool was = Running();
      aniPaused_ = v;
      ApplyRunning(was);
      break;
    }
    case PR_OVERLAY:
      if (overlay_ == v) break;
      overlay_ = v;
      // Switching the way of drawing restarts the movie at the same position.
      if (item_) {
        const int32_t at = item_->GetPosition();
        SetPlayState(kMediaStopped);
        position_ = at;
        SetPlayState(kMediaPlaying);
      }
      break;
    case PR_AUTOSCRAP: autoScrap_ = v; break;
    case PR_REWINDONLOAD: rewindOnLoad_ = v; break;
    case PR_MUTEONLOAD: muteOnLoad_ = v; break;
    default: TKuzoCustomImage::SetBoolProp(id, v); break;
  }
}

std::string TKuzoVideo::GetStrProp(PropId id) const {
  switch (id) {
    case PR_SOURCE: return source_;
    case PR_ONPLAYEND: return playEndLabel_;
    case PR_ONIDLE: return idleLabel_;
    default: return TKuzoCustomImage::GetStrProp(id);
  }
}

void TKuzoVideo::SetStrProp(PropId id, const std::string& v) {
  switch (id) {
    case PR_SOURCE:
      SetPlayState(kMediaStopped);
      source_ = v;
      break;
    case PR_ONPLAYEND: playEndLabel_ = v; break;
    case PR_ONIDLE: idleLabel_ = v; break;
    default: TKuzoCustomImage::SetStrProp(id, v); break;
  }
}

void TKuzoVideo::SaveToStream(ByteWriter& out) const {
  TKuzoCustomImage::SaveToStream(out);
  out.String(source_);
  out.Bool(repeat_);
  out.Bool(autoScrap_);
  out.Bool(paused_);
  out.I32(volume_);
  out.I32(balance_);
  out.I32(delay_);
  out.I32(item_ ? item_->GetPosition() : 0);
  out.U8(static_cast<uint8_t>(playState_));
  out.String(playEndLabel_);
  out.String(idleLabel_);
  out.Bool(rewindOnLoad_);
  out.Bool(overlay_);
  out.Bool(muteOnLoad_);
}

void TKuzoVideo::LoadFromStream(ByteReader& in, int32_t version) {
  TKuzoCustomImage::LoadFromStream(in, version);
  const std::string source = in.String("movie source");
  repeat_ = in.Bool("movie repeat");
  autoScrap_ = in.Bool("movie auto scrap");
  const bool paused = in.Bool("movie paused");
  int32_t volume = in.I32("movie volume");
  balance_ = std::clamp(in.I32("movie balance"), -kMaxBalance, kMaxBalance);
  const int32_t delay = in.I32("movie delay");
  const int32_t position = in.I32("movie position");
  const int32_t state = in.U8("movie play state");
  playEndLabel_ = in.String("movie play end label");
  idleLabel_ = in.String("movie idle label");
  if (version > kVersionRewind) rewindOnLoad_ = in.Bool("movie rewind on load");
  if (version >= kVersionOverlay) overlay_ = in.Bool("movie overlay");
  muteOnLoad_ = version > kVersionMute ? in.Bool("movie mute on load") : false;
  if (muteOnLoad_) volume = 0;
  volume_ = volume;
  delay_ = 0;  // restoring never fades in
  SetStrProp(PR_SOURCE, source);
  position_ = rewindOnLoad_ ? 0 : position;
  paused_ = paused;
  if (state == kMediaFadingOut) SetPlayState(kMediaPlaying);
  delay_ = delay;
  SetPlayState(state);
}

}  // namespace kuzo
