// Visual components: a rectangle with an anchor point inside its parent, children drawn in
// priority order, visibility, clip rectangle, mouse and key labels, invalidation into the base's
// dirty list, hit tests, focus candidates and the control part of the saved record.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "scene/kuzo_object.h"
#include "scene/kuzo_motion.h"

namespace kuzo {

// The mouse event labels in their stored order.
enum MouseLabel : int { ML_MOVE, ML_IN, ML_OUT, ML_LDOWN, ML_LUP, ML_RDOWN, ML_RUP, ML_WHEELDOWN, ML_WHEELUP,
                        kMouseLabelCount };
// The key and focus labels in their stored order.
enum KeyLabel : int { KL_DOWN, KL_UP, KL_REPEAT, KL_FOCUSIN, KL_FOCUSOUT, kKeyLabelCount };

class TKuzoControl : public TKuzoComponent {
 public:
  TKuzoControl();
  ~TKuzoControl() override;

  void Create(TKuzoBaseList* scene) override;
  bool IsControl() const override { return true; }
  void SetName(const std::string& name) override;

  // Fields.
  int32_t Left() const { return left_; }
  int32_t Top() const { return top_; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int32_t OffsetX() const { return offsetX_; }
  int32_t OffsetY() const { return offsetY_; }
  int32_t Color() const { return color_; }
  bool OwnVisible() const { return visible_; }
  bool Highlight() const { return highlight_; }
  void SetHighlight(bool on);
  bool HandlesKeys() const { return handleKeys_; }
  const std::string& MouseLabelAt(int i) const { return mouseLabels_[i]; }
  const std::string& KeyLabelAt(int i) const { return keyLabels_[i]; }

  // Structure.
  TKuzoControl* Parent() const override { return parent_; }
  // Moves the control under `parent` (nullptr detaches it). Refused when it would make a cycle.
  void SetParent(TKuzoControl* parent);
  int GetChildCount() const override { return static_cast<int>(children_.size()); }
  TKuzoControl* GetChild(int i) const override;
  const std::vector<TKuzoControl*>& Children() const { return children_; }
  void AddChild(TKuzoControl* child);
  void RemoveChild(TKuzoControl* child);
  void SortChildren();
  TKuzoBase* GetBase() const override;
  TCustomDIBX* GetDrawSurface() const override;
  bool Contains(const TKuzoObject* obj) const override;
  bool IsInCabinet() const override;
  bool IsShown() const override;

  // Geometry.
  TRect GetScreenRect() const override;
  // The control's clip rectangle on the base; empty when clip width or height is below 1.
  TRect GetClipScreenRect() const;
  int32_t GetAbsLeft() const override;
  int32_t GetAbsTop() const override;
  int32_t GetLocalLeft() const override;
  int32_t GetLocalTop() const override;
  ScenePoint GetAnchorPosition() const override;
  ScenePoint ClientToScreen(ScenePoint p) const override;
  ScenePoint ScreenToClient(ScenePoint p) const override;
  void PropagateInvalidRect(TRect& rect) const override;
  void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);
  // The size of the control's own picture, when it has one (images); placement inside a zoomed
  // picture depends on it.
  virtual bool PictureSize(int32_t& width, int32_t& height) const { return false; }

  // Appearance and updates.
  bool GetVisible() const;
  void SetVisible(bool v);
  void Invalidate() override;
  void Draw() override;
  TKuzoControl* HitTest(ScenePoint p, MouseModeSet modes) override;
  bool Tick() override;
  void PositionChanged() override;
  virtual void ClipChanged();

  // Keyboard.
  void KeyDown() override;
  void KeyUp() override;
  void KeyRepeat() override;
  TKuzoControl* FindFocusCandidate() override;

  // Motion.
  TKuzoMotion* GetMotion() const { return motion_.get(); }
  void AttachMotion(const std::string& file);
  void AttachMotion(std::unique_ptr<TKuzoMotion> motion);
  void RestartMotion();
  void FreeMotion();
  int32_t GetMotionX() const { return motionX_; }
  int32_t GetMotionY() const { return motionY_; }
  void SetMotionX(int32_t v);
  void SetMotionY(int32_t v);

  // Properties.
  int32_t GetIntProp(PropId id) const override;
  void SetIntProp(PropId id, int32_t v) override;
  bool GetBoolProp(PropId id) const override;
  void SetBoolProp(PropId id, bool v) override;
  std::string GetStrProp(PropId id) const override;
  void SetStrProp(PropId id, const std::string& v) override;

  void SaveToStream(ByteWriter& out) const override;
  void LoadFromStream(ByteReader& in, int32_t version) override;

  // Detaches every child without freeing it (the scene frees them).
  std::vector<TKuzoControl*> TakeChildren();

 protected:
  // Field writes with the invalidation pattern: invalidate, store, invalidate when changed.
  void ChangeField(int32_t& field, int32_t value);
  void ChangeFlag(bool& field, bool value);
  void SetLeft(int32_t v);
  void SetTop(int32_t v);
  void SetOffset(int32_t& field, int32_t v);
  void SetHandleKeys(bool v);
  void SetParentByName(const std::string& name);
  int64_t AnchorDisplacementX() const;
  int64_t AnchorDisplacementY() const;
  int64_t BaseX() const;
  int64_t BaseY() const;
  // Draws the 2-pixel checker frame of a highlighted control.
  void DrawHighlightFrame();

 private:
  friend class TKuzoBaseList;
  bool ZoomedPlacement(bool vertical, int64_t& result) const;
  void FocusUpkeepAfterParentChange();

  int32_t left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  int32_t offsetX_ = 0, offsetY_ = 0;
  bool visible_ = true;
  TKuzoControl* parent_ = nullptr;
  int32_t color_ = 0;
  std::vector<TKuzoControl*> children_;
  std::array<int32_t, 4> reserved_{0, 0, 1, 1};
  std::array<std::string, kMouseLabelCount> mouseLabels_;
  uint8_t mouseMode_ = 0;
  std::string cursor_;
  bool posZoomed_ = false;
  bool highlight_ = false;
  int32_t clipLeft_ = 0, clipTop_ = 0, clipWidth_ = 0, clipHeight_ = 0;
  int32_t motionX_ = 0, motionY_ = 0;
  int32_t plusX_ = 0, plusY_ = 0;
  bool aniPaused_ = false;
  bool handleKeys_ = false;
  std::array<std::string, kKeyLabelCount> keyLabels_;
  std::unique_ptr<TKuzoMotion> motion_;
};

}  // namespace kuzo
