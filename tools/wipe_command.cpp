// kuzotool wipe: renders one frame of a screen transition from two PNG pictures, so any frame of any
// transition can be looked at without writing a title.
#include <png.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "core/host_state.h"
#include "graphics/dibx.h"
#include "graphics/png_writer.h"
#include "tools/command.h"
#include "transitions/rule_images.h"
#include "transitions/wipe_catalogue.h"

namespace {

constexpr const char* kUsage =
    "wipe KIND FROM.png TO.png MS DURATION OUT.png [--reverse] [--param0 N] [--param1 N] [--rule FILE] [--seed N]"
    "  (render a transition frame; KIND is 1..38 or a name)";

// Reads a PNG into a 32-bit surface; nullopt (with a message) when it cannot.
std::optional<kuzo::TDIBX> ReadPng(const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
    std::fprintf(stderr, "kuzotool wipe: %s: %s\n", path.c_str(), image.message);
    return std::nullopt;
  }
  image.format = PNG_FORMAT_BGRA;  // the byte order of a 32-bit surface pixel
  if (image.width == 0 || image.height == 0 || image.width > kuzo::kMaxSurfaceSide ||
      image.height > kuzo::kMaxSurfaceSide) {
    std::fprintf(stderr, "kuzotool wipe: %s: size %ux%u out of range\n", path.c_str(), image.width, image.height);
    png_image_free(&image);
    return std::nullopt;
  }
  kuzo::TDIBX surface(static_cast<int>(image.width), static_cast<int>(image.height), 32);
  if (png_image_finish_read(&image, nullptr, surface.Bits(), static_cast<png_int_32>(surface.Pitch()), nullptr) == 0) {
    std::fprintf(stderr, "kuzotool wipe: %s: %s\n", path.c_str(), image.message);
    png_image_free(&image);
    return std::nullopt;
  }
  return surface;
}

// A rule image (Drel, PNG, BMP or JPEG by its extension, first frame) as grey levels; nullopt with
// a message when it cannot be read.
std::optional<kuzo::GreyImage> ReadRule(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string why = "cannot read the file";
  std::optional<kuzo::GreyImage> rule;
  if (in || in.eof()) {
    rule = kuzo::DecodeRuleImage(path, {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, &why);
  }
  if (!rule) std::fprintf(stderr, "kuzotool wipe: %s: %s; every pixel changes together\n", path.c_str(), why.c_str());
  return rule;
}

bool ParseInt(const std::string& text, int32_t& out) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, out);
  return ec == std::errc() && ptr == end;
}

int RunWipe(const std::vector<std::string>& args) {
  std::vector<std::string> positional;
  bool reverse = false;
  std::optional<int32_t> param0, param1;
  std::string rule;
  int32_t seed = 0;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    int32_t v = 0;
    if (a == "--reverse") {
      reverse = true;
    } else if ((a == "--param0" || a == "--param1" || a == "--seed") && hasValue && ParseInt(args[i + 1], v)) {
      if (a == "--param0") {
        param0 = v;
      } else if (a == "--param1") {
        param1 = v;
      } else {
        seed = v;
      }
      ++i;
    } else if (a == "--rule" && hasValue) {
      rule = args[++i];
    } else if (a.starts_with("--")) {
      std::fprintf(stderr, "usage: kuzotool %s\n", kUsage);
      return 2;
    } else {
      positional.push_back(a);
    }
  }
  int32_t elapsed = 0, duration = 0, number = 0;
  if (positional.size() != 6 || !ParseInt(positional[3], elapsed) || !ParseInt(positional[4], duration)) {
    std::fprintf(stderr, "usage: kuzotool %s\n", kUsage);
    return 2;
  }
  const kuzo::WipeKindInfo* kind =
      ParseInt(positional[0], number) ? kuzo::FindWipeKind(number) : kuzo::FindWipeKind(positional[0]);
  if (kind == nullptr) {
    std::fprintf(stderr, "kuzotool wipe: unknown transition '%s' (1..38 or a name)\n", positional[0].c_str());
    return 2;
  }
  auto from = ReadPng(positional[1]);
  auto to = ReadPng(positional[2]);
  if (!from || !to) return 1;

  // The screen starts out showing the outgoing picture.
  kuzo::TDIBX dest(std::min(from->Width(), to->Width()), std::min(from->Height(), to->Height()), 32);
  dest.Draw(0, 0, false, false, false, dest.BoundsRect(), *from);
  kuzo::RuntimeRandom random;
  random.Seed(static_cast<uint32_t>(seed));
  kuzo::WipeServices services;
  services.random = &random;
  services.loadRule = [&rule](const std::string&) { return ReadRule(rule); };

  auto wipe = kuzo::CreateTransition(static_cast<int32_t>(kind->kind), dest, *from, *to, services);
  if (param0) wipe->SetParam(0, *param0);
  if (param1) wipe->SetParam(1, *param1);
  wipe->Duration = duration;
  wipe->SetReverse(reverse ? 1 : 0);
  if (!rule.empty()) wipe->SetRuleName(rule);
  wipe->Prepare();
  wipe->Elapsed = elapsed;
  // A finished transition leaves the incoming picture on the screen.
  if (wipe->StepFrame()) dest.Draw(0, 0, false, false, false, dest.BoundsRect(), *to);
  kuzo::WritePngFile(dest, positional[5]);
  return 0;
}

kuzo::tool::CommandRegistration reg("wipe", kUsage, &RunWipe);

}  // namespace
