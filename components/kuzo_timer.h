// TKuzoTimer: queues its notify event every `PR_DELAY` milliseconds of game time (every tick for 0,
// never for a negative interval), one event at a time; with auto scrap it removes itself once its
// first event has been handled.
#pragma once

#include <string>

#include "scene/kuzo_object.h"

namespace kuzo {

class TKuzoTimer : public TKuzoComponent {
 public:
  static constexpr int32_t kKindCode = LT_TIMER;
  int32_t KindCode() const override { return kKindCode; }
  void Create(TKuzoBaseList* scene) override;

  int32_t GetIntProp(PropId id) const override;
  void SetIntProp(PropId id, int32_t v) override;
  bool GetBoolProp(PropId id) const override;
  void SetBoolProp(PropId id, bool v) override;
  std::string GetStrProp(PropId id) const override;
  void SetStrProp(PropId id, const std::string& v) override;

  bool Tick() override;

  void SaveToStream(ByteWriter& out) const override;
  void LoadFromStream(ByteReader& in, int32_t version) override;

  bool Fired() const { return fired_; }

 private:
  int32_t Now() const;
  // Drops the timer's waiting events and starts a new interval now.
  void Reset();

  std::string notifyLabel_;
  int32_t interval_ = 0;
  bool paused_ = false;
  bool autoScrap_ = false;
  bool fired_ = false;
  int32_t lastTime_ = 0;
};

}  // namespace kuzo
