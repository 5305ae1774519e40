// Event queue and component handles of the scene.
#include "scene/event_queue.h"

#include <algorithm>

namespace kuzo {

ComponentHandle HandleTable::Allocate() {
  uint32_t slot;
  if (!freeSlots_.empty()) {
    slot = freeSlots_.back();
    freeSlots_.pop_back();
  } else {
    slot = static_cast<uint32_t>(generations_.size());
    generations_.push_back(0);
  }
  uint32_t& gen = generations_[slot];
  ++gen;              // now odd: in use
  if (gen == 0) gen = 1;  // wrapped: generation 0 is reserved for the null handle
  ++live_;
  return ComponentHandle{slot, gen};
}

void HandleTable::Release(ComponentHandle h) {
  if (!IsAlive(h)) return;
  ++generations_[h.slot];  // even: free; every handle of the old generation is now stale
  freeSlots_.push_back(h.slot);
  --live_;
}

bool HandleTable::IsAlive(ComponentHandle h) const {
  return !h.IsNull() && h.slot < generations_.size() && generations_[h.slot] == h.generation &&
         (h.generation & 1u) != 0;
}

TTimerData& TTimerList::QueueEvent(ComponentHandle sender, std::string label,
                                   const std::vector<std::string>* args, uint8_t code) {
  auto e = std::make_unique<TTimerData>();
  e->label = std::move(label);
  e->sender = sender;
  e->code = code;
  if (args) e->args = *args;
  events_.push_back(std::move(e));
  return *events_.back();
}

int TTimerList::FindPendingEvent(ComponentHandle sender, uint8_t code) const {
  for (size_t i = 0; i < events_.size(); ++i)
    if (events_[i]->sender == sender && events_[i]->code == code) return static_cast<int>(i);
  return -1;
}

TTimerData* TTimerList::FirstWaitingEvent() {
  for (auto& e : events_)
    if (e->level == 0) return e.get();
  return nullptr;
}

void TTimerList::RemoveEventsOfLevel(int32_t level) {
  std::erase_if(events_, [level](const auto& e) { return e->level == level; });
}

void TTimerList::RemoveRunningEvents() {
  std::erase_if(events_, [](const auto& e) { return e->level != 0; });
}

void TTimerList::RemoveWaitingEventsOf(ComponentHandle sender) {
  std::erase_if(events_, [sender](const auto& e) { return e->level == 0 && e->sender == sender; });
}

void TTimerList::Remove(const TTimerData* e) {
  std::erase_if(events_, [e](const auto& x) { return x.get() == e; });
}

}  // namespace kuzo
