// The disc roots the file manager searches after its archives: the mount points of mounted optical
// media (ISO 9660 and UDF file systems), each with a trailing "/". Empty on machines without them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kuzo::platform {

// Mount points of mounted optical media, read from /proc/mounts, in the order listed there.
std::vector<std::string> OpticalMediaRoots();

// The parser behind OpticalMediaRoots, over the text of a mounts table (testable without a disc).
std::vector<std::string> ParseOpticalMounts(std::string_view mountsText);

}  // namespace kuzo::platform
