// TKuzoBase: one of the scene's two drawing bases. It owns a surface of the scene size, the dirty
// rectangle list, and the mouse state of its frame (position, press latches, clicks, held buttons,
// wheel, capture and hover), which the scene routes to the control under the mouse.
#pragma once

#include <memory>
#include <string>

#include "graphics/dibx.h"
#include "scene/clip_list.h"
#include "scene/kuzo_control.h"

namespace kuzo {

// Capture flags of a base: a control took the left (2) or the right (3) press.
constexpr uint8_t kCaptureLeft = 1 << 2;
constexpr uint8_t kCaptureRight = 1 << 3;

class TKuzoBase : public TKuzoControl {
 public:
  TKuzoBase();
  ~TKuzoBase() override;

  bool IsBase() const override { return true; }
  TKuzoBase* GetBase() const override { return const_cast<TKuzoBase*>(this); }
  TCustomDIBX* GetDrawSurface() const override;
  TCustomDIBX* OwnSurface() const { return surface_.get(); }
  // Rebuilds the own surface at the given size (bit depth 32 unless the screen says otherwise).
  void ResizeSurface(int32_t width, int32_t height, int bits);
  void ReleaseSurfaces() override;
  void RestoreSurfaces() override;
  bool SurfaceLost() const { return surfaceLost_; }

  // Dirty rectangles, clamped to the base.
  void AddDirtyRect(const TRect& r);
  void MarkAllDirty();
  TClipList& DirtyList() { return dirty_; }
  const TClipList& DirtyList() const { return dirty_; }
  // Fills the background and draws the children into every dirty rectangle.
  void DrawDirty();

  // Which base of the scene this is (0 or 1).
  int Index() const { return index_; }
  void SetIndex(int i) { index_ = i; }

  // Mouse state, in scene pixels.
  void UpdateMousePosition(int32_t x, int32_t y);
  int32_t MouseX() const { return mouseX_; }
  int32_t MouseY() const { return mouseY_; }
  bool moved = false;
  bool leftPressLatch = false, leftClick = false;
  bool rightPressLatch = false, rightClick = false;
  bool leftHeld = false, rightHeld = false;
  bool wheelDownLatch = false, wheelDown = false;
  bool wheelUpLatch = false, wheelUp = false;
  uint8_t capture = 0;
  ComponentHandle hover;
  std::string currentCursor;

 private:
  std::unique_ptr<TDIBX> surface_;
  bool surfaceLost_ = false;
  TClipList dirty_;
  int index_ = 0;
  int32_t mouseX_ = 0, mouseY_ = 0;
};

// A container that keeps its children off the screen: never visible, its children neither drawn
// nor ticked, movies inside it paused.
class TKuzoCabinet : public TKuzoControl {
 public:
  int32_t KindCode() const override { return LT_CABINET; }
  bool IsCabinet() const override { return true; }
  bool GetBoolProp(PropId id) const override;
};

}  // namespace kuzo
