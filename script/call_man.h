// The interpreter (`TCallMan`): runs the current page's commands once per frame tick, keeps the
// call stack of `TStack` frames, starts event handlers between commands, caches the ten most
// recently used pages, and saves and restores its whole running state.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/byte_reader.h"
#include "scene/event_queue.h"
#include "script/page.h"
#include "script/script_services.h"

namespace kuzo {

class TCustomParam;

constexpr size_t kPageCacheSize = 10;
constexpr uint32_t kLevelSavedSince = 116;  // interpreter records of older saves have no Level

// What a call or an event saves of the interrupted context.
struct TStack {
  TStack();
  ~TStack();
  TStack(TStack&&) noexcept;
  TStack& operator=(TStack&&) noexcept;

  std::string pageName;
  int32_t pc = 0;
  bool entered = false;
  bool run = false;
  std::string resultVar;
  std::vector<std::string> args;
  ComponentHandle sender;
  std::optional<std::string> state;      // running state of the interrupted command
  std::unique_ptr<TCustomParam> result;  // the called page's result value
};

class TCallMan {
 public:
  explicit TCallMan(ScriptServices services);
  ~TCallMan();
  TCallMan(const TCallMan&) = delete;
  TCallMan& operator=(const TCallMan&) = delete;

  // Starts a page from its first command as the new main flow (start page, exit page, resets).
  void Start(const std::string& pageName);
  // One frame tick.
  void Step();

  // The page cache: a page looked up by exact name; `toFront` moves it to the front (and a newly
  // loaded page is put there, evicting the least recently used beyond ten). Loading errors raise.
  TPage* GetPage(const std::string& name, bool toFront = true);

  int ArgCount() const { return static_cast<int>(args.size()); }
  std::string Arg(int i) const;
  // Full name of the component whose event is being handled; empty in the main flow or when gone.
  std::string SenderName() const;
  // Result value of the top call frame, nullptr when the stack is empty.
  TCustomParam* CurrentResult() const;

  void SaveState(ByteWriter& w) const;
  void LoadState(ByteReader& r, uint32_t dataVersion);

  // Stack operations (each stores the new depth as the variable table's frame level).
  void PushFrame(TStack frame);
  TStack PopFrame();  // raises "スタックエラー" on an empty stack
  void ClearStack();
  // Removes frame `index` (0 = bottom) when it exists, with the variables of the context it
  // saved; variables of deeper contexts move one level down. Answers whether it existed.
  bool DeleteFrame(int32_t index);
  int StackDepth() const { return static_cast<int>(stack_.size()); }
  std::vector<TStack>& Frames() { return stack_; }
  const std::vector<TStack>& Frames() const { return stack_; }

  ScriptServices& Services() { return services_; }
  TParamCollection& Vars() { return *services_.vars; }
  HostState& Host() { return *services_.host; }
  // The command at `pc` of the current page, or nullptr.
  TCommand* CurrentCommand() const;
  // Ends the current page (the page returns to its caller).
  void EndPage() { page = nullptr; }
  size_t CachedPageCount() const { return cache_.size(); }
  bool IsCached(const std::string& name) const;

  // Interpreter state, read and changed by the commands.
  TPage* page = nullptr;
  int32_t pc = 0;
  bool run = false;
  bool entered = false;
  std::vector<std::string> args;
  int32_t mode = 0;  // 0 main flow, 1 handler, 2 waiting handler (nested events may start), 3 nested
  ComponentHandle sender;
  int32_t level = 2;

  // Exposed for tests of the tick loop.
  int RunCommand();
  int TryEvent(int32_t atLevel);

 private:
  void ExecCommand();
  void ReturnFromPage(int& result);
  void FreePage(std::list<std::unique_ptr<TPage>>::iterator it);
  void ClearQueueLevels(int32_t from, int32_t to);
  void WriteFrame(ByteWriter& w, const TStack& f) const;
  TStack ReadFrame(ByteReader& r);
  ComponentHandle FindSender(const std::string& fullName) const;
  std::string NameOfSender(ComponentHandle h) const;

  ScriptServices services_;
  std::shared_ptr<TCallMan*> self_;  // held weakly by the built-ins this interpreter installs
  std::list<std::unique_ptr<TPage>> cache_;  // most recently used first
  std::vector<TStack> stack_;
  TStack scratch_;  // receives each popped frame
  const TCommand* lastTraced_ = nullptr;
  TPage* executingPage_ = nullptr;  // never evicted while one of its commands runs
  bool lastWasEventPoint_ = false;
};

}  // namespace kuzo
