// Control-flow commands.
#include "script/flow_commands.h"

#include <climits>

#include "core/errors.h"
#include "script/call_man.h"
#include "script/command_codes.h"
#include "script/variable_access.h"
#include "vars/param.h"

namespace kuzo {

bool IsTrue(Expr& e, TParamCollection& vars) { return e.EvalFlag(vars).value_or(false); }

void TComIf::Execute(TCallMan& cm) {
  cm.pc += 1;
  if (IsTrue(Condition(), cm.Vars())) return;
  // Find the branch to take: deeper commands belong to this branch, a shallower one ends the
  // chain, and at this depth a true elseif or an else is entered.
  TPage& p = *cm.page;
  for (int j = cm.pc; j < p.Count(); ++j) {
    TCommand& c = p.At(j);
    if (c.depth > depth) continue;
    if (c.depth < depth) {
      cm.pc = j;
      return;
    }
    if (c.TypeCode() == CommandCode::Elseif && IsTrue(static_cast<TComElseif&>(c).Condition(), cm.Vars())) {
      cm.pc = j + 1;
    } else if (c.TypeCode() == CommandCode::Else) {
      cm.pc = j + 1;
    } else if (c.TypeCode() == CommandCode::Elseif) {
      continue;  // a false elseif: its block is skipped like the others
    } else {
      cm.pc = j;
    }
    return;
  }
  cm.pc = p.Count();
}

// The previous branch ran: step over every following deeper command.
static void SkipBlock(TCallMan& cm, int32_t depth) {
  TPage& p = *cm.page;
  int j = cm.pc + 1;
  while (j < p.Count() && p.At(j).depth > depth) ++j;
  cm.pc = j;
}

void TComElseif::Execute(TCallMan& cm) { SkipBlock(cm, depth); }
void TComElse::Execute(TCallMan& cm) { SkipBlock(cm, depth); }

void TComJump::Execute(TCallMan& cm) {
  cm.pc += 1;
  if (!IsTrue(ExprField(field::kJumpCond), cm.Vars())) return;
  const std::string& name = fields[field::kJumpPage].text;
  if (!cm.Services().files->FileAvailable(name)) return;
  TPage* target = cm.GetPage(name, true);
  cm.page = target;
  cm.pc = fields[field::kJumpIndex].number;
}

void TComCall::Execute(TCallMan& cm) {
  cm.pc += 1;
  if (!IsTrue(ExprField(field::kCallCond), cm.Vars())) return;
  const std::string& name = fields[field::kCallPage].text;
  if (!cm.Services().files->FileAvailable(name)) return;
  std::vector<std::string> newArgs;
  for (Expr& a : fields[field::kCallArgs].list)
    if (auto t = a.EvalText(cm.Vars())) newArgs.push_back(std::move(*t));
  // The called page is loaded before the frame is pushed, so a page that cannot be read leaves
  // the stack as it was.
  TPage* target = cm.GetPage(name, true);
  TStack f;
  f.pageName = cm.page->Name();
  f.pc = cm.pc;
  f.run = cm.run;
  f.sender = cm.sender;
  f.resultVar = fields[field::kCallResult].text;
  f.args = std::move(cm.args);
  f.result = NewValue(target->ResultType());
  cm.PushFrame(std::move(f));
  cm.args = std::move(newArgs);
  cm.page = target;
  cm.pc = fields[field::kCallIndex].number;
}

void TComExit::Execute(TCallMan& cm) {
  if (IsTrue(ExprField(field::kOnly), cm.Vars()))
    cm.EndPage();
  else
    cm.pc += 1;
}

void TComBreak::Execute(TCallMan& cm) {
  if (!IsTrue(ExprField(field::kBreakCond), cm.Vars())) {
    cm.pc += 1;
    return;
  }
  const int32_t target = fields[field::kBreakTo].number;
  if (target < 0)
    cm.EndPage();
  else
    cm.pc = target;
}

void TComContinue::Execute(TCallMan& cm) {
  cm.pc += 1;
  if (!IsTrue(ExprField(field::kBreakCond), cm.Vars())) return;
  const int32_t target = fields[field::kBreakTo].number;
  if (target < 0)
    cm.EndPage();
  else
    cm.pc = target;
}

void TComWait::Begin(TCallMan& cm) {
  remaining_ = ExprField(field::kWaitTime).EvalInt(cm.Vars()).value_or(0);
  first_ = 1;
  blocksEvents_ = IsTrue(ExprField(field::kWaitBlock), cm.Vars());
}

void TComWait::Execute(TCallMan& cm) {
  const auto cond = ExprField(field::kWaitWhile).EvalFlag(cm.Vars());
  if (cond.has_value() && !*cond) {  // a condition that yields nothing waits like a true one
    cm.pc += 1;
    return;
  }
  if (remaining_ != 0) {
    if (first_ != 0) {
      first_ -= 1;  // the visit that started the wait does not count
    } else {
      // Saturating: a wait near the lowest integer must still end rather than wrap around.
      const int64_t left = static_cast<int64_t>(remaining_) - cm.Host().frameDeltaMs;
      remaining_ = left < INT32_MIN ? INT32_MIN : static_cast<int32_t>(left);
      if (remaining_ < 1) {
        cm.pc += 1;
        return;
      }
    }
  }
  cm.run = false;  // the wait goes on: the tick ends here
}

void TComWait::SaveState(ByteWriter& w) const {
  WriteStateSignature(w);
  w.I32(remaining_);
  w.I32(first_);
  w.Bool(blocksEvents_);
}

void TComWait::LoadState(ByteReader& r) {
  const int version = ReadStateVersion(r);
  remaining_ = r.I32("wait remaining");
  first_ = r.I32("wait first visit");
  if (first_ < 0) first_ = 0;  // a count of visits still to skip is never negative
  if (version >= kStateVersion) blocksEvents_ = r.Bool("wait blocks events");
}

void TComWhile::Execute(TCallMan& cm) {
  cm.pc += 1;
  if (!IsTrue(ExprField(field::kWhileCond), cm.Vars())) cm.pc = fields[field::kWhileExit].number;
}

void TComWhileInit::Execute(TCallMan& cm) {
  cm.pc += 1;
  ExprField(field::kOnly).Eval(cm.Vars());
}

void TComWhileLoop::Execute(TCallMan& cm) {
  cm.pc = fields[field::kLoopTo].number;
  ExprField(field::kLoopExpr).Eval(cm.Vars());
}

}  // namespace kuzo
