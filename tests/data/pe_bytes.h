// Test helper: a minimal PE32 image with one resource section, built byte by byte.
#pragma once

#include <string>
#include <string_view>

#include "core/byte_reader.h"

namespace kuzo::testing {

inline void Utf16Name(ByteWriter& w, std::string_view name) {
  w.U16(static_cast<uint16_t>(name.size()));
  for (char c : name) w.U16(static_cast<uint16_t>(c));
}

// A minimal PE32 image with one ".rsrc" section holding TYPE/NAME/language 1041 = payload.
inline std::string BuildPe(const std::string& type, const std::string& name, const std::string& payload) {
  constexpr uint32_t kSectionRva = 0x1000;
  constexpr uint32_t kRawOffset = 0x200;
  constexpr uint32_t kPayloadAt = 0x100;
  ByteWriter rsrc;
  auto directory = [&](uint16_t named, uint16_t ids) {
    rsrc.Bytes(std::string(12, '\0'));
    rsrc.U16(named);
    rsrc.U16(ids);
  };
  directory(1, 0);                      // 0x00 types
  rsrc.U32(0x80000000u | 0x58);         // name "TYPE"
  rsrc.U32(0x80000000u | 0x18);
  directory(1, 0);                      // 0x18 names
  rsrc.U32(0x80000000u | 0x80);         // name "NAME"
  rsrc.U32(0x80000000u | 0x30);
  directory(0, 1);                      // 0x30 languages
  rsrc.U32(1041);
  rsrc.U32(0x48);
  rsrc.U32(kSectionRva + kPayloadAt);   // 0x48 data entry
  rsrc.U32(static_cast<uint32_t>(payload.size()));
  rsrc.U32(0);
  rsrc.U32(0);
  Utf16Name(rsrc, type);                // 0x58
  rsrc.Bytes(std::string(0x80 - rsrc.Size(), '\0'));
  Utf16Name(rsrc, name);                // 0x80
  rsrc.Bytes(std::string(kPayloadAt - rsrc.Size(), '\0'));
  rsrc.Bytes(payload);
  const auto sectionSize = static_cast<uint32_t>(rsrc.Size());

  ByteWriter pe;
  pe.Bytes("MZ");
  pe.Bytes(std::string(0x3C - 2, '\0'));
  pe.U32(0x40);
  pe.Bytes(std::string("PE\0\0", 4));
  pe.U16(0x14C);
  pe.U16(1);  // one section
  pe.Bytes(std::string(12, '\0'));
  pe.U16(224);
  pe.U16(0);
  pe.U16(0x10B);
  pe.Bytes(std::string(90, '\0'));
  pe.U32(16);  // data directories
  for (int i = 0; i < 16; ++i) {
    pe.U32(i == 2 ? kSectionRva : 0);
    pe.U32(i == 2 ? sectionSize : 0);
  }
  pe.Bytes(std::string(".rsrc\0\0\0", 8));
  pe.U32(sectionSize);
  pe.U32(kSectionRva);
  pe.U32(sectionSize);
  pe.U32(kRawOffset);
  pe.Bytes(std::string(16, '\0'));
  pe.Bytes(std::string(kRawOffset - pe.Size(), '\0'));
  pe.Bytes(rsrc.Str());
  return pe.Take();
}

}  // namespace kuzo::testing
