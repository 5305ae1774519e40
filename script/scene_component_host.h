// The scene side of the component commands: creating components from property expressions,
// reading and writing properties, removal, flips between the two bases (their transitions played
// by the scene's transition seam), cabinets, menu close, media play and movie stop, and the text commands on message windows. Installed as the interpreter's ComponentCommandHost.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "script/scene_commands.h"
#include "script/script_services.h"

namespace kuzo {

class TKuzoBaseList;
class TKuzoObject;
class TKuzoControl;
class TKuzoMes;

class SceneComponentHost : public ComponentCommandHost {
 public:
  explicit SceneComponentHost(TKuzoBaseList& scene) : scene_(scene) {}

  void Begin(TComSceneCommand& cmd, TCallMan& cm) override;
  void Execute(TComSceneCommand& cmd, TCallMan& cm) override;
  void Abort(TComSceneCommand& cmd, TCallMan& cm) override;
  void SaveState(const TComSceneCommand& cmd, ByteWriter& w) override;
  void LoadState(TComSceneCommand& cmd, ByteReader& r) override;
  bool IsEventPoint(const TComSceneCommand& cmd) const override;
  bool BlocksEvents(const TComSceneCommand& cmd) const override;
  std::string FullNameOf(ComponentHandle h) override;
  ComponentHandle FindComponent(const std::string& fullName) override;
  void ClearScene() override;

  // The component kind a creating command makes (LT_NONE for other commands).
  static int32_t KindOfCommand(uint8_t code);

 private:
  TKuzoObject* CreateComponent(TComSceneCommand& cmd, TCallMan& cm, int32_t kind);
  void GetProp(TComSceneCommand& cmd, TCallMan& cm);
  void SetProp(TComSceneCommand& cmd, TCallMan& cm);
  void Cabinet(TComSceneCommand& cmd, TCallMan& cm, bool save);
  void FlipExecute(TComSceneCommand& cmd, TCallMan& cm);
  // Switches the shown base, handing the flip's transition to the scene.
  void FlipSwitch(TComSceneCommand& cmd);
  // Ends the flip: a running transition stopped (or the switch made at once when it has not been),
  // the old base cleared if asked.
  void FlipFinish(TComSceneCommand& cmd);

  // The text commands: inserting a command's glyph list into a message window and waiting while
  // the window holds pages.
  TKuzoMes* MessageWindow(const std::string& name) const;
  void EntryHistory(TComSceneCommand& cmd, TCallMan& cm);
  void CallHistory(TComSceneCommand& cmd, TCallMan& cm);
  void TextInsBegin(TComSceneCommand& cmd, TCallMan& cm);
  void TextInsExecute(TComSceneCommand& cmd, TCallMan& cm);

  // The movie-stop command: a fade-out (or an immediate stop) of a sound or movie, optionally
  // waiting while the fading component exists.
  void MovieStopBegin(TComSceneCommand& cmd, TCallMan& cm);
  void MovieStopExecute(TComSceneCommand& cmd, TCallMan& cm);
  void MovieStopSaveState(const TComSceneCommand& cmd, ByteWriter& w);
  void MovieStopLoadState(TComSceneCommand& cmd, ByteReader& r);
  bool MovieStopWaits(const TComSceneCommand& cmd) const;
  bool MovieStopBlocks(const TComSceneCommand& cmd) const;

  TKuzoBaseList& scene_;
};

}  // namespace kuzo
