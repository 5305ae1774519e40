// Resources of Windows executables: a title's executable may carry its archive as the resource
// "DUMMY" of type "BINTYPE" instead of behind a trailer. Only the headers and the resource section
// are read, through bounded readers.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kuzo {

constexpr std::string_view kArchiveResourceType = "BINTYPE";
constexpr std::string_view kArchiveResourceName = "DUMMY";

// The bytes of the named resource (type and name are ASCII, compared without case; the first
// language is taken) in a PE image, or nullopt when the image has no such resource. Raises
// FormatError naming `source` when the headers or the resource tree are malformed.
std::optional<std::string> FindPeResource(const std::filesystem::path& path, std::string_view type,
                                          std::string_view name);

// The executable's archive resource when it exists and its last two bytes are "vf"; nullptr when
// the file has none or is not a readable executable.
std::shared_ptr<const std::string> FindResourceArchive(const std::filesystem::path& path);

}  // namespace kuzo
