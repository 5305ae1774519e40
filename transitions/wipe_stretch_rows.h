// Row kernels of the nearest-neighbour stretch and of the rotated drawing on 32-bit surfaces: one
// destination row picked from one source row through a table of source columns, or along a straight
// walk through the source. Plain loops define the results; the AVX2 loops (where the processor has
// them) give the same bytes and tests prove it on random input.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kuzo::wipe {

// dst[i] = src[columns[i]] for i < count (pixels of four bytes), every column in 0 .. srcWidth - 1.
// src is the start of the source row; nothing past its srcWidth pixels is read.
void StretchRow32(uint8_t* dst, const uint8_t* src, const int32_t* columns, int count, int32_t srcWidth);
void StretchRow32Plain(uint8_t* dst, const uint8_t* src, const int32_t* columns, int count, int32_t srcWidth);
// Four pixels a step: four equal columns (enlargements by four and more, a stretch of one column)
// store one pixel four times; other steps copy pixel by pixel.
void StretchRow32Sse2(uint8_t* dst, const uint8_t* src, const int32_t* columns, int count, int32_t srcWidth);

// A straight walk through a source picture in 16.16: point i is (u + i * uStep, v + i * vStep), and
// it takes the pixel at column u >> 16 and row v >> 16 of the picture whose row 0 starts at base,
// rows pitch bytes apart. With `narrow` the picture's offsets fit 32 bits: pitch a multiple of 4,
// width and height below 32768 and |pitch| * height below 2^31 (the vector loop needs it).
struct SourceWalk {
  const uint8_t* base;
  ptrdiff_t pitch;
  int32_t width;  // pixels in a row of the picture
  int64_t u, v, uStep, vStep;
  bool narrow;
  // A hint: the points (u + uAhead, v + vAhead) onwards are walked soon after (by a later row of
  // a drawing), and the fast loop asks for their source lines early. 0, 0: no hint. It never
  // changes the result.
  int64_t uAhead = 0, vAhead = 0;
};

// dst[i] = the pixel under point i of the walk, for i < count; every point lies inside the picture.
void WalkRow32(uint8_t* dst, const SourceWalk& walk, int count);
void WalkRow32Plain(uint8_t* dst, const SourceWalk& walk, int count);

// The walk drawn over a row in one pass: dst[i] = the pixel s under point i of the walk at opacity
// 255 and above (under is not read), else every colour byte (u*(255-a) + s*a) >> 8 of it over
// u = under[i], the fourth byte 0 (opacity 1..254). under may be dst itself (the walk blended over
// what dst holds); otherwise the two rows must not overlap.
void WalkOverRow32(uint8_t* dst, const uint8_t* under, const SourceWalk& walk, int count, int opacity);
void WalkOverRow32Plain(uint8_t* dst, const uint8_t* under, const SourceWalk& walk, int count, int opacity);
// Without AVX2: the walk in short pieces into a buffer, then blended over under by the SSE2 blend.
void WalkOverRow32Sse2(uint8_t* dst, const uint8_t* under, const SourceWalk& walk, int count, int opacity);

#if defined(__x86_64__) || defined(__i386__)
// Eight pixels a step: where the eight columns lie within eight neighbouring source pixels (every
// enlargement, and a stretch of one column), one load and one permute; within 16 or 32 (reductions
// down to a half or a quarter), two or four of each; elsewhere a gather. Only
// call it when Avx2RowsAvailable() is true.
void StretchRow32Avx2(uint8_t* dst, const uint8_t* src, const int32_t* columns, int count, int32_t srcWidth);
// Eight points a step in 32-bit lanes on narrow pictures (the plain loop otherwise): along one row
// (vStep 0) picked as by StretchRow32Avx2, elsewhere gathered.
void WalkRow32Avx2(uint8_t* dst, const SourceWalk& walk, int count);
// The points walked as by WalkRow32Avx2, each step of eight blended over under as it is taken.
void WalkOverRow32Avx2(uint8_t* dst, const uint8_t* under, const SourceWalk& walk, int count, int opacity);
#endif

}  // namespace kuzo::wipe
