// Frame lists of decoded images: adding and clearing frames, masks built from colour keys, and the
// conversions to display surfaces and to RGBA that the image cache and the tools use.
#include "graphics/image_formats/drel_image.h"

#include <cstring>

#include "graphics/image_formats/drel_format.h"

namespace kuzo {

TDrelFrame& TDrelFrameList::Add() {
  Frames.push_back(std::make_unique<TDrelFrame>());
  return *Frames.back();
}

void TDrelFrameList::Clear() {
  Frames.clear();
  Version = 0;
  Header = DrelHeaderInfo{};
}

void TDrelFrameList::BuildMasks() {
  for (auto& frame : Frames) {
    if (frame->HasMask()) continue;
    TDIBSurface& image = frame->Image;
    TDIBSurface& mask = image.CreateMask(255);
    if (frame->ColorKey == -1) continue;
    const Pixel key = static_cast<Pixel>(frame->ColorKey) & PixelWidthMask(image.BitCount());
    for (int y = 0; y < image.Height(); ++y) {
      uint8_t* m = mask.Lock(0, y);
      for (int x = 0; x < image.Width(); ++x) {
        if (image.GetPixel(x, y) == key) m[x] = 0;
      }
    }
  }
}

void ConvertFrameToSurface(const TDrelFrame& frame, TCustomDIBX& out) {
  const TDIBSurface& image = frame.Image;
  const int w = image.Width(), h = image.Height();
  const int outBits = out.BitCount();
  out.SetSize(w, h, outBits);
  out.RegionsA = frame.RegionsA;
  out.RegionsB = frame.RegionsB;
  const int bits = image.BitCount();
  if (outBits == 32 && (bits == 24 || bits == 32)) {
    // B, G, R copied; the fourth byte written as 0.
    const int step = bits / 8;
    for (int y = 0; y < h; ++y) {
      const uint8_t* s = image.Lock(0, y);
      uint8_t* d = out.Lock(0, y);
      if (s == nullptr || d == nullptr) continue;
      for (int x = 0; x < w; ++x, s += step, d += 4) {
        d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = 0;
      }
    }
    return;
  }
  if (outBits == bits && bits > 8) {
    const size_t bytes = static_cast<size_t>(w) * static_cast<size_t>(out.BytesPerPixel());
    for (int y = 0; y < h; ++y) {
      uint8_t* d = out.Lock(0, y);
      if (d != nullptr) std::memcpy(d, image.Lock(0, y), bytes);
    }
    return;
  }
  if (outBits <= 8 && bits <= 8) {
    TPalette palette;
    image.GetPalette(palette);
    out.SetPalette(palette);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) out.SetPixel(x, y, image.GetPixel(x, y));
    return;
  }
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      out.SetPixel(x, y, static_cast<Pixel>(out.ColorToPixel(image.PixelToColor(image.GetPixel(x, y)))));
    }
  }
}

bool ConvertMaskToSurface(const TDrelFrame& frame, TCustomDIBX& out) {
  const TDIBSurface* mask = frame.Image.Mask();
  if (mask == nullptr) return false;
  out.SetSize(mask->Width(), mask->Height(), 8);
  for (int y = 0; y < mask->Height(); ++y) {
    uint8_t* d = out.Lock(0, y);
    if (d != nullptr) std::memcpy(d, mask->Lock(0, y), static_cast<size_t>(mask->Width()));
  }
  return true;
}

std::vector<uint8_t> FrameToRgba(const TDrelFrame& frame) {
  const TDIBSurface& image = frame.Image;
  const int w = image.Width(), h = image.Height(), bits = image.BitCount();
  const TDIBSurface* mask = image.Mask();
  const bool keyed = frame.ColorKey != -1;
  const Pixel key = static_cast<Pixel>(frame.ColorKey) & PixelWidthMask(bits);
  std::vector<uint8_t> rgba(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
  uint8_t* out = rgba.data();
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x, out += 4) {
      const Pixel p = image.GetPixel(x, y) & PixelWidthMask(bits);
      const uint32_t c = static_cast<uint32_t>(image.PixelToColor(p));
      out[0] = static_cast<uint8_t>(c), out[1] = static_cast<uint8_t>(c >> 8), out[2] = static_cast<uint8_t>(c >> 16);
      out[3] = mask != nullptr ? mask->Lock(x, y)[0] : keyed && p == key ? 0 : 255;
    }
  }
  return rgba;
}

}  // namespace kuzo
