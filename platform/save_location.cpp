// Save directory choice: a write-permission check on the title's directory and the XDG data path.
#include "platform/save_location.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace kuzo::platform {

namespace fs = std::filesystem;

bool DirectoryWritable(const fs::path& dir) {
  std::error_code ec;
  const fs::path d = dir.empty() ? fs::path(".") : dir;
  return fs::is_directory(d, ec) && ::access(d.c_str(), W_OK | X_OK) == 0;
}

fs::path UserDataDirectory(std::string_view title) {
  fs::path base;
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && *xdg == '/') {
    base = xdg;  // only absolute paths count
  } else {
    const char* home = std::getenv("HOME");
    base = fs::path(home && *home ? home : "/tmp") / ".local" / "share";
  }
  std::string name;
  for (char c : title) {
    const auto b = static_cast<unsigned char>(c);
    name.push_back(b < 0x20 || c == '/' || c == 0x7f ? '_' : c);
  }
  if (name.empty() || name == "." || name == "..") name = "title";
  return base / "kuzoplayer" / name;
}

SaveLocation ResolveSaveLocation(const fs::path& titleDir, std::string_view title) {
  if (DirectoryWritable(titleDir)) return {titleDir, false};
  SaveLocation location{UserDataDirectory(title), true};
  std::error_code ec;
  fs::create_directories(location.directory, ec);
  return location;
}

}  // namespace kuzo::platform
