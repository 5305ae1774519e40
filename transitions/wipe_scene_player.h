// The scene's transition player: a base switch with a transition kind starts the catalogue's
// transition of that kind, the scene advances it by each tick's milliseconds, and every drawn frame
// is composed from the outgoing picture (the screen as it was when the switch happened) and the
// incoming base's own surface. Rule images come from the services' loader when it has one, else
// from the game data installed in the scene's file slot.
#pragma once

#include <memory>
#include <optional>

#include "graphics/dibx.h"
#include "scene/scene_transition.h"
#include "transitions/custom_wipe.h"
#include "transitions/rule_images.h"

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
  // The services a new transition gets: rule images from the scene's game data when none were
  // given, and the zoom's point at the centre of the screen unless one was given.
  WipeServices ServicesFor(const TCustomDIBX& target);

  WipeServices services_;
  std::optional<RuleImageLoader> rules_;  // made at the first transition that needs game data
  TransitionRequest request_;
  TKuzoBase* to_ = nullptr;
  TDIBX outgoing_;  // the screen when the switch happened
  std::unique_ptr<TCustomWipe> wipe_;
  int32_t elapsed_ = 0;
  bool running_ = false;
};

}  // namespace kuzo
