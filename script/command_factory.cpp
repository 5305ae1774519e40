// The command class of each type code.
#include "core/errors.h"
#include "script/command.h"
#include "script/flow_commands.h"
#include "script/game_commands.h"
#include "script/scene_commands.h"
#include "script/variable_commands.h"

namespace kuzo {

std::unique_ptr<TCommand> CreateCommand(TPage* page, uint8_t code) {
  switch (code) {
    case 0: return std::make_unique<TComIf>(page);
    case 1: return std::make_unique<TComElseif>(page);
    case 2: return std::make_unique<TComElse>(page);
    case 3: return std::make_unique<TComLabel>(page);
    case 4: return std::make_unique<TComJump>(page);
    case 5: return std::make_unique<TComCall>(page);
    case 6: return std::make_unique<TComExit>(page);
    case 7: return std::make_unique<TComWait>(page);
    case 14: return std::make_unique<TComCalc>(page);
    case 15: return std::make_unique<TComVarNew>(page);
    case 16: return std::make_unique<TComVarDel>(page);
    case 22: return std::make_unique<TComClrHist>(page);
    case 27: return std::make_unique<TComComment>(page);
    case 31: return std::make_unique<TComWhile>(page);
    case 32: return std::make_unique<TComWhileInit>(page);
    case 33: return std::make_unique<TComWhileLoop>(page);
    case 34: return std::make_unique<TComBreak>(page);
    case 35: return std::make_unique<TComContinue>(page);
    case 38: return std::make_unique<TComGameSave>(page);
    case 39: return std::make_unique<TComGameLoad>(page);
    case 40: return std::make_unique<TComPCReset>(page);
    case 41: return std::make_unique<TComReset>(page);
    case 45: return std::make_unique<TComTerminate>(page);
    case 46: return std::make_unique<TComDoEvent>(page);
    case 47: return std::make_unique<TComClrRead>(page);
    default:
      if (code > kMaxCommandType) throw KuzoError("不正なコマンド");
      // Component creation and the commands that work on components.
      return std::make_unique<TComSceneCommand>(page, code);
  }
}

}  // namespace kuzo
