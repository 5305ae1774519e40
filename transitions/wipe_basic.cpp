// Cross-fade, scrolls, white / black passages, flash and zoom: whole-surface operations with the
// progress arithmetic of each kind.
#include "transitions/wipe_basic.h"

#include <algorithm>
#include <cstring>

#include "transitions/wipe_surface_ops.h"

namespace kuzo {
namespace {

// Limits drawing on a surface to a rectangle for the guard's lifetime, then restores the clip.
class ClipGuard {
 public:
  ClipGuard(TCustomDIBX& s, const TRect& r) : s_(s), wasSet_(s.ClipIsSet()), saved_(s.GetClip()) {
    s_.SetClip(Intersect(r, saved_));
  }
  ~ClipGuard() {
    if (wasSet_) {
      s_.SetClip(saved_);
    } else {
      s_.ResetClip();
    }
  }
  ClipGuard(const ClipGuard&) = delete;
  ClipGuard& operator=(const ClipGuard&) = delete;

 private:
  TCustomDIBX& s_;
  bool wasSet_;
  TRect saved_;
};

// Copies count 32-bit pixels; nothing when count is 0 (the source may then lie past its row).
void CopyPixels(uint8_t* dst, const uint8_t* src, int count) {
  if (count > 0) std::memcpy(dst, src, static_cast<size_t>(count) * 4);
}

}  // namespace

void TWipeFade::DrawFrame() {
  const int alpha = static_cast<int>(Scaled(256));  // Elapsed * 256 / Duration, below 256 while running
  const int x = RoundEven(Params[0] * Remaining());
  const int y = RoundEven(Params[1] * Remaining());
  if (!RowsDirect()) {
    ClipGuard clip(Dest, Area());
    Show(From);
    Dest.DrawAlpha(x, y, std::min(alpha, 255), false, false, false, Area(), To);
    return;
  }
  ShowFade(From, To, std::min(alpha, 255), x, y);
}

void TWipeScrollH::DrawFrame() {
  const int o = static_cast<int>(Scaled(W()));
  if (RowsDirect()) {
    // Each row: the outgoing picture's columns from o on, then the incoming picture's first o
    // columns (the other way round when reversed).
    const int w = W(), rest = w - o;
    for (int y = 0; y < H(); ++y) {
      uint8_t* d = Dest.Lock(0, y);
      if (Reverse != 0) {
        CopyPixels(d, To.Lock(rest, y), o);
        CopyPixels(d + 4 * static_cast<ptrdiff_t>(o), From.Lock(0, y), rest);
      } else {
        CopyPixels(d, From.Lock(o, y), rest);
        CopyPixels(d + 4 * static_cast<ptrdiff_t>(rest), To.Lock(0, y), o);
      }
    }
    return;
  }
  ClipGuard clip(Dest, Area());
  if (Reverse != 0) {
    Dest.Draw(o, 0, false, false, false, Area(), From);
    Dest.Draw(o - W(), 0, false, false, false, Area(), To);
  } else {
    Dest.Draw(-o, 0, false, false, false, Area(), From);
    Dest.Draw(W() - o, 0, false, false, false, Area(), To);
  }
}

void TWipeScrollV::DrawFrame() {
  const int o = static_cast<int>(Scaled(H()));
  if (RowsDirect()) {
    // Row y shows the outgoing picture's row y + o, or below its end the incoming picture's first
    // rows (reversed: the incoming picture's last o rows above the outgoing picture).
    const int h = H(), rest = h - o;
    for (int y = 0; y < h; ++y) {
      const uint8_t* source = Reverse != 0 ? (y < o ? To.Lock(0, y + rest) : From.Lock(0, y - o))
                                           : (y < rest ? From.Lock(0, y + o) : To.Lock(0, y - rest));
      CopyPixels(Dest.Lock(0, y), source, W());
    }
    return;
  }
  ClipGuard clip(Dest, Area());
  if (Reverse != 0) {
    Dest.Draw(0, o, false, false, false, Area(), From);
    Dest.Draw(0, o - H(), false, false, false, Area(), To);
  } else {
    Dest.Draw(0, -o, false, false, false, Area(), From);
    Dest.Draw(0, H() - o, false, false, false, Area(), To);
  }
}

void TWipeWhite::DrawFrame() {
  const int level = static_cast<int>(Scaled(511));
  if (level < 256) {
    ShowGrey(From, level, Darken());
  } else {
    ShowGrey(To, 511 - level, Darken());
  }
}

void TWipeFlash::DrawFrame() { ShowGrey(To, 255 - static_cast<int>(Scaled(255)), false); }

void TWipeZoomin::DrawFrame() {
  const double c = 2.0 * Progress();
  const bool first = c < 1.0;
  const double cropFactor = first ? 1.0 - c : c - 1.0;
  const double placeFactor = first ? c : 2.0 - c;
  // One axis: crop size (at least 1 pixel) and its start, moved toward the point and kept inside.
  const auto place = [&](int size, int32_t point, int32_t& start, int32_t& crop) {
    crop = std::max(1, static_cast<int>(size * cropFactor));
    const int64_t s = int64_t{RoundEven((static_cast<double>(point) - size / 2) * placeFactor)} + size / 2 - crop / 2;
    start = static_cast<int32_t>(std::clamp<int64_t>(s, 0, size - crop));
  };
  int32_t left, top, cw, ch;
  place(W(), Params[0], left, cw);
  place(H(), Params[1], top, ch);
  wipe::StretchDraw(Dest, Area(), first ? From : To, TRect{left, top, left + cw, top + ch}, 255);
}

}  // namespace kuzo
