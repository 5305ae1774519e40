// Replay driver for the fuzz harnesses in ordinary (gcc, sanitizer) builds: feeds the files named
// on the command line, or else the harness's seeds and a fixed-seed stream of mutations of them
// (bit flips, truncations, byte runs, spliced counts), so every test run exercises the parsers.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"

__attribute__((weak)) std::vector<std::string> KuzoFuzzSeeds() { return {}; }

namespace {

void Run(const std::string& input) {
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
}

std::string Mutate(std::string s, std::mt19937& rng) {
  int steps = 1 + static_cast<int>(rng() % 4);
  for (int i = 0; i < steps; ++i) {
    switch (rng() % 6) {
      case 0:  // flip a bit
        if (!s.empty()) s[rng() % s.size()] ^= static_cast<char>(1u << (rng() % 8));
        break;
      case 1:  // truncate
        if (!s.empty()) s.resize(rng() % s.size());
        break;
      case 2:  // random byte
        if (!s.empty()) s[rng() % s.size()] = static_cast<char>(rng());
        break;
      case 3: {  // large little-endian value, as a bad count or length
        if (s.size() >= 4) {
          size_t at = rng() % (s.size() - 3);
          static const uint32_t kValues[] = {0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u, 0x10000000u, 0, 1, 0xFFFFu};
          uint32_t v = kValues[rng() % 7];
          std::memcpy(&s[at], &v, 4);
        }
        break;
      }
      case 4:  // insert random bytes
        s.insert(s.begin() + static_cast<long>(s.empty() ? 0 : rng() % s.size()), static_cast<size_t>(rng() % 16),
                 static_cast<char>(rng()));
        break;
      case 5:  // duplicate a slice
        if (s.size() > 2) {
          size_t a = rng() % s.size(), n = rng() % (s.size() - a);
          s.insert(rng() % s.size(), s.substr(a, n));
        }
        break;
    }
  }
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  int iterations = 1000;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--iterations") == 0 && i + 1 < argc) {
      iterations = std::atoi(argv[++i]);
    } else {
      files.push_back(argv[i]);
    }
  }
  if (!files.empty()) {
    for (const auto& f : files) {
      std::ifstream in(f, std::ios::binary);
      Run(std::string(std::istreambuf_iterator<char>(in), {}));
    }
    return 0;
  }
  std::vector<std::string> seeds = KuzoFuzzSeeds();
  seeds.push_back(std::string());
  std::mt19937 rng(12345);
  for (const auto& s : seeds) Run(s);
  for (int i = 0; i < iterations; ++i) Run(Mutate(seeds[static_cast<size_t>(rng()) % seeds.size()], rng));
  std::printf("replayed %d inputs\n", iterations + static_cast<int>(seeds.size()));
  return 0;
}
