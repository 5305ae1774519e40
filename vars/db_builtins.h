// Installs the data-table built-ins (numbers 87 to 124) on a dispatcher, working on one manager.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace kuzo {

class TDBManager;
class TSysFuncMan;

constexpr int kFuncFirstDataTable = 87;
constexpr int kFuncLastDataTable = 124;

// Reads a game-data file by name for DBLoadTsvFile; nothing when the game data has no such file.
using GameFileReader = std::function<std::optional<std::string>(const std::string& name)>;

// `tables` and whatever `readFile` uses must outlive the dispatcher's use of these handlers.
void InstallDataTableBuiltins(TSysFuncMan& funcs, TDBManager& tables, GameFileReader readFile);

}  // namespace kuzo
