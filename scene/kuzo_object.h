// The root of every component: name, tag, priority, registration with a scene, one typed accessor
// dispatch for the numbered properties, and the virtual operations the scene drives (drawing, hit
// tests, ticks, mouse and key events, saved records). TKuzoComponent is the non-visual base.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/byte_reader.h"
#include "scene/component_kinds.h"
#include "scene/event_queue.h"
#include "scene/mouse_input.h"
#include "scene/property_table.h"
#include "scene/scene_rect.h"

namespace kuzo {

class TKuzoBaseList;
class ComponentServices;
class TKuzoBase;
class TKuzoControl;
class TCustomDIBX;

// Event codes: the id of the event property that raised the event.
enum EventCode : uint8_t {
  EV_NOTIFY = PR_ONNOTIFY, EV_MOUSEMOVE = PR_ONMOUSEMOVE, EV_MOUSEOUT = PR_ONMOUSEOUT,
  EV_LBTNDOWN = PR_ONLBTNDOWN, EV_LBTNUP = PR_ONLBTNUP, EV_RBTNDOWN = PR_ONRBTNDOWN,
  EV_RBTNUP = PR_ONRBTNUP, EV_WHEELDOWN = PR_ONWHEELDOWN, EV_WHEELUP = PR_ONWHEELUP,
  EV_PLAYEND = PR_ONPLAYEND, EV_MOUSEIN = PR_ONMOUSEIN, EV_IDLE = PR_ONIDLE,
  EV_KEYDOWN = PR_ONKEYDOWN, EV_KEYUP = PR_ONKEYUP, EV_KEYREPEAT = PR_ONKEYREPEAT,
  EV_FOCUSIN = PR_ONFOCUSIN, EV_FOCUSOUT = PR_ONFOCUSOUT,
};

// Versions of the saved data that gate parts of the records.
constexpr int32_t kSaveVersionCurrent = 134;


class TKuzoObject {
 public:
  TKuzoObject() = default;
  virtual ~TKuzoObject() = default;
  TKuzoObject(const TKuzoObject&) = delete;
  TKuzoObject& operator=(const TKuzoObject&) = delete;

  // Virtual constructor: stores the owner scene, gives an automatic name and registers the object.
  // A null scene leaves the object unregistered.
  virtual void Create(TKuzoBaseList* scene);

  // The object's registry handle (null while unregistered). Liveness checks go through handles, so
  // a freed object whose address is reused by a new one is never mistaken for it.
  ComponentHandle Handle() const { return handle_; }
  // What a registered component may use of the player (null while unregistered).
  ComponentServices* Services() const;
  const std::string& GetName() const { return name_; }
  bool HasSystemName() const { return !name_.empty() && name_[0] == '\x01'; }
  const std::string& Tag() const { return tag_; }
  int32_t Priority() const { return priority_; }
  int32_t PriorityOffset() const { return priorityOffset_; }
  int32_t PrioritySum() const;

  // SetName with the collision rule of the class (non-visual objects delete a namesake, controls
  // rename it). An empty name is how deletion marks an object, so writing "" deletes it: the
  // object vanishes from the screen and from lookups and is freed at the end of the tick,
  // instead of lingering invisible and unfreeable.
  virtual void SetName(const std::string& name);
  // Stores a name without the collision rules (renaming a namesake, restoring records).
  void SetNameField(const std::string& name) { name_ = name; }
  void SetPriority(int32_t value);
  void SetPriorityOffset(int32_t value);
  // Schedules the object for deletion: clears its name; the scene frees it at the end of its tick.
  void Delete();
  bool IsDeleted() const;

  virtual int32_t KindCode() const { return LT_NONE; }
  virtual bool IsControl() const { return false; }
  virtual bool IsBase() const { return false; }
  virtual bool IsCabinet() const { return false; }

  // The property dispatch: one typed getter and setter pair carries every id of its type. A class
  // answers the ids it implements and passes the rest to its parent class; the root gives the
  // neutral value and ignores writes.
  virtual int32_t GetIntProp(PropId id) const;
  virtual void SetIntProp(PropId id, int32_t v);
  virtual bool GetBoolProp(PropId id) const;
  virtual void SetBoolProp(PropId id, bool v);
  virtual long double GetFloatProp(PropId id) const;
  virtual void SetFloatProp(PropId id, long double v);
  virtual std::string GetStrProp(PropId id) const;
  virtual void SetStrProp(PropId id, const std::string& v);

  // Structure.
  virtual TCustomDIBX* GetDrawSurface() const { return nullptr; }
  virtual int GetChildCount() const { return 0; }
  virtual TKuzoControl* GetChild(int) const { return nullptr; }
  virtual TKuzoBase* GetBase() const { return nullptr; }
  virtual TKuzoControl* Parent() const { return nullptr; }
  virtual bool Contains(const TKuzoObject*) const { return false; }
  virtual bool IsInCabinet() const { return false; }
  virtual bool IsBusy() const { return false; }
  virtual bool IsPaused() const { return GetBoolProp(PR_PAUSED); }
  virtual bool IsShown() const { return false; }
  // Per-item flags of list-like components: check marks (menus), enabled and shown buttons (preview
  // menus). Components without items answer false and ignore writes.
  virtual bool GetItemFlag(int32_t) const { return false; }
  virtual void SetItemFlag(int32_t, bool) {}
  virtual bool GetItemEnabled(int32_t) const { return false; }
  virtual void SetItemEnabled(int32_t, bool) {}
  virtual bool GetItemShown(int32_t) const { return false; }
  virtual void SetItemShown(int32_t, bool) {}
  // Index of the item line equal to `line` without regard to case; -1 without such a line.
  virtual int32_t IndexOfItemLine(const std::string&) const { return -1; }

  // Geometry.
  virtual TRect GetScreenRect() const { return TRect{}; }
  virtual int32_t GetAbsLeft() const { return 0; }
  virtual int32_t GetAbsTop() const { return 0; }
  virtual int32_t GetLocalLeft() const { return 0; }
  virtual int32_t GetLocalTop() const { return 0; }
  virtual ScenePoint GetAnchorPosition() const { return ScenePoint{}; }
  virtual ScenePoint ClientToScreen(ScenePoint p) const { return p; }
  virtual ScenePoint ScreenToClient(ScenePoint p) const { return p; }
  // Clips `rect` to the object's screen rectangle; false when nothing is left.
  virtual bool IntersectVisible(TRect& rect) const;
  virtual void PropagateInvalidRect(TRect&) const {}

  // Appearance and updates.
  virtual void Invalidate() {}
  virtual void Draw() {}
  virtual TKuzoControl* HitTest(ScenePoint, MouseModeSet) { return nullptr; }
  // Per-tick update; true asks the scene to destroy the object now.
  virtual bool Tick() { return false; }
  virtual void PositionChanged() {}

  // Mouse and keyboard events, raised as queued script events.
  virtual void LeftDown();
  virtual void LeftUp();
  virtual void RightDown();
  virtual void RightUp();
  virtual void MouseMove();
  virtual void MouseOut(TKuzoControl* next);
  virtual void MouseIn();
  virtual void HeldTick() {}
  // After a load: the pointer is over this restored control again, holding the buttons of
  // `capture` (kCaptureLeft, kCaptureRight) pressed on it. No events; the control only takes up
  // the look and the press it had before the load.
  virtual void PointerRestored(uint8_t capture) {}
  virtual void KeyDown() {}
  virtual void KeyUp() {}
  virtual void KeyRepeat() {}
  virtual TKuzoControl* FindFocusCandidate() { return nullptr; }
  virtual void FocusNativeControl() {}
  virtual std::string GetCursorName() const { return GetStrProp(PR_CURSOR); }
  virtual bool AcceptRightClickClose() { return false; }

  // Operations some classes give meaning to.
  virtual void AppendText(const std::string& s);
  virtual int32_t GetPlayState() const { return 2; }
  virtual void SetPlayState(int32_t) {}
  virtual void Play() {}
  virtual bool WantsAutoName() const { return true; }
  virtual void SuspendMedia() {}
  virtual void ResumeMedia() {}
  virtual void ReleaseSurfaces() {}
  virtual void RestoreSurfaces() {}

  // The saved state record; `version` is the data version of the save stream.
  virtual void SaveToStream(ByteWriter& out) const;
  virtual void LoadFromStream(ByteReader& in, int32_t version);
  // Called on every component once a saved game has been restored completely (the whole scene and
  // the interpreter), for state that must be rebuilt from other parts of the save.
  virtual void AfterLoad() {}

 protected:
  // Queues an event with this object as sender (client x/y as arguments when `withPoint`).
  void RaiseEvent(const std::string& label, uint8_t code, bool withPoint);
  bool EventPending(uint8_t code) const;
  // Client coordinates of the mouse on this object's base, as the event arguments carry them.
  std::vector<std::string> ClientPointArgs() const;
  int32_t MouseMode() const { return GetIntProp(PR_IGNOREMOUSE); }

 private:
  // The scene's own classes reach the whole scene; every other component goes through Services().
  friend class TKuzoBaseList;
  friend class TKuzoControl;
  friend class TKuzoBase;
  TKuzoBaseList* scene_ = nullptr;
  ComponentHandle handle_;
  std::string name_;
  std::string tag_;
  int32_t priority_ = 0;
  int32_t priorityOffset_ = 0;
};

// Non-visual components (and the base of the visual ones). When the scene frees a component it
// drops the events the component raised that have not started running.
class TKuzoComponent : public TKuzoObject {};

}  // namespace kuzo
