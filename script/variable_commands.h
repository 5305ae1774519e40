// Commands on the variable table: evaluate an expression, declare a variable, delete one.
#pragma once

#include "script/command.h"
#include "script/command_codes.h"

namespace kuzo {

class TComCalc : public TCommand {
 public:
  explicit TComCalc(TPage* page) : TCommand(page, Code(CommandCode::Calc)) {}
  void Execute(TCallMan& cm) override;
};

class TComVarNew : public TCommand {
 public:
  explicit TComVarNew(TPage* page) : TCommand(page, Code(CommandCode::VarNew)) {}
  void Execute(TCallMan& cm) override;
};

class TComVarDel : public TCommand {
 public:
  explicit TComVarDel(TPage* page) : TCommand(page, Code(CommandCode::VarDel)) {}
  void Execute(TCallMan& cm) override;
};

}  // namespace kuzo
