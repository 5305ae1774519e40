// The player's scene as the Runtime owns it: the component model with the standard components, its
// shared objects (image cache, glyph cache, the transition player) and the component commands the
// interpreter drives; the per-tick steps, drawing and the input the window forwards to it.
#pragma once

#include <cstdint>
#include <vector>

#include "components/drel_collection.h"
#include "core/host_state.h"
#include "graphics/font_pixel.h"
#include "host/subsystems.h"
#include "scene/kuzo_base_list.h"
#include "scene/scene_cursor.h"
#include "script/mes_text_cache.h"
#include "script/scene_component_host.h"
#include "transitions/wipe_scene_player.h"

namespace kuzo {
class TVrFileManager;
class TParamCollection;
namespace media {
class MediaSystem;
}  // namespace media
}  // namespace kuzo

namespace kuzo::host {

class PlayerScene {
 public:
  // Pictures and files come from `files` (null: every picture is missing). The scene starts at
  // 640x480 until the project gives its size.
  PlayerScene(HostState& host, TVrFileManager* files);
  PlayerScene(const PlayerScene&) = delete;
  PlayerScene& operator=(const PlayerScene&) = delete;

  TKuzoBaseList& Model() { return scene_; }
  const TKuzoBaseList& Model() const { return scene_; }
  SceneComponentHost& Commands() { return commands_; }
  // The media managers for the components (created after the scene; null again before they go).
  void InstallMedia(media::MediaSystem* media);
  // The variable table for the components (a picture's last-frame wait; "@TextDelay" and VAR tags in
  // text) and for the default cursor ("@Cursor"); null again before it goes.
  void InstallVariables(TParamCollection* vars);

  void SetSize(int32_t width, int32_t height) { scene_.SetSize(width, height); }
  void Update() { scene_.ProcessInput(); }  // input state and events
  void Motion() { scene_.Tick(); }          // animations, timers, transitions
  void Draw() {                             // both bases into the frame surface; the cursor steps
    scene_.Draw();
    cursor_.Update(scene_.GameClockMs());
  }
  // The drawn frame and the active base's dirty rectangles (no pixels unless 32-bit).
  FrameView Frame() const;
  void ClearDirty() { scene_.ClearDirty(); }  // dirty lists of base 0 and base 1
  void FocusLost() { scene_.ClearKeyState(); }

  // Input, in scene pixels and Windows virtual-key codes (below 256).
  void KeyDown(int virtualKey) { scene_.SetKeyState(virtualKey, true); }
  void KeyPress(int virtualKey) { scene_.SetKeyPressed(virtualKey); }
  void KeyUp(int virtualKey) { scene_.SetKeyState(virtualKey, false); }
  void MouseDown(bool left, bool right);
  void MouseUp(bool left, bool right);  // the button released
  void MouseMove(int32_t x, int32_t y) { scene_.UpdateMousePosition(x, y); }
  void Wheel(bool up) { scene_.Wheel(!up); }
  void Close() { scene_.Reset(); }  // "KuzoFinalize": bases and what they hold

 private:
  WipeScenePlayer transitions_;  // outlives the scene, which may end a transition when it goes
  TDrelCollection images_;       // outlives the scene, whose components give their pictures back to it
  TFontPixelManager glyphs_;     // declared before the scene: its components use it until they are freed
  SceneCursor cursor_;           // the scene's cursor loader shows the cursors through it
  TMesDataCacheList texts_;      // the text commands message windows refer to
  TKuzoBaseList scene_;
  SceneComponentHost commands_;
  mutable std::vector<SceneRect> dirty_;
};

}  // namespace kuzo::host
