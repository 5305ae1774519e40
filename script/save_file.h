// "save.dat": the player's own archive holding one entry per saved game ("GAMESAVEDATA" + slot in
// canonical decimal) and the status entry ("STATUSSAVEDATA") that survives across games. This class
// owns the container, the order of the sections and the file handling; each section's bytes come
// from the subsystem that owns the state, through SaveSections.
//
// Every write goes to a temporary file beside save.dat that is flushed and renamed over it, so a
// crash or a full disk leaves the previous file whole. A game load first keeps a snapshot of the
// running state and puts it back when the slot turns out to be damaged, so a failed load never
// leaves a half-replaced game. A damaged status entry (or an unreadable save.dat) is copied aside
// as "save.dat.bad-<date>" and start-up goes on with empty status data.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kuzo {

class ByteReader;
class ByteWriter;
class TVrFileCollection;

constexpr std::string_view kSaveFileName = "save.dat";
constexpr std::string_view kGameEntryPrefix = "GAMESAVEDATA";
constexpr std::string_view kStatusEntryName = "STATUSSAVEDATA";
constexpr std::string_view kStatusSignature = "Status";  // followed by three version digits
constexpr size_t kStatusSignatureBytes = 9;
constexpr uint32_t kGameSaveVersion = 134;
constexpr uint32_t kOldestGameSaveVersion = 107;
constexpr uint32_t kStatusVersion = 103;
// Status versions from which the dither flag and the status tables are present.
constexpr uint32_t kStatusDitherAbove = 100;
constexpr uint32_t kStatusTablesAbove = 102;
// Game save versions from which the database part is present.
constexpr uint32_t kGameTablesAbove = 122;
// Shown when a game save cannot be loaded.
constexpr const char* kLoadFailedMessage = "このセーブデータは使用できません";

// The state behind each section, implemented by whoever owns the subsystems. Loaders raise
// (FormatError for bad bytes) and may leave their state partly replaced: the save file restores a
// snapshot around a failed game load.
class SaveSections {
 public:
  virtual ~SaveSections() = default;
  // Game save sections in file order.
  virtual void SaveScene(ByteWriter& w) = 0;
  virtual void LoadScene(ByteReader& r, uint32_t version) = 0;
  virtual void SaveHistory(ByteWriter& w) = 0;
  virtual void LoadHistory(ByteReader& r, uint32_t version) = 0;
  virtual void SaveInterpreter(ByteWriter& w) = 0;
  virtual void LoadInterpreter(ByteReader& r, uint32_t version) = 0;
  virtual void SaveVariables(ByteWriter& w) = 0;
  virtual void LoadVariables(ByteReader& r, uint32_t version) = 0;
  virtual void SaveGameTables(ByteWriter& w) = 0;
  virtual void LoadGameTables(ByteReader& r) = 0;
  // After a load: call `page` (from command `index`) on top of the restored interpreter state.
  virtual void EnterAfterLoadPage(const std::string& page, int32_t index) = 0;
  // After a load: message windows refresh their text.
  virtual void RefreshAfterLoad() {}

  // Status sections in file order.
  virtual void SaveStatusVariables(ByteWriter& w) = 0;
  virtual void LoadStatusVariables(ByteReader& r) = 0;
  virtual void SaveReadMarks(ByteWriter& w) = 0;
  virtual void LoadReadMarks(ByteReader& r, uint32_t version) = 0;
  virtual bool CGDither() = 0;
  virtual void SetCGDither(bool on) = 0;
  virtual void SaveStatusTables(ByteWriter& w) = 0;
  virtual void LoadStatusTables(ByteReader& r) = 0;
  // Back to empty status data (after a damaged status entry).
  virtual void ClearStatus() {}
};

// One game slot of a save file, as listed.
struct SaveSlotInfo {
  int32_t slot = 0;
  std::string caption;
  uint32_t version = 0;
  int64_t size = 0;  // bytes of the entry's content
};

// Reads the head of a game entry (version, caption, after-load page and index).
struct GameEntryHead {
  uint32_t version = 0;
  std::string caption;
  std::string afterLoadPage;
  int32_t afterLoadIndex = 0;
};
GameEntryHead ReadGameEntryHead(ByteReader& r);

// "GAMESAVEDATA" + slot; the slot of an entry name, or nullopt unless the rest is a canonical
// decimal number 0..2147483647 (no sign, no leading zeros).
std::string GameEntryName(int32_t slot);
std::optional<int32_t> SlotOfEntryName(std::string_view name);
// The status version of an entry's first bytes (0 when the signature is missing, reading then
// starts at the first byte) and where the sections start. Raises FormatError for non-digits.
std::pair<uint32_t, size_t> ReadStatusSignature(std::string_view entry);

class TSaveFile {
 public:
  using LogFn = std::function<void(const std::string&)>;
  // Clock for the name of a damaged file kept aside ("YYYYMMDD-HHMMSS").
  using StampFn = std::function<std::string()>;

  TSaveFile(std::filesystem::path path, SaveSections& sections, LogFn log = {}, StampFn stamp = {});

  const std::filesystem::path& Path() const { return path_; }

  // Writes the game entry of `slot` and then the status entry (when `writeStatus`). An empty
  // caption writes nothing. Raises KuzoError when the file cannot be written (the old file stays).
  void SaveGame(int32_t slot, const std::string& caption, const std::string& afterLoadPage,
                int32_t afterLoadIndex, bool writeStatus);
  enum class LoadResult { kNoEntry, kLoaded, kFailed };
  // Loads slot `slot`. kFailed: the entry was damaged and the running state was put back.
  // `error` receives the reason of a failure.
  LoadResult LoadGame(int32_t slot, std::string* error = nullptr);
  // Loads a game entry's bytes (as LoadGame does after extracting them).
  LoadResult LoadGameEntry(std::string_view entry, int32_t slot, std::string* error = nullptr);
  // Reads a status entry's bytes; raises on damaged data (the sections may be partly read).
  void LoadStatusEntry(std::string_view entry);
  // Writes the status entry; errors are logged and otherwise ignored.
  void SaveStatus();
  // Reads the status entry when there is one. A damaged one is kept aside, the status data is
  // cleared and start goes on; answers false then.
  bool LoadStatus();
  // The game slots with their captions, in slot order.
  std::vector<SaveSlotInfo> ListSlots();
  // Captions by slot for the save-list built-ins.
  std::vector<std::pair<int32_t, std::string>> BuildCaptionList();

  // The bytes of a game entry or the status entry built from the current state.
  std::string BuildGameEntry(const std::string& caption, const std::string& afterLoadPage, int32_t afterLoadIndex);
  std::string BuildStatusEntry();

 private:
  // Opens save.dat; an unreadable file is kept aside and an empty collection returned.
  void Open(TVrFileCollection& files);
  void ReplaceEntry(std::string_view name, std::string content, bool alsoStatus);
  void KeepAside(const char* why);
  void LoadGameSections(std::string_view entry, int32_t slot, bool withHead);
  void Log(const std::string& line) const {
    if (log_) log_(line);
  }

  std::filesystem::path path_;
  SaveSections& sections_;
  LogFn log_;
  StampFn stamp_;
};

}  // namespace kuzo
