// Portable encoding of the 80-bit extended float form and the float-to-integer rule.
#include "vars/float80.h"

#include <cmath>

#include "core/byte_reader.h"

namespace kuzo {

namespace {
constexpr int kExponentBias = 16383;
constexpr int kExponentMax = 0x7FFF;
constexpr uint64_t kIntegerBit = 0x8000000000000000ull;
constexpr uint64_t kQuietNaN = 0xC000000000000000ull;
}  // namespace

void EncodeFloat80(long double value, uint8_t out[kFloat80Bytes]) {
  uint64_t mantissa = 0;
  int exponent = 0;
  bool negative = std::signbit(value);
  if (std::isnan(value)) {
    exponent = kExponentMax;
    mantissa = kQuietNaN;
  } else if (std::isinf(value)) {
    exponent = kExponentMax;
    mantissa = kIntegerBit;
  } else if (value != 0) {
    long double mag = std::fabs(value);
    int e = 0;
    long double frac = std::frexp(mag, &e);  // mag = frac * 2^e, 0.5 <= frac < 1
    int biased = e - 1 + kExponentBias;
    if (biased >= kExponentMax) {  // only reachable where long double is wider than 80 bits
      exponent = kExponentMax;
      mantissa = kIntegerBit;
    } else if (biased <= 0) {
      // Denormal: value = mantissa * 2^(1 - bias - 63).
      mantissa = static_cast<uint64_t>(std::ldexp(mag, kExponentBias - 1 + 63));
      exponent = 0;
    } else {
      mantissa = static_cast<uint64_t>(std::ldexp(frac, 64));
      exponent = biased;
    }
  }
  for (int i = 0; i < 8; ++i) out[i] = static_cast<uint8_t>(mantissa >> (8 * i));
  uint16_t top = static_cast<uint16_t>(exponent | (negative ? 0x8000 : 0));
  out[8] = static_cast<uint8_t>(top & 0xFF);
  out[9] = static_cast<uint8_t>(top >> 8);
}

long double DecodeFloat80(const uint8_t in[kFloat80Bytes]) {
  uint64_t mantissa = 0;
  for (int i = 0; i < 8; ++i) mantissa |= static_cast<uint64_t>(in[i]) << (8 * i);
  uint16_t top = static_cast<uint16_t>(in[8] | (in[9] << 8));
  bool negative = (top & 0x8000) != 0;
  int exponent = top & 0x7FFF;
  long double mag;
  if (exponent == kExponentMax) {
    // The x87 treats every pattern without the integer bit as invalid; all but a bare integer bit
    // are NaNs.
    mag = (mantissa == kIntegerBit) ? HUGE_VALL : std::nanl("");
  } else if (exponent == 0) {
    mag = std::ldexp(static_cast<long double>(mantissa), 1 - kExponentBias - 63);
  } else {
    mag = std::ldexp(static_cast<long double>(mantissa), exponent - kExponentBias - 63);
  }
  return negative ? -mag : mag;
}

void WriteFloat80(ByteWriter& w, long double value) {
  uint8_t bytes[kFloat80Bytes];
  EncodeFloat80(value, bytes);
  w.Bytes(bytes, kFloat80Bytes);
}

long double ReadFloat80(ByteReader& r, const char* field) {
  uint8_t bytes[kFloat80Bytes];
  r.Read(bytes, kFloat80Bytes, field);
  return DecodeFloat80(bytes);
}

int32_t FloatToInt32(long double value) {
  constexpr long double kTwo63 = 9223372036854775808.0L;
  if (std::isnan(value)) return 0;
  long double t = std::trunc(value);
  if (t >= kTwo63 || t < -kTwo63) return 0;
  int64_t wide = static_cast<int64_t>(t);
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(wide)));
}

}  // namespace kuzo
