// The real main window on a test movie, paused on one frame: for each
// display format at 100 % the video area on the screen holds exactly the
// portable compositor's output for that frame, as the platform decoded it.
// The sizes are those InitVideoWindow gives a side-by-side movie, where the
// renderer shows its source rectangle at one screen pixel per frame pixel;
// at other zooms the platform's renderer scales, and what it then shows is
// its own.
#include "com_test_support.h"  // first: it sets up dshow.h

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "capture_renderer.h"
#include "composition/compose.h"
#include "decoded_frames.h"
#include "duoscope_test_media.h"
#include "graphs/playback_graph.h"
#include "resources/resource.h"
#include "shell/player_win32.h"

namespace {

using testsupport::ComApartment;
using testsupport::DecodeMovieFrames;
using testsupport::PumpUntil;

constexpr char kSettingsKey[] = "Software\\Kest\\duoviewer";
// Frames are 100 ms apart: 550 ms is well inside frame 5.
constexpr int32_t kPausedMs = 550;
constexpr size_t kPausedFrame = 5;
constexpr int32_t kMovieWidth = 320;  // both views; each is 160 wide
constexpr int32_t kMovieHeight = DUOSCOPE_TEST_MOVIE_HEIGHT;

std::vector<std::string>* g_boxTexts = nullptr;

int TakeBox(HWND, const char* text, const char*, UINT) {
    if (g_boxTexts) g_boxTexts->push_back(text ? text : "");
    return IDOK;
}

ptrdiff_t DibStride(int32_t width) { return (static_cast<ptrdiff_t>(width) * 3 + 3) & ~ptrdiff_t{3}; }

// A top-down picture, blue, green, red, rows packed.
struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> bgr;
};

// What the screen shows in a rectangle of screen pixels.
Picture GrabScreen(POINT origin, int32_t width, int32_t height) {
    Picture p{width, height, {}};
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dib && bits) {
        HGDIOBJ old = SelectObject(memory, dib);
        BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
        GdiFlush();
        const auto* px = static_cast<const uint8_t*>(bits);
        p.bgr.resize(static_cast<size_t>(width) * height * 3);
        for (size_t i = 0, n = static_cast<size_t>(width) * height; i < n; ++i)
            std::memcpy(&p.bgr[i * 3], px + i * 4, 3);
        SelectObject(memory, old);
        DeleteObject(dib);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return p;
}

// The effect filter's output for `frame` in `mode` (side-by-side layout,
// swapped as asked), cut to the picture's top-left width x height.
testing::AssertionResult Composed(const CapturedSample& frame, int32_t mode, bool swap, int32_t width,
                                  int32_t height, Picture* out) {
    const ptrdiff_t srcStride = DibStride(kMovieWidth);
    if (frame.bytes.size() < static_cast<size_t>(srcStride * kMovieHeight))
        return testing::AssertionFailure() << "short frame: " << frame.bytes.size() << " bytes";
    const int32_t outWidth = 2 * kMovieWidth;
    const ptrdiff_t outStride = DibStride(outWidth);
    std::vector<uint8_t> composed(static_cast<size_t>(outStride * kMovieHeight));
    const FrameBuffers buffers{frame.bytes.data(), srcStride, kMovieWidth, kMovieHeight,
                               composed.data(), outStride,  outWidth,    kMovieHeight};
    const int32_t layout = static_cast<int32_t>(StereoInputLayout::SideBySideFull);
    if (ComposeFrame(PixelFormatCode::Rgb24, mode, layout, swap, buffers) != ComposeResult::Composed)
        return testing::AssertionFailure() << "mode " << mode << " does not compose";
    // Only composed bytes are defined: the shown rectangle must lie inside.
    const ComposedArea area = ComposedAreaOf(PixelFormatCode::Rgb24, mode, layout, kMovieWidth, kMovieHeight);
    const int32_t bottomRow = kMovieHeight - height;  // memory row of the picture's row height - 1
    if (area.rowBytes < width * 3 || area.firstRow > bottomRow || area.firstRow + area.rowCount < kMovieHeight)
        return testing::AssertionFailure() << "the shown " << width << " x " << height
                                           << " pixels are not all composed (area rows " << area.firstRow << " + "
                                           << area.rowCount << ", " << area.rowBytes << " bytes)";
    out->width = width;
    out->height = height;
    out->bgr.resize(static_cast<size_t>(width) * height * 3);
    for (int32_t y = 0; y < height; ++y) {
        // Bottom-up frame: the picture's top row is the last memory row.
        const uint8_t* row = composed.data() + (kMovieHeight - 1 - y) * outStride;
        std::memcpy(&out->bgr[static_cast<size_t>(y) * width * 3], row, static_cast<size_t>(width) * 3);
    }
    return testing::AssertionSuccess();
}

std::string Difference(const Picture& shown, const Picture& expected) {
    if (shown.bgr.size() != expected.bgr.size()) return "nothing could be grabbed from the screen";
    size_t differing = 0, first = 0;
    for (size_t i = 0; i < shown.bgr.size(); i += 3) {
        if (std::memcmp(&shown.bgr[i], &expected.bgr[i], 3) != 0 && differing++ == 0) first = i / 3;
    }
    char text[200];
    const int x = static_cast<int>(first % static_cast<size_t>(shown.width));
    const int y = static_cast<int>(first / static_cast<size_t>(shown.width));
    const uint8_t* s = &shown.bgr[first * 3];
    const uint8_t* e = &expected.bgr[first * 3];
    std::snprintf(text, sizeof text, "%zu of %d pixels differ; first at (%d, %d): shown BGR %u,%u,%u, composed %u,%u,%u",
                  differing, shown.width * shown.height, x, y, s[0], s[1], s[2], e[0], e[1], e[2]);
    return text;
}

struct DisplayCase {
    const char* name;
    int command;
    int32_t mode;
    bool swap;      // left and right exchanged (command 3050 toggles it)
    int32_t width;  // shown at 100 %: InitVideoWindow's width for a 640-pixel output frame
};

// Every view of the 320-pixel side-by-side movie is 160 pixels wide; side
// by side shows both. The swap redraws the paused frame by itself.
constexpr DisplayCase kCases[] = {
    {"red/cyan", IDM_DISPLAY_ANAGLYPH_RED_CYAN, 2, false, 160},
    {"side by side", IDM_DISPLAY_SIDE_BY_SIDE, 1, false, 320},
    {"side by side, swapped", IDM_DISPLAY_SIDE_BY_SIDE, 1, true, 320},
    {"line interlace, swapped", IDM_DISPLAY_LINE_INTERLACE, 7, true, 160},
    {"one side", IDM_DISPLAY_ONE_SIDE, 10, false, 160},
};

class PlayerScreenshot : public testing::Test {
protected:
    void SetUp() override {
        g_boxTexts = &boxes_;
        SetMessageBoxSink(TakeBox);
        // The settings' defaults: what a first start sees.
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    }
    void TearDown() override {
        if (window_ && IsWindow(window_)) {
            SendMessageA(window_, WM_CLOSE, 0, 0);
            EXPECT_TRUE(PumpUntil([this] { return !IsWindow(window_); }, 10000)) << "the main window closes";
        }
        SetMessageBoxSink(nullptr);
        g_boxTexts = nullptr;
        for (const std::string& text : boxes_) ADD_FAILURE() << "message box: " << text;
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    }

    // The main window opening `path` as from the command line (command
    // 3023, posted by the window's creation), until the movie plays.
    void StartPlayer(const char* path) {
        HINSTANCE instance = GetModuleHandleA(nullptr);
        ASSERT_TRUE(RegisterPlayerClasses(instance)) << "error " << GetLastError();
        std::snprintf(g_szCurrentFile, sizeof g_szCurrentFile, "%s", path);
        window_ = CreatePlayerWindow(instance);
        ASSERT_NE(window_, nullptr) << "error " << GetLastError();
        ASSERT_TRUE(PumpUntil([] { return g_nPlayState == PlayState::Running && g_nVideoSubtype == 1; }, 15000))
            << "play state " << static_cast<int>(g_nPlayState.load()) << ", subtype " << g_nVideoSubtype.load();
        ASSERT_NE(g_PlaybackGraph.pBV, nullptr);
        ASSERT_NE(g_PlaybackGraph.pVW, nullptr);
    }

    ComApartment com_;
    HWND window_ = nullptr;
    std::vector<std::string> boxes_;
};

TEST_F(PlayerScreenshot, VideoAreaShowsTheComposedFrameInEachDisplayFormat) {
    std::vector<CapturedSample> frames;
    ASSERT_TRUE(DecodeMovieFrames(L"" DUOSCOPE_TEST_MOVIE_RGB24_AVI, {MEDIASUBTYPE_RGB24}, &frames));
    ASSERT_EQ(frames.size(), static_cast<size_t>(DUOSCOPE_TEST_MOVIE_FRAMES));
    const BITMAPINFOHEADER* decoded = CaptureRenderer::BitmapHeader(&frames[0].type);
    ASSERT_NE(decoded, nullptr);
    ASSERT_EQ(decoded->biWidth, kMovieWidth);
    ASSERT_EQ(decoded->biHeight, kMovieHeight) << "bottom-up RGB24";

    ASSERT_NO_FATAL_FAILURE(StartPlayer(DUOSCOPE_TEST_MOVIE_RGB24_AVI));
    // Other tests' windows share the screen: this one goes to the bottom
    // right, where none opens, and stays on top (the size commands keep
    // the position).
    SetWindowPos(window_, HWND_TOPMOST, GetSystemMetrics(SM_CXSCREEN) - 384, GetSystemMetrics(SM_CYSCREEN) - 384, 0,
                 0, SWP_NOSIZE);
    PauseClip();
    g_nPositionMs = kPausedMs;
    SeekToPosition();
    ASSERT_TRUE(PumpUntil([] { return g_nPlayState == PlayState::Paused; }, 5000));

    for (const DisplayCase& c : kCases) {
        SCOPED_TRACE(c.name);
        // As the menu sends them; paused, each command redraws the frame.
        SendMessageA(window_, WM_COMMAND, MAKEWPARAM(c.command, 0), 0);
        ASSERT_EQ(g_nDisplayMode.load(), c.mode);
        if ((g_bSwap != 0) != c.swap) SendMessageA(window_, WM_COMMAND, MAKEWPARAM(IDM_SWAP, 0), 0);
        ASSERT_EQ(g_bSwap != 0, c.swap);
        EXPECT_EQ(g_nZoomStep, 12) << "100 %";

        // The renderer shows its source rectangle unscaled, under the toolbar.
        long srcLeft = -1, srcTop = -1, srcWidth = 0, srcHeight = 0;
        ASSERT_EQ(g_PlaybackGraph.pBV->GetSourcePosition(&srcLeft, &srcTop, &srcWidth, &srcHeight), S_OK);
        long left = -1, top = -1, width = 0, height = 0;
        ASSERT_EQ(g_PlaybackGraph.pVW->GetWindowPosition(&left, &top, &width, &height), S_OK);
        EXPECT_EQ(srcLeft, 0);
        EXPECT_EQ(srcTop, 0);
        ASSERT_EQ(srcWidth, c.width);
        ASSERT_EQ(srcHeight, kMovieHeight);
        ASSERT_EQ(width, srcWidth) << "one screen pixel per frame pixel";
        ASSERT_EQ(height, srcHeight);
        // The video window is the child at the top left of the band under
        // the toolbar, and fills it.
        HWND video = ChildWindowFromPointEx(window_, POINT{0, TOOLHIGHT}, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
        ASSERT_NE(video, nullptr);
        ASSERT_NE(video, window_) << "no video window under the toolbar";
        RECT placed{};
        GetWindowRect(video, &placed);
        MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&placed), 2);
        EXPECT_EQ(placed.left, 0);
        EXPECT_EQ(placed.top, TOOLHIGHT);
        RECT client{};
        GetClientRect(window_, &client);
        EXPECT_GE(client.bottom, placed.top + height) << "the whole video lies in the client area";
        RECT inside{};
        GetClientRect(video, &inside);
        ASSERT_EQ(inside.right, width) << "a video window without borders";
        ASSERT_EQ(inside.bottom, height);

        Picture expected;
        ASSERT_TRUE(Composed(frames[kPausedFrame], c.mode, c.swap, width, height, &expected));
        POINT origin{0, 0};
        ClientToScreen(video, &origin);
        Picture shown;
        // The redraw reaches the screen a little later.
        const bool same = PumpUntil(
            [&] {
                SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
                shown = GrabScreen(origin, width, height);
                return shown.bgr == expected.bgr;
            },
            10000);
        if (!same) {
            std::string other;
            for (size_t i = 0; i < frames.size(); ++i) {
                Picture p;
                if (i != kPausedFrame && Composed(frames[i], c.mode, c.swap, width, height, &p) && p.bgr == shown.bgr)
                    other = " (the screen shows frame " + std::to_string(i) + ")";
            }
            ADD_FAILURE() << Difference(shown, expected) << other;
        }
    }
}

}  // namespace
