#include <gtest/gtest.h>

#include "composition/stereo_formats.h"
#include "core/app_state.h"
#include "presentation/zoom.h"

namespace {

const char* CheckName(SizeCheck c) {
    switch (c) {
    case SizeCheck::Keep: return "Keep";
    case SizeCheck::ClearAll: return "ClearAll";
    case SizeCheck::Check: return "Check";
    }
    return "?";
}

struct Expect {
    bool apply;
    int32_t step;
    int32_t mx, dx, my, dy;
    int calls;
    SizeCheck check;
    int checkCommand;
    int32_t zoomItem;
};

void ExpectRequest(const ZoomRequest& r, const Expect& e) {
    EXPECT_EQ(r.apply, e.apply);
    if (!e.apply) return;
    EXPECT_EQ(r.step, e.step);
    EXPECT_EQ(r.mx, e.mx);
    EXPECT_EQ(r.dx, e.dx);
    EXPECT_EQ(r.my, e.my);
    EXPECT_EQ(r.dy, e.dy);
    EXPECT_EQ(r.calls, e.calls);
    EXPECT_STREQ(CheckName(r.check), CheckName(e.check));
    if (e.check == SizeCheck::Check) {
        EXPECT_EQ(r.checkCommand, e.checkCommand);
    }
    EXPECT_EQ(r.zoomItem, e.zoomItem);
}

TEST(ShellZoom, Commands) {
    struct Case {
        const char* what;
        int command;
        int32_t mode;
        int32_t step;
        int32_t customX, customY;
        Expect expect;
    };
    const Expect refused{false, 0, 0, 0, 0, 0, 0, SizeCheck::Keep, 0, 0};
    const Case cases[] = {
        {"50 %", 3005, 2, 12, 100, 100, {true, 6, 1, 2, 1, 2, 2, SizeCheck::Check, 3005, 1}},
        {"75 %", 3006, 2, 12, 100, 100, {true, 9, 3, 4, 3, 4, 2, SizeCheck::Check, 3006, 2}},
        {"100 %", 3007, 2, 20, 100, 100, {true, 12, 1, 1, 1, 1, 2, SizeCheck::Check, 3007, 3}},
        {"200 %", 3008, 2, 12, 100, 100, {true, 24, 2, 1, 2, 1, 2, SizeCheck::Check, 3008, 4}},
        {"50 % in interlace", 3005, 7, 12, 100, 100, refused},
        {"75 % in interlace", 3006, 7, 12, 100, 100, refused},
        {"200 % in interlace", 3008, 7, 12, 100, 100, refused},
        {"100 % in interlace", 3007, 7, 5, 100, 100, {true, 12, 1, 1, 1, 1, 2, SizeCheck::Check, 3007, 3}},
        {"custom 150 x 50", 3010, 2, 12, 150, 50, {true, 18, 150, 100, 50, 100, 2, SizeCheck::ClearAll, 0, 5}},
        {"custom in interlace", 3010, 7, 12, 150, 50, {true, 18, 150, 100, 50, 100, 2, SizeCheck::ClearAll, 0, 5}},
        {"custom 1000 %: step at most 30", 3010, 2, 12, 1000, 100,
         {true, 30, 1000, 100, 100, 100, 2, SizeCheck::ClearAll, 0, 5}},
        {"custom 5 %: step at least 1", 3010, 2, 12, 5, 5, {true, 1, 5, 100, 5, 100, 2, SizeCheck::ClearAll, 0, 5}},
        {"custom 0 % wide", 3010, 2, 12, 0, 100, refused},
        {"custom negative height", 3010, 2, 12, 100, -50, refused},
        {"zoom in", 3053, 2, 12, 100, 100, {true, 13, 13, 12, 13, 12, 1, SizeCheck::ClearAll, 0, 5}},
        {"zoom in at 30", 3053, 2, 30, 100, 100, {true, 30, 30, 12, 30, 12, 1, SizeCheck::ClearAll, 0, 5}},
        {"zoom in in interlace", 3053, 7, 20, 100, 100, {true, 12, 12, 12, 12, 12, 1, SizeCheck::ClearAll, 0, 5}},
        {"zoom out", 3054, 2, 12, 100, 100, {true, 11, 11, 12, 11, 12, 1, SizeCheck::ClearAll, 0, 5}},
        {"zoom out at 1", 3054, 2, 1, 100, 100, {true, 1, 1, 12, 1, 12, 1, SizeCheck::ClearAll, 0, 5}},
        {"zoom out in interlace", 3054, 7, 3, 100, 100, {true, 12, 12, 12, 12, 12, 1, SizeCheck::ClearAll, 0, 5}},
        {"not a zoom command", 3009, 2, 12, 100, 100, refused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ExpectRequest(ZoomForCommand(c.command, c.mode, c.step, c.customX, c.customY), c.expect);
    }

    // Zoom in from 100 % five times gives 17/12.
    int32_t step = 12;
    for (int i = 0; i < 5; ++i) step = ZoomForCommand(kZoomCommandIn, 2, step, 100, 100).step;
    EXPECT_EQ(step, 17);
}

TEST(ShellZoom, Wheel) {
    struct Case {
        const char* what;
        uint16_t high;
        int32_t mode;
        int32_t step;
        int32_t expected;
    };
    const Case cases[] = {
        {"away from the user", 120, 2, 12, 13},
        {"towards the user", static_cast<uint16_t>(-120), 2, 12, 11},
        {"exactly 1000", 1000, 2, 12, 12},
        {"999", 999, 2, 12, 13},
        {"1001", 1001, 2, 12, 11},
        {"at most 30", 120, 2, 30, 30},
        {"at least 1", static_cast<uint16_t>(-120), 2, 1, 1},
        {"interlace in", 120, 7, 20, 12},
        {"interlace out", static_cast<uint16_t>(-240), 7, 3, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int32_t s = c.expected;
        ExpectRequest(ZoomForWheel(c.high, c.mode, c.step), {true, s, s, 12, s, 12, 1, SizeCheck::Keep, 0, 0});
    }
}

TEST(ShellZoom, AfterOpen) {
    for (int32_t mode : {1, 11, 12, 13}) {
        SCOPED_TRACE(mode);
        ExpectRequest(ZoomAfterOpen(mode), {true, 6, 1, 2, 1, 2, 1, SizeCheck::Check, 3007, 3});
    }
    for (int32_t mode : {0, 2, 7, 9, 10}) {
        SCOPED_TRACE(mode);
        ExpectRequest(ZoomAfterOpen(mode), {true, 12, 1, 1, 1, 1, 1, SizeCheck::Check, 3007, 3});
    }
}

class ShellZoomState : public ::testing::Test {
protected:
    void SetUp() override {
        mode_ = g_nDisplayMode;
        layout_ = g_nInputLayout;
        step_ = g_nZoomStep;
        item_ = g_nZoomItem;
        customX_ = g_nCustomPctX;
        customY_ = g_nCustomPctY;
        pctX_ = g_nLayoutPctX;
        pctY_ = g_nLayoutPctY;
        dual_ = g_nDualMonitor;
    }
    void TearDown() override {
        g_nDisplayMode = mode_;
        g_nInputLayout = layout_;
        g_nZoomStep = step_;
        g_nZoomItem = item_;
        g_nCustomPctX = customX_;
        g_nCustomPctY = customY_;
        g_nLayoutPctX = pctX_;
        g_nLayoutPctY = pctY_;
        g_nDualMonitor = dual_;
    }
    int32_t mode_, layout_, step_, item_, customX_, customY_, pctX_, pctY_, dual_;
};

TEST_F(ShellZoomState, CommandsStoreStepAndItem) {
    g_nDisplayMode = 2;
    g_nZoomStep = 12;
    g_nZoomItem = 3;
    g_nCustomPctX = 150;
    g_nCustomPctY = 50;

    ApplyZoomCommand(kZoomCommandCustom);
    EXPECT_EQ(g_nZoomStep, 18);
    EXPECT_EQ(g_nZoomItem, 5);

    ApplyZoomCommand(kZoomCommand200);
    EXPECT_EQ(g_nZoomStep, 24);
    EXPECT_EQ(g_nZoomItem, 4);

    // The wheel leaves the size item alone.
    ApplyZoomWheel(120);
    EXPECT_EQ(g_nZoomStep, 25);
    EXPECT_EQ(g_nZoomItem, 4);

    // Refused in interlace: nothing changes.
    g_nDisplayMode = 7;
    EXPECT_FALSE(ApplyZoomCommand(kZoomCommand50).apply);
    EXPECT_EQ(g_nZoomStep, 25);
    EXPECT_EQ(g_nZoomItem, 4);
}

TEST_F(ShellZoomState, LayoutPercentages) {
    struct Case {
        int32_t layout;
        int32_t x, y;
    };
    const Case cases[] = {{0, 25, 100}, {1, 50, 50}, {2, 50, 50}, {3, 50, 47}, {4, 50, 50}, {5, 50, 100}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.layout);
        LayoutPct pct{};
        ASSERT_TRUE(LayoutPercentagesFor(c.layout, &pct));
        EXPECT_EQ(pct.x, c.x);
        EXPECT_EQ(pct.y, c.y);
        // The compositors divide the frame the same way.
        EXPECT_EQ(LayoutPercentages(c.layout).x, c.x);
        EXPECT_EQ(LayoutPercentages(c.layout).y, c.y);

        g_nInputLayout = c.layout;
        ApplyLayoutPercentages();
        EXPECT_EQ(g_nLayoutPctX, c.x);
        EXPECT_EQ(g_nLayoutPctY, c.y);
    }

    // An unknown layout code keeps the current values.
    g_nLayoutPctX = kLayoutPctBeforeMovie.x;
    g_nLayoutPctY = kLayoutPctBeforeMovie.y;
    for (int32_t layout : {-1, 6, 100}) {
        LayoutPct pct{1, 2};
        EXPECT_FALSE(LayoutPercentagesFor(layout, &pct));
        EXPECT_EQ(pct.x, 1);
        g_nInputLayout = layout;
        ApplyLayoutPercentages();
        EXPECT_EQ(g_nLayoutPctX, 25);
        EXPECT_EQ(g_nLayoutPctY, 100);
    }
}

TEST(ShellZoom, Crops) {
    struct Case {
        const char* what;
        int32_t mode, layout, w, h;
        bool fullScreen;
        bool setSource;
        int32_t sourceW, sourceH, width, height;
    };
    // w x h is the composed frame at the renderer, twice as wide as the source.
    const Case cases[] = {
        {"as source", 0, 0, 1280, 480, false, true, 640, 480, 640, 480},
        {"red-cyan of 640x480 side by side", 2, 0, 1280, 480, false, true, 320, 480, 320, 480},
        {"red-cyan of 320x240 side by side", 2, 0, 640, 240, false, true, 160, 240, 160, 240},
        {"anaglyph of a half-width source", 3, 5, 1280, 480, false, true, 320, 480, 640, 480},
        {"one side of over-under", 10, 1, 1280, 960, false, true, 640, 480, 640, 480},
        {"anaglyph of over-under 50 %", 5, 2, 1280, 480, false, true, 640, 240, 640, 480},
        {"side by side of 640x240", 1, 0, 1280, 240, false, true, 640, 240, 640, 240},
        {"side by side of a half-width source", 1, 5, 1280, 480, false, true, 640, 480, 1280, 480},
        {"mirror of over-under", 12, 1, 1280, 960, false, true, 1280, 480, 1280, 480},
        {"interlace of side by side", 7, 0, 1280, 480, false, true, 320, 480, 320, 480},
        {"interlace of over-under", 7, 1, 1280, 960, false, true, 640, 480, 640, 480},
        {"interlace of over-under 50 %", 7, 2, 1280, 480, false, true, 640, 480, 640, 480},
        {"interlace of over-under 47.5 %", 7, 3, 1280, 480, false, true, 640, 480, 640, 480},
        {"interlace of a half-width source", 7, 5, 1280, 480, false, true, 320, 480, 640, 480},
        {"3D LCD of side by side", 8, 0, 1280, 480, false, true, 640, 480, 320, 480},
        {"3D LCD of a half-width source", 8, 5, 1280, 480, false, true, 640, 480, 640, 480},
        {"shutter glasses in the window", 9, 0, 1280, 480, false, false, 0, 0, 1280, 480},
        {"shutter glasses in full screen", 9, 0, 1280, 480, true, true, 320, 480, 320, 480},
        {"unknown mode", 14, 0, 1280, 480, true, false, 0, 0, 1280, 480},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LayoutPct pct{};
        ASSERT_TRUE(LayoutPercentagesFor(c.layout, &pct));
        const VideoCrop crop = CropForDisplayMode(c.mode, c.layout, pct.x, pct.y, c.w, c.h, c.fullScreen);
        EXPECT_EQ(crop.setSource, c.setSource);
        if (c.setSource) {
            EXPECT_EQ(crop.sourceWidth, c.sourceW);
            EXPECT_EQ(crop.sourceHeight, c.sourceH);
        }
        EXPECT_EQ(crop.width, c.width);
        EXPECT_EQ(crop.height, c.height);
    }
}

TEST(ShellZoom, AspectAndRatio) {
    struct Case {
        int32_t mode, w, h, w43, h43;
    };
    const Case cases[] = {
        {2, 320, 480, 320, 240},   // too tall: height cut
        {2, 1000, 300, 400, 300},  // too wide: width cut
        {1, 1280, 480, 1280, 480}, // exactly 8:3 stays
        {1, 640, 240, 640, 240},
        {12, 1280, 960, 1280, 480},
        {0, 640, 480, 640, 480},
    };
    for (const Case& c : cases) {
        int32_t w = c.w, h = c.h;
        ApplyAspect43(c.mode, &w, &h);
        EXPECT_EQ(w, c.w43) << c.mode << " " << c.w << "x" << c.h;
        EXPECT_EQ(h, c.h43) << c.mode << " " << c.w << "x" << c.h;
    }

    // "CUSTSIZE" 150 x 50 makes the picture 1.5 times as wide and half as high.
    EXPECT_EQ(ZoomDimension(320, 150, 100), 480);
    EXPECT_EQ(ZoomDimension(480, 50, 100), 240);
    EXPECT_EQ(ZoomDimension(640, 17, 12), 906);
    EXPECT_EQ(ZoomDimension(-7, 1, 2), -3);  // truncated towards zero
    EXPECT_EQ(ZoomDimension(640, 1, 0), 0);
    EXPECT_EQ(ZoomDimension(100000, 100000, 1), 2147483647);
}

TEST(ShellZoom, PlatformFullScreenDestination) {
    struct Case {
        const char* what;
        int32_t mode, w, h, aspect43, sw, sh;
        int32_t left, top, width, height;
    };
    const Case cases[] = {
        {"tall picture fits the height", 2, 320, 480, 0, 1024, 768, 256, 0, 512, 768},
        {"wide picture fits the width", 1, 1280, 480, 0, 1024, 768, 0, 192, 1024, 384},
        {"4:3 picture fills a 4:3 screen", 2, 320, 480, 1, 1024, 768, 0, 0, 1024, 768},
        {"4:3 picture on a wide screen", 2, 640, 480, 1, 1920, 1080, 240, 0, 1440, 1080},
        {"interlace is only centred", 7, 640, 480, 0, 1024, 768, 192, 144, 640, 480},
        {"interlace with 4:3", 7, 320, 480, 1, 1024, 768, 192, 144, 640, 480},
        {"3D LCD ignores 4:3", 8, 320, 480, 1, 1024, 768, 352, 144, 320, 480},
        {"interlace larger than the screen", 7, 2000, 1000, 0, 1024, 768, -488, -116, 2000, 1000},
        {"no picture", 2, 0, 480, 0, 1024, 768, 0, 0, 1024, 768},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ScreenRect r = FullScreenDestination(c.mode, c.w, c.h, c.aspect43, c.sw, c.sh);
        EXPECT_EQ(r.left, c.left);
        EXPECT_EQ(r.top, c.top);
        EXPECT_EQ(r.width, c.width);
        EXPECT_EQ(r.height, c.height);
    }

    // Both steps: shutter glasses of a 640x480 side-by-side source are cropped
    // to one view in full screen and fitted to the height.
    const FullScreenLayout f = PlatformFullScreenLayout(9, 0, 25, 100, 1280, 480, 0, 1024, 768);
    EXPECT_TRUE(f.crop.setSource);
    EXPECT_EQ(f.crop.sourceWidth, 320);
    EXPECT_EQ(f.crop.sourceHeight, 480);
    EXPECT_EQ(f.destination.left, 256);
    EXPECT_EQ(f.destination.width, 512);
    EXPECT_EQ(f.destination.height, 768);
}

TEST_F(ShellZoomState, DualMonitorSpan) {
    EXPECT_EQ(DualMonitorForCommand(3059), 1);
    EXPECT_EQ(DualMonitorForCommand(3060), 2);
    EXPECT_EQ(DualMonitorForCommand(3056), 0);

    struct Case {
        int32_t dual, mode, x, width;
    };
    const Case cases[] = {
        {0, 1, 0, 1024},     {1, 1, 0, 2048},     {2, 1, -1024, 2048}, {1, 0, 0, 2048},
        {2, 13, -1024, 2048}, {1, 2, 0, 1024},    {2, 2, -1024, 1024}, {2, 7, -1024, 1024},
    };
    for (const Case& c : cases) {
        const WindowSpan s = FullScreenWindowSpan(c.dual, c.mode, 1024);
        EXPECT_EQ(s.x, c.x) << c.dual << " " << c.mode;
        EXPECT_EQ(s.width, c.width) << c.dual << " " << c.mode;
    }

    g_nDualMonitor = 2;
    const WindowSpan s = TakeFullScreenWindowSpan(11, 800);
    EXPECT_EQ(s.x, -800);
    EXPECT_EQ(s.width, 1600);
    EXPECT_EQ(g_nDualMonitor, 0);
}

}  // namespace
