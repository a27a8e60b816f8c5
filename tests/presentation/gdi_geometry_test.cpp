#include "presentation/gdi/gdi_geometry.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Show(const SourceRect& r) {
    return "(" + std::to_string(r.x) + ", " + std::to_string(r.y) + ", " + std::to_string(r.width) + ", " +
           std::to_string(r.height) + ")";
}

bool Same(const SourceRect& a, const SourceRect& b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

TEST(GdiDisplayModes, EachModeHasItsDrawAndShutterGlassesBecomeSideBySide) {
    const struct {
        int32_t mode;
        GdiDraw draw;
        int32_t modeAfter;
    } cases[] = {
        {0, GdiDraw::AsSource, 0},    {1, GdiDraw::SideBySide, 1},  {2, GdiDraw::Anaglyph, 2},
        {3, GdiDraw::Anaglyph, 3},    {4, GdiDraw::Anaglyph, 4},    {5, GdiDraw::Anaglyph, 5},
        {6, GdiDraw::Anaglyph, 6},    {7, GdiDraw::Interlace, 7},   {8, GdiDraw::SharpLcd, 8},
        {9, GdiDraw::SideBySide, 1},  {10, GdiDraw::OneSide, 10},   {11, GdiDraw::SideBySide, 11},
        {12, GdiDraw::SideBySide, 12}, {13, GdiDraw::SideBySide, 13}, {14, GdiDraw::SideBySide, 1},
        {-1, GdiDraw::SideBySide, 1},
    };
    for (const auto& c : cases) {
        int32_t mode = c.mode;
        EXPECT_EQ(DrawForDisplayMode(&mode), c.draw) << c.mode;
        EXPECT_EQ(mode, c.modeAfter) << c.mode;
    }
}

TEST(GdiKeys, ModifierStateFollowsShiftAndCtrl) {
    EXPECT_EQ(ModifiersAfterShiftDown(0), 1);
    EXPECT_EQ(ModifiersAfterShiftDown(1), 1);
    EXPECT_EQ(ModifiersAfterShiftDown(2), 3);
    EXPECT_EQ(ModifiersAfterShiftDown(3), 1);
    EXPECT_EQ(ModifiersAfterCtrlDown(0), 2);
    EXPECT_EQ(ModifiersAfterCtrlDown(1), 3);
    EXPECT_EQ(ModifiersAfterCtrlDown(2), 2);
    EXPECT_EQ(ModifiersAfterCtrlDown(3), 2);
}

TEST(GdiKeys, FunctionKeysChooseTheModeByModifiers) {
    const int32_t from = 13;  // a mode none of the keys gives back unchanged by accident
    const struct {
        int fKey;
        int32_t modes[4];  // for modifier states 0, 1, 2, 3
    } cases[] = {
        {4, {7, 8, 8, 8}},     {5, {0, 0, 0, 0}},     {6, {2, 3, 4, from}}, {7, {5, 6, 6, from}},
        {9, {1, 11, 12, 13}}, {11, {10, 10, 10, 10}}, {8, {from, from, from, from}},
    };
    for (const auto& c : cases)
        for (int32_t m = 0; m < 4; ++m)
            EXPECT_EQ(ModeAfterFunctionKey(c.fKey, m, from), c.modes[m]) << "F" << c.fKey << " modifiers " << m;
}

TEST(GdiKeys, WcentCyclesThroughItsThreeValues) {
    EXPECT_EQ(NextWcent(0), 1);
    EXPECT_EQ(NextWcent(1), 2);
    EXPECT_EQ(NextWcent(2), 0);
    EXPECT_EQ(NextWcent(7), 0);
    EXPECT_EQ(NextWcent(-3), 0);
}

TEST(GdiZoom, StepsInAndOutByATenth) {
    const struct {
        int32_t zoom, in, out;
    } cases[] = {
        {100, 110, 90}, {320, 352, 290}, {0, 1, 10},  {5, 6, 10},    {9, 10, 10},
        {10, 11, 10},   {11, 12, 10},    {12, 13, 10}, {200, 220, 181}, {kMaxStepZoom, kMaxStepZoom, 90909},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ZoomIn(c.zoom), c.in) << c.zoom;
        EXPECT_EQ(ZoomOut(c.zoom), c.out) << c.zoom;
    }
}

TEST(GdiZoom, WheelDirectionFromTheHighWord) {
    EXPECT_EQ(WheelZoomDirection(120), 1);
    EXPECT_EQ(WheelZoomDirection(999), 1);
    EXPECT_EQ(WheelZoomDirection(1000), 0);
    EXPECT_EQ(WheelZoomDirection(1001), -1);
    EXPECT_EQ(WheelZoomDirection(static_cast<uint16_t>(-120)), -1);
}

TEST(GdiGeometry, BottomUpYCountsFromTheLowerEdge) {
    EXPECT_EQ(BottomUpY({0, 0, 10, 120}, 240), 120);
    EXPECT_EQ(BottomUpY({0, 126, 10, 114}, 240), 0);
    EXPECT_EQ(BottomUpY({0, 240, 10, 240}, 480), 0);
    EXPECT_EQ(BottomUpY({0, 0, 10, 240}, 480), 240);
}

TEST(GdiAsSource, FitsOrScalesTheWholeFrameCentred) {
    const struct {
        int32_t w, h, zoom, W, H;
        PictureDraw expected;
    } cases[] = {
        {320, 240, 0, 1024, 768, {320, 1024, 768, 0, 0, {0, 0, 320, 240}}},
        {320, 240, 100, 1024, 768, {100, 320, 240, 352, 264, {0, 0, 320, 240}}},
        {320, 240, 400, 1024, 768, {400, 1280, 960, -128, -96, {0, 0, 320, 240}}},  // not clamped
        {1920, 1080, 0, 1024, 768, {53, 1017, 572, 3, 98, {0, 0, 1920, 1080}}},
        {640, 480, 0, 2048, 768, {160, 1024, 768, 512, 0, {0, 0, 640, 480}}},  // two screens
    };
    for (const auto& c : cases) {
        const PictureDraw d = AsSourceDraw(c.w, c.h, c.zoom, c.W, c.H);
        const std::string what = std::to_string(c.w) + "x" + std::to_string(c.h) + " zoom " + std::to_string(c.zoom);
        EXPECT_EQ(d.zoom, c.expected.zoom) << what;
        EXPECT_EQ(d.dw, c.expected.dw) << what;
        EXPECT_EQ(d.dh, c.expected.dh) << what;
        EXPECT_EQ(d.x, c.expected.x) << what;
        EXPECT_EQ(d.y, c.expected.y) << what;
        EXPECT_TRUE(Same(d.source, c.expected.source)) << what << " " << Show(d.source);
    }
    EXPECT_FALSE(AsSourceDraw(0, 240, 0, 1024, 768).Drawable());
    // A frame a hundred times wider than the screen fits at 0 %: nothing to draw.
    EXPECT_FALSE(AsSourceDraw(32000, 10, 0, 300, 768).Drawable());
}

TEST(GdiOneSide, ShowsOneViewByLayoutAndSwap) {
    // 320 x 240 frame; e = 95 * 240 / 200 = 114.
    const struct {
        int32_t layout, swap, zoom, aspect43, W, H;
        PictureDraw expected;
    } cases[] = {
        // side by side 100 %: a 160 x 240 view
        {0, 0, 0, 0, 1024, 768, {320, 512, 768, 256, 0, {0, 0, 160, 240}}},
        {0, 1, 100, 0, 1024, 768, {100, 160, 240, 432, 264, {160, 0, 160, 240}}},
        // side by side 50 %: the half-width view at full width
        {5, 0, 0, 0, 1024, 768, {320, 1024, 768, 0, 0, {0, 0, 160, 240}}},
        {5, 1, 0, 0, 1024, 768, {320, 1024, 768, 0, 0, {160, 0, 160, 240}}},
        // over/under 100 %: the upper or lower half at its own size
        {1, 0, 0, 0, 1024, 768, {320, 1024, 384, 0, 192, {0, 0, 320, 120}}},
        {1, 1, 0, 0, 1024, 768, {320, 1024, 384, 0, 192, {0, 120, 320, 120}}},
        // over/under 50 % and interlaced: halves at full height
        {2, 0, 0, 0, 1024, 768, {320, 1024, 768, 0, 0, {0, 0, 320, 120}}},
        {4, 1, 0, 0, 1024, 768, {320, 1024, 768, 0, 0, {0, 120, 320, 120}}},
        // 47.5 %: the band between the views is never shown
        {3, 0, 0, 0, 1024, 768, {320, 1024, 768, 0, 0, {0, 0, 320, 114}}},
        {3, 1, 0, 0, 1024, 768, {320, 1024, 768, 0, 0, {0, 126, 320, 114}}},
        // 4:3, heightened: 320 x 120 becomes 320 x 240 before the fit, so on
        // a 16:9 screen the picture is 768 x 576, not 1024 x 768.
        {1, 0, 0, 1, 1024, 576, {240, 768, 576, 128, 0, {0, 0, 320, 120}}},
        {1, 0, 0, 1, 1280, 720, {300, 960, 720, 160, 0, {0, 0, 320, 120}}},
        // 4:3, widened: 160 x 240 becomes 320 x 240
        {0, 0, 0, 1, 1280, 720, {300, 960, 720, 160, 0, {0, 0, 160, 240}}},
        {0, 0, 0, 1, 1024, 768, {320, 1024, 768, 0, 0, {0, 0, 160, 240}}},
        // a zoom given is used as it is, 4:3 or not
        {1, 0, 200, 1, 1024, 576, {200, 640, 480, 192, 48, {0, 0, 320, 120}}},
    };
    for (const auto& c : cases) {
        const PictureDraw d = OneSideDraw(c.layout, c.swap, 320, 240, c.zoom, c.aspect43, c.W, c.H);
        const std::string what = "layout " + std::to_string(c.layout) + " swap " + std::to_string(c.swap) +
                                 " zoom " + std::to_string(c.zoom) + " 4:3 " + std::to_string(c.aspect43) + " on " +
                                 std::to_string(c.W) + "x" + std::to_string(c.H);
        EXPECT_EQ(d.zoom, c.expected.zoom) << what;
        EXPECT_EQ(d.dw, c.expected.dw) << what;
        EXPECT_EQ(d.dh, c.expected.dh) << what;
        EXPECT_EQ(d.x, c.expected.x) << what;
        EXPECT_EQ(d.y, c.expected.y) << what;
        EXPECT_TRUE(Same(d.source, c.expected.source)) << what << " " << Show(d.source);
    }
}

TEST(GdiSideBySide, PlacesShrunkViewsByWcent) {
    // 320 x 240 side by side on 1024 x 768 at zoom 290: 464 x 696 views.
    const struct {
        int32_t nWcent, xL, xLRight, xR, xRRight;
    } cases[] = {
        {0, 24, 488, 536, 1000},  // each centred in its half
        {1, 48, 512, 512, 976},   // against the centre line
        {2, 0, 464, 560, 1024},   // against the edges
        {5, 24, 488, 536, 1000},  // out of range: centring
    };
    for (const auto& c : cases) {
        const SideBySideDraw d = SideBySideGeometry(1, 0, 0, c.nWcent, 320, 240, 290, 0, 1024, 768);
        EXPECT_EQ(d.zoom, 290) << c.nWcent;
        EXPECT_EQ(d.dw, 464) << c.nWcent;
        EXPECT_EQ(d.dh, 696) << c.nWcent;
        EXPECT_EQ(d.y, 36) << c.nWcent;
        EXPECT_EQ(d.xL, c.xL) << c.nWcent;
        EXPECT_EQ(d.xLRight, c.xLRight) << c.nWcent;
        EXPECT_EQ(d.xR, c.xR) << c.nWcent;
        EXPECT_EQ(d.xRRight, c.xRRight) << c.nWcent;
    }
}

TEST(GdiSideBySide, NeverLargerThanTheFit) {
    const struct {
        int32_t zoom, expected;
    } cases[] = {{0, 320}, {352, 320}, {320, 320}, {200, 200}, {10, 10}};
    for (const auto& c : cases) {
        const SideBySideDraw d = SideBySideGeometry(1, 0, 0, 0, 320, 240, c.zoom, 0, 1024, 768);
        EXPECT_EQ(d.zoom, c.expected) << c.zoom;
    }
    // Fitted, each view fills its half exactly.
    const SideBySideDraw fit = SideBySideGeometry(1, 0, 0, 0, 320, 240, 0, 0, 1024, 768);
    EXPECT_EQ(fit.dw, 512);
    EXPECT_EQ(fit.dh, 768);
    EXPECT_EQ(fit.xL, 0);
    EXPECT_EQ(fit.xR, 512);
    // A wide view is fitted to the half's width.
    const SideBySideDraw wide = SideBySideGeometry(1, 1, 0, 0, 640, 240, 0, 0, 1024, 768);
    EXPECT_EQ(wide.zoom, 80);
    EXPECT_EQ(wide.dw, 512);
    EXPECT_EQ(wide.dh, 96);
}

TEST(GdiSideBySide, SourcesByLayoutSwapAndMirrors) {
    // 320 x 240; 95 * 240 / 200 = 114 and 105 * 240 / 200 = 126.
    const struct {
        int32_t layout, swap;
        SourceRect left, right;
        bool doubled;
    } cases[] = {
        {0, 0, {0, 0, 160, 240}, {160, 0, 160, 240}, false},
        {0, 1, {160, 0, 160, 240}, {0, 0, 160, 240}, false},
        {5, 0, {0, 0, 160, 240}, {160, 0, 160, 240}, false},
        {1, 0, {0, 0, 320, 120}, {0, 120, 320, 120}, false},
        {4, 1, {0, 120, 320, 120}, {0, 0, 320, 120}, false},
        {2, 0, {0, 0, 320, 240}, {0, 240, 320, 240}, true},
        {2, 1, {0, 240, 320, 240}, {0, 0, 320, 240}, true},
        {3, 0, {0, 0, 320, 114}, {0, 126, 320, 114}, false},
        {3, 1, {0, 126, 320, 114}, {0, 0, 320, 114}, false},
    };
    for (const auto& c : cases) {
        const SideBySideDraw d = SideBySideGeometry(1, c.layout, c.swap, 0, 320, 240, 0, 0, 1024, 768);
        const std::string what = "layout " + std::to_string(c.layout) + " swap " + std::to_string(c.swap);
        EXPECT_TRUE(Same(d.left, c.left)) << what << " left " << Show(d.left);
        EXPECT_TRUE(Same(d.right, c.right)) << what << " right " << Show(d.right);
        EXPECT_EQ(d.doubled, c.doubled) << what;
    }
    const struct {
        int32_t mode;
        bool left, right;
    } mirrors[] = {{1, false, false}, {11, true, false}, {12, false, true}, {13, true, true}};
    for (const auto& m : mirrors) {
        const SideBySideDraw d = SideBySideGeometry(m.mode, 0, 0, 0, 320, 240, 0, 0, 1024, 768);
        EXPECT_EQ(d.mirrorLeft, m.left) << m.mode;
        EXPECT_EQ(d.mirrorRight, m.right) << m.mode;
    }
}

TEST(GdiSideBySide, FourThreeViewsFitTheirHalves) {
    // A low screen: 160 x 240 views widened to 320 x 240 must fit 512 x 300.
    const SideBySideDraw d = SideBySideGeometry(1, 0, 0, 0, 320, 240, 0, 1, 1024, 300);
    EXPECT_EQ(d.zoom, 125);
    EXPECT_EQ(d.dw, 400);
    EXPECT_EQ(d.dh, 300);
    EXPECT_EQ(d.xL, 56);
    EXPECT_EQ(d.y, 0);
    // A tall screen: the half's width decides; the views are 4:3.
    const SideBySideDraw tall = SideBySideGeometry(1, 0, 0, 0, 320, 240, 0, 1, 1024, 768);
    EXPECT_EQ(tall.dw, 512);
    EXPECT_EQ(tall.dh, 384);
    EXPECT_EQ(tall.y, 192);
}

// Fit to screen always fits, for every layout, screen shape and 4:3 choice.
TEST(GdiGeometry, FittedPicturesStayOnTheScreen) {
    const int32_t frames[][2] = {{320, 240}, {1920, 1080}, {640, 960}, {1280, 240}, {318, 241}, {100, 1000}};
    const int32_t screens[][2] = {{1024, 768}, {1280, 720}, {2048, 768}, {1024, 300}, {800, 1280}, {1920, 1200}};
    for (const auto& f : frames)
        for (const auto& s : screens)
            for (int32_t layout = 0; layout < 6; ++layout)
                for (int32_t aspect = 0; aspect < 2; ++aspect) {
                    const std::string what = std::to_string(f[0]) + "x" + std::to_string(f[1]) + " layout " +
                                             std::to_string(layout) + " 4:3 " + std::to_string(aspect) + " on " +
                                             std::to_string(s[0]) + "x" + std::to_string(s[1]);
                    const PictureDraw one = OneSideDraw(layout, 0, f[0], f[1], 0, aspect, s[0], s[1]);
                    EXPECT_LE(one.dw, s[0]) << what;
                    EXPECT_LE(one.dh, s[1]) << what;
                    EXPECT_GE(one.x, 0) << what;
                    EXPECT_GE(one.y, 0) << what;
                    const SideBySideDraw two = SideBySideGeometry(1, layout, 0, 0, f[0], f[1], 0, aspect, s[0], s[1]);
                    EXPECT_LE(two.dw, s[0] / 2) << what;
                    EXPECT_LE(two.dh, s[1]) << what;
                    EXPECT_GE(two.y, 0) << what;
                    // and fills the screen one way or the other, but for the coarseness
                    // of a whole-percent zoom
                    EXPECT_TRUE(one.dw >= s[0] - s[0] / 10 || one.dh >= s[1] - s[1] / 10) << what;
                    EXPECT_TRUE(two.dw >= s[0] / 2 - s[0] / 20 || two.dh >= s[1] - s[1] / 10) << what;
                }
}

}  // namespace
