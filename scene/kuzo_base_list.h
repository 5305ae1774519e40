// TKuzoBaseList: the scene. It owns every component, the two bases, the event queue and the input
// routing (SceneInput); it finds components by name, ticks and destroys them, switches the shown
// base (through the transition seam), redraws the dirty rectangles and saves and restores the
// whole population.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/host_state.h"
#include "scene/component_services.h"
#include "scene/event_queue.h"
#include "scene/kuzo_base.h"
#include "scene/kuzo_motion.h"
#include "scene/scene_input.h"
#include "scene/scene_transition.h"
#include "scene/screen_overlays.h"

namespace kuzo {

// Makes a new, unregistered component of one kind.
using ComponentCreator = std::function<std::unique_ptr<TKuzoObject>()>;

class TKuzoBaseList : public TKuzoComponent, public ComponentServices {
 public:
  // `host` supplies the frame time (the clock slot of the services); a scene without one advances
  // by 0 ms per tick.
  explicit TKuzoBaseList(const HostState* host = nullptr, int32_t width = 640, int32_t height = 480);
  ~TKuzoBaseList() override;

  // --- set-up -------------------------------------------------------------------------------------
  void RegisterKind(int32_t code, ComponentCreator creator);
  // Registers component class T under its kind code T::kKindCode.
  template <typename T>
  void RegisterKind() {
    RegisterKind(T::kKindCode, [] { return std::make_unique<T>(); });
  }
  void SetFilmLoader(FilmLoader loader) { filmLoader_ = std::move(loader); }
  const FilmLoader& GetFilmLoader() const { return filmLoader_; }
  void SetCursorLoader(CursorLoader loader) { input_.SetCursorLoader(std::move(loader)); }
  // The default cursor name (the @Cursor variable) read when a control has none.
  void SetDefaultCursorSource(std::function<std::string()> source) { input_.SetDefaultCursorSource(std::move(source)); }
  // Presents into an outside surface (the screen's back buffer) instead of an own one; null returns
  // to the own surface.
  void SetExternalSceneSurface(TCustomDIBX* surface);

  // --- size and bases -----------------------------------------------------------------------------
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  void SetSize(int32_t width, int32_t height);
  TCustomDIBX* SceneSurface() const;
  TKuzoBase* GetBaseAt(int i) const { return bases_[i & 1].get(); }
  TKuzoBase* ActiveBase() const override { return bases_[activeIndex_].get(); }
  TKuzoBase* InactiveBase() const { return bases_[activeIndex_ ^ 1].get(); }
  int ActiveIndex() const { return activeIndex_; }
  bool TransitionRunning() const { return transitionRunning_; }
  // Installs the transition player base switches hand their transitions to (not owned; null for
  // none: every switch is instant).
  void SetTransition(SceneTransition* transition) { transition_ = transition; }
  SceneTransition* Transition() const { return transition_; }
  // Switches the shown base. A request of a kind other than 0 goes to the installed transition,
  // which then runs over the following ticks; otherwise the new base is shown at once. On a change
  // (or when forced) both bases are marked dirty and the focus leaves a control of the old base.
  void SetActiveBase(int index, const TransitionRequest& transition = {}, bool force = false);
  // Stops a running transition; the new base is shown whole from the next drawn frame.
  void EndTransition();
  // Holds the last switch as unfinished (a flip waiting on its transition): until it is released,
  // by the next switch, a reset or a load, the saved record names the base shown before it, so a
  // game saved meanwhile restores the screen as it was before the flip, and the restored flip
  // switches again.
  void HoldSwitch() { heldFromIndex_ = activeIndex_ ^ 1; }
  void ReleaseSwitch() { heldFromIndex_ = -1; }

  // --- registry -----------------------------------------------------------------------------------
  // Creates, names and registers a component of class T (the way commands create components).
  template <typename T>
  T* CreateObject() {
    auto obj = std::make_unique<T>();
    T* raw = obj.get();
    Adopt(std::move(obj));
    return raw;
  }
  // Creates a component from a kind code byte (masked with 0x7F); null for unknown codes.
  TKuzoObject* CreateByKind(int32_t code);
  void RegisterObject(TKuzoObject* obj);
  // Removes the object from the registry and hands back its ownership.
  std::unique_ptr<TKuzoObject> UnregisterObject(TKuzoObject* obj);
  void ScheduleDeletion(TKuzoObject* obj);
  bool IsScheduledForDeletion(const TKuzoObject* obj) const;
  // Immediate destruction: out of the parent, out of the registry, freed (children first).
  void DestroyObject(TKuzoObject* obj);
  int GetObjectCount() const { return static_cast<int>(registry_.size()); }
  TKuzoObject* GetObject(int i) const;
  int IndexOf(const TKuzoObject* obj) const;
  int IndexOfName(const std::string& name) const;
  bool IsAlive(ComponentHandle h) const { return handles_.IsAlive(h); }
  TKuzoObject* Resolve(ComponentHandle h) const override;
  TKuzoObject* FindComponent(const std::string& name) const override;
  TKuzoControl* FindParent(const std::string& name) const override;
  std::string MakeUniqueName(const std::string& prefix) const;
  int ListComponentNames(std::vector<std::string>& list, int32_t kind, const TKuzoObject* parent) const;

  // --- events -------------------------------------------------------------------------------------
  TTimerList& Events() { return events_; }
  const TTimerList& Events() const { return events_; }
  void QueueEvent(const TKuzoObject* sender, const std::string& label, const std::vector<std::string>* args,
                  uint8_t code) override;
  int FindPendingEvent(const TKuzoObject* sender, uint8_t code) const override;
  void RemoveWaitingEvents(const TKuzoObject* sender) override;

  // --- invalidation -------------------------------------------------------------------------------
  void InvalidateRect(const TRect& rect) override;
  void InvalidateAll() override;
  void SetOverlay(const TKuzoObject* owner, const TCustomDIBX* picture, const TRect& source,
                  const TRect& screen) override;
  void RemoveOverlay(const TKuzoObject* owner) override;
  const ScreenOverlays& Overlays() const { return overlays_; }

  // --- input (routed by SceneInput) ---------------------------------------------------------------
  SceneInput& Input() { return input_; }
  const SceneInput& Input() const { return input_; }
  void UpdateMousePosition(int32_t x, int32_t y) { input_.UpdateMousePosition(x, y); }
  void MouseDown(MouseButton button) { input_.MouseDown(button); }
  void MouseUp(MouseButton button) { input_.MouseUp(button); }
  void Wheel(bool down) { input_.Wheel(down); }
  void SetKeyState(int key, bool down) { input_.SetKeyState(key, down); }
  void SetKeyPressed(int key) { input_.SetKeyPressed(key); }
  void ClearKeyState() { input_.ClearKeyState(); }
  bool IsKeyDown(int k) const { return input_.IsKeyDown(k); }
  bool WasKeyPressed(int k) const { return input_.WasKeyPressed(k); }
  bool WasKeyRepeated(int k) const { return input_.WasKeyRepeated(k); }
  bool KeyRepeated(int k) const override { return WasKeyRepeated(k); }
  bool LeftClick() const { return ActiveBase()->leftClick; }
  bool RightClick() const { return ActiveBase()->rightClick; }
  bool LeftHeldFree() const { return ActiveBase()->leftHeld && !(ActiveBase()->capture & kCaptureLeft); }
  bool RightHeldFree() const { return ActiveBase()->rightHeld && !(ActiveBase()->capture & kCaptureRight); }
  bool WheelDown() const { return ActiveBase()->wheelDown; }
  bool WheelUp() const { return ActiveBase()->wheelUp; }
  int32_t MouseX() const { return ActiveBase()->MouseX(); }
  int32_t MouseY() const { return ActiveBase()->MouseY(); }

  // --- focus and switches -------------------------------------------------------------------------
  TKuzoControl* GetFocus() const { return input_.GetFocus(); }
  void SetFocus(TKuzoControl* c) { input_.SetFocus(c); }
  // Clears the focus without events and asks for a new search.
  void DropFocus() { input_.DropFocus(); }
  void RequestFocusSearch() { input_.RequestFocusSearch(); }
  bool FocusSearchRequested() const { return input_.FocusSearchRequested(); }
  bool SoundOn() const { return soundOn_; }
  void SetSoundOn(bool b) { soundOn_ = b; }
  bool CGDither() const { return cgDither_; }
  void SetCGDither(bool b);
  int32_t DisplayScale() const { return displayScale_; }
  void SetDisplayScale(int32_t percent) { displayScale_ = percent; }
  // Right-click-close candidates (menus and map images) in creation order.
  void AddRightClickClose(TKuzoObject* obj) { input_.AddRightClickClose(obj); }

  // --- frame --------------------------------------------------------------------------------------
  void ProcessInput() { input_.ProcessInput(); }
  bool Tick() override;
  void Draw() override;
  // After presenting: clears both dirty lists.
  void ClearDirty();
  void Reset();
  void ReleaseSurfaces() override;
  void RestoreSurfaces() override;

  // --- saved record -------------------------------------------------------------------------------
  void SaveToStream(ByteWriter& out) const override;
  // Restores a saved scene. On bad data it raises FormatError and leaves an empty, usable scene.
  void LoadFromStream(ByteReader& in, int32_t version) override;

  // Depth of nested child records accepted from saved data.
  static constexpr int kMaxRecordDepth = 64;
  int& RecordDepth() { return recordDepth_; }

 private:
  void Adopt(std::unique_ptr<TKuzoObject> obj);
  void CreateBases();
  void FreeObjectTree(TKuzoObject* obj);
  void LoadBody(ByteReader& in, int32_t version);
  // What the pointer is doing over one base; the mouse and its buttons are not part of the game,
  // so a load leaves them as they are.
  struct PointerState {
    bool leftHeld = false, rightHeld = false;
    uint8_t capture = 0;
    std::string hoverName;
    std::string cursor;
  };
  // After a load: the pointer's buttons, hover and capture over each base as they were before it.
  void RestorePointer(const PointerState (&pointer)[2]);

  int32_t width_ = 0, height_ = 0;
  std::array<std::unique_ptr<TKuzoBase>, 2> bases_;
  int activeIndex_ = 0;
  int heldFromIndex_ = -1;  // the base shown before a held switch; -1 none
  bool transitionRunning_ = false;
  SceneTransition* transition_ = nullptr;
  std::unique_ptr<TDIBX> ownSceneSurface_;
  TCustomDIBX* externalSceneSurface_ = nullptr;
  // Before the registry: components remove their overlays while the registry frees them.
  ScreenOverlays overlays_;
  std::vector<std::unique_ptr<TKuzoObject>> registry_;
  std::vector<TKuzoObject*> bySlot_;
  HandleTable handles_;
  std::vector<ComponentHandle> pendingDeletions_;
  TTimerList events_;
  std::unordered_map<int32_t, ComponentCreator> creators_;
  FilmLoader filmLoader_;
  int32_t displayScale_ = 100;
  bool soundOn_ = true;
  bool cgDither_ = false;
  SceneInput input_{*this};
  int recordDepth_ = 0;
};

}  // namespace kuzo
