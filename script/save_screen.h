// The SaveScreen built-in: a picture of one of the scene's bases written as a Drel image, either
// into the title's folder as a file or, for a "mem:" name, as an in-memory game-data entry that
// picture components can name like any other image.
#pragma once

#include <cstdint>
#include <string>

namespace kuzo {

class TDrelCollection;
class TKuzoBaseList;
class TSysFuncMan;
class TVrFileManager;
struct HostState;

// What a screenshot needs; any may be null (the built-in then answers false where it needs one).
struct SaveScreenTargets {
  TKuzoBaseList* scene = nullptr;
  TVrFileManager* files = nullptr;   // the title's folder and the in-memory entries
  TDrelCollection* images = nullptr;  // cached copies of the name are dropped
  HostState* host = nullptr;          // the list of files deleted at exit
};

// How a saved file is remembered: not at all, deleted when the player ends, or listed in
// install.dat (the installer's uninstall list).
enum class ScreenRecord : int32_t { kNone = 0, kDeleteAtExit = 1, kInstallList = 2 };

struct SaveScreenRequest {
  std::string name;     // must end in ".drl"; "mem:..." keeps it in memory
  int32_t width = 0;    // 0: the scene's size
  int32_t height = 0;
  bool otherBase = false;  // the base not shown in front
  int32_t record = 0;      // a ScreenRecord value
};

// Saves the picture; false when the name is not a Drel name, a base has no picture, the folder is
// missing or unwritable, or the install list was asked for and "install.dat" does not exist.
bool SaveScreen(const SaveScreenTargets& targets, const SaveScreenRequest& request);

void InstallSaveScreen(TSysFuncMan& funcs, const SaveScreenTargets& targets);

}  // namespace kuzo
