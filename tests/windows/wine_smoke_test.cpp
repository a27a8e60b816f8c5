// What the DirectShow and window tests take for granted from Windows (Wine
// in Xvfb here): COM, the filter graph and its decoders, a visible window
// that paints. A broken set-up fails here, by name, rather than as odd
// failures further on.
#define STRSAFE_NO_DEPRECATE
#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <ostream>
#include <string>

#include "com_test_support.h"
#include "duoscope_test_media.h"

namespace {

using testsupport::ComApartment;
using testsupport::ComRef;
using testsupport::Hex;
using testsupport::PumpUntil;

ComRef<IGraphBuilder> NewGraph() {
    IGraphBuilder* graph = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                  reinterpret_cast<void**>(&graph));
    EXPECT_EQ(hr, S_OK) << Hex(hr);
    return ComRef<IGraphBuilder>(SUCCEEDED(hr) ? graph : nullptr);
}

constexpr COLORREF kPaintColour = RGB(0x20, 0xC0, 0x60);
bool painted = false;

LRESULT CALLBACK PaintingWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_PAINT) return DefWindowProcW(hwnd, msg, wp, lp);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    HBRUSH brush = CreateSolidBrush(kPaintColour);
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
    EndPaint(hwnd, &ps);
    painted = true;
    return 0;
}

}  // namespace

TEST(WineSmoke, ReportsCodePage) {
    // 932 needs Wine started in a ja_JP locale (LANG, LOCPATH); here it is
    // only recorded, so the log shows what this run had.
    const UINT acp = GetACP();
    std::printf("GetACP() = %u, GetOEMCP() = %u\n", acp, GetOEMCP());
    RecordProperty("acp", static_cast<int>(acp));
    EXPECT_NE(acp, 0u);
}

TEST(WineSmoke, ComInitialisesAndFilterGraphCreates) {
    ComApartment com;
    ASSERT_EQ(com.hr(), S_OK) << Hex(com.hr());
    ComRef<IGraphBuilder> graph = NewGraph();
    ASSERT_TRUE(graph);
    // The interfaces the player drives a graph through.
    for (const IID* iid : {&IID_IMediaControl, &IID_IMediaEventEx, &IID_IMediaSeeking, &IID_IVideoWindow}) {
        IUnknown* p = nullptr;
        EXPECT_EQ(graph->QueryInterface(*iid, reinterpret_cast<void**>(&p)), S_OK);
        if (p) p->Release();
    }
}

// A window shows, gets WM_PAINT, and what it paints reads back: the
// display behind Wine works.
TEST(WineSmoke, WindowShowsAndPaints) {
    painted = false;
    WNDCLASSW wc{};
    wc.lpfnWndProc = PaintingWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"DuoscopeWineSmoke";
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    ASSERT_NE(RegisterClassW(&wc), 0) << GetLastError();
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"smoke", WS_OVERLAPPEDWINDOW, 40, 40, 320, 240, nullptr,
                                nullptr, wc.hInstance, nullptr);
    ASSERT_NE(hwnd, nullptr) << GetLastError();
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    EXPECT_TRUE(PumpUntil([] { return painted; }, 5000)) << "no WM_PAINT";
    EXPECT_TRUE(IsWindowVisible(hwnd));
    RECT rc;
    GetClientRect(hwnd, &rc);
    EXPECT_GT(rc.right, 0);
    EXPECT_GT(rc.bottom, 0);
    HDC dc = GetDC(hwnd);
    EXPECT_EQ(GetPixel(dc, rc.right / 2, rc.bottom / 2), kPaintColour);
    ReleaseDC(hwnd, dc);
    DestroyWindow(hwnd);
    UnregisterClassW(wc.lpszClassName, wc.hInstance);
}

namespace {

struct Movie {
    const char* name;
    const wchar_t* path;
};

void PrintTo(const Movie& movie, std::ostream* os) { *os << movie.name; }

}  // namespace

class WineSmokeMovie : public testing::TestWithParam<Movie> {};

// Each test movie builds a graph to a renderer and plays to its end: the
// splitters and decoders (Wine's GStreamer plug-ins) are there.
TEST_P(WineSmokeMovie, RendersAndPlaysToTheEnd) {
    const Movie& movie = GetParam();
    ASSERT_NE(GetFileAttributesW(movie.path), INVALID_FILE_ATTRIBUTES)
        << "test movie missing (ffmpeg at build time?): " << movie.name;
    ComApartment com;
    ASSERT_EQ(com.hr(), S_OK);
    ComRef<IGraphBuilder> graph = NewGraph();
    ASSERT_TRUE(graph);
    const HRESULT hr = testsupport::RenderFileKeepingX87(graph.get(), movie.path);
    // The movies have no sound, so nothing may be left unrendered.
    ASSERT_EQ(hr, S_OK) << Hex(hr);

    IMediaControl* control = nullptr;
    IMediaEvent* events = nullptr;
    ASSERT_EQ(graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control)), S_OK);
    ComRef<IMediaControl> controlRef(control);
    ASSERT_EQ(graph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&events)), S_OK);
    ComRef<IMediaEvent> eventsRef(events);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    long code = 0;
    // One second of movie; the rest is slack for a loaded machine.
    EXPECT_EQ(events->WaitForCompletion(20000, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    control->Stop();
}

INSTANTIATE_TEST_SUITE_P(TestMovies, WineSmokeMovie,
                         testing::Values(Movie{"Rgb24Avi", L"" DUOSCOPE_TEST_MOVIE_RGB24_AVI},
                                         Movie{"Rgb24OddWidthAvi", L"" DUOSCOPE_TEST_MOVIE_RGB24_ODD_AVI},
                                         Movie{"Yuy2Avi", L"" DUOSCOPE_TEST_MOVIE_YUY2_AVI},
                                         Movie{"Mp4", L"" DUOSCOPE_TEST_MOVIE_MP4}),
                         [](const testing::TestParamInfo<Movie>& info) { return std::string(info.param.name); });
