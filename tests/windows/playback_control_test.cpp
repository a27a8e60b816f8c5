// Playback control over real movies in a test main window: open and close,
// play states and the title, rate, mute, the end of the movie, stepping
// and seeking, the play-list refusal, the shutter-glasses branch, the menu
// states and the platform full-screen mode. The window carries the real
// menu; a stand-in seek bar records what it is told.
#define STRSAFE_NO_DEPRECATE
#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "com_test_support.h"
#include "duoscope_test_media.h"
#include "graphs/playback_graph.h"
#include "resources/resource.h"
#include "shell/player_win32.h"
#include "shell/seek_bar.h"
#include "shell/settings.h"
#include "presentation/zoom.h"

namespace {

using testsupport::ComApartment;
using testsupport::Hex;
using testsupport::PumpUntil;

constexpr LONGLONG kMs = 10000;  // media-seeking units per millisecond

std::vector<int> g_seekBarCommands;
std::vector<std::string> g_boxes;  // "caption|text" of every message box
std::vector<UINT> g_boxTypes;

int TakeBox(HWND, const char* text, const char* caption, UINT type) {
    g_boxes.push_back(std::string(caption ? caption : "") + "|" + (text ? text : ""));
    g_boxTypes.push_back(type);
    return IDOK;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& s : lines) all += s + "\n";
    return all;
}

// The parts of the main window playback control relies on: graph events,
// the position timer.
LRESULT CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == static_cast<UINT>(WM_GRAPHNOTIFY)) {
        HandleGraphEvent();
        return 0;
    }
    if (msg == WM_TIMER && wp == kPositionTimer) {
        PollPosition();
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

LRESULT CALLBACK SeekBarProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COMMAND) g_seekBarCommands.push_back(LOWORD(wp));
    return DefWindowProcA(hwnd, msg, wp, lp);
}

bool IsEmpty(const PlaybackGraph& g) {
    const void* fields[] = {g.pGB, g.pRenderer, g.pMC, g.pME, g.pMS, g.pMP, g.pVW, g.pBV, g.pBA, g.pFS};
    return g.dwGraphRegister == 0 &&
           std::all_of(std::begin(fields), std::end(fields), [](const void* p) { return p == nullptr; });
}

class PlaybackControl : public testing::Test {
protected:
    void SetUp() override {
        saved_.app = ghApp;
        saved_.seekBar = g_hSeekBar;
        saved_.toolbar = g_hToolbar;
        saved_.menu = g_hMenu;
        saved_.instance = g_hInst;
        saved_.settings = g_Settings;
        saved_.mode = g_nDisplayMode;
        saved_.layout = g_nInputLayout;
        saved_.driver = g_nShutterDriver;

        const HINSTANCE instance = GetModuleHandleA(nullptr);
        WNDCLASSA main{};
        main.lpfnWndProc = MainProc;
        main.hInstance = instance;
        main.lpszClassName = "DuoscopePlaybackControlMain";
        RegisterClassA(&main);
        WNDCLASSA seek{};
        seek.lpfnWndProc = SeekBarProc;
        seek.hInstance = instance;
        seek.lpszClassName = "DuoscopePlaybackControlSeekBar";
        RegisterClassA(&seek);

        SetMessageBoxSink(TakeBox);
        main_ = CreateWindowExA(0, main.lpszClassName, "", WS_OVERLAPPEDWINDOW, 40, 40, 500, 400, nullptr,
                                LoadMenuA(instance, "PLAYAVI"), instance, nullptr);
        ASSERT_NE(main_, nullptr) << "CreateWindowEx failed, error " << GetLastError();
        seekBar_ = CreateWindowExA(0, seek.lpszClassName, "", WS_POPUP, 0, 0, 100, 20, main_, nullptr, instance,
                                   nullptr);
        ASSERT_NE(seekBar_, nullptr);
        ghApp = main_;
        g_hMenu = GetMenu(main_);
        g_hSeekBar = seekBar_;
        g_hToolbar = nullptr;
        g_hInst = instance;

        g_Settings.nRepeat = 0;
        g_Settings.nAutostart = 1;
        g_nSourceKind = SourceKind::MovieFile;
        g_nDisplayMode = 2;
        g_nInputLayout = 0;
        g_bAspect43 = 0;
        g_bAtEnd = 0;
        g_nPlayState = PlayState::Init;
        g_szCurrentFile[0] = '\0';
        g_seekBarCommands.clear();
        g_boxes.clear();
        g_boxTypes.clear();
    }

    void TearDown() override {
        StopPositionTimer();
        CloseClip();
        SetMessageBoxSink(nullptr);
        if (seekBar_) DestroyWindow(seekBar_);
        if (main_) DestroyWindow(main_);
        ghApp = saved_.app;
        g_hSeekBar = saved_.seekBar;
        g_hToolbar = saved_.toolbar;
        g_hMenu = saved_.menu;
        g_hInst = saved_.instance;
        g_Settings = saved_.settings;
        g_nDisplayMode = saved_.mode;
        g_nInputLayout = saved_.layout;
        g_nShutterDriver = saved_.driver;
        g_bAtEnd = 0;
    }

    bool Open(const char* path, int32_t mode = 2) {
        std::strncpy(g_szCurrentFile, path, kPathBytes - 1);
        g_szCurrentFile[kPathBytes - 1] = '\0';
        g_nDisplayMode = mode;
        return OpenClip();
    }

    std::string Title() const {
        char text[512] = {};
        GetWindowTextA(main_, text, sizeof text);
        return text;
    }

    bool Grayed(int id) const { return (GetMenuState(g_hMenu, id, MF_BYCOMMAND) & MF_GRAYED) != 0; }
    bool Checked(int id) const { return (GetMenuState(g_hMenu, id, MF_BYCOMMAND) & MF_CHECKED) != 0; }

    static LONGLONG Position() {
        LONGLONG position = -1;
        EXPECT_EQ(g_PlaybackGraph.pMS->GetCurrentPosition(&position), S_OK);
        return position;
    }

    // Pauses and puts the movie at `ms`.
    static void PauseAt(LONGLONG ms) {
        PauseClip();
        ASSERT_EQ(g_nPlayState.load(), PlayState::Paused);
        LONGLONG position = ms * kMs;
        ASSERT_EQ(g_PlaybackGraph.pMS->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                                                    AM_SEEKING_NoPositioning),
                  S_OK);
    }

    struct Saved {
        WindowHandle app, seekBar, toolbar;
        HMENU menu;
        HINSTANCE instance;
        PlayerSettings settings;
        int32_t mode, layout, driver;
    } saved_{};
    ComApartment com_;
    HWND main_ = nullptr;
    HWND seekBar_ = nullptr;
};

// The menu's playback items (3056 has no menu item, only keys and a button).
constexpr int kPlaybackItems[] = {3002, 3001, 3003, 3022, 3005, 3008, 3007, 3006, 3017, 3018, 3019, 3021, 3020};

TEST_F(PlaybackControl, OpenPlayStatesAndCloseShowInTitleAndMenu) {
    InitPlayerWindow();
    for (int id : kPlaybackItems) EXPECT_TRUE(Grayed(id)) << id << " before a movie";

    ASSERT_TRUE(Open(DUOSCOPE_TEST_MOVIE_RGB24_AVI)) << Joined(g_boxes);
    EXPECT_TRUE(g_boxes.empty()) << Joined(g_boxes);
    EXPECT_EQ(g_nPlayState.load(), PlayState::Running);
    EXPECT_STREQ(g_szCurrentFile, DUOSCOPE_TEST_MOVIE_RGB24_AVI);
    EXPECT_EQ(g_Settings.szOpenFolder, DUOSCOPE_TEST_MEDIA_DIR);
    for (int id : kPlaybackItems) EXPECT_FALSE(Grayed(id)) << id << " with a movie";
    EXPECT_TRUE(Checked(3026)) << "display item of mode 2";
    EXPECT_FALSE(Checked(3024));
    EXPECT_TRUE(Checked(3100)) << "input item of layout 0";
    EXPECT_TRUE(Checked(3007));
    EXPECT_EQ(g_nLayoutPctX, 25);
    EXPECT_EQ(g_nLayoutPctY, 100);
    EXPECT_EQ(std::count(g_seekBarCommands.begin(), g_seekBarCommands.end(), 1200), 1);
    const std::string name = "sbs_rgb24_320x240.avi [";
    EXPECT_EQ(Title().rfind(name, 0), 0u) << Title();

    struct Step {
        const char* what;
        void (*action)();
        PlayState state;
    };
    const Step steps[] = {
        {"left click while running pauses", TogglePlay, PlayState::Paused},
        {"left click while paused plays", TogglePlay, PlayState::Running},
        {"right click while running pauses", ClickRestart, PlayState::Paused},
        {"right click while paused restarts", ClickRestart, PlayState::Running},
        {"stop while running pauses", PauseClip, PlayState::Paused},
        {"stop while paused does nothing", PauseClip, PlayState::Paused},
        {"play while paused runs", PlayClip, PlayState::Running},
        {"play while running does nothing", PlayClip, PlayState::Running},
        {"rewind stops on the first frame", RewindClip, PlayState::Stopped},
        {"rewind while stopped does nothing", RewindClip, PlayState::Stopped},
        {"play after a rewind runs", PlayClip, PlayState::Running},
    };
    for (const Step& s : steps) {
        s.action();
        EXPECT_EQ(g_nPlayState.load(), s.state) << s.what;
        const bool paused = Title().find("(Pause)") != std::string::npos;
        EXPECT_EQ(paused, s.state == PlayState::Paused) << s.what << ": " << Title();
        EXPECT_EQ(Title().rfind(name, 0), 0u) << s.what << ": " << Title();
    }
    RewindClip();
    EXPECT_EQ(Position(), 0) << "rewound to the start";

    CloseClip();
    EXPECT_EQ(g_nPlayState.load(), PlayState::Init);
    EXPECT_EQ(g_szCurrentFile[0], '\0');
    EXPECT_TRUE(IsEmpty(g_PlaybackGraph));
    EXPECT_EQ(Title(), "Duoscope");
    for (int id : kPlaybackItems) EXPECT_TRUE(Grayed(id)) << id << " after the close";
    EXPECT_TRUE(Checked(3007));
    EXPECT_EQ(g_nZoomItem, kZoomItem100);
    // Without a graph the play-state commands do nothing.
    TogglePlay();
    ClickRestart();
    EXPECT_EQ(g_nPlayState.load(), PlayState::Init);
    EXPECT_TRUE(g_boxes.empty()) << Joined(g_boxes);
}

// The timer reads the position and tells the seek bar.
TEST_F(PlaybackControl, PositionTimerFeedsTheSeekBar) {
    ASSERT_TRUE(Open(DUOSCOPE_TEST_MOVIE_RGB24_AVI)) << Joined(g_boxes);
    PauseAt(500);
    g_seekBarCommands.clear();
    g_nPositionMs = -1;
    StartPositionTimer();
    EXPECT_EQ(g_bTimerOn, 1);
    EXPECT_TRUE(PumpUntil([] { return !g_seekBarCommands.empty(); }, 10000));
    EXPECT_EQ(g_seekBarCommands.front(), 1202);
    EXPECT_EQ(g_nPositionMs, 500);
    StopPositionTimer();
    EXPECT_EQ(g_bTimerOn, 0);
}

TEST_F(PlaybackControl, RateStepsStopWhereTheGraphRefuses) {
    ASSERT_TRUE(Open(DUOSCOPE_TEST_MOVIE_RGB24_AVI)) << Joined(g_boxes);
    EXPECT_EQ(g_dRate, 1.0);
    EXPECT_EQ(Title().find("(Rate:"), std::string::npos) << Title();

    for (int i = 0; i < 3; ++i) ChangeRate(-kRateStep);
    EXPECT_EQ(g_dRate, 0.25);
    EXPECT_NE(Title().find("(Rate:0.25)"), std::string::npos) << Title();

    // A fourth would be 0: refused, the title keeps 0.25.
    ChangeRate(-kRateStep);
    EXPECT_EQ(g_dRate, 0.25);
    EXPECT_NE(Title().find("(Rate:0.25)"), std::string::npos) << Title();

    ChangeRate(kRateStep);
    EXPECT_EQ(g_dRate, 0.5);
    ChangeRate(0.0);
    EXPECT_EQ(g_dRate, 0.5);
    SetRate(2.0);
    EXPECT_EQ(g_dRate, 2.0);
    EXPECT_NE(Title().find("(Rate:2.00)"), std::string::npos) << Title();
    SetRate(1.0);
    EXPECT_EQ(Title().find("(Rate:"), std::string::npos) << Title();
    EXPECT_TRUE(g_boxes.empty()) << Joined(g_boxes);
}

// The test movies have no sound: the volume read is not implemented, so
// mute does nothing and says nothing.
TEST_F(PlaybackControl, MuteWithoutSoundDoesNothing) {
    ASSERT_TRUE(Open(DUOSCOPE_TEST_MOVIE_RGB24_AVI)) << Joined(g_boxes);
    long volume = 0;
    const HRESULT read = g_PlaybackGraph.pBA->get_Volume(&volume);
    if (read != E_NOTIMPL) GTEST_SKIP() << "the graph has sound here: " << Hex(read);
    ToggleMute();
    EXPECT_EQ(g_lVolume, 0);
    EXPECT_EQ(Title().find("(Silence)"), std::string::npos) << Title();
    EXPECT_TRUE(g_boxes.empty()) << Joined(g_boxes);

    // A silenced movie says so, after the pause.
    g_lVolume = -10000;
    PauseClip();
    EXPECT_NE(Title().find("(Silence)(Pause)"), std::string::npos) << Title();
}

TEST_F(PlaybackControl, EndWithoutRepeatPausesAndPlayStartsAgain) {
    ASSERT_TRUE(Open(DUOSCOPE_TEST_MOVIE_RGB24_AVI)) << Joined(g_boxes);
    ASSERT_TRUE(PumpUntil([] { return g_bAtEnd == 1; }, 15000)) << "no end of movie";
    EXPECT_EQ(g_nPlayState.load(), PlayState::Paused);
    EXPECT_NE(Title().find("(Pause)"), std::string::npos) << Title();

    // The play command: from the start again.
    g_bAtEnd = 0;
    RewindClip();
    EXPECT_EQ(Position(), 0);
    PlayClip();
    EXPECT_EQ(g_nPlayState.load(), PlayState::Running);
    ASSERT_TRUE(PumpUntil([] { return g_bAtEnd == 1; }, 15000)) << "the second run did not reach the end";
    EXPECT_EQ(g_nPlayState.load(), PlayState::Paused);
    EXPECT_TRUE(g_boxes.empty()) << Joined(g_boxes);
}

// Where the video renderer is: the start time of the frame it showed last.
// (The graph's own position stays at the end after the first end of the
// movie here, although playback goes round.)
LONGLONG RendererPositionMs() {
    IEnumFilters* filters = nullptr;
    if (FAILED(g_PlaybackGraph.pGB->EnumFilters(&filters))) return -1;
    LONGLONG ms = -1;
    IBaseFilter* filter = nullptr;
    while (ms < 0 && filters->Next(1, &filter, nullptr) == S_OK) {
        IMediaSeeking* seeking = nullptr;
        if (SUCCEEDED(filter->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&seeking)))) {
            LONGLONG position = 0;
            if (SUCCEEDED(seeking->GetCurrentPosition(&position))) ms = position / kMs;
            seeking->Release();
        }
        filter->Release();
    }
    filters->Release();
    return ms;
}

TEST_F(PlaybackControl, EndWithRepeatGoesBackToTheStart) {
    g_Settings.nRepeat = 1;
    ASSERT_TRUE(Open(DUOSCOPE_TEST_MOVIE_RGB24_AVI)) << Joined(g_boxes);
    // Late in the movie, then early again: it went round, twice.
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(PumpUntil([] { return RendererPositionMs() >= 800; }, 15000)) << RendererPositionMs();
        ASSERT_TRUE(PumpUntil([] { return RendererPositionMs() < 500; }, 15000)) << "no repeat";
        EXPECT_EQ(g_nPlayState.load(), PlayState::Running);
        EXPECT_EQ(g_bAtEnd, 0);
    }
    EXPECT_TRUE(g_boxes.empty()) << Joined(g_boxes);
}

// The platform here cannot step frames itself: a step pauses and moves on
// by whole frame times (100 ms in the test movie), never past the last frame.
TEST_F(PlaybackControl, StepsFramesBySeekingWhenThePlatformCannot) {
    ASSERT_TRUE(Open(DUOSCOPE_TEST_MOVIE_RGB24_AVI)) << Joined(g_boxes);
    ASSERT_EQ(g_nFrameMs, 100);
    if (g_PlaybackGraph.pFS) GTEST_SKIP() << "the platform steps frames itself";

    PauseAt(200);
    struct Case {
        int frames;
        LONGLONG positionMs;
    };
    for (const Case& c : {Case{1, 300}, Case{3, 600}, Case{9, 900}, Case{1, 900}}) {
        StepFrames(c.frames);
        EXPECT_EQ(g_nPlayState.load(), PlayState::Paused);
        EXPECT_EQ(Position(), c.positionMs * kMs) << c.frames << " frames";
    }

    // Running: the step pauses first.
    PlayClip();
    StepFrames(1);
    EXPECT_EQ(g_nPlayState.load(), PlayState::Paused);
    // Right after a rewind (stopped): it plays, then pauses and steps.
    RewindClip();
    ASSERT_EQ(g_nPlayState.load(), PlayState::Stopped);
    StepFrames(1);
    EXPECT_EQ(g_nPlayState.load(), PlayState::Paused);
    EXPECT_GE(Position(), 100 * kMs);
    EXPECT_NE(Title().find("(Pause)"), std::string::npos) << Title();
    EXPECT_TRUE(g_boxes.empty()) << Joined(g_boxes);
}

// Seeking works in every display mode the main window plays in, whether or
// not the platform can step frames.
TEST_F(PlaybackControl, SeeksInEveryWindowedDisplayMode) {
    for (int32_t mode = 0; mode <= 13; ++mode) {
        if (mode == 8 || mode == 9) continue;  // shown by the full-screen presenters
        SCOPED_TRACE(mode);
        ASSERT_TRUE(Open(mode % 2 ? DUOSCOPE_TEST_MOVIE_YUY2_AVI : DUOSCOPE_TEST_MOVIE_RGB24_AVI, mode))
            << Joined(g_boxes);
        g_nPositionMs = 400;
        SeekToPosition();
        EXPECT_EQ(g_nPlayState.load(), PlayState::Paused);
        EXPECT_EQ(Position(), 400 * kMs);
        EXPECT_NE(Title().find("(Pause)"), std::string::npos) << Title();
        StopPositionTimer();
        CloseClip();
    }
    EXPECT_TRUE(g_boxes.empty()) << Joined(g_boxes);
}

TEST_F(PlaybackControl, GoToEndAndPagingBeyondIt) {
    ASSERT_TRUE(Open(DUOSCOPE_TEST_MOVIE_RGB24_AVI)) << Joined(g_boxes);
    ASSERT_EQ(g_nDurationMs, 1000);

    // Go to end (3012).
    GoToEnd();
    SeekToPosition();
    EXPECT_EQ(g_bAtEnd, 1);
    EXPECT_EQ(g_nPlayState.load(), PlayState::Paused);
    EXPECT_EQ(Position(), 999 * kMs);
    const std::string error = LoadResString(IDS_ERROR);
    ASSERT_FALSE(error.empty());
    EXPECT_NE(Title(), error);

    // Page right from there: a tenth of the range past the end.
    g_nPositionMs = 999 + 999 / 10;
    SeekToPosition();
    EXPECT_EQ(Title(), error);
    EXPECT_EQ(Position(), 999 * kMs) << "the movie stays where it was";
    // The next title update shows the movie again.
    PauseClip();
    EXPECT_EQ(Title().rfind("sbs_rgb24_320x240.avi [", 0), 0u) << Title();
    EXPECT_TRUE(g_boxes.empty()) << Joined(g_boxes);

    // Back to the start before the close: closing while the renderer holds
    // the last frame deadlocks the effect filter's framework (its output pin
    // takes the filter lock in QueryInterface while Stop holds it).
    g_nPositionMs = 0;
    SeekToPosition();
    EXPECT_EQ(Position(), 0);
}

TEST_F(PlaybackControl, PlayListsAreRefusedAndKeepTheirPath) {
    const char* path = "C:\\movies\\Trailers.ASX";
    EXPECT_FALSE(Open(path));
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_NE(g_boxes[0].find(LoadResString(IDS_ASX_NOT_SUPPORTED)), std::string::npos) << g_boxes[0];
    EXPECT_STREQ(g_szCurrentFile, path);
    EXPECT_EQ(g_nPlayState.load(), PlayState::Init);
    EXPECT_TRUE(IsEmpty(g_PlaybackGraph));
}

TEST_F(PlaybackControl, AFailedBuildClosesEverything) {
    EXPECT_FALSE(Open("C:\\no such folder\\movie.avi"));
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_NE(g_boxes[0].find("RenderFile"), std::string::npos) << g_boxes[0];
    EXPECT_EQ(g_nPlayState.load(), PlayState::Init);
    EXPECT_EQ(g_szCurrentFile[0], '\0');
    EXPECT_TRUE(IsEmpty(g_PlaybackGraph));
    EXPECT_EQ(Title(), "Duoscope");
    EXPECT_TRUE(Grayed(3002));
}

// Shutter glasses are never shown in the main window: the movie goes into
// the history (or the missing driver is reported) and the open "fails".
TEST_F(PlaybackControl, ShutterGlassesModeOpensNothingHere) {
    // WinX3D without its driver.
    g_nShutterDriver = 0;
    EXPECT_FALSE(Open(DUOSCOPE_TEST_MOVIE_RGB24_AVI, 9));
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_NE(g_boxes[0].find("WinX3D"), std::string::npos) << g_boxes[0];
    EXPECT_EQ(g_boxes[0].rfind(std::string(LoadResString(IDS_ERROR)) + "|", 0), 0u) << g_boxes[0];
    EXPECT_EQ(g_boxTypes[0], static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_TRUE(IsEmpty(g_PlaybackGraph));

    // Another driver: into the history with its stereo settings. The
    // nVidia window asks for a mode the test display cannot take, so it
    // says so and returns at once.
    g_boxes.clear();
    g_nShutterDriver = 1;
    g_Settings.nAutostart = 0;
    g_Settings.n3DSize = 4;
    EXPECT_FALSE(Open(DUOSCOPE_TEST_MOVIE_YUY2_AVI, 9));
    ASSERT_EQ(g_boxes.size(), 1u) << Joined(g_boxes);
    EXPECT_EQ(g_boxes[0], "nVidiaStereo|Bad display mode\n\nThis sample will now exit.");
    EXPECT_EQ(g_Settings.history[0].path, DUOSCOPE_TEST_MOVIE_YUY2_AVI);
    HistoryType type;
    ASSERT_TRUE(DecodeHistoryType(g_Settings.history[0].typeCode, type));
    EXPECT_EQ(type.displayMode, 9);
    EXPECT_EQ(type.fullScreen, 0);
    EXPECT_EQ(g_nSavedState, PlayState::Paused);
    EXPECT_TRUE(IsEmpty(g_PlaybackGraph));
    EXPECT_TRUE(Checked(3033));
}

// The platform's renderer of RGB frames has a full-screen mode: keys go to
// the main window, the picture is letterboxed (anaglyph) or only centred
// (line interlace).
TEST_F(PlaybackControl, PlatformFullScreenLetterboxesAndComesBack) {
    ASSERT_TRUE(Open(DUOSCOPE_TEST_MOVIE_RGB24_AVI)) << Joined(g_boxes);
    IVideoWindow* video = g_PlaybackGraph.pVW;
    IBasicVideo* basic = g_PlaybackGraph.pBV;
    long w = 0, h = 0;
    ASSERT_EQ(basic->GetVideoSize(&w, &h), S_OK);
    ASSERT_EQ(w, 640);
    ASSERT_EQ(h, 240);
    const long sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);

    struct Case {
        int32_t mode;
        long width, height;  // of the picture on the screen
    };
    // One view is 160 x 240: fitted to the screen's height, or not scaled.
    const Case cases[] = {{2, sh * 160 / 240, sh}, {7, 160, 240}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        g_nDisplayMode = c.mode;
        EXPECT_EQ(ToggleFullScreen(), S_OK);
        EXPECT_TRUE(g_boxes.empty()) << Joined(g_boxes);
        EXPECT_EQ(g_bDsFullScreen, 1);
        long mode = 0;
        ASSERT_EQ(video->get_FullScreenMode(&mode), S_OK);
        EXPECT_EQ(mode, OATRUE);
        OAHWND drain = 0;
        ASSERT_EQ(video->get_MessageDrain(&drain), S_OK);
        EXPECT_EQ(reinterpret_cast<HWND>(drain), main_);
        long left = 0, top = 0, width = 0, height = 0;
        ASSERT_EQ(basic->GetDestinationPosition(&left, &top, &width, &height), S_OK);
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
        EXPECT_EQ(left, (sw - c.width) / 2);
        EXPECT_EQ(top, (sh - c.height) / 2);
        ASSERT_EQ(basic->GetSourcePosition(&left, &top, &width, &height), S_OK);
        EXPECT_EQ(left, 0);
        EXPECT_EQ(top, 0);
        EXPECT_EQ(width, 160);
        EXPECT_EQ(height, 240);

        EXPECT_EQ(ToggleFullScreen(), S_OK);
        EXPECT_TRUE(g_boxes.empty()) << Joined(g_boxes);
        EXPECT_EQ(g_bDsFullScreen, 0);
        ASSERT_EQ(video->get_FullScreenMode(&mode), S_OK);
        EXPECT_EQ(mode, OAFALSE);
        ASSERT_EQ(video->get_MessageDrain(&drain), S_OK);
        EXPECT_EQ(drain, 0) << "the drain given back";
    }
}

}  // namespace
