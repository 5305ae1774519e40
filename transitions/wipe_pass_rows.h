// Row kernel of the rule passage through white or black on 32-bit surfaces: each pixel's level
// comes from its rule byte and picks the picture and the grey in one pass. A plain loop defines
// the result; the SSE2 and AVX2 loops give the same bytes and tests prove it on random input.
#pragma once

#include <cstdint>

namespace kuzo::wipe {

// level = clamp(rule[i] + shift, 0, 511), shift in -256 .. 511; below 256 the outgoing pixel with
// the grey of level added, from 256 the incoming pixel with the grey of 511 - level added (with
// `darken` taken away instead), byte by byte with saturation; the grey of v is (v, v, v) with a
// fourth byte of 0. Vectors whose pixels all take one picture read only that picture.
void RulePassRow32(uint8_t* dst, const uint8_t* from, const uint8_t* to, const uint8_t* rule, int count, int shift,
                   bool darken);
void RulePassRow32Plain(uint8_t* dst, const uint8_t* from, const uint8_t* to, const uint8_t* rule, int count,
                        int shift, bool darken);
void RulePassRow32Sse2(uint8_t* dst, const uint8_t* from, const uint8_t* to, const uint8_t* rule, int count,
                       int shift, bool darken);
#if defined(__x86_64__) || defined(__i386__)
// Only call it when Avx2RowsAvailable() is true.
void RulePassRow32Avx2(uint8_t* dst, const uint8_t* from, const uint8_t* to, const uint8_t* rule, int count,
                       int shift, bool darken);
#endif

}  // namespace kuzo::wipe
