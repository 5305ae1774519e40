// PNG encoding of surfaces for screenshots: any 8 (through the palette), 15, 16, 24 or 32-bit
// surface becomes an 8-bit RGB PNG. Files are written to a temporary name and renamed into place.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "graphics/dibx.h"

namespace kuzo {

// Raises KuzoError for an empty surface, an unsupported format or an encoder failure.
std::vector<uint8_t> EncodePng(const TCustomDIBX& surface);
void WritePngFile(const TCustomDIBX& surface, const std::filesystem::path& path);

// An 8-bit RGBA PNG of `rgba` (width x height x 4 bytes, top row first).
std::vector<uint8_t> EncodeRgbaPng(const std::vector<uint8_t>& rgba, int width, int height);

// The surface as tightly packed 8-bit R, G, B triples, top row first (what EncodePng stores).
std::vector<uint8_t> SurfaceToRgb(const TCustomDIBX& surface);

}  // namespace kuzo
