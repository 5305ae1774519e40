// Small surfaces for the transformed-drawing tests: build one from pixel values row by row and read
// all pixels back, so expected results can be written out as they appear on screen.
#pragma once

#include <cstdint>
#include <vector>

#include "graphics/dibx.h"

namespace kuzo::testing {

inline TDIBX Surface(int bits, int w, int h, const std::vector<uint32_t>& values) {
  TDIBX s(w, h, bits);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) s.SetPixel(x, y, values.empty() ? 0 : values[static_cast<size_t>(y) * w + x]);
  }
  return s;
}

inline TDIBX Filled(int bits, int w, int h, uint32_t value) {
  TDIBX s(w, h, bits);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) s.SetPixel(x, y, value);
  }
  return s;
}

inline std::vector<uint32_t> Pixels(const TCustomDIBX& s) {
  std::vector<uint32_t> out;
  for (int y = 0; y < s.Height(); ++y) {
    for (int x = 0; x < s.Width(); ++x) out.push_back(s.GetPixel(x, y));
  }
  return out;
}

inline std::vector<uint32_t> Row(const TCustomDIBX& s, int y) {
  std::vector<uint32_t> out;
  for (int x = 0; x < s.Width(); ++x) out.push_back(s.GetPixel(x, y));
  return out;
}

// 0, 1, 2, ... n - 1 plus `base`.
inline std::vector<uint32_t> Ramp(int n, uint32_t base = 0) {
  std::vector<uint32_t> v;
  for (int i = 0; i < n; ++i) v.push_back(base + static_cast<uint32_t>(i));
  return v;
}

}  // namespace kuzo::testing
