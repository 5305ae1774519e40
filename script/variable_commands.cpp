// Variable commands.
#include "script/variable_commands.h"

#include "core/errors.h"
#include "script/call_man.h"
#include "script/variable_access.h"

namespace kuzo {

void TComCalc::Execute(TCallMan& cm) {
  cm.pc += 1;
  ExprField(0).Eval(cm.Vars());
}

void TComVarNew::Execute(TCallMan& cm) {
  cm.pc += 1;
  const std::string& name = fields[0].text;
  if (name.empty()) throw KuzoError("変数名がありません");
  DeclareVariable(cm.Vars(), name, static_cast<uint8_t>(fields[1].number), static_cast<uint8_t>(fields[3].number),
                  cm.StackDepth(), ExprField(2));
}

void TComVarDel::Execute(TCallMan& cm) {
  cm.pc += 1;
  DeleteVariable(cm.Vars(), fields[0].text);
}

}  // namespace kuzo
