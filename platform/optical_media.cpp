// Disc roots: mount points of ISO 9660 and UDF file systems listed in /proc/mounts.
#include "platform/optical_media.h"

#include <fstream>
#include <sstream>

namespace kuzo::platform {
namespace {

// /proc/mounts escapes space, tab, newline and backslash in paths as three octal digits.
std::string UnescapeMountPath(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && s.size() - i >= 4 && s[i + 1] >= '0' && s[i + 1] <= '3' && s[i + 2] >= '0' && s[i + 2] <= '7' && s[i + 3] >= '0' &&
        s[i + 3] <= '7') {
      out.push_back(static_cast<char>(((s[i + 1] - '0') << 6) | ((s[i + 2] - '0') << 3) | (s[i + 3] - '0')));
      i += 3;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

}  // namespace

std::vector<std::string> ParseOpticalMounts(std::string_view mountsText) {
  std::vector<std::string> roots;
  std::istringstream in{std::string(mountsText)};
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string device, mountPoint, type;
    if (!(fields >> device >> mountPoint >> type)) continue;
    if (type != "iso9660" && type != "udf") continue;
    std::string root = UnescapeMountPath(mountPoint);
    if (root.empty() || root.back() != '/') root.push_back('/');
    roots.push_back(std::move(root));
  }
  return roots;
}

std::vector<std::string> OpticalMediaRoots() {
  std::ifstream in("/proc/mounts");
  if (!in) return {};
  std::stringstream text;
  text << in.rdbuf();
  return ParseOpticalMounts(text.str());
}

}  // namespace kuzo::platform
