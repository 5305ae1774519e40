// Test helpers: archives assembled byte by byte (independently of the writer) for every directory
// version, and a scratch directory removed after each test.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/byte_reader.h"
#include "data/random.h"
#include "platform/file_system.h"

namespace kuzo::testing {

struct RawEntry {
  std::string name;
  std::string stored;  // the bytes as they lie in the archive
  bool storedRaw = true;
  uint32_t timeStamp = 0;
  uint32_t checksum = 0;
  bool checksumOfContent = false;
};

// The directory of an archive of `version` (0 = no magic): names, then `offsets` (one more than
// there are entries), then the per-entry arrays the version has.
inline std::string BuildDirectory(uint32_t version, const std::vector<RawEntry>& entries,
                                  const std::vector<uint64_t>& offsets) {
  const bool scrambled = version >= 100;
  const bool wide = version >= 101;
  ByteWriter w;
  if (version != 0) {
    w.Bytes("vf");
    w.U32(version);
  }
  w.U32(static_cast<uint32_t>(entries.size()));
  TNkRandom names(kArchiveSeed);
  for (const auto& e : entries) {
    std::string n = e.name;
    if (scrambled) {
      for (char& c : n) c = static_cast<char>(c ^ static_cast<char>(names.Next() & 0xFF));
    }
    w.String(n);
  }
  TNkRandom offs(kArchiveSeed);
  for (uint64_t o : offsets) {
    if (wide) {
      const uint32_t v = offs.Next();
      w.U64(o ^ static_cast<uint64_t>(static_cast<int64_t>(static_cast<int32_t>(v))));
    } else {
      w.U32(static_cast<uint32_t>(o) ^ (scrambled ? offs.Next() : 0u));
    }
  }
  if (version >= 101) {
    for (const auto& e : entries) w.U8(e.storedRaw ? 1 : 0);
    for (const auto& e : entries) w.U32(e.timeStamp);
    for (const auto& e : entries) w.U32(e.checksum);
  }
  if (version >= 102) {
    for (const auto& e : entries) w.U8(e.checksumOfContent ? 1 : 0);
  }
  return w.Take();
}

// Size of that directory.
inline size_t DirectorySize(uint32_t version, const std::vector<RawEntry>& entries) {
  return BuildDirectory(version, entries, std::vector<uint64_t>(entries.size() + 1, 0)).size();
}

// A whole archive whose offsets count from its own first byte.
inline std::string BuildArchive(uint32_t version, const std::vector<RawEntry>& entries) {
  uint64_t offset = DirectorySize(version, entries);
  std::vector<uint64_t> offsets;
  for (const auto& e : entries) {
    offsets.push_back(offset);
    offset += e.stored.size();
  }
  offsets.push_back(offset);
  std::string out = BuildDirectory(version, entries, offsets);
  for (const auto& e : entries) out += e.stored;
  return out;
}

inline std::string RandomBytes(size_t size, uint32_t seed) {
  std::mt19937 gen(seed);
  std::string out(size, '\0');
  for (char& c : out) c = static_cast<char>(gen());
  return out;
}

// Text-like bytes that deflate well.
inline std::string TextBytes(size_t size, uint32_t seed) {
  static const char* const kWords[] = {"kuzo ", "page ", "image ", "sound ", "\x82\xa0", "menu\r\n", "42 "};
  std::mt19937 gen(seed);
  std::string out;
  while (out.size() < size) out += kWords[gen() % 7];
  out.resize(size);
  return out;
}

class ScratchDir {
 public:
  ScratchDir() : path_(platform::MakePrivateTempDirectory("kuzo-test")) {}
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path Write(const std::string& name, const std::string& content) const {
    const auto p = path_ / name;
    std::filesystem::create_directories(p.parent_path());
    FILE* f = std::fopen(p.c_str(), "wb");
    std::fwrite(content.data(), 1, content.size(), f);
    std::fclose(f);
    return p;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace kuzo::testing
