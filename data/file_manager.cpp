// The game-data file manager: sources in order (base directory, archives, disc roots), the MRU read
// cache, locked temporary files for path-based readers, and the disc prompts of multi-disc titles.
#include "data/file_manager.h"

#include <algorithm>
#include <climits>
#include <system_error>

#include "core/errors.h"
#include "core/sjis.h"
#include "data/install_settings.h"
#include "platform/file_system.h"
#include "platform/optical_media.h"

namespace kuzo {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kGameDataName = "game.dat";
constexpr std::string_view kTempPrefix = "~kz";
const char* const kMissingFile = "%s:ファイルがありません";
const char* const kNoTempFile = "作業用ファイルが作れません";
const char* const kReinstall = "インストールし直してください";
const char* const kInsertDisc = "ディスクを入れてください";
const char* const kInfoCaption = "情報";

[[noreturn]] void ThrowMissing(std::string_view name) {
  throw KuzoError(Format(kMissingFile, std::string(name).c_str()));
}

// Extension of a game name, with its dot ("" when none); only the last path component counts.
std::string ExtensionOf(std::string_view name) {
  const size_t slash = sjis::FindLastChar(name, '\\');
  const size_t from = slash == std::string_view::npos ? 0 : slash + 1;
  const size_t dot = sjis::FindLastChar(name.substr(from), '.');
  return dot == std::string_view::npos ? std::string() : std::string(name.substr(from + dot));
}

// The disc prompt with its "%d" replaced by the disc number. The prompt comes from the title's
// data, so it is never used as a printf format.
std::string FormatDiskPrompt(const std::string& prompt, int32_t disk) {
  const size_t at = prompt.find("%d");
  if (at == std::string::npos) return prompt;
  return prompt.substr(0, at) + std::to_string(disk) + prompt.substr(at + 2);
}

std::string WithTrailingSlash(std::string dir) {
  if (!dir.empty() && dir.back() != '/') dir.push_back('/');
  return dir;
}

}  // namespace

// ---- cache ----

TVrCacheList::TVrCache* TVrCacheList::Find(std::string_view name) {
  const std::string upper = sjis::ToUpper(name);
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i]->name == upper) {
      std::rotate(entries_.begin(), entries_.begin() + static_cast<std::ptrdiff_t>(i),
                  entries_.begin() + static_cast<std::ptrdiff_t>(i) + 1);
      return entries_.front().get();
    }
  }
  return nullptr;
}

void TVrCacheList::Store(std::string_view name, std::string content) {
  TVrCache* entry = Find(name);
  if (entry == nullptr) {
    auto created = std::make_unique<TVrCache>();
    created->name = sjis::ToUpper(name);
    entries_.insert(entries_.begin(), std::move(created));
    while (entries_.size() > 1 && TotalSize() > kBudget) entries_.pop_back();
    entry = entries_.front().get();
  }
  entry->content = std::move(content);
}

void TVrCacheList::Drop(std::string_view name) {
  const std::string upper = sjis::ToUpper(name);
  std::erase_if(entries_, [&](const std::unique_ptr<TVrCache>& e) { return e->name == upper; });
}

int64_t TVrCacheList::TotalSize() const {
  int64_t total = 0;
  for (const auto& e : entries_) total += static_cast<int64_t>(e->content.size());
  return total;
}

// ---- manager ----

TVrFileManager::TVrFileManager() : discRootsSource_(platform::OpticalMediaRoots) { cdRoots_ = discRootsSource_(); }

void TVrFileManager::RereadDiscRoots() {
  if (!discRootsFixed_ && discRootsSource_) cdRoots_ = discRootsSource_();
}

TVrFileManager::~TVrFileManager() { Shutdown(); }

void TVrFileManager::SetTempDir(fs::path dir) {
  tempDir_ = std::move(dir);
  ownsTempDir_ = false;
}

fs::path TVrFileManager::EnsureTempDir() {
  if (tempDir_.empty()) {
    // A private directory per player: two players never share a temporary name.
    tempDir_ = platform::MakePrivateTempDirectory("kuzo");
    ownsTempDir_ = true;
  }
  return tempDir_;
}

int TVrFileManager::AddArchive(const fs::path& path) {
  auto archive = std::make_unique<TVrFileCollection>();
  archive->Open(path);
  archives_.push_back(std::move(archive));
  return static_cast<int>(archives_.size()) - 1;
}

int TVrFileManager::AddExecutableArchive(const fs::path& path) {
  auto archive = std::make_unique<TVrFileCollection>();
  archive->OpenWithTrailer(path);
  archives_.push_back(std::move(archive));
  return static_cast<int>(archives_.size()) - 1;
}

int TVrFileManager::AddResourceArchive(std::shared_ptr<const std::string> data, std::string name) {
  auto archive = std::make_unique<TVrFileCollection>();
  archive->OpenResource(std::move(data), std::move(name));
  archives_.push_back(std::move(archive));
  return static_cast<int>(archives_.size()) - 1;
}

void TVrFileManager::RemoveArchive(int index) {
  if (index < 0 || index >= ArchiveCount()) return;
  archives_.erase(archives_.begin() + index);
}

void TVrFileManager::SetBaseDir(const std::string& dir) { baseDir_ = WithTrailingSlash(dir); }

TVrFile* TVrFileManager::FindEntry(std::string_view name) const {
  for (const auto& archive : archives_) {
    if (TVrFile* file = archive->FindFile(name)) return file;
  }
  return memoryFiles_ ? memoryFiles_->FindFile(name) : nullptr;
}

void TVrFileManager::StoreMemoryFile(std::string_view name, std::string content) {
  if (!memoryFiles_) memoryFiles_ = std::make_unique<TVrFileCollection>();
  memoryFiles_->Delete(name);
  memoryFiles_->AddMemory(std::string(name)).data->SetData(std::move(content));
  cache_.Drop(name);
}

TVrLocation TVrFileManager::Locate(std::string_view name) const {
  TVrLocation at;
  if (name.empty()) return at;
  if (!baseDir_.empty()) {
    if (auto loose = platform::ResolveGameFile(baseDir_, name)) {
      at.source = TVrLocation::Source::kBaseDir;
      at.path = std::move(*loose);
      return at;
    }
  }
  for (const auto& archive : archives_) {
    TVrFile* file = archive->FindFile(name);
    if (file == nullptr || (!file->data && !archive->HasStream())) continue;
    at.source = TVrLocation::Source::kArchive;
    at.archive = archive.get();
    at.entry = file;
    return at;
  }
  if (memoryFiles_) {
    if (TVrFile* file = memoryFiles_->FindFile(name)) {
      at.source = TVrLocation::Source::kArchive;
      at.archive = memoryFiles_.get();
      at.entry = file;
      return at;
    }
  }
  for (const std::string& root : cdRoots_) {
    if (auto onDisc = platform::ResolveGameFile(root, name)) {
      at.source = TVrLocation::Source::kDisc;
      at.path = std::move(*onDisc);
      return at;
    }
  }
  return at;
}

std::string TVrFileManager::LoadLooseFile(const fs::path& path, std::string_view name) {
  auto content = platform::ReadWholeFile(path);
  if (!content) ThrowMissing(name);
  return std::move(*content);
}

std::string TVrFileManager::ReadFile(std::string_view name) { return ReadThroughCache(name, nullptr); }

std::string TVrFileManager::ReadThroughCache(std::string_view name, const TVrLocation* known) {
  if (const TVrCacheList::TVrCache* hit = cache_.Find(name); hit != nullptr && !hit->content.empty()) {
    return hit->content;
  }
  const TVrLocation at = known != nullptr ? *known : Locate(name);
  if (!at) {
    cache_.Drop(name);
    ThrowMissing(name);
  }
  if (at.source != TVrLocation::Source::kArchive) {
    std::string content = LoadLooseFile(at.path, name);
    cache_.Store(name, content);
    return content;
  }
  std::string content = at.archive->ExtractEntry(*at.entry);
  // Entries held in memory change under the game (saved screens): served as they are, never cached.
  if (at.entry->data) {
    cache_.Drop(name);
  } else {
    cache_.Store(name, content);
  }
  return content;
}

std::unique_ptr<TRangeStream> TVrFileManager::OpenRange(std::string_view name) const {
  const TVrLocation at = Locate(name);
  if (at.source == TVrLocation::Source::kArchive) {
    if (auto range = at.archive->OpenEntryRange(*at.entry)) return range;
  } else if (at) {
    return std::make_unique<TFileRangeStream>(at.path, 0, 0);
  }
  ThrowMissing(name);
}

std::string TVrFileManager::GetFilePath(std::string_view name) {
  const TVrLocation at = Locate(name);
  if (!at) return std::string(name);
  if (at.source != TVrLocation::Source::kArchive) return at.path.string();
  for (TVrLockData& lock : locks_) {
    if (lock.name == name) {  // exact bytes: another letter case extracts its own copy
      ++lock.refCount;
      return lock.tempPath;
    }
  }
  return ExtractToTempFile(name, at);
}

std::string TVrFileManager::ExtractToTempFile(std::string_view name, const TVrLocation& at) {
  auto inUse = [&](uint32_t id) {
    return std::any_of(locks_.begin(), locks_.end(), [&](const TVrLockData& l) { return l.id == id; });
  };
  while (inUse(nextLockId_)) ++nextLockId_;
  TVrLockData lock;
  lock.id = nextLockId_++;
  lock.name = std::string(name);
  lock.refCount = 1;
  const fs::path path = EnsureTempDir() / (std::string(kTempPrefix) + Format("%08X", lock.id) + ExtensionOf(name));
  lock.tempPath = path.string();
  if (fs::exists(path)) platform::ClearReadOnly(path);
  auto file = platform::NativeFile::Open(path, platform::NativeFile::Mode::kCreate);
  if (!file) throw KuzoError(kNoTempFile);
  try {
    const std::string content = ReadThroughCache(name, &at);
    if (!file->WriteAt(0, content.data(), content.size()) || !file->Sync()) throw KuzoError(kNoTempFile);
  } catch (...) {
    file.reset();
    std::error_code ec;
    fs::remove(path, ec);
    throw;
  }
  locks_.push_back(std::move(lock));
  return locks_.back().tempPath;
}

void TVrFileManager::ReleaseFilePath(std::string_view name, int32_t delayMs) {
  delayedReleases_.push_back(DelayedRelease{std::string(name), delayMs});
}

void TVrFileManager::FreeLock(size_t index) {
  pendingDelete_.push_back(locks_[index].tempPath);
  locks_.erase(locks_.begin() + static_cast<std::ptrdiff_t>(index));
}

void TVrFileManager::AdvanceLocks(int32_t deltaMs) {
  for (size_t i = 0; i < delayedReleases_.size();) {
    DelayedRelease& release = delayedReleases_[i];
    const int64_t remaining = int64_t{release.remainingMs} - deltaMs;  // no overflow for any delta
    release.remainingMs = static_cast<int32_t>(std::clamp<int64_t>(remaining, INT32_MIN, INT32_MAX));
    if (release.remainingMs > 0) {
      ++i;
      continue;
    }
    for (size_t k = 0; k < locks_.size(); ++k) {
      if (locks_[k].name == release.name) {
        if (--locks_[k].refCount <= 0) FreeLock(k);
        break;
      }
    }
    delayedReleases_.erase(delayedReleases_.begin() + static_cast<std::ptrdiff_t>(i));
  }
}

void TVrFileManager::DeletePendingFiles() {
  for (const std::string& path : pendingDelete_) {
    std::error_code ec;
    platform::ClearReadOnly(path);
    fs::remove(path, ec);  // failures are ignored: the file may be in use or already gone
  }
  pendingDelete_.clear();
}

void TVrFileManager::Shutdown() {
  while (!locks_.empty()) FreeLock(locks_.size() - 1);
  delayedReleases_.clear();
  archives_.clear();
  cache_.Clear();
  DeletePendingFiles();
  if (ownsTempDir_ && !tempDir_.empty()) {
    std::error_code ec;
    fs::remove_all(tempDir_, ec);
    tempDir_.clear();
    ownsTempDir_ = false;
  }
}

PromptResult TVrFileManager::Ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                                 PromptIcon icon) {
  if (prompts_ == nullptr) return buttons == PromptButtons::kOk ? PromptResult::kOk : PromptResult::kCancel;
  return prompts_->ShowPrompt(text, caption, buttons, icon);
}

bool TVrFileManager::FileAvailable(std::string_view name) {
  if (Exists(name)) return true;
  std::string current = sjis::ToUpper(name);
  int32_t disk = 0;
  while (!current.empty()) {
    bool found = false;
    for (const auto& [folder, number] : project_.folderDisks) {
      if (sjis::EqualsNoCase(folder + "\\", current + "\\")) {
        disk = number;
        found = true;
        break;
      }
    }
    if (found) break;
    const size_t slash = sjis::FindLastChar(current, '\\');
    current = slash == std::string::npos ? std::string() : current.substr(0, slash);
  }
  if (disk <= 0) return false;
  // A missing sound is skipped rather than asked for. The list is matched with a leading dot so its
  // first extension counts too.
  std::string haystack = sjis::ToLower(project_.soundExts) + ".";
  if (haystack.front() != '.') haystack.insert(haystack.begin(), '.');
  if (haystack.find(sjis::ToLower(ExtensionOf(name)) + ".") != std::string::npos) return false;
  return RequestDisk(disk);
}

bool TVrFileManager::RequestDisk(int32_t disk) {
  for (size_t i = archives_.size(); i-- > 0;) {
    const std::string dir = WithTrailingSlash(archives_[i]->Directory().string());
    for (const std::string& root : cdRoots_) {
      if (dir.size() >= root.size() && sjis::EqualsNoCase(std::string_view(dir).substr(0, root.size()), root)) {
        archives_.erase(archives_.begin() + static_cast<std::ptrdiff_t>(i));
        break;
      }
    }
  }
  const bool interactive = prompts_ != nullptr && prompts_->Interactive();
  for (;;) {
    const PromptResult answer =
        Ask(FormatDiskPrompt(project_.diskPrompt, disk), project_.title, PromptButtons::kOkCancel, PromptIcon::kNone);
    if (answer == PromptResult::kOk) {
      RereadDiscRoots();
      if (MountDisk(disk - 1)) return true;
      if (!interactive) return false;  // nobody can change the disc: do not ask forever
      continue;
    }
    if (Ask(project_.exitPrompt, project_.title, PromptButtons::kOkCancel, PromptIcon::kNone) == PromptResult::kOk) {
      if (prompts_ != nullptr) prompts_->RequestTerminate();
      return false;
    }
    if (!interactive) return false;
  }
}

bool TVrFileManager::DiscHasTitle(const std::string& root, const std::string& title, int32_t diskIndex,
                                  bool checkIndex) const {
  if (!platform::ResolveGameFile(root, kGameDataName)) return false;
  const auto settingsPath = platform::ResolveGameFile(root, kInstallFileName);
  if (!settingsPath) return false;
  const auto bytes = platform::ReadWholeFile(*settingsPath);
  if (!bytes) return false;
  try {
    const TKuzoInstallSet settings = TKuzoInstallSet::Read(*bytes, settingsPath->string());
    return settings.title == title && (!checkIndex || settings.diskIndex == static_cast<uint32_t>(diskIndex));
  } catch (const FormatError&) {
    return false;  // an unreadable settings file is not the disc we want
  }
}

bool TVrFileManager::MountDisk(int32_t index) {
  bool mounted = false;
  for (const std::string& root : cdRoots_) {
    if (!DiscHasTitle(root, project_.title, index, true)) continue;
    try {
      AddArchive(*platform::ResolveGameFile(root, kGameDataName));
      mounted = true;
    } catch (const KuzoError&) {
      // an unreadable archive on the disc: try the other roots
    }
  }
  return mounted;
}

bool TVrFileManager::LocateGameData() {
  if (!exeDir_.empty() && baseDir_.empty() && platform::ResolveGameFile(exeDir_, kInstallFileName)) {
    SetBaseDir(exeDir_.string());
  }
  if (!Exists(kInstallFileName)) {
    Ask(kReinstall, kInfoCaption, PromptButtons::kOk, PromptIcon::kInformation);
    return false;
  }
  const TKuzoInstallSet settings = TKuzoInstallSet::Read(ReadFile(kInstallFileName));
  if (!exeDir_.empty()) {
    if (auto gameData = platform::ResolveGameFile(exeDir_, kGameDataName)) AddArchive(*gameData);
  }
  if (settings.dataInstalled && !archives_.empty()) return true;
  const bool interactive = prompts_ != nullptr && prompts_->Interactive();
  for (;;) {
    for (const std::string& root : cdRoots_) {
      if (DiscHasTitle(root, settings.title, 0, false)) {
        AddArchive(*platform::ResolveGameFile(root, kGameDataName));
        return true;
      }
    }
    if (Ask(kInsertDisc, kInfoCaption, PromptButtons::kOkCancel, PromptIcon::kInformation) == PromptResult::kOk) {
      if (!interactive) return false;
      RereadDiscRoots();
      continue;
    }
    if (Ask(project_.exitPrompt, project_.title, PromptButtons::kOkCancel, PromptIcon::kInformation) ==
        PromptResult::kOk) {
      return false;
    }
    if (!interactive) return false;
    RereadDiscRoots();
  }
}

}  // namespace kuzo
