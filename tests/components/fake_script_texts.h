// A script text source for message window tests: glyph lists by (file, command), as the player's
// text cache gives them, counting the lookups.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "scene/script_text_source.h"

namespace kuzo::testing {

struct FakeScriptTexts : ScriptTextSource {
  std::map<std::pair<std::string, int32_t>, std::string> lists;
  int lookups = 0;
  std::optional<std::string> CommandGlyphs(const std::string& file, int32_t command) override {
    ++lookups;
    auto it = lists.find({file, command});
    if (it == lists.end()) return std::nullopt;
    return it->second;
  }
  bool FileExists(const std::string& file) override {
    return std::any_of(lists.begin(), lists.end(), [&](const auto& e) { return e.first.first == file; });
  }
};

}  // namespace kuzo::testing
