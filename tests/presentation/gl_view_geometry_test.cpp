#include "presentation/opengl/gl_view_geometry.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A 320 x 240 frame in the 2048 texture on a 1024 x 768 window.
GlViewGeometry Geometry(int32_t layout, int32_t zoom) {
    GlViewGeometry g;
    g.frameWidth = 320;
    g.frameHeight = 240;
    g.windowWidth = 1024;
    g.windowHeight = 768;
    g.layout = layout;
    g.zoom = zoom;
    return g;
}

// Texels of the 2048 texture in texture units, so that the expectations
// read as texel counts.
constexpr float Tx(double texels) { return static_cast<float>(texels / 2048.0); }

std::string Show(const GlEyeQuad& q) {
    return "x " + std::to_string(q.x0) + ".." + std::to_string(q.x1) + " y " + std::to_string(q.y0) + ".." +
           std::to_string(q.y1) + " s " + std::to_string(q.s0 * 2048) + ".." + std::to_string(q.s1 * 2048) +
           " t " + std::to_string(q.t0 * 2048) + ".." + std::to_string(q.t1 * 2048) + " (texels)";
}

void ExpectQuad(const GlEyeQuad& got, const GlEyeQuad& want, const std::string& what) {
    const float eps = 1e-6f;
    EXPECT_EQ(got.x0, want.x0) << what << ": " << Show(got);
    EXPECT_EQ(got.x1, want.x1) << what << ": " << Show(got);
    EXPECT_EQ(got.y0, want.y0) << what << ": " << Show(got);
    EXPECT_EQ(got.y1, want.y1) << what << ": " << Show(got);
    EXPECT_NEAR(got.s0, want.s0, eps) << what << ": " << Show(got);
    EXPECT_NEAR(got.s1, want.s1, eps) << what << ": " << Show(got);
    EXPECT_NEAR(got.t0, want.t0, eps) << what << ": " << Show(got);
    EXPECT_NEAR(got.t1, want.t1, eps) << what << ": " << Show(got);
}

// Every layout at 100 %: each view is centred, the first one (left eye)
// at the texture's origin, the second one where the layout stores it.
// Views stored at half size are stretched back (half the texels over the
// same quad); the 47.5 % layout is centred by its 95 % view and its upper
// view starts 126 rows up (105 % of half the frame).
TEST(LayoutOpenGlViews, EveryLayoutAtNaturalSize) {
    const struct {
        int32_t layout;
        GlEyeQuad left, right;
    } cases[] = {
        {0, {432, 592, 264, 504, 0, Tx(160), 0, Tx(240)}, {432, 592, 264, 504, Tx(160), Tx(320), 0, Tx(240)}},
        {1, {352, 672, 324, 444, 0, Tx(320), 0, Tx(120)}, {352, 672, 324, 444, 0, Tx(320), Tx(120), Tx(240)}},
        {2, {352, 672, 264, 504, 0, Tx(320), 0, Tx(120)}, {352, 672, 264, 504, 0, Tx(320), Tx(120), Tx(240)}},
        {3, {352, 672, 270, 510, 0, Tx(320), 0, Tx(120)}, {352, 672, 270, 510, 0, Tx(320), Tx(126), Tx(246)}},
        {4, {352, 672, 264, 504, 0, Tx(320), 0, Tx(120)}, {352, 672, 264, 504, 0, Tx(320), Tx(120), Tx(240)}},
        {5, {352, 672, 264, 504, 0, Tx(160), 0, Tx(240)}, {352, 672, 264, 504, Tx(160), Tx(320), 0, Tx(240)}},
        // An unknown code is shown as side by side.
        {9, {432, 592, 264, 504, 0, Tx(160), 0, Tx(240)}, {432, 592, 264, 504, Tx(160), Tx(320), 0, Tx(240)}},
    };
    for (const auto& c : cases) {
        GlViewGeometry g = Geometry(c.layout, 100);
        LayoutOpenGlViews(&g);
        const std::string what = "layout " + std::to_string(c.layout);
        ExpectQuad(g.eyes[kGlLeftEye], c.left, what + " left");
        ExpectQuad(g.eyes[kGlRightEye], c.right, what + " right");
        EXPECT_EQ(g.zoom, 100) << what;
    }
}

// Larger than the window: the pan picks the part shown, clamped to the
// picture on each side; a side that fits stays centred whatever the pan.
TEST(LayoutOpenGlViews, PanIsClampedToThePicture) {
    // Layout 0 at 800 %: each view 1280 x 1920, 256 and 1152 pixels more
    // than the window; one texel is 8 pixels.
    const struct {
        int32_t panX, panY;
        int32_t clampedX, clampedY;
    } cases[] = {{0, 0, 0, 0}, {100, 200, 100, 200}, {1000, 5000, 256, 1152}, {-5, -1, 0, 0}};
    for (const auto& c : cases) {
        GlViewGeometry g = Geometry(0, 800);
        g.panX = c.panX;
        g.panY = c.panY;
        LayoutOpenGlViews(&g);
        const std::string what = "pan " + std::to_string(c.panX) + ", " + std::to_string(c.panY);
        EXPECT_EQ(g.panX, c.clampedX) << what;
        EXPECT_EQ(g.panY, c.clampedY) << what;
        ExpectQuad(g.eyes[kGlLeftEye],
                   {0, 1024, 0, 768, Tx(c.clampedX / 8.0), Tx((1024 + c.clampedX) / 8.0), Tx(c.clampedY / 8.0),
                    Tx((768 + c.clampedY) / 8.0)},
                   what);
        EXPECT_NEAR(g.eyes[kGlRightEye].s0 - g.eyes[kGlLeftEye].s0, Tx(160), 1e-6) << what;
    }
    // 300 %: 480 x 720 fits both ways; the pan is the centring offset.
    GlViewGeometry g = Geometry(0, 300);
    g.panX = 77;
    g.panY = 99;
    LayoutOpenGlViews(&g);
    EXPECT_EQ(g.panX, -272);
    EXPECT_EQ(g.panY, -24);
    ExpectQuad(g.eyes[kGlLeftEye], {272, 752, 24, 744, 0, Tx(160), 0, Tx(240)}, "300 %");
}

// The 4:3 option shows a view 3/4 as high as it is wide; a picture that
// would be taller than the window is shrunk to the window's height, and
// that zoom is kept.
TEST(LayoutOpenGlViews, FourThreeOption) {
    GlViewGeometry g = Geometry(0, 100);
    g.aspect43 = true;
    LayoutOpenGlViews(&g);
    // 160 x 120, the whole 240 rows squeezed in.
    ExpectQuad(g.eyes[kGlLeftEye], {432, 592, 324, 444, 0, Tx(160), 0, Tx(240)}, "100 %");
    EXPECT_EQ(g.zoom, 100);

    g.zoom = 1000;  // 1600 x 1200: too tall
    LayoutOpenGlViews(&g);
    EXPECT_EQ(g.zoom, 640);
    ExpectQuad(g.eyes[kGlLeftEye], {0, 1024, 0, 768, 0, Tx(160), 0, Tx(240)}, "shrunk to the height");
    ExpectQuad(g.eyes[kGlRightEye], {0, 1024, 0, 768, Tx(160), Tx(320), 0, Tx(240)}, "shrunk to the height");
}

// The arrow keys' alignment moves the views apart by the texels asked for,
// half each; of an odd count the second view takes the larger half.
// Swap hands the first view to the right eye.
TEST(LayoutOpenGlViews, AlignmentAndSwap) {
    const struct {
        int32_t zoom, alignH, alignV;
        bool swap;
        double firstDs, firstDt, secondDs, secondDt;  // texels
    } cases[] = {
        {100, 4, 0, false, -2, 0, 2, 0},
        {100, -3, 0, false, 1, 0, -2, 0},
        {100, 0, -1, false, 0, 0, 0, -1},
        {100, 0, 3, true, 0, -1, 0, 2},
        // At 200 % the shift is counted in zoomed pixels: 4 texels are 8.
        {200, 4, -3, false, -2, 1.5, 2, -1.5},
    };
    for (const auto& c : cases) {
        GlViewGeometry plain = Geometry(0, c.zoom);
        LayoutOpenGlViews(&plain);
        GlViewGeometry g = Geometry(0, c.zoom);
        g.alignH = c.alignH;
        g.alignV = c.alignV;
        g.swap = c.swap;
        LayoutOpenGlViews(&g);
        const std::string what = "zoom " + std::to_string(c.zoom) + " align " + std::to_string(c.alignH) + ", " +
                                 std::to_string(c.alignV) + (c.swap ? " swapped" : "");
        const GlEyeQuad& firstPlain = plain.eyes[kGlLeftEye];
        const GlEyeQuad& secondPlain = plain.eyes[kGlRightEye];
        const GlEyeQuad& first = g.eyes[c.swap ? kGlRightEye : kGlLeftEye];
        const GlEyeQuad& second = g.eyes[c.swap ? kGlLeftEye : kGlRightEye];
        ExpectQuad(first,
                   {firstPlain.x0, firstPlain.x1, firstPlain.y0, firstPlain.y1, firstPlain.s0 + Tx(c.firstDs),
                    firstPlain.s1 + Tx(c.firstDs), firstPlain.t0 + Tx(c.firstDt), firstPlain.t1 + Tx(c.firstDt)},
                   what + " first view");
        ExpectQuad(second,
                   {secondPlain.x0, secondPlain.x1, secondPlain.y0, secondPlain.y1, secondPlain.s0 + Tx(c.secondDs),
                    secondPlain.s1 + Tx(c.secondDs), secondPlain.t0 + Tx(c.secondDt),
                    secondPlain.t1 + Tx(c.secondDt)},
                   what + " second view");
    }
}

// A top-down frame lies upside down in the texture: every row coordinate
// is turned round, so the picture and each view stand upright.
TEST(LayoutOpenGlViews, TopDownFrameIsTurnedUpright) {
    GlViewGeometry g = Geometry(1, 100);
    g.topDown = true;
    LayoutOpenGlViews(&g);
    ExpectQuad(g.eyes[kGlLeftEye], {352, 672, 324, 444, 0, Tx(320), Tx(240), Tx(120)}, "first view");
    ExpectQuad(g.eyes[kGlRightEye], {352, 672, 324, 444, 0, Tx(320), Tx(120), 0}, "second view");
}

TEST(LayoutOpenGlViews, NoFrameGivesEmptyQuads) {
    GlViewGeometry g;
    g.windowWidth = 1024;
    g.windowHeight = 0;
    LayoutOpenGlViews(&g);
    EXPECT_EQ(g.eyes[kGlLeftEye].x1, 0);
    EXPECT_EQ(g.eyes[kGlRightEye].y1, 0);
}

// The fit: one view's shown size (the 47.5 % layout's 95 % band) as large
// as the window allows.
TEST(FitOpenGlZoom, OneViewFillsTheWindow) {
    const struct {
        int32_t layout, w, h, winW, winH, zoom;
    } cases[] = {
        {0, 320, 240, 1024, 768, 320},   // 160 x 240: the height decides
        {1, 320, 240, 1024, 768, 320},   // 320 x 120: the width
        {2, 320, 240, 1024, 768, 320},   // 320 x 240
        {3, 320, 480, 1280, 720, 157},   // 320 x 456
        {4, 640, 480, 1024, 768, 160},
        {5, 1920, 1080, 1024, 768, 53},
        {0, 3840, 1080, 1024, 768, 53},
        {0, 0, 0, 1024, 768, 77},        // no frame: the zoom stays
    };
    for (const auto& c : cases) {
        GlViewGeometry g;
        g.layout = c.layout;
        g.frameWidth = c.w;
        g.frameHeight = c.h;
        g.windowWidth = c.winW;
        g.windowHeight = c.winH;
        g.zoom = 77;
        EXPECT_EQ(FitOpenGlZoom(g), c.zoom) << "layout " << c.layout << " " << c.w << " x " << c.h;
    }
}

TEST(OpenGlZoomSteps, TenPercentWithLimits) {
    const struct {
        int32_t zoom, in, out;
    } cases[] = {{100, 110, 90}, {320, 352, 290}, {5, 6, 4}, {9, 10, 8}, {1, 2, 1}, {kGlMaxZoom, kGlMaxZoom, 90909}};
    for (const auto& c : cases) {
        EXPECT_EQ(GlZoomIn(c.zoom), c.in) << c.zoom;
        EXPECT_EQ(GlZoomOut(c.zoom), c.out) << c.zoom;
    }
}

// A zoom step keeps the point at the window's centre where it is: the pan
// grows with the picture less half of what the window's width grew.
TEST(OpenGlZoomSteps, KeepTheWindowCentre) {
    GlViewGeometry g = Geometry(0, 800);  // 1280 x 1920
    g.panX = 128;  // the picture's centre at the window's centre
    g.panY = 576;
    StepOpenGlZoom(&g, true);
    EXPECT_EQ(g.zoom, 880);
    EXPECT_EQ(g.panX, 191);  // 880 * 128 / 800 - (1024 - 1126) / 2
    EXPECT_EQ(g.panY, 671);
    StepOpenGlZoom(&g, false);
    EXPECT_EQ(g.zoom, 800);
    EXPECT_EQ(g.panX, 126);
    EXPECT_EQ(g.panY, 575);
    LayoutOpenGlViews(&g);
    EXPECT_EQ(g.panX, 126) << "inside the picture";
    EXPECT_EQ(g.panY, 575);
}

TEST(ChooseGlTextureSize, KeepsTheUsualSizeAndGrowsByPowersOfTwo) {
    const struct {
        int32_t w, h, max, size;
    } cases[] = {
        {320, 240, 16384, 2048},   {2048, 2048, 16384, 2048}, {1920, 1080, 8192, 2048},
        {3840, 2160, 16384, 4096}, {2049, 16, 16384, 4096},   {16, 2049, 4096, 4096},
        {8192, 100, 8192, 8192},   {8193, 100, 8192, 0},      {3840, 2160, 2048, 0},
        {640, 480, 1024, 1024},    {0, 240, 16384, 0},        {320, -240, 16384, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChooseGlTextureSize(c.w, c.h, c.max), c.size) << c.w << " x " << c.h << " max " << c.max;
}

TEST(ChooseGlTextureSize, RefusalNamesBothSizes) {
    EXPECT_EQ(GlFrameTooLargeMessage(20000, 1080, 16384),
              "The Movie Frame (20000 x 1080) Is Larger Than The Largest OpenGL Texture (16384 x 16384). ");
}

}  // namespace
