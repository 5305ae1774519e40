// Where a title's save data lives: the title's own directory when the player may write there,
// otherwise the user's data directory ($XDG_DATA_HOME/kuzoplayer/<title>/, with XDG_DATA_HOME
// defaulting to ~/.local/share), created on demand.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kuzo::platform {

struct SaveLocation {
  std::filesystem::path directory;
  bool fallback = false;  // the title's directory was not writable
};

// Whether a new file could be created in `dir` (it exists, is a directory and is writable).
bool DirectoryWritable(const std::filesystem::path& dir);

// The user's data directory for the title named `title` (UTF-8; characters that cannot be part
// of a file name become '_', an empty name becomes "title").
std::filesystem::path UserDataDirectory(std::string_view title);

// The title's directory when writable, else UserDataDirectory(title), which is then created.
SaveLocation ResolveSaveLocation(const std::filesystem::path& titleDir, std::string_view title);

}  // namespace kuzo::platform
