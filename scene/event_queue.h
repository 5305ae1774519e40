// The scene's queue of script events (clicks, timers, play ends, ...). The scene appends entries;
// the interpreter takes the first waiting one between commands and runs its label as a handler.
// Senders are held by generation-counted handles, so a freed component is never mistaken for a
// new one that happens to reuse its address.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kuzo {

// Names one registered component. `slot` is the registry slot, `generation` counts the slot's
// reuses; the null handle (generation 0) is "no component".
struct ComponentHandle {
  uint32_t slot = 0;
  uint32_t generation = 0;

  bool IsNull() const { return generation == 0; }
  friend bool operator==(const ComponentHandle&, const ComponentHandle&) = default;
};

// Hands out handles and tells whether one is still alive. A slot freed and reused gets a new
// generation, so stale handles stay dead.
class HandleTable {
 public:
  ComponentHandle Allocate();
  void Release(ComponentHandle h);
  bool IsAlive(ComponentHandle h) const;
  size_t LiveCount() const { return live_; }

 private:
  std::vector<uint32_t> generations_;  // current generation per slot; odd = in use
  std::vector<uint32_t> freeSlots_;
  size_t live_ = 0;
};

// One queued event (`TTimerData`).
struct TTimerData {
  std::string label;              // "file.kss:label": where the handler starts
  ComponentHandle sender;         // component that raised it, or null
  uint8_t code = 0;               // event code: the property id of the event property
  int32_t level = 0;              // 0 while waiting, else the nesting level it runs at
  std::vector<std::string> args;  // handler arguments
};

// The event queue (`TTimerList`), in queue order.
class TTimerList {
 public:
  // Appends a waiting event (level 0) with a copy of the arguments.
  TTimerData& QueueEvent(ComponentHandle sender, std::string label, const std::vector<std::string>* args,
                         uint8_t code);
  // Position of the first event (any level) with that sender and code, or -1.
  int FindPendingEvent(ComponentHandle sender, uint8_t code) const;
  // The first event whose level is 0, or nullptr.
  TTimerData* FirstWaitingEvent();
  void RemoveEventsOfLevel(int32_t level);
  // Removes every event that runs (level other than 0).
  void RemoveRunningEvents();
  // Removes the waiting events of one sender (a component being freed, a timer being reset).
  void RemoveWaitingEventsOf(ComponentHandle sender);
  // Removes one entry (found by address).
  void Remove(const TTimerData* e);
  void Clear() { events_.clear(); }

  int Count() const { return static_cast<int>(events_.size()); }
  TTimerData& At(int index) { return *events_.at(static_cast<size_t>(index)); }
  const TTimerData& At(int index) const { return *events_.at(static_cast<size_t>(index)); }

 private:
  // Entries are held by pointer so a reference taken by the interpreter survives appends.
  std::vector<std::unique_ptr<TTimerData>> events_;
};

}  // namespace kuzo
