// Portable picture arithmetic of the full-screen window's draws that combine
// the two views pixel by pixel (anaglyphs, line interlace, the 3D LCD column
// layout): where each view lies in the frame, the size and place of the
// drawn picture, and the row loops that fill the composed picture.
//
// Frames and pictures are bottom-up RGB24; rows are counted from the bottom,
// as stored. Integer divisions truncate towards zero.
#pragma once
#include <cstddef>
#include <cstdint>

// Where the two views of a w x h frame lie. View A feeds red in the
// anaglyphs and the lower line of each interlaced pair; the swap flag
// exchanges A and B.
struct ComposedViews {
    bool valid = false;  // false for an unknown layout or an empty frame
    int32_t width = 0;   // pixels in one view row
    int32_t rows = 0;    // view rows (anaglyph and 3D LCD draws)
    int32_t offsetA = 0, offsetB = 0;  // bytes from the start of a frame row
    int32_t rowA = 0, rowB = 0;        // first frame row of each view
    // The interlace draw takes the upper view from its own first row (h/2,
    // or 105·h/200 for the 47.5 % layout) and spreads `interlaceSpan`
    // source rows over the picture height.
    int32_t interlaceRowA = 0, interlaceRowB = 0;
    int32_t interlaceSpan = 0;
    // Display basis before zoom.
    int32_t basisWidth = 0, basisHeight = 0;
};
ComposedViews ComposedViewsFor(int32_t layout, int32_t w, int32_t h, bool swap);

// The 4:3 option: the display basis widened or heightened to 4:3.
void AdjustBasisTo43(int32_t* basisWidth, int32_t* basisHeight);

// Zoom that fits the basis into a W x H screen: min(W·100/bw, H·100/bh).
// 0 for an empty basis.
int32_t FitZoom(int32_t basisWidth, int32_t basisHeight, int32_t screenWidth, int32_t screenHeight);

// One draw: the zoom it used (the fit when asked for 0), the composed
// picture's size, and the destination rectangle on the window.
struct ComposedDraw {
    bool draws = false;  // false: nothing can be drawn (empty basis, dw or dh 0)
    int32_t zoom = 0;
    int32_t pictureWidth = 0, pictureHeight = 0;
    int32_t x = 0, y = 0, width = 0, height = 0;
};

enum class ComposedKind { Anaglyph, Interlace, SharpLcd };

// The draw for `kind` at `zoom` (0: fit the screen) on a window of W x H.
// With `aspect43` the basis becomes 4:3 before the fit, so that a fitted
// picture always lies within the screen.
ComposedDraw ComposedDrawFor(ComposedKind kind, const ComposedViews& views, int32_t zoom, bool aspect43,
                             int32_t screenWidth, int32_t screenHeight);

// The view row behind picture rows 2k and 2k+1 of an interlaced picture of
// `pictureHeight` rows: r = ⌊span·k/dh⌋.
int32_t InterlaceSourceRow(const ComposedViews& views, int32_t k, int32_t pictureHeight);

// Repeat counts for stretching m source pixels over n output pixel pairs:
// m entries whose sum is n. Shrinking picks every (m/n)-th pixel once;
// enlarging spreads the pairs so that counts differ by at most one. A count
// above 255 is stored as 255. m < 1 writes nothing; n < 1 writes zeros.
void BuildRepeatTable(uint8_t* table, int32_t n, int32_t m);

// The marker strip below the 3D LCD picture: 1600 x 10 pixels, the lower
// nine rows red 72, the top row black.
constexpr int32_t kMarkerStripWidth = 1600;
constexpr int32_t kMarkerStripHeight = 10;
constexpr uint8_t kMarkerStripRed = 72;
void FillMarkerStrip(uint8_t* pixels, int32_t stride);

// A frame as rows counted from the bottom: `bottom` is the bottom row's
// first byte and `stride` the signed step to the row above (negative for a
// top-down frame).
struct FrameRowsView {
    const uint8_t* bottom = nullptr;
    ptrdiff_t stride = 0;
    const uint8_t* Row(int32_t r) const { return bottom + r * stride; }
};
// Rows of DibRowStride(w, 24) bytes at `pixels`; a negative header height
// marks a top-down frame.
FrameRowsView FrameRowsFor(const uint8_t* pixels, int32_t w, int32_t headerHeight);

using ComposedRowKernel = void (*)(uint8_t* dst, const uint8_t* a, const uint8_t* b, int32_t pixels);

// Fill the composed picture (rows of `pictureStride` bytes, bottom-up).
// Anaglyph: picture row i := kernel(view A row i, view B row i), views.rows
// rows of views.width pixels.
void ComposeAnaglyphRows(uint8_t* picture, int32_t pictureStride, const FrameRowsView& frame,
                         const ComposedViews& views, ComposedRowKernel kernel);
// Interlace: `pictureHeight` rows (even); row 2k from view A and 2k+1 from
// view B, both view row InterlaceSourceRow(k).
void ComposeInterlaceRows(uint8_t* picture, int32_t pictureStride, int32_t pictureHeight, const FrameRowsView& frame,
                          const ComposedViews& views);
// 3D LCD: picture row i := sub-pixel interleave of view A row i and view B
// row i, each source pixel repeated by `repeat` (views.width entries).
void ComposeSharpLcdRows(uint8_t* picture, int32_t pictureStride, const FrameRowsView& frame,
                         const ComposedViews& views, const uint8_t* repeat);
