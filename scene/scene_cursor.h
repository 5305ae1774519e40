// SceneCursor: the panel's custom mouse cursor. The scene names the cursor of the control under the
// mouse (or the default cursor); this reads that cursor file from the game data, decodes it, and
// shows it over the window, stepping animated cursors on the game clock. Headless runs keep only
// the name and the decoded steps.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/image_formats/cursor_reader.h"

namespace kuzo {

namespace platform {
class ColorCursor;
}  // namespace platform

class SceneCursor {
 public:
  // Whole content of a game-data file, or nothing when it is not available.
  using FileReader = std::function<std::optional<std::string>(std::string_view name)>;

  // `onScreen`: install the cursors over the window (false in headless runs).
  SceneCursor(FileReader reader, bool onScreen);
  ~SceneCursor();
  SceneCursor(const SceneCursor&) = delete;
  SceneCursor& operator=(const SceneCursor&) = delete;

  // Reads and shows the cursor file `name`. A file that is missing or not a cursor leaves the
  // system's arrow; the name is kept all the same (the scene does not ask again for the same name).
  void Load(const std::string& name);
  // Shows the step of an animated cursor that is due at `clockMs` of the game clock.
  void Update(int64_t clockMs);

  const std::string& Name() const { return name_; }
  // Why the last load showed the arrow (empty when it showed the cursor).
  const std::string& LastError() const { return error_; }
  const CursorSteps& Steps() const { return steps_; }
  // The step shown now (-1 without a cursor).
  int ShownStep() const { return shown_; }

 private:
  void ShowStep(int step);

  FileReader reader_;
  bool onScreen_;
  std::string name_;
  std::string error_;
  CursorSteps steps_;
  std::vector<std::unique_ptr<platform::ColorCursor>> cursors_;  // one per picture, on screen only
  int shown_ = -1;
};

}  // namespace kuzo
