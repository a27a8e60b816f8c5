// The hand-over between the real main window and the nVidia stereo window:
// with a movie open and "nVidia" = 1, the shutter-glasses command closes
// the movie here, plays it in the stereo window from the same place, and
// when that window goes (Esc, Enter, or a start that fails) the movie is
// back in the main window where it was, in the state it was left in.
#define STRSAFE_NO_DEPRECATE
#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "com_test_support.h"
#include "shutter_open_script.h"
#include "stored_setting.h"
#include "core/app_state.h"
#include "duoscope_test_media.h"
#include "graphs/playback_graph.h"
#include "presentation/fullscreen_graph.h"
#include "presentation/grab_renderer_win32.h"
#include "presentation/grabbed_frame.h"
#include "presentation/nvidia/nvidia_window_win32.h"
#include "resources/resource.h"
#include "shell/player_win32.h"
#include "shell/settings.h"
#include "shell/settings_store.h"

namespace {

using testsupport::ComApartment;
using testsupport::PumpUntil;
using testsupport::WaitUntil;

constexpr LONGLONG kMs = 10000;  // media-seeking units per millisecond

std::vector<std::string> g_boxes;  // "caption: text"; the main thread's only

int RecordBox(HWND, const char* text, const char* caption, UINT) {
    g_boxes.push_back(std::string(caption ? caption : "") + ": " + (text ? text : ""));
    return IDOK;
}

void DeleteSettingsKey() { RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKeyPath); }

void PutSetting(const char* name, const std::string& text) {
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.data()), static_cast<DWORD>(text.size()));
    RegCloseKey(key);
}

LONGLONG Position(IMediaSeeking* seeking) {
    LONGLONG position = -1;
    if (seeking) seeking->GetCurrentPosition(&position);
    return position;
}

class NVidiaHandOver : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(com_.hr()));
        if (GetSystemMetrics(SM_CXSCREEN) != 1024 || GetSystemMetrics(SM_CYSCREEN) != 768)
            GTEST_SKIP() << "the stereo window runs in the Xvfb's own 1024 x 768";
        g_boxes.clear();
        SetMessageBoxSink(RecordBox);
        DeleteSettingsKey();
        g_szCurrentFile[0] = '\0';
        g_nSourceKind = SourceKind::MovieFile;
        g_bOwnFullScreen = 0;
        g_hFullScreenWnd = nullptr;
        g_bNoResume = 0;
        g_bSwap = 0;
        // The one display mode a bare Xvfb can set; the default driver.
        PutSetting("n3DSize", "2");
        PutSetting("n3DBpp", "1");
    }

    void TearDown() override {
        CloseMainWindow();
        SetMessageBoxSink(nullptr);
        DeleteSettingsKey();
        MemorySettingsStore defaults;
        LoadSettings(defaults);
        g_szCurrentFile[0] = '\0';
    }

    // Closes it and takes what it left queued, its quit message included.
    static void CloseMainWindow() {
        if (ghApp && IsWindow(ghApp)) SendMessageA(ghApp, WM_CLOSE, 0, 0);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchPlayerMessage(&msg);
    }

    // The main window with the test movie open at 500 ms, running or paused.
    void OpenAt500(bool running) {
        ASSERT_TRUE(RegisterPlayerClasses(GetModuleHandleA(nullptr)));
        ASSERT_NE(CreatePlayerWindow(GetModuleHandleA(nullptr)), nullptr);
        std::strcpy(g_szCurrentFile, DUOSCOPE_TEST_MOVIE_RGB24_AVI);
        SendMessageA(ghApp, WM_COMMAND, IDM_OPEN_SHELL, 0);
        ASSERT_TRUE(PumpUntil([] { return g_nPlayState != PlayState::Init; }, 10000));
        ASSERT_NE(g_PlaybackGraph.pMS, nullptr);
        PauseClip();
        g_nPositionMs = 500;
        SeekToPosition();
        ASSERT_TRUE(PumpUntil([] { return Position(g_PlaybackGraph.pMS) == 500 * kMs; }, 5000));
        if (running) PlayClip();
        ASSERT_EQ(g_nPlayState.load(), running ? PlayState::Running : PlayState::Paused);
    }

    // Sends the shutter-glasses command; `script` runs on a second thread
    // once the stereo window is up (and its graph built), then it ends.
    void HandOver(const std::function<void(HWND)>& script) {
        std::atomic<bool> done{false};
        std::thread driver([&] {
            HWND w = nullptr;
            if (!WaitUntil([&] {
                    return done || ((w = TheNVidiaStereoWindow().Window()) != nullptr &&
                                    TheNVidiaStereoWindow().Ready() && g_FullScreenGraph.pMC1 != nullptr);
                }, 20000) || done)
                return;
            windowShown_ = true;
            script(w);
        });
        SendMessageA(ghApp, WM_COMMAND, IDM_DISPLAY_SHUTTER_GLASSES, 0);
        done = true;
        driver.join();
    }

    // The movie is back in the main window at 500 ms.
    void ExpectBackAt500(PlayState state) {
        EXPECT_EQ(TheNVidiaStereoWindow().Window(), nullptr);
        EXPECT_EQ(g_FullScreenGraph.pGB1, nullptr);
        EXPECT_EQ(g_bOwnFullScreen.load(), 0);
        EXPECT_STREQ(g_szCurrentFile, DUOSCOPE_TEST_MOVIE_RGB24_AVI);
        ASSERT_NE(g_PlaybackGraph.pMS, nullptr) << "reopened in the main window";
        EXPECT_EQ(g_nPlayState.load(), state);
        EXPECT_EQ(g_nDisplayMode, 2) << "the display mode stays";
        if (state == PlayState::Paused) {
            // A graph runs a moment before it pauses (the stereo window's,
            // and the main window's on reopening): the same frame (100 ms
            // each), a few milliseconds on.
            EXPECT_GE(Position(g_PlaybackGraph.pMS), 500 * kMs);
            EXPECT_LT(Position(g_PlaybackGraph.pMS), 600 * kMs);
        }
    }

    ComApartment com_;
    std::atomic<bool> windowShown_{false};
};

}  // namespace

// Paused: the stereo window starts paused at the same frame, and Esc (or
// Enter) brings the movie back, paused at that frame.
TEST_F(NVidiaHandOver, EscAndEnterBringThePausedMovieBack) {
    for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
        SCOPED_TRACE(key == VK_ESCAPE ? "Esc" : "Enter");
        OpenAt500(false);
        LONGLONG shownAt = -1;
        PlayState shownState = PlayState::Init;
        HandOver([&](HWND w) {
            WaitUntil([] { return g_nPlayState.load() == PlayState::Paused && GrabbedFrame.pDisplay; }, 10000);
            shownAt = Position(g_FullScreenGraph.pMS1);
            shownState = g_nPlayState.load();
            PostMessageA(w, WM_KEYUP, key, 0xC0000001);
        });
        EXPECT_TRUE(windowShown_);
        EXPECT_GE(shownAt, 500 * kMs) << "the stereo window starts at the same frame";
        EXPECT_LT(shownAt, 600 * kMs);
        EXPECT_EQ(shownState, PlayState::Paused);
        ExpectBackAt500(PlayState::Paused);
        EXPECT_TRUE(g_boxes.empty());
        CloseMainWindow();
        windowShown_ = false;
    }
}

// Running (and repeating, so that the short movie never ends): it runs in
// the stereo window and runs again in the main window afterwards.
TEST_F(NVidiaHandOver, ARunningMovieRunsOnAfterwards) {
    PutSetting("nRepeat", "1");
    OpenAt500(true);
    PlayState shownState = PlayState::Init;
    HandOver([&](HWND w) {
        WaitUntil([] { return g_nPlayState.load() == PlayState::Running; }, 10000);
        shownState = g_nPlayState.load();
        PostMessageA(w, WM_KEYUP, VK_ESCAPE, 0xC0000001);
    });
    EXPECT_TRUE(windowShown_);
    EXPECT_EQ(shownState, PlayState::Running);
    ExpectBackAt500(PlayState::Running);
    EXPECT_TRUE(g_boxes.empty());
}

// A display mode the screen cannot take: the window never runs, the
// framework's message says why, and the movie is back as it was.
TEST_F(NVidiaHandOver, AStartThatFailsGivesTheMovieBack) {
    PutSetting("n3DSize", "4");  // 1600 x 1200
    OpenAt500(false);
    HandOver([](HWND) { ADD_FAILURE() << "the stereo window must not run"; });
    EXPECT_FALSE(windowShown_);
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0], "nVidiaStereo: Bad display mode\n\nThis sample will now exit.");
    ExpectBackAt500(PlayState::Paused);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) << "the player goes on";
}

// Opened in the format 液晶メガネ, through the open dialog or the way the
// command line opens, the movie goes straight into the stereo window; after
// Esc the main window has nothing open and the movie is in the history.
TEST_F(NVidiaHandOver, OpensStraightIntoTheWindow) {
    PutSetting("nStereoCom", "9");
    ASSERT_TRUE(RegisterPlayerClasses(GetModuleHandleA(nullptr)));
    ASSERT_NE(CreatePlayerWindow(GetModuleHandleA(nullptr)), nullptr);
    for (const bool fromDialog : {false, true}) {
        SCOPED_TRACE(fromDialog ? "open dialog" : "command line");
        const char* movie = fromDialog ? DUOSCOPE_TEST_MOVIE_YUY2_AVI : DUOSCOPE_TEST_MOVIE_RGB24_AVI;
        testsupport::EscapeWhenShown escape("nVidiaStereo");
        if (fromDialog) {
            testsupport::OpenThroughTheDialogAsShutterGlasses(movie);
        } else {
            std::strcpy(g_szCurrentFile, movie);
            SendMessageA(ghApp, WM_COMMAND, IDM_OPEN_SHELL, 0);
        }
        EXPECT_TRUE(escape.sent()) << "the window never showed";
        EXPECT_EQ(TheNVidiaStereoWindow().Window(), nullptr);
        EXPECT_EQ(g_FullScreenGraph.pGB1, nullptr);
        EXPECT_EQ(g_nDisplayMode, 9);
        EXPECT_EQ(g_nPlayState.load(), PlayState::Init);
        EXPECT_EQ(testsupport::StoredSetting("FileHistory0"), movie);
        for (const std::string& box : g_boxes) ADD_FAILURE() << "box: " << box;
        g_boxes.clear();
    }
}
