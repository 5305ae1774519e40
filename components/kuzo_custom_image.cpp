// The picture base: surfaces, the size rule, drawing with the opacity rule, turned placement, mask
// hit tests, the picture properties and the picture part of saved records; and the single picture.
#include "components/kuzo_custom_image.h"

#include <algorithm>

#include "components/drel_collection.h"
#include "components/kuzo_image_list.h"
#include "core/sjis.h"
#include "scene/component_services.h"

namespace kuzo {

namespace {
constexpr int32_t kVersionZoomY = 103;  // zoom y stored after this version
constexpr int64_t kPlacementScale = 65536;
constexpr int64_t kPlacementHalf = 0x7FFF;
constexpr int32_t kMaxBrightness = 255;

bool HasExtension(const std::string& name, std::string_view ext) {
  const size_t dot = sjis::FindLastChar(name, '.');
  return dot != std::string::npos && sjis::EqualsNoCase(std::string_view(name).substr(dot), ext);
}

int32_t Clamp32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// An own copy of a picture, darkened by `darken` levels per channel; pixels of the transparent
// colour keep it, so they stay transparent.
std::unique_ptr<TDIBX> CopyPicture(const TCustomDIBX& source, int32_t darken) {
  auto copy = std::make_unique<TDIBX>(source.Width(), source.Height(), source.BitCount());
  copy->Draw(0, 0, false, false, false, source.BoundsRect(), source);
  copy->ColorKey = source.ColorKey;
  if (darken > 0) {
    copy->FillRectSub(copy->BoundsRect(), static_cast<Pixel>(copy->ColorToPixel(darken * 0x010101)));
    if (source.ColorKey != kNoColorKey) {
      const Pixel key = static_cast<Pixel>(source.ColorKey);
      for (int y = 0; y < source.Height(); ++y)
        for (int x = 0; x < source.Width(); ++x)
          if (source.GetPixel(x, y) == key) copy->SetPixel(x, y, key);
    }
  }
  return copy;
}
}  // namespace

bool HasPictureExtension(const std::string& name) { return HasExtension(name, ".drl"); }
bool HasMotionFileExtension(const std::string& name) { return HasExtension(name, ".kmt"); }

TKuzoCustomImage::TKuzoCustomImage() = default;
TKuzoCustomImage::~TKuzoCustomImage() = default;

// --- surfaces ----------------------------------------------------------------------------------

const TCustomDIBX* TKuzoCustomImage::GetSurface() const {
  if (sharedFrame_) return &sharedFrame_->Picture();
  return sharedSurface_ ? sharedSurface_ : ownSurface_.get();
}

void TKuzoCustomImage::SetSurface(std::unique_ptr<TDIBX> surface) {
  Invalidate();
  ownSurface_ = std::move(surface);
  Invalidate();
}

void TKuzoCustomImage::SetSharedSurface(const TCustomDIBX* surface) {
  if (surface == sharedSurface_) return;
  Invalidate();
  sharedSurface_ = surface;
  Invalidate();
}

const TCustomDIBX* TKuzoCustomImage::GetMaskSurface() const {
  if (sharedFrame_) return sharedFrame_->Mask();
  return sharedMask_ ? sharedMask_ : ownMask_.get();
}

void TKuzoCustomImage::SetSharedFrame(const TKuzoImageData* frame) {
  Invalidate();
  sharedFrame_ = frame;
  Invalidate();
}

void TKuzoCustomImage::SetMaskSurface(std::unique_ptr<TDIBX> mask) { ownMask_ = std::move(mask); }

void TKuzoCustomImage::SetSharedMask(const TCustomDIBX* mask) { sharedMask_ = mask; }

bool TKuzoCustomImage::PictureSize(int32_t& width, int32_t& height) const {
  const TCustomDIBX* s = GetSurface();
  if (!s) return false;
  width = s->Width();
  height = s->Height();
  return true;
}

// --- size --------------------------------------------------------------------------------------

int32_t TKuzoCustomImage::ComputeExtent(bool vertical) const {
  const TCustomDIBX* s = GetSurface();
  if (!s) return 0;
  const int64_t size = vertical ? s->Height() : s->Width();
  const int64_t zoom = vertical ? zoomY_ : zoomX_;
  const TKuzoControl* parent = Parent();
  int32_t parentW = 0, parentH = 0;
  if (GetBoolProp(PR_POSZOOMED) && parent && !parent->IsBase() && parent->PictureSize(parentW, parentH) &&
      parent->GetIntProp(vertical ? PR_ZOOMY : PR_ZOOMX) == zoom) {
    const int64_t parentExtent = vertical ? parent->Height() : parent->Width();
    if (parentExtent > 0) {  // a parent without size has no scale
      // The child's size follows the parent's picture scale, so that both edges land where the
      // parent's picture pixels land.
      const int64_t parentPicture = vertical ? parentH : parentW;
      const int64_t scale =
          std::max<int64_t>(1, (kPlacementScale * parentPicture + parentExtent / 2) / parentExtent);
      const int64_t pos = vertical ? Top() : Left();
      const int64_t offset = vertical ? OffsetY() : OffsetX();
      const bool flip = vertical ? flipV_ : flipH_;
      const int64_t a = (flip ? parentPicture + offset - pos - size : pos - offset) * kPlacementScale;
      const int64_t b = (flip ? parentPicture + offset - pos : size + pos - offset) * kPlacementScale;
      int64_t start = a / scale;
      if (a % scale > kPlacementHalf) ++start;
      int64_t end = b / scale;
      if (b % scale > 0) ++end;
      return Clamp32(end - start);
    }
  }
  return Clamp32(size * zoom / kZoomUnit);
}

void TKuzoCustomImage::RecomputeWidth() {
  if (GetMotion()) return;
  TKuzoControl::SetIntProp(PR_WIDTH, ComputeExtent(false));
}

void TKuzoCustomImage::RecomputeHeight() {
  if (GetMotion()) return;
  TKuzoControl::SetIntProp(PR_HEIGHT, ComputeExtent(true));
}

void TKuzoCustomImage::MarkSizeDirty() {
  sizeDirty_ = true;
  for (TKuzoControl* child : Children()) {
    auto* image = dynamic_cast<TKuzoCustomImage*>(child);
    if (image && image->GetBoolProp(PR_POSZOOMED)) image->sizeDirty_ = true;
  }
}

void TKuzoCustomImage::SetZoom(int32_t& field, int32_t value) {
  Invalidate();
  field = std::max(1, value);
  MarkSizeDirty();
}

bool TKuzoCustomImage::Tick() {
  const bool destroy = TKuzoControl::Tick();
  if (sizeDirty_) {
    sizeDirty_ = false;
    Invalidate();
    RecomputeWidth();
    RecomputeHeight();
    Invalidate();
  }
  return destroy;
}

// --- placement, drawing and hit tests ----------------------------------------------------------

PicturePlacement TKuzoCustomImage::GetImagePlacement() const {
  PicturePlacement p;
  const TRect screen = PlainScreenRect();
  p.left = screen.left;
  p.top = screen.top;
  p.width = Width();
  p.height = Height();
  const ScenePoint anchor = GetAnchorPosition();
  p.anchorX = anchor.x;
  p.anchorY = anchor.y;
  const TCustomDIBX* s = GetSurface();
  const int32_t w = s ? s->Width() : 0, h = s ? s->Height() : 0;
  p.offsetX = flipH_ ? Clamp32(int64_t{w} - OffsetX() - 1) : OffsetX();
  p.offsetY = flipV_ ? Clamp32(int64_t{h} - OffsetY() - 1) : OffsetY();
  p.zoomX = zoomX_;
  p.zoomY = zoomY_;
  p.angle = angle_;
  p.flipH = flipH_;
  p.flipV = flipV_;
  return p;
}

TRect TKuzoCustomImage::GetScreenRect() const {
  if ((angle_ & 255) == 0) return PlainScreenRect();
  return PictureBounds(GetImagePlacement());
}

void TKuzoCustomImage::DrawPictureLayer(TCustomDIBX& target, const TCustomDIBX& picture, const TCustomDIBX* mask) {
  DrawPicture(target, picture, mask, alpha_, GetImagePlacement());
}

void TKuzoCustomImage::Draw() {
  TCustomDIBX* target = GetDrawSurface();
  const TCustomDIBX* picture = GetSurface();
  if (target && picture && !picture->IsEmpty() && GetVisible() && Width() > 0 && Height() > 0 && alpha_ > 0)
    DrawPictureLayer(*target, *picture, GetMaskSurface());
  TKuzoControl::Draw();
}

TKuzoControl* TKuzoCustomImage::HitTest(ScenePoint p, MouseModeSet modes) {
  if (!GetVisible() || !RectContains(GetScreenRect(), p)) return nullptr;
  const std::vector<TKuzoControl*>& children = Children();
  for (size_t i = children.size(); i-- > 0;) {
    TKuzoControl* child = children[i];
    if (child->GetName().empty()) continue;
    if (TKuzoControl* hit = child->HitTest(p, modes)) return hit;
  }
  if (!ModeInSet(MouseMode(), modes)) return nullptr;
  return PictureContains(GetImagePlacement(), GetMaskSurface(), captureMask_, p.x, p.y) ? this : nullptr;
}

// --- properties --------------------------------------------------------------------------------

int32_t TKuzoCustomImage::GetIntProp(PropId id) const {
  switch (id) {
    case PR_ALPHA: return alpha_;
    case PR_ZOOMX: return zoomX_;
    case PR_ZOOMY: return zoomY_;
    case PR_ANGLE: return angle_;
    case PR_ORIGWIDTH: return GetSurface() ? GetSurface()->Width() : 0;
    case PR_ORIGHEIGHT: return GetSurface() ? GetSurface()->Height() : 0;
    default: return TKuzoControl::GetIntProp(id);
  }
}

void TKuzoCustomImage::SetIntProp(PropId id, int32_t v) {
  switch (id) {
    case PR_ALPHA: ChangeField(alpha_, v); break;
    case PR_ZOOMX: SetZoom(zoomX_, v); break;
    case PR_ZOOMY: SetZoom(zoomY_, v); break;
    case PR_ANGLE: ChangeField(angle_, v); break;
    case PR_ORIGWIDTH:
    case PR_ORIGHEIGHT: break;  // read only here
    default: TKuzoControl::SetIntProp(id, v); break;
  }
}

bool TKuzoCustomImage::GetBoolProp(PropId id) const {
  switch (id) {
    case PR_FLIPH: return flipH_;
    case PR_FLIPV: return flipV_;
    case PR_CAPTUREMASK: return captureMask_;
    default: return TKuzoControl::GetBoolProp(id);
  }
}

void TKuzoCustomImage::SetBoolProp(PropId id, bool v) {
  switch (id) {
    case PR_FLIPH:
      ChangeFlag(flipH_, v);
      RecomputeWidth();
      break;
    case PR_FLIPV:
      ChangeFlag(flipV_, v);
      RecomputeHeight();
      break;
    case PR_CAPTUREMASK: captureMask_ = v; break;
    case PR_POSZOOMED:
      Invalidate();
      TKuzoControl::SetBoolProp(id, v);
      MarkSizeDirty();
      break;
    default: TKuzoControl::SetBoolProp(id, v); break;
  }
}

// --- saved record ------------------------------------------------------------------------------

void TKuzoCustomImage::SaveToStream(ByteWriter& out) const {
  TKuzoControl::SaveToStream(out);
  out.I32(alpha_);
  out.I32(zoomX_);
  out.I32(angle_);
  out.Bool(flipH_);
  out.Bool(flipV_);
  out.Bool(captureMask_);
  out.I32(zoomY_);
}

void TKuzoCustomImage::LoadFromStream(ByteReader& in, int32_t version) {
  TKuzoControl::LoadFromStream(in, version);
  alpha_ = in.I32("alpha");
  zoomX_ = std::max(1, in.I32("zoom x"));
  angle_ = in.I32("angle");
  flipH_ = in.Bool("flip horizontal");
  flipV_ = in.Bool("flip vertical");
  captureMask_ = in.Bool("capture mask");
  zoomY_ = version > kVersionZoomY ? std::max(1, in.I32("zoom y")) : zoomX_;
}

// --- single picture ----------------------------------------------------------------------------

void TKuzoImage::LoadPicture() {
  SetSurface(nullptr);
  SetMaskSurface(nullptr);
  TDrelCollection* cache = Services() ? Services()->Images() : nullptr;
  int32_t w = 0, h = 0;
  if (cache && HasPictureExtension(source_)) {
    TDrelItem* item = cache->Acquire(this, source_, false);
    if (item->FrameCount() > 0 && item->Frame(0).Picture) {
      const TDrelItemFrame& frame = item->Frame(0);
      SetSurface(CopyPicture(*frame.Picture, kMaxBrightness - brightness_));
      if (frame.Mask) {
        auto mask = std::make_unique<TDIBX>(frame.Mask->Width(), frame.Mask->Height(), 8);
        mask->Draw(0, 0, false, false, false, frame.Mask->BoundsRect(), *frame.Mask);
        SetMaskSurface(std::move(mask));
      }
      w = Clamp32(int64_t{ZoomX()} * frame.Picture->Width() / kZoomUnit);
      h = Clamp32(int64_t{ZoomY()} * frame.Picture->Height() / kZoomUnit);
    }
    cache->Release(item, this);
  }
  TKuzoControl::SetIntProp(PR_WIDTH, w);
  TKuzoControl::SetIntProp(PR_HEIGHT, h);
}

void TKuzoImage::ReleaseSurfaces() {
  SetSurface(nullptr);
  SetMaskSurface(nullptr);
}

void TKuzoImage::RestoreSurfaces() {
  const int32_t width = Width(), height = Height();
  LoadPicture();
  TKuzoControl::SetIntProp(PR_WIDTH, width);  // the size stays as it was
  TKuzoControl::SetIntProp(PR_HEIGHT, height);
}

void TKuzoImage::SetSource(const std::string& source) {
  if (source == source_) return;
  Invalidate();
  source_ = source;
  LoadPicture();
}

void TKuzoImage::SetBrightness(int32_t value) {
  value = std::clamp(value, 0, kMaxBrightness);
  if (value == brightness_) return;
  brightness_ = value;
  LoadPicture();
}

int32_t TKuzoImage::GetIntProp(PropId id) const {
  return id == PR_BRIGHTNESS ? brightness_ : TKuzoCustomImage::GetIntProp(id);
}

void TKuzoImage::SetIntProp(PropId id, int32_t v) {
  if (id == PR_BRIGHTNESS) {
    SetBrightness(v);
  } else {
    TKuzoCustomImage::SetIntProp(id, v);
  }
}

std::string TKuzoImage::GetStrProp(PropId id) const {
  return id == PR_SOURCE ? source_ : TKuzoCustomImage::GetStrProp(id);
}

void TKuzoImage::SetStrProp(PropId id, const std::string& v) {
  if (id == PR_SOURCE) {
    SetSource(v);
  } else {
    TKuzoCustomImage::SetStrProp(id, v);
  }
}

void TKuzoImage::SaveToStream(ByteWriter& out) const {
  TKuzoCustomImage::SaveToStream(out);
  out.String(source_);
  out.I32(brightness_);
}

void TKuzoImage::LoadFromStream(ByteReader& in, int32_t version) {
  TKuzoCustomImage::LoadFromStream(in, version);
  SetSource(in.String("source"));
  SetBrightness(in.I32("brightness"));
}

}  // namespace kuzo
