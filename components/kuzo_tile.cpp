// Tiles: their placement, the repeated drawing, the tile properties and saved record.
#include "components/kuzo_tile.h"

#include "components/drel_collection.h"
#include "scene/component_services.h"

namespace kuzo {

TKuzoTile::~TKuzoTile() = default;

void TKuzoTile::SetSource(const std::string& source) {
  if (source == source_) return;
  source_ = source;
  ClearFrame();
  list_.Clear();
  FreeMotion();
  TDrelCollection* cache = Services() ? Services()->Images() : nullptr;
  if (HasPictureExtension(source) && cache) {
    list_.Load(*cache, source, this);
  } else if (HasMotionFileExtension(source)) {
    AttachMotion(source);
    if (!GetMotion()) ReportMotionUnavailable(*this, source);
  }
  if (!list_.Empty()) SetIndex(0);
}

int32_t TKuzoTile::GetAbsLeft() const {
  const TKuzoControl* parent = Parent();
  const int64_t origin = parent ? int64_t{parent->GetAbsLeft()} - parent->GetIntProp(PR_SCROLLX) : 0;
  return ClampToInt32(origin + (GetMotion() ? GetMotionX() : Left()));
}

int32_t TKuzoTile::GetAbsTop() const {
  const TKuzoControl* parent = Parent();
  const int64_t origin = parent ? int64_t{parent->GetAbsTop()} - parent->GetIntProp(PR_SCROLLY) : 0;
  return ClampToInt32(origin + (GetMotion() ? GetMotionY() : Top()));
}

void TKuzoTile::DrawPictureLayer(TCustomDIBX& target, const TCustomDIBX& picture, const TCustomDIBX* mask) {
  PicturePlacement p = GetImagePlacement();
  p.angle = 0;
  DrawTiledPicture(target, picture, mask, Alpha(), p, scrollX_, scrollY_, distanceX_, distanceY_);
}

int32_t TKuzoTile::GetIntProp(PropId id) const {
  switch (id) {
    case PR_SCROLLX: return scrollX_;
    case PR_SCROLLY: return scrollY_;
    case PR_DISTANCEX: return distanceX_;
    case PR_DISTANCEY: return distanceY_;
    default: return TKuzoCustomImages::GetIntProp(id);
  }
}

void TKuzoTile::SetIntProp(PropId id, int32_t v) {
  switch (id) {
    case PR_SCROLLX:
      ChangeField(scrollX_, v);
      PositionChanged();
      break;
    case PR_SCROLLY:
      ChangeField(scrollY_, v);
      PositionChanged();
      break;
    case PR_DISTANCEX: ChangeField(distanceX_, v); break;
    case PR_DISTANCEY: ChangeField(distanceY_, v); break;
    default: TKuzoCustomImages::SetIntProp(id, v); break;
  }
}

std::string TKuzoTile::GetStrProp(PropId id) const {
  switch (id) {
    case PR_SOURCE: return source_;
    case PR_ONIDLE: return idleLabel_;
    default: return TKuzoCustomImages::GetStrProp(id);
  }
}

void TKuzoTile::SetStrProp(PropId id, const std::string& v) {
  switch (id) {
    case PR_SOURCE: SetSource(v); break;
    case PR_ONIDLE: idleLabel_ = v; break;
    default: TKuzoCustomImages::SetStrProp(id, v); break;
  }
}

void TKuzoTile::SaveToStream(ByteWriter& out) const {
  TKuzoCustomImages::SaveToStream(out);
  out.I32(scrollX_);
  out.I32(scrollY_);
  out.String(source_);
  out.String(idleLabel_);
  out.I32(distanceX_);
  out.I32(distanceY_);
}

void TKuzoTile::LoadFromStream(ByteReader& in, int32_t version) {
  TKuzoCustomImages::LoadFromStream(in, version);
  scrollX_ = in.I32("scroll x");
  scrollY_ = in.I32("scroll y");
  SetSource(in.String("source"));
  idleLabel_ = in.String("idle label");
  distanceX_ = in.I32("distance x");
  distanceY_ = in.I32("distance y");
  ApplyLoadedFrame();
}

}  // namespace kuzo
