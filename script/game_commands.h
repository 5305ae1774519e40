// Game-level commands: save and load requests, resets of the whole game or of the main flow,
// terminating the player, and clearing the text history and read marks.
#pragma once

#include "script/command.h"
#include "script/command_codes.h"

namespace kuzo {

class TComGameSave : public TCommand {
 public:
  explicit TComGameSave(TPage* page) : TCommand(page, Code(CommandCode::GameSave)) {}
  bool RunsOn() const override { return false; }
  void Execute(TCallMan& cm) override;
};

class TComGameLoad : public TCommand {
 public:
  explicit TComGameLoad(TPage* page) : TCommand(page, Code(CommandCode::GameLoad)) {}
  bool RunsOn() const override { return false; }
  void Execute(TCallMan& cm) override;
};

// Redirects the main flow (full flag clear) or restarts the script at a page (full flag set).
class TComPCReset : public TCommand {
 public:
  explicit TComPCReset(TPage* page, uint8_t code = Code(CommandCode::PCReset)) : TCommand(page, code) {}
  void Execute(TCallMan& cm) override;

 protected:
  void FullReset(TCallMan& cm);
  void Redirect(TCallMan& cm);
};

// Clears the scene, the variables, the tables and the history, then restarts at a page.
class TComReset : public TComPCReset {
 public:
  explicit TComReset(TPage* page) : TComPCReset(page, Code(CommandCode::Reset)) {}
  void Execute(TCallMan& cm) override;
};

class TComTerminate : public TCommand {
 public:
  explicit TComTerminate(TPage* page) : TCommand(page, Code(CommandCode::Terminate)) {}
  void Execute(TCallMan& cm) override;
};

class TComClrHist : public TCommand {
 public:
  explicit TComClrHist(TPage* page) : TCommand(page, Code(CommandCode::ClrHist)) {}
  void Execute(TCallMan& cm) override;
};

class TComClrRead : public TCommand {
 public:
  explicit TComClrRead(TPage* page) : TCommand(page, Code(CommandCode::ClrRead)) {}
  void Execute(TCallMan& cm) override;
};

}  // namespace kuzo
