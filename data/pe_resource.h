// Resources of Windows executables: a title's executable may carry its archive as the resource
// "DUMMY" of type "BINTYPE" instead of behind a trailer, and carries the title's icons. Only the
// headers and the resource section are read, through bounded readers.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kuzo {

constexpr std::string_view kArchiveResourceType = "BINTYPE";
constexpr std::string_view kArchiveResourceName = "DUMMY";

// A resource type or name as the tree keys it: a number, a name (ASCII, compared without case),
// or whichever entry comes first.
struct PeResourceKey {
  enum class Kind { kFirst, kId, kName };
  Kind kind = Kind::kFirst;
  uint16_t id = 0;
  std::string name;

  static PeResourceKey First() { return {}; }
  static PeResourceKey Id(uint16_t id) { return {Kind::kId, id, {}}; }
  static PeResourceKey Name(std::string_view name) { return {Kind::kName, 0, std::string(name)}; }
};

// The resource section of one PE image, read once for several lookups.
class PeResources {
 public:
  // nullopt when the file cannot be read, is no PE image or has no resources. Raises FormatError
  // naming the file when the headers are malformed.
  static std::optional<PeResources> Open(const std::filesystem::path& path);

  // The bytes of the resource (the first language), or nullopt when there is none. Raises
  // FormatError when the tree is malformed.
  std::optional<std::string> Find(const PeResourceKey& type, const PeResourceKey& name) const;

  const std::string& Source() const { return source_; }

 private:
  PeResources(std::string source, std::string section, uint32_t base, uint32_t sectionRva)
      : source_(std::move(source)), section_(std::move(section)), base_(base), sectionRva_(sectionRva) {}

  std::string source_;
  std::string section_;  // the raw bytes of the section holding the resource tree
  uint32_t base_;        // where the tree starts inside the section
  uint32_t sectionRva_;  // the section's address in the image
};

// The bytes of the named resource (type and name are ASCII, compared without case; the first
// language is taken) in a PE image, or nullopt when the image has no such resource. Raises
// FormatError naming `source` when the headers or the resource tree are malformed.
std::optional<std::string> FindPeResource(const std::filesystem::path& path, std::string_view type,
                                          std::string_view name);

// The executable's archive resource when it exists and its last two bytes are "vf"; nullptr when
// the file has none or is not a readable executable.
std::shared_ptr<const std::string> FindResourceArchive(const std::filesystem::path& path);

// The same, from resources already read (nullptr also when the tree is malformed).
std::shared_ptr<const std::string> FindResourceArchive(const PeResources& resources);

}  // namespace kuzo
