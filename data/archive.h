// The "vf" archive: a directory of named entries (names and offsets scrambled with the archive
// generator) followed by their data, each entry stored as is or as a zlib stream. TVrFileCollection
// reads directories of versions 0, 100, 101 and 102 from a plain file, an executable's trailer, a
// ".ext" companion or memory, extracts entries, and writes version-102 archives.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/hash_collection.h"
#include "data/big_stream.h"
#include "data/range_stream.h"

namespace kuzo {

constexpr std::string_view kArchiveMagic = "vf";
constexpr std::string_view kTrailerMagic = "kz";
constexpr int64_t kTrailerSize = 6;  // u32 archive offset + "kz"
constexpr uint32_t kArchiveVersion = 102;
constexpr std::string_view kSentinelName = "\\EOF\\";
constexpr std::string_view kCompanionExtension = ".ext";
// Content of this size or more is stored raw by the writer (streamable without inflating).
constexpr int64_t kRawStoreThreshold = 0x500000;

// One directory entry.
class TVrFile : public THashCollectionItem {
 public:
  int64_t offset = 0;  // absolute position in the archive stream
  int64_t size = 0;    // stored bytes
  bool storedRaw = false;
  uint32_t timeStamp = 0;  // packed DOS date/time, 0 when none
  uint32_t checksum = 0;   // CRC-32
  bool checksumOfContent = false;
  std::unique_ptr<TNkBigMemoryStream> data;  // content added in memory for writing
};

class TVrFileCollection : public THashCollection {
 public:
  // Progress of Write: (collection, entry, cancel, entry count, entry index, bytes written). Called
  // before each entry with 0 bytes and after it with the stored size; setting cancel fails the write.
  using ProgressFn = std::function<void(TVrFileCollection&, TVrFile&, bool& cancel, int count, int index,
                                        int64_t bytes)>;

  TVrFileCollection() = default;
  ~TVrFileCollection() override;

  // Clears, remembers the path and its directory, and when the file exists opens it and loads the
  // directory: through the trailer for ".exe"/".scr", else from the ".ext" companion when there is
  // one, else from the file's start. Raises FormatError for an unreadable archive (then the
  // collection is left empty).
  void Open(const std::filesystem::path& path);
  // Opens the archive an executable carries behind its trailer, whatever the file's extension (the
  // player's own executable on Linux has none). Raises FormatError when there is no valid trailer.
  void OpenWithTrailer(const std::filesystem::path& path);
  // Opens an archive held in memory (the content of a resource); raises "リソースが見つかりません"
  // when it is empty.
  void OpenResource(std::shared_ptr<const std::string> data, std::string name);
  // Reads a directory from the stream's position; offsets become absolute (stored + start).
  void LoadDirectory(TNkBigStream& stream);
  // Drops every entry and closes the archive stream.
  void ClearArchive();

  // Copies an entry's content (inflated when needed) into `target` and sets its position to 0; a
  // memory target is emptied first. Falls back to a loose file in the archive's directory; raises
  // "%s:ファイルがありません" when neither has the name.
  void Extract(std::string_view name, TNkBigStream& target);
  std::string ExtractToString(std::string_view name);
  // The stored bytes of an entry as a range stream; nullptr when absent or no archive is open.
  std::unique_ptr<TRangeStream> OpenRange(std::string_view name) const;
  // The same for an entry already found in this collection (no second lookup): its content (held in
  // memory, or read and inflated from the archive), and its stored bytes as a range stream.
  std::string ExtractEntry(const TVrFile& file) const;
  std::unique_ptr<TRangeStream> OpenEntryRange(const TVrFile& file) const;

  // Appends an entry backed by a file in Directory() (or by the opened archive); AddMemory gives it
  // an empty memory stream to fill.
  TVrFile& Add(std::string name);
  TVrFile& AddMemory(std::string name);
  // Removes the entry; false when absent.
  bool Delete(std::string_view name);
  // Writes a version-102 archive of every entry into `target` from its position; false when the
  // progress callback cancelled.
  bool Write(TNkBigStream& target);

  // The entry of that name (case-insensitive, the sentinel excluded), or nullptr.
  TVrFile* FindFile(std::string_view name) const;
  // Entries without the sentinel.
  int EntryCount() const;
  TVrFile& Entry(int index) const { return *At<TVrFile>(index); }

  const std::filesystem::path& Path() const { return path_; }
  const std::filesystem::path& Directory() const { return directory_; }
  void SetDirectory(std::filesystem::path dir) { directory_ = std::move(dir); }
  bool HasStream() const { return stream_ != nullptr; }
  TNkBigStream* Stream() const { return stream_.get(); }
  bool IsResource() const { return resource_ != nullptr; }
  uint32_t Version() const { return version_; }
  // Where the archive's first byte lies in its stream.
  int64_t ArchiveStart() const { return archiveStart_; }

  void SetProgress(ProgressFn fn) { progress_ = std::move(fn); }
  void EnableProgress(bool on) { progressEnabled_ = on; }

 private:
  // Copies `size` stored bytes of `file` into `out` and inflates them unless stored raw.
  std::string ReadStored(const TVrFile& file) const;
  void LoadThroughTrailer(TNkBigFileStream& file);
  // What the writer stored for one entry.
  struct StoredEntry {
    bool storedRaw = false;
    bool fromFile = false;
    uint32_t timeStamp = 0;
    uint32_t checksum = 0;
    int64_t size = 0;
  };
  StoredEntry WriteEntryData(const TVrFile& file, TNkBigStream& target);

  std::filesystem::path path_;
  std::filesystem::path directory_;
  std::unique_ptr<TNkBigStream> stream_;
  std::shared_ptr<const std::string> resource_;
  uint32_t version_ = 0;
  int64_t archiveStart_ = 0;
  ProgressFn progress_;
  bool progressEnabled_ = false;
};

// CRC-32 of a whole stream from position 0 (read in 1 MiB blocks).
uint32_t Crc32(TNkBigStream& stream);

// The one ".exe" file in `dir` that carries an archive behind its trailer; nullopt when there is
// none or more than one (then the title is ambiguous).
std::optional<std::filesystem::path> FindArchiveExecutable(const std::filesystem::path& dir);

// True when the file ends with a trailer whose last two bytes are "kz" and whose offset points
// inside the file (an executable carrying an archive).
bool HasArchiveTrailer(const std::filesystem::path& path);

}  // namespace kuzo
