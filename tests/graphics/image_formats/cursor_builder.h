// Builds cursor files for tests and fuzz seeds: 2 x 2 32-bit pictures, ".cur" directories and ".ani"
// RIFF forms with optional rate and sequence chunks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/byte_reader.h"

namespace kuzo::testing {

// A 2 x 2 icon bitmap: 32-bit colour rows bottom-up (B, G, R, A) then the 1-bit mask rows.
// `pixels` are 0xAARRGGBB, top row first.
inline std::string CursorBitmap(const uint32_t (&pixels)[4]) {
  ByteWriter w;
  w.U32(40);
  w.I32(2);
  w.I32(4);  // colour rows plus mask rows
  w.U16(1);
  w.U16(32);
  for (int i = 0; i < 6; ++i) w.U32(0);
  for (int row = 1; row >= 0; --row)
    for (int x = 0; x < 2; ++x) w.U32(pixels[row * 2 + x]);
  for (int row = 0; row < 2; ++row) w.U32(0);
  return w.Take();
}

inline std::string CurFile(const std::string& bitmap, uint16_t hotX, uint16_t hotY, uint16_t type = 2) {
  ByteWriter w;
  w.U16(0);
  w.U16(type);
  w.U16(1);
  w.U8(2);
  w.U8(2);
  w.U8(0);
  w.U8(0);
  w.U16(hotX);
  w.U16(hotY);
  w.U32(static_cast<uint32_t>(bitmap.size()));
  w.U32(6 + 16);
  w.Bytes(bitmap);
  return w.Take();
}

inline std::string Chunk(const std::string& id, const std::string& body) {
  ByteWriter w;
  w.Bytes(id);
  w.U32(static_cast<uint32_t>(body.size()));
  w.Bytes(body);
  if (body.size() % 2 == 1) w.U8(0);
  return w.Take();
}

// An animated cursor of `frames` (whole cursor files), showing `steps` steps at `rate` jiffies, with
// per-step rates and a sequence when given.
inline std::string AniFile(const std::vector<std::string>& frames, uint32_t steps, uint32_t rate,
                           const std::vector<uint32_t>& rates = {}, const std::vector<uint32_t>& sequence = {}) {
  ByteWriter header;
  header.U32(36);
  header.U32(static_cast<uint32_t>(frames.size()));
  header.U32(steps);
  for (int i = 0; i < 4; ++i) header.U32(0);
  header.U32(rate);
  header.U32(1 | (sequence.empty() ? 0 : 2));
  std::string body = "ACON" + Chunk("anih", header.Take());
  auto list = [](const std::vector<uint32_t>& v) {
    ByteWriter w;
    for (uint32_t x : v) w.U32(x);
    return w.Take();
  };
  if (!rates.empty()) body += Chunk("rate", list(rates));
  if (!sequence.empty()) body += Chunk("seq ", list(sequence));
  std::string fram = "fram";
  for (const std::string& f : frames) fram += Chunk("icon", f);
  body += Chunk("LIST", fram);
  return Chunk("RIFF", body);
}

}  // namespace kuzo::testing
