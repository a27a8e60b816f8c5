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
