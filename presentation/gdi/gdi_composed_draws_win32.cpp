// The full-screen window's draws that combine the two views pixel by pixel:
// anaglyphs (modes 2 to 6), line interlace (7) and the 3D LCD column layout
// (8). Each composes a picture from the grab renderer's current frame into a
// cached picture and draws it centred on the window.
#include <cstdlib>

#include "composition/pixel_kernels.h"
#include "composition/stereo_formats.h"
#include "presentation/gdi/composed_geometry.h"
#include "presentation/gdi/gdi_screen.h"
#include "presentation/grabbed_frame.h"
#include "presentation/packed_dib_win32.h"
#include "presentation/picture.h"
#include "core/app_state.h"

namespace {

// The composed picture for this draw: the cached one while its layout and
// size still hold and no repaint was asked for, else a new one (which
// clears the repaint request). Null when none can be made; the old picture
// is gone by then, so nothing ever draws from a freed block.
BITMAPINFOHEADER* ComposedPicture(int32_t layout, int32_t width, int32_t height) {
    GdiScreenState& s = g_GdiScreen;
    if (s.composed && s.composedLayout == layout && s.repaint == 0 && s.composed->biWidth == width &&
        s.composed->biHeight == height)
        return s.composed;
    FreePackedDib(s.composed);
    s.composed = nullptr;
    s.composedLayout = -1;
    BITMAPINFOHEADER* picture = CreatePackedDib(width, height, 24);
    if (!picture) return nullptr;
    ZeroMemory(DibPixels(picture), picture->biSizeImage);
    s.composed = picture;
    s.composedLayout = layout;
    s.repaint = 0;
    return picture;
}

// The common frame of the three draws: busy flag, zoom fit, black clear,
// the picture (composed by `fill` into the cached picture), the help
// overlay. `after` draws what goes on top of the picture.
template <typename Fill, typename After>
void DrawComposed(ComposedKind kind, Fill fill, After after) {
    GdiBusyScope busy;
    GdiScreenState& s = g_GdiScreen;
    if (!s.window) return;

    const BITMAPINFOHEADER& header = GrabbedFrame.header.bmiHeader;
    const bool haveFrame = GrabbedFrame.pDisplay && header.biBitCount == 24 && header.biCompression == BI_RGB;
    const int32_t w = header.biWidth;
    const int32_t headerHeight = header.biHeight;
    const int32_t layout = g_nInputLayout.load();
    const ComposedViews views =
        haveFrame ? ComposedViewsFor(layout, w, std::abs(headerHeight), s.swap != 0) : ComposedViews{};
    int32_t zoom = s.zoom.load();
    const ComposedDraw d = ComposedDrawFor(kind, views, zoom, g_bAspect43 != 0, s.windowWidth, s.screenHeight);
    // The fit becomes the zoom, so that later zoom steps start from it; a
    // zoom key pressed meanwhile wins.
    if (zoom == 0 && d.zoom > 0) s.zoom.compare_exchange_strong(zoom, d.zoom);

    HDC dc = GetDC(s.window);
    if (!dc) return;
    ClearForDraw(dc, s.windowWidth, false);
    if (d.draws) {
        if (BITMAPINFOHEADER* picture = ComposedPicture(layout, d.pictureWidth, d.pictureHeight)) {
            BYTE* pixels = DibPixels(picture);
            const FrameRowsView frame = FrameRowsFor(GrabbedFrame.pDisplay, w, headerHeight);
            if (fill(pixels, DibRowStride(d.pictureWidth, 24), frame, views, d))
                DrawBottomUpPicture(dc, d.x, d.y, d.width, d.height, picture, pixels, 0, 0, d.pictureWidth,
                                    d.pictureHeight);
        }
    }
    after(dc);
    DrawHelpOverlay(dc);
    ReleaseDC(s.window, dc);
}

void NothingAfter(HDC) {}

}  // namespace

void DrawAnaglyph() {
    DrawComposed(
        ComposedKind::Anaglyph,
        [](uint8_t* picture, int32_t stride, const FrameRowsView& frame, const ComposedViews& views,
           const ComposedDraw&) {
            // A mode changed half-way through reaches the next frame's draw.
            const int32_t mode = g_GdiScreen.displayMode.load();
            if (DisplayModeFactsOf(mode).gdiDraw != GdiDraw::Anaglyph) return false;
            const int32_t kernel = mode - CodeOf(StereoDisplayMode::AnaglyphRedCyan);
            ComposeAnaglyphRows(picture, stride, frame, views, ActiveKernels().rgbAnaglyph[kernel]);
            return true;
        },
        NothingAfter);
}

void DrawInterlace() {
    DrawComposed(
        ComposedKind::Interlace,
        [](uint8_t* picture, int32_t stride, const FrameRowsView& frame, const ComposedViews& views,
           const ComposedDraw& d) {
            ComposeInterlaceRows(picture, stride, d.pictureHeight, frame, views);
            return true;
        },
        NothingAfter);
}

void DrawSharpLcd() {
    DrawComposed(
        ComposedKind::SharpLcd,
        [](uint8_t* picture, int32_t stride, const FrameRowsView& frame, const ComposedViews& views,
           const ComposedDraw& d) {
            // The scratch line holds one count per source pixel: frame-width
            // bytes, never fewer than a view's width.
            uint8_t* repeat = GrabbedFrame.pScratchLine;
            if (!repeat) return false;
            BuildRepeatTable(repeat, d.pictureWidth / 2, views.width);
            ComposeSharpLcdRows(picture, stride, frame, views, repeat);
            return true;
        },
        [](HDC dc) {
            const BITMAPINFOHEADER* strip = g_GdiScreen.markerStrip;
            if (!strip) return;
            SetDIBitsToDevice(dc, 0, g_GdiScreen.screenHeight - kMarkerStripHeight, kMarkerStripWidth,
                              kMarkerStripHeight, 0, 0, 0, kMarkerStripHeight, DibPixels(strip),
                              reinterpret_cast<const BITMAPINFO*>(strip), DIB_RGB_COLORS);
        });
}

void CreateMarkerStrip() {
    if (g_GdiScreen.markerStrip) return;
    BITMAPINFOHEADER* strip = CreatePackedDib(kMarkerStripWidth, kMarkerStripHeight, 24);
    if (!strip) return;
    FillMarkerStrip(DibPixels(strip), DibRowStride(kMarkerStripWidth, 24));
    g_GdiScreen.markerStrip = strip;
}

void FreeComposedPictures() {
    FreePackedDib(g_GdiScreen.composed);
    g_GdiScreen.composed = nullptr;
    g_GdiScreen.composedLayout = -1;
    FreePackedDib(g_GdiScreen.markerStrip);
    g_GdiScreen.markerStrip = nullptr;
}
