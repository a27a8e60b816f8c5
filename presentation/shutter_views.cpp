#include "presentation/shutter_views.h"

ShutterViews ShutterViewsFor(int32_t layout, int32_t swap, int32_t w, int32_t h, int32_t zoom, int32_t aspect43,
                             int32_t screenWidth, int32_t screenHeight) {
    // The side-by-side draw over two such screens, views centred in their
    // halves and not mirrored: its left half is one eye's screen.
    const SideBySideDraw d = SideBySideGeometry(CodeOf(StereoDisplayMode::SideBySide), layout, swap, 0, w, h, zoom,
                                                aspect43, 2 * screenWidth, screenHeight);
    ShutterViews v;
    v.zoom = d.zoom;
    v.dw = d.dw;
    v.dh = d.dh;
    v.x = d.xL;
    v.y = d.y;
    v.first = d.left;
    v.second = d.right;
    v.doubled = d.doubled;
    return v;
}

ShutterScreenMode ShutterScreenModeOf(int32_t n3DSize, int32_t n3DBpp) {
    static const int32_t widths[] = {640, 800, 1024, 1280, 1600};
    static const int32_t heights[] = {480, 600, 768, 1024, 1200};
    ShutterScreenMode mode;
    if (n3DSize >= 0 && n3DSize < 5) {
        mode.width = widths[n3DSize];
        mode.height = heights[n3DSize];
    }
    mode.bitDepth = n3DBpp == 0 ? 16 : n3DBpp == 1 ? 32 : 0;
    return mode;
}
