// The program's own full-screen window, run for real on the test movie: the
// window's message loop runs on the test's thread (RunGdiFullScreen blocks
// until it closes) while a driver thread sends it keys and mouse messages
// and reads back what it drew. The movie opens paused, so every key's
// redraw happens on the window's thread inside the SendMessage that
// delivers it, and what the window shows is steady when it is read.
#include "presentation/gdi/gdi_screen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "com_test_support.h"
#include "duoscope_test_media.h"
#include "graphs/playback_graph.h"
#include "presentation/presenter.h"
#include "presentation/grab_renderer_win32.h"
#include "presentation/grabbed_frame.h"
#include "presentation/picture.h"
#include "core/app_state.h"
#include "shell/player_win32.h"
#include "shell/settings.h"

namespace {

using testsupport::ComApartment;

std::mutex g_boxMutex;
std::vector<std::string> g_boxes;

int RecordBox(HWND, const char* text, const char* caption, UINT) {
    std::lock_guard<std::mutex> lock(g_boxMutex);
    g_boxes.push_back(std::string(caption ? caption : "") + ": " + (text ? text : ""));
    return IDOK;
}

using testsupport::WaitUntil;

// ------------------------------------------------------------ window input

void KeyDown(HWND w, WPARAM key) { SendMessageA(w, WM_KEYDOWN, key, 0); }
void KeyUp(HWND w, WPARAM key) { SendMessageA(w, WM_KEYUP, key, 0xC0000001); }
void Press(HWND w, WPARAM key) {
    KeyDown(w, key);
    KeyUp(w, key);
}
// A key with Shift, Ctrl or both held (as the window tracks them).
void PressWith(HWND w, bool shift, bool ctrl, WPARAM key) {
    if (shift) KeyDown(w, VK_SHIFT);
    if (ctrl) KeyDown(w, VK_CONTROL);
    Press(w, key);
    if (ctrl) KeyUp(w, VK_CONTROL);
    if (shift) KeyUp(w, VK_SHIFT);
}
void Wheel(HWND w, short delta) { SendMessageA(w, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)), 0); }

// ------------------------------------------------------------ screen reading

struct Shot {
    int w = 0, h = 0;
    std::vector<uint32_t> px;  // 0x00RRGGBB, top row first
    uint32_t background = 0;   // what is not the picture
    uint32_t at(int x, int y) const { return px[static_cast<size_t>(y) * w + x] & 0xFFFFFF; }
    bool lit(int x, int y) const { return at(x, y) != background; }
};

// A context of the window's own, apart from its class's own context, which
// the window's threads draw with (Wine fails GDI calls on a context another
// thread is using).
HDC TestDc(HWND window) { return GetDCEx(window, nullptr, DCX_CACHE); }

// What the window shows (its client area is the whole window).
Shot Capture(HWND window) {
    Shot shot;
    RECT client{};
    GetClientRect(window, &client);
    shot.w = client.right;
    shot.h = client.bottom;
    HDC dc = TestDc(window);
    HDC mem = CreateCompatibleDC(dc);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = shot.w;
    bi.bmiHeader.biHeight = -shot.h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, shot.w, shot.h, dc, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    shot.px.assign(p, p + static_cast<size_t>(shot.w) * shot.h);
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(window, dc);
    return shot;
}

// The window's pixels as the X server shows them: read from the screen, not
// from the window's own surface, which holds a draw before it is shown.
std::vector<uint32_t> OnScreen(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    std::vector<uint32_t> px(p, p + static_cast<size_t>(w) * h);
    for (auto& v : px) v &= 0xFFFFFF;
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return px;
}

// Where the window draws its picture: the window is painted magenta, then
// X twice redraws the picture (swapped and back) without clearing, so
// whatever is not magenta is picture, black parts of the movie included.
constexpr uint32_t kMagenta = 0xFF00FF;

Shot CaptureDrawn(HWND window) {
    // First a pending paint, or a clear still due from one, is done with.
    UpdateWindow(window);
    KeyUp(window, 'X');
    KeyUp(window, 'X');
    HDC dc = TestDc(window);
    RECT client{};
    GetClientRect(window, &client);
    HBRUSH brush = CreateSolidBrush(RGB(255, 0, 255));
    FillRect(dc, &client, brush);
    DeleteObject(brush);
    GdiFlush();
    ReleaseDC(window, dc);
    KeyUp(window, 'X');
    KeyUp(window, 'X');
    Shot shot = Capture(window);
    shot.background = kMagenta;
    return shot;
}

// Runs of columns [first, last) with any lit pixel in rows [y0, y1).
std::vector<std::pair<int, int>> LitColumns(const Shot& s, int y0, int y1) {
    std::vector<std::pair<int, int>> runs;
    int start = -1;
    for (int x = 0; x <= s.w; ++x) {
        bool lit = false;
        for (int y = y0; x < s.w && y < y1 && !lit; y += 2) lit = s.lit(x, y);
        if (lit && start < 0) start = x;
        if (!lit && start >= 0) {
            runs.emplace_back(start, x);
            start = -1;
        }
    }
    return runs;
}

// The smallest rectangle holding every lit pixel (empty: all black).
RECT LitBox(const Shot& s) {
    RECT r{s.w, s.h, 0, 0};
    for (int y = 0; y < s.h; ++y)
        for (int x = 0; x < s.w; ++x)
            if (s.lit(x, y)) {
                r.left = std::min<LONG>(r.left, x);
                r.top = std::min<LONG>(r.top, y);
                r.right = std::max<LONG>(r.right, x + 1);
                r.bottom = std::max<LONG>(r.bottom, y + 1);
            }
    return r;
}

std::string Show(const RECT& r) {
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ") - (" + std::to_string(r.right) + ", " +
           std::to_string(r.bottom) + ")";
}

std::string Show(const std::vector<std::pair<int, int>>& runs) {
    std::string s;
    for (const auto& r : runs) s += "[" + std::to_string(r.first) + ", " + std::to_string(r.second) + ") ";
    return s;
}

// The region (x, y, w, h) of a shot, optionally mirrored left to right.
std::vector<uint32_t> Region(const Shot& s, int x, int y, int w, int h, bool mirrored = false) {
    std::vector<uint32_t> out;
    for (int r = y; r < y + h; ++r)
        for (int c = 0; c < w; ++c) out.push_back(s.at(mirrored ? x + w - 1 - c : x + c, r));
    return out;
}

size_t Differing(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    size_t n = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) n += a[i] != b[i];
    return n + (a.size() > b.size() ? a.size() - b.size() : b.size() - a.size());
}

// ------------------------------------------------------------ frames drawn

std::mutex g_framesMutex;
std::vector<std::vector<BYTE>> g_framesDrawn;

std::vector<BYTE> CurrentPicture() {
    const BITMAPINFOHEADER& h = GrabbedFrame.header.bmiHeader;
    if (!GrabbedFrame.pDisplay) return {};
    const size_t bytes = static_cast<size_t>(DibRowStride(h.biWidth, 24)) * std::labs(h.biHeight);
    return std::vector<BYTE>(GrabbedFrame.pDisplay, GrabbedFrame.pDisplay + bytes);
}

// Stands in the window's place with the grab renderer: records each frame
// the renderer hands over, then draws it as the window would.
void CountingDraw() {
    {
        std::lock_guard<std::mutex> lock(g_framesMutex);
        g_framesDrawn.push_back(CurrentPicture());
    }
    DrawGdiFrame();
}

// The window as it runs, with its frames counted as they are drawn.
const FullScreenPresenter kCountingGdi = [] {
    FullScreenPresenter p = kGdiPresenter;
    p.presentFrame = CountingDraw;
    return p;
}();

std::vector<std::vector<BYTE>> FramesDrawn() {
    std::lock_guard<std::mutex> lock(g_framesMutex);
    return g_framesDrawn;
}

// ------------------------------------------------------------ fixture

class GdiFullScreen : public testing::Test {
protected:
    void SetUp() override {
        SetMessageBoxSink(RecordBox);
        {
            std::lock_guard<std::mutex> lock(g_boxMutex);
            g_boxes.clear();
        }
        screenWidth_ = GetSystemMetrics(SM_CXSCREEN);
        screenHeight_ = GetSystemMetrics(SM_CYSCREEN);
        if (screenWidth_ != 1024 || screenHeight_ != 768)
            GTEST_SKIP() << "the expected places are worked out for a 1024 x 768 screen";
        g_nScreenWidth = screenWidth_;
        g_nScreenHeight = screenHeight_;
        g_nSourceKind = SourceKind::MovieFile;
        g_nInputLayout = 0;
        g_bRgbMode = 0;
        g_bSwap = 0;
        g_bAspect43 = 0;
        g_nDualMonitor = 0;
        g_nFrameStepMarker = 0;
        g_nSavedState = PlayState::Paused;  // open paused: steady pictures
        g_llSavedPosition = 0;
        g_Settings.nWcent = 0;
        g_Settings.nRepeat = 0;
        g_GdiScreen.helpShown = 0;
        WNDCLASSA wc{};
        if (!GetClassInfoA(GetModuleHandleA(nullptr), "Sharp3D", &wc)) {
            wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
            wc.lpfnWndProc = GdiFullScreenWndProc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
            wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
            wc.lpszClassName = "Sharp3D";
            ASSERT_NE(RegisterClassA(&wc), 0);
        }
    }
    void TearDown() override {
        SetRunningPresenter(nullptr);
        SetMessageBoxSink(nullptr);
        g_nScreenWidth = 640;
        g_nScreenHeight = 480;
        g_bAspect43 = 0;
        g_nDualMonitor = 0;
        g_nInputLayout = 0;
        g_GdiScreen.helpShown = 0;
    }

    // Runs the window on `file` with `script` driving it from a second
    // thread; the script gets the window once its movie shows, paused. The
    // window is closed with Esc afterwards if the script left it open.
    int RunWindow(const std::function<void(HWND)>& script, const char* file = DUOSCOPE_TEST_MOVIE_RGB24_AVI) {
        std::atomic<bool> done{false};
        std::thread driver([&] {
            HWND window = nullptr;
            if (!WaitUntil([&] { return done || (window = g_GdiScreen.window) != nullptr; }, 15000) || done) return;
            script(window);
            if (!done) PostMessageA(window, WM_KEYUP, VK_ESCAPE, 0xC0000001);
        });
        const int result = RunGdiFullScreen(GetModuleHandleA(nullptr), file);
        done = true;
        driver.join();
        return result;
    }

    static CGrabRenderer* Renderer() { return static_cast<CGrabRenderer*>(g_FullScreenGraph.pRenderer1); }

    // Paused (the play state is set once the pause has been made) with the
    // paused sample in: the graph delivers nothing more until it runs.
    static bool Settled() {
        return g_FullScreenGraph.pMC1 && Renderer() && g_nPlayState.load() == PlayState::Paused &&
               Renderer()->StillsSincePause() > 0 && !g_GdiScreen.busy.load();
    }

    // The movie shows its first picture, paused, and no draw runs.
    static bool WaitForStill(HWND window) {
        const bool ok = WaitUntil([] { return Settled() && GrabbedFrame.pDisplay && g_GdiScreen.zoom.load() > 0; },
                                  15000);
        if (ok) UpdateWindow(window);  // the first paint, if it is still due
        return ok;
    }

    // The window's state after it closed.
    void ExpectClosed(int result) {
        EXPECT_EQ(result, 1);
        EXPECT_EQ(g_bOwnFullScreen.load(), 0);
        EXPECT_EQ(g_hFullScreenWnd, nullptr);
        EXPECT_EQ(g_GdiScreen.window, nullptr);
        EXPECT_EQ(g_FullScreenGraph.pGB1, nullptr);
        EXPECT_EQ(g_FullScreenGraph.pMC1, nullptr);
        EXPECT_EQ(g_FullScreenGraph.pRenderer1, nullptr);
        EXPECT_EQ(GrabbedFrame.pDisplay, nullptr);
        EXPECT_EQ(g_GdiScreen.drawDib, nullptr);
        EXPECT_EQ(g_GdiScreen.markerStrip, nullptr);
    }

    ComApartment com_;
    int screenWidth_ = 0, screenHeight_ = 0;
};

}  // namespace

// Views shrunk to 290 %: 464 x 696 each, 36 lines from the top. Their
// columns for each "nWcent" (E steps through them and stores the value),
// the same for every mirror mode.
TEST_F(GdiFullScreen, SideBySideViewsSitWhereWcentSays) {
    g_nPresenterMode = 1;
    const int result = RunWindow([&](HWND w) {
        ASSERT_TRUE(WaitForStill(w));
        EXPECT_EQ(g_GdiScreen.zoom.load(), 320) << "fitted: each view fills its half";
        Press(w, VK_NEXT);
        ASSERT_EQ(g_GdiScreen.zoom.load(), 290);
        const struct {
            int32_t nWcent;
            std::vector<std::pair<int, int>> columns;
        } cases[] = {
            {1, {{48, 976}}},              // against the centre line: one run
            {2, {{0, 464}, {560, 1024}}},  // against the edges
            {0, {{24, 488}, {536, 1000}}}, // each centred in its half
        };
        for (const auto& c : cases) {
            Press(w, 'E');
            ASSERT_EQ(g_Settings.nWcent, c.nWcent);
            for (const auto& [shift, ctrl, mode] : {std::make_tuple(false, false, 1), std::make_tuple(true, false, 11),
                                                    std::make_tuple(false, true, 12), std::make_tuple(true, true, 13)}) {
                PressWith(w, shift, ctrl, VK_F9);
                ASSERT_EQ(g_GdiScreen.displayMode.load(), mode);
                const Shot shot = CaptureDrawn(w);
                EXPECT_EQ(Show(LitColumns(shot, 0, shot.h)), Show(c.columns))
                    << "nWcent " << c.nWcent << " mode " << mode;
                const RECT box = LitBox(shot);
                EXPECT_EQ(box.top, 36) << "mode " << mode;
                EXPECT_EQ(box.bottom, 36 + 696) << "mode " << mode;
            }
        }
    });
    ExpectClosed(result);
    EXPECT_EQ(g_nPresenterMode, 13);
}

// A frame drawn on another thread than the window's (the streaming thread
// draws every frame) reaches the screen while the window's thread sleeps in
// its message loop; nothing else is sent to the window meanwhile.
TEST_F(GdiFullScreen, FramesDrawnOffTheWindowThreadReachTheScreen) {
    g_nPresenterMode = 1;
    const int result = RunWindow([&](HWND w) {
        ASSERT_TRUE(WaitForStill(w));
        std::vector<uint32_t> shown;
        ASSERT_TRUE(WaitUntil([&] {
            const std::vector<uint32_t> now = OnScreen(w);
            const bool steady = now == shown;
            shown = now;
            return steady;
        }, 5000)) << "the screen settles";
        for (int swap : {1, 0, 1}) {
            g_GdiScreen.swap = swap;
            DrawGdiFrame();  // on this thread, as the streaming thread would
            std::vector<uint32_t> now;
            EXPECT_TRUE(WaitUntil([&] { return (now = OnScreen(w)) != shown; }, 3000))
                << "swap " << swap << ": the exchanged views never showed";
            shown = now;
        }
    });
    ExpectClosed(result);
}

// At 100 % nothing is scaled: a mirrored view is exactly the plain one
// turned left to right, and X exchanges the two views.
TEST_F(GdiFullScreen, MirrorsAndSwapShowTheViewsTurnedAndExchanged) {
    g_nPresenterMode = 1;
    const int result = RunWindow([&](HWND w) {
        ASSERT_TRUE(WaitForStill(w));
        KeyUp(w, 'J');
        ASSERT_EQ(g_GdiScreen.zoom.load(), 100);
        // 160 x 240 views centred in their halves.
        const int xL = 176, xR = 688, y = 264, vw = 160, vh = 240;
        ASSERT_EQ(Show(LitColumns(CaptureDrawn(w), 0, 768)), Show({{xL, xL + vw}, {xR, xR + vw}}));
        const Shot plain = Capture(w);
        const auto left = Region(plain, xL, y, vw, vh);
        const auto right = Region(plain, xR, y, vw, vh);
        ASSERT_GT(Differing(left, right), 0u) << "the views differ";

        const struct {
            bool shift, ctrl;
            bool mirrorLeft, mirrorRight;
        } cases[] = {{true, false, true, false}, {false, true, false, true}, {true, true, true, true}};
        for (const auto& c : cases) {
            PressWith(w, c.shift, c.ctrl, VK_F9);
            const Shot shot = Capture(w);
            const int mode = g_GdiScreen.displayMode;
            EXPECT_EQ(Differing(Region(shot, xL, y, vw, vh, c.mirrorLeft), left), 0u) << "left, mode " << mode;
            EXPECT_EQ(Differing(Region(shot, xR, y, vw, vh, c.mirrorRight), right), 0u) << "right, mode " << mode;
        }

        Press(w, VK_F9);  // back to plain side by side
        KeyUp(w, 'X');
        EXPECT_EQ(g_GdiScreen.swap.load(), 1);
        const Shot swapped = Capture(w);
        EXPECT_EQ(Differing(Region(swapped, xL, y, vw, vh), right), 0u);
        EXPECT_EQ(Differing(Region(swapped, xR, y, vw, vh), left), 0u);
    });
    ExpectClosed(result);
}

// One view of an over/under frame (320 x 120) with the 4:3 option on a
// screen of 1024 x 576: the basis becomes 320 x 240 before the fit, so the
// fitted picture is 768 x 576 and fits; without the option it is the view's
// own shape, 1024 x 384.
TEST_F(GdiFullScreen, OneViewFitsTheScreenWithTheFourThreeOption) {
    g_nPresenterMode = 10;
    g_nInputLayout = 1;
    g_bAspect43 = 1;
    g_nScreenHeight = 576;
    const int result = RunWindow([&](HWND w) {
        ASSERT_TRUE(WaitForStill(w));
        EXPECT_EQ(g_GdiScreen.zoom.load(), 240);
        Shot shot = CaptureDrawn(w);
        ASSERT_EQ(shot.h, 576);
        EXPECT_EQ(Show(LitBox(shot)), Show(RECT{128, 0, 896, 576}));

        g_bAspect43 = 0;
        KeyUp(w, 'F');
        EXPECT_EQ(g_GdiScreen.zoom.load(), 320);
        shot = CaptureDrawn(w);
        EXPECT_EQ(Show(LitBox(shot)), Show(RECT{0, 96, 1024, 480}));
    });
    ExpectClosed(result);
    EXPECT_EQ(g_nPresenterMode, 10);
}

// As source (mode 0), 320 x 240 on 1024 x 768: the zoom keys, wheel and
// middle button, and where the picture lands.
TEST_F(GdiFullScreen, ZoomKeysWheelAndMiddleButton) {
    g_nPresenterMode = 0;
    const int result = RunWindow([&](HWND w) {
        ASSERT_TRUE(WaitForStill(w));
        EXPECT_EQ(g_GdiScreen.zoom.load(), 320);
        EXPECT_EQ(Show(LitBox(CaptureDrawn(w))), Show(RECT{0, 0, 1024, 768}));

        const struct {
            std::function<void()> act;
            const char* what;
            int32_t zoom;
            RECT box;  // of the picture; left empty when not checked
        } steps[] = {
            {[&] { KeyUp(w, 'J'); }, "J", 100, {352, 264, 672, 504}},
            {[&] { KeyUp(w, 'W'); }, "W", 200, {192, 144, 832, 624}},
            {[&] { Press(w, VK_PRIOR); }, "Page Up", 220, {160, 120, 864, 648}},
            {[&] { Press(w, VK_NEXT); }, "Page Down", 200, {192, 144, 832, 624}},
            {[&] { Wheel(w, 120); }, "wheel forward", 220, {}},
            {[&] { Wheel(w, -120); }, "wheel back", 200, {}},
            {[&] { SendMessageA(w, WM_MBUTTONDOWN, 0, 0); }, "middle button", 320, {0, 0, 1024, 768}},
            {[&] { KeyUp(w, 'J'); }, "J", 100, {}},
            {[&] { KeyUp(w, 'F'); }, "F", 320, {0, 0, 1024, 768}},
        };
        for (const auto& s : steps) {
            s.act();
            EXPECT_EQ(g_GdiScreen.zoom.load(), s.zoom) << s.what;
            if (s.box.right > 0) {
                EXPECT_EQ(Show(LitBox(CaptureDrawn(w))), Show(s.box)) << s.what;
            }
        }
    });
    ExpectClosed(result);
}

// The F keys choose the display mode by the modifiers held; the last one
// chosen goes back to the shell when Enter closes the window.
TEST_F(GdiFullScreen, FunctionKeysChangeTheModeAndEnterHandsItBack) {
    g_nPresenterMode = 1;
    const int result = RunWindow([&](HWND w) {
        ASSERT_TRUE(WaitForStill(w));
        const struct {
            bool shift, ctrl;
            WPARAM key;
            int32_t mode;
        } cases[] = {
            {false, false, VK_F5, 0},  {false, false, VK_F11, 10}, {false, false, VK_F6, 2},
            {true, false, VK_F6, 3},   {false, true, VK_F6, 4},    {true, true, VK_F6, 4},
            {false, false, VK_F7, 5},  {true, false, VK_F7, 6},    {false, true, VK_F7, 6},
            {false, false, VK_F4, 7},  {true, false, VK_F4, 8},    {false, true, VK_F9, 12},
            {false, false, VK_F11, 10},
        };
        for (const auto& c : cases) {
            PressWith(w, c.shift, c.ctrl, c.key);
            EXPECT_EQ(g_GdiScreen.displayMode.load(), c.mode)
                << "F" << (c.key - VK_F1 + 1) << " shift " << c.shift << " ctrl " << c.ctrl;
            EXPECT_EQ(g_GdiScreen.modifiers, 0) << "released";
        }
        PostMessageA(w, WM_KEYDOWN, VK_RETURN, 0);
    });
    ExpectClosed(result);
    EXPECT_EQ(g_nPresenterMode, 10);
}

// Shutter glasses have no draw in this window: it shows them side by side,
// and that is the mode the shell gets back.
TEST_F(GdiFullScreen, ShutterGlassesModeBecomesSideBySide) {
    g_nPresenterMode = 9;
    const int result = RunWindow([&](HWND w) {
        ASSERT_TRUE(WaitForStill(w));
        EXPECT_EQ(g_GdiScreen.displayMode.load(), 1);
        KeyUp(w, 'J');
        const Shot shot = CaptureDrawn(w);
        EXPECT_EQ(Show(LitColumns(shot, 0, shot.h)), Show({{176, 336}, {688, 848}}));
    });
    ExpectClosed(result);
    EXPECT_EQ(g_nPresenterMode, 1);
}

// H and F1 switch the help text over the picture on and off.
TEST_F(GdiFullScreen, HelpOverlayComesAndGoes) {
    g_nPresenterMode = 0;
    const int result = RunWindow([&](HWND w) {
        ASSERT_TRUE(WaitForStill(w));
        const int x = 0, y = 20, cw = 420, ch = 18 * 20 + 10;  // where the 18 lines go
        const auto before = Region(Capture(w), x, y, cw, ch);
        KeyUp(w, 'H');
        EXPECT_EQ(g_GdiScreen.helpShown.load(), 1);
        const auto shown = Region(Capture(w), x, y, cw, ch);
        EXPECT_GT(Differing(before, shown), 500u) << "text over the picture";
        // Below the overlay nothing changed.
        KeyUp(w, VK_F1);
        EXPECT_EQ(g_GdiScreen.helpShown.load(), 0);
        EXPECT_EQ(Differing(Region(Capture(w), x, y, cw, ch), before), 0u) << "the picture as it was";
    });
    ExpectClosed(result);
}

// Space while paused shows exactly one new frame, each time: the renderer
// hands the window one frame per step, the one after the frame on screen.
// Backspace draws the frame it seeks to, once.
TEST_F(GdiFullScreen, FrameStepShowsExactlyOneFrame) {
    g_nPresenterMode = 1;
    std::vector<std::vector<BYTE>> before, drawn;
    std::vector<BYTE> back;
    const int result = RunWindow([&](HWND w) {
        ASSERT_TRUE(WaitForStill(w));
        {
            std::lock_guard<std::mutex> lock(g_framesMutex);
            g_framesDrawn.clear();
        }
        SetRunningPresenter(&kCountingGdi);
        for (int step = 0; step < 3; ++step) {
            before.push_back(CurrentPicture());
            KeyDown(w, VK_SPACE);
            // Paused again, and the sample after the step's frame has come
            // in: a second frame would have been drawn by now.
            ASSERT_TRUE(WaitUntil([] { return g_nFrameStepMarker.load() == 0 && Settled(); }, 10000))
                << "step " << step;
            ASSERT_EQ(FramesDrawn().size(), static_cast<size_t>(step + 1)) << "step " << step;
        }
        // Backspace seeks one frame back while paused, and that frame is
        // drawn once. (Wine's graph has no frame time format: the step
        // back goes one frame time back in media time.)
        KeyDown(w, VK_BACK);  // seeks, and so flushes, before it returns
        ASSERT_TRUE(WaitUntil(Settled, 10000));
        drawn = FramesDrawn();
        back = CurrentPicture();
    });
    ExpectClosed(result);
    ASSERT_EQ(drawn.size(), 4u);
    EXPECT_TRUE(drawn[3] == back);
    EXPECT_TRUE(back == drawn[1]) << "the frame before the last step's";
    ASSERT_EQ(before.size(), 3u);
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_FALSE(drawn[i].empty());
        EXPECT_TRUE(drawn[i] != before[i]) << "step " << i << " shows a new frame";
        if (i + 1 < before.size()) {
            EXPECT_TRUE(drawn[i] == before[i + 1]) << "and it stays on the screen";
        }
    }
}

// Dual monitor: two screens wide for the modes that show both views side
// by side or the whole frame, at x = -screen width when right-based; the
// choice is used once.
TEST_F(GdiFullScreen, DualMonitorSpans) {
    const struct {
        int32_t dual, mode;
        RECT rect;
    } cases[] = {
        {1, 1, {0, 0, 2048, 768}},    {1, 0, {0, 0, 2048, 768}},      {2, 13, {-1024, 0, 1024, 768}},
        {2, 2, {-1024, 0, 0, 768}},   {1, 7, {0, 0, 1024, 768}},      {0, 1, {0, 0, 1024, 768}},
    };
    for (const auto& c : cases) {
        g_nDualMonitor = c.dual;
        g_nPresenterMode = c.mode;
        RECT rect{};
        const int result = RunWindow([&](HWND w) { GetWindowRect(w, &rect); });
        EXPECT_EQ(result, 1);
        EXPECT_EQ(Show(rect), Show(c.rect)) << "dual " << c.dual << " mode " << c.mode;
        EXPECT_EQ(g_nDualMonitor, 0);
        EXPECT_EQ(g_GdiScreen.windowWidth, c.rect.right - c.rect.left);
    }
}

// A movie that cannot be played: the failure is reported, the window goes
// by itself and the saved position and state stay for the shell.
TEST_F(GdiFullScreen, UnplayableFileClosesTheWindow) {
    g_nPresenterMode = 1;
    g_nSavedState = PlayState::Running;
    g_llSavedPosition = 12345;
    const int result = RunWindow([](HWND) {}, "Z:\\no\\such\\movie.avi");
    ExpectClosed(result);
    EXPECT_EQ(g_nSavedState, PlayState::Running);
    EXPECT_EQ(g_llSavedPosition, 12345);
    std::lock_guard<std::mutex> lock(g_boxMutex);
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_NE(g_boxes[0].find("RenderFile"), std::string::npos) << g_boxes[0];
}

// The mouse buttons, F2 and F3 pause, resume and restart the movie; at its
// end it stops, and the window hands the state it was left in back.
TEST_F(GdiFullScreen, ButtonsAndKeysControlPlaybackToTheEnd) {
    g_nPresenterMode = 1;
    const int result = RunWindow([&](HWND w) {
        ASSERT_TRUE(WaitForStill(w));
        const struct {
            UINT message;
            WPARAM key;
            PlayState after;
        } cases[] = {
            {WM_LBUTTONDOWN, 0, PlayState::Running}, {WM_LBUTTONDOWN, 0, PlayState::Paused},
            {WM_KEYUP, VK_F2, PlayState::Running},   {WM_KEYUP, VK_F3, PlayState::Paused},
            {WM_RBUTTONDOWN, 0, PlayState::Running},
        };
        for (const auto& c : cases) {
            SendMessageA(w, c.message, c.key, c.message == WM_KEYUP ? 0xC0000001 : 0);
            EXPECT_EQ(g_nPlayState.load(), c.after) << "message " << c.message << " key " << c.key;
        }
        // Restarted from the beginning: the whole movie takes a second.
        EXPECT_TRUE(WaitUntil([] { return g_nPlayState.load() == PlayState::Stopped; }, 10000)) << "stopped at the end";
        EXPECT_EQ(g_nFrameStepMarker.load(), 0);
    });
    ExpectClosed(result);
    EXPECT_EQ(g_nSavedState, PlayState::Stopped);
}

// With "nRepeat" the movie starts again at its end instead of stopping.
TEST_F(GdiFullScreen, RepeatPlaysOnFromTheStart) {
    g_nPresenterMode = 1;
    g_Settings.nRepeat = 1;
    g_nSavedState = PlayState::Running;
    size_t frames = 0;
    const int result = RunWindow([&](HWND w) {
        ASSERT_TRUE(WaitUntil([] { return g_FullScreenGraph.pMC1 != nullptr; }, 15000));
        {
            std::lock_guard<std::mutex> lock(g_framesMutex);
            g_framesDrawn.clear();
        }
        SetRunningPresenter(&kCountingGdi);
        // More frames than the movie has, and still playing.
        EXPECT_TRUE(WaitUntil([] { return FramesDrawn().size() > 2 * DUOSCOPE_TEST_MOVIE_FRAMES; }, 10000));
        frames = FramesDrawn().size();
        EXPECT_EQ(g_nPlayState.load(), PlayState::Running);
        SendMessageA(w, WM_LBUTTONDOWN, 0, 0);
        EXPECT_EQ(g_nPlayState.load(), PlayState::Paused);
    });
    g_Settings.nRepeat = 0;
    ExpectClosed(result);
    EXPECT_GT(frames, static_cast<size_t>(2 * DUOSCOPE_TEST_MOVIE_FRAMES));
    EXPECT_EQ(g_nSavedState, PlayState::Paused);
}
