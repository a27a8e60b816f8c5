#include "presentation/gdi/gdi_geometry.h"

#include <algorithm>
#include <cstdint>

#include "composition/int_scale.h"
#include "presentation/gdi/composed_geometry.h"

namespace {

// Unknown layout codes are read as side by side.
const LayoutFacts& FactsOrSideBySide(int32_t layout) {
    return LayoutFactsOf(IsValidLayout(layout) ? layout : CodeOf(StereoInputLayout::SideBySideFull));
}

// A whole picture of basis bw x bh at `zoom` (0: fitted to the window),
// centred on the screen.
void PlaceCentred(PictureDraw* d, int32_t bw, int32_t bh, int32_t zoom, int32_t windowWidth, int32_t screenHeight) {
    d->zoom = zoom == 0 ? FitZoom(bw, bh, windowWidth, screenHeight) : zoom;
    d->dw = ScaleTruncated(d->zoom, bw, 100);
    d->dh = ScaleTruncated(d->zoom, bh, 100);
    d->x = (windowWidth - d->dw) / 2;
    d->y = (screenHeight - d->dh) / 2;
}

}  // namespace

int32_t BottomUpY(const SourceRect& r, int32_t pictureHeight) { return pictureHeight - r.y - r.height; }

GdiDraw DrawForDisplayMode(int32_t* mode) {
    const DisplayModeFacts& facts = DisplayModeFactsOf(*mode);
    if (!facts.gdiOwnDraw) *mode = CodeOf(StereoDisplayMode::SideBySide);
    return facts.gdiDraw;
}

int32_t ModifiersAfterShiftDown(int32_t modifiers) { return modifiers == 2 ? 3 : 1; }
int32_t ModifiersAfterCtrlDown(int32_t modifiers) { return modifiers == 1 ? 3 : 2; }

int32_t ModeAfterFunctionKey(int fKey, int32_t modifiers, int32_t mode) {
    using M = StereoDisplayMode;
    switch (fKey) {
    case 4: return CodeOf(modifiers == 0 ? M::LineInterlace : M::Sharp3dLcd);
    case 5: return CodeOf(M::AsSource);
    case 6: {
        static const M modes[] = {M::AnaglyphRedCyan, M::AnaglyphRedGreen, M::AnaglyphRedBlue};
        return modifiers >= 0 && modifiers <= 2 ? CodeOf(modes[modifiers]) : mode;
    }
    case 7:
        if (modifiers == 0) return CodeOf(M::AnaglyphColor);
        if (modifiers == 1 || modifiers == 2) return CodeOf(M::AnaglyphColorRedFix);
        return mode;
    case 9: {
        static const M modes[] = {M::SideBySide, M::MirrorLeft, M::MirrorRight, M::MirrorBoth};
        return modifiers >= 0 && modifiers <= 3 ? CodeOf(modes[modifiers]) : mode;
    }
    case 11: return CodeOf(M::OneSide);
    default: return mode;
    }
}

int32_t NextWcent(int32_t nWcent) { return nWcent >= 0 && nWcent < 2 ? nWcent + 1 : 0; }

int32_t ZoomIn(int32_t zoom) {
    int32_t z = ScaleTruncated(zoom, 110, 100);
    if (z < 10) z += 1;
    return std::min(z, kMaxStepZoom);
}

int32_t ZoomOut(int32_t zoom) { return std::max(ScaleTruncated(zoom, 100, 110), kMinStepZoom); }

int WheelZoomDirection(uint16_t wheelHigh) {
    if (wheelHigh < 1000) return 1;
    if (wheelHigh > 1000) return -1;
    return 0;
}

PictureDraw AsSourceDraw(int32_t w, int32_t h, int32_t zoom, int32_t windowWidth, int32_t screenHeight) {
    PictureDraw d;
    if (w <= 0 || h <= 0) return d;
    PlaceCentred(&d, w, h, zoom, windowWidth, screenHeight);
    d.source = {0, 0, w, h};
    return d;
}

PictureDraw OneSideDraw(int32_t layout, int32_t swap, int32_t w, int32_t h, int32_t zoom, int32_t aspect43,
                        int32_t windowWidth, int32_t screenHeight) {
    PictureDraw d;
    if (w <= 0 || h <= 0) return d;
    const LayoutFacts& f = FactsOrSideBySide(layout);
    if (f.regions == ViewRegions::Halves) {
        d.source = swap ? SourceRect{w / 2, 0, w / 2, h} : SourceRect{0, 0, w / 2, h};
    } else {
        // The second view ends at the frame's last row.
        const int32_t rows = BandRows(f, h);
        d.source = swap ? SourceRect{0, h - rows, w, rows} : SourceRect{0, 0, w, rows};
    }
    const ShownSize shown = ShownViewSize(f, w, h);
    int32_t bw = shown.width, bh = shown.height;
    // The fit is taken on the basis as it will be drawn: fitting first and
    // widening afterwards made a fitted picture spill over the screen.
    if (aspect43) AdjustBasisTo43(&bw, &bh);
    if (bw <= 0 || bh <= 0) return d;
    PlaceCentred(&d, bw, bh, zoom, windowWidth, screenHeight);
    return d;
}

SideBySideDraw SideBySideGeometry(int32_t mode, int32_t layout, int32_t swap, int32_t nWcent, int32_t w, int32_t h,
                                  int32_t zoom, int32_t aspect43, int32_t windowWidth, int32_t screenHeight) {
    SideBySideDraw d;
    if (w <= 0 || h <= 0 || screenHeight <= 0) return d;
    const int32_t halfW = windowWidth / 2;
    const LayoutFacts& f = FactsOrSideBySide(layout);
    const ShownSize shown = ShownViewSize(f, w, h);
    int32_t eW = shown.width;
    const int32_t eH = shown.height;
    // As for one view: the 4:3 width is settled before the fit, so that the
    // fitted views stay inside their halves.
    if (aspect43) eW = ScaleTruncated(4, eH, 3);
    if (eW <= 0 || eH <= 0) return d;

    const int32_t fittedWidth = ScaleTruncated(eW, 100, eH) <= ScaleTruncated(halfW, 100, screenHeight)
                                    ? ScaleTruncated(eW, screenHeight, eH)
                                    : halfW;
    const int32_t fit = ScaleTruncated(fittedWidth, 100, eW);
    d.zoom = (zoom == 0 || zoom > fit) ? fit : zoom;
    d.dw = ScaleTruncated(d.zoom, eW, 100);
    d.dh = ScaleTruncated(d.zoom, eH, 100);
    d.y = (screenHeight - d.dh) / 2;

    switch (nWcent) {
    case 1:  // both views against the centre line
        d.xL = halfW - d.dw;
        d.xLRight = halfW;
        d.xR = halfW;
        d.xRRight = halfW + d.dw;
        break;
    case 2:  // both views against the outer edges
        d.xL = 0;
        d.xLRight = d.dw;
        d.xR = windowWidth - d.dw;
        d.xRRight = windowWidth;
        break;
    default:  // each view centred in its half
        d.xL = (halfW - d.dw) / 2;
        d.xLRight = d.xL + d.dw;
        d.xR = d.xL + halfW;
        d.xRRight = d.xLRight + halfW;
        break;
    }

    SourceRect a, b;
    if (f.regions == ViewRegions::Halves) {
        a = {0, 0, w / 2, h};
        b = {w / 2, 0, w / 2, h};
    } else if (layout == CodeOf(StereoInputLayout::OverUnderHalf)) {
        a = {0, 0, w, h};
        b = {0, h, w, h};
        d.doubled = true;
    } else {
        // The second view starts below the first and the band between them.
        const int32_t rows = BandRows(f, h);
        a = {0, 0, w, rows};
        b = {0, ScaleTruncated(200 - f.bandPercent, h, 200), w, rows};
    }
    d.left = swap ? b : a;
    d.right = swap ? a : b;
    d.mirrorLeft = DisplayModeFactsOf(mode).mirrorLeft;
    d.mirrorRight = DisplayModeFactsOf(mode).mirrorRight;
    return d;
}
