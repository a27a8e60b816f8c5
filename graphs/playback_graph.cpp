#include "graphs/playback_graph.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "composition/stereo_formats.h"
#include "presentation/presenter.h"
#include "presentation/zoom.h"

PlaybackGraph g_PlaybackGraph;

namespace {

// "FAILED(hr=0x%x) in <call>\n", shown and handed back.
HRESULT Fail(GraphPlatform& platform, HRESULT hr, const char* call) {
    char text[512];
    std::snprintf(text, sizeof text, "FAILED(hr=0x%x) in %s\n", static_cast<unsigned>(hr), call);
    platform.ReportMessage(text);
    return hr;
}

template <typename T>
void SafeRelease(GraphPlatform& platform, T*& p) {
    if (p) {
        platform.Release(p);
        p = nullptr;
    }
}

// Seconds to whole milliseconds, truncated; saturates instead of overflowing
// for absurd values a stream may report.
int32_t Milliseconds(double seconds) {
    const double ms = seconds * 1000.0;
    if (std::isnan(ms)) return 0;
    if (ms >= static_cast<double>(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    if (ms <= static_cast<double>(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(ms);
}

// The path into the wide buffer. A path that does not fit is refused rather
// than cut: a truncated path could open another file.
HRESULT WidenInto(GraphPlatform& platform, const char* path, wchar_t (&wFile)[kPathChars]) {
    int32_t length = 0;
    const HRESULT hr = platform.WidenPath(path ? path : "", wFile, kPathChars, &length);
    if (FAILED(hr)) return Fail(platform, hr, "MultiByteToWideChar(CP_ACP, 0, path, -1, wFile, MAX_PATH)");
    if (length > kPathChars) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "The path is too long to open: %d characters, at most %d are possible.\n",
                      static_cast<int>(length - 1), static_cast<int>(kPathChars - 1));
        platform.ReportMessage(text);
        return kHrPathTooLong;
    }
    return S_OK;
}

// Only kept when it can step a single frame.
void ObtainFrameStep(GraphPlatform& platform, PlaybackGraph& g) {
    IVideoFrameStep* step = nullptr;
    if (FAILED(platform.QueryInterface(g.pGB, &step)) || !step) return;
    if (platform.CanStep(step, 0) == S_OK) {
        g.pFS = step;
    } else {
        platform.Release(step);
    }
}

}  // namespace

std::string FormatCodeMessage(const std::string& format, HRESULT hr) {
    std::string out;
    size_t i = 0;
    while (i < format.size()) {
        if (format[i] != '%') {
            out += format[i++];
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            out += '%';
            i += 2;
            continue;
        }
        // %[flags][width][l|h](x|X|d|i|u), with short flags and width only.
        size_t j = i + 1;
        std::string directive = "%";
        for (int n = 0; n < 4 && j < format.size() && format[j] != '\0' && std::strchr("-+ 0#", format[j]); ++n)
            directive += format[j++];
        for (int n = 0; n < 2 && j < format.size() && format[j] >= '0' && format[j] <= '9'; ++n) directive += format[j++];
        while (j < format.size() && (format[j] == 'l' || format[j] == 'h')) ++j;
        const char conv = j < format.size() ? format[j] : '\0';
        char piece[48];
        if (conv == 'd' || conv == 'i') {
            std::snprintf(piece, sizeof piece, (directive + 'd').c_str(), static_cast<int>(hr));
        } else if (conv == 'x' || conv == 'X' || conv == 'u') {
            std::snprintf(piece, sizeof piece, (directive + conv).c_str(), static_cast<unsigned>(hr));
        } else {
            out += format[i++];  // not a conversion a code fits: keep the text as written
            continue;
        }
        out += piece;
        i = j + 1;
    }
    return out;
}

std::wstring GraphItemName(const void* graph, uint32_t processId) {
    char text[64];
    std::snprintf(text, sizeof text, "FilterGraph %08x pid %08x",
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(graph) & 0xFFFFFFFFu),
                  static_cast<unsigned>(processId));
    return std::wstring(text, text + std::char_traits<char>::length(text));
}

HRESULT RegisterGraph(GraphPlatform& platform, IGraphBuilder* graph, uint32_t* registration) {
    IRunningObjectTable* table = nullptr;
    if (FAILED(platform.GetRunningObjectTable(&table)) || !table) return E_FAIL;
    const std::wstring name = GraphItemName(graph, platform.CurrentProcessId());
    IMoniker* moniker = nullptr;
    HRESULT hr = platform.CreateItemMoniker(L"!", name.c_str(), &moniker);
    if (SUCCEEDED(hr) && moniker) {
        hr = platform.RegisterInTable(table, 0, graph, moniker, registration);
        platform.Release(moniker);
    }
    platform.Release(table);
    return hr;
}

void UnregisterGraph(GraphPlatform& platform, uint32_t registration) {
    IRunningObjectTable* table = nullptr;
    if (SUCCEEDED(platform.GetRunningObjectTable(&table)) && table) {
        platform.RevokeFromTable(table, registration);
        platform.Release(table);
    }
}

void CheckVisibility(GraphPlatform& platform, const PlaybackGraph& g) {
    g_bAudioOnly = 0;
    if (!g.pVW || !g.pBV) {
        g_bAudioOnly = 1;
        return;
    }
    int32_t visible = 0;
    const HRESULT hr = platform.GetVisible(g.pVW, &visible);
    if (hr == E_NOINTERFACE) {
        g_bAudioOnly = 1;
    } else if (FAILED(hr)) {
        platform.ReportMessage(FormatCodeMessage(platform.LoadResString(kStrVisibilityFailed), hr));
    }
}

HRESULT InitVideoWindow(GraphPlatform& platform, const PlaybackGraph& g, int32_t mx, int32_t dx, int32_t my,
                        int32_t dy) {
    if (!g.pBV || !g.pVW) return S_OK;
    if (dx == 0 || dy == 0) return E_INVALIDARG;
    int32_t w = 0, h = 0;
    HRESULT hr = platform.GetVideoSize(g.pBV, &w, &h);
    if (hr == E_NOINTERFACE) return S_OK;
    if (FAILED(hr)) return hr;

    // Window mode: shutter glasses keep their whole frame here.
    const VideoCrop crop =
        CropForDisplayMode(g_nDisplayMode, g_nInputLayout, g_nLayoutPctX, g_nLayoutPctY, w, h, false);
    // The platform ignores source sizes it cannot show; so does the window.
    if (crop.setSource) {
        platform.PutSourceWidth(g.pBV, crop.sourceWidth);
        platform.PutSourceHeight(g.pBV, crop.sourceHeight);
    }
    w = crop.width;
    h = crop.height;

    platform.EnablePlaybackMenu(true);

    if (g_bAspect43 == 1) ApplyAspect43(g_nDisplayMode, &w, &h);

    w = ZoomDimension(w, mx, dx);
    h = ZoomDimension(h, my, dy);

    // The frame's thickness depends on the width: a narrower window wraps
    // its menu bar onto more lines. Size once more if the client area did
    // not come out as asked, so a single call fits the picture.
    for (int attempt = 0; attempt < 2; ++attempt) {
        WindowRect window{}, client{};
        platform.GetWindowRect(ghApp, &window);
        platform.GetClientRect(ghApp, &client);
        if (attempt > 0 && client.right - client.left == w && client.bottom - client.top == h + TOOLHIGHT) break;
        platform.SetWindowPos(ghApp, nullptr, 0, 0, (window.right - client.right - window.left) + w,
                              (window.bottom - client.bottom - window.top) + h + TOOLHIGHT,
                              kSwpNoMove | kSwpNoOwnerZOrder);
    }

    WindowRect rect{};
    platform.GetClientRect(ghApp, &rect);
    hr = platform.SetWindowPosition(g.pVW, rect.left, rect.top + TOOLHIGHT, w, h);
    if (FAILED(hr)) return Fail(platform, hr, "pVW->SetWindowPosition(rect.left, rect.top+TOOLHIGHT, lWidth, lHeight)");

    // The seek bar is a pop-up over the right part of the toolbar.
    WindowRect window{}, toolbar{};
    platform.GetWindowRect(ghApp, &window);
    platform.GetWindowRect(g_hToolbar, &toolbar);
    const int32_t seekWidth = window.right - window.left - 404;
    platform.MoveWindow(g_hSeekBar, window.left + 400, toolbar.top + 8, seekWidth < 0 ? 0 : seekWidth,
                        toolbar.bottom - toolbar.top - 12, true);
    platform.SetForegroundWindow(g_hSeekBar);
    platform.SetFocus(ghApp);
    return hr;
}

HRESULT AssemblePlaybackGraph(GraphPlatform& platform, PlaybackGraph& g, const char* path) {
    ReleasePlaybackGraph(platform, g);  // nothing to do after a proper close
    platform.UpdateWindow(ghApp);

    wchar_t wFile[kPathChars];
    HRESULT hr = WidenInto(platform, path, wFile);
    if (FAILED(hr)) return hr;

    hr = platform.CreateFilterGraph(&g.pGB);
    if (FAILED(hr))
        return Fail(platform, hr,
                    "CoCreateInstance(CLSID_FilterGraph, NULL, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, (void **)&pGB)");
    hr = platform.NewStereoEffectFilter(&g.pRenderer);
    if (FAILED(hr)) return Fail(platform, hr, "CreateStereoEffectFilter()");
    hr = platform.AddFilter(g.pGB, g.pRenderer, L"Renderer");
    if (FAILED(hr)) return Fail(platform, hr, "pGB->AddFilter(pRenderer, L\"Renderer\")");
    hr = platform.RenderFile(g.pGB, wFile);
    if (FAILED(hr)) return Fail(platform, hr, "hr=pGB->RenderFile(wFile, NULL)");

    g_bRecheckOutputFormat = 1;

    hr = platform.QueryInterface(g.pGB, &g.pMC);
    if (FAILED(hr)) return Fail(platform, hr, "pGB->QueryInterface(IID_IMediaControl, (void **)&pMC)");
    hr = platform.QueryInterface(g.pGB, &g.pME);
    if (FAILED(hr)) return Fail(platform, hr, "pGB->QueryInterface(IID_IMediaEventEx, (void **)&pME)");
    hr = platform.QueryInterface(g.pGB, &g.pMS);
    if (FAILED(hr)) return Fail(platform, hr, "pGB->QueryInterface(IID_IMediaSeeking, (void **)&pMS)");
    hr = platform.QueryInterface(g.pGB, &g.pMP);
    if (FAILED(hr)) return Fail(platform, hr, "pGB->QueryInterface(IID_IMediaPosition, (void **)&pMP)");
    hr = platform.QueryInterface(g.pGB, &g.pVW);
    if (FAILED(hr)) return Fail(platform, hr, "pGB->QueryInterface(IID_IVideoWindow, (void **)&pVW)");
    hr = platform.QueryInterface(g.pGB, &g.pBV);
    if (FAILED(hr)) return Fail(platform, hr, "pGB->QueryInterface(IID_IBasicVideo, (void **)&pBV)");
    hr = platform.QueryInterface(g.pGB, &g.pBA);
    if (FAILED(hr)) return Fail(platform, hr, "pGB->QueryInterface(IID_IBasicAudio, (void **)&pBA)");

    CheckVisibility(platform, g);

    hr = platform.SetNotifyWindow(g.pME, ghApp, WM_GRAPHNOTIFY, 0);
    if (FAILED(hr)) return Fail(platform, hr, "pME->SetNotifyWindow((OAHWND)ghApp, WM_GRAPHNOTIFY, 0)");
    return hr;
}

HRESULT ShowPlaybackGraph(GraphPlatform& platform, PlaybackGraph& g) {
    HRESULT hr = S_OK;
    if (!g_bAudioOnly) {
        hr = platform.PutOwner(g.pVW, ghApp);
        if (FAILED(hr)) return Fail(platform, hr, "pVW->put_Owner((OAHWND)ghApp)");
        hr = platform.PutWindowStyle(g.pVW, kVideoChildStyle);
        if (FAILED(hr)) return Fail(platform, hr, "pVW->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN)");
        // Double-wide output starts at half size so the window fits the screen.
        if (DisplayModeFactsOf(g_nDisplayMode).doubleWide) {
            g_nZoomStep = 6;
            hr = InitVideoWindow(platform, g, 1, 2, 1, 2);
            if (FAILED(hr)) return Fail(platform, hr, "InitVideoWindow(1, 2,1, 2)");
        } else {
            g_nZoomStep = 12;
            hr = InitVideoWindow(platform, g, 1, 1, 1, 1);
            if (FAILED(hr)) return Fail(platform, hr, "InitVideoWindow(1, 1,1, 1)");
        }
    } else {
        platform.InitPlayerWindow();
    }

    // Asked on every open, so stepping and seeking work in every display mode.
    ObtainFrameStep(platform, g);

    platform.CheckMenuItem(kSizeItem100, true);
    platform.CheckMenuItem(kSizeItem50, false);
    platform.CheckMenuItem(kSizeItem75, false);
    platform.CheckMenuItem(kSizeItem200, false);
    g_nZoomItem = 3;

    platform.ShowNormal(ghApp);
    platform.UpdateWindow(ghApp);
    platform.SetForegroundWindow(ghApp);
    platform.SetFocus(ghApp);

    g_bDsFullScreen = 0;
    g_dRate = 1.0;
    platform.UpdateMainTitle();

    double seconds = 0;
    if (platform.GetDuration(g.pMP, &seconds) == S_OK) {
        g_nDurationMs = Milliseconds(seconds);
        g_nPositionMs = 0;
    } else {
        g_nDurationMs = 1000;
    }

    g_nFrameMs = 0;
    seconds = 0;
    if (platform.GetAvgTimePerFrame(g.pBV, &seconds) == S_OK) g_nFrameMs = Milliseconds(seconds);
    if (g_nFrameMs < 10) g_nFrameMs = 10;
    if (g_nFrameMs > 100) g_nFrameMs = 100;

    platform.SendCommand(g_hSeekBar, kSeekBarNewMovie);

    const HRESULT registered = RegisterGraph(platform, g.pGB, &g.dwGraphRegister);
    if (FAILED(registered)) {
        platform.ReportMessage(FormatCodeMessage(platform.LoadResString(kStrRegisterFailed), registered));
        g.dwGraphRegister = 0;
    }

    hr = platform.Run(g.pMC);
    if (FAILED(hr)) return Fail(platform, hr, "pMC->Run()");

    g_nPlayState = PlayState::Running;
    platform.SetFocus(ghApp);
    return hr;
}

HRESULT BuildPlaybackGraph(GraphPlatform& platform, PlaybackGraph& g, const char* path) {
    const HRESULT hr = AssemblePlaybackGraph(platform, g, path);
    if (FAILED(hr)) return hr;
    return ShowPlaybackGraph(platform, g);
}

void ReleasePlaybackGraph(GraphPlatform& platform, PlaybackGraph& g) {
    if (g.pVW) {
        platform.PutVisible(g.pVW, false);
        platform.PutOwner(g.pVW, nullptr);
    }
    if (g.pME) platform.SetNotifyWindow(g.pME, nullptr, 0, 0);
    if (g.dwGraphRegister) {
        UnregisterGraph(platform, g.dwGraphRegister);
        g.dwGraphRegister = 0;
    }
    SafeRelease(platform, g.pCaptureBuilder);
    SafeRelease(platform, g.pFirstCapture);
    SafeRelease(platform, g.pSecondCapture);
    SafeRelease(platform, g.pCompressor);
    SafeRelease(platform, g.pTee);
    SafeRelease(platform, g.pMultiplexer);
    SafeRelease(platform, g.pFileSink);
    SafeRelease(platform, g.pAviConfig);
    SafeRelease(platform, g.pAviMux);
    SafeRelease(platform, g.pRenderer);
    SafeRelease(platform, g.pME);
    SafeRelease(platform, g.pMS);
    SafeRelease(platform, g.pMP);
    SafeRelease(platform, g.pMC);
    SafeRelease(platform, g.pBA);
    SafeRelease(platform, g.pBV);
    SafeRelease(platform, g.pVW);
    SafeRelease(platform, g.pFS);
    SafeRelease(platform, g.pGB);
}

HRESULT BuildFullScreenGraph(GraphPlatform& platform, FullScreenGraph& g, WindowHandle window, const char* path) {
    if (g_nSourceKind == SourceKind::CameraPair) return platform.BuildTwoCameraFullScreenGraph(window);
    if (g_nSourceKind == SourceKind::LeftCamera || g_nSourceKind == SourceKind::RightCamera)
        return platform.BuildOneCameraFullScreenGraph(window);

    wchar_t wFile[kPathChars];
    HRESULT hr = WidenInto(platform, path, wFile);
    if (FAILED(hr)) return hr;

    hr = platform.CreateFilterGraph(&g.pGB1);
    if (FAILED(hr))
        return Fail(platform, hr,
                    "CoCreateInstance(CLSID_FilterGraph, NULL, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, (void **)&pGB1)");
    hr = platform.NewGrabRenderer(window, &g.pRenderer1);
    if (FAILED(hr)) return Fail(platform, hr, "CreateGrabRenderer(hWnd, &hr)");
    hr = platform.AddFilter(g.pGB1, g.pRenderer1, L"Renderer");
    if (FAILED(hr)) return Fail(platform, hr, "pGB1->AddFilter(pRenderer1, L\"Renderer\")");
    hr = platform.RenderFile(g.pGB1, wFile);
    if (FAILED(hr)) return Fail(platform, hr, "hr=pGB1->RenderFile(wFile, NULL)");

    hr = platform.QueryInterface(g.pGB1, &g.pMC1);
    if (FAILED(hr)) return Fail(platform, hr, "pGB1->QueryInterface(IID_IMediaControl, (void **)&pMC1)");
    hr = platform.QueryInterface(g.pGB1, &g.pMS1);
    if (FAILED(hr)) return Fail(platform, hr, "pGB1->QueryInterface(IID_IMediaSeeking, (void **)&pMS1)");
    hr = platform.QueryInterface(g.pGB1, &g.pME1);
    if (FAILED(hr)) return Fail(platform, hr, "pGB1->QueryInterface(IID_IMediaEventEx, (void **)&pME1)");

    hr = platform.SetNotifyWindow(g.pME1, window, WM_GRAPHNOTIFY, 0);
    if (FAILED(hr)) return Fail(platform, hr, "pME1->SetNotifyWindow((OAHWND)hWnd, WM_GRAPHNOTIFY, 0)");

    // Some windows need a moment to set up their display before the first
    // frame arrives.
    const FullScreenPresenter* presenter = RunningPresenter();
    if (presenter && presenter->settleBeforeRunMs > 0) platform.Sleep(presenter->settleBeforeRunMs);

    hr = platform.Run(g.pMC1);
    if (FAILED(hr)) return Fail(platform, hr, "pMC1->Run()");
    g_nPlayState = PlayState::Running;
    return S_OK;
}
