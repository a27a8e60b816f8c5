// The integer scaling of the geometry code (zooms, fits, view sizes).
#pragma once
#include <cstdint>
#include <limits>

// a * b / c with the product formed in 64 bits, so that a zoom of many
// steps times a frame size cannot overflow; the quotient is truncated
// toward zero (as C++ divides) and saturated to the int32 range, and 0
// when c is 0. a * b must fit 64 bits, as it does for 32-bit values.
constexpr int32_t ScaleTruncated(int64_t a, int64_t b, int64_t c) {
    if (c == 0) return 0;
    const int64_t q = a * b / c;
    if (q > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (q < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(q);
}
