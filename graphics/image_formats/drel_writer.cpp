// The Drel writer: version-106 files with one layer per frame, pixel planes stored as rows (top row
// first), shuffled with the image key when it is not 0, deflated for kind 0 or JPEG-coded (colour)
// and deflated (mask) for kind 2.
#include <cstring>

#include "core/byte_reader.h"
#include "core/errors.h"
#include "data/zlib_codec.h"
#include "graphics/image_formats/drel_format.h"
#include "graphics/image_formats/image_file.h"
#include "graphics/image_formats/jpeg_codec.h"

namespace kuzo {
namespace {

// The writer deflates at zlib's fastest level.
constexpr int kWriterDeflateLevel = 1;

// A plane's rows in storage order: stored row k is image row P(k) when shuffling.
std::string PlaneRows(const TDIBSurface& plane, uint32_t imageKey) {
  const int h = plane.Height();
  const size_t stride = static_cast<size_t>(plane.Pitch());
  std::string rows(stride * static_cast<size_t>(h), '\0');
  if (plane.Width() == 0) return rows;
  const std::vector<uint32_t> order = imageKey != 0 ? ShufflePermutation(imageKey, h) : std::vector<uint32_t>{};
  for (int k = 0; k < h; ++k) {
    const int row = order.empty() ? k : static_cast<int>(order[static_cast<size_t>(k)]);
    std::memcpy(rows.data() + static_cast<size_t>(k) * stride, plane.Lock(0, row), stride);
  }
  return rows;
}

std::string JpegColour(const TDIBSurface& image, int quality) {
  RgbImage rgb;
  rgb.width = image.Width();
  rgb.height = image.Height();
  rgb.rgb.resize(static_cast<size_t>(rgb.width) * static_cast<size_t>(rgb.height) * 3);
  uint8_t* p = rgb.rgb.data();
  for (int y = 0; y < rgb.height; ++y) {
    for (int x = 0; x < rgb.width; ++x, p += 3) {
      const uint32_t c = static_cast<uint32_t>(image.PixelToColor(image.GetPixel(x, y)));
      p[0] = static_cast<uint8_t>(c), p[1] = static_cast<uint8_t>(c >> 8), p[2] = static_cast<uint8_t>(c >> 16);
    }
  }
  return EncodeJpegRgb(rgb, quality);
}

void WriteBlock(ByteWriter& out, std::string_view data) {
  out.I32(static_cast<int32_t>(data.size()));
  out.Bytes(data);
}

void WriteRegions(ByteWriter& out, const std::vector<TRect>& rects) {
  out.I32(static_cast<int32_t>(rects.size()));
  for (const TRect& r : rects) {
    out.I32(r.left);
    out.I32(r.top);
    out.I32(r.right);
    out.I32(r.bottom);
  }
}

}  // namespace

std::string SaveDrelImage(const TDrelFrameList& list, DrelKind kind, int jpegQuality) {
  const uint32_t imageKey = static_cast<uint32_t>(list.ImageKey);
  // Shuffled files are always stored uncompressed.
  if (imageKey != 0) kind = DrelKind::kStored;
  ByteWriter out;
  out.Bytes(Format("%s%03d", std::string(kDrelMagic).c_str(), kDrelWriteVersion));
  out.I32(static_cast<int32_t>(kDrelHeaderSize));
  const TDrelFrame* first = list.Frames.empty() ? nullptr : list.Frames.front().get();
  out.I32(kDrelWriteVersion);
  out.I32(first != nullptr ? first->Width() : 0);
  out.I32(first != nullptr ? first->Height() : 0);
  out.I32(first != nullptr ? first->BitCount() : 0);
  out.I32(list.Count());
  out.U8(1);
  out.U8(imageKey != 0 ? 1 : 0);
  out.U8(static_cast<uint8_t>(kind));
  out.U8(0);
  out.I32(list.BackgroundColor);
  out.I32(0);  // block width: no block table
  out.I32(0);  // block height
  out.U8(list.OpaqueFirstLayer);
  out.U8(static_cast<uint8_t>(jpegQuality));
  out.U16(0);

  for (int i = 0; i < list.Count(); ++i) {
    const TDrelFrame& frame = list[i];
    const TDIBSurface& image = frame.Image;
    out.String(Format("Frame%d", i + 1));
    // The key is stored as the native pixel value the reader expects.
    out.I32(frame.ColorKey);
    out.I32(frame.DisplayTime);
    out.U8(kDrelFrameReservedByte);
    out.I32(0);
    out.I32(1);  // one layer
    out.I32(image.Width());
    out.I32(image.Height());
    out.I32(image.BitCount());
    if (image.BitCount() <= 8) {
      const int entries = 1 << image.BitCount();
      TRGBQuad quads[256];
      image.GetPaletteRange(quads, 0, entries);
      out.Bytes(quads, static_cast<size_t>(entries) * 4);
    }
    out.I32(0);  // left
    out.I32(0);  // top
    out.U8(1);   // visible
    out.I32(-1);
    out.I32(255);
    out.U8(frame.HasMask() ? 1 : 0);
    out.String("Layer");
    switch (kind) {
      case DrelKind::kStored: WriteBlock(out, PlaneRows(image, imageKey)); break;
      case DrelKind::kDeflate: WriteBlock(out, DeflateZlib(PlaneRows(image, imageKey), kWriterDeflateLevel)); break;
      case DrelKind::kJpeg: WriteBlock(out, JpegColour(image, jpegQuality)); break;
    }
    if (const TDIBSurface* mask = image.Mask()) {
      std::string rows = PlaneRows(*mask, imageKey);
      WriteBlock(out, kind == DrelKind::kStored ? rows : DeflateZlib(rows, kWriterDeflateLevel));
    } else {
      out.I32(0);
    }
    WriteRegions(out, frame.RegionsA);
    WriteRegions(out, frame.RegionsB);
  }
  return out.Take();
}

}  // namespace kuzo
