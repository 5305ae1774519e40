// The scene's transition player: a base switch with a transition kind starts the catalogue's
// transition of that kind, the scene advances it by each tick's milliseconds, and every drawn frame
// is composed from the outgoing picture (the screen as it was when the switch happened) and the
// incoming base's own surface.
#pragma once

#include <memory>

#include "graphics/dibx.h"
#include "scene/scene_transition.h"
#include "transitions/custom_wipe.h"

namespace kuzo {

class WipeScenePlayer : public SceneTransition {
 public:
  explicit WipeScenePlayer(WipeServices services) : services_(std::move(services)) {}

  bool Begin(const TransitionRequest& request, TKuzoBase& from, TKuzoBase& to) override;
  bool Advance(int32_t elapsedMs) override;
  void Draw(TCustomDIBX& target) override;
  void End() override;

  bool Running() const { return running_; }
  int32_t ElapsedMs() const { return elapsed_; }
  // The running transition (null before its first drawn frame and when none runs).
  TCustomWipe* Current() const { return wipe_.get(); }

 private:
  WipeServices services_;
  TransitionRequest request_;
  TKuzoBase* to_ = nullptr;
  TDIBX outgoing_;  // the screen when the switch happened
  std::unique_ptr<TCustomWipe> wipe_;
  int32_t elapsed_ = 0;
  bool running_ = false;
};

}  // namespace kuzo
