// GraphPlatform over COM, the graph manager, our filters and the Win32
// user interface, put together here in the shell. Everything is a direct
// call; the order and the decisions are in graphs/playback_graph.cpp.
#include <windows.h>
#include <dshow.h>

#include <type_traits>

#include "shell/graph_platform_win32.h"

#include "composition/stereo_effect_filter_win32.h"
#include "core/x87_control.h"
#include "graphs/playback_graph.h"
#include "presentation/grab_renderer_win32.h"
#include "shell/player_win32.h"

static_assert(std::is_same<WindowHandle, HWND>::value, "ghApp must be the platform's window handle");

// The full-screen camera builds.
HRESULT BuildTwoCameraFullScreenGraph(HWND window);
HRESULT BuildOneCameraFullScreenGraph(HWND window);

namespace {

WindowRect ToWindowRect(const RECT& r) {
    return WindowRect{static_cast<int32_t>(r.left), static_cast<int32_t>(r.top), static_cast<int32_t>(r.right),
                      static_cast<int32_t>(r.bottom)};
}

template <typename T>
void ReleaseRef(T* p) {
    if (p) p->Release();
}

class Win32Platform final : public GraphPlatform {
public:
    HRESULT CreateFilterGraph(IGraphBuilder** graph) override {
        return CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(graph));
    }
    HRESULT NewStereoEffectFilter(IBaseFilter** filter) override {
        *filter = ::CreateStereoEffectFilter();
        if (!*filter) return E_OUTOFMEMORY;
        (*filter)->AddRef();
        return S_OK;
    }
    HRESULT NewGrabRenderer(WindowHandle owner, IBaseFilter** filter) override {
        HRESULT hr = S_OK;
        *filter = ::CreateGrabRenderer(owner, &hr);
        if (!*filter) return FAILED(hr) ? hr : E_OUTOFMEMORY;
        (*filter)->AddRef();
        return hr;
    }
    HRESULT AddFilter(IGraphBuilder* graph, IBaseFilter* filter, const wchar_t* name) override {
        return graph->AddFilter(filter, name);
    }
    HRESULT RenderFile(IGraphBuilder* graph, const wchar_t* path) override {
        // Connecting the default video renderer changes this thread's x87
        // precision; it is put back before anything else runs here.
        X87ControlScope keep;
        return graph->RenderFile(path, nullptr);
    }

    HRESULT QueryInterface(IGraphBuilder* graph, IMediaControl** out) override {
        return graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(out));
    }
    HRESULT QueryInterface(IGraphBuilder* graph, IMediaEventEx** out) override {
        return graph->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(out));
    }
    HRESULT QueryInterface(IGraphBuilder* graph, IMediaSeeking** out) override {
        return graph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(out));
    }
    HRESULT QueryInterface(IGraphBuilder* graph, IMediaPosition** out) override {
        return graph->QueryInterface(IID_IMediaPosition, reinterpret_cast<void**>(out));
    }
    HRESULT QueryInterface(IGraphBuilder* graph, IVideoWindow** out) override {
        return graph->QueryInterface(IID_IVideoWindow, reinterpret_cast<void**>(out));
    }
    HRESULT QueryInterface(IGraphBuilder* graph, IBasicVideo** out) override {
        return graph->QueryInterface(IID_IBasicVideo, reinterpret_cast<void**>(out));
    }
    HRESULT QueryInterface(IGraphBuilder* graph, IBasicAudio** out) override {
        return graph->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(out));
    }
    HRESULT QueryInterface(IGraphBuilder* graph, IVideoFrameStep** out) override {
        return graph->QueryInterface(IID_IVideoFrameStep, reinterpret_cast<void**>(out));
    }

    HRESULT SetNotifyWindow(IMediaEventEx* events, WindowHandle window, int32_t message, intptr_t param) override {
        return events->SetNotifyWindow(reinterpret_cast<OAHWND>(window), message, static_cast<LONG_PTR>(param));
    }
    HRESULT PutOwner(IVideoWindow* video, WindowHandle owner) override {
        return video->put_Owner(reinterpret_cast<OAHWND>(owner));
    }
    HRESULT PutWindowStyle(IVideoWindow* video, int32_t style) override { return video->put_WindowStyle(style); }
    HRESULT GetVisible(IVideoWindow* video, int32_t* visible) override {
        long value = 0;
        const HRESULT hr = video->get_Visible(&value);
        *visible = value;
        return hr;
    }
    HRESULT SetWindowPosition(IVideoWindow* video, int32_t left, int32_t top, int32_t width,
                              int32_t height) override {
        return video->SetWindowPosition(left, top, width, height);
    }
    HRESULT PutVisible(IVideoWindow* video, bool visible) override {
        return video->put_Visible(visible ? OATRUE : OAFALSE);
    }
    HRESULT GetVideoSize(IBasicVideo* video, int32_t* width, int32_t* height) override {
        long w = 0, h = 0;
        const HRESULT hr = video->GetVideoSize(&w, &h);
        *width = w;
        *height = h;
        return hr;
    }
    HRESULT PutSourceWidth(IBasicVideo* video, int32_t width) override { return video->put_SourceWidth(width); }
    HRESULT PutSourceHeight(IBasicVideo* video, int32_t height) override { return video->put_SourceHeight(height); }
    HRESULT GetAvgTimePerFrame(IBasicVideo* video, double* seconds) override {
        return video->get_AvgTimePerFrame(seconds);
    }
    HRESULT GetDuration(IMediaPosition* position, double* seconds) override { return position->get_Duration(seconds); }
    HRESULT CanStep(IVideoFrameStep* step, int32_t multiple) override { return step->CanStep(multiple, nullptr); }
    HRESULT Run(IMediaControl* control) override { return control->Run(); }
    HRESULT Stop(IMediaControl* control) override { return control->Stop(); }

    void Release(IGraphBuilder* p) override { ReleaseRef(p); }
    void Release(IBaseFilter* p) override { ReleaseRef(p); }
    void Release(IMediaControl* p) override { ReleaseRef(p); }
    void Release(IMediaEventEx* p) override { ReleaseRef(p); }
    void Release(IMediaSeeking* p) override { ReleaseRef(p); }
    void Release(IMediaPosition* p) override { ReleaseRef(p); }
    void Release(IVideoWindow* p) override { ReleaseRef(p); }
    void Release(IBasicVideo* p) override { ReleaseRef(p); }
    void Release(IBasicAudio* p) override { ReleaseRef(p); }
    void Release(IVideoFrameStep* p) override { ReleaseRef(p); }
    void Release(ICaptureGraphBuilder2* p) override { ReleaseRef(p); }
    void Release(IFileSinkFilter* p) override { ReleaseRef(p); }
    void Release(IConfigAviMux* p) override { ReleaseRef(p); }
    void Release(IRunningObjectTable* p) override { ReleaseRef(p); }
    void Release(IMoniker* p) override { ReleaseRef(p); }

    HRESULT GetRunningObjectTable(IRunningObjectTable** table) override { return ::GetRunningObjectTable(0, table); }
    HRESULT CreateItemMoniker(const wchar_t* delimiter, const wchar_t* item, IMoniker** moniker) override {
        return ::CreateItemMoniker(delimiter, item, moniker);
    }
    HRESULT RegisterInTable(IRunningObjectTable* table, uint32_t flags, IGraphBuilder* graph, IMoniker* moniker,
                            uint32_t* registration) override {
        DWORD number = 0;
        const HRESULT hr = table->Register(flags, graph, moniker, &number);
        *registration = SUCCEEDED(hr) ? static_cast<uint32_t>(number) : 0;
        return hr;
    }
    HRESULT RevokeFromTable(IRunningObjectTable* table, uint32_t registration) override {
        return table->Revoke(registration);
    }
    uint32_t CurrentProcessId() override { return GetCurrentProcessId(); }

    HRESULT WidenPath(const char* path, wchar_t* buffer, int32_t capacity, int32_t* length) override {
        const int needed = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
        *length = needed;
        if (needed == 0) return HRESULT_FROM_WIN32(GetLastError());
        if (needed > capacity) return S_OK;  // the caller refuses it
        if (MultiByteToWideChar(CP_ACP, 0, path, -1, buffer, capacity) == 0) return HRESULT_FROM_WIN32(GetLastError());
        return S_OK;
    }

    void UpdateWindow(WindowHandle window) override { ::UpdateWindow(window); }
    void GetWindowRect(WindowHandle window, WindowRect* rect) override {
        RECT r{};
        ::GetWindowRect(window, &r);
        *rect = ToWindowRect(r);
    }
    void GetClientRect(WindowHandle window, WindowRect* rect) override {
        RECT r{};
        ::GetClientRect(window, &r);
        *rect = ToWindowRect(r);
    }
    void SetWindowPos(WindowHandle window, WindowHandle insertAfter, int32_t x, int32_t y, int32_t cx, int32_t cy,
                      uint32_t flags) override {
        ::SetWindowPos(window, insertAfter, x, y, cx, cy, flags);
    }
    void MoveWindow(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height, bool repaint) override {
        ::MoveWindow(window, x, y, width, height, repaint ? TRUE : FALSE);
    }
    void ShowNormal(WindowHandle window) override { ::ShowWindow(window, SW_SHOWNORMAL); }
    void SetForegroundWindow(WindowHandle window) override { ::SetForegroundWindow(window); }
    void SetFocus(WindowHandle window) override { ::SetFocus(window); }
    void SendCommand(WindowHandle window, int32_t id) override {
        ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    }
    void Sleep(uint32_t milliseconds) override { ::Sleep(milliseconds); }

    void CheckMenuItem(int32_t id, bool checked) override {
        ::CheckMenuItem(GetMenu(ghApp), id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
    }
    void UpdateMainTitle() override { ::UpdateMainTitle(); }
    void InitPlayerWindow() override { ::InitPlayerWindow(); }
    void EnablePlaybackMenu(bool enable) override { ::EnablePlaybackMenu(enable); }
    std::string LoadResString(int32_t id) override {
        const char* text = ::LoadResString(id);
        return text ? std::string(text) : std::string();
    }
    void ReportMessage(const std::string& text) override { ::ReportMessage("%s", text.c_str()); }

    HRESULT BuildTwoCameraFullScreenGraph(WindowHandle window) override {
        return ::BuildTwoCameraFullScreenGraph(window);
    }
    HRESULT BuildOneCameraFullScreenGraph(WindowHandle window) override {
        return ::BuildOneCameraFullScreenGraph(window);
    }
};

}  // namespace

GraphPlatform& Win32GraphPlatform() {
    static Win32Platform platform;
    return platform;
}
