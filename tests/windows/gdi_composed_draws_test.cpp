// The full-screen window's pixel-combining draws on a real window: a plain
// popup covering the screen stands in for the presenter window, and a
// synthetic side-by-side frame for the grab renderer's current frame. The
// screen is read back after each draw.
#include <gtest/gtest.h>
#include <windows.h>
#include <vfw.h>

#include <cstdint>
#include <vector>

#include "com_test_support.h"
#include "composition/pixel_kernels.h"
#include "presentation/gdi/composed_geometry.h"
#include "presentation/gdi/gdi_screen.h"
#include "presentation/grabbed_frame.h"
#include "presentation/picture.h"
#include "core/app_state.h"

namespace {

// 318 pixels: rows of 954 bytes padded to 956, views of 159 pixels.
constexpr int32_t kFrameW = 318;
constexpr int32_t kFrameH = 240;
constexpr int32_t kViewW = kFrameW / 2;
// Blue tells the views apart: left half 10, right half 240.
constexpr uint8_t kLeftBlue = 10;
constexpr uint8_t kRightBlue = 240;

struct Bgr {
    uint8_t b, g, r;
    bool operator==(const Bgr& o) const { return b == o.b && g == o.g && r == o.r; }
};
std::ostream& operator<<(std::ostream& os, const Bgr& p) {
    return os << "(b " << int(p.b) << ", g " << int(p.g) << ", r " << int(p.r) << ")";
}

class GdiComposedDraws : public ::testing::Test {
protected:
    void SetUp() override {
        screenW_ = GetSystemMetrics(SM_CXSCREEN);
        screenH_ = GetSystemMetrics(SM_CYSCREEN);
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        wc.lpszClassName = "GdiComposedDrawsTest";
        RegisterClassA(&wc);  // a second registration in the process fails harmlessly
        window_ = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0, screenW_,
                                  screenH_, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(window_, nullptr) << "CreateWindowEx failed, error " << GetLastError();
        UpdateWindow(window_);
        testsupport::PumpUntil([] { return false; }, 100);  // let the window settle before drawing

        // Each pixel varies by row and column; the views differ in blue.
        stride_ = DibRowStride(kFrameW, 24);
        frame_.assign(static_cast<size_t>(stride_) * kFrameH, 0xCC);  // padding bytes: never read
        for (int32_t r = 0; r < kFrameH; ++r)
            for (int32_t x = 0; x < 2 * kViewW; ++x) {
                uint8_t* p = &frame_[r * stride_ + 3 * x];
                p[0] = x < kViewW ? kLeftBlue : kRightBlue;
                p[1] = static_cast<uint8_t>(r + x);
                p[2] = static_cast<uint8_t>(3 * x + 7 * r);
            }
        scratch_.assign(kFrameW, 0);

        saved_ = GrabbedFrame;
        GrabbedFrame.header = {};
        BITMAPINFOHEADER& h = GrabbedFrame.header.bmiHeader;
        h.biSize = sizeof(BITMAPINFOHEADER);
        h.biWidth = kFrameW;
        h.biHeight = kFrameH;
        h.biPlanes = 1;
        h.biBitCount = 24;
        h.biCompression = BI_RGB;
        h.biSizeImage = static_cast<DWORD>(frame_.size());
        GrabbedFrame.pSample = frame_.data();
        GrabbedFrame.pDisplay = frame_.data();
        GrabbedFrame.pScratchLine = scratch_.data();

        GdiScreenState& s = g_GdiScreen;
        s.window = window_;
        s.windowWidth = screenW_;
        s.screenHeight = screenH_;
        s.drawDib = DrawDibOpen();
        s.zoom = 100;
        s.swap = 0;
        s.repaint = 0;
        s.helpChanged = 0;
        s.helpShown = 0;
        s.busy = 0;
        s.composed = nullptr;
        s.composedLayout = -1;
        s.markerStrip = nullptr;
        g_nInputLayout = 0;
        g_bAspect43 = 0;
    }

    void TearDown() override {
        FreeComposedPictures();
        if (g_GdiScreen.drawDib) DrawDibClose(g_GdiScreen.drawDib);
        g_GdiScreen.drawDib = nullptr;
        g_GdiScreen.window = nullptr;
        GrabbedFrame = saved_;
        g_nInputLayout = 0;
        if (window_) DestroyWindow(window_);
    }

    // Black window, so that whatever is not the picture reads as 0.
    void Blacken() {
        HDC dc = GetDC(window_);
        RECT all{0, 0, screenW_, screenH_};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        ReleaseDC(window_, dc);
    }

    // The window's pixels, top row first.
    void Capture() {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi.bmiHeader.biWidth = screenW_;
        bi.bmiHeader.biHeight = -screenH_;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HDC dc = GetDC(window_);
        HDC mem = CreateCompatibleDC(dc);
        HBITMAP dib = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(dib, nullptr);
        HGDIOBJ old = SelectObject(mem, dib);
        ASSERT_TRUE(BitBlt(mem, 0, 0, screenW_, screenH_, dc, 0, 0, SRCCOPY));
        GdiFlush();
        const auto* p = static_cast<const uint8_t*>(bits);
        shot_.assign(p, p + static_cast<size_t>(4) * screenW_ * screenH_);
        SelectObject(mem, old);
        DeleteObject(dib);
        DeleteDC(mem);
        ReleaseDC(window_, dc);
    }

    Bgr At(int32_t x, int32_t y) const {
        const uint8_t* p = &shot_[(static_cast<size_t>(y) * screenW_ + x) * 4];
        return {p[0], p[1], p[2]};
    }
    bool Black(int32_t x, int32_t y) const { return At(x, y) == Bgr{0, 0, 0}; }

    const uint8_t* FrameRow(int32_t r) const { return &frame_[r * stride_]; }

    HWND window_ = nullptr;
    int32_t screenW_ = 0, screenH_ = 0;
    int32_t stride_ = 0;
    std::vector<uint8_t> frame_, scratch_, shot_;
    GrabbedFrameRecord saved_;
};

// At zoom 100 the picture is drawn unscaled, so every screen pixel equals the
// kernel's output; red from the right half (view A), the rest from the left.
TEST_F(GdiComposedDraws, AnaglyphPixelsAreTheKernelsOutput) {
    const struct {
        int32_t mode;
        RgbAnaglyphKernel kernel;
    } modes[] = {{2, RgbAnaglyphGreyRedCyan}, {5, RgbAnaglyphColor}, {6, RgbAnaglyphColorRedFix}};
    const int32_t x0 = (screenW_ - kViewW) / 2, y0 = (screenH_ - kFrameH) / 2;
    std::vector<uint8_t> expected(3 * kViewW);
    for (const auto& m : modes) {
        SCOPED_TRACE(testing::Message() << "mode " << m.mode);
        g_GdiScreen.displayMode = m.mode;
        g_GdiScreen.repaint = 1;
        Blacken();
        DrawAnaglyph();
        EXPECT_EQ(g_GdiScreen.busy.load(), 0);
        Capture();
        int mismatches = 0;
        for (int32_t i = 0; i < kFrameH && mismatches < 5; ++i) {
            m.kernel(expected.data(), FrameRow(i) + 3 * kViewW, FrameRow(i), kViewW);
            const int32_t y = y0 + kFrameH - 1 - i;  // bottom-up rows
            for (int32_t x = 0; x < kViewW && mismatches < 5; ++x) {
                const Bgr want{expected[3 * x], expected[3 * x + 1], expected[3 * x + 2]};
                if (!(At(x0 + x, y) == want)) {
                    ++mismatches;
                    ADD_FAILURE() << "row " << i << " column " << x << ": " << At(x0 + x, y) << " want " << want;
                }
            }
        }
        EXPECT_TRUE(Black(x0 - 1, y0 + 10)) << "nothing left of the picture";
        EXPECT_TRUE(Black(x0 + kViewW, y0 + 10)) << "nothing right of the picture";
        EXPECT_TRUE(Black(x0 + 10, y0 - 1)) << "nothing above the picture";
    }
}

// The interlaced picture's top line falls on an odd screen line, and its
// lines alternate between the views: view B (left half) on top, view A
// (right half) when swapped.
TEST_F(GdiComposedDraws, InterlaceTopLineIsOddAndLinesAlternate) {
    g_GdiScreen.displayMode = 7;
    for (int32_t swap : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "swap " << swap);
        g_GdiScreen.swap = swap;
        g_GdiScreen.repaint = 1;
        Blacken();
        DrawInterlace();
        Capture();
        const int32_t x = screenW_ / 2;
        int32_t top = 0;
        while (top < screenH_ && Black(x, top)) ++top;
        ASSERT_LT(top, screenH_) << "no picture drawn";
        EXPECT_EQ(top % 2, 1) << "top line " << top;
        int32_t lines = 0;
        for (int32_t y = top; y < screenH_ && !Black(x, y); ++y, ++lines) {
            const bool topParity = (y - top) % 2 == 0;
            const uint8_t want = topParity == (swap == 0) ? kLeftBlue : kRightBlue;
            ASSERT_EQ(At(x, y).b, want) << "screen line " << y;
        }
        EXPECT_EQ(lines, kFrameH) << "dh = 100·240/200·2";
    }
}

// The 3D LCD picture starts on an odd column (its first pixel: view A's blue
// and red with a green of 0), and the marker strip fills the bottom nine
// lines in red 72 under one black line.
TEST_F(GdiComposedDraws, SharpLcdStartsOnAnOddColumnAboveTheMarkerStrip) {
    g_GdiScreen.displayMode = 8;
    g_GdiScreen.repaint = 1;
    CreateMarkerStrip();
    ASSERT_NE(g_GdiScreen.markerStrip, nullptr);
    Blacken();
    DrawSharpLcd();
    Capture();
    const int32_t dw = kViewW / 4 * 4;
    const int32_t y0 = (screenH_ - kFrameH) / 2;
    const int32_t middle = y0 + kFrameH / 2;
    int32_t left = 0;
    while (left < screenW_ && Black(left, middle)) ++left;
    ASSERT_LT(left, screenW_) << "no picture drawn";
    EXPECT_EQ(left % 2, 1) << "left edge " << left;
    EXPECT_EQ(left, (screenW_ - dw) / 2 + ((screenW_ - dw) / 2 % 2 == 0 ? 1 : 0));
    const int32_t row = kFrameH - 1 - (middle - y0);  // frame row shown on that line
    const uint8_t* a = FrameRow(row) + 3 * kViewW;   // right half, first pixel
    EXPECT_EQ(At(left, middle), (Bgr{a[0], 0, a[2]}));
    EXPECT_TRUE(Black(left + dw, middle)) << "picture drawn at its display width";
    for (int32_t x : {0, screenW_ / 2, screenW_ - 1}) {
        for (int32_t y = screenH_ - 9; y < screenH_; ++y) EXPECT_EQ(At(x, y), (Bgr{0, 0, 72})) << x << "," << y;
        EXPECT_TRUE(Black(x, screenH_ - 10)) << x;
    }
}

TEST_F(GdiComposedDraws, TinyZoomSkipsTheDraw) {
    for (int32_t mode : {7, 8, 2}) {
        SCOPED_TRACE(testing::Message() << "mode " << mode);
        g_GdiScreen.displayMode = mode;
        // A picture built at a usable zoom first, then a zoom too small for
        // any: no picture may be drawn, the old one included.
        g_GdiScreen.zoom = 100;
        g_GdiScreen.repaint = 1;
        if (mode == 7) DrawInterlace();
        if (mode == 8) DrawSharpLcd();
        if (mode == 2) {
            // The anaglyph needs a frame whose basis shrinks to nothing.
            GrabbedFrame.header.bmiHeader.biWidth = 4;
        }
        g_GdiScreen.zoom = 1;
        g_GdiScreen.repaint = 1;
        Blacken();
        if (mode == 7) DrawInterlace();
        if (mode == 8) DrawSharpLcd();
        if (mode == 2) DrawAnaglyph();
        EXPECT_EQ(g_GdiScreen.busy.load(), 0);
        EXPECT_EQ(g_GdiScreen.zoom.load(), 1);
        Capture();
        EXPECT_TRUE(Black(screenW_ / 2, screenH_ / 2));
        EXPECT_TRUE(Black(screenW_ / 2 + 1, screenH_ / 2 - 1));
        GrabbedFrame.header.bmiHeader.biWidth = kFrameW;
    }
}

// The composed picture is kept from frame to frame and rebuilt for a new
// layout or a repaint request, which the rebuild clears; fit zoom is stored.
TEST_F(GdiComposedDraws, ComposedPictureIsRebuiltOnLayoutChangeOrRepaint) {
    GdiScreenState& s = g_GdiScreen;
    s.displayMode = 2;
    s.zoom = 0;
    DrawAnaglyph();
    ASSERT_NE(s.composed, nullptr);
    EXPECT_EQ(s.composedLayout, 0);
    EXPECT_EQ(s.composed->biWidth, kViewW);
    EXPECT_EQ(s.composed->biHeight, kFrameH);
    EXPECT_EQ(s.zoom.load(), FitZoom(kViewW, kFrameH, screenW_, screenH_)) << "the fit becomes the zoom";

    // biClrImportant is unused by the draw: a mark that survives only while
    // the same picture is kept.
    s.composed->biClrImportant = 4321;
    DrawAnaglyph();
    ASSERT_NE(s.composed, nullptr);
    EXPECT_EQ(s.composed->biClrImportant, 4321u) << "kept while nothing changed";

    s.repaint = 1;
    DrawAnaglyph();
    ASSERT_NE(s.composed, nullptr);
    EXPECT_EQ(s.composed->biClrImportant, 0u) << "rebuilt on repaint";
    EXPECT_EQ(s.repaint.load(), 0) << "the rebuild clears the repaint request";

    s.composed->biClrImportant = 4321;
    g_nInputLayout = 1;  // the same frame read as over/under
    DrawAnaglyph();
    ASSERT_NE(s.composed, nullptr);
    EXPECT_EQ(s.composed->biClrImportant, 0u) << "rebuilt for the new layout";
    EXPECT_EQ(s.composedLayout, 1);
    EXPECT_EQ(s.composed->biWidth, kFrameW);
    EXPECT_EQ(s.composed->biHeight, kFrameH / 2);

    // A mode whose picture has another size rebuilds it even without a repaint.
    s.displayMode = 7;
    s.composed->biClrImportant = 4321;
    DrawInterlace();
    ASSERT_NE(s.composed, nullptr);
    EXPECT_EQ(s.composed->biClrImportant, 0u);
}

}  // namespace

// A drawing handle that fails (under Wine one can stay unusable after a
// failed draw) costs nothing on the screen: the draw goes through
// StretchDIBits with the same source rectangle, rows counted the same way.
TEST_F(GdiComposedDraws, FailedDrawDibDrawsTheSamePicture) {
    const struct {
        int32_t layout, mode, zoom;
    } cases[] = {{0, 0, 100}, {0, 0, 200}, {0, 10, 200}, {1, 10, 100}, {1, 12, 200},
                 {1, 1, 200}, {0, 3, 100}, {0, 7, 100}, {0, 8, 100}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "layout " << c.layout << " mode " << c.mode << " zoom " << c.zoom);
        g_nInputLayout = c.layout;
        std::vector<uint8_t> shots[2];
        for (int pass = 0; pass < 2; ++pass) {
            if (pass == 1) {
                // A handle DrawDib no longer knows.
                DrawDibClose(g_GdiScreen.drawDib);
            }
            if (c.mode == 8 && !g_GdiScreen.markerStrip) CreateMarkerStrip();
            g_GdiScreen.displayMode = c.mode;
            g_GdiScreen.zoom = c.zoom;
            g_GdiScreen.repaint = 1;
            Blacken();
            DrawGdiFrame();
            Capture();
            shots[pass] = shot_;
        }
        g_GdiScreen.drawDib = DrawDibOpen();
        size_t lit = 0;
        for (size_t i = 0; i < shots[0].size(); i += 4) lit += shots[0][i] | shots[0][i + 1] | shots[0][i + 2] ? 1 : 0;
        EXPECT_GT(lit, static_cast<size_t>(kViewW)) << "a picture was drawn";
        EXPECT_TRUE(shots[0] == shots[1]);
    }
}
