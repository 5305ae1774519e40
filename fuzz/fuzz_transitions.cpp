// Fuzzing of the transitions with untrusted settings: the input picks a kind, a pixel format, the
// sizes of the screen and of both pictures (which may differ), both parameters (often extreme),
// the direction, a rule image of any size and contents, a duration and a series of elapsed times.
// Every step must stay inside the surfaces and the integer ranges (the sanitizers watch), and a
// step at or past the duration must report the end.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "graphics/dibx.h"
#include "transitions/wipe_catalogue.h"

namespace {

using namespace kuzo;

class Bytes {
 public:
  Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t U8() { return pos_ < size_ ? data_[pos_++] : 0; }
  uint32_t U32() { return U8() | uint32_t{U8()} << 8 | uint32_t{U8()} << 16 | uint32_t{U8()} << 24; }
  // A value that is usually small and sometimes anything at all.
  int32_t Param() {
    const uint8_t kind = U8();
    if (kind < 16) return static_cast<int32_t>(U32());
    return static_cast<int32_t>(U8()) - 20;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

constexpr int kBits[] = {8, 15, 16, 24, 32};

TDIBX Painted(int w, int h, int bits, uint32_t seed) {
  TDIBX s(w, h, bits);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) s.SetPixel(x, y, static_cast<uint32_t>(rng()));
  }
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Bytes in(data, size);
  const int32_t kind = 1 + in.U8() % kWipeKindCount;
  const int bits = kBits[in.U8() % 5];
  const auto side = [&] { return in.U8() % 41; };
  const int dw = side(), dh = side();
  TDIBX dest = Painted(dw, dh, bits, 1);
  const TDIBX from = Painted(in.U8() % 2 ? dw : side(), dh, bits, 2);
  const TDIBX to = Painted(dw, in.U8() % 2 ? dh : side(), bits, 3);
  const int32_t p0 = in.Param(), p1 = in.Param();
  const uint8_t reverse = in.U8() & 1;
  GreyImage rule;
  rule.width = in.U8() % 9;
  rule.height = in.U8() % 9;
  const size_t ruleBytes = in.U8() % 100;  // may be fewer than width x height
  for (size_t i = 0; i < ruleBytes; ++i) rule.grey.push_back(in.U8());
  RuntimeRandom random;
  random.Seed(in.U32());
  WipeServices services;
  services.random = &random;
  services.loadRule = [&rule](const std::string&) -> std::optional<GreyImage> { return rule; };

  auto wipe = CreateTransition(kind, dest, from, to, services);
  if (!wipe) std::abort();
  wipe->SetParam(0, p0);
  wipe->SetParam(1, p1);
  wipe->Duration = in.U8() % 4 == 0 ? in.Param() : 1 + in.U8() % 64;
  wipe->SetReverse(reverse);
  wipe->SetRuleName("rule");
  wipe->Prepare();
  for (int step = 0; step < 6; ++step) {
    wipe->Elapsed = in.U8() % 4 == 0 ? in.Param() : in.U8() % 70;
    const bool finished = wipe->StepFrame();
    if (finished != (wipe->Elapsed >= wipe->Duration || wipe->Duration <= 0)) std::abort();
  }
  return 0;
}

std::vector<std::string> KuzoFuzzSeeds() {
  std::vector<std::string> seeds;
  // One seed per kind: a 24 x 16 32-bit screen, default-like parameters, a 4 x 4 rule image.
  for (int k = 0; k < kWipeKindCount; ++k) {
    std::string s;
    s += static_cast<char>(k);
    s += static_cast<char>(4);   // 32 bits
    s += static_cast<char>(24);  // screen width
    s += static_cast<char>(16);  // screen height
    s += static_cast<char>(0);   // From sized as the screen
    s += static_cast<char>(0);   // To sized as the screen
    s += static_cast<char>(200), s += static_cast<char>(30);  // parameter 0 = 10
    s += static_cast<char>(200), s += static_cast<char>(21);  // parameter 1 = 1
    s += static_cast<char>(k & 1);
    s += static_cast<char>(4), s += static_cast<char>(4), s += static_cast<char>(16);
    for (int i = 0; i < 16; ++i) s += static_cast<char>(i * 17);
    s += std::string(4, '\x05');                               // generator seed
    s += static_cast<char>(1), s += static_cast<char>(40);     // duration 41
    for (int e = 0; e < 6; ++e) s += static_cast<char>(1), s += static_cast<char>(e * 9);
    seeds.push_back(s);
  }
  return seeds;
}
