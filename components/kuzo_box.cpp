// Filled rectangles: frame and fill with the opacity rule, motion sources, box properties and the
// box part of saved records.
#include "components/kuzo_box.h"

#include "core/sjis.h"
#include "graphics/dibx.h"

namespace kuzo {

namespace {
constexpr int32_t kBoxAlphaLimit = 512;  // a box draws nothing from here on
constexpr int32_t kVersionBoxExtras = 103;
constexpr std::string_view kMotionExtension = ".kmt";

bool HasMotionExtension(const std::string& name) {
  size_t dot = sjis::FindLastChar(name, '.');
  return dot != std::string::npos && sjis::EqualsNoCase(std::string_view(name).substr(dot), kMotionExtension);
}

// The rectangle inside a frame of `w` pixels (empty when the frame covers everything).
TRect Shrink(const TRect& r, int32_t w) {
  TRect inner{ClampToInt32(int64_t{r.left} + w), ClampToInt32(int64_t{r.top} + w),
              ClampToInt32(int64_t{r.right} - w), ClampToInt32(int64_t{r.bottom} - w)};
  return inner.IsEmpty() ? TRect{} : inner;
}
}  // namespace

int32_t TKuzoBox::ScaleColor(int32_t color, int32_t strength) {
  int32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const int32_t c = (color >> shift) & 0xFF;
    out |= (c * strength / 256) << shift;  // each channel c * (alpha - 256) / 256, truncated
  }
  return out;
}

void TKuzoBox::FillWithRule(TCustomDIBX& s, const TRect& r) {
  if (r.IsEmpty()) return;
  if (alpha_ == kOpaque) {
    s.FillRect(r, static_cast<Pixel>(s.ColorToPixel(Color())));
  } else if (alpha_ < kOpaque) {
    s.FillRectAlpha(r, static_cast<Pixel>(s.ColorToPixel(Color())), alpha_);
  } else {
    s.FillRectAdd(r, static_cast<Pixel>(s.ColorToPixel(ScaleColor(Color(), alpha_ - kAddBase))));
  }
}

void TKuzoBox::FrameWithRule(TCustomDIBX& s, const TRect& r, int thickness) {
  if (alpha_ == kOpaque) {
    s.FrameRect(r, thickness, static_cast<Pixel>(s.ColorToPixel(borderColor_)));
  } else if (alpha_ < kOpaque) {
    s.FrameRectAlpha(r, thickness, alpha_, static_cast<Pixel>(s.ColorToPixel(borderColor_)));
  } else {
    s.FrameRectAdd(r, thickness, static_cast<Pixel>(s.ColorToPixel(ScaleColor(borderColor_, alpha_ - kAddBase))));
  }
}

void TKuzoBox::Draw() {
  TCustomDIBX* s = GetDrawSurface();
  if (s && GetVisible() && alpha_ > 0 && alpha_ < kBoxAlphaLimit) {
    const TRect rect = GetScreenRect();
    if (borderWidth_ > 0) {
      if (borderColor_ >= 0) {
        // A frame thicker than half the box would reach past the box with its bands, onto pixels
        // that only some frames repaint; it stays inside the box.
        const bool hadClip = s->ClipIsSet();
        const TRect saved = s->GetClip();
        s->ResetClip();
        s->SetClip(Intersect(saved, rect));
        if (!Intersect(saved, rect).IsEmpty()) FrameWithRule(*s, rect, borderWidth_);
        s->ResetClip();
        if (hadClip) s->SetClip(saved);
      }
      if (Color() >= 0) FillWithRule(*s, Shrink(rect, borderWidth_));
    } else if (Color() >= 0) {
      FillWithRule(*s, rect);
    }
  }
  TKuzoControl::Draw();
}

void TKuzoBox::SetSource(const std::string& source) {
  source_ = source;
  FreeMotion();
  if (HasMotionExtension(source)) AttachMotion(source);
}

int32_t TKuzoBox::GetIntProp(PropId id) const {
  switch (id) {
    case PR_BORDERWIDTH: return borderWidth_;
    case PR_BORDERCOLOR: return borderColor_;
    case PR_ALPHA: return alpha_;
    default: return TKuzoControl::GetIntProp(id);
  }
}

void TKuzoBox::SetIntProp(PropId id, int32_t v) {
  switch (id) {
    case PR_BORDERWIDTH: ChangeField(borderWidth_, v); break;
    case PR_BORDERCOLOR: ChangeField(borderColor_, v); break;
    case PR_ALPHA: ChangeField(alpha_, v); break;
    default: TKuzoControl::SetIntProp(id, v); break;
  }
}

bool TKuzoBox::GetBoolProp(PropId id) const {
  switch (id) {
    case PR_REPEAT: return repeat_;
    case PR_AUTOSCRAP: return autoScrap_;
    case PR_PAUSED: return paused_;
    default: return TKuzoControl::GetBoolProp(id);
  }
}

void TKuzoBox::SetBoolProp(PropId id, bool v) {
  switch (id) {
    case PR_REPEAT:
      repeat_ = v;
      if (v && GetMotion() && GetMotion()->Finished()) RestartMotion();
      break;
    case PR_AUTOSCRAP: autoScrap_ = v; break;
    case PR_PAUSED: paused_ = v; break;
    default: TKuzoControl::SetBoolProp(id, v); break;
  }
}

std::string TKuzoBox::GetStrProp(PropId id) const {
  switch (id) {
    case PR_SOURCE: return source_;
    case PR_ONIDLE: return idleLabel_;
    case PR_ONPLAYEND: return playEndLabel_;
    default: return TKuzoControl::GetStrProp(id);
  }
}

void TKuzoBox::SetStrProp(PropId id, const std::string& v) {
  switch (id) {
    case PR_SOURCE: SetSource(v); break;
    case PR_ONIDLE: idleLabel_ = v; break;
    case PR_ONPLAYEND: playEndLabel_ = v; break;
    default: TKuzoControl::SetStrProp(id, v); break;
  }
}

void TKuzoBox::SaveToStream(ByteWriter& out) const {
  TKuzoControl::SaveToStream(out);
  out.I32(borderWidth_);
  out.I32(borderColor_);
  out.I32(alpha_);
  out.String(idleLabel_);
  out.String(source_);
  out.Bool(repeat_);
  out.Bool(autoScrap_);
  out.String(playEndLabel_);
  out.Bool(paused_);
  out.Bool(GetBoolProp(PR_ANIPAUSED));
}

void TKuzoBox::LoadFromStream(ByteReader& in, int32_t version) {
  TKuzoControl::LoadFromStream(in, version);
  borderWidth_ = in.I32("border width");
  borderColor_ = in.I32("border color");
  alpha_ = in.I32("alpha");
  if (version > kVersionBoxExtras) {
    idleLabel_ = in.String("idle label");
    SetSource(in.String("source"));
    repeat_ = in.Bool("repeat");
    autoScrap_ = in.Bool("auto scrap");
    playEndLabel_ = in.String("play end label");
    paused_ = in.Bool("paused");
    TKuzoControl::SetBoolProp(PR_ANIPAUSED, in.Bool("animation paused"));
  }
}

}  // namespace kuzo
