// The interpreter's tick loop, command execution, event handler starts, calls and returns, the
// page cache and the saved interpreter record.
#include "script/call_man.h"

#include <cstdio>

#include "core/errors.h"
#include "core/sjis.h"
#include "script/file_builtins.h"
#include "script/variable_access.h"
#include "vars/builtin_ids.h"
#include "vars/param.h"
#include "vars/param_collection.h"
#include "vars/sys_func_man.h"

namespace kuzo {
namespace {

constexpr const char* kStackError = "スタックエラー";
constexpr std::string_view kPageExtension = "ksb";
constexpr int32_t kMaxEventLevel = 1 << 16;

// Splits an event label "file.kss:label" at the last ":" that is a character of its own and comes
// after every "." and "\" (a "." or "\" after it means there is no label part). Trail bytes of
// double-byte characters are never separators.
void SplitEventLabel(const std::string& label, std::string& file, std::string& name) {
  size_t colon = std::string::npos;
  for (size_t i = 0; i < label.size(); i += sjis::CharLength(label, i)) {
    const char c = label[i];
    if (c == ':') colon = i;
    else if (c == '.' || c == '\\') colon = std::string::npos;
  }
  if (colon == std::string::npos) {
    file = label;
    name.clear();
  } else {
    file = label.substr(0, colon);
    name = label.substr(colon + 1);
  }
}

// The page of an event: the file part with its last three characters replaced by "ksb".
std::string EventPageName(const std::string& file) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < file.size(); i += sjis::CharLength(file, i)) starts.push_back(i);
  const size_t cut = starts.size() >= 3 ? starts[starts.size() - 3] : 0;
  return file.substr(0, cut) + std::string(kPageExtension);
}

}  // namespace

TStack::TStack() = default;
TStack::~TStack() = default;
TStack::TStack(TStack&&) noexcept = default;
TStack& TStack::operator=(TStack&&) noexcept = default;

TCallMan::TCallMan(ScriptServices services)
    : services_(std::move(services)), self_(std::make_shared<TCallMan*>(this)) {
  // DeleteStack (index): removes one frame of this interpreter's stack. The handler holds the
  // interpreter weakly, so a handler left behind by a freed interpreter raises instead of
  // touching it (the evaluation then yields nothing).
  if (TSysFuncMan* funcs = services_.vars ? services_.vars->Functions() : nullptr) {
    std::weak_ptr<TCallMan*> weak = self_;
    funcs->SetHandler(BuiltinNumber(Builtin::DeleteStack), [weak](BuiltinCall& call) {
      const std::shared_ptr<TCallMan*> cm = weak.lock();
      if (!cm) throw KuzoError(kStackError);
      call.Result().SetBoolean((*cm)->DeleteFrame(call.Int(1)));
    });
    InstallFileBuiltins(*funcs, [weak]() -> ScriptFiles* {
      const std::shared_ptr<TCallMan*> cm = weak.lock();
      return cm ? (*cm)->Services().files : nullptr;
    });
  }
}

TCallMan::~TCallMan() {
  page = nullptr;
  cache_.clear();
}

bool TCallMan::DeleteFrame(int32_t index) {
  if (index < 0 || index >= StackDepth()) return false;
  // The context that frame saved ran at depth `index`: its variables go, deeper ones move down.
  Vars().RemoveFrameLevel(index);
  stack_.erase(stack_.begin() + index);
  SetFrameLevel(Vars(), StackDepth());
  return true;
}

bool TCallMan::IsCached(const std::string& name) const {
  for (const auto& p : cache_)
    if (p->Name() == name) return true;
  return false;
}

void TCallMan::FreePage(std::list<std::unique_ptr<TPage>>::iterator it) {
  const TPage* p = it->get();
  if (lastTraced_ && lastTraced_->Page() == p) lastTraced_ = nullptr;
  cache_.erase(it);
}

TPage* TCallMan::GetPage(const std::string& name, bool toFront) {
  for (auto it = cache_.begin(); it != cache_.end(); ++it) {
    if ((*it)->Name() != name) continue;
    if (toFront && it != cache_.begin()) cache_.splice(cache_.begin(), cache_, it);
    return it->get();
  }
  auto fresh = std::make_unique<TPage>(&services_);
  fresh->Load(name);
  TPage* result = fresh.get();
  if (!toFront) {
    cache_.push_back(std::move(fresh));
    return result;
  }
  cache_.push_front(std::move(fresh));
  while (cache_.size() > kPageCacheSize) {
    auto last = std::prev(cache_.end());
    if (last->get() == page || last->get() == executingPage_) break;
    FreePage(last);
  }
  return result;
}

std::string TCallMan::Arg(int i) const {
  if (i < 0 || i >= ArgCount()) return {};
  return args[static_cast<size_t>(i)];
}

std::string TCallMan::NameOfSender(ComponentHandle h) const {
  if (h.IsNull() || !services_.components) return {};
  return services_.components->FullNameOf(h);
}

ComponentHandle TCallMan::FindSender(const std::string& fullName) const {
  if (fullName.empty() || !services_.components) return {};
  return services_.components->FindComponent(fullName);
}

std::string TCallMan::SenderName() const { return mode != 0 ? NameOfSender(sender) : std::string(); }

TCustomParam* TCallMan::CurrentResult() const { return stack_.empty() ? nullptr : stack_.back().result.get(); }

TCommand* TCallMan::CurrentCommand() const {
  if (!page || pc < 0 || pc >= page->Count()) return nullptr;
  return &page->At(pc);
}

void TCallMan::PushFrame(TStack frame) {
  stack_.push_back(std::move(frame));
  SetFrameLevel(Vars(), StackDepth());
}

TStack TCallMan::PopFrame() {
  if (stack_.empty()) throw KuzoError(kStackError);
  TStack f = std::move(stack_.back());
  stack_.pop_back();
  SetFrameLevel(Vars(), StackDepth());
  return f;
}

void TCallMan::ClearStack() {
  stack_.clear();
  SetFrameLevel(Vars(), 0);
}

void TCallMan::ClearQueueLevels(int32_t from, int32_t to) {
  if (!services_.events) return;
  for (int32_t l = from; l <= to; ++l) services_.events->RemoveEventsOfLevel(l);
}

void TCallMan::Start(const std::string& pageName) {
  TPage* p = GetPage(pageName, true);
  page = p;
  pc = 0;
  entered = false;
  args.clear();
  mode = 0;
  ClearStack();
  sender = {};
  ClearQueueLevels(1, level);
  level = 2;
}

void TCallMan::ExecCommand() {
  if (pc < 0 || pc >= page->Count()) {
    page = nullptr;
    return;
  }
  TCommand& cmd = page->At(pc);
  if (services_.trace && &cmd != lastTraced_) {
    services_.trace(Format("%.8x : %s(%d)", static_cast<uint32_t>(Host().gameClockMs), page->Name().c_str(), cmd.line));
    lastTraced_ = &cmd;
  }
  TPage* const startPage = page;
  const int32_t startPc = pc;
  TPage* const outerExecuting = executingPage_;
  executingPage_ = startPage;
  try {
    if (!entered) {
      if (cmd.IsSkipped()) {
        pc += 1;
        executingPage_ = outerExecuting;
        return;
      }
      // Entered is set before Begin so that a Begin that fails is not retried forever.
      entered = true;
      cmd.Begin(*this);
    }
    run = cmd.RunsOn();
    lastWasEventPoint_ = cmd.IsEventPoint();
    cmd.Execute(*this);
  } catch (const std::exception&) {
    // A failing command does not stop the script; its state stays as it left it. When it failed
    // before moving on (a restart at a page that cannot be read, say), running on would retry it
    // for ever within this tick: the tick ends instead and the next tick retries it.
    if (page == startPage && pc == startPc) run = false;
  }
  executingPage_ = outerExecuting;
  if (page != startPage || pc != startPc) entered = false;
}

void TCallMan::ReturnFromPage(int& result) {
  DeleteOwnedBy(Vars(), StackDepth());
  scratch_ = PopFrame();
  TStack& f = scratch_;
  if (!f.resultVar.empty() && f.result) AssignToVariable(Vars(), f.resultVar, *f.result);
  page = nullptr;
  if (!f.pageName.empty()) {
    try {
      page = GetPage(f.pageName, true);
    } catch (const std::exception&) {
      page = nullptr;  // the page to return to cannot be read: that context has ended
    }
  }
  pc = f.pc;
  entered = f.entered;
  run = f.run;
  args = f.args;
  sender = f.sender;
  if (f.state && page && pc >= 0 && pc < page->Count()) {
    ByteReader r(*f.state, "interpreter frame state");
    try {
      page->At(pc).LoadState(r);
    } catch (const std::exception&) {
    }
  }
  if (result != 2) result = sender.IsNull() ? 1 : -1;
}

int TCallMan::RunCommand() {
  int result = 0;
  if (page) {
    lastWasEventPoint_ = false;
    ExecCommand();
    if (page) return lastWasEventPoint_ ? 2 : 0;
    result = lastWasEventPoint_ ? 2 : 0;
  }
  // The page has ended (or there is none).
  if (stack_.empty()) {
    run = false;  // the main flow is over; idle until something starts a page
    return result;
  }
  ReturnFromPage(result);
  return result;
}

int TCallMan::TryEvent(int32_t atLevel) {
  if (!services_.events) return 0;
  if (entered) {
    if (TCommand* c = CurrentCommand(); c && c->BlocksEvents()) return 0;
  }
  TTimerData* e = services_.events->FirstWaitingEvent();
  if (!e) return 0;
  std::string file, label;
  SplitEventLabel(e->label, file, label);
  const std::string pageName = EventPageName(file);
  bool available = false;
  try {
    available = services_.files->FileAvailable(pageName);
  } catch (const std::exception&) {
    available = false;  // a failed lookup counts as not available
  }
  if (!available) return 0;  // stays pending

  // Load the handler's page before touching the stack, so a page that cannot be read leaves the
  // interpreter as it was; the event is dropped instead of blocking every later one.
  TPage* target = nullptr;
  try {
    target = GetPage(pageName, true);
  } catch (const std::exception&) {
    services_.events->Remove(e);
    return 0;
  }

  TStack f;
  f.pageName = page ? page->Name() : std::string();
  f.pc = pc;
  f.entered = entered;
  f.args = args;
  f.sender = sender;
  f.run = run;
  if (entered) {
    if (TCommand* c = CurrentCommand()) {
      ByteWriter w;
      c->SaveState(w);
      f.state = w.Take();
    }
  }
  PushFrame(std::move(f));

  page = target;
  pc = 0;
  if (!label.empty()) {
    const int at = target->FindLabel(label);
    if (at >= 0) pc = at;
  }
  if (services_.trace && pc < target->Count()) {
    services_.trace(Format("%.8x : <Event>%s(%d)", static_cast<uint32_t>(Host().gameClockMs), target->Name().c_str(),
                           target->At(pc).line));
  }
  entered = false;
  e->level = atLevel;
  args = e->args;
  sender = e->sender;
  mode = 1;
  return 1;
}

void TCallMan::Step() {
  HostState& host = Host();
  do {
    switch (mode) {
      case 0:
        if (TryEvent(1)) continue;
        RunCommand();
        break;
      case 1: {
        const int r = RunCommand();
        if (r == 1) {
          ClearQueueLevels(1, 1);
          mode = 0;
          run = true;
        } else if (r == 2) {
          level = 2;
          mode = 2;
          return;
        } else if (mode != 1) {
          run = true;
        } else if (!page && stack_.empty()) {
          mode = 0;  // the handler's context is gone; back to the (ended) main flow
        }
        break;
      }
      case 2:
        if (TryEvent(level)) {
          level += 1;
          mode = 3;
        } else {
          mode = level > 2 ? 3 : 1;
        }
        break;
      case 3: {
        const int r = RunCommand();
        if (r == 1 || r == -1) {
          level -= 1;
          ClearQueueLevels(level, level);
          if (level <= 2) mode = 2;
        } else if (r == 2) {
          mode = 2;
          return;
        } else if (!page && stack_.empty()) {
          mode = 0;
        }
        break;
      }
      default:
        mode = 0;
        break;
    }
    // A handler that returned into a main flow that has already ended leaves Run set; the next
    // pass still starts any further pending event in this tick, and when there is none,
    // RunCommand finds no page and an empty stack and clears Run, so the tick ends and the
    // interpreter idles until an event or a restart.
  } while ((run || mode != 0) && !host.terminateRequested);
}

void TCallMan::WriteFrame(ByteWriter& w, const TStack& f) const {
  w.String(f.pageName);
  w.I32(f.pc);
  w.Bool(f.entered);
  w.Bool(f.run);
  w.String(f.resultVar);
  w.U32(static_cast<uint32_t>(f.args.size()));
  for (const auto& a : f.args) w.String(a);
  w.String(NameOfSender(f.sender));
  const std::string& st = f.state ? *f.state : std::string();
  w.U32(static_cast<uint32_t>(st.size()));
  w.Bytes(st);
  WriteResultValue(w, f.result.get());
}

TStack TCallMan::ReadFrame(ByteReader& r) {
  TStack f;
  f.pageName = r.String("frame page");
  f.pc = r.I32("frame pc");
  f.entered = r.Bool("frame entered");
  f.run = r.Bool("frame run");
  f.resultVar = r.String("frame result variable");
  const uint32_t n = r.Count(4, "frame argument count");
  for (uint32_t i = 0; i < n; ++i) f.args.push_back(r.String("frame argument"));
  f.sender = FindSender(r.String("frame sender"));
  const uint32_t stateSize = r.Count(1, "frame state size");
  if (stateSize > 0) f.state = r.Bytes(stateSize, "frame state");
  f.result = ReadResultValue(r);
  return f;
}

void TCallMan::SaveState(ByteWriter& w) const {
  w.String(page ? page->Name() : std::string());
  w.I32(pc);
  w.Bool(run);
  w.Bool(entered);
  w.I32(mode);
  w.String(mode != 0 || !sender.IsNull() ? NameOfSender(sender) : std::string());
  w.U32(static_cast<uint32_t>(args.size()));
  for (const auto& a : args) w.String(a);
  WriteFrame(w, scratch_);
  w.U32(static_cast<uint32_t>(stack_.size()));
  for (const auto& f : stack_) WriteFrame(w, f);
  w.I32(level);
  if (entered && page && pc >= 0 && pc < page->Count()) page->At(pc).SaveState(w);
}

void TCallMan::LoadState(ByteReader& r, uint32_t dataVersion) {
  const std::string pageName = r.String("interpreter page");
  TPage* p = pageName.empty() ? nullptr : GetPage(pageName, true);
  const int32_t newPc = r.I32("interpreter pc");
  const bool newRun = r.Bool("interpreter run");
  const bool newEntered = r.Bool("interpreter entered");
  const int32_t newMode = r.I32("interpreter mode");
  if (newMode < 0 || newMode > 3) r.Fail("interpreter mode", Format("mode %d is not 0..3", newMode));
  const ComponentHandle newSender = FindSender(r.String("interpreter sender"));
  std::vector<std::string> newArgs;
  const uint32_t n = r.Count(4, "interpreter argument count");
  for (uint32_t i = 0; i < n; ++i) newArgs.push_back(r.String("interpreter argument"));
  TStack newScratch = ReadFrame(r);
  // Each frame takes at least its fixed fields (strings, numbers and bytes): 4+4+1+1+4+4+4+4+1.
  const uint32_t frames = r.Count(27, "interpreter frame count");
  std::vector<TStack> newStack;
  newStack.reserve(frames);
  for (uint32_t i = 0; i < frames; ++i) newStack.push_back(ReadFrame(r));
  int32_t newLevel = 2;
  if (dataVersion >= kLevelSavedSince) newLevel = r.I32("interpreter level");
  // Event nesting grows by one per handler entered while another runs; far beyond any real title.
  if (newLevel < 0 || newLevel > kMaxEventLevel)
    r.Fail("interpreter level", Format("level %d is not 0..%d", newLevel, kMaxEventLevel));

  page = p;
  pc = newPc;
  run = newRun;
  entered = newEntered;
  mode = newMode;
  sender = newSender;
  args = std::move(newArgs);
  scratch_ = std::move(newScratch);
  stack_ = std::move(newStack);
  SetFrameLevel(Vars(), StackDepth());
  level = newLevel;
  if (entered && page && pc >= 0 && pc < page->Count()) page->At(pc).LoadState(r);
}

}  // namespace kuzo
