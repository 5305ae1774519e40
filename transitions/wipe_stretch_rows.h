// Row kernels of the nearest-neighbour stretch on 32-bit surfaces: one destination row picked from
// one source row through a table of source columns. A plain loop defines the result; the AVX2 loop
// (where the processor has it) gives the same bytes and tests prove it on random tables.
#pragma once

#include <cstdint>

namespace kuzo::wipe {

// dst[i] = src[columns[i]] for i < count (pixels of four bytes), every column in 0 .. srcWidth - 1.
// src is the start of the source row; nothing past its srcWidth pixels is read.
void StretchRow32(uint8_t* dst, const uint8_t* src, const int32_t* columns, int count, int32_t srcWidth);
void StretchRow32Plain(uint8_t* dst, const uint8_t* src, const int32_t* columns, int count, int32_t srcWidth);

#if defined(__x86_64__) || defined(__i386__)
// Eight pixels a step: where the eight columns lie within eight neighbouring source pixels (every
// enlargement, and a stretch of one column), one load and one permute; elsewhere a gather. Only
// call it when Avx2RowsAvailable() is true.
void StretchRow32Avx2(uint8_t* dst, const uint8_t* src, const int32_t* columns, int count, int32_t srcWidth);
#endif

}  // namespace kuzo::wipe
