#include <gtest/gtest.h>

#include <cstdint>

#include "composition/dib_row.h"

namespace {

TEST(DibRowBytes, PadsEveryDepthToWholeWords) {
    const struct {
        int64_t pixels, bits, bytes;
    } cases[] = {
        {1, 1, 4}, {33, 1, 8}, {9, 4, 8}, {5, 8, 8}, {1, 24, 4}, {318, 24, 956}, {7, 32, 28}, {0, 24, 0},
        {7, 16, 16},  // YUY2 rows, which no packed picture has
        {INT32_MAX, 32, 8589934588},  // wider than 32 bits, not wrapped
        {2 * int64_t{INT32_MAX}, 24, 12884901884},
    };
    for (const auto& c : cases) EXPECT_EQ(DibRowBytes(c.pixels, c.bits), c.bytes) << c.pixels << "x" << c.bits;
}

}  // namespace
