// Linked into the libFuzzer programs: with KUZO_FUZZ_WRITE_SEEDS=DIR in the environment, a harness
// writes its seed inputs into DIR (one file each) and exits, so a fuzzing run can start from them.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"

__attribute__((weak)) std::vector<std::string> KuzoFuzzSeeds() { return {}; }

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  const char* dir = std::getenv("KUZO_FUZZ_WRITE_SEEDS");
  if (dir == nullptr || *dir == '\0') return 0;
  const std::vector<std::string> seeds = KuzoFuzzSeeds();
  for (size_t i = 0; i < seeds.size(); ++i) {
    const std::string path = std::string(dir) + "/seed-" + std::to_string(i);
    std::ofstream out(path, std::ios::binary);
    out.write(seeds[i].data(), static_cast<std::streamsize>(seeds[i].size()));
    if (!out) {
      std::fprintf(stderr, "%s: cannot be written\n", path.c_str());
      std::exit(1);
    }
  }
  std::printf("wrote %zu seeds\n", seeds.size());
  std::exit(0);
}
