// kuzotool img: image files for authors and tests. `info` lists the frames of a Drel, PNG, BMP or
// JPEG file, `decode` writes one composed frame as an RGBA PNG, `encode` writes a Drel file.
#include <charconv>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "core/errors.h"
#include "graphics/image_formats/image_file.h"
#include "graphics/png_writer.h"
#include "platform/cp932.h"
#include "platform/file_system.h"
#include "tools/command.h"

namespace {

using kuzo::KuzoError;

// Options after the positional arguments: "--name value".
struct Options {
  std::vector<std::string> positional;
  std::vector<std::pair<std::string, std::string>> named;

  std::optional<std::string> Get(const std::string& name) const {
    for (const auto& [n, v] : named)
      if (n == name) return v;
    return std::nullopt;
  }
};

Options ParseOptions(const std::vector<std::string>& args, const std::vector<std::string>& known) {
  Options o;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.rfind("--", 0) != 0) {
      o.positional.push_back(a);
      continue;
    }
    bool ok = false;
    for (const auto& k : known) ok |= a == "--" + k;
    if (!ok) throw KuzoError("unknown option " + a);
    if (i + 1 >= args.size()) throw KuzoError("option " + a + " needs a value");
    o.named.emplace_back(a.substr(2), args[++i]);
  }
  return o;
}

int32_t IntOption(const Options& o, const std::string& name, int32_t fallback, int32_t lo, int32_t hi) {
  const auto text = o.Get(name);
  if (!text) return fallback;
  int32_t v = 0;
  const auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), v);
  if (ec != std::errc() || end != text->data() + text->size() || v < lo || v > hi) {
    throw KuzoError(kuzo::Format("--%s %s is not a number from %d to %d", name.c_str(), text->c_str(), lo, hi));
  }
  return v;
}

// Loads FILE: Drel files without a magic are known by their extension only, so the signature is
// tried first and the extension second.
kuzo::ImageFormat Load(const std::string& path, kuzo::TDrelFrameList& list, bool firstFrameOnly) {
  const std::optional<std::string> bytes = kuzo::platform::ReadWholeFile(path);
  if (!bytes) throw KuzoError(path + ": cannot be read");
  const std::span<const uint8_t> data(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size());
  kuzo::ImageFormat format = kuzo::LoadImageStream(list, data, path, firstFrameOnly);
  if (format == kuzo::ImageFormat::kNone) format = kuzo::LoadImageFile(list, path, data, firstFrameOnly);
  if (format == kuzo::ImageFormat::kNone) throw KuzoError(path + ": not a Drel, PNG, BMP or JPEG image");
  return format;
}

std::string KeyText(int32_t rgb) {
  if (rgb < 0) return "-1";
  const uint32_t c = static_cast<uint32_t>(rgb);
  return kuzo::Format("%02x%02x%02x", c & 255, (c >> 8) & 255, (c >> 16) & 255);
}

int Fail(const std::exception& e) {
  std::fprintf(stderr, "%s\n", kuzo::platform::Cp932ToUtf8(e.what()).c_str());
  return 1;
}

int RunInfo(const Options& o) {
  if (o.positional.size() != 1) throw KuzoError("usage: kuzotool img info FILE [--key N]");
  kuzo::TDrelFrameList list(IntOption(o, "key", 0, INT32_MIN, INT32_MAX));
  const kuzo::ImageFormat format = Load(o.positional[0], list, false);
  std::printf("format\t%s\n", kuzo::ImageFormatName(format));
  if (format == kuzo::ImageFormat::kDrel) std::printf("version\t%d\n", list.Version);
  std::printf("frames\t%d\n", list.Count());
  for (int i = 0; i < list.Count(); ++i) {
    const kuzo::TDrelFrame& f = list[i];
    std::printf("frame\t%d\t%d\t%d\t%d\t%d\t%s\t%d\n", i, f.Width(), f.Height(), f.BitCount(), f.DisplayTime,
                KeyText(f.ColorKeyRGB).c_str(), f.HasMask() ? 1 : 0);
  }
  return 0;
}

int RunDecode(const Options& o) {
  if (o.positional.size() != 2) throw KuzoError("usage: kuzotool img decode FILE OUT.png [--frame N] [--key N]");
  kuzo::TDrelFrameList list(IntOption(o, "key", 0, INT32_MIN, INT32_MAX));
  const std::string& path = o.positional[0];
  Load(path, list, false);
  const int index = IntOption(o, "frame", 0, 0, INT32_MAX);
  if (index >= list.Count()) throw KuzoError(kuzo::Format("%s: frame %d does not exist (%d frames)", path.c_str(), index, list.Count()));
  const kuzo::TDrelFrame& frame = list[index];
  if (frame.Width() <= 0 || frame.Height() <= 0) {
    throw KuzoError(kuzo::Format("%s: frame %d is empty (%d x %d)", path.c_str(), index, frame.Width(), frame.Height()));
  }
  const std::vector<uint8_t> png = kuzo::EncodeRgbaPng(kuzo::FrameToRgba(frame), frame.Width(), frame.Height());
  kuzo::platform::WriteFileAtomic(o.positional[1], std::string_view(reinterpret_cast<const char*>(png.data()), png.size()));
  return 0;
}

int RunEncode(const Options& o) {
  if (o.positional.size() != 2) {
    throw KuzoError("usage: kuzotool img encode IN.png OUT.drl [--kind 0|1|2] [--key N] [--quality Q]");
  }
  const int kind = IntOption(o, "kind", 0, 0, 2);
  const int quality = IntOption(o, "quality", 70, 1, 100);
  kuzo::TDrelFrameList list(0);
  Load(o.positional[0], list, false);
  list.ImageKey = IntOption(o, "key", 0, INT32_MIN, INT32_MAX);
  const std::string drel = kuzo::SaveDrelImage(list, static_cast<kuzo::DrelKind>(kind), quality);
  kuzo::platform::WriteFileAtomic(o.positional[1], drel);
  return 0;
}

int RunImg(const std::vector<std::string>& args) {
  if (args.empty()) {
    std::fprintf(stderr, "usage: kuzotool img info|decode|encode ...\n");
    return 2;
  }
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  try {
    if (args[0] == "info") return RunInfo(ParseOptions(rest, {"key"}));
    if (args[0] == "decode") return RunDecode(ParseOptions(rest, {"frame", "key"}));
    if (args[0] == "encode") return RunEncode(ParseOptions(rest, {"kind", "key", "quality"}));
  } catch (const std::exception& e) {
    return Fail(e);
  }
  std::fprintf(stderr, "kuzotool img: unknown command '%s'\n", args[0].c_str());
  return 2;
}

kuzo::tool::CommandRegistration reg("img", "img info FILE [--key N] | decode FILE OUT.png [--frame N] [--key N] | "
                                           "encode IN OUT.drl [--kind 0|1|2] [--key N] [--quality Q]",
                                    &RunImg);

}  // namespace
