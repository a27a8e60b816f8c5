// Frame composition: where each view lands for every display mode, layout,
// swap and pixel format, and that nothing outside the composed area is
// touched.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "composition/compose.h"

namespace {

constexpr PixelFormatCode kRgb = PixelFormatCode::Rgb24;
constexpr PixelFormatCode kYuy2 = PixelFormatCode::Yuy2;
const PixelFormatCode kFormats[] = {kRgb, kYuy2};

int32_t Bpp(PixelFormatCode f) { return BytesPerPixel(f); }

std::vector<int32_t> ComposingModes() {
    std::vector<int32_t> modes;
    for (int32_t m = 0; m < kDisplayModeCount; ++m)
        if (HasCompositor(m)) modes.push_back(m);
    return modes;
}

std::string Name(PixelFormatCode f, int32_t mode, int32_t layout, bool swap = false) {
    return std::string(f == kRgb ? "rgb24" : "yuy2") + " mode " + std::to_string(mode) + " layout " +
           std::to_string(layout) + (swap ? " swapped" : "");
}

// A source frame and an output buffer of 2W x |H| pixels, optionally with
// rows padded beyond their pixels.
struct TestFrame {
    PixelFormatCode format;
    int32_t width, height;
    ptrdiff_t srcStride, dstStride;
    std::vector<uint8_t> src, dst;

    TestFrame(PixelFormatCode f, int32_t w, int32_t h, int32_t srcPad = 0, int32_t dstPad = 0, uint8_t fill = 0)
        : format(f), width(w), height(h), srcStride(Bpp(f) * w + srcPad), dstStride(2 * Bpp(f) * w + dstPad),
          src(srcStride * Rows()), dst(dstStride * Rows(), fill) {}

    int32_t Rows() const { return height < 0 ? -height : height; }
    uint8_t* Src(int32_t row) { return src.data() + row * srcStride; }
    const uint8_t* Out(int32_t row) const { return dst.data() + row * dstStride; }

    void FillSource(const std::function<uint8_t(int32_t row, int32_t byte)>& value) {
        for (int32_t r = 0; r < Rows(); ++r)
            for (int32_t b = 0; b < srcStride; ++b) Src(r)[b] = value(r, b);
    }
    // Every pixel (or YUY2 pair) names its own row: bytes 0 and 1 hold the
    // row number, so a composed pixel tells where it came from.
    void TagRows() {
        const int32_t unit = format == kRgb ? 3 : 4;
        FillSource([unit](int32_t r, int32_t b) {
            const int32_t k = b % unit;
            return static_cast<uint8_t>(k == 0 ? r & 0xFF : k == 1 ? r >> 8 : b / unit);
        });
    }
    void Randomise(unsigned seed) {
        std::mt19937 rng(seed);
        FillSource([&rng](int32_t, int32_t) { return static_cast<uint8_t>(rng()); });
    }

    FrameBuffers Buffers() {
        return FrameBuffers{src.data(), srcStride, width, height, dst.data(), dstStride, 2 * width, Rows()};
    }
    ComposeResult Compose(int32_t mode, int32_t layout, bool swap, const KernelSet& k = ScalarKernels()) {
        return ComposeFrameWith(k, format, mode, layout, swap, Buffers());
    }
};

int32_t RowTag(const uint8_t* p) { return p[0] | p[1] << 8; }

struct Placement {
    PixelFormatCode format;
    int32_t mode;
    int32_t dstRow;
    bool rightPart;  // the part starting at byte 2 * bpp * W / 2 of the output row
    int32_t srcRow;
};

// The 47.5 % over/under layout at H = 480: n = 228 rows in each view and a
// 24-row middle band. RGB rows run bottom-up, YUY2 rows top-down.
TEST(ComposeFrame, OverUnder475At480Rows) {
    const Placement cases[] = {
        {kRgb, 1, 252, false, 0},   {kRgb, 1, 252, true, 252},   {kRgb, 1, 479, false, 227},
        {kRgb, 1, 479, true, 479},  {kYuy2, 1, 0, false, 0},     {kYuy2, 1, 0, true, 252},
        {kYuy2, 1, 227, false, 227}, {kYuy2, 1, 227, true, 479},
        // Line interlace: RGB pairs from row s = 24, the band doubled below them.
        {kRgb, 7, 24, false, 0},    {kRgb, 7, 25, false, 252},   {kRgb, 7, 478, false, 227},
        {kRgb, 7, 479, false, 479}, {kRgb, 7, 0, false, 228},    {kRgb, 7, 1, false, 228},
        {kRgb, 7, 22, false, 239},  {kRgb, 7, 23, false, 239},
        // YUY2 pairs from row 0, the band doubled into rows 456..479.
        {kYuy2, 7, 0, false, 0},    {kYuy2, 7, 1, false, 252},   {kYuy2, 7, 454, false, 227},
        {kYuy2, 7, 455, false, 479}, {kYuy2, 7, 456, false, 228}, {kYuy2, 7, 457, false, 228},
        {kYuy2, 7, 478, false, 239}, {kYuy2, 7, 479, false, 239},
        // One side shows the view side by side puts on the left.
        {kRgb, 10, 252, false, 0},  {kYuy2, 10, 0, false, 0},
    };
    for (PixelFormatCode f : kFormats) {
        for (int32_t mode : {1, 7, 10}) {
            TestFrame t(f, 8, 480);
            t.TagRows();
            ASSERT_EQ(t.Compose(mode, 3, false), ComposeResult::Composed);
            for (const Placement& c : cases) {
                if (c.format != f || c.mode != mode) continue;
                const int32_t offset = c.rightPart ? Bpp(f) * t.width : 0;
                EXPECT_EQ(RowTag(t.Out(c.dstRow) + offset), c.srcRow)
                    << Name(f, mode, 3) << " output row " << c.dstRow << (c.rightPart ? " right" : " left");
            }
        }
    }
    const ComposedArea rgbPairs = ComposedAreaOf(kRgb, 1, 3, 8, 480);
    EXPECT_EQ(rgbPairs.firstRow, 252);
    EXPECT_EQ(rgbPairs.rowCount, 228);
}

// Which region feeds red in the anaglyphs: the second region for RGB; for
// YUY2 the second half, the odd rows, or the first (upper) band.
TEST(ComposeFrame, AnaglyphRedSourcePerLayout) {
    const int32_t W = 8, H = 8;
    for (PixelFormatCode f : kFormats) {
        for (int32_t layout = 0; layout < kLayoutCount; ++layout) {
            const ViewRegions v = ComputeViewRegions(f, layout, W, H);
            auto inSecond = [&](int32_t row, int32_t byte) {
                switch (v.kind) {
                case ViewRegions::Halves: return byte >= v.halfRowBytes;
                case ViewRegions::AlternateRows: return row % 2 == 1;
                default: return row >= H - v.bandRows;
                }
            };
            const bool redIsSecond = f == kRgb || v.kind != ViewRegions::Bands;
            for (bool swap : {false, true}) {
                TestFrame t(f, W, H);
                // The second region bright, the first dark.
                t.FillSource([&](int32_t row, int32_t byte) -> uint8_t {
                    const bool bright = inSecond(row, byte);
                    if (f == kRgb) return bright ? 255 : 0;
                    return (byte % 2 == 1) ? 128 : bright ? 235 : 16;
                });
                ASSERT_EQ(t.Compose(2, layout, swap), ComposeResult::Composed);
                const bool redBright = redIsSecond != swap;
                const uint8_t* p = t.Out(ComposedAreaOf(f, 2, layout, W, H).firstRow);
                if (f == kRgb) {
                    EXPECT_EQ(p[2], redBright ? 255 : 16) << Name(f, 2, layout, swap);
                    EXPECT_EQ(p[0], redBright ? 16 : 255) << Name(f, 2, layout, swap);
                } else {
                    const uint8_t red = redBright ? 235 : 16, cyan = redBright ? 16 : 235;
                    EXPECT_EQ(p[0], GreyLevel(red, cyan, cyan)) << Name(f, 2, layout, swap);
                }
            }
        }
    }
}

// Exchanging the views inside the source is what the swap flag does, in
// every mode and layout (the 47.5 % middle band stays where it is).
TEST(ComposeFrame, SwapExchangesTheViews) {
    const int32_t W = 12, H = 20;
    for (PixelFormatCode f : kFormats) {
        for (int32_t layout = 0; layout < kLayoutCount; ++layout) {
            TestFrame original(f, W, H), exchanged(f, W, H);
            original.Randomise(layout);
            const ViewRegions v = ComputeViewRegions(f, layout, W, H);
            exchanged.FillSource([&](int32_t row, int32_t byte) {
                switch (v.kind) {
                case ViewRegions::Halves:
                    return original.Src(row)[byte < v.halfRowBytes ? byte + v.halfRowBytes : byte - v.halfRowBytes];
                case ViewRegions::AlternateRows:
                    return original.Src(row ^ 1)[byte];
                default: {
                    const int32_t n = v.bandRows;
                    const int32_t from = row < n ? H - n + row : row >= H - n ? row - (H - n) : row;
                    return original.Src(from)[byte];
                }
                }
            });
            for (int32_t mode : ComposingModes()) {
                if (mode == 0) continue;  // the source as it is: no views to exchange
                TestFrame a = original, b = exchanged;
                a.Compose(mode, layout, true);
                b.Compose(mode, layout, false);
                EXPECT_EQ(a.dst, b.dst) << Name(f, mode, layout);
            }
        }
    }
}

TEST(ComposeFrame, AsSourceIgnoresSwapAndLayout) {
    for (PixelFormatCode f : kFormats) {
        TestFrame plain(f, 6, 5);
        plain.Randomise(7);
        plain.Compose(0, 0, false);
        for (int32_t layout = 0; layout < kLayoutCount; ++layout) {
            TestFrame t = plain;
            std::fill(t.dst.begin(), t.dst.end(), 0);
            t.Compose(0, layout, true);
            EXPECT_EQ(t.dst, plain.dst) << Name(f, 0, layout);
        }
    }
}

// Layouts 1 and 2 divide the frame alike and differ only in line interlace.
TEST(ComposeFrame, FullAndHalfOverUnderDifferOnlyInLineInterlace) {
    for (PixelFormatCode f : kFormats) {
        for (int32_t H : {20, 21}) {
            TestFrame t(f, 8, H);
            t.Randomise(H);
            for (int32_t mode : ComposingModes()) {
                TestFrame one = t, two = t;
                one.Compose(mode, 1, false);
                two.Compose(mode, 2, false);
                if (mode == 7)
                    EXPECT_NE(one.dst, two.dst) << Name(f, mode, 1) << " H " << H;
                else
                    EXPECT_EQ(one.dst, two.dst) << Name(f, mode, 1) << " H " << H;
            }
        }
    }
}

// With an odd H the interlaced layout uses H/2 row pairs: the last source
// row never shows.
TEST(ComposeFrame, InterlacedLayoutIgnoresTheLastOddRow) {
    for (PixelFormatCode f : kFormats) {
        TestFrame t(f, 8, 7);
        t.Randomise(3);
        for (int32_t mode : ComposingModes()) {
            if (mode == 0) continue;
            TestFrame a = t, b = t;
            std::fill(b.Src(6), b.Src(6) + b.srcStride, 0x5A);
            a.Compose(mode, 4, false);
            b.Compose(mode, 4, false);
            EXPECT_EQ(a.dst, b.dst) << Name(f, mode, 4);
        }
    }
}

TEST(ComposeFrame, TopDownRgbComposesNothing) {
    for (int32_t mode : ComposingModes())
        for (int32_t layout = 0; layout < kLayoutCount; ++layout) {
            TestFrame t(kRgb, 8, -6, 0, 0, 0xC3);
            t.Randomise(1);
            EXPECT_EQ(t.Compose(mode, layout, false), ComposeResult::Composed);
            EXPECT_EQ(t.dst, std::vector<uint8_t>(t.dst.size(), 0xC3)) << Name(kRgb, mode, layout);
        }
}

// Odd widths: half an RGB row is floor(3W/2) bytes, not whole pixels; the
// YUY2 anaglyph works on whole pairs of each half.
TEST(ComposeFrame, OddWidthHalves) {
    TestFrame rgb(kRgb, 5, 1, 0, 0, 0xEE);  // h = 7 bytes
    for (int32_t b = 0; b < 15; ++b) rgb.Src(0)[b] = static_cast<uint8_t>(b);
    TestFrame mirror = rgb, colour = rgb;

    mirror.Compose(11, 0, false);  // left part mirrored: 2 whole pixels, then a plain copy of 7 bytes
    EXPECT_EQ(std::vector<uint8_t>(mirror.Out(0), mirror.Out(0) + 15),
              (std::vector<uint8_t>{3, 4, 5, 0, 1, 2, 0xEE, 7, 8, 9, 10, 11, 12, 13, 0xEE}));

    colour.Compose(5, 0, false);  // 2 pixels: blue and green from the first half, red from byte 7 on
    EXPECT_EQ(std::vector<uint8_t>(colour.Out(0), colour.Out(0) + 7),
              (std::vector<uint8_t>{0, 1, 9, 3, 4, 12, 0xEE}));

    TestFrame yuy2(kYuy2, 6, 1, 0, 0, 0xEE);  // a half is 6 bytes: one whole pair
    for (int32_t b = 0; b < 12; ++b) yuy2.Src(0)[b] = static_cast<uint8_t>(16 + b);
    TestFrame ymirror = yuy2, yplain = yuy2, yana = yuy2;
    ymirror.Compose(11, 0, false);
    EXPECT_EQ(std::vector<uint8_t>(ymirror.Out(0), ymirror.Out(0) + 12),
              (std::vector<uint8_t>{18, 17, 16, 19, 0xEE, 0xEE, 22, 23, 24, 25, 26, 27}));
    yplain.Compose(1, 0, true);  // swapped: second half first
    EXPECT_EQ(std::vector<uint8_t>(yplain.Out(0), yplain.Out(0) + 12),
              (std::vector<uint8_t>{22, 23, 24, 25, 26, 27, 16, 17, 18, 19, 20, 21}));
    yana.Compose(2, 0, false);
    EXPECT_NE(yana.Out(0)[3], 0xEE);
    EXPECT_EQ(yana.Out(0)[4], 0xEE);
}

// Two fills reveal what a composition writes: bytes outside the declared
// area keep the fill, and for regular sizes every byte inside is written.
TEST(ComposeFrame, WritesExactlyItsArea) {
    const struct {
        int32_t width, height;
    } sizes[] = {{12, 20}, {16, 480}, {5, 7}, {6, 21}, {1, 1}, {3, 2}, {7, 3}};
    for (const auto& size : sizes)
        for (PixelFormatCode f : kFormats)
            for (int32_t layout = 0; layout < kLayoutCount; ++layout)
                for (int32_t mode : ComposingModes())
                    for (bool swap : {false, true}) {
                        TestFrame low(f, size.width, size.height, 0, 0, 0x00), high(f, size.width, size.height, 0, 0, 0xFF);
                        low.Randomise(size.width * 31 + size.height);
                        high.src = low.src;
                        low.Compose(mode, layout, swap);
                        high.Compose(mode, layout, swap);
                        const ComposedArea area = ComposedAreaOf(f, mode, layout, size.width, size.height);
                        int32_t outside = 0, unwritten = 0;
                        for (int32_t r = 0; r < low.Rows(); ++r)
                            for (ptrdiff_t b = 0; b < low.dstStride; ++b) {
                                const bool in = r >= area.firstRow && r < area.firstRow + area.rowCount &&
                                                b < area.rowBytes;
                                const uint8_t lo = low.Out(r)[b], hi = high.Out(r)[b];
                                if (!in && (lo != 0x00 || hi != 0xFF)) ++outside;
                                if (in && lo != hi) ++unwritten;
                            }
                        const std::string where = Name(f, mode, layout, swap) + " " + std::to_string(size.width) +
                                                  "x" + std::to_string(size.height);
                        EXPECT_EQ(outside, 0) << where;
                        if (size.width % 4 == 0 && size.height % 4 == 0) {
                            EXPECT_EQ(unwritten, 0) << where;
                        }
                    }
}

// Decoders deliver DIB rows padded to 4 bytes; padding must not shear the
// picture.
TEST(ComposeFrame, PaddedRowsComposeLikePackedRows) {
    for (PixelFormatCode f : kFormats)
        for (int32_t layout = 0; layout < kLayoutCount; ++layout)
            for (int32_t mode : ComposingModes()) {
                TestFrame packed(f, 7, 12), padded(f, 7, 12, 3, 2);
                packed.Randomise(5);
                for (int32_t r = 0; r < 12; ++r)
                    std::copy(packed.Src(r), packed.Src(r) + packed.srcStride, padded.Src(r));
                packed.Compose(mode, layout, true);
                padded.Compose(mode, layout, true);
                for (int32_t r = 0; r < 12; ++r)
                    ASSERT_TRUE(std::equal(packed.Out(r), packed.Out(r) + packed.dstStride, padded.Out(r)))
                        << Name(f, mode, layout) << " row " << r;
            }
}

TEST(ComposeFrame, ModesWithoutCompositorComposeNothing) {
    for (int32_t mode : {8, 9, 14, -1, 1000}) {
        TestFrame t(kRgb, 4, 4, 0, 0, 0x11);
        t.Randomise(2);
        EXPECT_EQ(t.Compose(mode, 0, false), ComposeResult::NoCompositor) << mode;
        EXPECT_EQ(t.dst, std::vector<uint8_t>(t.dst.size(), 0x11));
        EXPECT_FALSE(HasCompositor(mode));
    }
}

TEST(ComposeFrame, UnknownLayoutComposesNothing) {
    for (int32_t mode : {1, 2, 7, 10}) {
        TestFrame t(kYuy2, 4, 4, 0, 0, 0x11);
        t.Randomise(2);
        EXPECT_EQ(t.Compose(mode, 6, false), ComposeResult::Composed);
        EXPECT_EQ(t.dst, std::vector<uint8_t>(t.dst.size(), 0x11)) << mode;
    }
}

// An output format narrower or shorter than the composition needs is
// refused instead of written past.
TEST(ComposeFrame, RefusesAnOutputTooSmall) {
    TestFrame t(kRgb, 8, 8, 0, 0, 0x22);
    t.Randomise(9);
    FrameBuffers narrow = t.Buffers();
    narrow.outWidth = 15;
    narrow.dstStride = 45;
    EXPECT_EQ(ComposeFrame(kRgb, 1, 4, false, narrow), ComposeResult::BadFrame);
    EXPECT_EQ(ComposeFrame(kRgb, 1, 0, false, narrow), ComposeResult::Composed);  // needs only W pixels
    FrameBuffers shortOut = t.Buffers();
    shortOut.outRows = 7;
    std::fill(t.dst.begin(), t.dst.end(), 0x22);
    EXPECT_EQ(ComposeFrame(kRgb, 0, 0, false, shortOut), ComposeResult::BadFrame);
    FrameBuffers strideTooSmall = t.Buffers();
    strideTooSmall.dstStride = 3 * 16 - 1;
    EXPECT_EQ(ComposeFrame(kRgb, 0, 0, false, strideTooSmall), ComposeResult::BadFrame);
    EXPECT_EQ(t.dst, std::vector<uint8_t>(t.dst.size(), 0x22));
}

// Whatever kernels this processor runs compose exactly what the scalar
// kernels compose.
TEST(ComposeFrame, ActiveKernelsMatchScalar) {
    for (PixelFormatCode f : kFormats)
        for (int32_t layout = 0; layout < kLayoutCount; ++layout)
            for (int32_t mode : ComposingModes()) {
                TestFrame scalar(f, 66, 10), active(f, 66, 10);
                scalar.Randomise(mode * 7 + layout);
                active.src = scalar.src;
                scalar.Compose(mode, layout, mode % 2 == 0);
                active.Compose(mode, layout, mode % 2 == 0, ActiveKernels());
                EXPECT_EQ(scalar.dst, active.dst) << Name(f, mode, layout) << " with " << ActiveKernels().name;
            }
}

}  // namespace
