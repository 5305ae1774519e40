// Reading and writing the project file.
#include "script/project_file.h"

#include "vars/float80.h"

namespace kuzo {
namespace {
// Smallest declaration: type byte and an empty name; smallest folder-disk entry: empty name, disk.
constexpr size_t kMinDeclarationBytes = 1 + 4;
constexpr size_t kMinFolderDiskBytes = 4 + 4;
}  // namespace

void ProjectFile::ReadFields(ByteReader& r) {
  title = r.String("Title");
  width = r.I32("Width");
  height = r.I32("Height");
  fullWidth = r.I32("FullWidth");
  fullHeight = r.I32("FullHeight");
  startPage = r.String("StartPage");
  if (version > kExitPageAbove) exitPage = r.String("ExitPage");
  registryKey = r.String("RegistryKey");
  imageOption = r.I32("ImageOption");
  if (version > kSaveStatusFlagAbove) saveStatusOnExit = r.U8("SaveStatusOnExit");
  frameWait = version >= kFrameWaitSince ? r.U8("FrameWait") : 0;
  soundExts = version >= kSoundExtsSince ? r.String("SoundExts") : std::string(kOldSoundExts);
  diskPrompt = r.String("DiskPrompt");
  exitPrompt = r.String("ExitPrompt");
  const uint32_t count = r.Count(kMinDeclarationBytes, "variable count");
  variables.clear();
  variables.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    ProjectVariable v;
    v.type = r.U8("variable type");
    v.name = r.String("variable name");
    switch (v.type) {
      case 1: v.intValue = r.I32("integer value"); break;
      case 2: v.floatValue = ReadFloat80(r, "float value"); break;
      case 3: v.flagValue = r.U8("flag value") != 0; break;
      case 4: v.strValue = r.String("string value"); break;
      default: break;  // other types carry no value
    }
    variables.push_back(std::move(v));
  }
  const uint32_t disks = r.Count(kMinFolderDiskBytes, "folder-disk count");
  folderDisks.clear();
  folderDisks.reserve(disks);
  for (uint32_t i = 0; i < disks; ++i) {
    std::string folder = r.String("folder");
    const int32_t disk = r.I32("disk number");
    folderDisks.emplace_back(std::move(folder), disk);
  }
}

void ProjectFile::Write(ByteWriter& w) const {
  w.U32(version);
  w.String(title);
  w.I32(width);
  w.I32(height);
  w.I32(fullWidth);
  w.I32(fullHeight);
  w.String(startPage);
  if (version > kExitPageAbove) w.String(exitPage);
  w.String(registryKey);
  w.I32(imageOption);
  if (version > kSaveStatusFlagAbove) w.U8(saveStatusOnExit);
  if (version >= kFrameWaitSince) w.U8(frameWait);
  if (version >= kSoundExtsSince) w.String(soundExts);
  w.String(diskPrompt);
  w.String(exitPrompt);
  w.U32(static_cast<uint32_t>(variables.size()));
  for (const auto& v : variables) {
    w.U8(v.type);
    w.String(v.name);
    switch (v.type) {
      case 1: w.I32(v.intValue); break;
      case 2: WriteFloat80(w, v.floatValue); break;
      case 3: w.U8(v.flagValue ? 1 : 0); break;
      case 4: w.String(v.strValue); break;
      default: break;
    }
  }
  w.U32(static_cast<uint32_t>(folderDisks.size()));
  for (const auto& [folder, disk] : folderDisks) {
    w.String(folder);
    w.I32(disk);
  }
}

}  // namespace kuzo
