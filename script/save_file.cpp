// The save file container: game entries and the status entry, their section order, atomic
// rewriting, the snapshot around a game load and the damaged-status fallback.
#include "script/save_file.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <system_error>

#include "core/byte_reader.h"
#include "core/errors.h"
#include "data/archive.h"
#include "data/big_stream.h"

namespace kuzo {

namespace fs = std::filesystem;

namespace {

std::string UtcStamp() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const auto day = floor<days>(now);
  const year_month_day ymd(day);
  const hh_mm_ss<seconds> t(floor<seconds>(now - day));
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d%02u%02u-%02lld%02lld%02lld", static_cast<int>(ymd.year()),
                static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                static_cast<long long>(t.hours().count()), static_cast<long long>(t.minutes().count()),
                static_cast<long long>(t.seconds().count()));
  return buf;
}

}  // namespace

std::string GameEntryName(int32_t slot) { return std::string(kGameEntryPrefix) + std::to_string(slot); }

std::optional<int32_t> SlotOfEntryName(std::string_view name) {
  if (name.size() <= kGameEntryPrefix.size()) return std::nullopt;
  // Entry names compare without regard to case, as the archive directory does.
  for (size_t i = 0; i < kGameEntryPrefix.size(); ++i) {
    char c = name[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != kGameEntryPrefix[i]) return std::nullopt;
  }
  std::string_view digits = name.substr(kGameEntryPrefix.size());
  if (digits.size() > 10 || (digits.size() > 1 && digits[0] == '0')) return std::nullopt;
  int64_t n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  if (n > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(n);
}

std::pair<uint32_t, size_t> ReadStatusSignature(std::string_view entry) {
  if (entry.size() < kStatusSignatureBytes || entry.substr(0, kStatusSignature.size()) != kStatusSignature) {
    return {0, 0};
  }
  uint32_t version = 0;
  for (size_t i = kStatusSignature.size(); i < kStatusSignatureBytes; ++i) {
    const char c = entry[i];
    if (c < '0' || c > '9') {
      throw FormatError(Format("%s: status signature: version byte 0x%02x at offset %zu is no digit",
                               std::string(kSaveFileName).c_str(), static_cast<uint8_t>(c), i));
    }
    version = version * 10 + static_cast<uint32_t>(c - '0');
  }
  return {version, kStatusSignatureBytes};
}

GameEntryHead ReadGameEntryHead(ByteReader& r) {
  GameEntryHead head;
  head.version = r.U32("data version");
  head.caption = r.String("caption");
  head.afterLoadPage = r.String("after-load page");
  head.afterLoadIndex = r.I32("after-load index");
  return head;
}

TSaveFile::TSaveFile(fs::path path, SaveSections& sections, LogFn log, StampFn stamp)
    : path_(std::move(path)), sections_(sections), log_(std::move(log)), stamp_(std::move(stamp)) {
  if (!stamp_) stamp_ = UtcStamp;
}

void TSaveFile::Open(TVrFileCollection& files) {
  std::error_code ec;
  if (!fs::exists(path_, ec)) {
    files.SetDirectory(path_.parent_path());
    return;
  }
  try {
    files.Open(path_);
  } catch (const KuzoError& e) {
    Log(Format("%s: %s", path_.filename().c_str(), e.what()));
    KeepAside("unreadable archive");
    files.ClearArchive();
  }
}

void TSaveFile::KeepAside(const char* why) {
  fs::path aside = path_;
  aside += ".bad-" + stamp_();
  std::error_code ec;
  fs::copy_file(path_, aside, fs::copy_options::overwrite_existing, ec);
  if (ec) {
    Log(Format("%s: %s; could not keep a copy: %s", path_.c_str(), why, ec.message().c_str()));
  } else {
    Log(Format("%s: %s; kept as %s", path_.c_str(), why, aside.filename().c_str()));
  }
}

std::string TSaveFile::BuildGameEntry(const std::string& caption, const std::string& afterLoadPage,
                                      int32_t afterLoadIndex) {
  ByteWriter w;
  w.U32(kGameSaveVersion);
  w.String(caption);
  w.String(afterLoadPage);
  w.I32(afterLoadIndex);
  sections_.SaveScene(w);
  sections_.SaveHistory(w);
  sections_.SaveInterpreter(w);
  sections_.SaveVariables(w);
  sections_.SaveGameTables(w);
  return w.Take();
}

std::string TSaveFile::BuildStatusEntry() {
  ByteWriter w;
  char signature[16];
  std::snprintf(signature, sizeof signature, "%.*s%03u", static_cast<int>(kStatusSignature.size()),
                kStatusSignature.data(), kStatusVersion);
  w.Bytes(std::string_view(signature, kStatusSignatureBytes));
  sections_.SaveStatusVariables(w);
  sections_.SaveReadMarks(w);
  w.U8(sections_.CGDither() ? 1 : 0);
  sections_.SaveStatusTables(w);
  return w.Take();
}

void TSaveFile::ReplaceEntry(std::string_view name, std::string content, bool alsoStatus) {
  TNkBigMemoryStream out;
  {
    TVrFileCollection files;
    Open(files);
    auto put = [&files](std::string_view entry, std::string bytes) {
      files.Delete(entry);
      TVrFile& file = files.AddMemory(std::string(entry));
      file.data->SetData(std::move(bytes));
    };
    put(name, std::move(content));
    if (alsoStatus) put(kStatusEntryName, BuildStatusEntry());
    files.Write(out);
  }  // the collection closes save.dat before it is replaced
  // The new file is flushed before it replaces the old one, so a crash leaves one of the two
  // whole; flushing the folder as well would only keep this newest save through a crash, and
  // costs a second disk flush inside the frame tick.
  out.SaveToFile(path_, platform::RenameSync::kKeepPrevious);
}

void TSaveFile::SaveGame(int32_t slot, const std::string& caption, const std::string& afterLoadPage,
                         int32_t afterLoadIndex, bool writeStatus) {
  if (caption.empty()) return;  // a save without a caption is not written
  ReplaceEntry(GameEntryName(slot), BuildGameEntry(caption, afterLoadPage, afterLoadIndex), writeStatus);
}

void TSaveFile::SaveStatus() {
  std::error_code ec;
  if (!fs::is_directory(path_.parent_path().empty() ? fs::path(".") : path_.parent_path(), ec)) return;
  try {
    ReplaceEntry(kStatusEntryName, BuildStatusEntry(), false);
  } catch (const KuzoError& e) {
    Log(Format("status data not written: %s", e.what()));
  }
}

void TSaveFile::LoadGameSections(std::string_view entry, int32_t slot, bool withHead) {
  ByteReader r(entry, Format("%s: game %d", std::string(kSaveFileName).c_str(), slot));
  uint32_t version = kGameSaveVersion;
  GameEntryHead head;
  if (withHead) {
    head = ReadGameEntryHead(r);
    version = head.version;
    if (version < kOldestGameSaveVersion || version > kGameSaveVersion) {
      throw FormatError(Format("%s: data version %u is not readable", r.Source().c_str(), version));
    }
  }
  sections_.LoadScene(r, version);
  sections_.LoadHistory(r, version);
  sections_.LoadInterpreter(r, version);
  if (!head.afterLoadPage.empty()) {
    sections_.EnterAfterLoadPage(head.afterLoadPage, head.afterLoadIndex > 0 ? head.afterLoadIndex : 0);
  }
  sections_.LoadVariables(r, version);
  if (version > kGameTablesAbove) sections_.LoadGameTables(r);
}

TSaveFile::LoadResult TSaveFile::LoadGame(int32_t slot, std::string* error) {
  std::string entry;
  {
    std::error_code ec;
    if (!fs::exists(path_, ec)) return LoadResult::kNoEntry;
    TVrFileCollection files;
    try {
      files.Open(path_);
      if (!files.FindFile(GameEntryName(slot))) return LoadResult::kNoEntry;
      entry = files.ExtractToString(GameEntryName(slot));
    } catch (const KuzoError& e) {
      if (error) *error = e.what();
      Log(Format("load of slot %d failed: %s", slot, e.what()));
      return LoadResult::kFailed;
    }
  }
  return LoadGameEntry(entry, slot, error);
}

TSaveFile::LoadResult TSaveFile::LoadGameEntry(std::string_view entry, int32_t slot, std::string* error) {
  // The running state as it is, to put back when the slot turns out to be damaged.
  ByteWriter snapshot;
  sections_.SaveScene(snapshot);
  sections_.SaveHistory(snapshot);
  sections_.SaveInterpreter(snapshot);
  sections_.SaveVariables(snapshot);
  sections_.SaveGameTables(snapshot);
  try {
    LoadGameSections(entry, slot, true);
  } catch (const std::exception& e) {
    if (error) *error = e.what();
    Log(Format("load of slot %d failed: %s; the game goes on as it was", slot, e.what()));
    LoadGameSections(snapshot.Str(), slot, false);
    return LoadResult::kFailed;
  }
  sections_.RefreshAfterLoad();
  return LoadResult::kLoaded;
}

bool TSaveFile::LoadStatus() {
  std::error_code ec;
  if (!fs::exists(path_, ec)) return true;
  std::string entry;
  try {
    TVrFileCollection files;
    files.Open(path_);
    if (!files.FindFile(kStatusEntryName)) return true;
    entry = files.ExtractToString(kStatusEntryName);
    LoadStatusEntry(entry);
    return true;
  } catch (const std::exception& e) {
    Log(Format("status data unusable, starting with empty status: %s", e.what()));
    KeepAside("damaged status data");
    sections_.ClearStatus();
    return false;
  }
}

void TSaveFile::LoadStatusEntry(std::string_view entry) {
  const auto [version, start] = ReadStatusSignature(entry);
  ByteReader r(entry.substr(start), Format("%s: status", std::string(kSaveFileName).c_str()));
  sections_.LoadStatusVariables(r);
  sections_.LoadReadMarks(r, version);
  if (version > kStatusDitherAbove) sections_.SetCGDither(r.U8("dither flag") != 0);
  if (version > kStatusTablesAbove) sections_.LoadStatusTables(r);
}

std::vector<SaveSlotInfo> TSaveFile::ListSlots() {
  std::vector<SaveSlotInfo> slots;
  std::error_code ec;
  if (!fs::exists(path_, ec)) return slots;
  TVrFileCollection files;
  files.Open(path_);
  for (int i = 0; i < files.EntryCount(); ++i) {
    const TVrFile& file = files.Entry(i);
    std::optional<int32_t> slot = SlotOfEntryName(file.Name());
    if (!slot) continue;
    SaveSlotInfo info;
    info.slot = *slot;
    try {
      std::string content = files.ExtractToString(file.Name());
      info.size = static_cast<int64_t>(content.size());
      ByteReader r(content, GameEntryName(*slot));
      info.version = r.U32("data version");
      info.caption = r.String("caption");
    } catch (const KuzoError& e) {
      Log(Format("%s: %s", file.Name().c_str(), e.what()));
      continue;
    }
    slots.push_back(std::move(info));
  }
  std::sort(slots.begin(), slots.end(), [](const SaveSlotInfo& a, const SaveSlotInfo& b) { return a.slot < b.slot; });
  return slots;
}

std::vector<std::pair<int32_t, std::string>> TSaveFile::BuildCaptionList() {
  std::vector<std::pair<int32_t, std::string>> captions;
  try {
    for (SaveSlotInfo& info : ListSlots()) captions.emplace_back(info.slot, std::move(info.caption));
  } catch (const KuzoError& e) {
    Log(Format("save list: %s", e.what()));
  }
  return captions;
}

}  // namespace kuzo
