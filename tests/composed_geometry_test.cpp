#include "presentation/gdi/composed_geometry.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "composition/pixel_kernels.h"
#include "presentation/picture.h"

namespace {

TEST(ComposedViews, ViewExtentsPerLayout) {
    // w = 13 (odd: the right half starts at a whole pixel), h = 11 (odd:
    // the upper half of the anaglyph and interlace draws start one row apart).
    const int32_t w = 13, h = 11;
    const struct {
        int32_t layout;
        bool swap;
        int32_t width, rows, offsetA, offsetB, rowA, rowB, iRowA, iRowB, span, bw, bh;
    } cases[] = {
        {0, false, 6, 11, 18, 0, 0, 0, 0, 0, 22, 6, 11},
        {0, true, 6, 11, 0, 18, 0, 0, 0, 0, 22, 6, 11},
        {5, false, 6, 11, 18, 0, 0, 0, 0, 0, 22, 13, 11},  // half-width views stretched to the full width
        {1, false, 13, 5, 0, 0, 6, 0, 5, 0, 11, 13, 5},
        {1, true, 13, 5, 0, 0, 0, 6, 0, 5, 11, 13, 5},
        {2, false, 13, 5, 0, 0, 6, 0, 5, 0, 11, 13, 11},
        {4, false, 13, 5, 0, 0, 6, 0, 5, 0, 11, 13, 11},
        // 47.5 %: e = 95·11/200 = 5, o = 105·11/200 = 5.
        {3, false, 13, 5, 0, 0, 6, 0, 5, 0, 10, 13, 11},
    };
    for (const auto& c : cases) {
        const ComposedViews v = ComposedViewsFor(c.layout, w, h, c.swap);
        SCOPED_TRACE(testing::Message() << "layout " << c.layout << " swap " << c.swap);
        EXPECT_TRUE(v.valid);
        EXPECT_EQ(v.width, c.width);
        EXPECT_EQ(v.rows, c.rows);
        EXPECT_EQ(v.offsetA, c.offsetA);
        EXPECT_EQ(v.offsetB, c.offsetB);
        EXPECT_EQ(v.rowA, c.rowA);
        EXPECT_EQ(v.rowB, c.rowB);
        EXPECT_EQ(v.interlaceRowA, c.iRowA);
        EXPECT_EQ(v.interlaceRowB, c.iRowB);
        EXPECT_EQ(v.interlaceSpan, c.span);
        EXPECT_EQ(v.basisWidth, c.bw);
        EXPECT_EQ(v.basisHeight, c.bh);
    }
    // The 47.5 % layout at a height where the two part starts differ.
    const ComposedViews v = ComposedViewsFor(3, 320, 240, false);
    EXPECT_EQ(v.rows, 114);
    EXPECT_EQ(v.rowA, 126);
    EXPECT_EQ(v.interlaceRowA, 126);
    EXPECT_EQ(v.interlaceSpan, 228);
}

TEST(ComposedViews, UnknownLayoutOrEmptyViewIsNotDrawn) {
    EXPECT_FALSE(ComposedViewsFor(6, 320, 240, false).valid);
    EXPECT_FALSE(ComposedViewsFor(-1, 320, 240, false).valid);
    EXPECT_FALSE(ComposedViewsFor(0, 1, 240, false).valid);  // half of one pixel
    EXPECT_FALSE(ComposedViewsFor(1, 320, 1, false).valid);  // half of one row
    EXPECT_FALSE(ComposedViewsFor(0, 0, 0, false).valid);
    EXPECT_FALSE(ComposedDrawFor(ComposedKind::Anaglyph, ComposedViewsFor(7, 320, 240, false), 0, false, 1024, 768)
                     .draws);
}

TEST(ComposedGeometry, AdjustBasisTo43AndFit) {
    const struct {
        int32_t bw, bh, bw43, bh43;
    } shapes[] = {{1280, 360, 1280, 960}, {160, 240, 320, 240}, {400, 300, 400, 300}, {1000, 1000, 1333, 1000}};
    for (const auto& c : shapes) {
        int32_t bw = c.bw, bh = c.bh;
        AdjustBasisTo43(&bw, &bh);
        EXPECT_EQ(bw, c.bw43) << c.bw << "x" << c.bh;
        EXPECT_EQ(bh, c.bh43) << c.bw << "x" << c.bh;
    }
    EXPECT_EQ(FitZoom(160, 240, 1024, 768), 320);
    EXPECT_EQ(FitZoom(320, 240, 1024, 768), 320);
    EXPECT_EQ(FitZoom(1280, 960, 1280, 720), 75);
    EXPECT_EQ(FitZoom(0, 240, 1024, 768), 0);
}

TEST(ComposedGeometry, DrawSizesAndPlaces) {
    using K = ComposedKind;
    const struct {
        K kind;
        int32_t layout, w, h, zoom;
        bool aspect43;
        int32_t screenW, screenH;
        int32_t zoomUsed, pw, ph, x, y, dw, dh;
    } cases[] = {
        // 320x240 side by side: basis 160x240, fit 320 on 1024x768.
        {K::Anaglyph, 0, 320, 240, 0, false, 1024, 768, 320, 160, 240, 256, 0, 512, 768},
        {K::Anaglyph, 0, 320, 240, 100, false, 1024, 768, 100, 160, 240, 432, 264, 160, 240},
        // Half-width views fill the full basis width.
        {K::Anaglyph, 5, 320, 240, 100, false, 1024, 768, 100, 160, 240, 352, 264, 320, 240},
        // 4:3 option fitted on the adjusted basis: a 1280x720 over/under
        // frame (basis 1280x360, 4:3 1280x960) fits a 1280x720 screen.
        {K::Anaglyph, 1, 1280, 720, 0, true, 1280, 720, 75, 1280, 360, 160, 0, 960, 720},
        {K::Interlace, 1, 1280, 720, 0, true, 1280, 720, 75, 1280, 720, 160, 1, 960, 720},
        {K::SharpLcd, 1, 1280, 720, 0, true, 1280, 720, 75, 960, 360, 161, 0, 960, 720},
        // Interlace: width a multiple of 4, height even, built at the display
        // height; y + dh even moves the picture down one line.
        {K::Interlace, 0, 320, 240, 100, false, 1024, 768, 100, 160, 240, 432, 265, 160, 240},
        {K::Interlace, 0, 320, 240, 100, false, 1024, 767, 100, 160, 240, 432, 263, 160, 240},
        {K::Interlace, 2, 322, 242, 33, false, 1024, 768, 33, 322, 78, 460, 345, 104, 78},
        // 3D LCD: built at the display width, left edge on an odd column.
        {K::SharpLcd, 0, 320, 240, 100, false, 1024, 768, 100, 160, 240, 433, 264, 160, 240},
        {K::SharpLcd, 0, 320, 240, 100, false, 1023, 768, 100, 160, 240, 431, 264, 160, 240},
        {K::SharpLcd, 3, 320, 240, 150, false, 1024, 768, 150, 480, 114, 273, 204, 480, 360},
        // A picture larger than the screen is centred at negative offsets.
        {K::Anaglyph, 2, 640, 480, 400, false, 1024, 768, 400, 640, 240, -768, -576, 2560, 1920},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << static_cast<int>(c.kind) << " layout " << c.layout << " zoom "
                                        << c.zoom << " on " << c.screenW << "x" << c.screenH);
        const ComposedDraw d = ComposedDrawFor(c.kind, ComposedViewsFor(c.layout, c.w, c.h, false), c.zoom,
                                               c.aspect43, c.screenW, c.screenH);
        EXPECT_TRUE(d.draws);
        EXPECT_EQ(d.zoom, c.zoomUsed);
        EXPECT_EQ(d.pictureWidth, c.pw);
        EXPECT_EQ(d.pictureHeight, c.ph);
        EXPECT_EQ(d.x, c.x);
        EXPECT_EQ(d.y, c.y);
        EXPECT_EQ(d.width, c.dw);
        EXPECT_EQ(d.height, c.dh);
    }
}

// Fit to screen always fits, with or without the 4:3 option, whatever the
// shape of the basis; the interlaced top line is odd, the 3D LCD left edge
// odd, the interlaced height even.
TEST(ComposedGeometry, FittedPictureLiesOnTheScreenWithItsLineAndColumnRules) {
    const int32_t screens[][2] = {{1280, 720}, {1024, 768}, {1023, 767}, {2560, 768}, {640, 1024}};
    const int32_t frames[][2] = {{320, 240}, {1280, 720}, {1920, 1080}, {200, 600}, {722, 483}, {2000, 100}};
    const ComposedKind kinds[] = {ComposedKind::Anaglyph, ComposedKind::Interlace, ComposedKind::SharpLcd};
    for (const auto& s : screens)
        for (const auto& f : frames)
            for (int32_t layout = 0; layout < 6; ++layout)
                for (bool aspect : {false, true})
                    for (ComposedKind kind : kinds) {
                        const ComposedDraw d =
                            ComposedDrawFor(kind, ComposedViewsFor(layout, f[0], f[1], false), 0, aspect, s[0], s[1]);
                        SCOPED_TRACE(testing::Message() << "frame " << f[0] << "x" << f[1] << " layout " << layout
                                                        << " 4:3 " << aspect << " kind " << static_cast<int>(kind)
                                                        << " screen " << s[0] << "x" << s[1]);
                        ASSERT_TRUE(d.draws);
                        EXPECT_LE(d.width, s[0]);
                        EXPECT_LE(d.height, s[1]);
                        EXPECT_GE(d.x, 0);
                        EXPECT_GE(d.y, 0);
                        EXPECT_LE(d.y + d.height, s[1] + 1);  // the odd-line shift may cost one line
                        if (kind == ComposedKind::Interlace) {
                            EXPECT_EQ(d.height % 2, 0);
                            EXPECT_EQ(d.width % 4, 0);
                            EXPECT_EQ(d.y % 2, 1);
                            EXPECT_EQ(d.pictureHeight, d.height);
                        }
                        if (kind == ComposedKind::SharpLcd) {
                            EXPECT_EQ(d.width % 4, 0);
                            EXPECT_EQ(d.x % 2, 1);
                            EXPECT_EQ(d.pictureWidth, d.width);
                        }
                    }
}

TEST(ComposedGeometry, TinyZoomDrawsNothing) {
    const ComposedViews v = ComposedViewsFor(0, 320, 240, false);  // basis 160x240
    // zoom 2: interlace and 3D LCD widths 2·160/400 = 0.
    EXPECT_FALSE(ComposedDrawFor(ComposedKind::Interlace, v, 2, false, 1024, 768).draws);
    EXPECT_FALSE(ComposedDrawFor(ComposedKind::SharpLcd, v, 2, false, 1024, 768).draws);
    EXPECT_TRUE(ComposedDrawFor(ComposedKind::Anaglyph, v, 2, false, 1024, 768).draws);
    // zoom 1 on a tiny frame: anaglyph width 1·2/100 = 0.
    EXPECT_FALSE(ComposedDrawFor(ComposedKind::Anaglyph, ComposedViewsFor(0, 4, 4, false), 1, false, 1024, 768).draws);
    // A screen too small for any fit.
    const ComposedDraw d = ComposedDrawFor(ComposedKind::Anaglyph, v, 0, false, 1, 1);
    EXPECT_FALSE(d.draws);
    EXPECT_EQ(d.zoom, 0);
    EXPECT_FALSE(ComposedDrawFor(ComposedKind::Anaglyph, v, -5, false, 1024, 768).draws);
}

TEST(ComposedGeometry, PictureBeyond32BitsIsNotDrawn) {
    // Basis 640x640: at this zoom a side is 2^32 + 10^6 pixels, which
    // 32-bit arithmetic would wrap to a drawable 10^6.
    const ComposedViews v = ComposedViewsFor(0, 1280, 640, false);
    for (ComposedKind kind : {ComposedKind::Anaglyph, ComposedKind::Interlace, ComposedKind::SharpLcd})
        EXPECT_FALSE(ComposedDrawFor(kind, v, 671244890, false, 1024, 768).draws) << static_cast<int>(kind);
}

TEST(BuildRepeatTable, CountsAddUpToTheOutputPairs) {
    const struct {
        int32_t n, m;
        std::vector<int> expected;
    } cases[] = {
        {2, 4, {1, 0, 1, 0}}, {3, 4, {1, 1, 1, 0}}, {4, 4, {1, 1, 1, 1}}, {1, 5, {1, 0, 0, 0, 0}},
        {6, 4, {1, 2, 1, 2}}, {5, 2, {2, 3}},       {7, 1, {7}},          {0, 3, {0, 0, 0}},
        {600, 2, {255, 255}},  // counts above a byte are capped, never wrapped
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> table(c.m + 1, 0xAB);
        BuildRepeatTable(table.data(), c.n, c.m);
        EXPECT_EQ(std::vector<int>(table.begin(), table.begin() + c.m), c.expected) << c.n << " of " << c.m;
        EXPECT_EQ(table[c.m], 0xAB) << "nothing past m entries";
    }
    uint8_t untouched = 0xAB;
    BuildRepeatTable(&untouched, 4, 0);
    EXPECT_EQ(untouched, 0xAB);

    for (int32_t m : {1, 3, 160, 320, 959})
        for (int32_t n : {1, 2, 79, 80, 160, 256, 480, 1000}) {
            if ((n + m - 1) / m > 255) continue;  // capped counts, above
            std::vector<uint8_t> table(m);
            BuildRepeatTable(table.data(), n, m);
            EXPECT_EQ(std::accumulate(table.begin(), table.end(), 0), n) << n << " of " << m;
            const auto [lo, hi] = std::minmax_element(table.begin(), table.end());
            if (n > m) EXPECT_LE(*hi - *lo, 1) << n << " of " << m;
            else EXPECT_LE(*hi, 1) << n << " of " << m;
        }
}

TEST(MarkerStrip, NineRedLinesUnderOneBlackLine) {
    const int32_t stride = DibRowStride(kMarkerStripWidth, 24);
    std::vector<uint8_t> pixels(stride * kMarkerStripHeight, 0xEE);
    FillMarkerStrip(pixels.data(), stride);
    for (int32_t row = 0; row < kMarkerStripHeight; ++row)
        for (int32_t x : {0, 1, 799, 1599}) {
            const uint8_t* p = pixels.data() + row * stride + 3 * x;
            const uint8_t red = row < 9 ? kMarkerStripRed : 0;
            EXPECT_EQ(p[0], 0) << row << "," << x;
            EXPECT_EQ(p[1], 0) << row << "," << x;
            EXPECT_EQ(p[2], red) << row << "," << x;
        }
}

// A bottom-up RGB24 frame with padded rows whose every pixel tells where it
// came from: blue = row, green = column, red = 16·row + column.
struct TaggedFrame {
    int32_t w, h, stride;
    std::vector<uint8_t> bytes;
    TaggedFrame(int32_t width, int32_t height)
        : w(width), h(height), stride(DibRowStride(width, 24)), bytes(stride * height, 0xEE) {
        for (int32_t r = 0; r < h; ++r)
            for (int32_t x = 0; x < w; ++x) {
                uint8_t* p = &bytes[r * stride + 3 * x];
                p[0] = static_cast<uint8_t>(r);
                p[1] = static_cast<uint8_t>(x);
                p[2] = static_cast<uint8_t>(16 * r + x);
            }
    }
    // The same frame stored top row first, as a negative header height says.
    std::vector<uint8_t> TopDown() const {
        std::vector<uint8_t> out(bytes.size());
        for (int32_t r = 0; r < h; ++r)
            std::copy_n(&bytes[r * stride], stride, &out[(h - 1 - r) * stride]);
        return out;
    }
};

TEST(ComposeRows, AnaglyphTakesEachViewRowFromItsPlace) {
    // Width 13: rows of 39 bytes padded to 40; the right half starts at pixel 6.
    const TaggedFrame f(13, 11);
    for (int32_t layout : {0, 1, 3, 5})
        for (bool swap : {false, true})
            for (bool topDown : {false, true}) {
                SCOPED_TRACE(testing::Message() << "layout " << layout << " swap " << swap << " top-down " << topDown);
                const ComposedViews v = ComposedViewsFor(layout, f.w, f.h, swap);
                const std::vector<uint8_t> stored = topDown ? f.TopDown() : f.bytes;
                const FrameRowsView rows = FrameRowsFor(stored.data(), f.w, topDown ? -f.h : f.h);
                const int32_t pstride = DibRowStride(v.width, 24);
                std::vector<uint8_t> pic(pstride * v.rows, 0);
                // The colour anaglyph copies A's red and B's green and blue.
                ComposeAnaglyphRows(pic.data(), pstride, rows, v, RgbAnaglyphColor);
                const int32_t colA = v.offsetA / 3, colB = v.offsetB / 3;
                for (int32_t i = 0; i < v.rows; ++i)
                    for (int32_t x = 0; x < v.width; ++x) {
                        const uint8_t* p = &pic[i * pstride + 3 * x];
                        ASSERT_EQ(p[2], 16 * (v.rowA + i) + colA + x) << i << "," << x;
                        ASSERT_EQ(p[1], colB + x) << i << "," << x;
                        ASSERT_EQ(p[0], v.rowB + i) << i << "," << x;
                    }
                // Red comes from the right half or the upper part unless swapped.
                const bool aIsRightOrUpper = !swap;
                if (layout == 0 || layout == 5) EXPECT_EQ(colA == 6, aIsRightOrUpper);
                else EXPECT_EQ(v.rowA > 0, aIsRightOrUpper);
            }
}

TEST(ComposeRows, InterlaceAlternatesViewsLineByLine) {
    const TaggedFrame f(10, 15);
    const struct {
        int32_t layout, dh;
    } cases[] = {{0, 30}, {0, 8}, {1, 14}, {2, 40}, {4, 6}, {3, 28}, {3, 4}};
    for (const auto& c : cases)
        for (bool swap : {false, true}) {
            SCOPED_TRACE(testing::Message() << "layout " << c.layout << " dh " << c.dh << " swap " << swap);
            const ComposedViews v = ComposedViewsFor(c.layout, f.w, f.h, swap);
            const int32_t pstride = DibRowStride(v.width, 24);
            std::vector<uint8_t> pic(pstride * c.dh, 0xEE);
            ComposeInterlaceRows(pic.data(), pstride, c.dh, FrameRowsFor(f.bytes.data(), f.w, f.h), v);
            const bool sideBySide = c.layout == 0 || c.layout == 5;
            for (int32_t k = 0; k < c.dh / 2; ++k) {
                const int32_t r = InterlaceSourceRow(v, k, c.dh);
                for (int32_t line = 0; line < 2; ++line) {
                    const uint8_t* p = &pic[(2 * k + line) * pstride];
                    // Line 2k (lower) shows view A: the right half or the
                    // upper part; swapped, the other.
                    const bool showsA = line == 0;
                    const bool rightOrUpper = showsA != swap;
                    const int32_t upperStart = c.layout == 3 ? 105 * f.h / 200 : f.h / 2;
                    const int32_t row = sideBySide ? r : (rightOrUpper ? upperStart : 0) + r;
                    const int32_t col = sideBySide && rightOrUpper ? f.w / 2 : 0;
                    ASSERT_LT(row, f.h);
                    EXPECT_EQ(p[0], row) << "line " << 2 * k + line;
                    EXPECT_EQ(p[1], col) << "line " << 2 * k + line;
                    EXPECT_EQ(p[3 * (v.width - 1) + 1], col + v.width - 1) << "line " << 2 * k + line;
                }
            }
            // Rows are spread over the whole view: the last pair comes from
            // the view's last part, not its middle.
            EXPECT_GE(InterlaceSourceRow(v, c.dh / 2 - 1, c.dh), v.interlaceSpan / 2 - v.interlaceSpan / c.dh - 1);
        }
}

TEST(ComposeRows, SharpLcdInterleavesSubpixelsAcrossTheDisplayWidth) {
    const TaggedFrame f(14, 6);  // side by side: two views of 7 pixels
    const ComposedViews v = ComposedViewsFor(0, f.w, f.h, false);
    const int32_t dw = 16;  // 8 pairs from 7 source pixels
    std::vector<uint8_t> repeat(f.w, 0);
    BuildRepeatTable(repeat.data(), dw / 2, v.width);
    const int32_t pstride = DibRowStride(dw, 24);
    std::vector<uint8_t> pic(pstride * v.rows + 1, 0xEE);
    ComposeSharpLcdRows(pic.data(), pstride, FrameRowsFor(f.bytes.data(), f.w, f.h), v, repeat.data());
    for (int32_t i = 0; i < v.rows; ++i) {
        const uint8_t* row = &pic[i * pstride];
        EXPECT_EQ(row[1], 0) << "the first group's view-B green";
        // Group 0 is view A (right half, column 7) and view B (column 0).
        EXPECT_EQ(row[0], i);                       // blue of A: its row
        EXPECT_EQ(row[2], 16 * i + 7);              // red of A
        EXPECT_EQ(row[3], i);                       // blue of B
        EXPECT_EQ(row[4], 7);                       // green of A: its column
        EXPECT_EQ(row[5], 16 * i + 0);              // red of B
        EXPECT_EQ(row[13], 1) << "group 2 carries group 1's view-B green";
        // All 8 groups are written: the last repeats the last source pixel.
        EXPECT_EQ(row[3 * dw - 2], 7 + 6);
        EXPECT_EQ(row[3 * dw - 8], 7 + 6);
    }
    EXPECT_EQ(pic.back(), 0xEE) << "nothing beyond the picture";
}

}  // namespace
