// TKuzoTile (kind 20): a picture repeated over the component's rectangle, with a spacing between the
// copies and a scroll offset of the pattern. Its position ignores zoom and the anchor point.
#pragma once

#include <string>

#include "components/kuzo_images.h"

namespace kuzo {

class TKuzoTile : public TKuzoCustomImages {
 public:
  static constexpr int32_t kKindCode = LT_TILE;
  int32_t KindCode() const override { return kKindCode; }

  ~TKuzoTile() override;

  const std::string& Source() const { return source_; }
  // ".drl" loads the tile's frames (the first is shown); ".kmt" attaches a motion.
  void SetSource(const std::string& source);

  int32_t GetAbsLeft() const override;
  int32_t GetAbsTop() const override;
  TRect GetScreenRect() const override { return PlainScreenRect(); }
  TKuzoControl* HitTest(ScenePoint p, MouseModeSet modes) override { return TKuzoControl::HitTest(p, modes); }
  // The rectangle is the tile's own: the picture does not size it.
  void RecomputeWidth() override {}
  void RecomputeHeight() override {}
  void ReleaseSurfaces() override { list_.ReleaseCopies(); }
  void RestoreSurfaces() override {
    list_.RebuildCopies();
    Invalidate();
  }

  int32_t GetIntProp(PropId id) const override;
  void SetIntProp(PropId id, int32_t v) override;
  std::string GetStrProp(PropId id) const override;
  void SetStrProp(PropId id, const std::string& v) override;
  void SaveToStream(ByteWriter& out) const override;
  void LoadFromStream(ByteReader& in, int32_t version) override;

 protected:
  TKuzoImageList* CurrentList() const override { return &list_; }
  bool HasSource() const override { return !source_.empty(); }
  void DrawPictureLayer(TCustomDIBX& target, const TCustomDIBX& picture, const TCustomDIBX* mask) override;

 private:
  mutable TKuzoImageList list_;
  std::string source_;
  int32_t scrollX_ = 0, scrollY_ = 0;
  std::string idleLabel_;
  int32_t distanceX_ = 0, distanceY_ = 0;
};

}  // namespace kuzo
