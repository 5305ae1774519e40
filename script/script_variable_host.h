// The interpreter's side of the system variables ("@Result", "@ParamCount", "@ParamStr",
// "@Sender", "@StackCount") and the project's ("@ScrWidth", "@ScrHeight", "@Title"). The host
// derives from it to add the scene's input state and the screen.
#pragma once

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

  TCustomParam* CurrentResult() override { return callMan_ ? callMan_->CurrentResult() : nullptr; }
  int32_t ArgCount() override { return callMan_ ? callMan_->ArgCount() : 0; }
  std::string Arg(int32_t index) override { return callMan_ ? callMan_->Arg(index) : std::string(); }
  std::string SenderName() override { return callMan_ ? callMan_->SenderName() : std::string(); }
  int32_t StackCount() override { return callMan_ ? callMan_->StackDepth() : 0; }
  int32_t ScreenWidth() override { return project_ ? project_->Settings().width : 0; }
  int32_t ScreenHeight() override { return project_ ? project_->Settings().height : 0; }
  std::string Title() override { return project_ ? project_->Settings().title : std::string(); }

 private:
  TCallMan* callMan_ = nullptr;
  const TProject* project_ = nullptr;
};

}  // namespace kuzo
