// GetSaveCaption and ListSaveCaption read the project's caption list; writes into arguments go
// through the references to the named variables.
#include "script/save_builtins.h"

#include "vars/builtin_ids.h"
#include "vars/builtins.h"
#include "vars/param.h"
#include "vars/sys_func_man.h"

namespace kuzo {

void SetSaveCaption(SaveCaptionList& captions, int32_t slot, const std::string& caption) {
  for (auto& entry : captions) {
    if (entry.first == slot) {
      entry.second = caption;
      return;
    }
  }
  captions.emplace_back(slot, caption);
}

void InstallSaveBuiltins(TSysFuncMan& funcs, const SaveCaptionList& captions) {
  funcs.SetHandler(BuiltinNumber(Builtin::GetSaveCaption), [&captions](BuiltinCall& c) {
    const int32_t slot = c.Int(1);
    std::string caption;
    for (const auto& entry : captions) {
      if (entry.first == slot) caption = entry.second;
    }
    c.Result().SetString(caption);
  });
  funcs.SetHandler(BuiltinNumber(Builtin::ListSaveCaption), [&captions](BuiltinCall& c) {
    const int32_t n = static_cast<int32_t>(captions.size());
    c.Result().SetInteger(n);
    if (n == 0) return;  // the arguments stay as they are when nothing is saved
    const std::vector<int32_t> dims{n};
    if (TCustomParam* arg = c.Variable(1)) {
      TCustomParam* names = &builtins::Underlying(*arg);
      names->SetDims(dims);
      for (int32_t i = 0; i < n; ++i) names->SetStringAt(i, captions[static_cast<size_t>(i)].second);
    }
    if (TCustomParam* arg = c.Variable(2)) {
      TCustomParam* slots = &builtins::Underlying(*arg);
      slots->SetDims(dims);
      for (int32_t i = 0; i < n; ++i) slots->SetIntegerAt(i, captions[static_cast<size_t>(i)].first);
    }
  });
}

}  // namespace kuzo
