// Builds Drel files byte by byte for tests and fuzz seeds: any version, kind, header, block size and
// layer list, with pixel planes given as the bytes the file stores.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/byte_reader.h"

namespace kuzo::testing {

struct DrelLayerSpec {
  bool visible = true;
  int32_t key = -1;
  int32_t opacity = 255;
  uint8_t hasMask = 0;  // written from version 101 on
  std::string colour;   // stored bytes (already deflated or JPEG when the kind asks for it)
  std::string mask;     // stored bytes; empty: no mask (written from version 100 on)
};

struct DrelFrameSpec {
  std::string name = "Frame1";
  int32_t key = -1;
  int32_t delay = 100;
  int32_t width = 0, height = 0, bits = 24;
  std::vector<uint32_t> palette;  // 0x00RRGGBB entries for bit counts up to 8 (padded with 0)
  std::vector<DrelLayerSpec> layers;
  std::vector<int32_t> regionsA, regionsB;  // four values per rectangle (version 104 on)
};

struct DrelFileSpec {
  int version = 106;  // 0: no magic
  int32_t background = 0;
  bool shuffled = false;
  uint8_t kind = 1;
  int32_t blockWidth = 0, blockHeight = 0;
  uint8_t opaqueFirstLayer = 0;
  int32_t headerSize = 40;
  std::vector<DrelFrameSpec> frames;
  int32_t frameCountOverride = -1;  // written instead of frames.size() when >= 0
};

inline std::string BuildDrel(const DrelFileSpec& f) {
  ByteWriter w;
  const int32_t frameCount =
      f.frameCountOverride >= 0 ? f.frameCountOverride : static_cast<int32_t>(f.frames.size());
  if (f.version > 0) {
    char magic[16];
    std::snprintf(magic, sizeof magic, "Drel%03d", f.version);
    w.Bytes(magic, 7);
  }
  if (f.version < 103) {
    w.I32(frameCount);
    w.U8(0);
    if (f.version >= 102) w.I32(f.background);
  } else {
    w.I32(f.headerSize);
    ByteWriter h;
    const DrelFrameSpec* first = f.frames.empty() ? nullptr : &f.frames[0];
    h.I32(f.version);
    h.I32(first ? first->width : 0);
    h.I32(first ? first->height : 0);
    h.I32(first ? first->bits : 0);
    h.I32(frameCount);
    h.U8(1);
    h.U8(f.shuffled ? 1 : 0);
    h.U8(f.kind);
    h.U8(0);
    h.I32(f.background);
    h.I32(f.blockWidth);
    h.I32(f.blockHeight);
    h.U8(f.opaqueFirstLayer);
    h.U8(70);
    h.U16(0);
    std::string header = h.Take();
    header.resize(static_cast<size_t>(f.headerSize), '\0');
    w.Bytes(header);
  }
  for (const DrelFrameSpec& fr : f.frames) {
    w.String(fr.name);
    w.I32(fr.key);
    w.I32(fr.delay);
    w.U8(2);
    w.I32(0);
    w.I32(static_cast<int32_t>(fr.layers.size()));
    w.I32(fr.width);
    w.I32(fr.height);
    w.I32(fr.bits);
    if (fr.bits <= 8) {
      for (int i = 0; i < (1 << fr.bits); ++i) {
        const uint32_t c = i < static_cast<int>(fr.palette.size()) ? fr.palette[static_cast<size_t>(i)] : 0;
        // RGB quads: blue, green, red, reserved.
        w.U8(static_cast<uint8_t>(c));
        w.U8(static_cast<uint8_t>(c >> 8));
        w.U8(static_cast<uint8_t>(c >> 16));
        w.U8(0);
      }
    }
    for (const DrelLayerSpec& l : fr.layers) {
      w.I32(0);
      w.I32(0);
      w.U8(l.visible ? 1 : 0);
      w.I32(l.key);
      w.I32(l.opacity);
      if (f.version >= 101) w.U8(l.hasMask);
      w.String("Layer");
      w.String(l.colour);
      if (f.version >= 100) w.String(l.mask);
    }
    if (f.version >= 104) {
      for (const auto* list : {&fr.regionsA, &fr.regionsB}) {
        w.I32(static_cast<int32_t>(list->size() / 4));
        for (int32_t v : *list) w.I32(v);
      }
    }
  }
  return w.Take();
}

// Rows of a plane as the file stores them: each row padded to a multiple of four bytes.
inline std::string PadRows(const std::vector<std::string>& rows) {
  std::string out;
  for (const std::string& r : rows) {
    out += r;
    out.append((4 - r.size() % 4) % 4, '\0');
  }
  return out;
}

// 24-bit pixels as stored (blue, green, red) from 0xRRGGBB values.
inline std::string Bgr(std::initializer_list<uint32_t> pixels) {
  std::string out;
  for (uint32_t p : pixels) {
    out += static_cast<char>(p);
    out += static_cast<char>(p >> 8);
    out += static_cast<char>(p >> 16);
  }
  return out;
}

inline std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out += static_cast<char>(v);
  return out;
}

}  // namespace kuzo::testing
