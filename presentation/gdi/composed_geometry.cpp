#include "presentation/gdi/composed_geometry.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "composition/int_scale.h"
#include "composition/pixel_kernels.h"
#include "composition/stereo_formats.h"
#include "presentation/picture.h"

namespace {

constexpr int32_t kBpp = 3;

// Sizes past this are never drawn: the pictures' byte arithmetic
// (3 bytes a pixel, rows padded) must stay within 32 bits.
constexpr int64_t kLargestSide = INT32_MAX / 8;

}  // namespace

ComposedViews ComposedViewsFor(int32_t layout, int32_t w, int32_t h, bool swap) {
    ComposedViews v;
    if (!IsValidLayout(layout) || w <= 0 || h <= 0) return v;
    const LayoutFacts& f = LayoutFactsOf(layout);
    const ShownSize shown = ShownViewSize(f, w, h);
    v.basisWidth = shown.width;
    v.basisHeight = shown.height;
    if (f.regions == ViewRegions::Halves) {
        // View A is the right half. Its offset is a whole number of pixels,
        // so an odd width never shifts the colour bytes.
        v.width = w / 2;
        v.rows = h;
        v.offsetA = kBpp * (w / 2);
        v.interlaceSpan = 2 * h;
    } else {
        // View A is the upper part; the grab renderer has already gathered
        // an interlaced frame's lines into two halves. A band between the
        // parts (5 % in the 47.5 % layout) is never shown.
        v.width = w;
        v.rows = BandRows(f, h);
        v.rowA = h - v.rows;
        v.interlaceRowA = ScaleTruncated(200 - f.bandPercent, h, 200);
        // The parts' rows without the band; all h rows where they meet.
        v.interlaceSpan = f.bandPercent == 100 ? h : 2 * v.rows;
    }
    if (swap) {
        std::swap(v.offsetA, v.offsetB);
        std::swap(v.rowA, v.rowB);
        std::swap(v.interlaceRowA, v.interlaceRowB);
    }
    v.valid = v.width > 0 && v.rows > 0 && v.basisWidth > 0 && v.basisHeight > 0;
    return v;
}

void AdjustBasisTo43(int32_t* basisWidth, int32_t* basisHeight) {
    if (3 * static_cast<int64_t>(*basisWidth) < 4 * static_cast<int64_t>(*basisHeight))
        *basisWidth = static_cast<int32_t>(4 * static_cast<int64_t>(*basisHeight) / 3);
    else
        *basisHeight = static_cast<int32_t>(3 * static_cast<int64_t>(*basisWidth) / 4);
}

int32_t FitZoom(int32_t basisWidth, int32_t basisHeight, int32_t screenWidth, int32_t screenHeight) {
    if (basisWidth <= 0 || basisHeight <= 0) return 0;
    const int64_t byWidth = static_cast<int64_t>(screenWidth) * 100 / basisWidth;
    const int64_t byHeight = static_cast<int64_t>(screenHeight) * 100 / basisHeight;
    return static_cast<int32_t>(std::min(byWidth, byHeight));
}

ComposedDraw ComposedDrawFor(ComposedKind kind, const ComposedViews& views, int32_t zoom, bool aspect43,
                             int32_t screenWidth, int32_t screenHeight) {
    ComposedDraw d;
    if (!views.valid) return d;
    int32_t bw = views.basisWidth, bh = views.basisHeight;
    // The basis takes its 4:3 shape before the fit: fitting the unadjusted
    // basis and widening it afterwards overflows the screen.
    if (aspect43) AdjustBasisTo43(&bw, &bh);
    if (zoom == 0) zoom = FitZoom(bw, bh, screenWidth, screenHeight);
    d.zoom = zoom;
    if (zoom <= 0) return d;

    // A side that saturates at 32 bits is past kLargestSide, so refused below.
    int64_t dw = 0, dh = 0, pw = 0, ph = 0;
    switch (kind) {
    case ComposedKind::Anaglyph:
        dw = ScaleTruncated(zoom, bw, 100);
        dh = ScaleTruncated(zoom, bh, 100);
        pw = views.width;
        ph = views.rows;
        break;
    case ComposedKind::Interlace:
        // Whole pairs of lines, built at the final height: only the width
        // is stretched, so lines of the two views never mix.
        dw = int64_t{ScaleTruncated(zoom, bw, 400)} * 4;
        dh = int64_t{ScaleTruncated(zoom, bh, 200)} * 2;
        pw = views.width;
        ph = dh;
        break;
    case ComposedKind::SharpLcd:
        // Built at the final width: only the height is stretched, so
        // sub-pixels of the two views never mix.
        dw = int64_t{ScaleTruncated(zoom, bw, 400)} * 4;
        dh = ScaleTruncated(zoom, bh, 100);
        pw = dw;
        ph = views.rows;
        break;
    }
    if (dw <= 0 || dh <= 0 || dw > kLargestSide || dh > kLargestSide) return d;
    d.pictureWidth = static_cast<int32_t>(pw);
    d.pictureHeight = static_cast<int32_t>(ph);
    d.width = static_cast<int32_t>(dw);
    d.height = static_cast<int32_t>(dh);
    d.x = (screenWidth - d.width) / 2;
    d.y = (screenHeight - d.height) / 2;
    if (kind == ComposedKind::Interlace && (d.y + d.height) % 2 == 0) ++d.y;  // top line on an odd screen line
    if (kind == ComposedKind::SharpLcd && d.x % 2 == 0) ++d.x;               // left edge on an odd column
    d.draws = true;
    return d;
}

int32_t InterlaceSourceRow(const ComposedViews& views, int32_t k, int32_t pictureHeight) {
    if (pictureHeight <= 0) return 0;
    return static_cast<int32_t>(static_cast<int64_t>(views.interlaceSpan) * k / pictureHeight);
}

void BuildRepeatTable(uint8_t* table, int32_t n, int32_t m) {
    if (m < 1) return;
    if (n < 1) {
        std::memset(table, 0, static_cast<size_t>(m));
        return;
    }
    if (n <= m) {
        // Shrinking: source pixel j is taken once when it is the first at or
        // past the next output pair's position.
        int64_t accumulator = 0;
        int32_t taken = 0;
        int32_t j = 0;
        for (; j < m && taken <= n; ++j) {
            if (accumulator / n <= j) {
                table[j] = 1;
                ++taken;
                accumulator += m;
            } else {
                table[j] = 0;
            }
        }
        for (; j < m; ++j) table[j] = 0;
        return;
    }
    // Enlarging: the counts add up to n and differ by at most one.
    int64_t sum = 0;
    for (int32_t j = 0; j < m; ++j) {
        const int64_t upTo = (static_cast<int64_t>(j) + 1) * n / m;
        table[j] = static_cast<uint8_t>(std::min<int64_t>(upTo - sum, 255));
        sum = upTo;
    }
}

void FillMarkerStrip(uint8_t* pixels, int32_t stride) {
    for (int32_t row = 0; row < kMarkerStripHeight; ++row) {
        uint8_t* p = pixels + static_cast<ptrdiff_t>(row) * stride;
        std::memset(p, 0, static_cast<size_t>(stride));
        if (row == kMarkerStripHeight - 1) continue;  // the top line stays black
        for (int32_t x = 0; x < kMarkerStripWidth; ++x) p[kBpp * x + 2] = kMarkerStripRed;
    }
}

FrameRowsView FrameRowsFor(const uint8_t* pixels, int32_t w, int32_t headerHeight) {
    FrameRowsView f;
    const ptrdiff_t stride = DibRowStride(w, 24);
    if (headerHeight >= 0) {
        f.bottom = pixels;
        f.stride = stride;
    } else {
        f.bottom = pixels + (static_cast<ptrdiff_t>(-headerHeight) - 1) * stride;
        f.stride = -stride;
    }
    return f;
}

void ComposeAnaglyphRows(uint8_t* picture, int32_t pictureStride, const FrameRowsView& frame,
                         const ComposedViews& views, ComposedRowKernel kernel) {
    for (int32_t i = 0; i < views.rows; ++i)
        kernel(picture + static_cast<ptrdiff_t>(i) * pictureStride, frame.Row(views.rowA + i) + views.offsetA,
               frame.Row(views.rowB + i) + views.offsetB, views.width);
}

void ComposeInterlaceRows(uint8_t* picture, int32_t pictureStride, int32_t pictureHeight, const FrameRowsView& frame,
                          const ComposedViews& views) {
    const size_t bytes = static_cast<size_t>(kBpp) * views.width;
    for (int32_t k = 0; 2 * k < pictureHeight; ++k) {
        const int32_t r = InterlaceSourceRow(views, k, pictureHeight);
        uint8_t* lower = picture + static_cast<ptrdiff_t>(2 * k) * pictureStride;
        std::memcpy(lower, frame.Row(views.interlaceRowA + r) + views.offsetA, bytes);
        if (2 * k + 1 < pictureHeight)
            std::memcpy(lower + pictureStride, frame.Row(views.interlaceRowB + r) + views.offsetB, bytes);
    }
}

void ComposeSharpLcdRows(uint8_t* picture, int32_t pictureStride, const FrameRowsView& frame,
                         const ComposedViews& views, const uint8_t* repeat) {
    for (int32_t i = 0; i < views.rows; ++i)
        SubpixelInterleave(picture + static_cast<ptrdiff_t>(i) * pictureStride,
                           frame.Row(views.rowA + i) + views.offsetA, frame.Row(views.rowB + i) + views.offsetB,
                           repeat, views.width);
}
