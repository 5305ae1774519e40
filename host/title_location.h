// Where a title's data is: the base directory and the archives to open, found from the command
// line as users have titles on disk: a game directory, a Windows release folder whose one .exe
// carries the archive behind its trailer, that .exe itself, or this player's own executable.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kuzo::host {

constexpr const char* kGameArchiveName = "game.dat";
constexpr const char* kExecutableExtension = ".exe";

struct TitleLocation {
  std::filesystem::path baseDir;
  std::vector<std::filesystem::path> archives;  // opened in this order (first wins)
  // The executable that carries the title (its icon, and maybe its archive as a resource): the
  // title's .exe, or the player's own executable when the command line names nothing.
  std::filesystem::path executable;
  // True when the command line named the title; false for the player's own directory, where the
  // project first looks for the install settings.
  bool namedOnCommandLine = false;
};

// `args` are the title arguments (directories, or a title's .exe first); `ownExecutable` is the
// player's executable, used when `args` is empty. Raises KuzoError with a one-line message when a
// named path does not exist, a named file carries no archive, or a directory holds several
// executables that do.
TitleLocation LocateTitle(const std::vector<std::string>& args, const std::filesystem::path& ownExecutable);

// True when `path` lies below one of the optical-media mount points `roots` (each ending in "/"):
// the player does not run from a disc.
bool OnOpticalMedia(const std::filesystem::path& path, const std::vector<std::string>& roots);

// True when the file carries an archive behind its trailer or as its "DUMMY" resource.
bool CarriesTitleArchive(const std::filesystem::path& path);

// The .exe files in `dir` (any letter case of the extension) that carry an archive, sorted.
std::vector<std::filesystem::path> FindTitleExecutables(const std::filesystem::path& dir);

}  // namespace kuzo::host
