// The scalar kernels against an independent floating-point reference of
// the rounding rules: every product rounded half up on its own, then
// summed and clamped.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "composition/pixel_kernels.h"

namespace {

int R(double coefficient, int x) { return static_cast<int>(std::floor(coefficient * x + 0.5)); }
int Clamp(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

int RefGrey(int r, int g, int b) { return Clamp(16 + R(0.299, r) + R(0.587, g) + R(0.114, b)); }

Rgb RefDecode(int y, int u, int v) {
    const int l = R(1.164, y - 16);
    return Rgb{static_cast<uint8_t>(Clamp(l + R(1.596, v - 128))),
               static_cast<uint8_t>(Clamp(l + R(-0.391, u - 128) + R(-0.813, v - 128))),
               static_cast<uint8_t>(Clamp(l + R(2.018, u - 128)))};
}

struct GreyCase {
    int r, g, b, grey;
};

TEST(GreyLevel, ConcreteValuesAndTies) {
    const GreyCase cases[] = {
        {255, 255, 255, 255},  // 16 + 76 + 150 + 29 clamps
        {0, 0, 0, 16},
        {0, 0, 250, 45},   // .114 * 250 = 28.5 rounds up to 29
        {255, 0, 0, 92},   // pure red
        {0, 255, 255, 195},
    };
    for (const GreyCase& c : cases)
        EXPECT_EQ(GreyLevel(c.r, c.g, c.b), c.grey) << c.r << "," << c.g << "," << c.b;
}

TEST(GreyLevel, EveryColourMatchesTheRoundingRule) {
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; ++b)
                if (GreyLevel(r, g, b) != RefGrey(r, g, b)) FAIL() << r << "," << g << "," << b;
}

struct DecodeCase {
    int y, u, v;
    Rgb rgb;
};

TEST(DecodeYuvPixel, ConcreteValues) {
    const DecodeCase cases[] = {
        {235, 128, 128, {255, 255, 255}},
        {16, 128, 128, {0, 0, 0}},
        // Far outside the video range the formulas still hold: luma -19,
        // green gains 50 + 104.
        {0, 0, 0, {0, 135, 0}},
        {255, 255, 255, {255, 125, 255}},  // green: 278 - 50 - 103
        {141, 128, 128, {146, 146, 146}},  // 1.164 * 125 = 145.5 rounds up
        {235, 128, 3, {56, 255, 255}},     // 1.596 * -125 = -199.5 rounds up to -199
    };
    for (const DecodeCase& c : cases) {
        const Rgb got = DecodeYuvPixel(c.y, c.u, c.v);
        EXPECT_EQ(got.r, c.rgb.r) << c.y << "," << c.u << "," << c.v;
        EXPECT_EQ(got.g, c.rgb.g) << c.y << "," << c.u << "," << c.v;
        EXPECT_EQ(got.b, c.rgb.b) << c.y << "," << c.u << "," << c.v;
    }
}

// Decoded channels reach -277..534 before clamping: every input must stay
// inside the tables and clamp correctly.
TEST(DecodeYuvPixel, EveryInputMatchesTheRoundingRule) {
    for (int y = 0; y < 256; ++y)
        for (int u = 0; u < 256; ++u)
            for (int v = 0; v < 256; ++v) {
                const Rgb got = DecodeYuvPixel(y, u, v), want = RefDecode(y, u, v);
                if (got.r != want.r || got.g != want.g || got.b != want.b) FAIL() << y << "," << u << "," << v;
            }
}

TEST(RgbToYuy2Pair, ChromaComesFromTheFirstPixel) {
    uint8_t out[4];
    RgbToYuy2Pair(out, Rgb{255, 255, 255}, Rgb{255, 255, 255});
    EXPECT_EQ(std::vector<uint8_t>(out, out + 4), (std::vector<uint8_t>{255, 128, 255, 128}));

    RgbToYuy2Pair(out, Rgb{255, 0, 0}, Rgb{0, 0, 255});
    EXPECT_EQ(out[0], 92);
    EXPECT_EQ(out[1], 128 - 38);  // from red only
    EXPECT_EQ(out[2], GreyLevel(0, 0, 255));
    EXPECT_EQ(out[3], 128 + 112);

    RgbToYuy2Pair(out, Rgb{125, 0, 0}, Rgb{0, 0, 0});
    EXPECT_EQ(out[1], 128 - 19);  // .148 * 125 = 18.5 rounds up
}

TEST(RgbToYuy2Pair, EveryFirstPixelMatchesTheRoundingRule) {
    uint8_t out[4];
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; ++b) {
                RgbToYuy2Pair(out, Rgb{uint8_t(r), uint8_t(g), uint8_t(b)}, Rgb{0, 0, 0});
                const int u = Clamp(128 - R(0.148, r) - R(0.291, g) + R(0.439, b));
                const int v = Clamp(128 + R(0.439, r) - R(0.368, g) - R(0.071, b));
                if (out[0] != RefGrey(r, g, b) || out[1] != u || out[3] != v) FAIL() << r << "," << g << "," << b;
            }
}

// Two RGB pixels per row: A = (10, 20, 30) and (200, 100, 50) as B, G, R
// bytes; B = (1, 2, 3) and (250, 240, 230).
struct RgbKernelCase {
    const char* name;
    RgbAnaglyphKernel kernel;
    // Expected B, G, R of each output pixel as a function of the greys
    // and bytes of A and B.
    std::vector<uint8_t> (*expect)(const uint8_t* a, const uint8_t* b);
};

uint8_t G(const uint8_t* p) { return GreyLevel(p[2], p[1], p[0]); }

TEST(RgbAnaglyph, ChannelsComeFromTheRightSource) {
    const uint8_t a[6] = {10, 20, 30, 200, 100, 50};
    const uint8_t b[6] = {1, 2, 3, 250, 240, 230};
    const RgbKernelCase cases[] = {
        {"grey red/cyan", RgbAnaglyphGreyRedCyan,
         [](const uint8_t* a, const uint8_t* b) { return std::vector<uint8_t>{G(b), G(b), G(a)}; }},
        {"grey red/green", RgbAnaglyphGreyRedGreen,
         [](const uint8_t* a, const uint8_t* b) { return std::vector<uint8_t>{0, G(b), G(a)}; }},
        {"grey red/blue", RgbAnaglyphGreyRedBlue,
         [](const uint8_t* a, const uint8_t* b) { return std::vector<uint8_t>{G(b), 0, G(a)}; }},
        {"colour", RgbAnaglyphColor,
         [](const uint8_t* a, const uint8_t* b) { return std::vector<uint8_t>{b[0], b[1], a[2]}; }},
        {"colour red fix", RgbAnaglyphColorRedFix,
         [](const uint8_t* a, const uint8_t* b) { return std::vector<uint8_t>{b[0], b[1], G(a)}; }},
    };
    for (const RgbKernelCase& c : cases) {
        uint8_t out[9];
        std::fill(out, out + 9, 0xEE);
        c.kernel(out, a, b, 2);
        for (int i = 0; i < 2; ++i)
            EXPECT_EQ(std::vector<uint8_t>(out + 3 * i, out + 3 * i + 3), c.expect(a + 3 * i, b + 3 * i))
                << c.name << " pixel " << i;
        EXPECT_EQ(out[6], 0xEE) << c.name << " wrote past its count";
        c.kernel(out, a, b, 0);
        EXPECT_EQ(out[0], c.expect(a, b)[0]) << c.name;
    }
}

TEST(Yuy2Anaglyph, GreyKernelsTakeLumasAsGreyLevels) {
    // A is a bright view, B a dark one; their chroma must not matter.
    const uint8_t a[4] = {235, 17, 200, 201};
    const uint8_t b[4] = {16, 250, 40, 3};
    struct Case {
        Yuy2AnaglyphKernel kernel;
        Rgb p0, p1;
    } cases[] = {
        {Yuy2AnaglyphGreyRedCyan, {235, 16, 16}, {200, 40, 40}},
        {Yuy2AnaglyphGreyRedGreen, {235, 16, 0}, {200, 40, 0}},
        {Yuy2AnaglyphGreyRedBlue, {235, 0, 16}, {200, 0, 40}},
    };
    for (const Case& c : cases) {
        uint8_t got[4], want[4];
        c.kernel(got, a, b, 1);
        RgbToYuy2Pair(want, c.p0, c.p1);
        EXPECT_EQ(std::vector<uint8_t>(got, got + 4), std::vector<uint8_t>(want, want + 4));
    }
}

TEST(Yuy2Anaglyph, ColourKernelsDecodeThenEncode) {
    const uint8_t a[4] = {180, 90, 60, 200};
    const uint8_t b[4] = {70, 160, 120, 40};
    const Rgb a0 = DecodeYuvPixel(180, 90, 200), a1 = DecodeYuvPixel(60, 90, 200);
    const Rgb b0 = DecodeYuvPixel(70, 160, 40), b1 = DecodeYuvPixel(120, 160, 40);
    uint8_t got[4], want[4];

    Yuy2AnaglyphColor(got, a, b, 1);
    RgbToYuy2Pair(want, Rgb{a0.r, b0.g, b0.b}, Rgb{a1.r, b1.g, b1.b});
    EXPECT_EQ(std::vector<uint8_t>(got, got + 4), std::vector<uint8_t>(want, want + 4));

    // The red correction puts A's raw luma, not its red, into red.
    Yuy2AnaglyphColorRedFix(got, a, b, 1);
    RgbToYuy2Pair(want, Rgb{180, b0.g, b0.b}, Rgb{60, b1.g, b1.b});
    EXPECT_EQ(std::vector<uint8_t>(got, got + 4), std::vector<uint8_t>(want, want + 4));
}

TEST(ReverseRows, PixelsAndPairsComeInReverseOrder) {
    const uint8_t rgb[8] = {1, 2, 3, 4, 5, 6, 7, 8};  // two whole pixels and two spare bytes
    uint8_t out[8] = {};
    ReverseRgbRow(out, rgb, 8);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 8), (std::vector<uint8_t>{4, 5, 6, 1, 2, 3, 0, 0}));

    // Four pairs P0..P3 come out as P3..P0, each with its lumas exchanged.
    uint8_t yuy2[16], mirrored[18];
    for (int i = 0; i < 16; ++i) yuy2[i] = static_cast<uint8_t>(i);
    std::fill(mirrored, mirrored + 18, 0xEE);
    ReverseYuy2Row(mirrored, yuy2, 18);  // 4 whole pairs: the rest is not touched
    EXPECT_EQ(std::vector<uint8_t>(mirrored, mirrored + 18),
              (std::vector<uint8_t>{14, 13, 12, 15, 10, 9, 8, 11, 6, 5, 4, 7, 2, 1, 0, 3, 0xEE, 0xEE}));
}

TEST(Yuy2ToRgbRows, WritesTwoPixelsPerPairAndSkips) {
    const uint8_t src[12] = {235, 128, 16, 128, 0, 0, 16, 128, 128, 128, 0, 0};  // 2 rows of 1 pair + 2 spare
    uint8_t dst[16];
    std::fill(dst, dst + 16, 0xEE);
    Yuy2ToRgbRows(dst, src, 1, 2, 2, 2);
    const std::vector<uint8_t> want = {255, 255, 255, 0, 0, 0, 0xEE, 0xEE,
                                       0,   0,   0,   0, 0, 0, 0xEE, 0xEE};
    // Row 2 is pair (16, 128, 128, 128): black, then luma 128 grey.
    std::vector<uint8_t> expect = want;
    const Rgb grey = DecodeYuvPixel(128, 128, 128);
    expect[11] = grey.b;
    expect[12] = grey.g;
    expect[13] = grey.r;
    EXPECT_EQ(std::vector<uint8_t>(dst, dst + 16), expect);
}

TEST(SubpixelInterleave, AlternatesViewsAndCarriesGreenOneGroupRight) {
    const uint8_t v1[6] = {11, 12, 13, 14, 15, 16};  // b, g, r of two pixels
    const uint8_t v2[6] = {21, 22, 23, 24, 25, 26};
    const uint8_t ones[2] = {1, 1};
    uint8_t out[14];
    std::fill(out, out + 14, 0xEE);
    EXPECT_EQ(SubpixelInterleave(out, v1, v2, ones, 2), 12);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 14),
              (std::vector<uint8_t>{11, 0, 13, 21, 12, 23, 14, 22, 16, 24, 15, 26, 0xEE, 0xEE}));

    // A repeat count of 2 doubles a pixel, 0 skips it.
    const uint8_t repeat[2] = {0, 2};
    std::fill(out, out + 14, 0xEE);
    EXPECT_EQ(SubpixelInterleave(out, v1, v2, repeat, 2), 12);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 14),
              (std::vector<uint8_t>{14, 0, 16, 24, 15, 26, 14, 25, 16, 24, 15, 26, 0xEE, 0xEE}));
}

}  // namespace
