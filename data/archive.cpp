// Reading "vf" archives: locating the directory, descrambling names and offsets, extraction with
// inflate, range streams over entries, and the executable trailer.
#include "data/archive.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/byte_reader.h"
#include "core/errors.h"
#include "core/sjis.h"
#include "data/random.h"
#include "data/zlib_codec.h"
#include "platform/file_system.h"

namespace kuzo {
namespace {

constexpr int64_t kCrcBlockSize = 1048576;

bool HasExecutableExtension(const std::filesystem::path& path) {
  const std::string ext = path.extension().string();
  return sjis::EqualsNoCase(ext, ".exe") || sjis::EqualsNoCase(ext, ".scr");
}

// Low 32 bits XOR v, high 32 bits XOR v's sign extension: the 64-bit offset scrambling.
uint64_t ScrambleOffset64(uint64_t value, uint32_t v) {
  const uint64_t mask = static_cast<uint64_t>(static_cast<int64_t>(static_cast<int32_t>(v)));
  return value ^ mask;
}

}  // namespace

TVrFileCollection::~TVrFileCollection() = default;

void TVrFileCollection::ClearArchive() {
  Clear();
  stream_.reset();
  resource_.reset();
  version_ = 0;
  archiveStart_ = 0;
}

void TVrFileCollection::Open(const std::filesystem::path& path) {
  ClearArchive();
  path_ = path;
  directory_ = path.parent_path();
  if (path.empty() || !platform::IsRegularFile(path)) return;
  try {
    auto file = std::make_unique<TNkBigFileStream>(path, TNkBigFileStream::Mode::kRead);
    if (HasExecutableExtension(path)) {
      LoadThroughTrailer(*file);
    } else {
      const std::string companionName = path.stem().string() + std::string(kCompanionExtension);
      const auto companion = platform::ResolveGameFile(directory_.empty() ? "." : directory_, companionName);
      if (companion && *companion != path) {
        // The directory lives in the companion; offsets count from the data file's first byte.
        TNkBigMemoryStream directory;
        directory.LoadFromFile(*companion);
        directory.SetName(companion->filename().string());
        LoadDirectory(directory);
      } else {
        LoadDirectory(*file);
      }
    }
    stream_ = std::move(file);
  } catch (...) {
    ClearArchive();
    throw;
  }
}

void TVrFileCollection::LoadThroughTrailer(TNkBigFileStream& file) {
  const int64_t size = file.Size();
  if (size < kTrailerSize) {
    throw FormatError(Format("%s: trailer: length %lld at offset 0x0 exceeds %lld bytes left", file.Name().c_str(),
                             static_cast<long long>(kTrailerSize), static_cast<long long>(size)));
  }
  file.SetPosition(size - kTrailerSize);
  std::array<uint8_t, 4> raw{};
  file.ReadExact(raw.data(), 4, "archive offset");
  const int64_t start = ByteReader(std::span<const uint8_t>(raw), file.Name()).U32("archive offset");
  if (start > size - kTrailerSize) {
    throw FormatError(Format("%s: archive offset 0x%llx lies beyond the trailer at 0x%llx", file.Name().c_str(),
                             static_cast<long long>(start), static_cast<long long>(size - kTrailerSize)));
  }
  file.SetPosition(start);
  LoadDirectory(file);
}

void TVrFileCollection::OpenWithTrailer(const std::filesystem::path& path) {
  ClearArchive();
  path_ = path;
  directory_ = path.parent_path();
  if (!HasArchiveTrailer(path)) {
    throw FormatError(Format("%s: no archive trailer (the file does not end with \"kz\")", path.c_str()));
  }
  try {
    auto file = std::make_unique<TNkBigFileStream>(path, TNkBigFileStream::Mode::kRead);
    LoadThroughTrailer(*file);
    stream_ = std::move(file);
  } catch (...) {
    ClearArchive();
    throw;
  }
}

void TVrFileCollection::OpenResource(std::shared_ptr<const std::string> data, std::string name) {
  ClearArchive();
  path_ = name;
  directory_.clear();
  if (!data || data->empty()) throw KuzoError("リソースが見つかりません");
  try {
    auto stream = std::make_unique<TNkBigMemoryStream>(*data, std::move(name));
    LoadDirectory(*stream);
    stream_ = std::move(stream);
    resource_ = std::move(data);
  } catch (...) {
    ClearArchive();
    throw;
  }
}

void TVrFileCollection::LoadDirectory(TNkBigStream& stream) {
  Clear();
  const int64_t start = stream.Position();
  archiveStart_ = start;
  char magic[2] = {};
  uint32_t version = 0;
  if (stream.Read(magic, 2) == 2 && std::string_view(magic, 2) == kArchiveMagic) {
    uint8_t raw[4];
    stream.ReadExact(raw, 4, "version");
    version = ByteReader(std::span<const uint8_t>(raw, 4), stream.Name()).U32("version");
  } else {
    stream.SetPosition(start);  // version 0: no magic, the count is the first field
  }
  version_ = version;
  uint8_t rawCount[4];
  stream.ReadExact(rawCount, 4, "count");
  const uint32_t count = ByteReader(std::span<const uint8_t>(rawCount, 4), stream.Name()).U32("count");

  const bool scrambled = version >= 100;
  const bool wideOffsets = version >= 101;
  const bool entryArrays = version >= 101;
  const bool contentFlags = version >= 102;
  const uint64_t offsetBytes = wideOffsets ? 8 : 4;
  const uint64_t arrayBytesPerEntry = (entryArrays ? 1 + 4 + 4 : 0) + (contentFlags ? 1 : 0);
  const uint64_t n = count;
  // Every name takes at least its 4-byte length: reject counts the rest of the stream cannot hold.
  const uint64_t minimum = n * (4 + offsetBytes + arrayBytesPerEntry) + offsetBytes;
  const int64_t left = std::max<int64_t>(0, stream.Size() - stream.Position());
  if (minimum > static_cast<uint64_t>(left)) {
    throw FormatError(Format("%s: count: %u entries at offset 0x%llx need %llu bytes, %lld left",
                             stream.Name().c_str(), count, static_cast<long long>(stream.Position()),
                             static_cast<unsigned long long>(minimum), static_cast<long long>(left)));
  }

  std::vector<std::string> names(count);
  const int64_t streamSize = stream.Size();  // asked once: a file stream's size costs a system call
  {
    TNkBuffBigStream buffered(stream);
    for (uint32_t i = 0; i < count; ++i) {
      const auto length = static_cast<int32_t>(buffered.ReadU32("name length"));
      if (length <= 0) continue;
      const int64_t at = buffered.Position();
      const int64_t rest = std::max<int64_t>(0, streamSize - at);
      if (length > rest) {
        throw FormatError(Format("%s: name %u: length %d at offset 0x%llx exceeds %lld bytes left",
                                 stream.Name().c_str(), i, length, static_cast<long long>(at),
                                 static_cast<long long>(rest)));
      }
      names[i].resize(static_cast<size_t>(length));
      if (buffered.Read(names[i].data(), length) != length) {
        throw FormatError(Format("%s: name %u: length %d at offset 0x%llx is cut short", stream.Name().c_str(), i,
                                 length, static_cast<long long>(at)));
      }
    }
  }  // releasing the buffer puts the stream right after the names

  if (scrambled) {
    TNkRandom names_random(kArchiveSeed);
    for (std::string& name : names) {
      for (char& c : name) c = static_cast<char>(static_cast<uint8_t>(c) ^ (names_random.Next() & 0xFF));
    }
  }
  for (std::string& name : names) THashCollection::Add<TVrFile>().SetName(std::move(name));
  THashCollection::Add<TVrFile>().SetName(std::string(kSentinelName));

  const uint64_t tableBytes = (n + 1) * offsetBytes + n * arrayBytesPerEntry;
  const std::string table = stream.ReadString(static_cast<int64_t>(tableBytes), "offset table");
  ByteReader reader(table, stream.Name());
  std::vector<int64_t> offsets(count + size_t{1});
  TNkRandom offsets_random(kArchiveSeed);  // the offset sequence restarts from the seed
  for (auto& offset : offsets) {
    if (wideOffsets) {
      offset = static_cast<int64_t>(ScrambleOffset64(reader.U64("offset"), offsets_random.Next()));
    } else {
      uint32_t value = reader.U32("offset");
      if (scrambled) value ^= offsets_random.Next();
      offset = value;
    }
  }
  for (uint32_t i = 0; i <= count; ++i) At<TVrFile>(static_cast<int>(i))->offset = offsets[i];
  if (entryArrays) {
    for (uint32_t i = 0; i < count; ++i) At<TVrFile>(static_cast<int>(i))->storedRaw = reader.U8("stored-raw flag") != 0;
    for (uint32_t i = 0; i < count; ++i) At<TVrFile>(static_cast<int>(i))->timeStamp = reader.U32("time stamp");
    for (uint32_t i = 0; i < count; ++i) At<TVrFile>(static_cast<int>(i))->checksum = reader.U32("checksum");
    if (contentFlags) {
      for (uint32_t i = 0; i < count; ++i) {
        At<TVrFile>(static_cast<int>(i))->checksumOfContent = reader.U8("content-checksum flag") != 0;
      }
    }
  }
  // Sizes come from consecutive offsets; offsets then become absolute. Wrapping arithmetic keeps
  // hostile values defined; extraction rejects entries that do not lie inside the stream.
  for (uint32_t i = 0; i < count; ++i) {
    TVrFile& file = *At<TVrFile>(static_cast<int>(i));
    file.size = static_cast<int64_t>(static_cast<uint64_t>(offsets[i + 1]) - static_cast<uint64_t>(offsets[i]));
    file.offset = static_cast<int64_t>(static_cast<uint64_t>(offsets[i]) + static_cast<uint64_t>(start));
  }
}

TVrFile* TVrFileCollection::FindFile(std::string_view name) const {
  const int index = IndexOf(name);
  if (index < 0) return nullptr;
  TVrFile* file = At<TVrFile>(index);
  if (file->Name() == kSentinelName) return nullptr;
  return file;
}

int TVrFileCollection::EntryCount() const {
  int count = Count();
  if (count > 0 && ItemAt(count - 1)->Name() == kSentinelName) --count;
  return count;
}

std::string TVrFileCollection::ReadStored(const TVrFile& file) const {
  const int64_t total = stream_->Size();
  if (file.offset < 0 || file.size < 0 || file.offset > total || file.size > total - file.offset) {
    throw FormatError(Format("%s: entry %s: %lld bytes at offset 0x%llx lie outside the %lld-byte archive",
                             stream_->Name().c_str(), file.Name().c_str(), static_cast<long long>(file.size),
                             static_cast<long long>(file.offset), static_cast<long long>(total)));
  }
  if (file.size == 0) return {};
  const std::string source = stream_->Name() + ": " + file.Name();
  // An archive held in memory is inflated where it lies, without copying the stored bytes.
  if (const auto* memory = dynamic_cast<const TNkBigMemoryStream*>(stream_.get())) {
    const std::string_view stored(memory->Data().data() + file.offset, static_cast<size_t>(file.size));
    return file.storedRaw ? std::string(stored) : InflateZlib(stored, source);
  }
  stream_->SetPosition(file.offset);
  if (file.storedRaw) return stream_->ReadString(file.size, "entry data");
  // The stored bytes are only read through, so their buffer needs no zero fill.
  auto stored = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(file.size));
  stream_->ReadExact(stored.get(), file.size, "entry data");
  return InflateZlib(std::span<const uint8_t>(stored.get(), static_cast<size_t>(file.size)), source);
}

void TVrFileCollection::Extract(std::string_view name, TNkBigStream& target) {
  if (auto* memory = dynamic_cast<TNkBigMemoryStream*>(&target)) {
    memory->SetData(ExtractToString(name));
    return;
  }
  const std::string content = ExtractToString(name);
  TNkBigMemoryStream temporary(content);
  target.CopyFromBig(temporary, temporary.Size());
  target.SetPosition(0);
}

std::string TVrFileCollection::ExtractEntry(const TVrFile& file) const {
  if (file.data) return file.data->Data();
  if (!stream_) throw KuzoError(Format("%s:ファイルがありません", file.Name().c_str()));
  return ReadStored(file);
}

std::string TVrFileCollection::ExtractToString(std::string_view name) {
  TVrFile* file = FindFile(name);
  if (file != nullptr && (file->data || stream_)) return ExtractEntry(*file);
  if (!directory_.empty()) {
    const auto loose = platform::ResolveGameFile(directory_, name);
    std::error_code ec;
    if (loose && !std::filesystem::equivalent(*loose, path_, ec)) {
      if (auto content = platform::ReadWholeFile(*loose)) return std::move(*content);
    }
  }
  throw KuzoError(Format("%s:ファイルがありません", std::string(name).c_str()));
}

std::unique_ptr<TRangeStream> TVrFileCollection::OpenRange(std::string_view name) const {
  TVrFile* file = FindFile(name);
  if (file == nullptr) return nullptr;
  return OpenEntryRange(*file);
}

std::unique_ptr<TRangeStream> TVrFileCollection::OpenEntryRange(const TVrFile& entry) const {
  if (!stream_) return nullptr;
  const TVrFile* file = &entry;
  const int64_t total = stream_->Size();
  if (file->offset < 0 || file->size < 0 || file->offset > total || file->size > total - file->offset) {
    throw FormatError(Format("%s: entry %s: %lld bytes at offset 0x%llx lie outside the %lld-byte archive",
                             stream_->Name().c_str(), file->Name().c_str(), static_cast<long long>(file->size),
                             static_cast<long long>(file->offset), static_cast<long long>(total)));
  }
  // A window of length 0 would reach to the end of the archive; an empty entry gets a window that
  // starts at the end instead.
  const int64_t start = file->size == 0 ? total : file->offset;
  if (resource_) return std::make_unique<TResourceRangeStream>(resource_, start, file->size);
  return std::make_unique<TFileRangeStream>(path_, start, file->size);
}

TVrFile& TVrFileCollection::Add(std::string name) {
  TVrFile& file = THashCollection::Add<TVrFile>();
  file.SetName(std::move(name));
  return file;
}

TVrFile& TVrFileCollection::AddMemory(std::string name) {
  TVrFile& file = Add(std::move(name));
  file.data = std::make_unique<TNkBigMemoryStream>();
  return file;
}

bool TVrFileCollection::Delete(std::string_view name) {
  TVrFile* file = FindFile(name);
  if (file == nullptr) return false;
  THashCollection::Delete(file->Index());
  return true;
}

uint32_t Crc32(TNkBigStream& stream) {
  stream.SetPosition(0);
  std::string block(static_cast<size_t>(kCrcBlockSize), '\0');
  uint32_t crc = 0;
  for (;;) {
    const int64_t got = stream.Read(block.data(), kCrcBlockSize);
    if (got <= 0) break;
    crc = Crc32(std::string_view(block.data(), static_cast<size_t>(got)), crc);
  }
  return crc;
}

std::optional<std::filesystem::path> FindArchiveExecutable(const std::filesystem::path& dir) {
  std::optional<std::filesystem::path> found;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
    if (!HasExecutableExtension(e.path()) || !platform::IsRegularFile(e.path())) continue;
    if (!HasArchiveTrailer(e.path())) continue;
    if (found) return std::nullopt;  // two candidates: ambiguous
    found = e.path();
  }
  return found;
}

bool HasArchiveTrailer(const std::filesystem::path& path) {
  auto file = platform::NativeFile::Open(path, platform::NativeFile::Mode::kRead);
  if (!file) return false;
  const uint64_t size = file->Size();
  if (size < static_cast<uint64_t>(kTrailerSize)) return false;
  uint8_t trailer[kTrailerSize];
  if (file->ReadAt(size - kTrailerSize, trailer, kTrailerSize) != static_cast<size_t>(kTrailerSize)) return false;
  if (std::string_view(reinterpret_cast<const char*>(trailer) + 4, 2) != kTrailerMagic) return false;
  const uint32_t offset = uint32_t(trailer[0]) | (uint32_t(trailer[1]) << 8) | (uint32_t(trailer[2]) << 16) |
                          (uint32_t(trailer[3]) << 24);
  return offset <= size - kTrailerSize;
}

}  // namespace kuzo
