// Walking the resource tree of a PE image (type, name, language) to the data of one resource.
#include "data/pe_resource.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "core/byte_reader.h"
#include "core/errors.h"
#include "core/sjis.h"
#include "platform/file_system.h"

namespace kuzo {
namespace {

constexpr std::string_view kDosMagic = "MZ";
constexpr std::string_view kPeMagic = std::string_view("PE\0\0", 4);
constexpr size_t kPeOffsetField = 0x3C;
constexpr size_t kHeaderReadSize = 4096;
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr size_t kSectionHeaderSize = 40;
constexpr uint32_t kResourceDirectoryIndex = 2;
constexpr uint32_t kHighBit = 0x80000000u;
constexpr uint32_t kMaxDirectoryEntries = 4096;

struct Section {
  uint32_t virtualAddress;
  uint32_t virtualSize;
  uint32_t rawSize;
  uint32_t rawOffset;
};

std::string ReadAt(const platform::NativeFile& file, uint64_t offset, size_t size, const std::string& source,
                   const char* field) {
  std::string out(size, '\0');
  if (file.ReadAt(offset, out.data(), size) != size) {
    throw FormatError(Format("%s: %s: length %zu at offset 0x%llx exceeds the file", source.c_str(), field, size,
                             static_cast<unsigned long long>(offset)));
  }
  return out;
}

// The name of a named directory entry (UTF-16 code units), as ASCII; other characters become '?'.
std::string EntryName(ByteReader& tree, uint32_t offset) {
  tree.Seek(offset, "resource name");
  const uint16_t length = tree.U16("resource name length");
  std::string out;
  for (uint16_t i = 0; i < length; ++i) {
    const uint16_t c = tree.U16("resource name");
    out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  }
  return out;
}

// Offset field of the entry matching `wanted` in the directory at `offset`, or nullopt.
std::optional<uint32_t> FindEntry(ByteReader& tree, size_t offset, const PeResourceKey& wanted) {
  tree.Seek(offset, "resource directory");
  tree.Skip(12, "resource directory header");
  const uint32_t named = tree.U16("named entries");
  const uint32_t ids = tree.U16("id entries");
  if (named + ids > kMaxDirectoryEntries) tree.Fail("resource directory", "too many entries");
  const size_t first = tree.Position();
  for (uint32_t i = 0; i < named + ids; ++i) {
    tree.Seek(first + size_t{i} * 8, "resource entry");
    const uint32_t nameField = tree.U32("resource entry name");
    const uint32_t target = tree.U32("resource entry offset");
    switch (wanted.kind) {
      case PeResourceKey::Kind::kFirst:
        return target;
      case PeResourceKey::Kind::kId:
        if ((nameField & kHighBit) == 0 && nameField == wanted.id) return target;
        break;
      case PeResourceKey::Kind::kName:
        if ((nameField & kHighBit) != 0 && sjis::EqualsNoCase(EntryName(tree, nameField & ~kHighBit), wanted.name)) {
          return target;
        }
        break;
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<PeResources> PeResources::Open(const std::filesystem::path& path) {
  auto file = platform::NativeFile::Open(path, platform::NativeFile::Mode::kRead);
  if (!file) return std::nullopt;
  const std::string source = path.filename().string();
  const uint64_t fileSize = file->Size();
  std::string head(static_cast<size_t>(std::min<uint64_t>(fileSize, kHeaderReadSize)), '\0');
  file->ReadAt(0, head.data(), head.size());
  ByteReader r(head, source);
  if (head.size() < 2 || std::string_view(head).substr(0, 2) != kDosMagic) return std::nullopt;
  r.Seek(kPeOffsetField, "PE header offset");
  const uint32_t peOffset = r.U32("PE header offset");
  r.Seek(peOffset, "PE header");
  if (r.Bytes(4, "PE signature") != kPeMagic) return std::nullopt;
  r.Skip(2, "machine");
  const uint16_t sectionCount = r.U16("section count");
  r.Skip(12, "COFF header");  // time stamp, symbol table, symbol count
  const uint16_t optionalSize = r.U16("optional header size");
  r.Skip(2, "characteristics");
  const size_t optionalStart = r.Position();
  const uint16_t magic = r.U16("optional header magic");
  if (magic != kPe32Magic && magic != kPe32PlusMagic) r.Fail("optional header magic", "not PE32 or PE32+");
  const size_t countField = magic == kPe32Magic ? 92 : 108;
  r.Seek(optionalStart + countField, "data directory count");
  const uint32_t directoryCount = r.U32("data directory count");
  if (directoryCount <= kResourceDirectoryIndex) return std::nullopt;
  r.Skip(size_t{kResourceDirectoryIndex} * 8, "data directories");
  const uint32_t resourceRva = r.U32("resource directory address");
  const uint32_t resourceSize = r.U32("resource directory size");
  if (resourceRva == 0 || resourceSize == 0) return std::nullopt;

  r.Seek(optionalStart + optionalSize, "section table");
  std::vector<Section> sections;
  for (uint16_t i = 0; i < sectionCount; ++i) {
    r.Skip(8, "section name");
    Section s{};
    s.virtualSize = r.U32("section size");
    s.virtualAddress = r.U32("section address");
    s.rawSize = r.U32("section raw size");
    s.rawOffset = r.U32("section raw offset");
    r.Skip(kSectionHeaderSize - 24, "section header");
    sections.push_back(s);
  }
  const Section* home = nullptr;
  for (const Section& s : sections) {
    if (resourceRva >= s.virtualAddress && resourceRva - s.virtualAddress < std::max(s.virtualSize, s.rawSize)) {
      home = &s;
    }
  }
  if (home == nullptr) r.Fail("resource directory address", "lies in no section");
  if (home->rawOffset > fileSize || home->rawSize > fileSize - home->rawOffset) {
    r.Fail("resource section", "raw data lies beyond the end of the file");
  }
  std::string section = ReadAt(*file, home->rawOffset, home->rawSize, source, "resource section");
  return PeResources(source, std::move(section), resourceRva - home->virtualAddress, home->virtualAddress);
}

std::optional<std::string> PeResources::Find(const PeResourceKey& type, const PeResourceKey& name) const {
  ByteReader tree(section_, source_ + ": resources");
  // Three levels: type, name, language.
  uint32_t offset = 0;
  const PeResourceKey* levels[] = {&type, &name, nullptr};
  const PeResourceKey firstLanguage = PeResourceKey::First();
  for (size_t level = 0; level < 3; ++level) {
    const auto target = FindEntry(tree, size_t{base_} + offset, levels[level] ? *levels[level] : firstLanguage);
    if (!target) return std::nullopt;
    const bool isDirectory = (*target & kHighBit) != 0;
    if (isDirectory != (level < 2)) {
      tree.Fail("resource entry", level < 2 ? "expected a subdirectory" : "expected resource data");
    }
    offset = *target & ~kHighBit;
  }
  tree.Seek(base_ + size_t{offset}, "resource data entry");
  const uint32_t dataRva = tree.U32("resource data address");
  const uint32_t dataSize = tree.U32("resource data size");
  if (dataRva < sectionRva_ || dataRva - sectionRva_ > section_.size() ||
      dataSize > section_.size() - (dataRva - sectionRva_)) {
    tree.Fail("resource data", "lies outside the resource section");
  }
  return section_.substr(dataRva - sectionRva_, dataSize);
}

std::optional<std::string> FindPeResource(const std::filesystem::path& path, std::string_view type,
                                          std::string_view name) {
  auto resources = PeResources::Open(path);
  if (!resources) return std::nullopt;
  return resources->Find(PeResourceKey::Name(type), PeResourceKey::Name(name));
}

std::shared_ptr<const std::string> FindResourceArchive(const std::filesystem::path& path) {
  try {
    auto resources = PeResources::Open(path);
    return resources ? FindResourceArchive(*resources) : nullptr;
  } catch (const FormatError&) {
    return nullptr;
  }
}

std::shared_ptr<const std::string> FindResourceArchive(const PeResources& resources) {
  std::optional<std::string> data;
  try {
    data = resources.Find(PeResourceKey::Name(kArchiveResourceType), PeResourceKey::Name(kArchiveResourceName));
  } catch (const FormatError&) {
    return nullptr;
  }
  if (!data || data->size() < 2 || data->substr(data->size() - 2) != "vf") return nullptr;
  return std::make_shared<const std::string>(std::move(*data));
}

}  // namespace kuzo
