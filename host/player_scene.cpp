// The scene's shared objects installed in its service slots, and its frame for the screen.
#include "host/player_scene.h"

#include <optional>
#include <string_view>

#include "components/standard_components.h"
#include "vars/param_collection.h"

namespace kuzo::host {
namespace {

constexpr int kLeftButton = 0;
constexpr int kRightButton = 1;

// Pictures come from the game data; without a file manager every picture is missing.
TDrelCollection::FileReader ImageReader(TVrFileManager* files) {
  if (files != nullptr) return TDrelCollection::FromFileManager(*files);
  return [](std::string_view) -> std::optional<std::string> { return std::nullopt; };
}

}  // namespace

PlayerScene::PlayerScene(HostState& host, TVrFileManager* files)
    : transitions_(WipeServices{{}, &host.random, std::nullopt}),
      images_(ImageReader(files)),
      cursor_(ImageReader(files), !host.headless),
      texts_(files),
      scene_(&host, 640, 480),
      commands_(scene_) {
  scene_.SetTransition(&transitions_);
  scene_.SetCursorLoader([this](const std::string& name) { cursor_.Load(name); });
  ServiceSlots slots = scene_.Slots();
  slots.files = files;
  slots.images = &images_;
  slots.glyphs = &glyphs_;
  slots.clock = &host;
  slots.texts = &texts_;
  scene_.SetSlots(slots);
  RegisterStandardComponents(scene_);
}

void PlayerScene::InstallMedia(media::MediaSystem* media) {
  ServiceSlots slots = scene_.Slots();
  slots.media = media;
  scene_.SetSlots(slots);
}

void PlayerScene::InstallVariables(TParamCollection* vars) {
  ServiceSlots slots = scene_.Slots();
  slots.variables = vars;
  slots.vars = vars;
  scene_.SetSlots(slots);
  if (vars != nullptr) {
    scene_.SetDefaultCursorSource([vars] { return vars->CursorName; });
  } else {
    scene_.SetDefaultCursorSource(nullptr);
  }
}

FrameView PlayerScene::Frame() const {
  FrameView view;
  auto* surface = dynamic_cast<const TDIBX*>(scene_.SceneSurface());
  if (!surface || surface->BitCount() != 32) return view;
  view.pixels = reinterpret_cast<const uint32_t*>(surface->Bits());
  view.width = surface->Width();
  view.height = surface->Height();
  view.pitchBytes = static_cast<size_t>(surface->Pitch());
  dirty_.clear();
  for (const TRect& r : scene_.ActiveBase()->DirtyList().Rects())
    dirty_.push_back(SceneRect{r.left, r.top, r.right, r.bottom});
  view.dirty = dirty_;
  return view;
}

void PlayerScene::MouseDown(bool left, bool right) {
  if (left) scene_.MouseDown(kLeftButton);
  if (right) scene_.MouseDown(kRightButton);
}

void PlayerScene::MouseUp(bool left, bool right) {
  if (left) scene_.MouseUp(kLeftButton);
  if (right) scene_.MouseUp(kRightButton);
}

}  // namespace kuzo::host
