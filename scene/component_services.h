// ComponentServices: the narrow interface through which components reach the rest of the player:
// component lookup, invalidation, the event queue, and slots for the subsystems a component may
// use (image cache, game-data file manager, glyph cache, media managers, game clock). The scene
// implements it; the host fills the slots. A slot whose subsystem is not installed answers null.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/host_state.h"
#include "scene/event_queue.h"
#include "scene/scene_rect.h"

namespace kuzo {

class TKuzoObject;
class TKuzoControl;
class TKuzoBase;
class TCustomDIBX;
// Subsystems a component may use, owned elsewhere (the runtime or the scene's owner).
class TDrelCollection;    // image cache: picture files lent to every component that shows them
class TVrFileManager;     // game data: loose files, archives and discs
class TFontPixelManager;  // glyph cache
class ScriptTextSource;   // text of the script's text-insert commands (scene/script_text_source.h)
class TParamCollection;   // the script's variable table: kept expressions, "@TextDelay", VAR tags
class TKuzoNewHistory;    // the text history: pages message windows have left
class TKuzoReadList;      // the read marks: pages message windows have shown to their end
namespace media {
class MediaSystem;        // the media managers: sound, music, video, CD tracks
}  // namespace media

// The subsystems installed for the components of one scene; null members are not installed.
struct ServiceSlots {
  TDrelCollection* images = nullptr;
  TVrFileManager* files = nullptr;
  TFontPixelManager* glyphs = nullptr;
  media::MediaSystem* media = nullptr;
  const HostState* clock = nullptr;
  ScriptTextSource* texts = nullptr;
  TParamCollection* variables = nullptr;
  TKuzoNewHistory* history = nullptr;
  TKuzoReadList* readMarks = nullptr;
};

class ComponentServices {
 public:
  virtual ~ComponentServices() = default;

  // --- lookup --------------------------------------------------------------------------------------
  // The live component with this name (letter case ignored); null when there is none.
  virtual TKuzoObject* FindComponent(const std::string& name) const = 0;
  // The control a component named `name` would be placed into: a control by name, the empty name
  // for the shown base; null for unknown names and for components that cannot hold children.
  virtual TKuzoControl* FindParent(const std::string& name) const = 0;
  // The component a handle refers to; null once it has been freed.
  virtual TKuzoObject* Resolve(ComponentHandle h) const = 0;
  virtual TKuzoBase* ActiveBase() const = 0;

  // --- invalidation --------------------------------------------------------------------------------
  // Marks a rectangle (scene pixels) of the shown base for repainting in the next drawn frame.
  virtual void InvalidateRect(const TRect& rect) = 0;
  // Marks both bases whole for repainting.
  virtual void InvalidateAll() = 0;

  // --- event queue ---------------------------------------------------------------------------------
  // Queues a script event raised by `sender`; `args` (optional) become the event's arguments.
  virtual void QueueEvent(const TKuzoObject* sender, const std::string& label, const std::vector<std::string>* args,
                          uint8_t code) = 0;
  // Index of a queued, not yet started event of `sender` with this code; -1 when there is none.
  virtual int FindPendingEvent(const TKuzoObject* sender, uint8_t code) const = 0;
  // Drops the queued, not yet started events of `sender` (a timer that is reset).
  virtual void RemoveWaitingEvents(const TKuzoObject* sender) = 0;

  // --- overlays ------------------------------------------------------------------------------------
  // Shows `source` of `picture` stretched onto `screen` on the presented frame, above everything
  // the bases draw (a movie in overlay mode); placing it again moves it. The owner removes it
  // before the picture goes. Both repaint the area the overlay leaves and the one it takes.
  virtual void SetOverlay(const TKuzoObject* owner, const TCustomDIBX* picture, const TRect& source,
                          const TRect& screen) {}
  virtual void RemoveOverlay(const TKuzoObject* owner) {}

  // --- keyboard ------------------------------------------------------------------------------------
  // Whether the key (virtual-key code) repeated in this frame (its first press counts).
  virtual bool KeyRepeated(int key) const { return false; }

  // --- subsystem slots -----------------------------------------------------------------------------
  TDrelCollection* Images() const { return slots_.images; }
  TVrFileManager* Files() const { return slots_.files; }
  TFontPixelManager* Glyphs() const { return slots_.glyphs; }
  media::MediaSystem* Media() const { return slots_.media; }
  const HostState* Clock() const { return slots_.clock; }
  ScriptTextSource* Texts() const { return slots_.texts; }
  TParamCollection* Variables() const { return slots_.variables; }
  TKuzoNewHistory* History() const { return slots_.history; }
  TKuzoReadList* ReadMarks() const { return slots_.readMarks; }
  // Milliseconds of the current frame (0 without a clock).
  int32_t FrameDeltaMs() const { return slots_.clock ? slots_.clock->frameDeltaMs : 0; }
  // Game time in milliseconds (0 without a clock).
  int32_t GameClockMs() const { return slots_.clock ? slots_.clock->gameClockMs : 0; }

  const ServiceSlots& Slots() const { return slots_; }
  void SetSlots(const ServiceSlots& slots) { slots_ = slots; }

 private:
  ServiceSlots slots_;
};

}  // namespace kuzo
