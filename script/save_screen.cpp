// The SaveScreen built-in: captures a base, scales it, encodes it as a Drel image and stores it as
// a file in the title's folder or as an in-memory game file, then records it as asked.
#include "script/save_screen.h"

#include <filesystem>

#include "components/drel_collection.h"
#include "core/host_state.h"
#include "core/sjis.h"
#include "data/file_manager.h"
#include "data/install_settings.h"
#include "graphics/image_formats/image_file.h"
#include "platform/cp932.h"
#include "platform/file_system.h"
#include "scene/kuzo_base.h"
#include "scene/kuzo_base_list.h"
#include "vars/builtin_ids.h"
#include "vars/param.h"
#include "vars/sys_func_man.h"

namespace kuzo {
namespace {

constexpr std::string_view kDrelExtension = ".drl";
constexpr std::string_view kMemoryPrefix = "mem:";
// Largest picture side accepted (the scene itself is far smaller); larger sizes answer false.
constexpr int32_t kMaxSide = 8192;

bool HasPrefixNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && sjis::EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

bool HasDrelExtension(std::string_view name) {
  return name.size() > kDrelExtension.size() &&
         sjis::EqualsNoCase(name.substr(name.size() - kDrelExtension.size()), kDrelExtension);
}

// The base's picture as it is now. The front base shows the frame last drawn; the other base (and
// the front one while a transition composes the screen) draws its controls into its own surface
// first.
const TCustomDIBX* BasePicture(TKuzoBaseList& scene, bool otherBase) {
  TKuzoBase* base = otherBase ? scene.InactiveBase() : scene.ActiveBase();
  if (!base) return nullptr;
  if (otherBase || scene.TransitionRunning()) {
    base->MarkAllDirty();
    base->DrawDirty();
  }
  const TCustomDIBX* surface = base->GetDrawSurface();
  if (!surface || surface->IsEmpty()) return nullptr;
  return surface;
}

// Where a file name of the game lands on disk: an existing file of that name (letter case as the
// folder has it), else the name in its folder, which must exist. Nothing without a base folder.
std::optional<std::filesystem::path> FilePathFor(const TVrFileManager& files, std::string_view name) {
  if (files.BaseDir().empty()) return std::nullopt;
  const std::filesystem::path base(files.BaseDir());
  if (auto existing = platform::ResolveGameFile(base, name)) return existing;
  size_t cut = std::string_view::npos;
  for (size_t i = 0; i < name.size(); i += sjis::CharLength(name, i)) {
    if (name[i] == '\\' || name[i] == '/') cut = i;
  }
  std::filesystem::path folder = base;
  std::string_view leaf = name;
  if (cut != std::string_view::npos) {
    auto found = platform::ResolveGamePath(base, name.substr(0, cut));
    if (!found) return std::nullopt;
    folder = *found;
    leaf = name.substr(cut + 1);
  }
  std::error_code ec;
  if (leaf.empty() || !std::filesystem::is_directory(folder, ec)) return std::nullopt;
  return folder / platform::Cp932ToUtf8(leaf);
}

// Adds `name` to the install list of "install.dat" in the title's folder unless it is listed
// (compared without regard to case); false when that file does not exist or cannot be rewritten.
bool AddToInstallList(const TVrFileManager& files, const std::string& name) {
  if (files.BaseDir().empty()) return false;
  const auto path = platform::ResolveGameFile(std::filesystem::path(files.BaseDir()), kInstallFileName);
  if (!path) return false;
  const auto bytes = platform::ReadWholeFile(*path);
  if (!bytes) return false;
  try {
    TKuzoInstallSet set = TKuzoInstallSet::Read(*bytes);
    for (const std::string& listed : set.list21) {
      if (sjis::EqualsNoCase(listed, name)) return true;
    }
    set.list21.push_back(name);
    platform::WriteFileAtomic(*path, set.Write());
  } catch (const std::exception&) {
    return false;  // a damaged or unwritable install file records nothing
  }
  return true;
}

}  // namespace

bool SaveScreen(const SaveScreenTargets& targets, const SaveScreenRequest& request) {
  const std::string& name = request.name;
  if (!targets.scene || !targets.files || !HasDrelExtension(name)) return false;
  const bool inMemory = HasPrefixNoCase(name, kMemoryPrefix);
  std::optional<std::filesystem::path> path;
  if (!inMemory) {
    path = FilePathFor(*targets.files, name);
    if (!path) return false;
  }
  const int32_t width = request.width > 0 ? request.width : targets.scene->Width();
  const int32_t height = request.height > 0 ? request.height : targets.scene->Height();
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;
  const TCustomDIBX* picture = BasePicture(*targets.scene, request.otherBase);
  if (!picture) return false;

  TDrelFrameList list;
  TDrelFrame& frame = list.Add();
  frame.Image.SetSize(width, height, picture->BitCount());
  const TRect whole{0, 0, width, height};
  if (width == picture->Width() && height == picture->Height()) {
    frame.Image.Draw(0, 0, false, false, false, picture->BoundsRect(), *picture);
  } else {
    frame.Image.StretchDraw(whole, *picture, 255, false, false, false, picture->BoundsRect());
  }
  std::string bytes = SaveDrelImage(list, DrelKind::kDeflate);

  if (inMemory) {
    targets.files->StoreMemoryFile(name, std::move(bytes));
  } else {
    try {
      platform::WriteFileAtomic(*path, bytes);
    } catch (const std::exception&) {
      return false;  // unwritable folder or full disk: the old file stays
    }
    targets.files->DropCached(name);
  }
  if (targets.images) targets.images->Forget(name);

  switch (static_cast<ScreenRecord>(request.record)) {
    case ScreenRecord::kDeleteAtExit:
      if (path && targets.host) targets.host->exitDeleteList.push_back(path->string());
      break;
    case ScreenRecord::kInstallList:
      return AddToInstallList(*targets.files, name);
    default:
      break;
  }
  return true;
}

void InstallSaveScreen(TSysFuncMan& funcs, const SaveScreenTargets& targets) {
  funcs.SetHandler(BuiltinNumber(Builtin::SaveScreen), [targets](BuiltinCall& call) {
    SaveScreenRequest request;
    request.name = call.Str(1);
    if (call.Has(2)) request.width = call.Int(2);
    if (call.Has(3)) request.height = call.Int(3);
    if (call.Has(4)) request.otherBase = call.Flag(4);
    if (call.Has(5)) request.record = call.Int(5);
    call.Result().SetBoolean(SaveScreen(targets, request));
  });
}

}  // namespace kuzo
