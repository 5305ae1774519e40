// Windows cursor files. A ".cur" file is an icon directory (type 2) whose entries carry hot spots
// in place of planes and bit count; each picture is a device-independent bitmap (colour rows and a
// 1-bit mask) or a PNG. An ".ani" file is a RIFF "ACON" form: an "anih" header, optional "rate"
// (per-step times in 1/60 s) and "seq " (per-step picture numbers), and a "fram" list of "icon"
// chunks, each a whole cursor or icon file.
#include "graphics/image_formats/cursor_reader.h"

#include <cstring>
#include <string>

#include "core/byte_reader.h"
#include "core/errors.h"
#include "graphics/image_formats/exe_icon.h"
#include "graphics/image_formats/image_file.h"

namespace kuzo {
namespace {

constexpr uint16_t kIconType = 1;
constexpr uint16_t kCursorType = 2;
constexpr size_t kDirEntryBytes = 16;
constexpr int kPreferredSide = 32;
constexpr std::string_view kPngSignature = "\x89PNG";
constexpr std::string_view kRiff = "RIFF";
constexpr std::string_view kAcon = "ACON";
constexpr uint32_t kAniHeaderBytes = 36;
constexpr uint32_t kAniSequenceFlag = 2;
constexpr int kJiffiesPerSecond = 60;

std::string FourCC(std::span<const uint8_t> v) { return std::string(reinterpret_cast<const char*>(v.data()), 4); }

CursorPicture DecodePicture(std::span<const uint8_t> bytes, const std::string& source) {
  CursorPicture picture;
  if (bytes.size() >= kPngSignature.size() && std::memcmp(bytes.data(), kPngSignature.data(), kPngSignature.size()) == 0) {
    TDrelFrameList list;
    ImageLimits limits;
    limits.maxFrameBytes = int64_t{kMaxCursorSide} * kMaxCursorSide * 5;
    LoadPngImage(list, bytes, source, limits);
    picture.width = list[0].Width();
    picture.height = list[0].Height();
    picture.rgba = FrameToRgba(list[0]);
    return picture;
  }
  IconImage icon = DecodeIconBitmap(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), source);
  picture.width = icon.width;
  picture.height = icon.height;
  picture.rgba = std::move(icon.rgba);
  return picture;
}

// One picture of an icon or cursor directory: the 32 x 32 entry when there is one, else the largest.
CursorPicture ReadDirectory(std::span<const uint8_t> data, const std::string& source) {
  ByteReader in(data, source);
  if (in.U16("reserved") != 0) in.Fail("reserved", "not 0: no icon or cursor directory");
  const uint16_t type = in.U16("type");
  if (type != kIconType && type != kCursorType) in.Fail("type", Format("%u is neither icon (1) nor cursor (2)", type));
  const uint16_t count = in.U16("picture count");
  if (count == 0) in.Fail("picture count", "0");
  if (size_t{count} * kDirEntryBytes > in.Remaining()) {
    in.Fail("picture count", Format("%u entries exceed the %zu bytes left", count, in.Remaining()));
  }
  int best = -1, bestArea = -1;
  uint16_t hotX = 0, hotY = 0;
  uint32_t size = 0, offset = 0;
  for (int i = 0; i < count; ++i) {
    const int w = in.U8("width"), h = in.U8("height");
    in.Skip(2, "colours");
    const uint16_t x = in.U16("hot spot x"), y = in.U16("hot spot y");
    const uint32_t bytes = in.U32("picture size"), at = in.U32("picture offset");
    const int side = w == 0 ? 256 : w;
    const int area = side == kPreferredSide ? INT32_MAX : side * (h == 0 ? 256 : h);
    if (area > bestArea) best = i, bestArea = area, hotX = x, hotY = y, size = bytes, offset = at;
  }
  if (offset > data.size() || size > data.size() - offset) {
    in.Fail("picture offset", Format("%u bytes at %u exceed the %zu bytes of the file", size, offset, data.size()));
  }
  CursorPicture picture = DecodePicture(data.subspan(offset, size), Format("%s: picture %d", source.c_str(), best));
  if (picture.width > kMaxCursorSide || picture.height > kMaxCursorSide) {
    in.Fail("picture size", Format("%d x %d exceeds %d", picture.width, picture.height, kMaxCursorSide));
  }
  // Icons have no hot spot (those fields hold planes and bit count).
  if (type == kCursorType) {
    picture.hotX = std::min<int>(hotX, picture.width > 0 ? picture.width - 1 : 0);
    picture.hotY = std::min<int>(hotY, picture.height > 0 ? picture.height - 1 : 0);
  }
  return picture;
}

CursorSteps ReadAnimated(std::span<const uint8_t> data, const std::string& source) {
  ByteReader in(data, source);
  in.Skip(4, "RIFF");
  const uint32_t riffSize = in.U32("RIFF size");
  if (FourCC(in.View(4, "form")) != kAcon) in.Fail("form", "not an animated cursor (\"ACON\")");
  // The form may claim more than the file holds; chunks are read up to what is there.
  const size_t end = std::min<size_t>(in.Size(), size_t{8} + riffSize);
  CursorSteps out;
  uint32_t frames = 0, steps = 0, rate = 0, flags = 0;
  std::vector<uint32_t> rates, sequence;
  bool header = false;
  while (in.Position() + 8 <= end) {
    const std::string id = FourCC(in.View(4, "chunk id"));
    const uint32_t size = in.U32("chunk size");
    if (size > end - in.Position()) in.Fail("chunk size", Format("%u bytes exceed the %zu left", size, end - in.Position()));
    const size_t next = in.Position() + size + (size & 1);
    ByteReader chunk(in.View(size, "chunk"), source + ": " + id);
    if (id == "anih") {
      if (size < kAniHeaderBytes) chunk.Fail("header", Format("%u bytes, need %u", size, kAniHeaderBytes));
      chunk.Skip(4);
      frames = chunk.U32("frame count");
      steps = chunk.U32("step count");
      chunk.Skip(16);
      rate = chunk.U32("display rate");
      flags = chunk.U32("flags");
      if (frames == 0 || frames > kMaxCursorFrames || steps == 0 || steps > kMaxCursorFrames) {
        chunk.Fail("header", Format("%u frames and %u steps (1..%d)", frames, steps, kMaxCursorFrames));
      }
      header = true;
    } else if (id == "rate" || id == "seq ") {
      std::vector<uint32_t>& values = id == "rate" ? rates : sequence;
      values.resize(size / 4);
      for (uint32_t& v : values) v = chunk.U32(id.c_str());
    } else if (id == "LIST" && size >= 4 && FourCC(chunk.View(4, "list type")) == "fram") {
      while (chunk.Remaining() >= 8) {
        const std::string sub = FourCC(chunk.View(4, "frame id"));
        const uint32_t subSize = chunk.U32("frame size");
        if (subSize > chunk.Remaining()) chunk.Fail("frame size", Format("%u bytes exceed the %zu left", subSize, chunk.Remaining()));
        const std::span<const uint8_t> bytes = chunk.View(subSize, "frame");
        if (subSize & 1) chunk.Skip(std::min<size_t>(1, chunk.Remaining()), "padding");
        if (sub != "icon") continue;
        if (out.pictures.size() >= kMaxCursorFrames) chunk.Fail("frames", Format("more than %d", kMaxCursorFrames));
        out.pictures.push_back(ReadDirectory(bytes, Format("%s: frame %zu", source.c_str(), out.pictures.size())));
      }
    }
    in.Seek(std::min(next, end), "chunk");
  }
  if (!header) in.Fail("anih", "missing");
  if (out.pictures.empty()) in.Fail("fram", "no frames");
  const bool useSequence = (flags & kAniSequenceFlag) != 0 && sequence.size() >= steps;
  if (!useSequence) steps = std::min<uint32_t>(steps, static_cast<uint32_t>(out.pictures.size()));
  for (uint32_t i = 0; i < steps; ++i) {
    const uint32_t picture = useSequence ? sequence[i] : i;
    if (picture >= out.pictures.size()) {
      in.Fail("seq ", Format("step %u shows frame %u of %zu", i, picture, out.pictures.size()));
    }
    const uint32_t jiffies = i < rates.size() ? rates[i] : rate;
    // Durations are kept below a day so sums cannot overflow.
    const int64_t ms = std::min<int64_t>(int64_t{jiffies} * 1000 / kJiffiesPerSecond, 86'400'000);
    out.steps.push_back({static_cast<int>(picture), static_cast<int>(ms)});
  }
  return out;
}

}  // namespace

int CursorSteps::StepAt(int64_t clockMs) const {
  int64_t total = 0;
  for (const Step& s : steps) total += s.durationMs;
  if (total <= 0 || clockMs < 0) return 0;
  int64_t t = clockMs % total;
  for (size_t i = 0; i < steps.size(); ++i) {
    if (t < steps[i].durationMs) return static_cast<int>(i);
    t -= steps[i].durationMs;
  }
  return 0;
}

CursorSteps ReadCursorFile(std::span<const uint8_t> data, std::string_view source) {
  const std::string name(source);
  if (data.size() >= 12 && std::memcmp(data.data(), kRiff.data(), kRiff.size()) == 0) return ReadAnimated(data, name);
  CursorSteps out;
  out.pictures.push_back(ReadDirectory(data, name));
  out.steps.push_back({0, 0});
  return out;
}

}  // namespace kuzo
