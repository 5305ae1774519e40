// Reserved names, the reset size and the surface depth of the scene list, shared by its implementation files.
#pragma once

#include <cstdint>
#include <string>

namespace kuzo::scene_names {

inline const std::string kBase0Name("\x01" "BASE0");
inline const std::string kBase1Name("\x01" "BASE1");
inline const std::string kInactiveAlias("\x01");  // the inactive base, as the empty name is the shown one
inline constexpr int32_t kResetSize = 8;
inline constexpr int kSceneBits = 32;  // depth of the bases' and the frame's surfaces

}  // namespace kuzo::scene_names
