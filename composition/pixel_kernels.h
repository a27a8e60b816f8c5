// Per-pixel row kernels: YUY2 decoding, grey and colour anaglyph mixes for
// RGB24 and YUY2 rows, and the sub-pixel interleave of the 3D LCD column
// layout. Every value follows from the rounding rules in pixel_tables.h;
// the SIMD versions reproduce the scalar ones bit for bit.
//
// RGB pixels are 3 bytes (blue, green, red); YUY2 pairs are 4 bytes
// (Y0, U, Y1, V). In the anaglyph kernels A is the row that feeds red and B
// the other; destination and sources never overlap. A count of 0 writes
// nothing.
#pragma once
#include <cstdint>

using RgbAnaglyphKernel = void (*)(uint8_t* dst, const uint8_t* a, const uint8_t* b, int32_t pixels);
using Yuy2AnaglyphKernel = void (*)(uint8_t* dst, const uint8_t* a, const uint8_t* b, int32_t pairs);
using RowReverseKernel = void (*)(uint8_t* dst, const uint8_t* src, int32_t bytes);

// Grey level of an RGB pixel: clamp(16 + r(.299R) + r(.587G) + r(.114B)).
uint8_t GreyLevel(uint8_t r, uint8_t g, uint8_t b);

// One YUY2 pixel (luma y, the pair's u and v) to RGB.
struct Rgb {
    uint8_t r, g, b;
};
Rgb DecodeYuvPixel(uint8_t y, uint8_t u, uint8_t v);

// Two RGB pixels to one YUY2 pair; chroma comes from the first pixel.
// Writes Y0, U, Y1, V.
void RgbToYuy2Pair(uint8_t* dst, Rgb p0, Rgb p1);

// RGB anaglyph kernels (scalar, table driven).
void RgbAnaglyphGreyRedCyan(uint8_t* dst, const uint8_t* a, const uint8_t* b, int32_t pixels);
void RgbAnaglyphGreyRedGreen(uint8_t* dst, const uint8_t* a, const uint8_t* b, int32_t pixels);
void RgbAnaglyphGreyRedBlue(uint8_t* dst, const uint8_t* a, const uint8_t* b, int32_t pixels);
void RgbAnaglyphColor(uint8_t* dst, const uint8_t* a, const uint8_t* b, int32_t pixels);
void RgbAnaglyphColorRedFix(uint8_t* dst, const uint8_t* a, const uint8_t* b, int32_t pixels);

// YUY2 anaglyph kernels (scalar, table driven).
void Yuy2AnaglyphGreyRedCyan(uint8_t* dst, const uint8_t* a, const uint8_t* b, int32_t pairs);
void Yuy2AnaglyphGreyRedGreen(uint8_t* dst, const uint8_t* a, const uint8_t* b, int32_t pairs);
void Yuy2AnaglyphGreyRedBlue(uint8_t* dst, const uint8_t* a, const uint8_t* b, int32_t pairs);
void Yuy2AnaglyphColor(uint8_t* dst, const uint8_t* a, const uint8_t* b, int32_t pairs);
void Yuy2AnaglyphColorRedFix(uint8_t* dst, const uint8_t* a, const uint8_t* b, int32_t pairs);

// Mirror a row: floor(bytes/3) pixels in reverse order.
void ReverseRgbRow(uint8_t* dst, const uint8_t* src, int32_t bytes);
// Mirror a row: floor(bytes/4) pairs in reverse order, the two lumas of each
// pair exchanged, chroma kept with its pair.
void ReverseYuy2Row(uint8_t* dst, const uint8_t* src, int32_t bytes);

// YUY2 rows to bottom-up-agnostic RGB24 rows: 6 bytes per source pair; after
// each row both pointers advance by their skip beyond the row.
void Yuy2ToRgbRows(uint8_t* dst, const uint8_t* src, int32_t pairsPerRow, int32_t rows, int32_t dstSkip,
                   int32_t srcSkip);

// 3D LCD column layout: for pixel i, repeat[i] groups of 6 bytes
// (b1, g2 of the previous group, r1, b2, g1, r2). Returns bytes written.
int32_t SubpixelInterleave(uint8_t* dst, const uint8_t* view1, const uint8_t* view2, const uint8_t* repeat,
                           int32_t pixels);

// One implementation of every kernel the compositors call per row.
// Anaglyph entries are indexed by display mode - 2 (modes 2..6).
struct KernelSet {
    const char* name;
    RgbAnaglyphKernel rgbAnaglyph[5];
    Yuy2AnaglyphKernel yuy2Anaglyph[5];
    RowReverseKernel reverseRgbRow;
    RowReverseKernel reverseYuy2Row;
};

const KernelSet& ScalarKernels();
// The SIMD set, or nullptr when this processor lacks the instructions.
const KernelSet* SimdKernels();
// The fastest set this processor runs; chosen once.
const KernelSet& ActiveKernels();
