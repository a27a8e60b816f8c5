#include "presentation/shutter_views.h"

#include <gtest/gtest.h>

namespace {

bool Same(const SourceRect& a, const SourceRect& b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

// Each eye's screen of 1024 x 768 shows one view, fitted and centred; the
// sources are the two views of each layout (top-left origin).
TEST(ShutterViews, ViewsAndSourcesByLayout) {
    const struct {
        int32_t layout, w, h;
        int32_t dw, dh, x, y;
        SourceRect first, second;
        bool doubled;
    } cases[] = {
        {0, 320, 240, 512, 768, 256, 0, {0, 0, 160, 240}, {160, 0, 160, 240}, false},
        {5, 320, 240, 1024, 768, 0, 0, {0, 0, 160, 240}, {160, 0, 160, 240}, false},
        {1, 320, 480, 1024, 768, 0, 0, {0, 0, 320, 240}, {0, 240, 320, 240}, false},
        {4, 320, 240, 1024, 768, 0, 0, {0, 0, 320, 120}, {0, 120, 320, 120}, false},
        {2, 320, 240, 1024, 768, 0, 0, {0, 0, 320, 240}, {0, 240, 320, 240}, true},
        {3, 320, 400, 611, 764, 206, 2, {0, 0, 320, 190}, {0, 210, 320, 190}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.layout);
        const ShutterViews v = ShutterViewsFor(c.layout, 0, c.w, c.h, 0, 0, 1024, 768);
        EXPECT_EQ(v.dw, c.dw);
        EXPECT_EQ(v.dh, c.dh);
        EXPECT_EQ(v.x, c.x);
        EXPECT_EQ(v.y, c.y);
        EXPECT_TRUE(Same(v.first, c.first));
        EXPECT_TRUE(Same(v.second, c.second));
        EXPECT_EQ(v.doubled, c.doubled);
        // Swapped, the eyes exchange their views and nothing else moves.
        const ShutterViews s = ShutterViewsFor(c.layout, 1, c.w, c.h, 0, 0, 1024, 768);
        EXPECT_TRUE(Same(s.first, c.second));
        EXPECT_TRUE(Same(s.second, c.first));
        EXPECT_EQ(s.dw, v.dw);
        EXPECT_EQ(s.x, v.x);
    }
}

// A zoom beyond the fit comes back to it; below it the view is centred.
TEST(ShutterViews, ZoomIsClampedToTheFit) {
    const ShutterViews big = ShutterViewsFor(0, 0, 320, 240, 1000, 0, 1024, 768);
    EXPECT_EQ(big.zoom, 320);
    EXPECT_EQ(big.dw, 512);
    const ShutterViews natural = ShutterViewsFor(0, 0, 320, 240, 100, 0, 1024, 768);
    EXPECT_EQ(natural.zoom, 100);
    EXPECT_EQ(natural.dw, 160);
    EXPECT_EQ(natural.dh, 240);
    EXPECT_EQ(natural.x, (1024 - 160) / 2);
    EXPECT_EQ(natural.y, (768 - 240) / 2);
    // With the 4:3 option each view is drawn 4:3 and still fits.
    const ShutterViews wide = ShutterViewsFor(0, 0, 320, 240, 0, 1, 1024, 768);
    EXPECT_LE(wide.dw, 1024);
    EXPECT_LE(wide.dh, 768);
    EXPECT_EQ(wide.dw * 3, wide.dh * 4);
    EXPECT_FALSE(ShutterViewsFor(0, 0, 0, 240, 0, 0, 1024, 768).Drawable());
}

}  // namespace
