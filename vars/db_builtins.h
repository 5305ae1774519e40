// Installs the data-table built-ins (numbers 87 to 124) on a dispatcher, working on one manager.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "vars/builtin_ids.h"

namespace kuzo {

class TDBManager;
class TSysFuncMan;

// The data-table built-ins are one run of the built-in table.
constexpr int kFuncFirstDataTable = BuiltinNumber(Builtin::DBCreateTable);
constexpr int kFuncLastDataTable = BuiltinNumber(Builtin::DBClearRecord);

// Reads a game-data file by name for DBLoadTsvFile; nothing when the game data has no such file.
using GameFileReader = std::function<std::optional<std::string>(const std::string& name)>;

// `tables` and whatever `readFile` uses must outlive the dispatcher's use of these handlers.
void InstallDataTableBuiltins(TSysFuncMan& funcs, TDBManager& tables, GameFileReader readFile);

}  // namespace kuzo
