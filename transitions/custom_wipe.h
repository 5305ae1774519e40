// TCustomWipe, the base of every screen transition, and TWipeMask, the base of the transitions that
// build an 8-bit mask and mix the outgoing and incoming pictures through it. A transition knows
// nothing of bases or scripts: its owner sets Duration and Elapsed and calls StepFrame every frame.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/host_state.h"
#include "graphics/dibx.h"
#include "graphics/rect.h"

namespace kuzo {

// A rule image reduced to grey levels (0..255), row-major.
struct GreyImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> grey;
};

// What a transition may ask of its owner: the rule images of the game data and the program's
// run-time random generator. Either may be absent (no rule images; a fixed generator seeded with 0).
struct WipeServices {
  // Loads the first frame of the named image as grey levels; nullopt when it cannot be read.
  std::function<std::optional<GreyImage>(const std::string& name)> loadRule;
  RuntimeRandom* random = nullptr;
  // Default point of the zoom transition (the project sets it to the centre of the title's screen);
  // without one the table's defaults apply.
  std::optional<std::pair<int32_t, int32_t>> zoomCentre;
};

class TCustomWipe {
 public:
  // The surfaces must outlive the transition. From and To are drawn over their common area with Dest.
  TCustomWipe(TCustomDIBX& dest, const TCustomDIBX& from, const TCustomDIBX& to, const WipeServices& services);
  virtual ~TCustomWipe();
  TCustomWipe(const TCustomWipe&) = delete;
  TCustomWipe& operator=(const TCustomWipe&) = delete;

  virtual void SetReverse(uint8_t reverse) { Reverse = reverse; }
  virtual int32_t GetParam(int index) const;
  virtual void SetParam(int index, int32_t value);
  virtual void SetRuleName(const std::string& name) { RuleName = name; }
  // Once, before the first step.
  virtual void Prepare() {}
  // Draws the frame for Elapsed; returns true (drawing nothing) once Elapsed >= Duration.
  bool StepFrame();

  uint8_t Reverse = 0;
  std::string RuleName;
  TCustomDIBX& Dest;
  const TCustomDIBX& From;
  const TCustomDIBX& To;
  int32_t Duration = 0;
  int32_t Elapsed = 0;
  int32_t Params[2] = {0, 0};
  TRect DirtyRect{};

 protected:
  // One frame with 0 <= Elapsed < Duration.
  virtual void DrawFrame() = 0;

  // Width and height of the area all three surfaces share (0 x 0 when their formats differ).
  int W() const { return width_; }
  int H() const { return height_; }
  TRect Area() const { return TRect{0, 0, width_, height_}; }
  // value * Elapsed / Duration, truncated; the product is formed in 128 bits.
  int64_t Scaled(int64_t value) const;
  // Elapsed / Duration and (Duration - Elapsed - 1) / Duration as reals.
  double Progress() const;
  double Remaining() const;
  // Copies the common area of a picture into Dest, opaque.
  void Show(const TCustomDIBX& picture) { Dest.Draw(0, 0, false, false, false, Area(), picture); }
  // Show(picture), then the grey (v, v, v) added over the area (taken away with subtract); nothing
  // is added for v <= 0.
  void ShowGrey(const TCustomDIBX& picture, int v, bool subtract);
  // Show(base), then `over` blended on top at opacity alpha, placed at (x, y): pixels equal in both
  // stay, the others become (b*(255-alpha) + o*alpha) >> 8; alpha <= 0 draws nothing over.
  void ShowFade(const TCustomDIBX& base, const TCustomDIBX& over, int alpha, int x, int y);
  // 32-bit pictures and no clip on Dest: a frame can be composed row by row in one pass, with the
  // same result as the surface operations it replaces.
  bool RowsDirect() const;
  // Next value of the run-time generator in [0, range).
  int32_t Random(int32_t range);

  WipeServices services_;

 private:
  int width_ = 0;
  int height_ = 0;
  RuntimeRandom fallbackRandom_;
};

// Rounds to the nearest integer, ties to even, saturating to the 32-bit range.
int32_t RoundEven(double v);

class TWipeMask : public TCustomWipe {
 public:
  TWipeMask(TCustomDIBX& dest, const TCustomDIBX& from, const TCustomDIBX& to, const WipeServices& services)
      : TCustomWipe(dest, from, to, services) {}
  // Parameter 0 is stored as at least 2, parameter 1 as at least 1.
  void SetParam(int index, int32_t value) override;
  void Prepare() override;

  int32_t LastLevel = -1;
  bool HardEdge = false;
  // W() x MaskHeight() coverage values; mask row y mod MaskHeight() serves screen row y.
  std::vector<uint8_t> Mask;

 protected:
  void DrawFrame() override;
  // Rebuilds the mask for Elapsed; false when nothing changed (nothing is drawn then).
  virtual bool UpdateMask() = 0;
  // Rows of the mask (clamped to 1 .. H(), the rows that can be seen).
  virtual int MaskHeight() const { return H(); }
  int MaskRows() const;
  uint8_t* MaskRow(int y) { return Mask.data() + static_cast<size_t>(y) * static_cast<size_t>(W()); }
  // Records level; false when it equals LastLevel.
  bool NewLevel(int64_t level);
  // The soft ramp: 0 before start, then min(255, (level - start) * 255 / Params[1]).
  uint8_t Ramp(int64_t level, int64_t start) const;
};

}  // namespace kuzo
