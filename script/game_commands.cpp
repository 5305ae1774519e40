// Game-level commands.
#include "script/game_commands.h"

#include "core/errors.h"
#include "script/call_man.h"
#include "script/command_codes.h"
#include "script/variable_access.h"
#include "vars/param.h"

namespace kuzo {

void TComGameSave::Execute(TCallMan& cm) {
  cm.pc += 1;
  const int32_t slot = ExprField(field::kSaveSlot).EvalInt(cm.Vars()).value_or(0);
  const std::string text = ExprField(field::kSaveText).EvalText(cm.Vars()).value_or(std::string());
  if (cm.Services().game) cm.Services().game->RequestSave(slot, fields[field::kSaveCaption].text, fields[field::kSaveFlag].number, text);
}

void TComGameLoad::Execute(TCallMan& cm) {
  cm.pc += 1;
  const int32_t slot = ExprField(field::kOnly).EvalInt(cm.Vars()).value_or(0);
  if (cm.Services().game) cm.Services().game->RequestLoad(slot);
}

void TComPCReset::Execute(TCallMan& cm) {
  if (fields[field::kResetFull].number != 0)
    FullReset(cm);
  else
    Redirect(cm);
}

void TComPCReset::FullReset(TCallMan& cm) {
  DeleteOwnedBy(cm.Vars(), cm.StackDepth());
  auto& frames = cm.Frames();
  for (int i = static_cast<int>(frames.size()) - 1; i >= 0; --i) {
    DeleteOwnedBy(cm.Vars(), i);
    TStack& f = frames[static_cast<size_t>(i)];
    if (!f.sender.IsNull() || !f.entered) continue;
    try {
      TPage* p = cm.GetPage(f.pageName, true);
      if (f.pc >= 0 && f.pc < p->Count()) {
        TCommand& c = p->At(f.pc);
        if (f.state) {
          ByteReader r(*f.state, "interpreter frame state");
          c.LoadState(r);
        }
        c.Abort(cm);
      }
    } catch (const std::exception&) {
      // a frame whose page cannot be read has nothing to abandon
    }
  }
  const std::string target = fields[field::kResetPage].text;
  const int32_t index = fields[field::kResetIndex].number;
  cm.Start(target);
  cm.pc = index;
  if (cm.Services().events) cm.Services().events->Clear();
}

void TComPCReset::Redirect(TCallMan& cm) {
  DeleteOwnedBy(cm.Vars(), cm.StackDepth());
  auto& frames = cm.Frames();
  const int depth = static_cast<int>(frames.size());
  // The first frame pushed from inside an event handler; the frame below it is the one the
  // handlers return into.
  int f = -1;
  for (int i = 0; i < depth; ++i) {
    if (!frames[static_cast<size_t>(i)].sender.IsNull()) {
      f = i;
      break;
    }
  }
  if (f < 0 && (cm.mode != 0 || !cm.sender.IsNull())) f = depth;
  bool rewritten = false;
  for (int i = f - 1; i >= 0 && !rewritten; --i) {
    TStack& fr = frames[static_cast<size_t>(i)];
    if (!fr.sender.IsNull()) continue;
    DeleteOwnedBy(cm.Vars(), i);
    fr.pageName = fields[field::kResetPage].text;
    fr.pc = fields[field::kResetIndex].number;
    fr.entered = false;
    fr.resultVar.clear();
    fr.args.clear();
    fr.state.reset();
    cm.pc += 1;
    rewritten = true;
  }
  if (!rewritten) {
    TPage* p = cm.GetPage(fields[field::kResetPage].text, true);
    cm.page = p;
    cm.pc = fields[field::kResetIndex].number;
  }
  if (cm.Services().events) cm.Services().events->RemoveRunningEvents();
}

void TComReset::Execute(TCallMan& cm) {
  ScriptServices& s = cm.Services();
  if (s.components) s.components->ClearScene();
  ClearVariables(cm.Vars());
  if (s.game) {
    s.game->ResetTables();
    s.game->ClearHistory();
  }
  const std::string target = fields[field::kResetPage].text;
  const int32_t index = fields[field::kResetIndex].number;
  cm.Start(target);
  cm.pc = index;
}

void TComTerminate::Execute(TCallMan& cm) {
  cm.Host().terminateRequested = true;
  if (cm.Services().game) cm.Services().game->PostClose();
}

void TComClrHist::Execute(TCallMan& cm) {
  cm.pc += 1;
  if (cm.Services().game) cm.Services().game->ClearHistory();
}

void TComClrRead::Execute(TCallMan& cm) {
  cm.pc += 1;
  if (cm.Services().game) cm.Services().game->ClearReadMarks();
}

}  // namespace kuzo
