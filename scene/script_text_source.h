// Where message windows get the text of a text-insert command they refer to: the stored glyph list
// of command `command` of script page `file`. Windows keep only that reference (so saves, read marks
// and the history can point back to the script), and rebuild their pages from it after a load.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kuzo {

class ScriptTextSource {
 public:
  virtual ~ScriptTextSource() = default;
  // The stored glyph list; nullopt when the page is not in the game data or the command is out of
  // range or no text-insert command.
  virtual std::optional<std::string> CommandGlyphs(const std::string& file, int32_t command) = 0;
  // Whether the game data holds the page (text shown from the history stops at a missing one).
  virtual bool FileExists(const std::string& file) = 0;
};

}  // namespace kuzo
