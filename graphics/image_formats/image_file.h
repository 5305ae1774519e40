// Loading image files into a TDrelFrameList: by file extension (".drl", ".png", ".bmp"/".dib",
// ".jpg"/".jpeg") or by signature (streams: rule images, cursors, kuzotool). Every reader works on
// bytes already in memory through the bounded reader and raises FormatError naming the source.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "graphics/image_formats/drel_image.h"

namespace kuzo {

enum class ImageFormat : uint8_t { kNone, kDrel, kPng, kBmp, kJpeg };

// "drel", "png", "bmp", "jpeg" ("" for none).
const char* ImageFormatName(ImageFormat format);

// Limits a load applies before allocating; fuzzers and tools lower them.
struct ImageLimits {
  int64_t maxFrameBytes = kMaxFrameBytes;        // colour plus mask of one frame
  int64_t maxTotalBytes = int64_t{1} << 30;      // all frames of one file
};

// The format chosen by the lower-cased extension of `fileName`; kNone for any other.
ImageFormat FormatFromExtension(std::string_view fileName);
// The format chosen by the leading bytes: "BM" at 0, "PNG" at 1, "Drel" at 0, FF D8 FF at 0.
ImageFormat FormatFromSignature(std::span<const uint8_t> data);

// Decodes by extension into `list` (cleared first). An unknown extension loads nothing and returns
// kNone. `list.ImageKey` seeds Drel shuffling.
ImageFormat LoadImageFile(TDrelFrameList& list, std::string_view fileName, std::span<const uint8_t> data,
                          bool firstFrameOnly, const ImageLimits& limits = {});
// Decodes by signature (the first matching test wins, in the order of FormatFromSignature). An
// unknown signature loads nothing and returns kNone.
ImageFormat LoadImageStream(TDrelFrameList& list, std::span<const uint8_t> data, std::string_view source,
                            bool firstFrameOnly, const ImageLimits& limits = {});

// Loads a surface from a stream by signature, first frame only, `imageKey` seeding Drel
// shuffling: the surface is resized to the frame at its own bit count and receives the frame's
// pixels (converted when the bit counts differ) and region lists. An unknown signature leaves the
// surface unchanged and returns false; bad data raises FormatError.
bool LoadSurfaceFromStream(TCustomDIBX& surface, std::span<const uint8_t> data, int32_t imageKey,
                           std::string_view source);

// The individual readers (list cleared first).
void LoadDrelImage(TDrelFrameList& list, std::span<const uint8_t> data, std::string_view source,
                   bool firstFrameOnly, const ImageLimits& limits = {});
void LoadPngImage(TDrelFrameList& list, std::span<const uint8_t> data, std::string_view source,
                  const ImageLimits& limits = {});
void LoadBmpImage(TDrelFrameList& list, std::span<const uint8_t> data, std::string_view source,
                  const ImageLimits& limits = {});
void LoadJpegImage(TDrelFrameList& list, std::span<const uint8_t> data, std::string_view source,
                   const ImageLimits& limits = {});

// True for a Drel file whose version is above 102 and whose data kind is "No compression" (the
// archive writer stores such files without compressing them again).
bool IsStoredDrel(std::span<const uint8_t> data);

// Writes a version-106 Drel file of `list` (kind 0 deflate, 1 stored, 2 JPEG colour; a non-zero
// ImageKey forces kind 1 and shuffles the rows).
std::string SaveDrelImage(const TDrelFrameList& list, DrelKind kind, int jpegQuality = 70);

}  // namespace kuzo
