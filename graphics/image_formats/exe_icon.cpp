// Icon groups of PE resources and the icon bitmaps they list, decoded to RGBA.
#include "graphics/image_formats/exe_icon.h"

#include <algorithm>
#include <string>

#include "core/byte_reader.h"
#include "core/errors.h"
#include "data/pe_resource.h"

namespace kuzo {
namespace {

constexpr uint32_t kBitmapInfoHeaderSize = 40;
constexpr uint32_t kMaxBitmapHeaderSize = 1024;  // larger headers (V4, V5) add fields we skip
constexpr uint32_t kUncompressed = 0;
constexpr uint16_t kIconGroupType = 1;
constexpr size_t kGroupHeaderSize = 6;
constexpr size_t kGroupEntrySize = 14;
constexpr std::string_view kPngSignature = "\x89PNG\r\n\x1a\n";

struct GroupEntry {
  int width = 0;  // 0 in the group stands for 256
  int height = 0;
  int bitCount = 0;
  uint16_t id = 0;
};

std::vector<GroupEntry> ReadGroup(std::string_view data, const std::string& source) {
  ByteReader r(data, source + ": icon group");
  r.Skip(2, "reserved");
  if (r.U16("group type") != kIconGroupType) r.Fail("group type", "not an icon group");
  const uint16_t count = r.U16("icon count");
  if (size_t{count} * kGroupEntrySize > r.Remaining()) r.Fail("icon count", "more entries than the group holds");
  std::vector<GroupEntry> entries;
  entries.reserve(count);
  for (uint16_t i = 0; i < count; ++i) {
    GroupEntry e;
    const uint8_t w = r.U8("width");
    const uint8_t h = r.U8("height");
    e.width = w == 0 ? kMaxIconSide : w;
    e.height = h == 0 ? kMaxIconSide : h;
    r.Skip(4, "colour count and planes");
    e.bitCount = r.U16("bit count");
    r.Skip(4, "byte count");
    e.id = r.U16("icon id");
    entries.push_back(e);
  }
  return entries;
}

// The window icon wants the biggest picture, then the most colours; ties keep the group's order.
bool Better(const GroupEntry& a, const GroupEntry& b) {
  const int areaA = a.width * a.height;
  const int areaB = b.width * b.height;
  if (areaA != areaB) return areaA > areaB;
  return a.bitCount > b.bitCount;
}

}  // namespace

IconImage DecodeIconBitmap(std::string_view data, std::string_view sourceName) {
  const std::string source(sourceName);
  ByteReader r(data, source);
  const uint32_t headerSize = r.U32("bitmap header size");
  if (headerSize < kBitmapInfoHeaderSize || headerSize > kMaxBitmapHeaderSize) {
    r.Fail("bitmap header size", Format("%u is not a bitmap header", headerSize));
  }
  const int32_t width = r.I32("bitmap width");
  const int32_t doubledHeight = r.I32("bitmap height");
  r.Skip(2, "planes");
  const uint16_t bitCount = r.U16("bit count");
  const uint32_t compression = r.U32("compression");
  r.Skip(12, "image size and resolution");
  const uint32_t colorsUsed = r.U32("colours used");
  if (width < 1 || width > kMaxIconSide || doubledHeight < 2 || doubledHeight > 2 * kMaxIconSide ||
      doubledHeight % 2 != 0) {
    r.Fail("bitmap size", Format("%d x %d is not an icon picture", width, doubledHeight));
  }
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32) {
    r.Fail("bit count", Format("%u bits per pixel are not supported", bitCount));
  }
  if (compression != kUncompressed) r.Fail("compression", Format("compression %u is not supported", compression));
  const int height = doubledHeight / 2;
  r.Seek(headerSize, "palette");

  uint32_t paletteSize = 0;
  if (bitCount <= 8) {
    const uint32_t full = 1u << bitCount;
    paletteSize = colorsUsed == 0 ? full : colorsUsed;
    if (paletteSize > full) r.Fail("colours used", Format("%u colours for %u bits per pixel", colorsUsed, bitCount));
  }
  const std::span<const uint8_t> palette = r.View(size_t{paletteSize} * 4, "palette");
  const size_t colourStride = (static_cast<size_t>(width) * bitCount + 31) / 32 * 4;
  const size_t maskStride = (static_cast<size_t>(width) + 31) / 32 * 4;
  const std::span<const uint8_t> colour = r.View(colourStride * static_cast<size_t>(height), "colour rows");
  // 32-bit pictures may leave the mask out; the others need it for transparency.
  std::span<const uint8_t> mask;
  const size_t maskBytes = maskStride * static_cast<size_t>(height);
  if (bitCount != 32 || r.Remaining() >= maskBytes) mask = r.View(maskBytes, "mask rows");

  IconImage image;
  image.width = width;
  image.height = height;
  image.rgba.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
  bool anyAlpha = false;
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = colour.data() + colourStride * static_cast<size_t>(height - 1 - y);  // bottom-up
    uint8_t* out = image.rgba.data() + static_cast<size_t>(y) * static_cast<size_t>(width) * 4;
    for (int x = 0; x < width; ++x, out += 4) {
      uint32_t b = 0, g = 0, red = 0, a = 0xFF;
      if (bitCount <= 8) {
        const size_t bit = static_cast<size_t>(x) * bitCount;
        const uint32_t index = (row[bit / 8] >> (8 - bitCount - bit % 8)) & ((1u << bitCount) - 1);
        if (index >= paletteSize) r.Fail("palette index", Format("%u beyond %u colours", index, paletteSize));
        b = palette[index * 4];
        g = palette[index * 4 + 1];
        red = palette[index * 4 + 2];
      } else {
        const uint8_t* p = row + static_cast<size_t>(x) * (bitCount / 8);
        b = p[0];
        g = p[1];
        red = p[2];
        if (bitCount == 32) {
          a = p[3];
          anyAlpha = anyAlpha || a != 0;
        }
      }
      out[0] = static_cast<uint8_t>(red);
      out[1] = static_cast<uint8_t>(g);
      out[2] = static_cast<uint8_t>(b);
      out[3] = static_cast<uint8_t>(a);
    }
  }
  // Without alpha of its own a picture is opaque except where its mask bit is set.
  if (bitCount != 32 || !anyAlpha) {
    for (int y = 0; y < height; ++y) {
      const uint8_t* row = mask.empty() ? nullptr : mask.data() + maskStride * static_cast<size_t>(height - 1 - y);
      uint8_t* out = image.rgba.data() + static_cast<size_t>(y) * static_cast<size_t>(width) * 4;
      for (int x = 0; x < width; ++x) {
        const bool transparent = row != nullptr && ((row[x / 8] >> (7 - x % 8)) & 1) != 0;
        out[static_cast<size_t>(x) * 4 + 3] = transparent ? 0 : 0xFF;
      }
    }
  }
  return image;
}

std::optional<IconImage> FindFirstIcon(const std::filesystem::path& path) {
  auto resources = PeResources::Open(path);
  if (!resources) return std::nullopt;
  return FindFirstIcon(*resources);
}

std::optional<IconImage> FindFirstIcon(const PeResources& resources) {
  auto group = resources.Find(PeResourceKey::Id(kIconGroupResourceType), PeResourceKey::First());
  if (!group) return std::nullopt;
  std::vector<GroupEntry> entries = ReadGroup(*group, resources.Source());
  std::stable_sort(entries.begin(), entries.end(), Better);
  for (const GroupEntry& e : entries) {
    auto picture = resources.Find(PeResourceKey::Id(kIconResourceType), PeResourceKey::Id(e.id));
    if (!picture || picture->starts_with(kPngSignature)) continue;
    return DecodeIconBitmap(*picture, resources.Source() + Format(": icon %u", e.id));
  }
  return std::nullopt;
}

}  // namespace kuzo
