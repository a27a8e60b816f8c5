// Bottom-up packed pictures (DIBs) and the frame conversions the grab
// renderer makes for the presenters. Plain buffer arithmetic; the global
// memory blocks that hold real pictures are made in the Win32 layer.
#pragma once
#include <cstddef>
#include <cstdint>

// DibRowBytes for the depths of a packed picture; 0 for a depth that a
// packed picture cannot have (16 bits included), for a width below 1 and
// for a row longer than 32 bits can count.
int32_t DibRowStride(int32_t width, int32_t bits);

// Bytes from the start of a bitmap header to its pixels: the header and
// its colour table (a 12-byte core header has 3-byte colours).
int32_t DibPixelsOffset(uint32_t headerSize, int32_t bitCount, uint32_t coloursUsed);

// Extra bytes a packed picture block carries beyond header, colour table
// and pixels (room that the presenters' drawing relies on).
constexpr int32_t kPackedDibSlack = 1200;

// A YUY2 frame (top-down rows of `srcStride` bytes) to a bottom-up RGB24
// picture of `width` x `height` with rows of DibRowStride(width, 24): the
// picture is flipped vertically; with the interlaced layout (4) the lines
// of one parity go to the lower half and the others to the upper half.
// floor(width/2) pairs are converted per row.
void ConvertYuy2Frame(uint8_t* picture, const uint8_t* src, ptrdiff_t srcStride, int32_t width, int32_t height,
                      int32_t layout);

// A bottom-up RGB24 frame whose views alternate line by line, gathered into
// the lower (even rows) and upper (odd rows) halves of the picture. Rows of
// both are DibRowStride(width, 24) bytes.
void DeinterleaveRgbFrame(uint8_t* picture, const uint8_t* src, int32_t width, int32_t height);

// Fills a picture of 2 * height rows from one of `height` rows (both rows of
// `stride` bytes): row 2i is source row i, row 2i+1 the byte-wise mean of
// rows i and i+1 rounded down, and the last two rows repeat the last row.
void DoubleRows(uint8_t* dst, const uint8_t* src, int32_t stride, int32_t height);
