// The icons a Windows executable carries: the first icon group of its resources and the picture in
// it best suited to a window icon, decoded from its device-independent bitmap to RGBA.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace kuzo {

class PeResources;

// Resource types of icon groups and of the pictures they list.
constexpr uint16_t kIconGroupResourceType = 14;
constexpr uint16_t kIconResourceType = 3;
constexpr int kMaxIconSide = 256;

// An icon picture: width x height pixels, top row first, 4 bytes per pixel (R, G, B, A).
struct IconImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;
};

// The largest, deepest picture of the executable's first icon group that is a bitmap (pictures
// stored as PNG are passed over). nullopt when the file is no PE image or has no usable icon.
// Raises FormatError naming the file when its resources or the chosen picture are malformed.
std::optional<IconImage> FindFirstIcon(const std::filesystem::path& path);
std::optional<IconImage> FindFirstIcon(const PeResources& resources);

// Decodes one icon picture as stored in an icon resource: a bitmap header (the height counting the
// colour rows and the mask rows), the palette, the colour rows bottom-up and the 1-bit mask.
// Depths 1, 4, 8, 24 and 32 bits, uncompressed; 32-bit pictures carry their own alpha unless every
// alpha byte is 0, then the mask decides. Raises FormatError naming `source` for anything else.
IconImage DecodeIconBitmap(std::string_view data, std::string_view source);

}  // namespace kuzo
