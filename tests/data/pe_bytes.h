// Test helper: minimal PE32 images with one resource section, built byte by byte.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/byte_reader.h"

namespace kuzo::testing {

inline void Utf16Name(ByteWriter& w, std::string_view name) {
  w.U16(static_cast<uint16_t>(name.size()));
  for (char c : name) w.U16(static_cast<uint16_t>(c));
}

// The PE32 headers for one ".rsrc" section of `rsrc` at address kPeSectionRva.
constexpr uint32_t kPeSectionRva = 0x1000;

inline std::string WrapPeSection(const std::string& rsrc) {
  constexpr uint32_t kRawOffset = 0x200;
  const auto sectionSize = static_cast<uint32_t>(rsrc.size());
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
    pe.U32(i == 2 ? kPeSectionRva : 0);
    pe.U32(i == 2 ? sectionSize : 0);
  }
  pe.Bytes(std::string(".rsrc\0\0\0", 8));
  pe.U32(sectionSize);
  pe.U32(kPeSectionRva);
  pe.U32(sectionSize);
  pe.U32(kRawOffset);
  pe.Bytes(std::string(16, '\0'));
  pe.Bytes(std::string(kRawOffset - pe.Size(), '\0'));
  pe.Bytes(rsrc);
  return pe.Take();
}

// A resource type or name in a test image: a number, or a name when `name` is not empty.
struct PeKey {
  uint16_t id = 0;
  std::string name;
};

struct PeResourceSpec {
  PeKey type;
  PeKey name;
  std::string payload;
};

// A PE32 image whose resource tree holds every resource (language 1041), types and names in the
// order given (resources of one type are grouped under its first appearance).
inline std::string BuildPeResources(const std::vector<PeResourceSpec>& specs) {
  auto same = [](const PeKey& a, const PeKey& b) { return a.name == b.name && (a.name.empty() ? a.id == b.id : true); };
  std::vector<std::pair<PeKey, std::vector<size_t>>> types;
  for (size_t i = 0; i < specs.size(); ++i) {
    auto it = std::find_if(types.begin(), types.end(), [&](const auto& t) { return same(t.first, specs[i].type); });
    if (it == types.end()) {
      types.push_back({specs[i].type, {}});
      it = types.end() - 1;
    }
    it->second.push_back(i);
  }
  // Offsets: root, type directories, language directories, data entries, names, payloads.
  size_t off = 16 + 8 * types.size();
  std::vector<size_t> typeDir(types.size());
  for (size_t t = 0; t < types.size(); ++t) {
    typeDir[t] = off;
    off += 16 + 8 * types[t].second.size();
  }
  std::vector<size_t> langDir(specs.size()), dataEntry(specs.size()), payloadAt(specs.size());
  for (size_t i = 0; i < specs.size(); ++i) {
    langDir[i] = off;
    off += 24;
  }
  for (size_t i = 0; i < specs.size(); ++i) {
    dataEntry[i] = off;
    off += 16;
  }
  std::vector<size_t> typeName(types.size()), resName(specs.size());
  for (size_t t = 0; t < types.size(); ++t) {
    typeName[t] = off;
    off += 2 + 2 * types[t].first.name.size();
  }
  for (size_t i = 0; i < specs.size(); ++i) {
    resName[i] = off;
    off += 2 + 2 * specs[i].name.name.size();
  }
  for (size_t i = 0; i < specs.size(); ++i) {
    off = (off + 7) / 8 * 8;
    payloadAt[i] = off;
    off += specs[i].payload.size();
  }
  std::string rsrc(off, '\0');
  auto put16 = [&](size_t at, uint32_t v) {
    rsrc[at] = static_cast<char>(v);
    rsrc[at + 1] = static_cast<char>(v >> 8);
  };
  auto put32 = [&](size_t at, uint32_t v) {
    put16(at, v & 0xFFFF);
    put16(at + 2, v >> 16);
  };
  auto putName = [&](size_t at, const std::string& name) {
    put16(at, static_cast<uint32_t>(name.size()));
    for (size_t k = 0; k < name.size(); ++k) put16(at + 2 + 2 * k, static_cast<uint8_t>(name[k]));
  };
  auto directory = [&](size_t at, const std::vector<const PeKey*>& keys, const std::vector<size_t>& nameAt,
                       const std::vector<uint32_t>& targets) {
    uint32_t named = 0;
    for (const PeKey* k : keys) named += k->name.empty() ? 0 : 1;
    put16(at + 12, named);
    put16(at + 14, static_cast<uint32_t>(keys.size()) - named);
    for (size_t k = 0; k < keys.size(); ++k) {
      put32(at + 16 + 8 * k, keys[k]->name.empty() ? keys[k]->id : (0x80000000u | static_cast<uint32_t>(nameAt[k])));
      put32(at + 20 + 8 * k, targets[k]);
    }
  };
  std::vector<const PeKey*> rootKeys;
  std::vector<uint32_t> rootTargets;
  for (size_t t = 0; t < types.size(); ++t) {
    rootKeys.push_back(&types[t].first);
    rootTargets.push_back(0x80000000u | static_cast<uint32_t>(typeDir[t]));
    if (!types[t].first.name.empty()) putName(typeName[t], types[t].first.name);
    std::vector<const PeKey*> keys;
    std::vector<size_t> names;
    std::vector<uint32_t> targets;
    for (size_t i : types[t].second) {
      keys.push_back(&specs[i].name);
      names.push_back(resName[i]);
      targets.push_back(0x80000000u | static_cast<uint32_t>(langDir[i]));
      if (!specs[i].name.name.empty()) putName(resName[i], specs[i].name.name);
    }
    directory(typeDir[t], keys, names, targets);
  }
  directory(0, rootKeys, typeName, rootTargets);
  const PeKey language{1041, {}};
  for (size_t i = 0; i < specs.size(); ++i) {
    directory(langDir[i], {&language}, {0}, {static_cast<uint32_t>(dataEntry[i])});
    put32(dataEntry[i], kPeSectionRva + static_cast<uint32_t>(payloadAt[i]));
    put32(dataEntry[i] + 4, static_cast<uint32_t>(specs[i].payload.size()));
    rsrc.replace(payloadAt[i], specs[i].payload.size(), specs[i].payload);
  }
  return WrapPeSection(rsrc);
}

// A 2 x 2 icon bitmap of 8 bits per pixel with two palette colours and one masked pixel.
inline std::string TinyIconBitmap() {
  ByteWriter w;
  w.U32(40);
  w.U32(2);
  w.U32(4);  // colour rows and mask rows
  w.U16(1);
  w.U16(8);
  w.Bytes(std::string(16, '\0'));
  w.U32(2);  // colours used
  w.U32(0);
  w.U32(0x000000);
  w.U32(0xFFFFFF);
  w.Bytes(std::string("\x00\x01\x00\x00\x01\x00\x00\x00", 8));  // two rows of 2 indices, padded
  w.Bytes(std::string("\x80\x00\x00\x00\x00\x00\x00\x00", 8));  // mask: one pixel transparent
  return w.Take();
}

// An executable whose first icon group lists one picture, the tiny bitmap above.
inline std::string IconPe() {
  ByteWriter group;
  group.U16(0);
  group.U16(1);
  group.U16(1);
  group.Bytes(std::string("\x02\x02\x00\x00\x01\x00\x08\x00\x00\x00\x00\x00\x01\x00", 14));
  return BuildPeResources({{PeKey{14, ""}, PeKey{1, ""}, group.Take()}, {PeKey{3, ""}, PeKey{1, ""}, TinyIconBitmap()}});
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
