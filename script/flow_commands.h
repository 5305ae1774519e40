// Control-flow commands: conditions, labels and comments, jumps and calls, page exits, waits,
// loops with break and continue, and the event point that lets pending handlers run.
#pragma once

#include "script/command.h"
#include "script/command_codes.h"

namespace kuzo {

class TParamCollection;

// True only when the expression yields a value that reads as true.
bool IsTrue(Expr& e, TParamCollection& vars);

class TComIf : public TCommand {
 public:
  explicit TComIf(TPage* page, uint8_t code = Code(CommandCode::If)) : TCommand(page, code) {}
  void Execute(TCallMan& cm) override;
  Expr& Condition() { return ExprField(field::kOnly); }
};

// Reached by running through (the previous branch was taken): steps over its block.
class TComElseif : public TComIf {
 public:
  explicit TComElseif(TPage* page) : TComIf(page, Code(CommandCode::Elseif)) {}
  void Execute(TCallMan& cm) override;
};

class TComElse : public TCommand {
 public:
  explicit TComElse(TPage* page) : TCommand(page, Code(CommandCode::Else)) {}
  bool RunsOn() const override { return true; }
  void Execute(TCallMan& cm) override;
};

class TComLabel : public TCommand {
 public:
  explicit TComLabel(TPage* page, uint8_t code = Code(CommandCode::Label)) : TCommand(page, code) {}
  bool IsLabel(std::string_view name) const override {
    return TypeCode() == CommandCode::Label && fields[field::kOnly].text == name;
  }
};

class TComComment : public TComLabel {
 public:
  explicit TComComment(TPage* page) : TComLabel(page, Code(CommandCode::Comment)) {}
  bool RunsOn() const override { return false; }
  bool IsSkipped() const override { return true; }
};

class TComJump : public TCommand {
 public:
  explicit TComJump(TPage* page) : TCommand(page, Code(CommandCode::Jump)) {}
  void Execute(TCallMan& cm) override;
};

class TComCall : public TCommand {
 public:
  explicit TComCall(TPage* page) : TCommand(page, Code(CommandCode::Call)) {}
  void Execute(TCallMan& cm) override;
};

class TComExit : public TCommand {
 public:
  explicit TComExit(TPage* page, uint8_t code = Code(CommandCode::Exit)) : TCommand(page, code) {}
  void Execute(TCallMan& cm) override;
};

class TComBreak : public TComExit {
 public:
  explicit TComBreak(TPage* page) : TComExit(page, Code(CommandCode::Break)) {}
  void Execute(TCallMan& cm) override;
};

class TComContinue : public TComExit {
 public:
  explicit TComContinue(TPage* page) : TComExit(page, Code(CommandCode::Continue)) {}
  void Execute(TCallMan& cm) override;
};

class TComWait : public TCommand {
 public:
  explicit TComWait(TPage* page) : TCommand(page, Code(CommandCode::Wait)) {}
  void Begin(TCallMan& cm) override;
  void Execute(TCallMan& cm) override;
  bool IsEventPoint() const override { return true; }
  bool BlocksEvents() const override { return blocksEvents_; }
  void SaveState(ByteWriter& w) const override;
  void LoadState(ByteReader& r) override;

  int32_t Remaining() const { return remaining_; }

 private:
  int32_t remaining_ = 0;
  int32_t first_ = 1;
  bool blocksEvents_ = false;
};

class TComWhile : public TCommand {
 public:
  explicit TComWhile(TPage* page) : TCommand(page, Code(CommandCode::While)) {}
  void Execute(TCallMan& cm) override;
};

// Base of the loop initialisation and step commands.
class TComRuntime : public TCommand {
 public:
  using TCommand::TCommand;
};

// The loop initialisation always runs on; the loop step inherits that, so neither ends a tick
// whatever its header says.
class TComWhileInit : public TComRuntime {
 public:
  explicit TComWhileInit(TPage* page, uint8_t code = Code(CommandCode::WhileInit)) : TComRuntime(page, code) {}
  bool RunsOn() const override { return true; }
  void Execute(TCallMan& cm) override;
};

class TComWhileLoop : public TComWhileInit {
 public:
  explicit TComWhileLoop(TPage* page) : TComWhileInit(page, Code(CommandCode::WhileLoop)) {}
  void Execute(TCallMan& cm) override;
};

class TComDoEvent : public TCommand {
 public:
  explicit TComDoEvent(TPage* page) : TCommand(page, Code(CommandCode::DoEvent)) {}
  bool RunsOn() const override { return false; }
  bool IsEventPoint() const override { return true; }
};

}  // namespace kuzo
