// The main window's playback graph on the Win32 platform: a real movie
// through the stereo effect filter into the platform's renderer in a test
// window, its events as window messages, the window's size, the entry in
// the running object table as another process sees it, and the release.
// Diagnostics are taken from the shell's message-box sink instead of
// modal boxes.
#include "graphs/playback_graph.h"

#define STRSAFE_NO_DEPRECATE
#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "baseclasses/baseclasses.h"
#include "com_test_support.h"
#include "duoscope_test_media.h"
#include "core/x87_control.h"
#include "core/app_state.h"
#include "shell/graph_platform_win32.h"
#include "shell/player_win32.h"

namespace {

using testsupport::ComApartment;
using testsupport::Hex;
using testsupport::PumpUntil;

// What the windows saw.
struct WindowLog {
    int graphNotifications = 0;
    LPARAM lastNotifyParam = -1;
    std::vector<LONG> events;  // codes taken from the graph on WM_GRAPHNOTIFY
    int seekBarRescales = 0;
};
WindowLog g_log;

// The main window's part: on WM_GRAPHNOTIFY take every queued event, as
// the shell does.
LRESULT CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == static_cast<UINT>(WM_GRAPHNOTIFY)) {
        ++g_log.graphNotifications;
        g_log.lastNotifyParam = lp;
        if (IMediaEventEx* events = g_PlaybackGraph.pME) {
            LONG code = 0;
            LONG_PTR p1 = 0, p2 = 0;
            while (SUCCEEDED(events->GetEvent(&code, &p1, &p2, 0))) {
                events->FreeEventParams(code, p1, p2);
                g_log.events.push_back(code);
            }
        }
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK SeekBarProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COMMAND && LOWORD(wp) == kSeekBarNewMovie) ++g_log.seekBarRescales;
    return DefWindowProcW(hwnd, msg, wp, lp);
}

bool IsEmpty(const PlaybackGraph& g) {
    const void* fields[] = {g.pGB, g.pRenderer, g.pMC, g.pME, g.pMS, g.pMP, g.pVW, g.pBV, g.pBA, g.pFS,
                            g.pCaptureBuilder, g.pFirstCapture, g.pSecondCapture, g.pCompressor, g.pTee,
                            g.pMultiplexer, g.pFileSink, g.pAviConfig, g.pAviMux};
    return g.dwGraphRegister == 0 &&
           std::all_of(std::begin(fields), std::end(fields), [](const void* p) { return p == nullptr; });
}

// The entry RegisterGraph makes: the graph's address (low 32 bits) and our
// process, as an item moniker shows it.
std::string ExpectedRotEntry(const IGraphBuilder* graph) {
    char name[64];
    std::snprintf(name, sizeof name, "!FilterGraph %08x pid %08x",
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(graph) & 0xFFFFFFFFu),
                  static_cast<unsigned>(GetCurrentProcessId()));
    return name;
}

// The running object table as another process lists it: the helper
// duoscope_rot_list.exe next to this program, its output to a file.
::testing::AssertionResult ListRunningObjects(std::vector<std::string>* lines) {
    char self[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return ::testing::AssertionFailure() << "no module path";
    std::string exe(self);
    exe = exe.substr(0, exe.find_last_of("\\/") + 1) + "duoscope_rot_list.exe";

    char dir[MAX_PATH];
    char file[MAX_PATH];
    if (!GetTempPathA(MAX_PATH, dir) || !GetTempFileNameA(dir, "rot", 0, file))
        return ::testing::AssertionFailure() << "no temporary file";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileA(file, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return ::testing::AssertionFailure() << "cannot write " << file;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = out;
    si.hStdError = out;
    PROCESS_INFORMATION pi{};
    std::string command = "\"" + exe + "\"";
    const BOOL started =
        CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi);
    CloseHandle(out);
    if (!started) {
        DeleteFileA(file);
        return ::testing::AssertionFailure() << "cannot start " << exe << ": error " << GetLastError();
    }
    // Keep our window's messages flowing while the other process runs.
    const bool ended = PumpUntil([&] { return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; }, 30000);
    DWORD rc = 1;
    GetExitCodeProcess(pi.hProcess, &rc);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);

    lines->clear();
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines->push_back(line);
    }
    in.close();
    DeleteFileA(file);
    if (!ended) return ::testing::AssertionFailure() << "the helper did not end";
    if (rc != 0) return ::testing::AssertionFailure() << "the helper failed: " << rc;
    return ::testing::AssertionSuccess();
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// What ReportMessage would have shown, in order.
std::vector<std::string> g_reports;

int TakeMessage(HWND, const char* text, const char*, UINT) {
    g_reports.push_back(std::string("ReportMessage: ") + text);
    return IDOK;
}

std::vector<std::string> Reports() { return g_reports; }
void ClearReports() { g_reports.clear(); }

// A main window with a seek bar, and the shell state a build reads; all
// restored afterwards.
class PlaybackGraphWin32 : public testing::Test {
protected:
    void SetUp() override {
        saved_ = Saved{ghApp,         g_hSeekBar,     g_hToolbar,          g_nDisplayMode, g_nInputLayout,
                       g_nLayoutPctX, g_nLayoutPctY,  g_bAspect43,         g_nSourceKind,  g_nPlayState};
        const HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSW main{};
        main.lpfnWndProc = MainProc;
        main.hInstance = instance;
        main.lpszClassName = L"DuoscopePlaybackTestMain";
        RegisterClassW(&main);
        WNDCLASSW seek{};
        seek.lpfnWndProc = SeekBarProc;
        seek.hInstance = instance;
        seek.lpszClassName = L"DuoscopePlaybackTestSeekBar";
        RegisterClassW(&seek);
        main_ = CreateWindowExW(0, main.lpszClassName, L"playback test", WS_OVERLAPPEDWINDOW, 50, 50, 500, 400,
                                nullptr, LoadMenuA(instance, "PLAYAVI"), instance, nullptr);
        ASSERT_NE(main_, nullptr);
        savedMenu_ = g_hMenu;
        g_hMenu = GetMenu(main_);
        SetMessageBoxSink(TakeMessage);
        seekBar_ = CreateWindowExW(0, seek.lpszClassName, L"", WS_POPUP, 0, 0, 100, 20, main_, nullptr, instance,
                                   nullptr);
        ASSERT_NE(seekBar_, nullptr);

        ghApp = main_;
        g_hSeekBar = seekBar_;
        g_hToolbar = nullptr;
        g_nInputLayout = 0;
        g_nLayoutPctX = 25;
        g_nLayoutPctY = 100;
        g_bAspect43 = 0;
        g_nSourceKind = SourceKind::MovieFile;
        g_nPlayState = PlayState::Stopped;
        g_log = WindowLog{};
        ClearReports();
    }

    void TearDown() override {
        SetMessageBoxSink(nullptr);
        g_hMenu = savedMenu_;
        ReleasePlaybackGraph(Win32GraphPlatform(), g_PlaybackGraph);
        if (seekBar_) DestroyWindow(seekBar_);
        if (main_) DestroyWindow(main_);
        ghApp = saved_.app;
        g_hSeekBar = saved_.seekBar;
        g_hToolbar = saved_.toolbar;
        g_nDisplayMode = saved_.mode;
        g_nInputLayout = saved_.layout;
        g_nLayoutPctX = saved_.pctX;
        g_nLayoutPctY = saved_.pctY;
        g_bAspect43 = saved_.aspect;
        g_nSourceKind = saved_.source;
        g_nPlayState = saved_.state;
        g_szCurrentFile[0] = '\0';
    }

    struct Saved {
        WindowHandle app, seekBar, toolbar;
        int32_t mode, layout, pctX, pctY, aspect;
        SourceKind source;
        PlayState state;
    } saved_{};
    ComApartment com_;
    HWND main_ = nullptr;
    HWND seekBar_ = nullptr;
    HMENU savedMenu_ = nullptr;
};

struct SizeCase {
    const char* name;
    int32_t displayMode;
    int32_t zoomStep;
    LONG clientWidth;
    LONG clientHeight;  // toolbar band included
};

void PrintTo(const SizeCase& c, std::ostream* os) { *os << c.name; }

class PlaybackGraphWin32Modes : public PlaybackGraphWin32, public testing::WithParamInterface<SizeCase> {};

}  // namespace

// The 320x240 side-by-side movie: the effect filter's frames are 640x240.
TEST_P(PlaybackGraphWin32Modes, PlaysThroughTheEffectFilterInTheWindowAndReleases) {
    const SizeCase& c = GetParam();
    g_nDisplayMode = c.displayMode;
    std::strcpy(g_szCurrentFile, DUOSCOPE_TEST_MOVIE_RGB24_AVI);  // the title names it
    const LONG objectsBefore = CBaseObject::ObjectsActive();

    // The build hands on Run's result: S_FALSE while the graph is still
    // on its way to running.
    const HRESULT hr = BuildPlaybackGraph(Win32GraphPlatform(), g_PlaybackGraph, DUOSCOPE_TEST_MOVIE_RGB24_AVI);
    ASSERT_TRUE(hr == S_OK || hr == S_FALSE) << Hex(hr);
    EXPECT_TRUE(Reports().empty()) << Reports().front();
    EXPECT_EQ(g_nPlayState.load(), PlayState::Running);
    const PlaybackGraph& g = g_PlaybackGraph;
    for (const void* p : {static_cast<const void*>(g.pGB), static_cast<const void*>(g.pRenderer),
                          static_cast<const void*>(g.pMC), static_cast<const void*>(g.pME),
                          static_cast<const void*>(g.pMS), static_cast<const void*>(g.pMP),
                          static_cast<const void*>(g.pVW), static_cast<const void*>(g.pBV),
                          static_cast<const void*>(g.pBA)})
        EXPECT_NE(p, nullptr);
    EXPECT_NE(g.dwGraphRegister, 0u);

    // The video went through the effect filter: both its pins connected.
    IEnumPins* pins = nullptr;
    ASSERT_EQ(g.pRenderer->EnumPins(&pins), S_OK);
    IPin* pin = nullptr;
    int connected = 0, total = 0;
    while (pins->Next(1, &pin, nullptr) == S_OK) {
        ++total;
        IPin* peer = nullptr;
        if (pin->ConnectedTo(&peer) == S_OK) {
            ++connected;
            peer->Release();
        }
        pin->Release();
    }
    pins->Release();
    EXPECT_EQ(total, 2);
    EXPECT_EQ(connected, 2);

    // The window fits the picture at the mode's ratio, under the toolbar band.
    EXPECT_EQ(g_nZoomStep, c.zoomStep);
    RECT client{};
    GetClientRect(main_, &client);
    EXPECT_EQ(client.right - client.left, c.clientWidth);
    EXPECT_EQ(client.bottom - client.top, c.clientHeight);
    OAHWND owner = 0;
    ASSERT_EQ(g.pVW->get_Owner(&owner), S_OK);
    EXPECT_EQ(reinterpret_cast<HWND>(owner), main_);
    EXPECT_TRUE(IsWindowVisible(main_));

    // The shell was told: the playback menu, the title, the seek bar.
    EXPECT_EQ(GetMenuState(GetMenu(main_), 3002, MF_BYCOMMAND) & MF_GRAYED, 0u) << "play enabled";
    char title[256] = {};
    GetWindowTextA(main_, title, sizeof title);
    EXPECT_EQ(std::string(title).rfind("sbs_rgb24_320x240.avi [Video", 0), 0u) << "the movie's title: " << title;
    EXPECT_EQ(g_log.seekBarRescales, 1);
    EXPECT_EQ(g_nDurationMs, 1000) << "10 frames at 10 per second";
    EXPECT_EQ(g_nFrameMs, 100);

    // Registered for graph inspection: another process finds it.
    const std::string entry = ExpectedRotEntry(g.pGB);
    std::vector<std::string> rot;
    ASSERT_TRUE(ListRunningObjects(&rot));
    EXPECT_TRUE(Contains(rot, entry)) << entry << " not among " << rot.size() << " entries";

    // Events arrive as WM_GRAPHNOTIFY, up to the end of the movie.
    EXPECT_TRUE(PumpUntil(
        [] { return std::count(g_log.events.begin(), g_log.events.end(), EC_COMPLETE) > 0; }, 10000))
        << "no EC_COMPLETE through the window";
    EXPECT_GT(g_log.graphNotifications, 0);
    EXPECT_EQ(g_log.lastNotifyParam, 0);

    ReleasePlaybackGraph(Win32GraphPlatform(), g_PlaybackGraph);
    EXPECT_TRUE(IsEmpty(g_PlaybackGraph));
    ASSERT_TRUE(ListRunningObjects(&rot));
    EXPECT_FALSE(Contains(rot, entry)) << "still registered after the release";
    EXPECT_EQ(CBaseObject::ObjectsActive(), objectsBefore) << "the effect filter, its pins and allocators";
    EXPECT_TRUE(Reports().empty()) << Reports().front();
}

INSTANTIATE_TEST_SUITE_P(
    PlaybackGraphWin32Modes, PlaybackGraphWin32Modes,
    testing::Values(
        // Anaglyph: one view wide, ratio 1/1.
        SizeCase{"Anaglyph", 2, 12, 160, 240 + TOOLHIGHT},
        // Side by side: both views, at half size.
        SizeCase{"SideBySide", 1, 6, 160, 120 + TOOLHIGHT}),
    [](const testing::TestParamInfo<SizeCase>& info) { return std::string(info.param.name); });

// Connecting the platform's default renderer leaves the calling thread's
// x87 unit at single precision (measured under Wine); the build puts the
// control word back, so the platform's own REFTIME arithmetic on this
// thread keeps its 53 bits: 100 ms as a double is 0.1, not 0.100000001.
TEST_F(PlaybackGraphWin32, BuildingLeavesTheX87ControlWordAsItWas) {
    g_nDisplayMode = 2;
    std::strcpy(g_szCurrentFile, DUOSCOPE_TEST_MOVIE_RGB24_AVI);
    X87ControlScope keep;
    SetX87ControlWord(0x027f);  // double precision, all exceptions masked
    const HRESULT hr = BuildPlaybackGraph(Win32GraphPlatform(), g_PlaybackGraph, DUOSCOPE_TEST_MOVIE_RGB24_AVI);
    ASSERT_TRUE(hr == S_OK || hr == S_FALSE) << Hex(hr);
    EXPECT_EQ(X87ControlWord(), 0x027f);
    REFTIME frameTime = 0;
    ASSERT_EQ(g_PlaybackGraph.pBV->get_AvgTimePerFrame(&frameTime), S_OK);
    EXPECT_EQ(frameTime, 0.1);
    REFTIME duration = 0;
    ASSERT_EQ(g_PlaybackGraph.pMP->get_Duration(&duration), S_OK);
    EXPECT_EQ(duration, 1.0);
    ReleasePlaybackGraph(Win32GraphPlatform(), g_PlaybackGraph);
    EXPECT_EQ(X87ControlWord(), 0x027f);
}

// The wide path buffer holds 259 characters and the terminator. A longer
// path is refused before any graph exists, with a message; one that fits
// goes on (and fails here only because there is no such file).
TEST_F(PlaybackGraphWin32, PathsLongerThanTheBufferAreRefused) {
    g_nDisplayMode = 2;
    for (const size_t length : {size_t{259}, size_t{260}, size_t{300}}) {
        // C:\aaa…\bbb….avi in components the file system takes.
        std::string path = "C:\\" + std::string(120, 'a') + "\\";
        path += std::string(length - path.size() - 4, 'b') + ".avi";
        ASSERT_EQ(path.size(), length);
        ClearReports();

        const HRESULT hr = BuildPlaybackGraph(Win32GraphPlatform(), g_PlaybackGraph, path.c_str());
        EXPECT_TRUE(FAILED(hr)) << length;
        const std::vector<std::string> reports = Reports();
        ASSERT_EQ(reports.size(), 1u) << length;
        if (length < static_cast<size_t>(kPathChars)) {
            EXPECT_NE(hr, kHrPathTooLong) << length;
            EXPECT_NE(reports[0].find("RenderFile"), std::string::npos) << reports[0];
            EXPECT_NE(g_PlaybackGraph.pGB, nullptr) << "kept for the release";
        } else {
            EXPECT_EQ(hr, kHrPathTooLong) << Hex(hr);
            EXPECT_NE(reports[0].find("too long"), std::string::npos) << reports[0];
            EXPECT_TRUE(IsEmpty(g_PlaybackGraph)) << length << ": no graph";
        }
        ReleasePlaybackGraph(Win32GraphPlatform(), g_PlaybackGraph);
        EXPECT_TRUE(IsEmpty(g_PlaybackGraph));
    }
    EXPECT_EQ(g_nPlayState.load(), PlayState::Stopped);
}
