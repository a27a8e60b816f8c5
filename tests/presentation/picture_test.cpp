#include <gtest/gtest.h>

#include <vector>

#include "composition/pixel_kernels.h"
#include "presentation/picture.h"

namespace {

TEST(DibRowStride, PadsRowsToWholeWords) {
    const struct {
        int32_t width, bits, stride;
    } cases[] = {
        {1, 1, 4}, {33, 1, 8}, {9, 4, 8}, {5, 8, 8}, {318, 24, 956}, {320, 24, 960}, {1, 24, 4},
        {7, 32, 28}, {7, 16, 0}, {7, 2, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(DibRowStride(c.width, c.bits), c.stride) << c.width << "x" << c.bits;
}

// Rows no picture can have are 0, which CreatePackedDib refuses; the
// widest rows that still fit 32 bits keep their length.
TEST(DibRowStride, NoRowForWidthsBelowOneOrBeyond32Bits) {
    const struct {
        int32_t width, bits, stride;
    } cases[] = {
        {0, 24, 0}, {-1, 24, 0}, {-5, 24, 0}, {-1, 32, 0}, {-40, 1, 0},
        {715827881, 24, 2147483644}, {715827882, 24, 0},
        {536870911, 32, 2147483644}, {536870912, 32, 0},
        {INT32_MAX, 1, 268435456}, {INT32_MAX, 8, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(DibRowStride(c.width, c.bits), c.stride) << c.width << "x" << c.bits;
}

TEST(DibPixelsOffset, SkipsHeaderAndColourTable) {
    EXPECT_EQ(DibPixelsOffset(40, 24, 0), 40);
    EXPECT_EQ(DibPixelsOffset(40, 8, 0), 40 + 1024);
    EXPECT_EQ(DibPixelsOffset(40, 8, 16), 40 + 64);  // only the colours used
    EXPECT_EQ(DibPixelsOffset(40, 24, 2), 48);
    EXPECT_EQ(DibPixelsOffset(12, 4, 0), 12 + 48);  // core header: 3-byte colours
    EXPECT_EQ(DibPixelsOffset(12, 24, 0), 12);
}

// A YUY2 frame whose pairs all carry one luma per row, so a picture row
// shows which source row it came from.
std::vector<uint8_t> Yuy2Rows(int32_t width, int32_t height, ptrdiff_t stride) {
    std::vector<uint8_t> src(stride * height, 0);
    for (int32_t r = 0; r < height; ++r)
        for (int32_t p = 0; p < width / 2; ++p) {
            uint8_t* pair = src.data() + r * stride + 4 * p;
            pair[0] = pair[2] = static_cast<uint8_t>(40 + 10 * r);
            pair[1] = pair[3] = 128;
        }
    return src;
}

uint8_t GreyOfRow(int32_t r) { return DecodeYuvPixel(static_cast<uint8_t>(40 + 10 * r), 128, 128).g; }

TEST(ConvertYuy2Frame, FlipsToBottomUp) {
    const int32_t w = 5, h = 3;  // odd width: 2 pairs, the last column is left alone
    const ptrdiff_t srcStride = 12;  // DIB rows padded to 4 bytes
    const auto src = Yuy2Rows(w, h, srcStride);
    const int32_t s = DibRowStride(w, 24);
    std::vector<uint8_t> pic(s * h, 0xEE);
    ConvertYuy2Frame(pic.data(), src.data(), srcStride, w, h, 0);
    for (int32_t row = 0; row < h; ++row) {
        EXPECT_EQ(pic[row * s + 1], GreyOfRow(h - 1 - row)) << row;
        EXPECT_EQ(pic[row * s + 11], GreyOfRow(h - 1 - row)) << row;
        EXPECT_EQ(pic[row * s + 12], 0xEE) << row;  // fifth pixel untouched
    }
}

// With an odd height the middle row is written twice (the later write
// wins) and the top row of the picture is never written.
TEST(ConvertYuy2Frame, GathersInterlacedLinesIntoHalves) {
    const int32_t w = 2, h = 5;
    const auto src = Yuy2Rows(w, h, 4);
    const int32_t s = DibRowStride(w, 24);
    std::vector<uint8_t> pic(s * h, 0xEE);
    ConvertYuy2Frame(pic.data(), src.data(), 4, w, h, 4);
    // Output row r (from the bottom) is source row h-1-r; even r to r/2,
    // odd r to r/2 + h/2.
    const int32_t sourceOfRow[] = {4, 2, 0, 1, -1};  // picture rows 0..4
    for (int32_t row = 0; row < h; ++row) {
        const uint8_t want = sourceOfRow[row] < 0 ? 0xEE : GreyOfRow(sourceOfRow[row]);
        EXPECT_EQ(pic[row * s], want) << row;
    }
}

TEST(DeinterleaveRgbFrame, EvenRowsDownOddRowsUp) {
    const int32_t w = 1, h = 5, s = DibRowStride(w, 24);
    std::vector<uint8_t> src(s * h), pic(s * h, 0xEE);
    for (int32_t r = 0; r < h; ++r) std::fill(src.begin() + r * s, src.begin() + (r + 1) * s, uint8_t(r));
    DeinterleaveRgbFrame(pic.data(), src.data(), w, h);
    const int32_t sourceOfRow[] = {0, 2, 4, 3, -1};
    for (int32_t row = 0; row < h; ++row)
        for (int32_t b = 0; b < s; ++b)
            EXPECT_EQ(pic[row * s + b], sourceOfRow[row] < 0 ? 0xEE : sourceOfRow[row]) << row;
}

TEST(DoubleRows, InterpolatesBetweenRowsAndRepeatsTheLast) {
    const uint8_t src[] = {10, 255, 21, 0, 30, 200};  // 3 rows of 2 bytes
    uint8_t dst[12];
    DoubleRows(dst, src, 2, 3);
    EXPECT_EQ(std::vector<uint8_t>(dst, dst + 12),
              (std::vector<uint8_t>{10, 255, 15, 127, 21, 0, 25, 100, 30, 200, 30, 200}));
}

}  // namespace
