// Fuzzes the PE resource walk that finds an executable's archive resource and its first icon, and
// the icon bitmap decoder on the raw input.
#include <filesystem>
#include <fstream>
#include <string>

#include "core/errors.h"
#include "data/pe_resource.h"
#include "fuzz/fuzz_input.h"
#include "graphics/image_formats/exe_icon.h"
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
  try {
    kuzo::FindFirstIcon(path);
  } catch (const kuzo::FormatError&) {
  }
  try {
    kuzo::DecodeIconBitmap(std::string_view(reinterpret_cast<const char*>(data), size), "input");
  } catch (const kuzo::FormatError&) {
  }
  return 0;
}

std::vector<std::string> KuzoFuzzSeeds() {
  return {kuzo::testing::BuildPe("BINTYPE", "DUMMY", "payload vf"), kuzo::testing::BuildPe("ICON", "MAIN", "x"),
          kuzo::testing::IconPe(), kuzo::testing::TinyIconBitmap()};
}
