// TVrFileManager: answers every game file name from the base directory, the open archives (in the
// order added) and the disc roots. It hands out whole files through a 4 MiB most-recently-used
// cache, range streams for streaming media, and real paths (archived entries extracted into locked
// temporary files), and asks for discs of multi-disc titles.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/archive.h"
#include "data/range_stream.h"

namespace kuzo {

// What the manager needs from the project; the project fills it when it loads.
struct TVrProjectInfo {
  std::string title = "情報";
  // Which folder is stored on which disc (folder name, disc number from 1).
  std::vector<std::pair<std::string, int32_t>> folderDisks;
  // Sound extensions separated and ended by "."; a missing sound never triggers a disc prompt.
  std::string soundExts = ".wav.wma.ogg.mid";
  std::string diskPrompt = "ディスク%dを入れてから[OK]をクリックしてください";
  std::string exitPrompt = "終了します";
};

enum class PromptButtons { kOk, kOkCancel };
enum class PromptIcon { kNone, kInformation, kWarning };
enum class PromptResult { kOk, kCancel };

// Message boxes and the close request, implemented by the host. A headless host answers the
// default button and reports itself not interactive, so question loops end instead of spinning.
class IPromptHost {
 public:
  virtual ~IPromptHost() = default;
  virtual PromptResult ShowPrompt(const std::string& text, const std::string& caption, PromptButtons buttons,
                                  PromptIcon icon) = 0;
  // Sets the terminate request and asks the main window to close.
  virtual void RequestTerminate() = 0;
  virtual bool Interactive() const { return true; }
};

// Most-recently-used cache of whole files (index 0 is the most recent), 4 MiB in total.
class TVrCacheList {
 public:
  static constexpr int64_t kBudget = 0x400000;
  struct TVrCache {
    std::string name;  // upper-cased
    std::string content;
  };
  // The entry of `name`, moved to the front; nullptr when there is none.
  TVrCache* Find(std::string_view name);
  // The one place that creates entries: puts `content` under `name` at the front. A new entry is
  // made room for first, evicting from the back while more than one entry remains and the older
  // entries exceed the budget (so the newest entry always stays, however large).
  void Store(std::string_view name, std::string content);
  // Drops the entry of that name, if any.
  void Drop(std::string_view name);
  void Clear() { entries_.clear(); }
  int Count() const { return static_cast<int>(entries_.size()); }
  const TVrCache& At(int index) const { return *entries_[static_cast<size_t>(index)]; }
  int64_t TotalSize() const;

 private:
  std::vector<std::unique_ptr<TVrCache>> entries_;
};

// Temporary files extracted for path-based readers, one per requested name.
struct TVrLockData {
  uint32_t id = 0;
  std::string name;  // as requested (compared case-sensitively)
  int32_t refCount = 0;
  std::string tempPath;
};

// Where a game file name was found: the answer of the one search order (base directory, then the
// archives in the order added, then the disc roots), so every read uses what was located once.
struct TVrLocation {
  enum class Source { kNone, kBaseDir, kArchive, kDisc };
  Source source = Source::kNone;
  std::filesystem::path path;            // kBaseDir, kDisc: the file on disk
  TVrFileCollection* archive = nullptr;  // kArchive: the archive holding the entry
  TVrFile* entry = nullptr;              // kArchive: the entry itself, looked up once
  explicit operator bool() const { return source != Source::kNone; }
};

class TVrFileManager {
 public:
  TVrFileManager();
  ~TVrFileManager();
  TVrFileManager(const TVrFileManager&) = delete;
  TVrFileManager& operator=(const TVrFileManager&) = delete;

  // Wiring done by the host and the project.
  TVrProjectInfo& Project() { return project_; }
  void SetPromptHost(IPromptHost* host) { prompts_ = host; }
  void SetExecutableDir(std::filesystem::path dir) { exeDir_ = std::move(dir); }
  // The disc roots (mount points of optical media); read from the system at creation, and again
  // each time the player asks for a disc (a disc inserted meanwhile mounts at a new point named after
  // its label). Setting them fixes the list; setting a source replaces where they are read from.
  void SetDiscRoots(std::vector<std::string> roots) {
    cdRoots_ = std::move(roots);
    discRootsFixed_ = true;
  }
  void SetDiscRootsSource(std::function<std::vector<std::string>()> source) {
    discRootsSource_ = std::move(source);
    discRootsFixed_ = false;
    cdRoots_ = discRootsSource_();
  }
  const std::vector<std::string>& DiscRoots() const { return cdRoots_; }
  // Where temporary files go; by default a private directory created on first use.
  void SetTempDir(std::filesystem::path dir);

  // Opens an archive and appends it; returns its index. An empty path gives an empty collection.
  // Raises FormatError (and adds nothing) when the archive is unreadable.
  int AddArchive(const std::filesystem::path& path);
  // The archive behind an executable's trailer, whatever its extension (the player's own binary).
  int AddExecutableArchive(const std::filesystem::path& path);
  // An archive held in memory (the executable's resource).
  int AddResourceArchive(std::shared_ptr<const std::string> data, std::string name);
  void RemoveArchive(int index);
  int ArchiveCount() const { return static_cast<int>(archives_.size()); }
  TVrFileCollection& Archive(int index) const { return *archives_[static_cast<size_t>(index)]; }

  // Stored with a trailing "/" (empty stays empty).
  void SetBaseDir(const std::string& dir);
  const std::string& BaseDir() const { return baseDir_; }

  // Finds a name in the search order; an archive entry counts when it can be read (its archive is
  // open, or it is held in memory). Nothing for an empty name.
  TVrLocation Locate(std::string_view name) const;
  bool Exists(std::string_view name) const { return static_cast<bool>(Locate(name)); }
  // The whole content, through the cache; raises "%s:ファイルがありません" when found nowhere.
  std::string ReadFile(std::string_view name);
  std::unique_ptr<TRangeStream> OpenRange(std::string_view name) const;
  // A path on disk: the loose file, a locked temporary copy of an archived entry, a disc file, or
  // the name unchanged.
  std::string GetFilePath(std::string_view name);
  // Gives back one reference of a path handed out by GetFilePath after `delayMs`; the temporary file
  // is deleted once its last reference is gone.
  void ReleaseFilePath(std::string_view name, int32_t delayMs);
  TVrFile* FindEntry(std::string_view name) const;
  // Keeps `content` as an in-memory game file of that name (replacing an earlier one), found after
  // the archives; its cached copy is dropped. Pictures the game saves for itself live here.
  void StoreMemoryFile(std::string_view name, std::string content);
  // Forgets the cached content of a name (after the game rewrote it).
  void DropCached(std::string_view name) { cache_.Drop(name); }

  bool FileAvailable(std::string_view name);
  bool RequestDisk(int32_t disk);
  bool MountDisk(int32_t index);
  bool LocateGameData();

  // Every frame tick: advance delayed releases, then delete pending temporary files.
  void AdvanceLocks(int32_t deltaMs);
  void DeletePendingFiles();
  // Frees every lock and archive and deletes the temporary files.
  void Shutdown();

  const TVrCacheList& Cache() const { return cache_; }
  const std::vector<TVrLockData>& Locks() const { return locks_; }
  const std::vector<std::string>& PendingDeletes() const { return pendingDelete_; }

 private:
  // ReadFile with the name already located (`known` null: locate it now).
  std::string ReadThroughCache(std::string_view name, const TVrLocation* known);
  std::string ExtractToTempFile(std::string_view name, const TVrLocation& at);
  void FreeLock(size_t index);
  std::filesystem::path EnsureTempDir();
  static std::string LoadLooseFile(const std::filesystem::path& path, std::string_view name);
  PromptResult Ask(const std::string& text, const std::string& caption, PromptButtons buttons, PromptIcon icon);
  bool DiscHasTitle(const std::string& root, const std::string& title, int32_t diskIndex, bool checkIndex) const;
  void RereadDiscRoots();

  std::vector<std::unique_ptr<TVrFileCollection>> archives_;
  std::unique_ptr<TVrFileCollection> memoryFiles_;  // StoreMemoryFile's entries
  std::string baseDir_;
  std::vector<std::string> cdRoots_;
  bool discRootsFixed_ = false;
  std::function<std::vector<std::string>()> discRootsSource_;
  std::filesystem::path exeDir_;
  std::filesystem::path tempDir_;
  bool ownsTempDir_ = false;
  TVrCacheList cache_;
  std::vector<TVrLockData> locks_;
  uint32_t nextLockId_ = 0;
  struct DelayedRelease {
    std::string name;
    int32_t remainingMs;
  };
  std::vector<DelayedRelease> delayedReleases_;
  std::vector<std::string> pendingDelete_;
  TVrProjectInfo project_;
  IPromptHost* prompts_ = nullptr;
};

}  // namespace kuzo
