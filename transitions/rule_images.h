// Rule images for the rule-image transitions: a picture file of the game data (Drel, PNG, BMP or
// JPEG, chosen by its extension) reduced to grey levels, first frame only. A file that is missing,
// empty or unreadable counts as absent, and says so once per name in the player's log.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>

#include "graphics/image_formats/drel_image.h"
#include "transitions/custom_wipe.h"

namespace kuzo {

class TVrFileManager;

// The grey level of an 8-bit colour: (77 r + 150 g + 29 b) >> 8, exact for grey pixels.
inline uint8_t GreyLevel(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<uint8_t>((77 * r + 150 * g + 29 * b) >> 8);
}

// The frame's colours as grey levels, top row first (its mask plays no part).
GreyImage GreyOfFrame(const TDrelFrame& frame);

// Decodes the first frame of a rule image by the extension of `name`. Nullopt with `why` set when
// the extension names no image format, the data is bad, or the image has no pixels.
std::optional<GreyImage> DecodeRuleImage(std::string_view name, std::span<const uint8_t> data, std::string* why);

// Loads rule images by name through a file reader and reports each unusable name once.
class RuleImageLoader {
 public:
  // The whole file, or nullopt when it cannot be found.
  using FileReader = std::function<std::optional<std::string>(std::string_view name)>;
  using LogSink = std::function<void(const std::string& line)>;

  RuleImageLoader(FileReader read, LogSink log) : read_(std::move(read)), log_(std::move(log)) {}
  // Reads through the game data's file manager (which must outlive the loader).
  static FileReader FromFileManager(TVrFileManager& files);

  std::optional<GreyImage> Load(const std::string& name);
  // Names reported as unusable so far.
  const std::set<std::string>& Reported() const { return reported_; }

 private:
  void Report(const std::string& name, const std::string& why);

  FileReader read_;
  LogSink log_;
  std::set<std::string> reported_;
};

}  // namespace kuzo
