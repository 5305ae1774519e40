// Row kernels of the passages through white or black on 32-bit surfaces: each pixel's level comes
// from its rule byte, or from its distance for the spot, and picks the picture and the grey in one
// pass. Plain loops define the results; the SSE2 and AVX2 loops give the same bytes and tests prove
// it on random input.
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

// The spot's passage with distances of 16 bits: level = clamp(g - distance[i], 0, 511), then as
// above without darken. g in 0 .. 32767 and every distance at most 32767 (the levels are computed
// in 16-bit lanes).
void SpotPassRow32(uint8_t* dst, const uint8_t* from, const uint8_t* to, const uint16_t* distance, int count, int g);
void SpotPassRow32Plain(uint8_t* dst, const uint8_t* from, const uint8_t* to, const uint16_t* distance, int count,
                        int g);
void SpotPassRow32Sse2(uint8_t* dst, const uint8_t* from, const uint8_t* to, const uint16_t* distance, int count,
                       int g);
#if defined(__x86_64__) || defined(__i386__)
void SpotPassRow32Avx2(uint8_t* dst, const uint8_t* from, const uint8_t* to, const uint16_t* distance, int count,
                       int g);
#endif

}  // namespace kuzo::wipe
