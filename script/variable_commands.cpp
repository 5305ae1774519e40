// Variable commands.
#include "script/variable_commands.h"

#include "core/errors.h"
#include "script/call_man.h"
#include "script/command_codes.h"
#include "script/variable_access.h"

namespace kuzo {

void TComCalc::Execute(TCallMan& cm) {
  cm.pc += 1;
  ExprField(field::kOnly).Eval(cm.Vars());
}

void TComVarNew::Execute(TCallMan& cm) {
  cm.pc += 1;
  const std::string& name = fields[field::kVarName].text;
  if (name.empty()) throw KuzoError("変数名がありません");
  DeclareVariable(cm.Vars(), name, static_cast<uint8_t>(fields[field::kVarType].number),
                  static_cast<uint8_t>(fields[field::kVarScope].number),
                  cm.StackDepth(), ExprField(field::kVarValue));
}

void TComVarDel::Execute(TCallMan& cm) {
  cm.pc += 1;
  DeleteVariable(cm.Vars(), fields[field::kOnly].text);
}

}  // namespace kuzo
