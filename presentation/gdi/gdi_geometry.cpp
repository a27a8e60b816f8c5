#include "presentation/gdi/gdi_geometry.h"

#include <algorithm>
#include <cstdint>

#include "composition/int_scale.h"
#include "presentation/gdi/composed_geometry.h"

namespace {

// The views of a frame of size w x h: view width and height (eW x eH of
// the side-by-side draw) by layout; unknown codes are read as side by side.
void ViewSize(int32_t layout, int32_t w, int32_t h, int32_t* vw, int32_t* vh) {
    switch (layout) {
    case 1: *vw = w; *vh = h / 2; break;
    case 2:
    case 3:
    case 4:
    case 5: *vw = w; *vh = h; break;
    default: *vw = w / 2; *vh = h; break;
    }
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
    switch (*mode) {
    case 0: return GdiDraw::AsSource;
    case 10: return GdiDraw::OneSide;
    case 1:
    case 11:
    case 12:
    case 13: return GdiDraw::SideBySide;
    case 2:
    case 3:
    case 4:
    case 5:
    case 6: return GdiDraw::Anaglyph;
    case 7: return GdiDraw::Interlace;
    case 8: return GdiDraw::SharpLcd;
    default: *mode = 1; return GdiDraw::SideBySide;
    }
}

int32_t ModifiersAfterShiftDown(int32_t modifiers) { return modifiers == 2 ? 3 : 1; }
int32_t ModifiersAfterCtrlDown(int32_t modifiers) { return modifiers == 1 ? 3 : 2; }

int32_t ModeAfterFunctionKey(int fKey, int32_t modifiers, int32_t mode) {
    switch (fKey) {
    case 4: return modifiers == 0 ? 7 : 8;
    case 5: return 0;
    case 6: {
        static const int32_t modes[] = {2, 3, 4};
        return modifiers >= 0 && modifiers <= 2 ? modes[modifiers] : mode;
    }
    case 7:
        if (modifiers == 0) return 5;
        if (modifiers == 1 || modifiers == 2) return 6;
        return mode;
    case 9: {
        static const int32_t modes[] = {1, 11, 12, 13};
        return modifiers >= 0 && modifiers <= 3 ? modes[modifiers] : mode;
    }
    case 11: return 10;
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
    int32_t bw = 0, bh = 0;
    const int32_t e = ScaleTruncated(95, h, 200);
    switch (layout) {
    case 1:  // over/under 100 %: the view at its own size
        d.source = swap ? SourceRect{0, h - h / 2, w, h / 2} : SourceRect{0, 0, w, h / 2};
        bw = w;
        bh = h / 2;
        break;
    case 2:
    case 4:  // half-height views shown at full height
        d.source = swap ? SourceRect{0, h - h / 2, w, h / 2} : SourceRect{0, 0, w, h / 2};
        bw = w;
        bh = h;
        break;
    case 3:
        d.source = swap ? SourceRect{0, h - e, w, e} : SourceRect{0, 0, w, e};
        bw = w;
        bh = h;
        break;
    case 5:  // half-width views shown at full width
        d.source = swap ? SourceRect{w / 2, 0, w / 2, h} : SourceRect{0, 0, w / 2, h};
        bw = w;
        bh = h;
        break;
    default:
        d.source = swap ? SourceRect{w / 2, 0, w / 2, h} : SourceRect{0, 0, w / 2, h};
        bw = w / 2;
        bh = h;
        break;
    }
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
    int32_t eW = 0, eH = 0;
    ViewSize(layout, w, h, &eW, &eH);
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
    switch (layout) {
    case 1:
    case 4:
        a = {0, 0, w, h / 2};
        b = {0, h / 2, w, h / 2};
        break;
    case 2:
        a = {0, 0, w, h};
        b = {0, h, w, h};
        d.doubled = true;
        break;
    case 3: {
        const int32_t e = ScaleTruncated(95, h, 200);
        a = {0, 0, w, e};
        b = {0, ScaleTruncated(105, h, 200), w, e};
        break;
    }
    default:
        a = {0, 0, w / 2, h};
        b = {w / 2, 0, w / 2, h};
        break;
    }
    d.left = swap ? b : a;
    d.right = swap ? a : b;
    d.mirrorLeft = mode == 11 || mode == 13;
    d.mirrorRight = mode == 12 || mode == 13;
    return d;
}
