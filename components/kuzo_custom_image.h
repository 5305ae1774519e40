// TKuzoCustomImage: the picture base of every picture component. It holds a picture (its own
// surface, or one lent by the image cache), an optional 8-bit mask, and how the picture is shown:
// the opacity rule, zoom, turn and flips. It draws the picture before its children, sizes itself
// from the picture, and tests clicks against the (possibly turned) picture and its mask.
// TKuzoImage is the single picture with a source and a brightness (films show it).
#pragma once

#include <memory>
#include <string>

#include "components/picture_draw.h"
#include "scene/kuzo_control.h"

namespace kuzo {

class TDrelItem;
class TKuzoImageData;

// The extension checks of picture sources, without regard to letter case.
bool HasPictureExtension(const std::string& name);  // ".drl"
bool HasMotionFileExtension(const std::string& name);  // ".kmt"

class TKuzoCustomImage : public TKuzoControl {
 public:
  static constexpr int32_t kZoomUnit = 256;

  TKuzoCustomImage();
  ~TKuzoCustomImage() override;

  void Draw() override;
  TRect GetScreenRect() const override;
  TKuzoControl* HitTest(ScenePoint p, MouseModeSet modes) override;
  bool Tick() override;
  bool PictureSize(int32_t& width, int32_t& height) const override;

  // The picture shown: a lent frame of a frame list when set, else a lent surface, else the own
  // one; null when there is none.
  const TCustomDIBX* GetSurface() const;
  void SetSurface(std::unique_ptr<TDIBX> surface);
  void SetSharedSurface(const TCustomDIBX* surface);
  const TCustomDIBX* GetMaskSurface() const;
  void SetMaskSurface(std::unique_ptr<TDIBX> mask);
  void SetSharedMask(const TCustomDIBX* mask);
  // Lends a frame of a frame list: its picture (tinted or not) and mask are read through it on
  // every use, so they follow the cache when it makes its surfaces anew. Null drops it.
  void SetSharedFrame(const TKuzoImageData* frame);

  // Where the picture goes: the screen rectangle, the anchor on the screen and the picture point at
  // the anchor (mirrored under flips), zoom, turn and flips.
  PicturePlacement GetImagePlacement() const;
  virtual void RecomputeWidth();
  virtual void RecomputeHeight();

  int32_t Alpha() const { return alpha_; }
  int32_t ZoomX() const { return zoomX_; }
  int32_t ZoomY() const { return zoomY_; }
  int32_t Angle() const { return angle_; }
  bool SizeDirty() const { return sizeDirty_; }

  int32_t GetIntProp(PropId id) const override;
  void SetIntProp(PropId id, int32_t v) override;
  bool GetBoolProp(PropId id) const override;
  void SetBoolProp(PropId id, bool v) override;

  void SaveToStream(ByteWriter& out) const override;
  void LoadFromStream(ByteReader& in, int32_t version) override;

 protected:
  // Whether a source is named (a component without source and surface has size 0).
  virtual bool HasSource() const { return false; }
  // Sets the zoom of one axis (values of 0 or less become 1) and marks the size for the next tick.
  void SetZoom(int32_t& field, int32_t value);
  void MarkSizeDirty();
  // Draws the picture itself (tiles repeat it instead).
  virtual void DrawPictureLayer(TCustomDIBX& target, const TCustomDIBX& picture, const TCustomDIBX* mask);
  // The unturned screen rectangle.
  TRect PlainScreenRect() const { return TKuzoControl::GetScreenRect(); }
  // One axis of the size rule: the picture extent scaled by zoom, or inside a zoomed parent the
  // extent of the parent's picture scale.
  int32_t ComputeExtent(bool vertical) const;

 private:
  std::unique_ptr<TDIBX> ownSurface_;
  const TCustomDIBX* sharedSurface_ = nullptr;
  const TKuzoImageData* sharedFrame_ = nullptr;
  std::unique_ptr<TDIBX> ownMask_;
  const TCustomDIBX* sharedMask_ = nullptr;
  int32_t alpha_ = 255;
  int32_t zoomX_ = kZoomUnit;
  int32_t zoomY_ = kZoomUnit;
  int32_t angle_ = 0;
  bool flipH_ = false;
  bool flipV_ = false;
  bool captureMask_ = false;
  bool sizeDirty_ = false;
};

// One picture from one file, copied out of the image cache into the own surface.
class TKuzoImage : public TKuzoCustomImage {
 public:
  const std::string& Source() const { return source_; }
  void SetSource(const std::string& source);
  int32_t Brightness() const { return brightness_; }
  void SetBrightness(int32_t value);
  // Around a display-mode change: the own copy is dropped, then copied again from the cache.
  void ReleaseSurfaces() override;
  void RestoreSurfaces() override;

  int32_t GetIntProp(PropId id) const override;
  void SetIntProp(PropId id, int32_t v) override;
  std::string GetStrProp(PropId id) const override;
  void SetStrProp(PropId id, const std::string& v) override;
  void SaveToStream(ByteWriter& out) const override;
  void LoadFromStream(ByteReader& in, int32_t version) override;

 protected:
  bool HasSource() const override { return !source_.empty(); }

 private:
  void LoadPicture();

  std::string source_;
  int32_t brightness_ = 255;
};

}  // namespace kuzo
