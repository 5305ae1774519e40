// The Drel reader: magic and header, frames made of layers (visibility, opacity, colour key, mask),
// palettes, pixel planes stored as rows or as block tables, row and block shuffling with the
// project's image key, JPEG colour data, region lists. Every size is checked against the bytes left
// and the load limits before anything is allocated; references to blocks, frames or layers that do
// not exist are format errors.
#include <libdeflate.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

#include "core/byte_reader.h"
#include "core/errors.h"
#include "graphics/image_formats/drel_format.h"
#include "graphics/image_formats/image_file.h"
#include "graphics/image_formats/jpeg_codec.h"

namespace kuzo {
namespace {

// The fewest bytes a frame record and a layer record can take (all fixed fields, empty strings).
constexpr size_t kMinFrameBytes = 4 + 4 + 4 + 1 + 4 + 4 + 4 + 4 + 4;
constexpr size_t kMinLayerBytes = 8 + 1 + 4 + 4 + 4 + 4;
constexpr size_t kRectBytes = 16;
constexpr size_t kBlockEntryBytes = 8;
// Deflate cannot expand data by more than this factor.
constexpr int64_t kMaxDeflateRatio = 1032;

struct Layer {
  TDIBSurface image;  // with its mask companion when the layer has mask data
  bool visible = false;
  int32_t key = -1;
  int32_t opacity = 255;
  bool hasMask = false;
};

struct LayerList {
  std::vector<std::unique_ptr<Layer>> layers;
};

int StorageBits(int bits) { return bits == 15 ? 16 : bits; }

bool ValidBitCount(int32_t bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

int64_t PlaneBytes(int64_t width, int64_t height, int bits) {
  return (width * StorageBits(bits) + 31) / 32 * 4 * height;
}

struct DeflateDeleter {
  void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

libdeflate_decompressor* Decompressor() {
  thread_local std::unique_ptr<libdeflate_decompressor, DeflateDeleter> d(libdeflate_alloc_decompressor());
  return d.get();
}

// Copies a rectangle of pixels between planes of the same bit count (regions may overlap).
void CopyBlock(const TDIBSurface& from, int sx, int sy, TDIBSurface& to, int dx, int dy, int w, int h) {
  const int bits = to.StorageBitCount();
  if (bits >= 8) {
    const size_t bytes = static_cast<size_t>(w) * static_cast<size_t>(bits / 8);
    if (&from == &to && sy < dy) {
      for (int y = h - 1; y >= 0; --y) std::memmove(to.Lock(dx, dy + y), from.Lock(sx, sy + y), bytes);
    } else {
      for (int y = 0; y < h; ++y) std::memmove(to.Lock(dx, dy + y), from.Lock(sx, sy + y), bytes);
    }
    return;
  }
  // 1- and 4-bit planes: pixel by pixel through a copy, since blocks need not start on a byte.
  std::vector<Pixel> pixels(static_cast<size_t>(w) * static_cast<size_t>(h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) pixels[static_cast<size_t>(y) * w + x] = from.GetPixel(sx + x, sy + y);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) to.SetPixel(dx + x, dy + y, pixels[static_cast<size_t>(y) * w + x]);
}

class DrelReader {
 public:
  DrelReader(TDrelFrameList& list, std::span<const uint8_t> data, std::string_view source, bool firstFrameOnly,
             const ImageLimits& limits)
      : list_(list), in_(data, std::string(source)), source_(source), firstFrameOnly_(firstFrameOnly),
        limits_(limits) {}

  void Read() {
    list_.Clear();
    ReadHeader();
    int32_t frames = header_.frameCount;
    if (frames < 0) in_.Fail("frame count", Format("%d is negative", frames));
    if (firstFrameOnly_ && frames > 1) frames = 1;
    if (static_cast<uint64_t>(frames) * kMinFrameBytes > in_.Remaining()) {
      in_.Fail("frame count", Format("%d frames cannot fit in %zu bytes left", frames, in_.Remaining()));
    }
    list_.Header = header_;
    for (int32_t f = 0; f < frames; ++f) ReadFrame(f);
    // Layers exist only while the frames are read.
    layers_.clear();
  }

 private:
  void ReadHeader() {
    int32_t version = 0;
    if (in_.Size() >= kDrelMagicSize && std::memcmp(in_.Data().data(), kDrelMagic.data(), kDrelMagic.size()) == 0) {
      const std::string magic = in_.Bytes(kDrelMagicSize, "magic");
      for (size_t i = kDrelMagic.size(); i < kDrelMagicSize; ++i) {
        const char c = magic[i];
        if (c < '0' || c > '9') in_.Fail("magic", "version is not three decimal digits");
        version = version * 10 + (c - '0');
      }
    }
    list_.Version = version;
    header_ = DrelHeaderInfo{};
    if (version < kDrelHeaderVersion) {
      header_.frameCount = in_.I32("frame count");
      in_.Skip(1, "flag");
      if (version >= kDrelBackgroundVersion) list_.BackgroundColor = in_.I32("background colour");
      return;
    }
    const int32_t headerSize = in_.I32("header size");
    if (headerSize < 0) in_.Fail("header size", Format("%d is negative", headerSize));
    // The record is cleared first: a short header leaves its tail zero; a longer one is skipped.
    uint8_t record[kDrelHeaderSize] = {};
    const size_t take = std::min<size_t>(static_cast<size_t>(headerSize), kDrelHeaderSize);
    in_.Read(record, take, "header");
    if (static_cast<size_t>(headerSize) > take) in_.Skip(static_cast<size_t>(headerSize) - take, "header");
    ByteReader h(std::span<const uint8_t>(record, kDrelHeaderSize), source_ + ": header");
    h.Seek(4);
    header_.width = h.I32();
    header_.height = h.I32();
    header_.bitCount = h.I32();
    header_.frameCount = h.I32();
    h.Skip(1);
    header_.shuffled = h.U8() != 0;
    const uint8_t kind = h.U8();
    if (kind > static_cast<uint8_t>(DrelKind::kJpeg)) in_.Fail("data kind", Format("%u is not 0, 1 or 2", kind));
    header_.kind = static_cast<DrelKind>(kind);
    h.Skip(1);
    list_.BackgroundColor = h.I32();
    header_.blockWidth = h.I32();
    header_.blockHeight = h.I32();
    const uint8_t opaqueFirst = h.U8();
    if (version >= kDrelOpaqueFirstVersion) list_.OpaqueFirstLayer = opaqueFirst;
    header_.jpegQuality = h.U8();
  }

  void ReadFrame(int32_t index) {
    TDrelFrame& frame = list_.Add();
    frame.Name = in_.String("frame name");
    const int32_t key = in_.I32("frame colour key");
    frame.DisplayTime = in_.I32("display time");
    in_.Skip(1 + 4, "frame reserved");
    const int32_t layerCount = in_.I32("layer count");
    const int32_t width = in_.I32("frame width");
    const int32_t height = in_.I32("frame height");
    const int32_t bits = in_.I32("frame bit count");
    if (width < 0 || height < 0 || width > kMaxImageSide || height > kMaxImageSide) {
      in_.Fail("frame size", Format("%d x %d is outside 0..%d", width, height, kMaxImageSide));
    }
    if (!ValidBitCount(bits)) in_.Fail("frame bit count", Format("%d is not 1, 4, 8, 15, 16, 24 or 32", bits));
    if (layerCount < 0 || static_cast<uint64_t>(layerCount) * kMinLayerBytes > in_.Remaining()) {
      in_.Fail("layer count", Format("%d layers cannot fit in %zu bytes left", layerCount, in_.Remaining()));
    }
    // Composed image and mask, plus every layer with its mask, all at this size.
    const int64_t plane = PlaneBytes(width, height, bits) + PlaneBytes(width, height, 8);
    if (plane > limits_.maxFrameBytes) {
      in_.Fail("frame size", Format("%d x %d at %d bits needs %lld bytes, more than %lld", width, height, bits,
                                    static_cast<long long>(plane), static_cast<long long>(limits_.maxFrameBytes)));
    }
    Charge(plane, "frame size");
    TPalette palette{};
    if (bits <= 8) {
      const int entries = 1 << bits;
      in_.Read(palette.data(), static_cast<size_t>(entries) * 4, "palette");
    }
    frame.ColorKey = key;
    // The composed image is made (and filled with the background) only when a layer needs to be
    // composed onto it; a layer copied whole becomes the composed image without a copy.
    bool made = false;
    auto make = [&] {
      if (made) return;
      made = true;
      frame.Image.SetSize(width, height, bits);
      if (bits <= 8) frame.Image.SetPalette(palette);
      frame.Image.Fill(frame.Image.NearestPixel(list_.BackgroundColor));
    };

    layers_.emplace_back();
    bool composedVisible = false;
    for (int32_t i = 0; i < layerCount; ++i) {
      Layer& layer = ReadLayer(width, height, bits, palette, index, i);
      if (!layer.visible) continue;
      const bool firstVisible = !composedVisible;
      composedVisible = true;
      const TDIBSurface* mask = layer.image.Mask();
      const bool frameMask = mask != nullptr && layer.hasMask && i == 0;
      const bool masked = mask != nullptr && layer.hasMask && i > 0;
      const bool copy = !masked && (layer.key == -1 || (firstVisible && list_.OpaqueFirstLayer != 0)) &&
                        layer.opacity >= 255;
      if (copy && !UsesBlocks()) {
        // Without a block table no later plane refers to this layer: it becomes the frame's image,
        // and its mask stays as the frame's mask only when it is the first layer's.
        frame.Image = std::move(layer.image);
        if (!frameMask) frame.Image.DropMask();
        made = true;
        continue;
      }
      make();
      if (frameMask) {
        auto companion = std::make_unique<TDIBSurface>(width, height, 8);
        companion->KeyedCopy(*mask, -1);
        frame.Image.AdoptMask(std::move(companion));
      }
      if (masked) {
        frame.Image.ComposeMasked(layer.image, *mask);
      } else if (copy) {
        frame.Image.KeyedCopy(layer.image, -1);
      } else {
        frame.Image.BlendKeyed(layer.image, layer.opacity, layer.key);
      }
    }
    make();
    if (key != -1) frame.ColorKeyRGB = frame.Image.PixelToColor(static_cast<Pixel>(key) & PixelWidthMask(bits));
    if (list_.Version >= kDrelRegionVersion) {
      frame.RegionsA = ReadRegions("region list A");
      frame.RegionsB = ReadRegions("region list B");
    }
  }

  std::vector<TRect> ReadRegions(const char* field) {
    const uint32_t count = in_.Count(kRectBytes, field);
    std::vector<TRect> rects(count);
    for (TRect& r : rects) {
      r.left = in_.I32(field);
      r.top = in_.I32(field);
      r.right = in_.I32(field);
      r.bottom = in_.I32(field);
    }
    return rects;
  }

  Layer& ReadLayer(int width, int height, int bits, const TPalette& palette, int32_t frameIndex, int32_t layerIndex) {
    auto owned = std::make_unique<Layer>();
    Layer& layer = *owned;
    in_.Skip(8, "layer position");
    layer.visible = in_.U8("layer visible") != 0;
    layer.key = in_.I32("layer colour key");
    layer.opacity = in_.I32("layer opacity");
    if (list_.Version >= kDrelHasMaskVersion) layer.hasMask = in_.U8("layer has-mask") != 0;
    in_.String("layer name");
    Charge(PlaneBytes(width, height, bits), "layer size");
    layer.image.SetSize(width, height, bits);
    if (bits <= 8) layer.image.SetPalette(palette);
    const Plane colour{frameIndex, layerIndex, false};
    const std::span<const uint8_t> colourBytes = ReadDataBlock("colour data size");
    if (header_.kind == DrelKind::kJpeg && list_.Version >= kDrelHeaderVersion) {
      DecodeJpegPlane(colourBytes, layer.image);
    } else {
      DecodePlane(Unpack(colourBytes, layer.image, false), layer.image, colour);
    }
    if (list_.Version >= kDrelMaskVersion) {
      const std::span<const uint8_t> maskBytes = ReadDataBlock("mask data size");
      if (!maskBytes.empty()) {
        layer.key = -1;
        Charge(PlaneBytes(width, height, 8), "layer mask size");
        TDIBSurface& mask = layer.image.CreateMask();
        DecodePlane(Unpack(maskBytes, mask, true), mask, Plane{frameIndex, layerIndex, true});
      }
    }
    layers_.back().layers.push_back(std::move(owned));
    return layer;
  }

  std::span<const uint8_t> ReadDataBlock(const char* field) {
    const int32_t size = in_.I32(field);
    if (size < 0 || static_cast<size_t>(size) > in_.Remaining()) {
      in_.Fail(field, Format("%d bytes exceed the %zu bytes left", size, in_.Remaining()));
    }
    return in_.View(static_cast<size_t>(size), field);
  }

  // Which plane is being decoded, for block references and messages.
  struct Plane {
    int32_t frame;
    int32_t layer;
    bool mask;
  };

  bool UsesBlocks() const {
    return list_.Version >= kDrelHeaderVersion && header_.blockWidth > 0 && header_.blockHeight > 0;
  }
  bool Shuffled() const { return header_.shuffled && header_.kind != DrelKind::kJpeg; }

  // The most bytes a plane's data can need: the rows, or the block table and every block stored.
  int64_t MaxPlaneData(const TDIBSurface& target) const {
    const int64_t w = target.Width(), h = target.Height();
    const int bits = target.StorageBitCount();
    if (!UsesBlocks()) return PlaneBytes(w, h, bits);
    const int64_t bw = header_.blockWidth, bh = header_.blockHeight;
    const int64_t cols = (w + bw - 1) / bw, rows = (h + bh - 1) / bh;
    int64_t rowBytes = 0;  // one pixel row across all blocks of a block row
    for (int64_t c = 0; c < cols; ++c) rowBytes += (std::min(bw, w - c * bw) * bits + 7) / 8;
    return cols * rows * static_cast<int64_t>(kBlockEntryBytes) + rowBytes * h;
  }

  // Deflated data (kind 0 colour; kind 0 and 2 masks) is inflated into scratch room bounded by what
  // the plane can need; stored data is decoded in place.
  std::span<const uint8_t> Unpack(std::span<const uint8_t> bytes, const TDIBSurface& target, bool mask) {
    const char* field = mask ? "mask data" : "colour data";
    const bool deflated = header_.kind == DrelKind::kDeflate || (mask && header_.kind == DrelKind::kJpeg);
    if (!deflated) return bytes;
    const int64_t cap = MaxPlaneData(target);
    if (cap > limits_.maxFrameBytes * 2) {
      in_.Fail(field, Format("a plane of %lld bytes exceeds the limit", static_cast<long long>(cap)));
    }
    if (!UsesBlocks() && cap > static_cast<int64_t>(bytes.size()) * kMaxDeflateRatio) {
      in_.Fail(field, Format("%zu deflated bytes cannot hold %lld bytes of rows", bytes.size(),
                             static_cast<long long>(cap)));
    }
    scratch_.resize(static_cast<size_t>(cap));
    size_t produced = 0;
    const libdeflate_result result = libdeflate_zlib_decompress_ex(
        Decompressor(), bytes.data(), bytes.size(), scratch_.data(), scratch_.size(), nullptr, &produced);
    if (result == LIBDEFLATE_INSUFFICIENT_SPACE) {
      in_.Fail(field, Format("inflates to more than the %lld bytes the image can use", static_cast<long long>(cap)));
    }
    if (result != LIBDEFLATE_SUCCESS) in_.Fail(field, Format("corrupt zlib stream of %zu bytes", bytes.size()));
    return std::span<const uint8_t>(scratch_.data(), produced);
  }

  void DecodePlane(std::span<const uint8_t> data, TDIBSurface& target, const Plane& plane) {
    const std::string name = PlaneName(plane);
    if (UsesBlocks()) {
      DecodeBlocks(data, target, plane, name);
      return;
    }
    const int h = target.Height();
    const size_t stride = static_cast<size_t>(target.Pitch());
    const uint64_t need = static_cast<uint64_t>(stride) * static_cast<uint64_t>(h);
    if (data.size() < need) {
      in_.Fail(name.c_str(), Format("%zu bytes of rows, the image needs %llu", data.size(),
                                    static_cast<unsigned long long>(need)));
    }
    if (target.Width() == 0) return;
    const std::vector<uint32_t> order = Permutation(h);
    for (int k = 0; k < h; ++k) {
      const int row = order.empty() ? k : static_cast<int>(order[static_cast<size_t>(k)]);
      std::memcpy(target.Lock(0, row), data.data() + static_cast<size_t>(k) * stride, stride);
    }
  }

  // Stored item k goes to position P(k); empty when the items are in storage order.
  std::vector<uint32_t> Permutation(int64_t n) const {
    if (!Shuffled() || list_.ImageKey == 0) return {};
    return ShufflePermutation(static_cast<uint32_t>(list_.ImageKey), n);
  }

  void DecodeBlocks(std::span<const uint8_t> data, TDIBSurface& target, const Plane& plane, const std::string& name) {
    ByteReader r(data, source_ + ": " + name);
    const int64_t w = target.Width(), h = target.Height();
    const int64_t bw = header_.blockWidth, bh = header_.blockHeight;
    const int64_t cols = (w + bw - 1) / bw, rows = (h + bh - 1) / bh;
    const int64_t count = cols * rows;
    if (static_cast<uint64_t>(count) * kBlockEntryBytes > r.Remaining()) {
      r.Fail("block table", Format("%lld entries exceed the %zu bytes", static_cast<long long>(count), r.Remaining()));
    }
    struct Entry {
      int32_t a, b;
    };
    std::vector<Entry> entries(static_cast<size_t>(count));
    const std::vector<uint32_t> order = Permutation(count);
    for (int64_t k = 0; k < count; ++k) {
      const Entry e{r.I32("block entry"), r.I32("block entry")};
      entries[order.empty() ? static_cast<size_t>(k) : order[static_cast<size_t>(k)]] = e;
    }
    const int bits = target.StorageBitCount();
    for (int64_t index = 0; index < count; ++index) {
      const Entry e = entries[static_cast<size_t>(index)];
      const int x0 = static_cast<int>((index % cols) * bw), y0 = static_cast<int>((index / cols) * bh);
      const int cw = static_cast<int>(std::min(bw, w - x0)), ch = static_cast<int>(std::min(bh, h - y0));
      if (e.a == kDrelBlockStored) {
        // An edge block stores only its cut rows and columns.
        const size_t rowBytes = (static_cast<size_t>(cw) * static_cast<size_t>(bits) + 7) / 8;
        const std::span<const uint8_t> pixels = r.View(rowBytes * static_cast<size_t>(ch), "block pixels");
        StoreBlock(pixels, rowBytes, target, x0, y0, cw, ch);
      } else if (e.a == kDrelBlockSameImage) {
        if (e.b < 0 || e.b >= count) {
          r.Fail("block entry", Format("block %lld copies block %d of %lld", static_cast<long long>(index), e.b,
                                       static_cast<long long>(count)));
        }
        const int sx = static_cast<int>((e.b % cols) * bw), sy = static_cast<int>((e.b / cols) * bh);
        const int sw = static_cast<int>(std::min<int64_t>(bw, w - sx)), sh = static_cast<int>(std::min<int64_t>(bh, h - sy));
        CopyBlock(target, sx, sy, target, x0, y0, std::min(cw, sw), std::min(ch, sh));
      } else if (e.a >= 0) {
        const TDIBSurface& from = EarlierPlane(e.a, e.b, plane, r);
        if (from.StorageBitCount() != bits || x0 + cw > from.Width() || y0 + ch > from.Height()) {
          r.Fail("block entry", Format("block %lld of a %lld x %lld image at %d bits lies outside frame %d layer %d "
                                       "(%d x %d at %d bits)", static_cast<long long>(index), static_cast<long long>(w),
                                       static_cast<long long>(h), bits, e.a, e.b, from.Width(), from.Height(),
                                       from.StorageBitCount()));
        }
        CopyBlock(from, x0, y0, target, x0, y0, cw, ch);
      } else {
        r.Fail("block entry", Format("block %lld has kind %d", static_cast<long long>(index), e.a));
      }
    }
  }

  // The plane of a layer read before the one being decoded: an earlier frame, or an earlier layer of
  // the same frame. The mask of that layer when a mask is being decoded.
  const TDIBSurface& EarlierPlane(int32_t frame, int32_t layer, const Plane& plane, const ByteReader& r) const {
    const bool known = frame < plane.frame ||
                       (frame == plane.frame && layer < static_cast<int32_t>(layers_.back().layers.size()));
    if (!known || static_cast<size_t>(frame) >= layers_.size() || layer < 0 ||
        static_cast<size_t>(layer) >= layers_[static_cast<size_t>(frame)].layers.size()) {
      r.Fail("block entry", Format("frame %d layer %d has not been read", frame, layer));
    }
    const Layer& l = *layers_[static_cast<size_t>(frame)].layers[static_cast<size_t>(layer)];
    if (!plane.mask) return l.image;
    if (l.image.Mask() == nullptr) r.Fail("block entry", Format("frame %d layer %d has no mask", frame, layer));
    return *l.image.Mask();
  }

  static void StoreBlock(std::span<const uint8_t> pixels, size_t rowBytes, TDIBSurface& target, int x0, int y0,
                         int cw, int ch) {
    const int bits = target.StorageBitCount();
    for (int y = 0; y < ch; ++y) {
      const uint8_t* src = pixels.data() + static_cast<size_t>(y) * rowBytes;
      if (bits >= 8) {
        std::memcpy(target.Lock(x0, y0 + y), src, rowBytes);
        continue;
      }
      // Packed rows: bit 7 (or the high nibble) is the leftmost pixel.
      for (int x = 0; x < cw; ++x) {
        const size_t bit = static_cast<size_t>(x) * static_cast<size_t>(bits);
        const Pixel v = (src[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
        target.SetPixel(x0 + x, y0 + y, v);
      }
    }
  }

  void DecodeJpegPlane(std::span<const uint8_t> bytes, TDIBSurface& target) {
    const RgbImage rgb = DecodeJpegRgb(bytes, source_ + ": colour data", limits_.maxFrameBytes);
    const int w = std::min(rgb.width, target.Width()), h = std::min(rgb.height, target.Height());
    const bool indexed = target.BitCount() <= 8;
    for (int y = 0; y < h; ++y) {
      const uint8_t* p = rgb.rgb.data() + static_cast<size_t>(y) * static_cast<size_t>(rgb.width) * 3;
      for (int x = 0; x < w; ++x, p += 3) {
        const ColorValue c = p[0] | p[1] << 8 | p[2] << 16;
        target.SetPixel(x, y, indexed ? target.NearestPixel(c) : static_cast<Pixel>(target.ColorToPixel(c)));
      }
    }
  }

  std::string PlaneName(const Plane& p) const {
    return Format("frame %d layer %d %s", p.frame, p.layer, p.mask ? "mask data" : "colour data");
  }

  void Charge(int64_t bytes, const char* field) {
    total_ += bytes;
    if (total_ > limits_.maxTotalBytes) {
      in_.Fail(field, Format("the image needs more than %lld bytes in all",
                             static_cast<long long>(limits_.maxTotalBytes)));
    }
  }

  TDrelFrameList& list_;
  ByteReader in_;
  std::string source_;
  bool firstFrameOnly_;
  ImageLimits limits_;
  DrelHeaderInfo header_;
  std::vector<LayerList> layers_;  // per frame read so far
  std::vector<uint8_t> scratch_;
  int64_t total_ = 0;
};

}  // namespace

std::vector<uint32_t> ShufflePermutation(uint32_t seed, int64_t n) {
  // The generator's pool draw (state = state * 5 + seed; take the element at state mod the count
  // left) with the remaining elements kept in a Fenwick tree, so that finding the k-th one left
  // costs log n instead of moving the rest of a list down.
  const size_t count = static_cast<size_t>(n);
  std::vector<uint32_t> tree(count + 1, 0);
  for (size_t i = 1; i <= count; ++i) {
    tree[i] += 1;
    const size_t parent = i + (i & (~i + 1));
    if (parent <= count) tree[parent] += tree[i];
  }
  size_t top = 1;
  while (top * 2 <= count) top *= 2;
  std::vector<uint32_t> order(count);
  uint32_t state = 0;
  for (size_t k = 0; k < count; ++k) {
    state = state * 5u + seed;
    uint32_t rank = state % static_cast<uint32_t>(count - k);  // 0-based among the elements left
    size_t pos = 0;
    for (size_t step = top; step > 0; step /= 2) {
      if (pos + step <= count && tree[pos + step] <= rank) {
        pos += step;
        rank -= tree[pos];
      }
    }
    order[k] = static_cast<uint32_t>(pos);  // element pos (0-based) is the (rank+1)-th left
    for (size_t i = pos + 1; i <= count; i += i & (~i + 1)) tree[i] -= 1;
  }
  return order;
}

uint32_t PixelWidthMask(int bits) {
  switch (bits) {
    case 1: return 1;
    case 4: return 15;
    case 8: return 0xFF;
    case 15: case 16: return 0xFFFF;
    case 24: return 0xFFFFFF;
    default: return 0xFFFFFFFF;
  }
}

void LoadDrelImage(TDrelFrameList& list, std::span<const uint8_t> data, std::string_view source, bool firstFrameOnly,
                   const ImageLimits& limits) {
  DrelReader(list, data, source, firstFrameOnly, limits).Read();
}

bool IsStoredDrel(std::span<const uint8_t> data) {
  // Magic (7), header size (4), then the header: kind at offset 22.
  constexpr size_t kKindOffset = kDrelMagicSize + 4 + 22;
  if (data.size() <= kKindOffset || std::memcmp(data.data(), kDrelMagic.data(), kDrelMagic.size()) != 0) return false;
  int version = 0;
  for (size_t i = kDrelMagic.size(); i < kDrelMagicSize; ++i) {
    if (data[i] < '0' || data[i] > '9') return false;
    version = version * 10 + (data[i] - '0');
  }
  return version >= kDrelHeaderVersion && data[kKindOffset] == static_cast<uint8_t>(DrelKind::kStored);
}

}  // namespace kuzo
