// The quad-buffered OpenGL window, run for real on the test movie. Mesa
// has no stereo pixel format, so the window as shipped refuses to start
// here; that refusal is tested as it is, alone and through the main
// window's shutter-glasses command. Everything past the stereo check runs
// with the eye target replaced: both eyes are drawn into the back buffer
// of the (non-stereo) context, and each eye's picture is read back with
// glReadPixels before the next one is drawn. The window's message loop
// runs on the test's thread while a driver thread sends it keys and
// mouse messages; the movie opens paused, so what the eyes show is steady
// when it is read.
#include "com_test_support.h"  // first: it sets up dshow.h

#include "presentation/opengl/opengl_window_win32.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/app_state.h"
#include "shutter_open_script.h"
#include "stored_setting.h"
#include "duoscope_test_media.h"
#include "graphs/playback_graph.h"
#include "presentation/fullscreen_graph.h"
#include "presentation/grab_renderer_win32.h"
#include "presentation/grabbed_frame.h"
#include "presentation/presenter.h"
#include "resources/resource.h"
#include "shell/player_win32.h"
#include "shell/settings.h"
#include "shell/settings_store.h"

namespace {

using testsupport::ComApartment;
using testsupport::PumpUntil;
using testsupport::WaitUntil;

constexpr char kNoStereo[] = "OpenGL Quad-buffered stereo is not supported. ";

// ------------------------------------------------------------ message boxes

struct Box {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};
std::mutex g_boxMutex;
std::vector<Box> g_boxes;

int RecordBox(HWND owner, const char* text, const char* caption, UINT type) {
    std::lock_guard<std::mutex> lock(g_boxMutex);
    g_boxes.push_back({owner, text ? text : "", caption ? caption : "", type});
    return IDOK;
}

std::vector<Box> Boxes() {
    std::lock_guard<std::mutex> lock(g_boxMutex);
    return g_boxes;
}

// ------------------------------------------------------------ eyes read back

// One eye's picture as the window drew it, bottom row first, and the
// geometry it was drawn with.
struct EyeShot {
    int w = 0, h = 0;
    std::vector<BYTE> bgr;
    GlViewGeometry geometry;
    bool textureReady = false;
    uint32_t at(int x, int y) const {
        const BYTE* p = &bgr[(static_cast<size_t>(y) * w + x) * 3];
        return p[0] | p[1] << 8 | p[2] << 16;
    }
};

std::mutex g_eyeMutex;
EyeShot g_eyeShots[2];
int g_eyeDraws = 0;

bool AcceptAnyContext() { return true; }
void SelectBackBuffer(GlEye) { glDrawBuffer(GL_BACK); }

void ReadBackEye(GlEye eye) {
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EyeShot shot;
    shot.w = viewport[2];
    shot.h = viewport[3];
    shot.bgr.resize(static_cast<size_t>(shot.w) * shot.h * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, shot.w, shot.h, GL_BGR_EXT, GL_UNSIGNED_BYTE, shot.bgr.data());
    shot.geometry = g_GlWindow.geometry;
    shot.textureReady = g_GlWindow.textureReady;
    std::lock_guard<std::mutex> lock(g_eyeMutex);
    g_eyeShots[eye] = std::move(shot);
    ++g_eyeDraws;
}

// Both eyes into the one back buffer of a plain double-buffered context.
const GlEyeTarget kBackBufferEyes = {AcceptAnyContext, SelectBackBuffer, ReadBackEye};

EyeShot Eye(GlEye eye) {
    std::lock_guard<std::mutex> lock(g_eyeMutex);
    return g_eyeShots[eye];
}

int EyeDraws() {
    std::lock_guard<std::mutex> lock(g_eyeMutex);
    return g_eyeDraws;
}

// The shipped stereo check, with the context and window it ran in noted.
HGLRC g_checkedContext = nullptr;
HWND g_checkedWindow = nullptr;
bool RecordThenCheckStereo() {
    g_checkedContext = wglGetCurrentContext();
    g_checkedWindow = WindowFromDC(wglGetCurrentDC());
    return kQuadBufferEyes.accepts();
}
void SelectAsShipped(GlEye eye) { kQuadBufferEyes.select(eye); }
const GlEyeTarget kNotedQuadBufferEyes = {RecordThenCheckStereo, SelectAsShipped, nullptr};

// ------------------------------------------------------------ frames

// A bottom-up 24-bit picture: the grabbed frame, or one made by a test.
struct Frame {
    int w = 0, h = 0, stride = 0;
    const BYTE* px = nullptr;
    uint32_t at(int x, int y) const {
        const BYTE* p = px + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 3;
        return p[0] | p[1] << 8 | p[2] << 16;
    }
};

Frame GrabbedPicture() {
    const BITMAPINFOHEADER& h = GrabbedFrame.header.bmiHeader;
    return {h.biWidth, std::abs(h.biHeight), (h.biWidth * 3 + 3) & ~3, GrabbedFrame.pDisplay};
}

// Pixels of the eye's w x h block at (ex, ey) that differ from the frame's
// block at (fx, fy).
int Differing(const EyeShot& eye, int ex, int ey, const Frame& frame, int fx, int fy, int w, int h) {
    int n = 0;
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) n += eye.at(ex + c, ey + r) != frame.at(fx + c, fy + r);
    return n;
}

// Pixels that are not black outside the eye's quad.
int LitOutside(const EyeShot& eye, const GlEyeQuad& q) {
    int n = 0;
    for (int y = 0; y < eye.h; ++y)
        for (int x = 0; x < eye.w; ++x)
            if ((x < q.x0 || x >= q.x1 || y < q.y0 || y >= q.y1) && eye.at(x, y) != 0) ++n;
    return n;
}

std::string Show(const GlEyeQuad& q) {
    return "(" + std::to_string(q.x0) + ", " + std::to_string(q.y0) + ") - (" + std::to_string(q.x1) + ", " +
           std::to_string(q.y1) + ")";
}

// ------------------------------------------------------------ input

void KeyDown(HWND w, WPARAM key) { SendMessageA(w, WM_KEYDOWN, key, 0); }
void KeyUp(HWND w, WPARAM key) { SendMessageA(w, WM_KEYUP, key, 0xC0000001); }
void Wheel(HWND w, short delta) { SendMessageA(w, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)), 0); }

// The cursor's display count, left as it was.
int CursorCount() {
    ShowCursor(TRUE);
    return ShowCursor(FALSE);
}

bool QuitPending() {
    MSG msg;
    return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != 0;
}

void RegisterOpenGlClass() {
    WNDCLASSA wc{};
    if (GetClassInfoA(GetModuleHandleA(nullptr), "OpenGL", &wc)) return;
    // As the shell registers it.
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    wc.lpfnWndProc = OpenGlWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = "OpenGL";
    ASSERT_NE(RegisterClassA(&wc), 0);
}

// ------------------------------------------------------------ fixture

class OpenGlWindow : public testing::Test {
protected:
    void SetUp() override {
        SetMessageBoxSink(RecordBox);
        {
            std::lock_guard<std::mutex> lock(g_boxMutex);
            g_boxes.clear();
        }
        {
            std::lock_guard<std::mutex> lock(g_eyeMutex);
            g_eyeShots[0] = g_eyeShots[1] = EyeShot{};
            g_eyeDraws = 0;
        }
        if (GetSystemMetrics(SM_CXSCREEN) != 1024 || GetSystemMetrics(SM_CYSCREEN) != 768)
            GTEST_SKIP() << "the expected places are worked out for a 1024 x 768 screen";
        g_nScreenWidth = 1024;
        g_nScreenHeight = 768;
        g_nSourceKind = SourceKind::MovieFile;
        g_nInputLayout = 0;
        g_bRgbMode = 0;
        g_bSwap = 0;
        g_bAspect43 = 0;
        g_nFrameStepMarker = 0;
        g_nSavedState = PlayState::Paused;  // open paused: steady pictures
        g_llSavedPosition = 0;
        g_Settings.nRepeat = 0;
        RegisterOpenGlClass();
        SetGlEyeTarget(&kBackBufferEyes);
        cursorBefore_ = CursorCount();
    }
    void TearDown() override {
        SetGlEyeTarget(nullptr);
        SetRunningPresenter(nullptr);
        SetMessageBoxSink(nullptr);
        g_nScreenWidth = 640;
        g_nScreenHeight = 480;
        g_nInputLayout = 0;
        g_bAspect43 = 0;
    }

    // Runs the window on `file` with `script` driving it from a second
    // thread; the script gets the window once it exists. The window is
    // closed with Esc afterwards if the script left it open.
    int RunWindow(const std::function<void(HWND)>& script, const char* file = DUOSCOPE_TEST_MOVIE_RGB24_AVI) {
        std::atomic<bool> done{false};
        std::thread driver([&] {
            HWND window = nullptr;
            if (!WaitUntil([&] { return done || (window = g_GlWindow.frameWindow.load()) != nullptr; }, 15000) ||
                done)
                return;
            script(window);
            if (!done) PostMessageA(window, WM_KEYUP, VK_ESCAPE, 0xC0000001);
        });
        const int result = RunOpenGlWindow(GetModuleHandleA(nullptr), file);
        done = true;
        driver.join();
        return result;
    }

    static CGrabRenderer* Renderer() { return static_cast<CGrabRenderer*>(g_FullScreenGraph.pRenderer1); }

    // Paused with the paused sample in, the hold over, and that frame drawn.
    static bool WaitForPicture() {
        return WaitUntil(
            [] {
                return g_FullScreenGraph.pMC1 && Renderer() && g_nPlayState.load() == PlayState::Paused &&
                       Renderer()->StillsSincePause() > 0 && g_GlWindow.hold.load() == 0 &&
                       Eye(kGlRightEye).textureReady && Eye(kGlLeftEye).textureReady;
            },
            15000);
    }

    // Nothing of the window is left.
    void ExpectClosed(int result) {
        EXPECT_EQ(result, 1);
        EXPECT_EQ(g_bOwnFullScreen.load(), 0);
        EXPECT_EQ(g_hFullScreenWnd, nullptr);
        EXPECT_EQ(RunningPresenter(), nullptr);
        EXPECT_EQ(g_GlWindow.window, nullptr);
        EXPECT_EQ(g_GlWindow.frameWindow.load(), nullptr);
        EXPECT_EQ(g_GlWindow.rc, nullptr);
        EXPECT_EQ(g_GlWindow.dc, nullptr);
        EXPECT_EQ(g_GlWindow.fontBase, 0u);
        EXPECT_EQ(wglGetCurrentContext(), nullptr);
        EXPECT_EQ(FindWindowA("OpenGL", nullptr), nullptr);
        EXPECT_EQ(g_FullScreenGraph.pGB1, nullptr);
        EXPECT_EQ(g_FullScreenGraph.pMC1, nullptr);
        EXPECT_EQ(GrabbedFrame.pDisplay, nullptr);
        EXPECT_EQ(CursorCount(), cursorBefore_) << "the cursor shows again";
        EXPECT_FALSE(QuitPending()) << "the window's quit must not reach the caller's loop";
    }

    ComApartment com_;
    int cursorBefore_ = 0;
};

}  // namespace

// ------------------------------------------------------------ the start

// As shipped, on a driver without quad-buffered stereo: the window says so
// and goes, leaving nothing behind: no window, no context, the cursor
// shown, no graph built, and no quit message for the caller's loop.
TEST_F(OpenGlWindow, RefusesToStartWithoutStereo) {
    SetGlEyeTarget(&kNotedQuadBufferEyes);
    g_checkedContext = nullptr;
    g_checkedWindow = nullptr;
    const int result = RunOpenGlWindow(GetModuleHandleA(nullptr), DUOSCOPE_TEST_MOVIE_RGB24_AVI);
    EXPECT_EQ(result, 0);
    const std::vector<Box> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kNoStereo);
    EXPECT_EQ(boxes[0].caption, "Error!");
    EXPECT_EQ(boxes[0].owner, nullptr);
    EXPECT_EQ(boxes[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));
    ASSERT_NE(g_checkedContext, nullptr) << "the check ran with the window's context current";
    EXPECT_FALSE(wglDeleteContext(g_checkedContext)) << "the context was deleted";
    EXPECT_FALSE(IsWindow(g_checkedWindow));
    EXPECT_EQ(g_GlWindow.window, nullptr);
    EXPECT_EQ(g_GlWindow.rc, nullptr);
    EXPECT_EQ(g_GlWindow.dc, nullptr);
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    EXPECT_EQ(g_FullScreenGraph.pGB1, nullptr);
    EXPECT_EQ(g_bOwnFullScreen.load(), 0);
    EXPECT_EQ(RunningPresenter(), nullptr);
    EXPECT_EQ(CursorCount(), cursorBefore_);
    EXPECT_FALSE(QuitPending());
}

// A movie that cannot be played: the build says why, the window goes by
// itself and the place saved for the main window stays.
TEST_F(OpenGlWindow, UnplayableFileClosesTheWindow) {
    g_nSavedState = PlayState::Running;
    g_llSavedPosition = 12345;
    const int result = RunWindow([](HWND) {}, "Z:\\no\\such\\movie.avi");
    ExpectClosed(result);
    EXPECT_EQ(g_nSavedState, PlayState::Running);
    EXPECT_EQ(g_llSavedPosition, 12345);
    const std::vector<Box> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find("RenderFile"), std::string::npos) << boxes[0].text;
}

// ------------------------------------------------------------ the eyes

// At 100 % each eye shows its view pixel for pixel where the layout puts
// it, and nothing else: side by side the halves, over/under the lower
// half to the left eye. X exchanges the eyes; the arrow keys move the
// views apart (Right: 4 texels, 2 each way), Home puts them back.
TEST_F(OpenGlWindow, EachEyeShowsItsViewWhereTheLayoutSays) {
    const int result = RunWindow([&](HWND w) {
        ASSERT_TRUE(WaitForPicture());
        const Frame frame = GrabbedPicture();
        ASSERT_EQ(frame.w, 320);
        ASSERT_EQ(frame.h, 240);
        const struct {
            int32_t layout;
            int vw, vh;            // one view
            int secondX, secondY;  // where the second view starts in the frame
        } layouts[] = {{0, 160, 240, 160, 0}, {1, 320, 120, 0, 120}};
        for (const auto& l : layouts) {
            SCOPED_TRACE("layout " + std::to_string(l.layout));
            g_nInputLayout = l.layout;
            KeyUp(w, 'J');
            const EyeShot left = Eye(kGlLeftEye), right = Eye(kGlRightEye);
            ASSERT_EQ(left.geometry.zoom, 100);
            const GlEyeQuad& q = left.geometry.eyes[kGlLeftEye];
            const int x0 = (1024 - l.vw) / 2, y0 = (768 - l.vh) / 2;
            ASSERT_EQ(Show(q), Show(GlEyeQuad{x0, x0 + l.vw, y0, y0 + l.vh}));
            EXPECT_EQ(Differing(left, x0, y0, frame, 0, 0, l.vw, l.vh), 0);
            EXPECT_EQ(Differing(right, x0, y0, frame, l.secondX, l.secondY, l.vw, l.vh), 0);
            EXPECT_EQ(LitOutside(left, q), 0);
            EXPECT_EQ(LitOutside(right, q), 0);
            ASSERT_GT(Differing(left, x0, y0, frame, l.secondX, l.secondY, l.vw, l.vh), 0) << "the views differ";

            KeyUp(w, 'X');
            EXPECT_EQ(Differing(Eye(kGlLeftEye), x0, y0, frame, l.secondX, l.secondY, l.vw, l.vh), 0) << "swapped";
            EXPECT_EQ(Differing(Eye(kGlRightEye), x0, y0, frame, 0, 0, l.vw, l.vh), 0) << "swapped";
            KeyUp(w, 'X');

            KeyUp(w, VK_RIGHT);
            EXPECT_EQ(Eye(kGlLeftEye).geometry.alignH, 4);
            // The first view shows 2 columns further left, the second 2
            // further right; the columns that come from outside the view
            // are left out.
            EXPECT_EQ(Differing(Eye(kGlLeftEye), x0 + 2, y0, frame, 0, 0, l.vw - 2, l.vh), 0) << "aligned";
            EXPECT_EQ(Differing(Eye(kGlRightEye), x0, y0, frame, l.secondX + 2, l.secondY, l.vw - 2, l.vh), 0)
                << "aligned";
            KeyUp(w, VK_DOWN);
            KeyUp(w, VK_DOWN);
            EXPECT_EQ(Eye(kGlLeftEye).geometry.alignV, 2);
            EXPECT_EQ(Differing(Eye(kGlLeftEye), x0 + 2, y0 + 1, frame, 0, 0, l.vw - 2, l.vh - 1), 0) << "and down";
            EXPECT_EQ(Differing(Eye(kGlRightEye), x0, y0, frame, l.secondX + 2, l.secondY + 1, l.vw - 2, l.vh - 1),
                      0)
                << "and down";
            KeyUp(w, VK_HOME);
            EXPECT_EQ(Differing(Eye(kGlLeftEye), x0, y0, frame, 0, 0, l.vw, l.vh), 0) << "home";
            EXPECT_EQ(Differing(Eye(kGlRightEye), x0, y0, frame, l.secondX, l.secondY, l.vw, l.vh), 0) << "home";
        }
    });
    ExpectClosed(result);
}

// F fits a view to the screen (320 % for 160 x 240 on 1024 x 768), J
// shows it at 100 %, Page Up / Page Down and the wheel step by 10 %
// about the centre.
TEST_F(OpenGlWindow, ZoomKeysAndWheel) {
    const int result = RunWindow([&](HWND w) {
        ASSERT_TRUE(WaitForPicture());
        EXPECT_EQ(Eye(kGlLeftEye).geometry.zoom, 320) << "fitted when the first frame came";
        const struct {
            std::function<void()> act;
            const char* what;
            int32_t zoom;
            GlEyeQuad quad;
        } steps[] = {
            {[&] { KeyUp(w, 'J'); }, "J", 100, {432, 592, 264, 504}},
            {[&] { KeyUp(w, VK_PRIOR); }, "Page Up", 110, {424, 600, 252, 516}},
            {[&] { KeyUp(w, VK_NEXT); }, "Page Down", 100, {432, 592, 264, 504}},
            {[&] { KeyUp(w, 'F'); }, "F", 320, {256, 768, 0, 768}},
            {[&] { Wheel(w, 120); }, "wheel forward", 352, {230, 793, 0, 768}},
            {[&] { Wheel(w, -120); }, "wheel back", 320, {256, 768, 0, 768}},
        };
        for (const auto& s : steps) {
            s.act();
            const EyeShot left = Eye(kGlLeftEye);
            EXPECT_EQ(left.geometry.zoom, s.zoom) << s.what;
            const GlEyeQuad& q = left.geometry.eyes[kGlLeftEye];
            EXPECT_EQ(Show(q), Show(s.quad)) << s.what;
            EXPECT_EQ(LitOutside(left, q), 0) << s.what;
        }
    });
    ExpectClosed(result);
}

// H and F1 put the help text over both eyes and take it away again.
TEST_F(OpenGlWindow, HelpTextComesAndGoes) {
    const int result = RunWindow([&](HWND w) {
        ASSERT_TRUE(WaitForPicture());
        const EyeShot before = Eye(kGlLeftEye);
        KeyUp(w, 'H');
        for (GlEye eye : {kGlLeftEye, kGlRightEye}) {
            const EyeShot shown = Eye(eye);
            // The eleven lines, from 10 pixels below the top, 16 apart.
            int white = 0;
            for (int y = shown.h - 200; y < shown.h; ++y)
                for (int x = 0; x < 420; ++x) white += shown.at(x, y) == 0xFFFFFF && before.at(x, y) != 0xFFFFFF;
            EXPECT_GT(white, 300) << "eye " << eye;
        }
        KeyUp(w, VK_F1);
        const EyeShot after = Eye(kGlLeftEye);
        EXPECT_TRUE(after.bgr == before.bgr) << "the picture as it was";
    });
    ExpectClosed(result);
}

// ------------------------------------------------------------ frames

// A 3840-wide frame goes into a 4096 texture, and at 100 % both eyes show
// its views' pixels exactly: the left 1024 columns of each 1920-wide view,
// 600 rows centred.
TEST_F(OpenGlWindow, WideFrameGoesIntoALargerTexture) {
    const int w = 3840, h = 600, stride = w * 3;
    std::vector<BYTE> pixels(static_cast<size_t>(stride) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            BYTE* p = &pixels[static_cast<size_t>(y) * stride + x * 3];
            p[0] = static_cast<BYTE>(x);
            p[1] = static_cast<BYTE>(x >> 8 | (y & 7) << 5);
            p[2] = static_cast<BYTE>(y);
        }
    const Frame wide{w, h, stride, pixels.data()};
    const int result = RunWindow([&](HWND window) {
        ASSERT_TRUE(WaitForPicture());
        const auto header = GrabbedFrame.header;
        BYTE* const display = GrabbedFrame.pDisplay;
        GrabbedFrame.header.bmiHeader.biWidth = w;
        GrabbedFrame.header.bmiHeader.biHeight = h;
        GrabbedFrame.header.bmiHeader.biSizeImage = stride * h;
        GrabbedFrame.pDisplay = pixels.data();
        // As the grab renderer hands a frame over.
        SendMessageA(window, kGlFrameMessage, 0, 0);
        EXPECT_EQ(Eye(kGlLeftEye).geometry.textureSize, 4096);
        EXPECT_EQ(Eye(kGlLeftEye).geometry.zoom, 53) << "fitted to the new size";
        KeyUp(window, 'J');
        const EyeShot left = Eye(kGlLeftEye), right = Eye(kGlRightEye);
        EXPECT_EQ(Show(left.geometry.eyes[kGlLeftEye]), Show(GlEyeQuad{0, 1024, 84, 684}));
        EXPECT_EQ(Differing(left, 0, 84, wide, 0, 0, 1024, h), 0);
        EXPECT_EQ(Differing(right, 0, 84, wide, 1920, 0, 1024, h), 0);
        EXPECT_EQ(LitOutside(right, right.geometry.eyes[kGlRightEye]), 0);
        GrabbedFrame.header = header;
        GrabbedFrame.pDisplay = display;
    });
    ExpectClosed(result);
    EXPECT_TRUE(Boxes().empty());
}

// A frame wider than any texture of the driver: the window says so and
// closes, and the movie goes back to the main window where it was.
TEST_F(OpenGlWindow, FrameNoTextureHoldsIsRefused) {
    g_llSavedPosition = 3000000;
    std::vector<BYTE> pixels;
    int32_t maxSize = 0;
    const int result = RunWindow([&](HWND window) {
        ASSERT_TRUE(WaitForPicture());
        maxSize = g_GlWindow.maxTextureSize;
        ASSERT_GE(maxSize, 2048);
        const int w = maxSize + 1;
        pixels.assign(static_cast<size_t>((w * 3 + 3) & ~3) * 2, 0x40);
        GrabbedFrame.header.bmiHeader.biWidth = w;
        GrabbedFrame.header.bmiHeader.biHeight = 2;
        GrabbedFrame.pDisplay = pixels.data();
        SendMessageA(window, kGlFrameMessage, 0, 0);
        // The window closes by itself.
        WaitUntil([] { return g_GlWindow.frameWindow.load() == nullptr; }, 5000);
    });
    ExpectClosed(result);
    EXPECT_EQ(g_llSavedPosition, 3000000);
    EXPECT_EQ(g_nSavedState, PlayState::Paused);
    const std::vector<Box> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, GlFrameTooLargeMessage(maxSize + 1, 2, maxSize));
    EXPECT_EQ(boxes[0].caption, "Error!");
}

// Space while paused shows the next frame: it comes while the window holds
// its graph, and shows when the hold ends.
TEST_F(OpenGlWindow, FrameStepShowsTheNextFrame) {
    const int result = RunWindow([&](HWND w) {
        ASSERT_TRUE(WaitForPicture());
        const std::vector<BYTE> before(GrabbedPicture().px, GrabbedPicture().px + 960 * 240);
        const int draws = EyeDraws();
        KeyDown(w, VK_SPACE);
        ASSERT_TRUE(WaitUntil([&] { return g_nFrameStepMarker.load() == 0 && EyeDraws() > draws; }, 10000));
        ASSERT_TRUE(WaitForPicture());
        const Frame frame = GrabbedPicture();
        ASSERT_FALSE(std::equal(before.begin(), before.end(), frame.px)) << "a new frame";
        KeyUp(w, 'J');
        EXPECT_EQ(Differing(Eye(kGlLeftEye), 432, 264, frame, 0, 0, 160, 240), 0) << "and it shows";
    });
    ExpectClosed(result);
}

// ------------------------------------------------------------ playback keys

// A click pauses or resumes once: a second click, F2 or F3 within 100 ms
// finds the hold set and does nothing.
TEST_F(OpenGlWindow, HoldSwallowsASecondClick) {
    const int result = RunWindow([&](HWND w) {
        ASSERT_TRUE(WaitForPicture());
        SendMessageA(w, WM_LBUTTONDOWN, 0, 0);
        EXPECT_EQ(g_nPlayState.load(), PlayState::Running);
        EXPECT_EQ(g_GlWindow.hold.load(), 1);
        SendMessageA(w, WM_LBUTTONDOWN, 0, 0);
        KeyUp(w, VK_F2);
        SendMessageA(w, WM_RBUTTONDOWN, 0, 0);
        EXPECT_EQ(g_nPlayState.load(), PlayState::Running) << "swallowed";
        ASSERT_TRUE(WaitUntil([] { return g_GlWindow.hold.load() == 0; }, 2000)) << "the hold ends";
        SendMessageA(w, WM_LBUTTONDOWN, 0, 0);
        EXPECT_EQ(g_nPlayState.load(), PlayState::Paused);
        ASSERT_TRUE(WaitUntil([] { return g_GlWindow.hold.load() == 0; }, 2000));
        KeyUp(w, VK_F3);  // paused: rewind and play
        EXPECT_EQ(g_nPlayState.load(), PlayState::Running);
    });
    ExpectClosed(result);
}

// Esc and Enter close the window and keep its place and play state for
// the main window.
TEST_F(OpenGlWindow, EscAndEnterCloseKeepingThePlace) {
    const struct {
        WPARAM key;
        bool play;  // click to play first
        PlayState saved;
    } cases[] = {{VK_ESCAPE, false, PlayState::Paused}, {VK_RETURN, true, PlayState::Running}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key == VK_ESCAPE ? "Esc" : "Enter");
        g_llSavedPosition = 5000000;  // half a second in
        g_nSavedState = PlayState::Paused;
        const int result = RunWindow([&](HWND w) {
            ASSERT_TRUE(WaitForPicture());
            if (c.play) {
                SendMessageA(w, WM_LBUTTONDOWN, 0, 0);
                Sleep(300);
            }
            KeyUp(w, c.key);
        });
        ExpectClosed(result);
        EXPECT_EQ(g_nSavedState, c.saved);
        if (c.play)
            EXPECT_GT(g_llSavedPosition, 5000000) << "it played on";
        else
            EXPECT_NEAR(static_cast<double>(g_llSavedPosition), 5000000.0, 1000000.0);
    }
    EXPECT_TRUE(Boxes().empty());
}

// ------------------------------------------------------------ through the shell

namespace {

// The main window as the program makes it, with "nVidia" = 2 in the
// registry.
class OpenGlHandOver : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(com_.hr()));
        {
            std::lock_guard<std::mutex> lock(g_boxMutex);
            g_boxes.clear();
        }
        SetMessageBoxSink(RecordBox);
        SetGlEyeTarget(nullptr);
        RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKeyPath);
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, "nVidia", 0, REG_SZ, reinterpret_cast<const BYTE*>("2"), 1);
        RegCloseKey(key);
        g_szCurrentFile[0] = '\0';
        g_nSourceKind = SourceKind::MovieFile;
        g_bOwnFullScreen = 0;
        g_hFullScreenWnd = nullptr;
        g_bNoResume = 0;
        ASSERT_TRUE(RegisterPlayerClasses(GetModuleHandleA(nullptr)));
        ASSERT_NE(CreatePlayerWindow(GetModuleHandleA(nullptr)), nullptr);
        cursorBefore_ = CursorCount();
    }
    void TearDown() override {
        if (ghApp && IsWindow(ghApp)) SendMessageA(ghApp, WM_CLOSE, 0, 0);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchPlayerMessage(&msg);
        SetMessageBoxSink(nullptr);
        RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKeyPath);
        MemorySettingsStore defaults;
        LoadSettings(defaults);
        g_szCurrentFile[0] = '\0';
    }

    static void Command(int id) { SendMessageA(ghApp, WM_COMMAND, static_cast<WPARAM>(id), 0); }

    static LONGLONG Position() {
        LONGLONG now = -1;
        if (g_PlaybackGraph.pMS) g_PlaybackGraph.pMS->GetCurrentPosition(&now);
        return now;
    }

    ComApartment com_;
    int cursorBefore_ = 0;
};

}  // namespace

// F8 with a movie open: the movie closes in the main window, the OpenGL
// window finds no stereo and says so, and the movie comes back at its
// place and in its play state.
TEST_F(OpenGlHandOver, MovieComesBackWhenStereoIsMissing) {
    ASSERT_EQ(ShutterDriverSetting(), 2);
    for (const PlayState state : {PlayState::Paused, PlayState::Running}) {
        SCOPED_TRACE(state == PlayState::Paused ? "paused" : "running");
        {
            std::lock_guard<std::mutex> lock(g_boxMutex);
            g_boxes.clear();
        }
        std::strcpy(g_szCurrentFile, DUOSCOPE_TEST_MOVIE_RGB24_AVI);
        Command(IDM_OPEN_SHELL);
        ASSERT_TRUE(PumpUntil([] { return g_nPlayState != PlayState::Init; }, 10000));
        Command(IDM_STOP);  // pauses
        ASSERT_EQ(g_nPlayState, PlayState::Paused);
        LONGLONG place = 2000000;  // 0.2 s of the 1 s movie: it plays on through the checks
        ASSERT_TRUE(SUCCEEDED(g_PlaybackGraph.pMS->SetPositions(&place, AM_SEEKING_AbsolutePositioning, nullptr,
                                                                AM_SEEKING_NoPositioning)));
        if (state == PlayState::Running) {
            Command(IDM_PLAY);
            ASSERT_EQ(g_nPlayState, PlayState::Running);
        }
        const LONGLONG before = Position();

        Command(IDM_DISPLAY_SHUTTER_GLASSES);

        const std::vector<Box> boxes = Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, kNoStereo);
        EXPECT_EQ(boxes[0].caption, "Error!");
        EXPECT_EQ(boxes[0].owner, nullptr);
        EXPECT_TRUE(IsWindow(ghApp));
        EXPECT_FALSE(QuitPending()) << "the main window's loop goes on";
        EXPECT_EQ(g_bOwnFullScreen.load(), 0);
        EXPECT_EQ(FindWindowA("OpenGL", nullptr), nullptr);
        EXPECT_EQ(CursorCount(), cursorBefore_);
        EXPECT_STREQ(g_szCurrentFile, DUOSCOPE_TEST_MOVIE_RGB24_AVI);
        EXPECT_EQ(g_nPlayState, state);
        EXPECT_EQ(g_bTimerOn, 1);
        ASSERT_NE(g_PlaybackGraph.pMS, nullptr);
        if (state == PlayState::Paused)
            EXPECT_EQ(Position(), before);
        else
            EXPECT_NEAR(static_cast<double>(Position()), static_cast<double>(before), 4000000.0);
        Command(IDM_CLOSE);
    }
}

// Opened in the format 液晶メガネ, through the open dialog or the way the
// command line opens: the window says that stereo is missing, and the main
// window has nothing open, with the movie in the history.
TEST_F(OpenGlHandOver, OpeningStraightIntoTheWindowIsRefusedCleanly) {
    g_Settings.nStereoCom = 9;
    for (const bool fromDialog : {false, true}) {
        SCOPED_TRACE(fromDialog ? "open dialog" : "command line");
        {
            std::lock_guard<std::mutex> lock(g_boxMutex);
            g_boxes.clear();
        }
        const char* movie = fromDialog ? DUOSCOPE_TEST_MOVIE_YUY2_AVI : DUOSCOPE_TEST_MOVIE_RGB24_AVI;
        if (fromDialog) {
            testsupport::OpenThroughTheDialogAsShutterGlasses(movie);
        } else {
            std::strcpy(g_szCurrentFile, movie);
            Command(IDM_OPEN_SHELL);
        }
        const std::vector<Box> boxes = Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, kNoStereo);
        EXPECT_FALSE(QuitPending()) << "the main window's loop goes on";
        EXPECT_EQ(FindWindowA("OpenGL", nullptr), nullptr);
        EXPECT_EQ(CursorCount(), cursorBefore_);
        EXPECT_EQ(g_nDisplayMode, 9);
        EXPECT_EQ(g_nPlayState, PlayState::Init);
        EXPECT_EQ(testsupport::StoredSetting("FileHistory0"), movie);
    }
}
