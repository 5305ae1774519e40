// The interpreter's side of the system variables ("@Result", "@ParamCount", "@ParamStr",
// "@Sender", "@StackCount"), the project's ("@ScrWidth", "@ScrHeight", "@Title"), the text
// history's ("@HistoryCount", "@HistoryMaxCount") and the installed fonts ("@Fonts", "@FixedFonts"). The host
// derives from it to add the scene's input state and the screen.
#pragma once

#include <string>
#include <vector>

#include "components/history_store.h"
#include "graphics/font_pixel.h"
#include "script/call_man.h"
#include "script/project.h"
#include "vars/system_variable_host.h"

namespace kuzo {

class ScriptVariableHost : public SystemVariableHost {
 public:
  // Either may be null (then the neutral values are answered).
  void Bind(TCallMan* callMan, const TProject* project) {
    callMan_ = callMan;
    project_ = project;
  }

  // The text history behind "@HistoryCount" and "@HistoryMaxCount" (null: none, both read 0).
  void BindHistory(TKuzoNewHistory* history) { history_ = history; }

  TCustomParam* CurrentResult() override { return callMan_ ? callMan_->CurrentResult() : nullptr; }
  int32_t ArgCount() override { return callMan_ ? callMan_->ArgCount() : 0; }
  std::string Arg(int32_t index) override { return callMan_ ? callMan_->Arg(index) : std::string(); }
  std::string SenderName() override { return callMan_ ? callMan_->SenderName() : std::string(); }
  int32_t StackCount() override { return callMan_ ? callMan_->StackDepth() : 0; }
  int32_t ScreenWidth() override { return project_ ? project_->Settings().width : 0; }
  int32_t ScreenHeight() override { return project_ ? project_->Settings().height : 0; }
  std::string Title() override { return project_ ? project_->Settings().title : std::string(); }
  int32_t HistoryCount() override { return history_ ? history_->Count() : 0; }
  int32_t HistoryMaxCount() override { return history_ ? history_->MaxCount() : 0; }
  void SetHistoryMaxCount(int32_t n) override {
    if (history_) history_->SetMaxCount(n);
  }
  // The installed font families, one per line; listed once per process, since fonts do not change
  // while a title plays.
  std::string Fonts() override {
    static const std::string all = JoinLines(TFontPixelManager::ListFonts(false));
    return all;
  }
  std::string FixedFonts() override {
    static const std::string fixed = JoinLines(TFontPixelManager::ListFonts(true));
    return fixed;
  }

 private:
  static std::string JoinLines(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) {
      if (!out.empty()) out += "\r\n";
      out += n;
    }
    return out;
  }

  TCallMan* callMan_ = nullptr;
  const TProject* project_ = nullptr;
  TKuzoNewHistory* history_ = nullptr;
};

}  // namespace kuzo
