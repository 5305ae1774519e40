// The 10-byte extended-precision float form stored in compiled expressions, variable data and data
// tables, converted to and from long double by arithmetic (no memory copies), and the one rule by
// which every float becomes a 32-bit integer.
#pragma once

#include <cstdint>

namespace kuzo {

class ByteReader;
class ByteWriter;

constexpr int kFloat80Bytes = 10;

// Little-endian: 64-bit significand with an explicit integer bit, then sign and 15-bit exponent.
void EncodeFloat80(long double value, uint8_t out[kFloat80Bytes]);
long double DecodeFloat80(const uint8_t in[kFloat80Bytes]);

void WriteFloat80(ByteWriter& w, long double value);
long double ReadFloat80(ByteReader& r, const char* field);

// Truncates toward zero through 64 bits and keeps the low 32 bits (two's complement wrap). NaN and
// magnitudes of 2^63 and beyond give the "integer indefinite" 0x8000000000000000, whose low 32 bits
// are 0.
int32_t FloatToInt32(long double value);

}  // namespace kuzo
