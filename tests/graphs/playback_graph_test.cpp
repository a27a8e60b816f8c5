#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "graphs/playback_graph.h"
#include "presentation/presenter.h"

namespace {

const WindowHandle kApp = reinterpret_cast<WindowHandle>(uintptr_t{0x1000});
const WindowHandle kToolbar = reinterpret_cast<WindowHandle>(uintptr_t{0x2000});
const WindowHandle kSeekBar = reinterpret_cast<WindowHandle>(uintptr_t{0x3000});
const WindowHandle kPresenter = reinterpret_cast<WindowHandle>(uintptr_t{0x4000});

const HRESULT kClassNotRegistered = static_cast<HRESULT>(0x80040154u);
const HRESULT kUnsupportedStream = static_cast<HRESULT>(0x80040265u);
const HRESULT kNoUnicodeTranslation = static_cast<HRESULT>(0x80070459u);

std::string Narrow(const wchar_t* text) {
    std::string out;
    for (; text && *text; ++text) out += *text < 128 ? static_cast<char>(*text) : '?';
    return out;
}

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(value));
    return text;
}

// Records every platform call in order, as "Call(arguments)" with objects
// and windows by name, and counts the references it hands out. Any call can
// be made to return a given code (a success code too, such as S_FALSE).
class FakePlatform : public GraphPlatform {
public:
    std::vector<std::string> calls;
    std::vector<std::string> messages;
    std::map<std::string, HRESULT> results;  // call name -> code it returns
    bool overReleased = false;

    // The media and the windows.
    int32_t videoWidth = 640, videoHeight = 480;
    double duration = 60.0;
    double frameTime = 0.04;
    std::map<int32_t, std::string> strings{{kStrRegisterFailed, "Registration failed (0x%08x)"},
                                           {kStrVisibilityFailed, "No picture (0x%x)"}};
    uint32_t processId = 0x1234;
    uint32_t registrationNumber = 0x77;
    bool grabRendererOnFailure = false;  // a grab renderer that was built but reports a failure
    WindowRect window{100, 50, 100 + 508, 50 + 446};  // outer, screen coordinates
    int32_t frameWidth = 8, frameHeight = 46;         // border, caption and menu
    int32_t menuWrapsBelow = 0;  // a window narrower than this has a second menu line
    WindowRect toolbar{104, 90, 704, 120};
    WindowRect videoPos{-1, -1, -1, -1};  // left, top, width, height of the video window
    WindowRect seekBarPos{-1, -1, -1, -1};
    int32_t sourceWidth = -1, sourceHeight = -1;
    int32_t audioOnlyAtTitle = -1;
    std::string renderedPath;

    // Objects handed out by name; the code under test only passes them on.
    template <typename T>
    T* Make(const std::string& name) {
        objects_.push_back(name);
        ++refs_[name];
        return reinterpret_cast<T*>(&objects_.back());
    }
    static std::string Name(const void* p) { return p ? *static_cast<const std::string*>(p) : "null"; }
    static std::string Name(WindowHandle h) {
        if (h == kApp) return "app";
        if (h == kToolbar) return "toolbar";
        if (h == kSeekBar) return "seekbar";
        if (h == kPresenter) return "presenter";
        return h ? "window?" : "null";
    }
    std::set<std::string> Live() const {
        std::set<std::string> live;
        for (const auto& r : refs_)
            if (r.second > 0) live.insert(r.first);
        return live;
    }
    std::vector<std::string> Released() const {
        std::vector<std::string> released;
        for (const auto& c : calls)
            if (c.rfind("Release(", 0) == 0) released.push_back(c.substr(8, c.size() - 9));
        return released;
    }
    bool Called(const std::string& call) const { return std::find(calls.begin(), calls.end(), call) != calls.end(); }
    bool CalledAny(const std::string& prefix) const {
        return std::any_of(calls.begin(), calls.end(), [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
    }
    WindowRect Client() const {
        const int32_t menuLines = window.right - window.left < menuWrapsBelow ? 18 : 0;
        return {0, 0, window.right - window.left - frameWidth, window.bottom - window.top - frameHeight - menuLines};
    }

    HRESULT CreateFilterGraph(IGraphBuilder** graph) override { return Create("CreateFilterGraph", "graph", graph); }
    HRESULT NewStereoEffectFilter(IBaseFilter** filter) override {
        return Create("NewStereoEffectFilter", "effect", filter);
    }
    HRESULT NewGrabRenderer(WindowHandle owner, IBaseFilter** filter) override {
        const HRESULT hr = Create("NewGrabRenderer(" + Name(owner) + ")", "grab", filter);
        if (FAILED(hr) && grabRendererOnFailure) *filter = Make<IBaseFilter>("grab");
        return hr;
    }
    HRESULT AddFilter(IGraphBuilder* graph, IBaseFilter* filter, const wchar_t* name) override {
        calls.push_back("AddFilter(" + Name(graph) + ", " + Name(filter) + ", " + Narrow(name) + ")");
        return Result("AddFilter");
    }
    HRESULT RenderFile(IGraphBuilder* graph, const wchar_t* path) override {
        renderedPath = Narrow(path);
        calls.push_back("RenderFile(" + Name(graph) + ", " + renderedPath + ")");
        return Result("RenderFile");
    }
    HRESULT QueryInterface(IGraphBuilder*, IMediaControl** out) override { return Query("IMediaControl", "MC", out); }
    HRESULT QueryInterface(IGraphBuilder*, IMediaEventEx** out) override { return Query("IMediaEventEx", "ME", out); }
    HRESULT QueryInterface(IGraphBuilder*, IMediaSeeking** out) override { return Query("IMediaSeeking", "MS", out); }
    HRESULT QueryInterface(IGraphBuilder*, IMediaPosition** out) override {
        return Query("IMediaPosition", "MP", out);
    }
    HRESULT QueryInterface(IGraphBuilder*, IVideoWindow** out) override { return Query("IVideoWindow", "VW", out); }
    HRESULT QueryInterface(IGraphBuilder*, IBasicVideo** out) override { return Query("IBasicVideo", "BV", out); }
    HRESULT QueryInterface(IGraphBuilder*, IBasicAudio** out) override { return Query("IBasicAudio", "BA", out); }
    HRESULT QueryInterface(IGraphBuilder*, IVideoFrameStep** out) override {
        return Query("IVideoFrameStep", "FS", out);
    }
    HRESULT SetNotifyWindow(IMediaEventEx* events, WindowHandle w, int32_t message, intptr_t param) override {
        calls.push_back("SetNotifyWindow(" + Name(events) + ", " + Name(w) + ", " + std::to_string(message) + ", " +
                        std::to_string(param) + ")");
        return Result("SetNotifyWindow");
    }
    HRESULT PutOwner(IVideoWindow* video, WindowHandle owner) override {
        calls.push_back("PutOwner(" + Name(video) + ", " + Name(owner) + ")");
        return Result("PutOwner");
    }
    HRESULT PutWindowStyle(IVideoWindow* video, int32_t style) override {
        calls.push_back("PutWindowStyle(" + Name(video) + ", " + Hex(style) + ")");
        return Result("PutWindowStyle");
    }
    HRESULT GetVisible(IVideoWindow* video, int32_t* visible) override {
        calls.push_back("GetVisible(" + Name(video) + ")");
        *visible = -1;
        return Result("GetVisible");
    }
    HRESULT SetWindowPosition(IVideoWindow* video, int32_t left, int32_t top, int32_t width,
                              int32_t height) override {
        calls.push_back("SetWindowPosition(" + Name(video) + ", " + Args({left, top, width, height}) + ")");
        const HRESULT hr = Result("SetWindowPosition");
        if (SUCCEEDED(hr)) videoPos = {left, top, width, height};
        return hr;
    }
    HRESULT PutVisible(IVideoWindow* video, bool visible) override {
        calls.push_back("PutVisible(" + Name(video) + ", " + std::to_string(visible) + ")");
        return Result("PutVisible");
    }
    HRESULT GetVideoSize(IBasicVideo* video, int32_t* width, int32_t* height) override {
        calls.push_back("GetVideoSize(" + Name(video) + ")");
        *width = videoWidth;
        *height = videoHeight;
        return Result("GetVideoSize");
    }
    HRESULT PutSourceWidth(IBasicVideo* video, int32_t width) override {
        calls.push_back("PutSourceWidth(" + Name(video) + ", " + std::to_string(width) + ")");
        sourceWidth = width;
        return Result("PutSourceWidth");
    }
    HRESULT PutSourceHeight(IBasicVideo* video, int32_t height) override {
        calls.push_back("PutSourceHeight(" + Name(video) + ", " + std::to_string(height) + ")");
        sourceHeight = height;
        return Result("PutSourceHeight");
    }
    HRESULT GetAvgTimePerFrame(IBasicVideo* video, double* seconds) override {
        calls.push_back("GetAvgTimePerFrame(" + Name(video) + ")");
        *seconds = frameTime;
        return Result("GetAvgTimePerFrame");
    }
    HRESULT GetDuration(IMediaPosition* position, double* seconds) override {
        calls.push_back("GetDuration(" + Name(position) + ")");
        *seconds = duration;
        return Result("GetDuration");
    }
    HRESULT CanStep(IVideoFrameStep* step, int32_t multiple) override {
        calls.push_back("CanStep(" + Name(step) + ", " + std::to_string(multiple) + ")");
        return Result("CanStep");
    }
    HRESULT Run(IMediaControl* control) override {
        calls.push_back("Run(" + Name(control) + ")");
        return Result("Run");
    }
    HRESULT Stop(IMediaControl* control) override {
        calls.push_back("Stop(" + Name(control) + ")");
        return Result("Stop");
    }

    void Release(IGraphBuilder* p) override { Drop(p); }
    void Release(IBaseFilter* p) override { Drop(p); }
    void Release(IMediaControl* p) override { Drop(p); }
    void Release(IMediaEventEx* p) override { Drop(p); }
    void Release(IMediaSeeking* p) override { Drop(p); }
    void Release(IMediaPosition* p) override { Drop(p); }
    void Release(IVideoWindow* p) override { Drop(p); }
    void Release(IBasicVideo* p) override { Drop(p); }
    void Release(IBasicAudio* p) override { Drop(p); }
    void Release(IVideoFrameStep* p) override { Drop(p); }
    void Release(ICaptureGraphBuilder2* p) override { Drop(p); }
    void Release(IFileSinkFilter* p) override { Drop(p); }
    void Release(IConfigAviMux* p) override { Drop(p); }
    void Release(IRunningObjectTable* p) override { Drop(p); }
    void Release(IMoniker* p) override { Drop(p); }

    HRESULT GetRunningObjectTable(IRunningObjectTable** table) override {
        return Create("GetRunningObjectTable", "rot", table);
    }
    HRESULT CreateItemMoniker(const wchar_t* delimiter, const wchar_t* item, IMoniker** moniker) override {
        return Create("CreateItemMoniker(" + Narrow(delimiter) + ", " + Narrow(item) + ")", "moniker", moniker,
                      "CreateItemMoniker");
    }
    HRESULT RegisterInTable(IRunningObjectTable* table, uint32_t flags, IGraphBuilder* graph, IMoniker* moniker,
                            uint32_t* registration) override {
        calls.push_back("RegisterInTable(" + Name(table) + ", " + std::to_string(flags) + ", " + Name(graph) + ", " +
                        Name(moniker) + ")");
        *registration = registrationNumber;  // even on failure: the build must not trust it then
        return Result("RegisterInTable");
    }
    HRESULT RevokeFromTable(IRunningObjectTable* table, uint32_t registration) override {
        calls.push_back("RevokeFromTable(" + Name(table) + ", " + Hex(registration) + ")");
        return Result("RevokeFromTable");
    }
    uint32_t CurrentProcessId() override { return processId; }

    // The system code page here: a byte above 127 starts a two-byte character.
    HRESULT WidenPath(const char* path, wchar_t* buffer, int32_t capacity, int32_t* length) override {
        calls.push_back("WidenPath");
        const HRESULT hr = Result("WidenPath");
        if (FAILED(hr)) return hr;
        std::wstring wide;
        for (const unsigned char* p = reinterpret_cast<const unsigned char*>(path); *p; ++p) {
            if (*p > 127 && p[1]) {
                wide += static_cast<wchar_t>(0x3000 + p[1]);
                ++p;
            } else {
                wide += static_cast<wchar_t>(*p);
            }
        }
        *length = static_cast<int32_t>(wide.size()) + 1;
        if (*length <= capacity) std::copy(wide.c_str(), wide.c_str() + *length, buffer);
        return S_OK;
    }

    void UpdateWindow(WindowHandle w) override { calls.push_back("UpdateWindow(" + Name(w) + ")"); }
    void GetWindowRect(WindowHandle w, WindowRect* rect) override {
        calls.push_back("GetWindowRect(" + Name(w) + ")");
        *rect = w == kToolbar ? toolbar : window;
    }
    void GetClientRect(WindowHandle w, WindowRect* rect) override {
        calls.push_back("GetClientRect(" + Name(w) + ")");
        *rect = Client();
    }
    void SetWindowPos(WindowHandle w, WindowHandle after, int32_t x, int32_t y, int32_t cx, int32_t cy,
                      uint32_t flags) override {
        calls.push_back("SetWindowPos(" + Name(w) + ", " + Name(after) + ", " + Args({x, y, cx, cy}) + ", " +
                        Hex(flags) + ")");
        window.right = window.left + cx;
        window.bottom = window.top + cy;
    }
    void MoveWindow(WindowHandle w, int32_t x, int32_t y, int32_t width, int32_t height, bool repaint) override {
        calls.push_back("MoveWindow(" + Name(w) + ", " + Args({x, y, width, height}) + ", " +
                        std::to_string(repaint) + ")");
        seekBarPos = {x, y, width, height};
    }
    void ShowNormal(WindowHandle w) override { calls.push_back("ShowNormal(" + Name(w) + ")"); }
    void SetForegroundWindow(WindowHandle w) override { calls.push_back("SetForegroundWindow(" + Name(w) + ")"); }
    void SetFocus(WindowHandle w) override { calls.push_back("SetFocus(" + Name(w) + ")"); }
    void SendCommand(WindowHandle w, int32_t id) override {
        calls.push_back("SendCommand(" + Name(w) + ", " + std::to_string(id) + ")");
    }
    void Sleep(uint32_t ms) override { calls.push_back("Sleep(" + std::to_string(ms) + ")"); }
    void CheckMenuItem(int32_t id, bool checked) override {
        calls.push_back("CheckMenuItem(" + std::to_string(id) + ", " + std::to_string(checked) + ")");
    }
    void UpdateMainTitle() override {
        calls.push_back("UpdateMainTitle");
        audioOnlyAtTitle = g_bAudioOnly;
    }
    void InitPlayerWindow() override { calls.push_back("InitPlayerWindow"); }
    void EnablePlaybackMenu(bool enable) override {
        calls.push_back("EnablePlaybackMenu(" + std::to_string(enable) + ")");
    }
    std::string LoadResString(int32_t id) override {
        calls.push_back("LoadResString(" + std::to_string(id) + ")");
        auto it = strings.find(id);
        return it == strings.end() ? std::string() : it->second;
    }
    void ReportMessage(const std::string& text) override {
        calls.push_back("ReportMessage");
        messages.push_back(text);
    }
    HRESULT BuildTwoCameraFullScreenGraph(WindowHandle w) override {
        calls.push_back("BuildTwoCameraFullScreenGraph(" + Name(w) + ")");
        return Result("BuildTwoCameraFullScreenGraph");
    }
    HRESULT BuildOneCameraFullScreenGraph(WindowHandle w) override {
        calls.push_back("BuildOneCameraFullScreenGraph(" + Name(w) + ")");
        return Result("BuildOneCameraFullScreenGraph");
    }

private:
    std::deque<std::string> objects_;  // stable addresses
    std::map<std::string, int> refs_;

    HRESULT Result(const std::string& call) const {
        auto it = results.find(call);
        return it == results.end() ? S_OK : it->second;
    }
    template <typename T>
    HRESULT Create(const std::string& call, const std::string& name, T** out, const std::string& key = "") {
        calls.push_back(call);
        const HRESULT hr = Result(key.empty() ? call : key);
        *out = FAILED(hr) ? nullptr : Make<T>(name);
        return hr;
    }
    template <typename T>
    HRESULT Query(const std::string& iid, const std::string& name, T** out) {
        return Create("QueryInterface(" + iid + ")", name, out);
    }
    void Drop(const void* p) {
        calls.push_back("Release(" + Name(p) + ")");
        if (--refs_[Name(p)] < 0) overReleased = true;
    }
    static std::string Args(std::initializer_list<int32_t> values) {
        std::string out;
        for (int32_t v : values) out += (out.empty() ? "" : ", ") + std::to_string(v);
        return out;
    }
};

std::set<std::string> Held(const PlaybackGraph& g) {
    std::set<std::string> held;
    for (const void* p : {static_cast<const void*>(g.pGB), static_cast<const void*>(g.pRenderer),
                          static_cast<const void*>(g.pMC), static_cast<const void*>(g.pME),
                          static_cast<const void*>(g.pMS), static_cast<const void*>(g.pMP),
                          static_cast<const void*>(g.pVW), static_cast<const void*>(g.pBV),
                          static_cast<const void*>(g.pBA), static_cast<const void*>(g.pFS)})
        if (p) held.insert(FakePlatform::Name(p));
    return held;
}

std::set<std::string> Held(const FullScreenGraph& g) {
    std::set<std::string> held;
    for (const void* p : {static_cast<const void*>(g.pGB1), static_cast<const void*>(g.pRenderer1),
                          static_cast<const void*>(g.pMC1), static_cast<const void*>(g.pMS1),
                          static_cast<const void*>(g.pME1)})
        if (p) held.insert(FakePlatform::Name(p));
    return held;
}

class GraphFixture : public ::testing::Test {
protected:
    FakePlatform fake;
    PlaybackGraph graph;

    void SetUp() override {
        ghApp = kApp;
        g_hToolbar = kToolbar;
        g_hSeekBar = kSeekBar;
        g_nSourceKind = SourceKind::MovieFile;
        g_nPlayState = PlayState::Stopped;  // as the open sets it
        g_nPositionMs = 777;
        g_nDurationMs = 0;
        g_nFrameMs = 0;
        g_dRate = 2.0;
        g_bAudioOnly = 1;  // as the last close leaves it
        g_nDisplayMode = 2;
        g_nInputLayout = 0;
        g_nLayoutPctX = 25;
        g_nLayoutPctY = 100;
        g_bAspect43 = 0;
        g_nZoomStep = 0;
        g_nZoomItem = 0;
        g_bDsFullScreen = 1;
        g_bOwnFullScreen = 0;
        g_bRecheckOutputFormat = 0;
    }

    // Frames of a w x h side-by-side source as the effect filter delivers them.
    void SourceOf(int32_t w, int32_t h) {
        fake.videoWidth = 2 * w;
        fake.videoHeight = h;
    }

    // Releases what a build left and checks that nothing stays behind.
    void ReleaseAndExpectClean() {
        ReleasePlaybackGraph(fake, graph);
        EXPECT_TRUE(fake.Live().empty()) << ::testing::PrintToString(fake.Live());
        EXPECT_FALSE(fake.overReleased);
        EXPECT_TRUE(Held(graph).empty());
        EXPECT_EQ(graph.dwGraphRegister, 0u);
    }
};

using PlaybackGraphTest = GraphFixture;
using InitVideoWindowTest = GraphFixture;
// The full-screen graph builds for the presenter that runs; by default
// one that needs a second to set up its display, as a shutter-glasses
// window does.
class FullScreenGraphTest : public GraphFixture {
protected:
    void SetUp() override {
        GraphFixture::SetUp();
        SetRunningPresenter(&settling_);
    }
    void TearDown() override {
        SetRunningPresenter(nullptr);
        GraphFixture::TearDown();
    }
    static FullScreenPresenter Presenter(uint32_t settleMs) {
        return FullScreenPresenter{PresenterId::Nvidia, "", nullptr, nullptr, false, nullptr, nullptr, nullptr,
                                   settleMs};
    }
    const FullScreenPresenter settling_ = Presenter(1000);
};

TEST_F(PlaybackGraphTest, BuildsRunsAndShowsInOrder) {
    SourceOf(320, 240);  // display mode 2, layout 0
    ASSERT_EQ(BuildPlaybackGraph(fake, graph, "C:\\m.avi"), S_OK);

    const std::string name = Narrow(GraphItemName(graph.pGB, fake.processId).c_str());
    const std::vector<std::string> expected = {
        "UpdateWindow(app)",
        "WidenPath",
        "CreateFilterGraph",
        "NewStereoEffectFilter",
        "AddFilter(graph, effect, Renderer)",
        "RenderFile(graph, C:\\m.avi)",
        "QueryInterface(IMediaControl)",
        "QueryInterface(IMediaEventEx)",
        "QueryInterface(IMediaSeeking)",
        "QueryInterface(IMediaPosition)",
        "QueryInterface(IVideoWindow)",
        "QueryInterface(IBasicVideo)",
        "QueryInterface(IBasicAudio)",
        "GetVisible(VW)",
        "SetNotifyWindow(ME, app, 1037, 0)",
        "PutOwner(VW, app)",
        "PutWindowStyle(VW, 0x46000000)",
        "GetVideoSize(BV)",
        "PutSourceWidth(BV, 160)",
        "PutSourceHeight(BV, 240)",
        "EnablePlaybackMenu(1)",
        "GetWindowRect(app)",
        "GetClientRect(app)",
        "SetWindowPos(app, null, 0, 0, 168, 318, 0x202)",
        "GetWindowRect(app)",
        "GetClientRect(app)",
        "GetClientRect(app)",
        "SetWindowPosition(VW, 0, 32, 160, 240)",
        "GetWindowRect(app)",
        "GetWindowRect(toolbar)",
        "MoveWindow(seekbar, 500, 98, 0, 18, 1)",
        "SetForegroundWindow(seekbar)",
        "SetFocus(app)",
        "QueryInterface(IVideoFrameStep)",
        "CanStep(FS, 0)",
        "CheckMenuItem(3007, 1)",
        "CheckMenuItem(3005, 0)",
        "CheckMenuItem(3006, 0)",
        "CheckMenuItem(3008, 0)",
        "ShowNormal(app)",
        "UpdateWindow(app)",
        "SetForegroundWindow(app)",
        "SetFocus(app)",
        "UpdateMainTitle",
        "GetDuration(MP)",
        "GetAvgTimePerFrame(BV)",
        "SendCommand(seekbar, 1200)",
        "GetRunningObjectTable",
        "CreateItemMoniker(!, " + name + ")",
        "RegisterInTable(rot, 0, graph, moniker)",
        "Release(moniker)",
        "Release(rot)",
        "Run(MC)",
        "SetFocus(app)",
    };
    EXPECT_EQ(fake.calls, expected);
    EXPECT_TRUE(fake.messages.empty());

    EXPECT_EQ(g_nPlayState.load(), PlayState::Running);
    EXPECT_EQ(g_bAudioOnly, 0);
    EXPECT_EQ(g_bRecheckOutputFormat.load(), 1);
    EXPECT_EQ(g_nZoomStep, 12);
    EXPECT_EQ(g_nZoomItem, 3);
    EXPECT_EQ(g_bDsFullScreen, 0);
    EXPECT_EQ(g_dRate, 1.0);
    EXPECT_EQ(g_nDurationMs, 60000);
    EXPECT_EQ(g_nPositionMs, 0);
    EXPECT_EQ(g_nFrameMs, 40);
    EXPECT_EQ(graph.dwGraphRegister, fake.registrationNumber);
    EXPECT_EQ(fake.Live(), (std::set<std::string>{"graph", "effect", "MC", "ME", "MS", "MP", "VW", "BV", "BA", "FS"}));

    ReleaseAndExpectClean();
    EXPECT_TRUE(fake.Called("RevokeFromTable(rot, 0x77)"));
}

TEST_F(PlaybackGraphTest, SideBySideOpensAtHalfSize) {
    g_nDisplayMode = 1;
    SourceOf(640, 240);  // the effect filter delivers 1280 x 240
    ASSERT_EQ(BuildPlaybackGraph(fake, graph, "C:\\sbs.avi"), S_OK);
    EXPECT_EQ(fake.sourceWidth, 640);
    EXPECT_EQ(fake.sourceHeight, 240);
    EXPECT_EQ(g_nZoomStep, 6);
    EXPECT_EQ(fake.Client().right, 320);
    EXPECT_EQ(fake.Client().bottom, 120 + TOOLHIGHT);
    EXPECT_EQ(fake.videoPos.left, 0);
    EXPECT_EQ(fake.videoPos.top, 32);
    EXPECT_EQ(fake.videoPos.right, 320);  // width
    EXPECT_EQ(fake.videoPos.bottom, 120);  // height
    EXPECT_EQ(g_nZoomItem, 3);
    EXPECT_TRUE(fake.Called("CheckMenuItem(3007, 1)"));
}

TEST_F(PlaybackGraphTest, AnaglyphOfSideBySideSourceShowsOneView) {
    g_nDisplayMode = 2;
    SourceOf(320, 240);
    ASSERT_EQ(BuildPlaybackGraph(fake, graph, "C:\\sbs.avi"), S_OK);
    EXPECT_EQ(fake.sourceWidth, 160);
    EXPECT_EQ(g_nZoomStep, 12);
    EXPECT_EQ(fake.Client().right, 160);
    EXPECT_EQ(fake.Client().bottom, 240 + TOOLHIGHT);
}

TEST_F(PlaybackGraphTest, MovieWithoutVideoSkipsTheVideoWindow) {
    fake.results["GetVisible"] = E_NOINTERFACE;
    ASSERT_EQ(BuildPlaybackGraph(fake, graph, "C:\\song.mp3"), S_OK);
    EXPECT_EQ(g_bAudioOnly, 1);
    EXPECT_EQ(fake.audioOnlyAtTitle, 1);  // the title says "Audio"
    EXPECT_TRUE(fake.Called("InitPlayerWindow"));
    EXPECT_FALSE(fake.CalledAny("PutOwner"));
    EXPECT_FALSE(fake.CalledAny("PutWindowStyle"));
    EXPECT_FALSE(fake.CalledAny("GetVideoSize"));
    EXPECT_FALSE(fake.CalledAny("SetWindowPos"));
    EXPECT_TRUE(fake.Called("QueryInterface(IVideoFrameStep)"));
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_EQ(g_nPlayState.load(), PlayState::Running);
    ReleaseAndExpectClean();
}

TEST_F(PlaybackGraphTest, FrameTimeIsClampedToTenToHundredMs) {
    const struct {
        HRESULT hr;
        double seconds;
        int32_t frameMs;
    } cases[] = {
        {S_OK, 1.0 / 60, 16}, {S_OK, 0.2, 100},    {S_OK, 0.04, 40},      {S_OK, 0.001, 10},
        {E_NOTIMPL, 0.04, 10}, {S_FALSE, 0.04, 10},  // only exactly S_OK counts
    };
    for (const auto& c : cases) {
        SetUp();
        FakePlatform fresh;
        fresh.results["GetAvgTimePerFrame"] = c.hr;
        fresh.frameTime = c.seconds;
        PlaybackGraph g;
        ASSERT_EQ(BuildPlaybackGraph(fresh, g, "C:\\m.avi"), S_OK);
        EXPECT_EQ(g_nFrameMs, c.frameMs) << Hex(c.hr) << " " << c.seconds;
        ReleasePlaybackGraph(fresh, g);
    }
}

TEST_F(PlaybackGraphTest, UnreadableDurationGivesOneSecondAndKeepsPosition) {
    const struct {
        HRESULT hr;
        double seconds;
        int32_t durationMs, positionMs;
    } cases[] = {
        {S_OK, 12.3456, 12345, 0},
        {S_OK, 1e12, INT32_MAX, 0},  // a stream's absurd length saturates
        {E_NOTIMPL, 5.0, 1000, 777},
        {S_FALSE, 5.0, 1000, 777},
    };
    for (const auto& c : cases) {
        SetUp();
        FakePlatform fresh;
        fresh.results["GetDuration"] = c.hr;
        fresh.duration = c.seconds;
        PlaybackGraph g;
        ASSERT_EQ(BuildPlaybackGraph(fresh, g, "C:\\m.avi"), S_OK);
        EXPECT_EQ(g_nDurationMs, c.durationMs) << Hex(c.hr);
        EXPECT_EQ(g_nPositionMs, c.positionMs) << Hex(c.hr);
        ReleasePlaybackGraph(fresh, g);
    }
}

TEST_F(PlaybackGraphTest, FrameStepIsAskedForInEveryModeAndKeptOnlyWhenItCanStep) {
    for (int32_t mode : {0, 1, 2, 7, 10, 13}) {
        SetUp();
        g_nDisplayMode = mode;
        FakePlatform fresh;
        PlaybackGraph g;
        ASSERT_EQ(BuildPlaybackGraph(fresh, g, "C:\\m.avi"), S_OK);
        EXPECT_EQ(FakePlatform::Name(g.pFS), "FS") << "mode " << mode;
        ReleasePlaybackGraph(fresh, g);
    }
    const struct {
        const char* call;
        HRESULT hr;
    } refusals[] = {{"CanStep", S_FALSE}, {"CanStep", E_NOTIMPL}, {"QueryInterface(IVideoFrameStep)", E_NOINTERFACE}};
    for (const auto& r : refusals) {
        SetUp();
        FakePlatform fresh;
        fresh.results[r.call] = r.hr;
        PlaybackGraph g;
        ASSERT_EQ(BuildPlaybackGraph(fresh, g, "C:\\m.avi"), S_OK) << r.call;
        EXPECT_EQ(g.pFS, nullptr) << r.call;
        EXPECT_EQ(fresh.Live().count("FS"), 0u) << r.call;  // released at once
        EXPECT_TRUE(fresh.messages.empty()) << r.call;
        ReleasePlaybackGraph(fresh, g);
        EXPECT_FALSE(fresh.overReleased);
    }
}

// Each failing call: its message, its code, and a record that holds exactly
// what was obtained, which the release then frees in order.
TEST_F(PlaybackGraphTest, EachFailureReportsReturnsAndLeavesWhatWasBuiltForRelease) {
    const std::vector<std::string> all = {"graph", "effect", "MC", "ME", "MS", "MP", "VW", "BV", "BA"};
    auto upTo = [&](size_t n) { return std::vector<std::string>(all.begin(), all.begin() + n); };
    const struct {
        const char* call;
        HRESULT hr;
        int32_t mode;
        std::vector<std::string> messages;
        std::vector<std::string> held;
    } cases[] = {
        {"CreateFilterGraph", kClassNotRegistered, 2,
         {"FAILED(hr=0x80040154) in CoCreateInstance(CLSID_FilterGraph, NULL, CLSCTX_INPROC_SERVER, "
          "IID_IGraphBuilder, (void **)&pGB)\n"},
         upTo(0)},
        {"NewStereoEffectFilter", E_OUTOFMEMORY, 2, {"FAILED(hr=0x8007000e) in CreateStereoEffectFilter()\n"}, upTo(1)},
        {"AddFilter", E_FAIL, 2, {"FAILED(hr=0x80004005) in pGB->AddFilter(pRenderer, L\"Renderer\")\n"}, upTo(2)},
        {"RenderFile", kUnsupportedStream, 2, {"FAILED(hr=0x80040265) in hr=pGB->RenderFile(wFile, NULL)\n"}, upTo(2)},
        {"QueryInterface(IMediaControl)", E_NOINTERFACE, 2,
         {"FAILED(hr=0x80004002) in pGB->QueryInterface(IID_IMediaControl, (void **)&pMC)\n"}, upTo(2)},
        {"QueryInterface(IMediaEventEx)", E_NOINTERFACE, 2,
         {"FAILED(hr=0x80004002) in pGB->QueryInterface(IID_IMediaEventEx, (void **)&pME)\n"}, upTo(3)},
        {"QueryInterface(IMediaSeeking)", E_NOINTERFACE, 2,
         {"FAILED(hr=0x80004002) in pGB->QueryInterface(IID_IMediaSeeking, (void **)&pMS)\n"}, upTo(4)},
        {"QueryInterface(IMediaPosition)", E_NOINTERFACE, 2,
         {"FAILED(hr=0x80004002) in pGB->QueryInterface(IID_IMediaPosition, (void **)&pMP)\n"}, upTo(5)},
        {"QueryInterface(IVideoWindow)", E_NOINTERFACE, 2,
         {"FAILED(hr=0x80004002) in pGB->QueryInterface(IID_IVideoWindow, (void **)&pVW)\n"}, upTo(6)},
        {"QueryInterface(IBasicVideo)", E_NOINTERFACE, 2,
         {"FAILED(hr=0x80004002) in pGB->QueryInterface(IID_IBasicVideo, (void **)&pBV)\n"}, upTo(7)},
        {"QueryInterface(IBasicAudio)", E_NOINTERFACE, 2,
         {"FAILED(hr=0x80004002) in pGB->QueryInterface(IID_IBasicAudio, (void **)&pBA)\n"}, upTo(8)},
        {"SetNotifyWindow", E_FAIL, 2,
         {"FAILED(hr=0x80004005) in pME->SetNotifyWindow((OAHWND)ghApp, WM_GRAPHNOTIFY, 0)\n"}, all},
        {"PutOwner", E_FAIL, 2, {"FAILED(hr=0x80004005) in pVW->put_Owner((OAHWND)ghApp)\n"}, all},
        {"PutWindowStyle", E_FAIL, 2,
         {"FAILED(hr=0x80004005) in pVW->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN)\n"}, all},
        {"SetWindowPosition", E_FAIL, 2,
         {"FAILED(hr=0x80004005) in pVW->SetWindowPosition(rect.left, rect.top+TOOLHIGHT, lWidth, lHeight)\n",
          "FAILED(hr=0x80004005) in InitVideoWindow(1, 1,1, 1)\n"},
         all},
        {"SetWindowPosition", E_FAIL, 1,
         {"FAILED(hr=0x80004005) in pVW->SetWindowPosition(rect.left, rect.top+TOOLHIGHT, lWidth, lHeight)\n",
          "FAILED(hr=0x80004005) in InitVideoWindow(1, 2,1, 2)\n"},
         all},
        {"Run", E_FAIL, 2, {"FAILED(hr=0x80004005) in pMC->Run()\n"}, [&] {
             auto held = all;
             held.push_back("FS");
             return held;
         }()},
    };
    const std::vector<std::string> releaseOrder = {"effect", "ME", "MS", "MP", "MC", "BA", "BV", "VW", "FS", "graph"};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.call) + " in mode " + std::to_string(c.mode));
        SetUp();
        g_nDisplayMode = c.mode;
        fake = FakePlatform();
        graph = PlaybackGraph();
        fake.results[c.call] = c.hr;

        EXPECT_EQ(BuildPlaybackGraph(fake, graph, "C:\\m.avi"), c.hr);
        EXPECT_EQ(fake.messages, c.messages);
        EXPECT_EQ(fake.calls.back(), "ReportMessage");  // returned at once
        const std::set<std::string> held(c.held.begin(), c.held.end());
        EXPECT_EQ(Held(graph), held);
        EXPECT_EQ(fake.Live(), held);  // nothing obtained outside the record
        EXPECT_NE(g_nPlayState.load(), PlayState::Running);

        fake.calls.clear();
        ReleaseAndExpectClean();
        std::vector<std::string> expectedOrder;
        for (const auto& name : releaseOrder)
            if (held.count(name)) expectedOrder.push_back(name);
        auto released = fake.Released();
        released.erase(std::remove(released.begin(), released.end(), "rot"), released.end());
        EXPECT_EQ(released, expectedOrder);
        EXPECT_EQ(fake.Called("RevokeFromTable(rot, 0x77)"), std::string(c.call) == "Run");
    }
}

TEST_F(PlaybackGraphTest, RegistrationFailureIsReportedAndIgnored) {
    const struct {
        const char* call;
        HRESULT hr;
        HRESULT reported;
    } cases[] = {
        {"GetRunningObjectTable", E_OUTOFMEMORY, E_FAIL},  // no table: E_FAIL whatever the cause
        {"CreateItemMoniker", E_OUTOFMEMORY, E_OUTOFMEMORY},
        {"RegisterInTable", E_INVALIDARG, E_INVALIDARG},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.call);
        SetUp();
        fake = FakePlatform();
        graph = PlaybackGraph();
        fake.results[c.call] = c.hr;
        ASSERT_EQ(BuildPlaybackGraph(fake, graph, "C:\\m.avi"), S_OK);
        char text[64];
        std::snprintf(text, sizeof text, "Registration failed (0x%08x)", static_cast<unsigned>(c.reported));
        EXPECT_EQ(fake.messages, std::vector<std::string>{text});
        EXPECT_EQ(graph.dwGraphRegister, 0u);
        EXPECT_TRUE(fake.Called("Run(MC)"));
        EXPECT_EQ(g_nPlayState.load(), PlayState::Running);
        EXPECT_EQ(fake.Live().count("rot") + fake.Live().count("moniker"), 0u);
        fake.calls.clear();
        ReleaseAndExpectClean();
        EXPECT_FALSE(fake.CalledAny("RevokeFromTable"));
    }
}

TEST_F(PlaybackGraphTest, PathMustFitTheWideBufferWithItsTerminator) {
    const std::string dbcs150 = [] {
        std::string s;
        for (int i = 0; i < 150; ++i) s += "\x93\xfa";  // 300 bytes, 150 characters
        return s;
    }();
    const struct {
        std::string path;
        bool accepted;
        int32_t characters;
    } cases[] = {
        {std::string(259, 'a'), true, 259},
        {std::string(260, 'a'), false, 260},
        {std::string(1000, 'a'), false, 1000},
        {dbcs150, true, 150},
        {dbcs150 + dbcs150.substr(0, 220), false, 260},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.characters);
        SetUp();
        fake = FakePlatform();
        graph = PlaybackGraph();
        const HRESULT hr = BuildPlaybackGraph(fake, graph, c.path.c_str());
        if (c.accepted) {
            EXPECT_EQ(hr, S_OK);
            EXPECT_EQ(static_cast<int32_t>(fake.renderedPath.size()), c.characters);  // not cut
        } else {
            EXPECT_EQ(hr, kHrPathTooLong);
            EXPECT_EQ(fake.messages, std::vector<std::string>{"The path is too long to open: " +
                                                              std::to_string(c.characters) +
                                                              " characters, at most 259 are possible.\n"});
            EXPECT_FALSE(fake.CalledAny("CreateFilterGraph"));
            EXPECT_TRUE(fake.Live().empty());
        }
        ReleasePlaybackGraph(fake, graph);
    }
}

TEST_F(PlaybackGraphTest, UnconvertiblePathIsReported) {
    fake.results["WidenPath"] = kNoUnicodeTranslation;
    EXPECT_EQ(BuildPlaybackGraph(fake, graph, "C:\\m.avi"), kNoUnicodeTranslation);
    EXPECT_EQ(fake.messages, std::vector<std::string>{"FAILED(hr=0x80070459) in MultiByteToWideChar(CP_ACP, 0, "
                                                      "path, -1, wFile, MAX_PATH)\n"});
    EXPECT_FALSE(fake.CalledAny("CreateFilterGraph"));
}

TEST_F(PlaybackGraphTest, AGraphLeftInTheRecordIsReleasedBeforeTheNextBuild) {
    ASSERT_EQ(BuildPlaybackGraph(fake, graph, "C:\\first.avi"), S_OK);
    ASSERT_EQ(BuildPlaybackGraph(fake, graph, "C:\\second.avi"), S_OK);
    EXPECT_EQ(fake.Live().size(), Held(graph).size());  // one of each: the first graph is gone
    ReleaseAndExpectClean();
}

TEST(ReleasePlaybackGraphTest, DetachesUnregistersAndReleasesInOrder) {
    ghApp = kApp;
    FakePlatform fake;
    PlaybackGraph g;
    g.pGB = fake.Make<IGraphBuilder>("graph");
    g.pRenderer = fake.Make<IBaseFilter>("effect");
    g.pMC = fake.Make<IMediaControl>("MC");
    g.pME = fake.Make<IMediaEventEx>("ME");
    g.pMS = fake.Make<IMediaSeeking>("MS");
    g.pMP = fake.Make<IMediaPosition>("MP");
    g.pVW = fake.Make<IVideoWindow>("VW");
    g.pBV = fake.Make<IBasicVideo>("BV");
    g.pBA = fake.Make<IBasicAudio>("BA");
    g.pFS = fake.Make<IVideoFrameStep>("FS");
    g.dwGraphRegister = 5;
    g.pCaptureBuilder = fake.Make<ICaptureGraphBuilder2>("builder");
    g.pFirstCapture = fake.Make<IBaseFilter>("capture1");
    g.pSecondCapture = fake.Make<IBaseFilter>("capture2");
    g.pCompressor = fake.Make<IBaseFilter>("compressor");
    g.pTee = fake.Make<IBaseFilter>("tee");
    g.pMultiplexer = fake.Make<IBaseFilter>("multiplexer");
    g.pFileSink = fake.Make<IFileSinkFilter>("writer");
    g.pAviConfig = fake.Make<IConfigAviMux>("aviconfig");
    g.pAviMux = fake.Make<IBaseFilter>("avimux");

    ReleasePlaybackGraph(fake, g);
    const std::vector<std::string> expected = {
        "PutVisible(VW, 0)",   "PutOwner(VW, null)", "SetNotifyWindow(ME, null, 0, 0)",
        "GetRunningObjectTable", "RevokeFromTable(rot, 0x5)", "Release(rot)",
        "Release(builder)",    "Release(capture1)",  "Release(capture2)",
        "Release(compressor)", "Release(tee)",       "Release(multiplexer)",
        "Release(writer)",     "Release(aviconfig)", "Release(avimux)",
        "Release(effect)",     "Release(ME)",        "Release(MS)",
        "Release(MP)",         "Release(MC)",        "Release(BA)",
        "Release(BV)",         "Release(VW)",        "Release(FS)",
        "Release(graph)",
    };
    EXPECT_EQ(fake.calls, expected);
    EXPECT_TRUE(fake.Live().empty());
    EXPECT_EQ(g.pCaptureBuilder, nullptr);
    EXPECT_EQ(g.pAviMux, nullptr);
    EXPECT_EQ(g.dwGraphRegister, 0u);

    fake.calls.clear();
    ReleasePlaybackGraph(fake, g);  // an empty record: nothing to do
    EXPECT_TRUE(fake.calls.empty());
}

TEST(RegisterGraphTest, ItemNameCarriesGraphAddressAndProcess) {
    EXPECT_EQ(GraphItemName(reinterpret_cast<const void*>(uintptr_t{0xABCDEF12}), 0xF0A),
              L"FilterGraph abcdef12 pid 00000f0a");
    EXPECT_EQ(GraphItemName(reinterpret_cast<const void*>(uintptr_t{0x2A}), 7), L"FilterGraph 0000002a pid 00000007");
    if (sizeof(void*) == 8) {  // the low 32 bits, as the pattern holds
        EXPECT_EQ(GraphItemName(reinterpret_cast<const void*>(static_cast<uintptr_t>(0x1234567890ull)), 1),
                  L"FilterGraph 34567890 pid 00000001");
    }
}

TEST(RegisterGraphTest, RegistersUnderAnItemMonikerAndRevokes) {
    FakePlatform fake;
    IGraphBuilder* graph = fake.Make<IGraphBuilder>("graph");
    uint32_t number = 0;
    EXPECT_EQ(RegisterGraph(fake, graph, &number), S_OK);
    EXPECT_EQ(number, 0x77u);
    const std::string name = Narrow(GraphItemName(graph, fake.processId).c_str());
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"GetRunningObjectTable", "CreateItemMoniker(!, " + name + ")",
                                                    "RegisterInTable(rot, 0, graph, moniker)", "Release(moniker)",
                                                    "Release(rot)"}));
    fake.calls.clear();
    UnregisterGraph(fake, number);
    EXPECT_EQ(fake.calls,
              (std::vector<std::string>{"GetRunningObjectTable", "RevokeFromTable(rot, 0x77)", "Release(rot)"}));
    EXPECT_EQ(fake.Live(), std::set<std::string>{"graph"});
}

TEST(GraphMessageTest, ResourceTextTakesTheCodeSafely) {
    const struct {
        const char* format;
        const char* text;
    } cases[] = {
        {"Registration failed (0x%08x)", "Registration failed (0x80004005)"},
        {"%lx / %X / %d / %u", "80004005 / 80004005 / -2147467259 / 2147500037"},
        {"100%% %s %x", "100% %s 80004005"},  // no string to give a %s
        {"%999999x", "%999999x"},             // no width that large
        {"end %", "end %"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatCodeMessage(c.format, E_FAIL), c.text) << c.format;
}

TEST_F(GraphFixture, VisibilityDecidesAudioOnly) {
    const struct {
        bool withWindow;
        HRESULT hr;
        int32_t audioOnly;
        std::vector<std::string> messages;
    } cases[] = {
        {false, S_OK, 1, {}},
        {true, E_NOINTERFACE, 1, {}},
        {true, E_FAIL, 0, {"No picture (0x80004005)"}},
        {true, S_OK, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Hex(c.hr));
        fake = FakePlatform();
        fake.results["GetVisible"] = c.hr;
        PlaybackGraph g;
        g.pBV = fake.Make<IBasicVideo>("BV");
        if (c.withWindow) g.pVW = fake.Make<IVideoWindow>("VW");
        g_bAudioOnly = 5;
        CheckVisibility(fake, g);
        EXPECT_EQ(g_bAudioOnly, c.audioOnly);
        EXPECT_EQ(fake.messages, c.messages);
        EXPECT_EQ(fake.CalledAny("GetVisible"), c.withWindow);
    }
}

// Source rectangle and picture size for every display mode and layout, on
// frames of 1270 x 483 (sizes chosen so that dividing before multiplying
// would show).
TEST_F(InitVideoWindowTest, SourceRectangleAndSizeByModeAndLayout) {
    const std::map<int32_t, std::vector<int32_t>> modesOfGroup = {
        {0, {0}}, {1, {1, 11, 12, 13}}, {2, {2, 3, 4, 5, 6, 10}}, {7, {7}}, {8, {8}}, {9, {9, 14}},
    };
    const struct {
        int32_t group, layout;
        int32_t sourceWidth, sourceHeight;  // -1: not set
        int32_t w, h;
    } cases[] = {
        {0, 0, 635, 483, 635, 483},   {0, 3, 635, 483, 635, 483},   {0, 5, 635, 483, 635, 483},
        {1, 0, 635, 483, 635, 483},   {1, 1, 1270, 241, 1270, 241}, {1, 2, 1270, 241, 1270, 483},
        {1, 3, 1270, 227, 1270, 483}, {1, 4, 1270, 241, 1270, 483}, {1, 5, 635, 483, 1270, 483},
        {2, 0, 317, 483, 317, 483},   {2, 1, 635, 241, 635, 241},   {2, 2, 635, 241, 635, 483},
        {2, 3, 635, 227, 635, 483},   {2, 4, 635, 241, 635, 483},   {2, 5, 317, 483, 635, 483},
        {7, 0, 317, 483, 317, 483},   {7, 1, 635, 241, 635, 241},   {7, 2, 635, 483, 635, 483},
        {7, 3, 635, 483, 635, 483},   {7, 4, 635, 483, 635, 483},   {7, 5, 317, 483, 635, 483},
        {8, 0, 635, 483, 317, 483},   {8, 1, 1270, 241, 635, 241},  {8, 2, 1270, 483, 635, 483},
        {8, 3, 1270, 483, 635, 483},  {8, 4, 1270, 483, 635, 483},  {8, 5, 635, 483, 635, 483},
        {9, 0, -1, -1, 1270, 483},    {9, 3, -1, -1, 1270, 483},    {9, 5, -1, -1, 1270, 483},
    };
    const int32_t pctX[] = {25, 50, 50, 50, 50, 50};
    const int32_t pctY[] = {100, 50, 50, 47, 50, 100};
    for (const auto& c : cases) {
        for (int32_t mode : modesOfGroup.at(c.group)) {
            SCOPED_TRACE("mode " + std::to_string(mode) + " layout " + std::to_string(c.layout));
            fake = FakePlatform();
            fake.videoWidth = 1270;
            fake.videoHeight = 483;
            PlaybackGraph g;
            g.pVW = fake.Make<IVideoWindow>("VW");
            g.pBV = fake.Make<IBasicVideo>("BV");
            g_nDisplayMode = mode;
            g_nInputLayout = c.layout;
            g_nLayoutPctX = pctX[c.layout];
            g_nLayoutPctY = pctY[c.layout];

            EXPECT_EQ(InitVideoWindow(fake, g, 1, 1, 1, 1), S_OK);
            EXPECT_EQ(fake.sourceWidth, c.sourceWidth);
            EXPECT_EQ(fake.sourceHeight, c.sourceHeight);
            EXPECT_EQ(fake.Client().right, c.w);
            EXPECT_EQ(fake.Client().bottom, c.h + TOOLHIGHT);
            EXPECT_EQ(fake.videoPos.right, c.w);
            EXPECT_EQ(fake.videoPos.bottom, c.h);
        }
    }
}

TEST_F(InitVideoWindowTest, FourToThreeAndRatio) {
    const struct {
        int32_t mode, layout, frameW, frameH;
        int32_t mx, dx, my, dy;
        int32_t w, h;
    } cases[] = {
        {1, 0, 1280, 240, 1, 1, 1, 1, 640, 240},   // 3*640 = 8*240: height kept at 3*640/8
        {2, 0, 1280, 480, 1, 1, 1, 1, 320, 240},   // 320 x 480 -> 4:3 by height
        {9, 0, 1280, 480, 1, 1, 1, 1, 640, 480},   // too wide for 4:3: width cut
        {1, 5, 1280, 480, 1, 1, 1, 1, 1280, 480},  // already 8:3
        {9, 0, 1280, 480, 3, 4, 3, 4, 480, 360},   // 4:3 first, then the ratio
        {9, 0, 1280, 480, 17, 12, 17, 12, 906, 680},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.mode) + " ratio " + std::to_string(c.mx) + "/" + std::to_string(c.dx));
        fake = FakePlatform();
        fake.videoWidth = c.frameW;
        fake.videoHeight = c.frameH;
        PlaybackGraph g;
        g.pVW = fake.Make<IVideoWindow>("VW");
        g.pBV = fake.Make<IBasicVideo>("BV");
        g_nDisplayMode = c.mode;
        g_nInputLayout = c.layout;
        g_nLayoutPctX = c.layout == 5 ? 50 : 25;
        g_nLayoutPctY = 100;
        g_bAspect43 = 1;
        EXPECT_EQ(InitVideoWindow(fake, g, c.mx, c.dx, c.my, c.dy), S_OK);
        EXPECT_EQ(fake.videoPos.right, c.w);
        EXPECT_EQ(fake.videoPos.bottom, c.h);
    }
}

TEST_F(InitVideoWindowTest, SeekBarSitsOverTheRightOfTheToolbar) {
    PlaybackGraph g;
    g.pVW = fake.Make<IVideoWindow>("VW");
    g.pBV = fake.Make<IBasicVideo>("BV");
    g_nDisplayMode = 9;
    fake.videoWidth = 640;
    fake.videoHeight = 480;
    ASSERT_EQ(InitVideoWindow(fake, g, 1, 1, 1, 1), S_OK);
    // Window 648 wide at x 100; toolbar from y 90 to 120.
    EXPECT_EQ(fake.seekBarPos.left, 500);
    EXPECT_EQ(fake.seekBarPos.top, 98);
    EXPECT_EQ(fake.seekBarPos.right, 648 - 404);
    EXPECT_EQ(fake.seekBarPos.bottom, 18);
    EXPECT_TRUE(fake.Called("SetWindowPos(app, null, 0, 0, 648, 558, 0x202)"));

    fake.videoWidth = 100;  // narrower than the seek bar's offset: no negative width
    ASSERT_EQ(InitVideoWindow(fake, g, 1, 1, 1, 1), S_OK);
    EXPECT_EQ(fake.seekBarPos.right, 0);
}

// A narrower window wraps its menu bar onto a second line, so the frame
// grows after the first resize: one call still gives the picture's client
// area, with a second resize that takes the new frame into account.
TEST_F(InitVideoWindowTest, OneCallFitsEvenWhenTheMenuBarWraps) {
    PlaybackGraph g;
    g.pVW = fake.Make<IVideoWindow>("VW");
    g.pBV = fake.Make<IBasicVideo>("BV");
    g_nDisplayMode = 9;
    fake.videoWidth = 640;
    fake.videoHeight = 480;
    ASSERT_EQ(InitVideoWindow(fake, g, 1, 1, 1, 1), S_OK);
    fake.menuWrapsBelow = 400;
    fake.calls.clear();
    fake.videoWidth = 320;
    fake.videoHeight = 240;
    ASSERT_EQ(InitVideoWindow(fake, g, 1, 1, 1, 1), S_OK);
    EXPECT_TRUE(fake.Called("SetWindowPos(app, null, 0, 0, 328, 318, 0x202)"));
    EXPECT_TRUE(fake.Called("SetWindowPos(app, null, 0, 0, 328, 336, 0x202)"));
    const WindowRect client = fake.Client();
    EXPECT_EQ(client.right - client.left, 320);
    EXPECT_EQ(client.bottom - client.top, 240 + TOOLHIGHT);
    EXPECT_TRUE(fake.Called("SetWindowPosition(VW, 0, 32, 320, 240)"));
}

TEST_F(InitVideoWindowTest, WithoutSizeOrInterfacesNothingChanges) {
    const struct {
        bool withVideo;
        HRESULT sizeResult;
        HRESULT expected;
        int32_t dx;
    } cases[] = {
        {false, S_OK, S_OK, 1},              // no basic video
        {true, E_NOINTERFACE, S_OK, 1},      // the renderer cannot tell its size
        {true, E_FAIL, E_FAIL, 1},           // any other failure is the caller's to report
        {true, S_OK, E_INVALIDARG, 0},       // a zero divisor is refused, not divided by
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Hex(c.sizeResult));
        fake = FakePlatform();
        fake.results["GetVideoSize"] = c.sizeResult;
        PlaybackGraph g;
        if (c.withVideo) {
            g.pVW = fake.Make<IVideoWindow>("VW");
            g.pBV = fake.Make<IBasicVideo>("BV");
        }
        EXPECT_EQ(InitVideoWindow(fake, g, 1, c.dx, 1, 1), c.expected);
        EXPECT_FALSE(fake.CalledAny("PutSource"));
        EXPECT_FALSE(fake.CalledAny("SetWindowPos"));
        EXPECT_FALSE(fake.CalledAny("EnablePlaybackMenu"));
        EXPECT_TRUE(fake.messages.empty());
    }
}

TEST_F(FullScreenGraphTest, BuildsWithTheGrabRendererAndRuns) {
    FullScreenGraph fs;
    ASSERT_EQ(BuildFullScreenGraph(fake, fs, kPresenter, "C:\\m.avi"), S_OK);
    const std::vector<std::string> expected = {
        "WidenPath",
        "CreateFilterGraph",
        "NewGrabRenderer(presenter)",
        "AddFilter(graph, grab, Renderer)",
        "RenderFile(graph, C:\\m.avi)",
        "QueryInterface(IMediaControl)",
        "QueryInterface(IMediaSeeking)",
        "QueryInterface(IMediaEventEx)",
        "SetNotifyWindow(ME, presenter, 1037, 0)",
        "Sleep(1000)",
        "Run(MC)",
    };
    EXPECT_EQ(fake.calls, expected);
    EXPECT_EQ(g_nPlayState.load(), PlayState::Running);
    EXPECT_EQ(fake.Live(), Held(fs));
    EXPECT_EQ(Held(fs), (std::set<std::string>{"graph", "grab", "MC", "MS", "ME"}));
}

// The graph waits as long as the running presenter asks before it runs:
// the program's own window and the OpenGL window ask for nothing.
TEST_F(FullScreenGraphTest, WaitsAsLongAsTheRunningPresenterAsks) {
    const FullScreenPresenter none = Presenter(0), half = Presenter(500);
    const struct {
        const FullScreenPresenter* running;
        const char* sleep;  // null: none
    } cases[] = {{&settling_, "Sleep(1000)"}, {&half, "Sleep(500)"}, {&none, nullptr}, {nullptr, nullptr}};
    for (const auto& c : cases) {
        fake = FakePlatform();
        SetRunningPresenter(c.running);
        FullScreenGraph fs;
        ASSERT_EQ(BuildFullScreenGraph(fake, fs, kPresenter, "C:\\m.avi"), S_OK);
        EXPECT_EQ(fake.CalledAny("Sleep"), c.sleep != nullptr);
        if (c.sleep) {
            EXPECT_TRUE(fake.Called(c.sleep));
        }
    }
}

TEST_F(FullScreenGraphTest, CameraSourcesHandOverToTheCameraBuilds) {
    const struct {
        SourceKind kind;
        const char* call;
    } cases[] = {
        {SourceKind::CameraPair, "BuildTwoCameraFullScreenGraph"},
        {SourceKind::LeftCamera, "BuildOneCameraFullScreenGraph"},
        {SourceKind::RightCamera, "BuildOneCameraFullScreenGraph"},
    };
    for (const auto& c : cases) {
        fake = FakePlatform();
        fake.results[c.call] = kUnsupportedStream;  // its result is the build's
        g_nSourceKind = c.kind;
        FullScreenGraph fs;
        EXPECT_EQ(BuildFullScreenGraph(fake, fs, kPresenter, "C:\\m.avi"), kUnsupportedStream);
        EXPECT_EQ(fake.calls, std::vector<std::string>{std::string(c.call) + "(presenter)"});
    }
    fake = FakePlatform();
    g_nSourceKind = SourceKind::CameraRecording;
    FullScreenGraph fs;
    EXPECT_EQ(BuildFullScreenGraph(fake, fs, kPresenter, "C:\\m.avi"), S_OK);
    EXPECT_TRUE(fake.Called("RenderFile(graph, C:\\m.avi)"));
}

TEST_F(FullScreenGraphTest, EachFailureReportsReturnsAndKeepsWhatWasBuilt) {
    const struct {
        const char* call;
        HRESULT hr;
        const char* message;
        std::set<std::string> held;
        bool grabBuiltDespiteFailure;
    } cases[] = {
        {"CreateFilterGraph", kClassNotRegistered,
         "FAILED(hr=0x80040154) in CoCreateInstance(CLSID_FilterGraph, NULL, CLSCTX_INPROC_SERVER, "
         "IID_IGraphBuilder, (void **)&pGB1)\n",
         {}, false},
        {"NewGrabRenderer(presenter)", E_OUTOFMEMORY, "FAILED(hr=0x8007000e) in CreateGrabRenderer(hWnd, &hr)\n",
         {"graph"}, false},
        {"NewGrabRenderer(presenter)", E_FAIL, "FAILED(hr=0x80004005) in CreateGrabRenderer(hWnd, &hr)\n",
         {"graph", "grab"}, true},
        {"AddFilter", E_FAIL, "FAILED(hr=0x80004005) in pGB1->AddFilter(pRenderer1, L\"Renderer\")\n",
         {"graph", "grab"}, false},
        {"RenderFile", kUnsupportedStream, "FAILED(hr=0x80040265) in hr=pGB1->RenderFile(wFile, NULL)\n",
         {"graph", "grab"}, false},
        {"QueryInterface(IMediaControl)", E_NOINTERFACE,
         "FAILED(hr=0x80004002) in pGB1->QueryInterface(IID_IMediaControl, (void **)&pMC1)\n", {"graph", "grab"},
         false},
        {"QueryInterface(IMediaSeeking)", E_NOINTERFACE,
         "FAILED(hr=0x80004002) in pGB1->QueryInterface(IID_IMediaSeeking, (void **)&pMS1)\n",
         {"graph", "grab", "MC"}, false},
        {"QueryInterface(IMediaEventEx)", E_NOINTERFACE,
         "FAILED(hr=0x80004002) in pGB1->QueryInterface(IID_IMediaEventEx, (void **)&pME1)\n",
         {"graph", "grab", "MC", "MS"}, false},
        {"SetNotifyWindow", E_FAIL, "FAILED(hr=0x80004005) in pME1->SetNotifyWindow((OAHWND)hWnd, WM_GRAPHNOTIFY, 0)\n",
         {"graph", "grab", "MC", "MS", "ME"}, false},
        {"Run", E_FAIL, "FAILED(hr=0x80004005) in pMC1->Run()\n", {"graph", "grab", "MC", "MS", "ME"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.call);
        SetUp();
        fake = FakePlatform();
        fake.results[c.call] = c.hr;
        fake.grabRendererOnFailure = c.grabBuiltDespiteFailure;
        FullScreenGraph fs;
        EXPECT_EQ(BuildFullScreenGraph(fake, fs, kPresenter, "C:\\m.avi"), c.hr);
        EXPECT_EQ(fake.messages, std::vector<std::string>{c.message});
        EXPECT_EQ(fake.calls.back(), "ReportMessage");
        EXPECT_EQ(Held(fs), c.held);
        EXPECT_EQ(fake.Live(), c.held);
        EXPECT_NE(g_nPlayState.load(), PlayState::Running);
    }
}

TEST_F(FullScreenGraphTest, OverLongPathIsRefused) {
    FullScreenGraph fs;
    EXPECT_EQ(BuildFullScreenGraph(fake, fs, kPresenter, std::string(300, 'a').c_str()), kHrPathTooLong);
    EXPECT_EQ(fake.messages.size(), 1u);
    EXPECT_FALSE(fake.CalledAny("CreateFilterGraph"));
}

}  // namespace
