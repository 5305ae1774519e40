// Commands on the variable table: evaluate an expression, declare a variable, delete one.
#pragma once

#include "script/command.h"

namespace kuzo {

class TComCalc : public TCommand {
 public:
  explicit TComCalc(TPage* page) : TCommand(page, 14) {}
  void Execute(TCallMan& cm) override;
};

class TComVarNew : public TCommand {
 public:
  explicit TComVarNew(TPage* page) : TCommand(page, 15) {}
  void Execute(TCallMan& cm) override;
};

class TComVarDel : public TCommand {
 public:
  explicit TComVarDel(TPage* page) : TCommand(page, 16) {}
  void Execute(TCallMan& cm) override;
};

}  // namespace kuzo
