// The movie-stop command on sounds and movies: stop at once, or fade out and optionally wait while
// the fading component is still in the scene.
#include "core/byte_reader.h"
#include "scene/kuzo_base_list.h"
#include "script/call_man.h"
#include "script/command_codes.h"
#include "script/scene_component_host.h"
#include "vars/param_collection.h"

namespace kuzo {

namespace {

using field::kMovieStopBlock;
using field::kMovieStopFade;
using field::kMovieStopTarget;
using field::kMovieStopWait;

// Play states of sounds and movies the command reads and sets.
constexpr int32_t kPlaying = 0;
constexpr int32_t kFadingIn = 1;
constexpr int32_t kStopped = 2;
constexpr int32_t kFadingOut = 3;

struct MovieStopState : SceneCommandState {
  ComponentHandle target;
  bool waiting = false;
  bool blocks = false;
};

MovieStopState& StateOf(TComSceneCommand& cmd) {
  if (!dynamic_cast<MovieStopState*>(cmd.state.get())) cmd.state = std::make_unique<MovieStopState>();
  return static_cast<MovieStopState&>(*cmd.state);
}

const MovieStopState* StateOf(const TComSceneCommand& cmd) { return dynamic_cast<const MovieStopState*>(cmd.state.get()); }

}  // namespace

void SceneComponentHost::MovieStopBegin(TComSceneCommand& cmd, TCallMan& cm) {
  TParamCollection& vars = cm.Vars();
  MovieStopState& st = StateOf(cmd);
  st = MovieStopState{};
  st.blocks = cmd.ExprField(kMovieStopBlock).EvalFlag(vars).value_or(false);
  const std::string name = cmd.ExprField(kMovieStopTarget).EvalText(vars).value_or("");
  TKuzoObject* target = name.empty() ? nullptr : scene_.FindComponent(name);
  if (!target) return;
  const int32_t fade = cmd.ExprField(kMovieStopFade).EvalInt(vars).value_or(0);
  if (fade > 0) {
    const std::string source = target->GetStrProp(PR_SOURCE);
    ScriptFiles* files = cm.Services().files;
    const bool present = source.compare(0, 3, "CD_") == 0 || !files || files->Exists(source);
    const int32_t state = target->GetPlayState();
    if (present && (state == kPlaying || state == kFadingIn)) {
      target->SetIntProp(PR_DELAY, fade);
      target->SetPlayState(kFadingOut);
      st.target = target->Handle();
    }
  } else {
    // Stopping removes the component at once; nothing is left to wait for.
    const ComponentHandle h = target->Handle();
    target->SetPlayState(kStopped);
    if (TKuzoObject* still = scene_.Resolve(h)) still->Delete();
  }
  st.waiting = cmd.ExprField(kMovieStopWait).EvalFlag(vars).value_or(false);
}

void SceneComponentHost::MovieStopExecute(TComSceneCommand& cmd, TCallMan& cm) {
  MovieStopState& st = StateOf(cmd);
  TKuzoObject* target = st.target.IsNull() ? nullptr : scene_.Resolve(st.target);
  if (target && !target->IsDeleted() && st.waiting)
    cm.run = false;  // the fade goes on: the tick ends here
  else
    cm.pc += 1;
}

void SceneComponentHost::MovieStopSaveState(const TComSceneCommand& cmd, ByteWriter& w) {
  const MovieStopState* st = StateOf(cmd);
  TKuzoObject* target = st && !st->target.IsNull() ? scene_.Resolve(st->target) : nullptr;
  WriteStateSignature(w);
  w.String(target ? target->GetName() : std::string());
  w.Bool(st && st->waiting);
  w.Bool(st && st->blocks);
}

void SceneComponentHost::MovieStopLoadState(TComSceneCommand& cmd, ByteReader& r) {
  const int version = ReadStateVersion(r);
  MovieStopState& st = StateOf(cmd);
  st = MovieStopState{};
  const std::string name = r.String("movie stop target");
  st.waiting = r.Bool("movie stop waiting");
  if (version > 99) st.blocks = r.Bool("movie stop blocks events");
  if (TKuzoObject* target = name.empty() ? nullptr : scene_.FindComponent(name)) st.target = target->Handle();
}

bool SceneComponentHost::MovieStopWaits(const TComSceneCommand& cmd) const {
  const MovieStopState* st = StateOf(cmd);
  return st && st->waiting;
}

bool SceneComponentHost::MovieStopBlocks(const TComSceneCommand& cmd) const {
  const MovieStopState* st = StateOf(cmd);
  return st && st->blocks;
}

}  // namespace kuzo
