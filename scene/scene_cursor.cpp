// The panel cursor: cursor files read through the game data, decoded, shown and stepped.
#include "scene/scene_cursor.h"

#include "core/errors.h"
#include "platform/cursor.h"

namespace kuzo {

SceneCursor::SceneCursor(FileReader reader, bool onScreen) : reader_(std::move(reader)), onScreen_(onScreen) {}

SceneCursor::~SceneCursor() = default;

void SceneCursor::Load(const std::string& name) {
  name_ = name;
  error_.clear();
  steps_ = CursorSteps{};
  cursors_.clear();
  shown_ = -1;
  std::optional<std::string> data = reader_ ? reader_(name) : std::nullopt;
  if (!data) {
    error_ = name + ": cursor file not found";
  } else {
    try {
      steps_ = ReadCursorFile({reinterpret_cast<const uint8_t*>(data->data()), data->size()}, name);
    } catch (const KuzoError& e) {
      error_ = e.what();
      steps_ = CursorSteps{};
    }
  }
  if (onScreen_) {
    for (const CursorPicture& p : steps_.pictures)
      cursors_.push_back(platform::ColorCursor::Create(p.rgba, p.width, p.height, p.hotX, p.hotY));
  }
  if (steps_.steps.empty()) {
    if (onScreen_) platform::ColorCursor::ShowDefault();
    return;
  }
  ShowStep(0);
}

void SceneCursor::Update(int64_t clockMs) {
  if (steps_.steps.empty() || !steps_.Animated()) return;
  const int step = steps_.StepAt(clockMs);
  if (step != shown_) ShowStep(step);
}

void SceneCursor::ShowStep(int step) {
  shown_ = step;
  if (!onScreen_) return;
  const int picture = steps_.steps[static_cast<size_t>(step)].picture;
  if (picture >= 0 && picture < static_cast<int>(cursors_.size()) && cursors_[static_cast<size_t>(picture)]) {
    cursors_[static_cast<size_t>(picture)]->Show();
  } else {
    platform::ColorCursor::ShowDefault();
  }
}

}  // namespace kuzo
