// Writing version-102 "vf" archives: scrambled names, placeholder arrays filled in after the entry
// data, and the storage rules (large and media files raw, the rest deflated at level 1).
#include "data/archive.h"

#include <algorithm>

#include "core/byte_reader.h"
#include "core/errors.h"
#include "core/sjis.h"
#include "data/random.h"
#include "data/zlib_codec.h"
#include "platform/file_system.h"

namespace kuzo {
namespace {

constexpr int kWriterLevel = 1;  // fastest deflate
// Extensions of files that are already compressed or streamed by media readers: stored raw.
constexpr std::string_view kRawExtensions = ".WAV.WMA.OGG.AVI.MPG.MPEG.M1V.WMV.ASF.DAT.";
constexpr std::string_view kDrelExtension = ".DRL";
constexpr std::string_view kDrelSignature = "Drel";
constexpr size_t kDrelSignatureSize = 7;       // "Drel" + three digits
constexpr int kDrelCompressibleVersion = 102;  // versions above carry the flag
constexpr size_t kDrelCompressFlagOffset = 22;

void WriteAll(TNkBigStream& target, std::string_view bytes) {
  if (target.Write(bytes.data(), static_cast<int64_t>(bytes.size())) != static_cast<int64_t>(bytes.size())) {
    throw KuzoError(Format("%s: write failed", target.Name().c_str()));
  }
}

// A Drel image is worth deflating when its header says so (byte 22 of the header is 1).
bool DrelWantsCompression(const platform::NativeFile& file) {
  uint8_t head[kDrelSignatureSize + 4];
  if (file.ReadAt(0, head, sizeof(head)) != sizeof(head)) return false;
  const std::string_view sig(reinterpret_cast<const char*>(head), kDrelSignatureSize);
  if (sig.substr(0, 4) != kDrelSignature) return false;
  int version = 0;
  for (size_t i = 4; i < kDrelSignatureSize; ++i) {
    if (sig[i] < '0' || sig[i] > '9') return false;
    version = version * 10 + (sig[i] - '0');
  }
  if (version <= kDrelCompressibleVersion) return false;
  const uint32_t headerLength = uint32_t(head[7]) | (uint32_t(head[8]) << 8) | (uint32_t(head[9]) << 16) |
                                (uint32_t(head[10]) << 24);
  if (headerLength <= kDrelCompressFlagOffset) return false;
  uint8_t flag = 0;
  if (file.ReadAt(sizeof(head) + kDrelCompressFlagOffset, &flag, 1) != 1) return false;
  return flag == 1;
}

bool FileIsCompressible(const std::filesystem::path& path, const platform::NativeFile& file) {
  const std::string ext = sjis::ToUpper(path.extension().string());
  if (ext == kDrelExtension) return DrelWantsCompression(file);
  return kRawExtensions.find(ext) == std::string_view::npos && static_cast<int64_t>(file.Size()) < kRawStoreThreshold;
}

// Copies a whole file into the target in blocks, returning the CRC-32 of what was copied.
uint32_t CopyFileRaw(const platform::NativeFile& file, TNkBigStream& target, int64_t& written) {
  const uint64_t size = file.Size();
  std::string block(static_cast<size_t>(std::min<uint64_t>(size, kCopyBlockSize)), '\0');
  uint32_t crc = 0;
  uint64_t done = 0;
  while (done < size) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(size - done, block.size()));
    if (file.ReadAt(done, block.data(), n) != n) {
      throw KuzoError(Format("%s: cannot be read", file.Path().c_str()));
    }
    const std::string_view piece(block.data(), n);
    crc = Crc32(piece, crc);
    WriteAll(target, piece);
    done += n;
  }
  written = static_cast<int64_t>(size);
  return crc;
}

}  // namespace

TVrFileCollection::StoredEntry TVrFileCollection::WriteEntryData(const TVrFile& file, TNkBigStream& target) {
  StoredEntry out;
  out.timeStamp = file.timeStamp;
  int64_t& written = out.size;
  if (file.data) {
    const std::string& content = file.data->Data();
    if (static_cast<int64_t>(content.size()) >= kRawStoreThreshold) {
      out.storedRaw = true;
      out.checksum = Crc32(content);
      WriteAll(target, content);
      written = static_cast<int64_t>(content.size());
    } else {
      if (file.checksumOfContent) out.checksum = Crc32(content);
      const std::string compressed = DeflateZlib(content, kWriterLevel);
      if (!file.checksumOfContent) out.checksum = Crc32(compressed);
      WriteAll(target, compressed);
      written = static_cast<int64_t>(compressed.size());
    }
  } else if (auto loose = directory_.empty() ? std::nullopt : platform::ResolveGameFile(directory_, file.Name())) {
    auto source = platform::NativeFile::Open(*loose, platform::NativeFile::Mode::kRead);
    if (!source) throw KuzoError(Format("%s: cannot be read", loose->c_str()));
    out.timeStamp = platform::FileDosTime(*loose);
    if (FileIsCompressible(*loose, *source)) {
      std::string content(static_cast<size_t>(source->Size()), '\0');
      if (source->ReadAt(0, content.data(), content.size()) != content.size()) {
        throw KuzoError(Format("%s: cannot be read", loose->c_str()));
      }
      if (file.checksumOfContent) out.checksum = Crc32(content);
      std::string stored = DeflateZlib(content, kWriterLevel);
      // Deflating that saves less than a tenth is not worth inflating later.
      if (static_cast<int64_t>(content.size()) * 9 / 10 < static_cast<int64_t>(stored.size())) {
        stored = std::move(content);
        out.storedRaw = true;
      }
      if (!file.checksumOfContent) out.checksum = Crc32(stored);
      WriteAll(target, stored);
      written = static_cast<int64_t>(stored.size());
    } else {
      out.storedRaw = true;
      out.checksum = CopyFileRaw(*source, target, written);
    }
  } else {
    const std::string content = ExtractToString(file.Name());
    std::string stored;
    if (static_cast<int64_t>(content.size()) >= kRawStoreThreshold) {
      out.storedRaw = true;
      stored = content;
    } else {
      stored = DeflateZlib(content, kWriterLevel);
    }
    out.checksum = Crc32(stored);
    WriteAll(target, stored);
    written = static_cast<int64_t>(stored.size());
  }
  return out;
}

bool TVrFileCollection::Write(TNkBigStream& target) {
  // Offsets count from the archive's first byte, wherever the target stood when writing began.
  const int64_t archiveStart = target.Position();
  std::vector<TVrFile*> entries;
  for (int i = 0; i < Count(); ++i) {
    TVrFile* file = At<TVrFile>(i);
    if (file->Name() != kSentinelName) entries.push_back(file);
  }
  const auto n = static_cast<uint32_t>(entries.size());

  ByteWriter head;
  head.Bytes(kArchiveMagic);
  head.U32(kArchiveVersion);
  head.U32(n);
  TNkRandom namesRandom(kArchiveSeed);
  for (TVrFile* file : entries) {
    std::string scrambled = file->Name();
    for (char& c : scrambled) c = static_cast<char>(static_cast<uint8_t>(c) ^ (namesRandom.Next() & 0xFF));
    head.String(scrambled);
  }
  WriteAll(target, head.Str());
  const int64_t tablePosition = target.Position();
  const size_t tableBytes = (size_t{n} + 1) * 8 + size_t{n} * (1 + 4 + 4 + 1);
  WriteAll(target, std::string(tableBytes, '\0'));

  std::vector<uint64_t> offsets(size_t{n} + 1);
  std::vector<StoredEntry> stored(n);
  for (uint32_t k = 0; k < n; ++k) {
    TVrFile& file = *entries[k];
    if (progressEnabled_ && progress_) {
      bool cancel = false;
      progress_(*this, file, cancel, static_cast<int>(n), static_cast<int>(k), 0);
      if (cancel) return false;
    }
    offsets[k] = static_cast<uint64_t>(target.Position() - archiveStart);
    stored[k] = WriteEntryData(file, target);
    if (file.data || stored[k].fromFile) {
      // Entries whose content came from memory or a loose file now describe what was written;
      // entries copied from the opened archive keep describing their place in it.
      file.storedRaw = stored[k].storedRaw;
      file.timeStamp = stored[k].timeStamp;
      file.checksum = stored[k].checksum;
    }
    if (progressEnabled_ && progress_) {
      bool cancel = false;
      progress_(*this, file, cancel, static_cast<int>(n), static_cast<int>(k), stored[k].size);
      if (cancel) return false;
    }
  }
  const int64_t end = target.Position();
  offsets[n] = static_cast<uint64_t>(end - archiveStart);

  ByteWriter table;
  TNkRandom offsetsRandom(kArchiveSeed);
  for (uint64_t offset : offsets) {
    const uint32_t v = offsetsRandom.Next();
    table.U64(offset ^ static_cast<uint64_t>(static_cast<int64_t>(static_cast<int32_t>(v))));
  }
  for (const StoredEntry& e : stored) table.U8(e.storedRaw ? 1 : 0);
  for (const StoredEntry& e : stored) table.U32(e.timeStamp);
  for (const StoredEntry& e : stored) table.U32(e.checksum);
  for (TVrFile* file : entries) table.U8(file->checksumOfContent ? 1 : 0);
  target.SetPosition(tablePosition);
  WriteAll(target, table.Str());
  target.SetPosition(end);
  return true;
}

}  // namespace kuzo
