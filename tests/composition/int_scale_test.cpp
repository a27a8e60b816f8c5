#include <gtest/gtest.h>

#include <cstdint>

#include "composition/int_scale.h"

namespace {

constexpr int64_t kMax = INT32_MAX;
constexpr int64_t kMin = INT32_MIN;

TEST(ScaleTruncated, TruncatesTowardZeroAndSaturates) {
    const struct {
        int64_t a, b, c;
        int32_t want;
    } cases[] = {
        {7, 3, 2, 10},  // 10.5: truncated, not rounded
        {-7, 3, 2, -10},
        {7, -3, 2, -10},
        {7, 3, -2, -10},
        {-7, -3, 2, 10},
        {1, 1, 3, 0},
        {-1, 1, 3, 0},  // toward zero, not down to -1
        {0, 5, 7, 0},
        {5, 7, 0, 0},  // no divisor: 0, never a trap
        {0, 0, 0, 0},
        {kMax, kMax, kMax, INT32_MAX},  // the product is wider than 32 bits
        {kMax, 110, 100, INT32_MAX},
        {kMin, 110, 100, INT32_MIN},
        {2 * kMax, kMax, 1, INT32_MAX},
        {kMax, -kMax, 1, INT32_MIN},
        {kMin, -1, 1, INT32_MAX},  // -INT32_MIN does not fit either
        {kMax, 2, 2, INT32_MAX},
        {kMin, 2, 2, INT32_MIN},
        {1'000'000, 3'000, 1'000, 3'000'000},
    };
    for (const auto& t : cases) EXPECT_EQ(ScaleTruncated(t.a, t.b, t.c), t.want) << t.a << " * " << t.b << " / " << t.c;
}

}  // namespace
