// Shared declarations of the fuzz harnesses: each defines LLVMFuzzerTestOneInput and may offer seed
// inputs (well-formed examples) that the replay driver mutates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// Seeds for the replay driver; a harness defines it (weakly defaulted to none).
std::vector<std::string> KuzoFuzzSeeds();
