// The row length of a device-independent bitmap, shared by the effect
// filter, the grab renderer and the pictures.
#pragma once
#include <cstdint>

// Bytes in a DIB row: `pixels` of `bits` each, padded to whole 4-byte words.
// 64-bit so an absurd width cannot wrap.
constexpr int64_t DibRowBytes(int64_t pixels, int64_t bits) { return (pixels * bits + 31) / 32 * 4; }
