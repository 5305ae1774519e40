// The command class of each type code.
#include "core/errors.h"
#include "script/command.h"
#include "script/command_codes.h"
#include "script/flow_commands.h"
#include "script/game_commands.h"
#include "script/scene_commands.h"
#include "script/variable_commands.h"

namespace kuzo {

std::unique_ptr<TCommand> CreateCommand(TPage* page, uint8_t code) {
  using C = CommandCode;
  switch (static_cast<C>(code)) {
    case C::If: return std::make_unique<TComIf>(page);
    case C::Elseif: return std::make_unique<TComElseif>(page);
    case C::Else: return std::make_unique<TComElse>(page);
    case C::Label: return std::make_unique<TComLabel>(page);
    case C::Jump: return std::make_unique<TComJump>(page);
    case C::Call: return std::make_unique<TComCall>(page);
    case C::Exit: return std::make_unique<TComExit>(page);
    case C::Wait: return std::make_unique<TComWait>(page);
    case C::Calc: return std::make_unique<TComCalc>(page);
    case C::VarNew: return std::make_unique<TComVarNew>(page);
    case C::VarDel: return std::make_unique<TComVarDel>(page);
    case C::ClrHist: return std::make_unique<TComClrHist>(page);
    case C::Comment: return std::make_unique<TComComment>(page);
    case C::While: return std::make_unique<TComWhile>(page);
    case C::WhileInit: return std::make_unique<TComWhileInit>(page);
    case C::WhileLoop: return std::make_unique<TComWhileLoop>(page);
    case C::Break: return std::make_unique<TComBreak>(page);
    case C::Continue: return std::make_unique<TComContinue>(page);
    case C::GameSave: return std::make_unique<TComGameSave>(page);
    case C::GameLoad: return std::make_unique<TComGameLoad>(page);
    case C::PCReset: return std::make_unique<TComPCReset>(page);
    case C::Reset: return std::make_unique<TComReset>(page);
    case C::Terminate: return std::make_unique<TComTerminate>(page);
    case C::DoEvent: return std::make_unique<TComDoEvent>(page);
    case C::ClrRead: return std::make_unique<TComClrRead>(page);
    default:
      if (code > kMaxCommandType) throw KuzoError("不正なコマンド");
      // Component creation and the commands that work on components.
      return std::make_unique<TComSceneCommand>(page, code);
  }
}

}  // namespace kuzo
