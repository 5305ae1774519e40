// The seam between the scene and screen transitions. A base switch hands the transition's kind,
// flag and duration to the installed SceneTransition; while it runs both bases draw into their own
// surfaces, the scene advances it every tick and lets it compose each drawn frame. With nothing
// installed, or for kind 0, a switch shows the new base at once.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kuzo {

class TKuzoBase;
class TCustomDIBX;

// What a base switch asks for.
struct TransitionRequest {
  int32_t kind = 0;        // transition kind; 0 switches at once
  bool flag = false;       // the kind's own option (the flip command's flag)
  int32_t durationMs = 0;  // total time of the transition
  // The flip command's parameters 0 and 1 and its text parameter (the rule image's file name); an
  // absent value leaves the kind's default.
  std::optional<int32_t> param0;
  std::optional<int32_t> param1;
  std::optional<std::string> text;
};

class SceneTransition {
 public:
  virtual ~SceneTransition() = default;
  // Starts showing `to` in place of `from`. False when the request is not played (unknown kind,
  // no time): the switch is then instant.
  virtual bool Begin(const TransitionRequest& request, TKuzoBase& from, TKuzoBase& to) = 0;
  // Advances the running transition by `elapsedMs`; false once it has reached its end.
  virtual bool Advance(int32_t elapsedMs) = 0;
  // Composes the transition's current picture of both bases into `target` (the scene surface).
  virtual void Draw(TCustomDIBX& target) = 0;
  // Stops a running transition at once (the flip was aborted, the scene reset or lost its surfaces).
  virtual void End() = 0;
};

}  // namespace kuzo
