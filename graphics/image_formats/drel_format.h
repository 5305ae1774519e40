// Layout constants of the Drel format shared by its reader and writer, and the row and block
// shuffling permutation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace kuzo {

inline constexpr std::string_view kDrelMagic = "Drel";
inline constexpr size_t kDrelMagicSize = 7;  // "Drel" and three decimal digits of the version
inline constexpr int32_t kDrelWriteVersion = 106;
inline constexpr size_t kDrelHeaderSize = 40;

// The version each feature appears in.
inline constexpr int32_t kDrelMaskVersion = 100;        // layers carry mask data
inline constexpr int32_t kDrelHasMaskVersion = 101;     // layers carry a has-mask byte
inline constexpr int32_t kDrelBackgroundVersion = 102;  // the short header carries a background colour
inline constexpr int32_t kDrelHeaderVersion = 103;      // the 40-byte header, block tables, kinds
inline constexpr int32_t kDrelRegionVersion = 104;      // frames carry region lists
inline constexpr int32_t kDrelOpaqueFirstVersion = 105;

// Block table entry kinds (first int32 of an entry; 0 and above name an earlier frame).
inline constexpr int32_t kDrelBlockStored = -1;     // the pixels follow in the data
inline constexpr int32_t kDrelBlockSameImage = -2;  // copy of block b of the same image

// Written into reserved frame fields.
inline constexpr uint8_t kDrelFrameReservedByte = 2;

// Stored item k belongs at position P(k): the permutation draw of the program's generator seeded
// with the image key (seed 0 gives the identity).
std::vector<uint32_t> ShufflePermutation(uint32_t seed, int64_t n);

// The bits of a pixel value that a pixel of `bits` bits holds.
uint32_t PixelWidthMask(int bits);

}  // namespace kuzo
