// Fuzz harness: the project file "kuzo.kpb" with its version gates and declarations.
#include <string>
#include <string_view>

#include "core/errors.h"
#include "fuzz/fuzz_input.h"
#include "script/project_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    kuzo::ByteReader r(std::string_view(reinterpret_cast<const char*>(data), size), "kuzo.kpb");
    kuzo::ProjectFile f;
    f.version = r.U32("version");
    if (f.version > kuzo::kProjectVersionMax) return 0;
    f.ReadFields(r);
    kuzo::ByteWriter w;
    f.Write(w);
  } catch (const kuzo::KuzoError&) {
  }
  return 0;
}

std::vector<std::string> KuzoFuzzSeeds() {
  std::vector<std::string> seeds;
  for (uint32_t v : {103u, 105u, 106u, 109u, 110u}) {
    kuzo::ProjectFile f;
    f.version = v;
    f.startPage = "main.ksb";
    f.variables.push_back({1, "a", 5});
    f.variables.push_back({2, "b", 0, 1.25L});
    f.variables.push_back({3, "c", 0, 0, true});
    f.variables.push_back({4, "d", 0, 0, false, "text"});
    f.variables.push_back({9, "e"});
    f.folderDisks.push_back({"movie", 2});
    kuzo::ByteWriter w;
    f.Write(w);
    seeds.push_back(w.Take());
  }
  return seeds;
}
