// FileExists asks the file manager's locate step (loose files, archives, discs); LoadTextFile reads
// a whole file and splits it into lines the way a text list does: CR, LF or CR LF end a line, and a
// final line break adds no empty line.
#include "script/file_builtins.h"

#include <array>
#include <string>
#include <vector>

#include "core/errors.h"
#include "script/script_services.h"
#include "vars/builtin_ids.h"
#include "vars/builtins.h"
#include "vars/sys_func_man.h"

namespace kuzo {
namespace {

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

}  // namespace

void InstallFileBuiltins(TSysFuncMan& funcs, std::function<ScriptFiles*()> files) {
  funcs.SetHandler(BuiltinNumber(Builtin::FileExists), [files](BuiltinCall& call) {
    const std::string name = call.Str(1);
    ScriptFiles* f = files();
    call.Result().SetBoolean(f && !name.empty() && f->Exists(name));
  });
  funcs.SetHandler(BuiltinNumber(Builtin::LoadTextFile), [files](BuiltinCall& call) {
    const std::string name = call.Str(2);
    ScriptFiles* f = files();
    if (!f || name.empty() || !f->FileAvailable(name)) {
      call.Result().SetBoolean(false);
      return;
    }
    std::string text;
    try {
      text = f->ReadFile(name);
    } catch (const KuzoError&) {
      call.Result().SetBoolean(false);  // available but unreadable (a disc taken out meanwhile)
      return;
    }
    if (text.empty()) {
      call.Result().SetBoolean(false);
      return;
    }
    const std::vector<std::string> lines = SplitLines(text);
    TCustomParam* target = call.Variable(1);
    if (target && !lines.empty()) {
      TCustomParam& v = builtins::Underlying(*target);
      const std::array<int32_t, 1> size{static_cast<int32_t>(lines.size())};
      v.SetDims(size);
      for (size_t i = 0; i < lines.size(); ++i) v.SetStringAt(static_cast<int32_t>(i), lines[i]);
    }
    call.Result().SetBoolean(true);
  });
}

}  // namespace kuzo
