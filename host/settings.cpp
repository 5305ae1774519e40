// game.ini reading with its clamping rules, and the settings dialog's model.
#include "host/settings.h"

#include <algorithm>

#include "core/errors.h"
#include "host/ini_file.h"

namespace kuzo::host {

int32_t ClampDelayTime(int32_t raw) {
  int32_t value = (raw / kDelayStepMs) * kDelayStepMs;  // truncating division, as integer div
  return std::clamp(value, kMinDelayTimeMs, kMaxDelayTimeMs);
}

SoundSettings LoadSoundSettings(const std::filesystem::path& iniPath) {
  SoundSettings settings;
  std::error_code ec;
  if (!std::filesystem::exists(iniPath, ec)) return settings;
  IniFile ini = IniFile::Load(iniPath);
  settings.directSound = ini.ReadBool(kSoundSection, kDirectSoundKey, true);
  settings.delayTimeMs = ClampDelayTime(ini.ReadInteger(kSoundSection, kDelayTimeKey, settings.delayTimeMs));
  return settings;
}

ConfigDialogModel::ConfigDialogModel(const std::filesystem::path& iniPath) : iniPath_(iniPath) {
  IniFile ini = IniFile::Load(iniPath);
  SetSoundChecked(ini.ReadBool(kSoundSection, kDirectSoundKey, true));
  SetTrackPosition(ini.ReadInteger(kSoundSection, kDelayTimeKey, kDefaultDelayTimeMs) / kDelayStepMs);
}

void ConfigDialogModel::SetSoundChecked(bool checked) { soundChecked_ = checked; }

void ConfigDialogModel::SetTrackPosition(int position) {
  trackPosition_ = std::clamp(position, kTrackMin, kTrackMax);
  delayInfo_ = Format("%dms", trackPosition_ * kDelayStepMs);
}

void ConfigDialogModel::Accept() {
  // Re-read so that lines written by others since the dialog opened are kept.
  IniFile ini = IniFile::Load(iniPath_);
  ini.WriteBool(kSoundSection, kDirectSoundKey, soundChecked_);
  ini.WriteInteger(kSoundSection, kDelayTimeKey, trackPosition_ * kDelayStepMs);
  ini.Save(iniPath_);
}

}  // namespace kuzo::host
