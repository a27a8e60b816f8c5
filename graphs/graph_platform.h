// What the graph builders need from the platform: the graph manager and its
// interfaces, our two filters, the running object table, and the main
// window and shell functions that a build touches. The Win32 layer
// implements GraphPlatform over COM; the tests put a recording fake in its
// place.
//
// The interfaces are only forward-declared here. The platform's headers
// declare them as structs too, so on Windows the pointers in the graph
// records are the real interface pointers.
#pragma once
#include <cstdint>
#include <string>

#include "core/app_state.h"
#include "core/result_codes.h"

struct IUnknown;
struct IBaseFilter;
struct IGraphBuilder;
struct IMediaControl;
struct IMediaEventEx;
struct IMediaSeeking;
struct IMediaPosition;
struct IVideoWindow;
struct IBasicVideo;
struct IBasicAudio;
struct IVideoFrameStep;
struct ICaptureGraphBuilder2;
struct IFileSinkFilter;
struct IConfigAviMux;
struct IRunningObjectTable;
struct IMoniker;

struct WindowRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// SetWindowPos flags used here (the platform's values).
constexpr uint32_t kSwpNoMove = 0x0002;
constexpr uint32_t kSwpNoOwnerZOrder = 0x0200;

// The graph manager, our filters and the running object table.
class GraphCalls {
public:
    virtual ~GraphCalls() = default;

    // Graph manager. Every call returns the platform's result code; an
    // interface comes back with one reference that the caller releases.
    virtual HRESULT CreateFilterGraph(IGraphBuilder** graph) = 0;
    // Our filters, each with one reference held by the caller.
    virtual HRESULT NewStereoEffectFilter(IBaseFilter** filter) = 0;
    virtual HRESULT NewGrabRenderer(WindowHandle owner, IBaseFilter** filter) = 0;
    virtual HRESULT AddFilter(IGraphBuilder* graph, IBaseFilter* filter, const wchar_t* name) = 0;
    virtual HRESULT RenderFile(IGraphBuilder* graph, const wchar_t* path) = 0;  // no play list
    virtual HRESULT QueryInterface(IGraphBuilder* graph, IMediaControl** out) = 0;
    virtual HRESULT QueryInterface(IGraphBuilder* graph, IMediaEventEx** out) = 0;
    virtual HRESULT QueryInterface(IGraphBuilder* graph, IMediaSeeking** out) = 0;
    virtual HRESULT QueryInterface(IGraphBuilder* graph, IMediaPosition** out) = 0;
    virtual HRESULT QueryInterface(IGraphBuilder* graph, IVideoWindow** out) = 0;
    virtual HRESULT QueryInterface(IGraphBuilder* graph, IBasicVideo** out) = 0;
    virtual HRESULT QueryInterface(IGraphBuilder* graph, IBasicAudio** out) = 0;
    virtual HRESULT QueryInterface(IGraphBuilder* graph, IVideoFrameStep** out) = 0;
    virtual HRESULT SetNotifyWindow(IMediaEventEx* events, WindowHandle window, int32_t message, intptr_t param) = 0;
    virtual HRESULT PutOwner(IVideoWindow* video, WindowHandle owner) = 0;
    virtual HRESULT PutWindowStyle(IVideoWindow* video, int32_t style) = 0;
    virtual HRESULT GetVisible(IVideoWindow* video, int32_t* visible) = 0;
    virtual HRESULT SetWindowPosition(IVideoWindow* video, int32_t left, int32_t top, int32_t width,
                                      int32_t height) = 0;
    virtual HRESULT PutVisible(IVideoWindow* video, bool visible) = 0;
    virtual HRESULT GetVideoSize(IBasicVideo* video, int32_t* width, int32_t* height) = 0;
    virtual HRESULT PutSourceWidth(IBasicVideo* video, int32_t width) = 0;
    virtual HRESULT PutSourceHeight(IBasicVideo* video, int32_t height) = 0;
    virtual HRESULT GetAvgTimePerFrame(IBasicVideo* video, double* seconds) = 0;
    virtual HRESULT GetDuration(IMediaPosition* position, double* seconds) = 0;
    virtual HRESULT CanStep(IVideoFrameStep* step, int32_t multiple) = 0;  // no step object
    virtual HRESULT Run(IMediaControl* control) = 0;
    virtual HRESULT Stop(IMediaControl* control) = 0;

    virtual void Release(IGraphBuilder* p) = 0;
    virtual void Release(IBaseFilter* p) = 0;
    virtual void Release(IMediaControl* p) = 0;
    virtual void Release(IMediaEventEx* p) = 0;
    virtual void Release(IMediaSeeking* p) = 0;
    virtual void Release(IMediaPosition* p) = 0;
    virtual void Release(IVideoWindow* p) = 0;
    virtual void Release(IBasicVideo* p) = 0;
    virtual void Release(IBasicAudio* p) = 0;
    virtual void Release(IVideoFrameStep* p) = 0;
    virtual void Release(ICaptureGraphBuilder2* p) = 0;
    virtual void Release(IFileSinkFilter* p) = 0;
    virtual void Release(IConfigAviMux* p) = 0;
    virtual void Release(IRunningObjectTable* p) = 0;
    virtual void Release(IMoniker* p) = 0;

    // Running object table.
    virtual HRESULT GetRunningObjectTable(IRunningObjectTable** table) = 0;
    virtual HRESULT CreateItemMoniker(const wchar_t* delimiter, const wchar_t* item, IMoniker** moniker) = 0;
    virtual HRESULT RegisterInTable(IRunningObjectTable* table, uint32_t flags, IGraphBuilder* graph,
                                    IMoniker* moniker, uint32_t* registration) = 0;
    virtual HRESULT RevokeFromTable(IRunningObjectTable* table, uint32_t registration) = 0;
    virtual uint32_t CurrentProcessId() = 0;

    // The path in the system code page to wide characters. *length receives
    // the wide characters the path needs, terminator included; the buffer is
    // written only when they fit in `capacity`.
    virtual HRESULT WidenPath(const char* path, wchar_t* buffer, int32_t capacity, int32_t* length) = 0;
};

// The windows a build sizes and shows, and the shell it tells.
class ShellHooks {
public:
    virtual ~ShellHooks() = default;

    // Windows.
    virtual void UpdateWindow(WindowHandle window) = 0;
    virtual void GetWindowRect(WindowHandle window, WindowRect* rect) = 0;  // screen coordinates
    virtual void GetClientRect(WindowHandle window, WindowRect* rect) = 0;
    virtual void SetWindowPos(WindowHandle window, WindowHandle insertAfter, int32_t x, int32_t y, int32_t cx,
                              int32_t cy, uint32_t flags) = 0;
    virtual void MoveWindow(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height,
                            bool repaint) = 0;
    virtual void ShowNormal(WindowHandle window) = 0;
    virtual void SetForegroundWindow(WindowHandle window) = 0;
    virtual void SetFocus(WindowHandle window) = 0;
    virtual void SendCommand(WindowHandle window, int32_t id) = 0;  // WM_COMMAND, no control
    virtual void Sleep(uint32_t milliseconds) = 0;

    // The shell.
    virtual void CheckMenuItem(int32_t id, bool checked) = 0;  // an item of the main menu
    virtual void UpdateMainTitle() = 0;
    virtual void InitPlayerWindow() = 0;
    virtual void EnablePlaybackMenu(bool enable) = 0;
    virtual std::string LoadResString(int32_t id) = 0;  // empty for a missing id
    virtual void ReportMessage(const std::string& text) = 0;
};

// The camera builds.
class CaptureCalls {
public:
    virtual ~CaptureCalls() = default;

    // For a full-screen window, which they take over when the source is a
    // camera.
    virtual HRESULT BuildTwoCameraFullScreenGraph(WindowHandle window) = 0;
    virtual HRESULT BuildOneCameraFullScreenGraph(WindowHandle window) = 0;
};

// Everything a graph build may touch, as one object: the Win32 layer
// implements it over COM and the shell; the tests put a recording fake in
// its place.
class GraphPlatform : public GraphCalls, public ShellHooks, public CaptureCalls {};

