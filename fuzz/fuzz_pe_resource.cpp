// Fuzzes the PE resource walk that finds an executable's archive resource.
#include <filesystem>
#include <fstream>
#include <string>

#include "core/errors.h"
#include "data/pe_resource.h"
#include "fuzz/fuzz_input.h"
#include "platform/file_system.h"
#include "tests/data/pe_bytes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::filesystem::path path = kuzo::platform::MakePrivateTempDirectory("kuzo-fuzz-pe") / "input.exe";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  try {
    kuzo::FindPeResource(path, kuzo::kArchiveResourceType, kuzo::kArchiveResourceName);
  } catch (const kuzo::FormatError&) {
  }
  kuzo::FindResourceArchive(path);
  return 0;
}

std::vector<std::string> KuzoFuzzSeeds() {
  return {kuzo::testing::BuildPe("BINTYPE", "DUMMY", "payload vf"), kuzo::testing::BuildPe("ICON", "MAIN", "x")};
}
