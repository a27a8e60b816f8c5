// The nVidia stereo window, run for real under Wine on the test movie: the
// window's loop runs on the test's thread (RunNVidiaStereo blocks until it
// closes) while a driver thread sends it keys, draws frames as the
// streaming thread would and reads the double-width frame picture back.
// The Xvfb's own mode, 1024 x 768 at 32 bits ("n3DSize" 2, "n3DBpp" 1),
// is the one display mode a bare Xvfb can set; other sizes are refused.
#include "presentation/nvidia/nvidia_window_win32.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "com_test_support.h"
#include "core/app_state.h"
#include "duoscope_test_media.h"
#include "presentation/fullscreen_graph.h"
#include "presentation/grab_renderer_win32.h"
#include "presentation/grabbed_frame.h"
#include "presentation/picture.h"
#include "shell/player_win32.h"
#include "shell/settings.h"

namespace {

using testsupport::ComApartment;
using testsupport::WaitUntil;

std::mutex g_boxMutex;
std::vector<std::string> g_boxes;  // "caption: text"

int RecordBox(HWND, const char* text, const char* caption, UINT) {
    std::lock_guard<std::mutex> lock(g_boxMutex);
    g_boxes.push_back(std::string(caption ? caption : "") + ": " + (text ? text : ""));
    return IDOK;
}

std::vector<std::string> Boxes() {
    std::lock_guard<std::mutex> lock(g_boxMutex);
    return g_boxes;
}

void KeyUp(HWND w, WPARAM key) { SendMessageA(w, WM_KEYUP, key, 0xC0000001); }

NVidiaStereoWindow& App() { return TheNVidiaStereoWindow(); }

// ------------------------------------------------------------ the picture

using Picture = NVidiaStereoWindow::PictureCopy;

Picture Copy() {
    Picture p;
    EXPECT_TRUE(App().CopyFramePicture(&p));
    return p;
}

// 0x00RRGGBB of a 32-bit picture, rows from the top.
uint32_t At(const Picture& p, int x, int y) {
    const uint8_t* px = p.bytes.data() + static_cast<size_t>(y) * p.pitch + 4 * static_cast<size_t>(x);
    return (uint32_t{px[2]} << 16) | (uint32_t{px[1]} << 8) | px[0];
}

// 0x00RRGGBB of the grabbed frame (bottom-up RGB24), rows from the top.
uint32_t FrameAt(int x, int y) {
    const BITMAPINFOHEADER& h = GrabbedFrame.header.bmiHeader;
    const int rows = std::abs(h.biHeight);
    const int row = h.biHeight > 0 ? rows - 1 - y : y;
    const uint8_t* px = GrabbedFrame.pDisplay + static_cast<size_t>(row) * DibRowStride(h.biWidth, 24) + 3 * x;
    return (uint32_t{px[2]} << 16) | (uint32_t{px[1]} << 8) | px[0];
}

// Whether a pixel of a 16- or 32-bit picture is not black.
bool Lit(const Picture& p, int x, int y) {
    const uint8_t* row = p.bytes.data() + static_cast<size_t>(y) * p.pitch;
    if (p.bitDepth == 16) return (row[2 * x] | row[2 * x + 1]) != 0;
    return At(p, x, y) != 0;
}

// Runs of columns [first, last) with a pixel that is not black in rows
// [y0, y1).
std::vector<std::pair<int, int>> LitColumns(const Picture& p, int y0, int y1) {
    std::vector<std::pair<int, int>> runs;
    int start = -1;
    for (int x = 0; x <= p.width; ++x) {
        bool lit = false;
        for (int y = y0; x < p.width && y < y1 && !lit; ++y) lit = Lit(p, x, y);
        if (lit && start < 0) start = x;
        if (!lit && start >= 0) {
            runs.emplace_back(start, x);
            start = -1;
        }
    }
    return runs;
}

std::string Show(const std::vector<std::pair<int, int>>& runs) {
    std::string s;
    for (const auto& r : runs) s += "[" + std::to_string(r.first) + ", " + std::to_string(r.second) + ") ";
    return s;
}

// Pixels of (x, y, w, h) that differ between two places of the picture.
size_t Differing(const Picture& a, int ax, int ay, const Picture& b, int bx, int by, int w, int h) {
    size_t n = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) n += At(a, ax + x, ay + y) != At(b, bx + x, by + y);
    return n;
}

// The picture as a 32-bit BMP, for looking at it.
void SaveBmp(const Picture& p, const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    const uint32_t imageBytes = static_cast<uint32_t>(4 * p.width * p.height);
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    fh.bfSize = fh.bfOffBits + imageBytes;
    BITMAPINFOHEADER ih{};
    ih.biSize = sizeof ih;
    ih.biWidth = p.width;
    ih.biHeight = -p.height;
    ih.biPlanes = 1;
    ih.biBitCount = 32;
    ih.biSizeImage = imageBytes;
    std::fwrite(&fh, sizeof fh, 1, f);
    std::fwrite(&ih, sizeof ih, 1, f);
    for (int y = 0; y < p.height; ++y) std::fwrite(p.bytes.data() + static_cast<size_t>(y) * p.pitch, 4, p.width, f);
    std::fclose(f);
}

// Pictures go to this folder when it is set (a Wine path).
void MaybeSave(const Picture& p, const char* name) {
    const char* dir = std::getenv("DUOSCOPE_NVIDIA_PICTURES");
    if (dir && *dir) SaveBmp(p, std::string(dir) + "\\" + name + ".bmp");
}

// ------------------------------------------------------------ fixture

class NVidiaStereo : public testing::Test {
protected:
    void SetUp() override {
        SetMessageBoxSink(RecordBox);
        {
            std::lock_guard<std::mutex> lock(g_boxMutex);
            g_boxes.clear();
        }
        if (GetSystemMetrics(SM_CXSCREEN) != 1024 || GetSystemMetrics(SM_CYSCREEN) != 768)
            GTEST_SKIP() << "the test display is the Xvfb's 1024 x 768";
        saved_ = g_Settings;
        g_Settings.n3DSize = 2;  // 1024 x 768
        g_Settings.n3DBpp = 1;   // 32 bits
        g_Settings.nRepeat = 0;
        g_nSourceKind = SourceKind::MovieFile;
        g_nInputLayout = 0;
        g_bRgbMode = 0;
        g_bSwap = 0;
        g_bAspect43 = 0;
        g_nFrameStepMarker = 0;
        g_nSavedState = PlayState::Paused;  // steady pictures
        g_llSavedPosition = 0;
    }
    void TearDown() override {
        SetRunningPresenter(nullptr);
        SetMessageBoxSink(nullptr);
        g_Settings = saved_;
        g_nInputLayout = 0;
        g_bSwap = 0;
    }

    // Runs the window on `file` with `script` driving it from a second
    // thread once the movie shows, paused; Esc closes it afterwards.
    int RunWindow(const std::function<void(HWND)>& script, const char* file = DUOSCOPE_TEST_MOVIE_RGB24_AVI) {
        std::atomic<bool> done{false};
        std::thread driver([&] {
            HWND window = nullptr;
            if (!WaitUntil([&] { return done || ((window = App().Window()) != nullptr && App().Ready()); }, 15000) ||
                done)
                return;
            script(window);
            if (!done) PostMessageA(window, WM_KEYUP, VK_ESCAPE, 0xC0000001);
        });
        const int result = RunNVidiaStereo(GetModuleHandleA(nullptr), file);
        done = true;
        driver.join();
        return result;
    }

    static CGrabRenderer* Renderer() { return static_cast<CGrabRenderer*>(g_FullScreenGraph.pRenderer1); }

    // Paused with the paused sample in: nothing more arrives until it runs.
    static bool WaitForStill() {
        return WaitUntil([] {
            return g_FullScreenGraph.pMC1 && Renderer() && g_nPlayState.load() == PlayState::Paused &&
                   Renderer()->StillsSincePause() > 0 && GrabbedFrame.pDisplay;
        }, 15000);
    }

    static void ExpectClosed() {
        EXPECT_EQ(App().Window(), nullptr);
        EXPECT_FALSE(App().Ready());
        EXPECT_EQ(App().Environment()->pDD, nullptr);
        EXPECT_EQ(g_FullScreenGraph.pGB1, nullptr);
        EXPECT_EQ(g_FullScreenGraph.pRenderer1, nullptr);
        EXPECT_EQ(g_bOwnFullScreen.load(), 0);
        EXPECT_EQ(g_hFullScreenWnd, nullptr);
        EXPECT_EQ(RunningPresenter(), nullptr);
    }

    ComApartment com_;
    PlayerSettings saved_;
};

}  // namespace

// At 100 % the two 160 x 240 views are copied unscaled into the middle of
// their halves; the rest is black, and the last row starts with the
// header. X changes the header's flags and nothing else.
TEST_F(NVidiaStereo, ViewsGoToTheirHalvesAndTheHeaderEndsThePicture) {
    const int result = RunWindow([&](HWND w) {
        ASSERT_TRUE(WaitForStill());
        KeyUp(w, 'J');
        ASSERT_EQ(App().Zoom(), 100);
        const Picture p = Copy();
        ASSERT_EQ(p.width, 2048);
        ASSERT_EQ(p.height, 768);
        ASSERT_EQ(p.bitDepth, 32);

        const int xFirst = 432, xSecond = 1456, y = 264, vw = 160, vh = 240;
        size_t wrongFirst = 0, wrongSecond = 0, litOutside = 0;
        for (int r = 0; r < vh; ++r)
            for (int c = 0; c < vw; ++c) {
                wrongFirst += At(p, xFirst + c, y + r) != FrameAt(c, r);
                wrongSecond += At(p, xSecond + c, y + r) != FrameAt(vw + c, r);
            }
        for (int r = 0; r < p.height - 1; ++r)
            for (int c = 0; c < p.width; ++c) {
                const bool inView = r >= y && r < y + vh &&
                                    ((c >= xFirst && c < xFirst + vw) || (c >= xSecond && c < xSecond + vw));
                litOutside += !inView && At(p, c, r) != 0;
            }
        EXPECT_EQ(wrongFirst, 0u) << "the left view, unscaled, in the left half";
        EXPECT_EQ(wrongSecond, 0u) << "the right view in the right half";
        EXPECT_EQ(litOutside, 0u) << "black around the views";

        const uint8_t* lastRow = p.bytes.data() + static_cast<size_t>(p.height - 1) * p.pitch;
        const StereoImageHeader header = ReadStereoImageHeader(lastRow);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(lastRow), 4), "NV3D");
        EXPECT_EQ(header.width, 2048u);
        EXPECT_EQ(header.height, 768u);
        EXPECT_EQ(header.bitDepth, 32u);
        EXPECT_EQ(header.flags, 0u);
        MaybeSave(p, "nvidia-100");

        KeyUp(w, 'X');
        EXPECT_EQ(g_bSwap.load(), 1);
        const Picture swapped = Copy();
        ASSERT_EQ(swapped.bytes.size(), p.bytes.size());
        const size_t flags = static_cast<size_t>(p.height - 1) * p.pitch + 16;
        size_t changed = 0;
        for (size_t i = 0; i < p.bytes.size(); ++i)
            if (i != flags) changed += swapped.bytes[i] != p.bytes[i];
        EXPECT_EQ(changed, 0u) << "the picture is drawn the same way";
        EXPECT_EQ(ReadStereoImageHeader(swapped.bytes.data() + flags - 16).flags, 1u);
        KeyUp(w, 'X');
    });
    EXPECT_EQ(result, 1);
    ExpectClosed();
    EXPECT_TRUE(Boxes().empty());
}

// Fitted, each view fills its half's height (the right view's last eight
// columns are black in the movie); the zoom keys step from the fit, never
// above it and never below 10 %.
TEST_F(NVidiaStereo, ZoomStepsFromTheFitAndStaysWithinIt) {
    const int result = RunWindow([&](HWND w) {
        ASSERT_TRUE(WaitForStill());
        App().DrawFrame();  // as the streaming thread draws every frame
        EXPECT_EQ(App().Zoom(), 320);
        Picture p = Copy();
        const auto runs = LitColumns(p, 0, p.height - 1);
        ASSERT_EQ(runs.size(), 2u) << Show(runs);
        EXPECT_EQ(runs[0], std::make_pair(256, 768));
        EXPECT_EQ(runs[1].first, 1280);
        EXPECT_GT(runs[1].second, 1792 - 30);
        EXPECT_LE(runs[1].second, 1792);
        MaybeSave(p, "nvidia-fit");

        const struct {
            std::function<void()> act;
            const char* what;
            int32_t zoom;
        } steps[] = {
            {[&] { KeyUp(w, VK_PRIOR); }, "Page Up at the fit", 320},
            {[&] { KeyUp(w, 'W'); }, "W", 200},
            {[&] { KeyUp(w, VK_PRIOR); }, "Page Up", 220},
            {[&] { SendMessageA(w, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0); }, "wheel back", 200},
            {[&] { KeyUp(w, VK_NEXT); }, "Page Down", 181},
            {[&] { KeyUp(w, 'F'); }, "F", 320},
        };
        for (const auto& s : steps) {
            s.act();
            EXPECT_EQ(App().Zoom(), s.zoom) << s.what;
        }
        for (int i = 0; i < 40; ++i) KeyUp(w, VK_NEXT);
        EXPECT_EQ(App().Zoom(), 10);
        p = Copy();
        // 16 x 24 views in the middle of each half (the right one's black
        // edge may take its last column).
        const auto small = LitColumns(p, 0, p.height - 1);
        ASSERT_EQ(small.size(), 2u) << Show(small);
        EXPECT_EQ(small[0], std::make_pair(504, 520));
        EXPECT_EQ(small[1].first, 1528);
        EXPECT_GE(small[1].second, 1542);
        EXPECT_LE(small[1].second, 1544);
    });
    EXPECT_EQ(result, 1);
    ExpectClosed();
}

// H shows the help in both halves, the same text at the same place in
// each; F1 takes it away again.
TEST_F(NVidiaStereo, HelpShowsInBothHalves) {
    const int result = RunWindow([&](HWND w) {
        ASSERT_TRUE(WaitForStill());
        for (int i = 0; i < 40; ++i) KeyUp(w, VK_NEXT);  // views out of the text's way
        const Picture before = Copy();
        KeyUp(w, 'H');
        EXPECT_EQ(App().HelpShown(), 1);
        const Picture shown = Copy();
        const int x = 0, y = 18, cw = 480, ch = 11 * 20 + 10;
        EXPECT_GT(Differing(before, x, y, shown, x, y, cw, ch), 500u) << "text in the left half";
        EXPECT_EQ(Differing(shown, x, y, shown, 1024 + x, y, cw, ch), 0u) << "the same text in the right half";
        MaybeSave(shown, "nvidia-help");
        KeyUp(w, VK_F1);
        EXPECT_EQ(App().HelpShown(), 0);
        EXPECT_EQ(Differing(Copy(), 0, 0, before, 0, 0, 2048, 767), 0u);
    });
    EXPECT_EQ(result, 1);
    ExpectClosed();
}

// The other layouts: where each view's source comes from, at 100 %.
TEST_F(NVidiaStereo, OverUnderViewsComeFromTheirBands) {
    g_nInputLayout = 3;  // 47.5 %: rows 0 ... 113 and 126 ... 239
    const int result = RunWindow([&](HWND w) {
        ASSERT_TRUE(WaitForStill());
        KeyUp(w, 'J');
        const Picture p = Copy();
        // 320 x 240 views (the bands are stretched to the frame's height);
        // the movie's last eight columns are black.
        EXPECT_EQ(Show(LitColumns(p, 0, p.height - 1)), Show({{352, 664}, {1376, 1688}}));
        // Views of 114 rows drawn 240 high: the first view's top row is the
        // frame's row 0, the second's the frame's row 126.
        size_t wrong = 0;
        for (int c = 0; c < 320; ++c) {
            wrong += At(p, 352 + c, 264) != FrameAt(c, 0);
            wrong += At(p, 1376 + c, 264) != FrameAt(c, 126);
        }
        EXPECT_EQ(wrong, 0u);
    });
    EXPECT_EQ(result, 1);
    ExpectClosed();
}

// A double click puts the picture in a framed window (the desktop's mode,
// the window's client size) and a second one back to full screen; the
// picture and its header follow the size each time.
TEST_F(NVidiaStereo, DoubleClickSwitchesBetweenWindowAndFullScreen) {
    const int result = RunWindow([&](HWND w) {
        ASSERT_TRUE(WaitForStill());
        for (bool fullScreen : {false, true}) {
            SCOPED_TRACE(fullScreen ? "back to full screen" : "windowed");
            // The window takes a double click only while it is active. A
            // program of another test on the same display may take the
            // focus, and the platform then minimises an exclusive
            // full-screen window: it is brought back and asked again.
            for (int attempt = 0; attempt < 3 && App().Environment()->fullScreen != fullScreen; ++attempt) {
                if (attempt > 0) {
                    if (IsIconic(w)) ShowWindow(w, SW_RESTORE);
                    SetForegroundWindow(w);
                    Sleep(200);
                }
                SendMessageA(w, WM_LBUTTONDBLCLK, 0, 0);
            }
            ASSERT_TRUE(App().Ready());
            ASSERT_EQ(App().Environment()->fullScreen, fullScreen);
            const ShutterScreenMode mode = App().ScreenMode();
            if (fullScreen) {
                EXPECT_EQ(mode.width, 1024);
                EXPECT_EQ(mode.height, 768);
            } else {
                RECT client{};
                GetClientRect(w, &client);
                EXPECT_EQ(mode.width, client.right);
                EXPECT_EQ(mode.height, client.bottom);
            }
            App().DrawFrame();
            const Picture p = Copy();
            ASSERT_EQ(p.width, 2 * mode.width);
            ASSERT_EQ(p.height, mode.height);
            const StereoImageHeader header =
                ReadStereoImageHeader(p.bytes.data() + static_cast<size_t>(p.height - 1) * p.pitch);
            EXPECT_EQ(header.signature, kStereoImageSignature);
            EXPECT_EQ(header.width, static_cast<uint32_t>(2 * mode.width));
            EXPECT_EQ(header.height, static_cast<uint32_t>(mode.height));
            EXPECT_EQ(LitColumns(p, 0, p.height - 1).size(), 2u) << "both views drawn";
        }
    });
    EXPECT_EQ(result, 1);
    ExpectClosed();
    EXPECT_TRUE(Boxes().empty());
}

// A mode the display cannot switch to (a bare Xvfb keeps its own size):
// the framework says so, the run returns at once and DirectDraw is left
// with no references (else a second message would say so).
TEST_F(NVidiaStereo, ADisplayModeThatCannotBeSetIsReported) {
    g_Settings.n3DSize = 0;  // 640 x 480
    g_Settings.n3DBpp = 0;
    const int result = RunWindow([](HWND) { ADD_FAILURE() << "the window must not run"; });
    EXPECT_EQ(result, 0);
    ExpectClosed();
    const auto boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "nVidiaStereo: Bad display mode\n\nThis sample will now exit.");
    EXPECT_EQ(FindWindowA("nVidiaStereo", nullptr), nullptr);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) << "the caller's loop goes on";
}

// The window's icon and its two cursors are the program's resources.
TEST(NVidiaStereoResources, IconAndCursorsLoad) {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    EXPECT_NE(LoadIconA(instance, "STRWIN"), nullptr);
    EXPECT_NE(LoadCursorA(instance, "NOTHING"), nullptr);
    EXPECT_NE(LoadCursorA(instance, "CLOSEH"), nullptr);
}

// Other display modes need Wine's virtual desktop: the test starts itself
// again inside one (which keeps the exit code to itself) and reads the
// inner run's result file. Inside, 640 x 480 at 16 bits is set and the
// picture is 1280 x 480 at 16 bits with the views fitted to 320 x 480.
TEST_F(NVidiaStereo, AnotherModeInsideAVirtualDesktop) {
    if (!std::getenv("DUOSCOPE_NVIDIA_IN_DESKTOP")) {
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, sizeof self);
        char temp[MAX_PATH] = {};
        GetTempPathA(sizeof temp, temp);
        const std::string result = std::string(temp) + "nvidia-desktop.xml";
        DeleteFileA(result.c_str());
        std::string command = "C:\\windows\\explorer.exe /desktop=duoscope-nvidia,1024x768 \"" + std::string(self) +
                              "\" --gtest_filter=NVidiaStereo.AnotherModeInsideAVirtualDesktop --gtest_output=xml:" +
                              result;
        SetEnvironmentVariableA("DUOSCOPE_NVIDIA_IN_DESKTOP", "1");
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        const BOOL started =
            CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
        SetEnvironmentVariableA("DUOSCOPE_NVIDIA_IN_DESKTOP", nullptr);
        ASSERT_TRUE(started) << command;
        EXPECT_EQ(WaitForSingleObject(pi.hProcess, 90000), WAIT_OBJECT_0);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        std::string xml;
        if (FILE* f = std::fopen(result.c_str(), "rb")) {
            char buffer[4096];
            size_t n;
            while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) xml.append(buffer, n);
            std::fclose(f);
        }
        ASSERT_NE(xml.find("name=\"AnotherModeInsideAVirtualDesktop\""), std::string::npos) << "the inner run: " << xml;
        EXPECT_NE(xml.find("failures=\"0\""), std::string::npos) << xml;
        EXPECT_NE(xml.find("skipped=\"0\""), std::string::npos) << xml;
        EXPECT_NE(xml.find("result=\"completed\""), std::string::npos) << xml;
        return;
    }
    g_Settings.n3DSize = 0;  // 640 x 480
    g_Settings.n3DBpp = 0;   // 16 bits
    const int result = RunWindow([&](HWND) {
        ASSERT_TRUE(WaitForStill());
        App().DrawFrame();
        EXPECT_EQ(App().Zoom(), 200);
        const Picture p = Copy();
        ASSERT_EQ(p.width, 1280);
        ASSERT_EQ(p.height, 480);
        ASSERT_EQ(p.bitDepth, 16);
        const StereoImageHeader header =
            ReadStereoImageHeader(p.bytes.data() + static_cast<size_t>(p.height - 1) * p.pitch);
        EXPECT_EQ(header.signature, kStereoImageSignature);
        EXPECT_EQ(header.width, 1280u);
        EXPECT_EQ(header.height, 480u);
        EXPECT_EQ(header.bitDepth, 16u);
        EXPECT_EQ(header.flags, 0u);
        const auto runs = LitColumns(p, 0, p.height - 1);
        ASSERT_EQ(runs.size(), 2u) << Show(runs);
        EXPECT_EQ(runs[0], std::make_pair(160, 480));
        EXPECT_EQ(runs[1].first, 800);
        EXPECT_GT(runs[1].second, 1120 - 20);
    });
    EXPECT_EQ(result, 1);
    ExpectClosed();
    EXPECT_TRUE(Boxes().empty());
}
