// Finding a title's base directory and archives from the command line.
#include "host/title_location.h"

#include <algorithm>

#include "core/errors.h"
#include "core/sjis.h"
#include "data/archive.h"
#include "data/pe_resource.h"
#include "platform/file_system.h"

namespace kuzo::host {
namespace {

void AddGameArchive(const std::filesystem::path& dir, TitleLocation& out) {
  auto found = platform::ResolveGameFile(dir, kGameArchiveName);
  if (found && std::find(out.archives.begin(), out.archives.end(), *found) == out.archives.end()) {
    out.archives.push_back(*found);
  }
}

}  // namespace

bool OnOpticalMedia(const std::filesystem::path& path, const std::vector<std::string>& roots) {
  const std::string p = path.lexically_normal().string();
  for (const auto& root : roots) {
    if (root.empty()) continue;
    std::string r = root.back() == '/' ? root : root + "/";
    if (p.compare(0, r.size(), r) == 0) return true;
  }
  return false;
}

bool CarriesTitleArchive(const std::filesystem::path& path) {
  return HasArchiveTrailer(path) || FindResourceArchive(path) != nullptr;
}

std::vector<std::filesystem::path> FindTitleExecutables(const std::filesystem::path& dir) {
  std::vector<std::filesystem::path> found;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const auto& path = it->path();
    if (!sjis::EqualsNoCase(path.extension().string(), kExecutableExtension)) continue;
    if (!platform::IsRegularFile(path)) continue;
    if (CarriesTitleArchive(path)) found.push_back(path);
  }
  std::sort(found.begin(), found.end());
  return found;
}

TitleLocation LocateTitle(const std::vector<std::string>& args, const std::filesystem::path& ownExecutable) {
  TitleLocation out;
  if (args.empty()) {
    out.baseDir = ownExecutable.parent_path();
    out.executable = ownExecutable;
    if (!ownExecutable.empty() && HasArchiveTrailer(ownExecutable)) out.archives.push_back(ownExecutable);
    return out;
  }
  out.namedOnCommandLine = true;
  for (size_t i = 0; i < args.size(); ++i) {
    std::filesystem::path path(args[i]);
    std::error_code ec;
    auto status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status)) throw KuzoError(Format("%s: no such file or directory", args[i].c_str()));
    std::filesystem::path dir = path;
    if (std::filesystem::is_directory(status)) {
      if (i == 0) {
        auto executables = FindTitleExecutables(path);
        if (executables.size() > 1) {
          std::string names;
          for (const auto& e : executables) names += (names.empty() ? "" : ", ") + e.filename().string();
          throw KuzoError(Format("%s holds several title executables (%s): name the one to play", args[i].c_str(),
                                 names.c_str()));
        }
        if (executables.size() == 1) {
          out.executable = executables[0];
          if (HasArchiveTrailer(executables[0])) out.archives.push_back(executables[0]);
        }
      }
    } else {
      if (i != 0 || !CarriesTitleArchive(path)) {
        throw KuzoError(Format("%s: not a game directory nor a title's executable carrying its data", args[i].c_str()));
      }
      out.executable = path;
      if (HasArchiveTrailer(path)) out.archives.push_back(path);
      dir = path.parent_path();
      if (dir.empty()) dir = ".";
    }
    if (i == 0) out.baseDir = dir;
    AddGameArchive(dir, out);
  }
  return out;
}

}  // namespace kuzo::host
