// Commands whose work is done on the scene: component creation (the property-expression records),
// property get and set, removal, flips, text, media, menus, motions, history views and cabinets.
// The interpreter owns their records; the scene's ComponentCommandHost gives them their effect.
// Without a host they only advance.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "script/command.h"

namespace kuzo {

class ComponentCommandHost;

// Running state a component host keeps per command (flip progress, the window a text waits on).
struct SceneCommandState {
  virtual ~SceneCommandState() = default;
};

class TComSceneCommand : public TCommand {
 public:
  TComSceneCommand(TPage* page, uint8_t code) : TCommand(page, code) {}

  void Load(ByteReader& r, uint32_t version) override;
  void Write(ByteWriter& w, uint32_t version) const override;

  void Begin(TCallMan& cm) override;
  void Execute(TCallMan& cm) override;
  void Abort(TCallMan& cm) override;
  void SaveState(ByteWriter& w) const override;
  void LoadState(ByteReader& r) override;
  bool IsEventPoint() const override;
  bool BlocksEvents() const override;

  // The record's property expressions in ascending id order (component-creating types only).
  std::vector<std::pair<uint8_t, Expr>> props;
  // Set by the component host for its own use.
  std::unique_ptr<SceneCommandState> state;

  // The record's expression for a property id, nullptr when the record has none.
  Expr* PropExpr(int id);
  using TCommand::ExprField;
  Expr& ExprField(size_t i) { return fields[i].expr; }

 private:
  ComponentCommandHost* Host() const;
};

}  // namespace kuzo
