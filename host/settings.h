// The two sound settings kept in "game.ini" beside the title, read once at start-up with their
// clamping rules, and the model of the settings dialog that edits them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace kuzo::host {

constexpr const char* kSettingsFileName = "game.ini";
constexpr const char* kSoundSection = "Sound";
constexpr const char* kDirectSoundKey = "DirectSound";
constexpr const char* kDelayTimeKey = "DelayTime";
constexpr int32_t kDefaultDelayTimeMs = 500;
constexpr int32_t kMinDelayTimeMs = 100;
constexpr int32_t kMaxDelayTimeMs = 500;
constexpr int32_t kDelayStepMs = 100;

struct SoundSettings {
  bool directSound = true;                    // false: Ogg and WAV go through the own wave output
  int32_t delayTimeMs = kDefaultDelayTimeMs;  // wave-output buffer latency
};

// Start-up reading: a missing file leaves the defaults; DelayTime is cut to whole hundreds and
// kept within 100..500.
SoundSettings LoadSoundSettings(const std::filesystem::path& iniPath);
int32_t ClampDelayTime(int32_t raw);

// The settings dialog's state: a check box, a track bar of positions 1..5 (hundreds of ms) and
// the label showing the delay. The delay controls are enabled only without DirectSound.
class ConfigDialogModel {
 public:
  static constexpr int kTrackMin = 1;
  static constexpr int kTrackMax = 5;

  // Opens the dialog on the file's values (unclamped: the track bar keeps its own range).
  explicit ConfigDialogModel(const std::filesystem::path& iniPath);

  bool SoundChecked() const { return soundChecked_; }
  int TrackPosition() const { return trackPosition_; }
  bool DelayControlsEnabled() const { return !soundChecked_; }
  const std::string& DelayInfo() const { return delayInfo_; }  // "%dms"

  void SetSoundChecked(bool checked);  // CheckSoundClick
  void SetTrackPosition(int position);  // TrackBuffChange; kept within kTrackMin..kTrackMax

  // btnOKClick: writes both values into the file (keeping its other lines) atomically.
  void Accept();

 private:
  std::filesystem::path iniPath_;
  bool soundChecked_ = true;
  int trackPosition_ = kTrackMax;
  std::string delayInfo_;
};

}  // namespace kuzo::host
