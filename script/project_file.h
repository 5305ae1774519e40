// The project file "kuzo.kpb": the title's global settings, its declared variables and the
// folder-disk list, with the version gates of every field. Read by the project at start-up and
// written by the title builder.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/byte_reader.h"

namespace kuzo {

constexpr std::string_view kProjectFileName = "kuzo.kpb";
constexpr std::string_view kOriginalProjectFileName = "/original_kuzo.kpb";
constexpr uint32_t kProjectVersionMax = 110;
constexpr uint32_t kExitPageAbove = 109;      // ExitPage present when V > 109
constexpr uint32_t kSaveStatusFlagAbove = 103;  // SaveStatusOnExit present when V > 103
constexpr uint32_t kFrameWaitSince = 106;     // FrameWait present when V >= 106
constexpr uint32_t kSoundExtsSince = 109;     // SoundExts present when V >= 109
constexpr std::string_view kDefaultTitle = "情報";
constexpr std::string_view kOldSoundExts = ".wav.wma.ogg.mid";
constexpr std::string_view kDefaultDiskPrompt = "ディスク%dを入れてから[OK]をクリックしてください";
constexpr std::string_view kDefaultExitPrompt = "終了します";

struct ProjectVariable {
  uint8_t type = 1;  // 1 integer, 2 float, 3 flag, 4 string; other codes carry no value
  std::string name;
  int32_t intValue = 0;
  long double floatValue = 0;
  bool flagValue = false;
  std::string strValue;
};

struct ProjectFile {
  uint32_t version = kProjectVersionMax;
  std::string title = std::string(kDefaultTitle);
  int32_t width = 0, height = 0;
  int32_t fullWidth = 0, fullHeight = 0;
  std::string startPage;
  std::string exitPage;
  std::string registryKey;
  int32_t imageOption = 0;
  uint8_t saveStatusOnExit = 1;
  uint8_t frameWait = 1;
  std::string soundExts = "wav.wma.ogg";
  std::string diskPrompt = std::string(kDefaultDiskPrompt);
  std::string exitPrompt = std::string(kDefaultExitPrompt);
  std::vector<ProjectVariable> variables;
  std::vector<std::pair<std::string, int32_t>> folderDisks;

  // Reads the fields after the version (already read into `version`) with its gates.
  void ReadFields(ByteReader& r);
  // The whole file.
  void Write(ByteWriter& w) const;
};

}  // namespace kuzo
