// Rule images: reading through the game data, decoding the first frame by extension, grey levels.
#include "transitions/rule_images.h"

#include "core/errors.h"
#include "data/file_manager.h"
#include "graphics/image_formats/image_file.h"

namespace kuzo {

GreyImage GreyOfFrame(const TDrelFrame& frame) {
  GreyImage g;
  g.width = frame.Width();
  g.height = frame.Height();
  if (g.width <= 0 || g.height <= 0) return GreyImage{};
  const std::vector<uint8_t> rgba = FrameToRgba(frame);
  const size_t count = static_cast<size_t>(g.width) * static_cast<size_t>(g.height);
  if (rgba.size() < count * 4) return GreyImage{};
  g.grey.resize(count);
  for (size_t i = 0; i < count; ++i) g.grey[i] = GreyLevel(rgba[4 * i], rgba[4 * i + 1], rgba[4 * i + 2]);
  return g;
}

std::optional<GreyImage> DecodeRuleImage(std::string_view name, std::span<const uint8_t> data, std::string* why) {
  const auto fail = [why](std::string text) -> std::optional<GreyImage> {
    if (why) *why = std::move(text);
    return std::nullopt;
  };
  if (FormatFromExtension(name) == ImageFormat::kNone) return fail("not an image file name");
  if (data.empty()) return fail("empty file");
  TDrelFrameList list;
  try {
    LoadImageFile(list, name, data, /*firstFrameOnly=*/true);
  } catch (const KuzoError& e) {
    return fail(e.what());
  }
  if (list.Count() == 0) return fail("no frame");
  GreyImage g = GreyOfFrame(list[0]);
  if (g.grey.empty()) return fail("empty image");
  return g;
}

RuleImageLoader::FileReader RuleImageLoader::FromFileManager(TVrFileManager& files) {
  return [&files](std::string_view name) -> std::optional<std::string> {
    if (!files.Exists(name)) return std::nullopt;
    try {
      return files.ReadFile(name);
    } catch (const KuzoError&) {
      return std::nullopt;  // listed but unreadable: as if missing
    }
  };
}

std::optional<GreyImage> RuleImageLoader::Load(const std::string& name) {
  if (name.empty()) return std::nullopt;  // no rule asked for: nothing to report
  std::optional<std::string> bytes = read_ ? read_(name) : std::nullopt;
  if (!bytes) {
    Report(name, "file not found");
    return std::nullopt;
  }
  std::string why;
  const auto* p = reinterpret_cast<const uint8_t*>(bytes->data());
  std::optional<GreyImage> rule = DecodeRuleImage(name, std::span<const uint8_t>(p, bytes->size()), &why);
  if (!rule) Report(name, why);
  return rule;
}

void RuleImageLoader::Report(const std::string& name, const std::string& why) {
  if (!reported_.insert(name).second) return;
  if (log_) log_("rule image " + name + ": " + why + "; every pixel changes together");
}

}  // namespace kuzo
