// Fuzzes the archive directory reader and entry extraction over archives held in memory.
#include <memory>
#include <string>

#include "core/errors.h"
#include "data/archive.h"
#include "data/zlib_codec.h"
#include "fuzz/fuzz_input.h"
#include "tests/data/archive_bytes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kuzo;
  TVrFileCollection archive;
  try {
    archive.OpenResource(std::make_shared<const std::string>(reinterpret_cast<const char*>(data), size), "fuzz.dat");
  } catch (const KuzoError&) {
    return 0;
  }
  for (int i = 0; i < archive.EntryCount() && i < 64; ++i) {
    const std::string name = archive.Entry(i).Name();
    try {
      archive.ExtractToString(name);
    } catch (const KuzoError&) {
    }
    try {
      if (auto range = archive.OpenRange(name)) {
        char buffer[64];
        range->Seek(-5, TRangeStream::Origin::kEnd);
        range->Read(buffer, sizeof(buffer));
      }
    } catch (const KuzoError&) {
    }
  }
  return 0;
}

std::vector<std::string> KuzoFuzzSeeds() {
  using namespace kuzo;
  using testing::RawEntry;
  const std::vector<RawEntry> entries = {
      {"kuzo.kpb", DeflateZlib("project data project data"), false, 1, 2, true},
      {"bgm\\a.ogg", "OggS raw bytes", true, 3, 4, false},
      {"\x83\x65.ksb", DeflateZlib(""), false, 0, 0, false},
  };
  std::vector<std::string> seeds;
  for (uint32_t version : {0u, 100u, 101u, 102u}) {
    std::vector<RawEntry> e = entries;
    if (version < 101) {
      for (auto& r : e) {
        if (r.storedRaw) r.stored = DeflateZlib(r.stored);
      }
    }
    seeds.push_back(testing::BuildArchive(version, e));
  }
  return seeds;
}
