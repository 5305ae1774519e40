// Fuzzes the install settings reader; whatever reads must write back to a form that reads the same.
#include <string>

#include "core/errors.h"
#include "data/install_settings.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kuzo;
  TKuzoInstallSet settings;
  try {
    settings = TKuzoInstallSet::Read(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const FormatError&) {
    return 0;
  }
  const std::string written = settings.Write();
  const TKuzoInstallSet back = TKuzoInstallSet::Read(written);
  if (back.Write() != written || back.title != settings.title || back.diskIndex != settings.diskIndex ||
      back.dataInstalled != settings.dataInstalled) {
    __builtin_trap();  // a lossy rewrite would damage the installation tools' fields
  }
  return 0;
}

std::vector<std::string> KuzoFuzzSeeds() {
  using namespace kuzo;
  std::vector<std::string> seeds;
  TKuzoInstallSet s;
  s.title = "Title";
  s.diskIndex = 1;
  s.rows = {{1, -2, 3, -4}};
  s.list21 = {"save\\a.drl"};
  s.list25 = {"x", ""};
  s.text26 = "last";
  s.dataInstalled = true;
  seeds.push_back(s.Write());
  std::string old = s.Write().substr(5);  // version 0: no signature, 4-byte values
  seeds.push_back(old);
  return seeds;
}
