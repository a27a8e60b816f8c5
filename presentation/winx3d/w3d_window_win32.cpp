#include "presentation/winx3d/w3d_window_win32.h"

#include <vfw.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "core/app_state.h"
#include "presentation/fullscreen_control.h"
#include "presentation/fullscreen_graph.h"
#include "presentation/gdi/gdi_geometry.h"
#include "presentation/grabbed_frame.h"
#include "presentation/packed_dib_win32.h"
#include "presentation/picture.h"
#include "presentation/presenter_host.h"
#include "presentation/shutter_views.h"
#include "presentation/winx3d/w3d_driver_win32.h"
#include "presentation/winx3d/w3d_rules.h"
#include "resources/resource.h"

namespace {

constexpr UINT kStartMessage = 2024;
constexpr UINT kDrawMessage = WM_USER;
constexpr int32_t kMaxFlipSurfaces = 8;
// Surface status bits of the driver: the surface is shown or queued.
constexpr uint32_t kSurfaceBusyBits = 0x28;
// Clears after a zoom or help change: enough for every surface of the chain.
constexpr int32_t kClearsAfterChange = 4;
constexpr int32_t kErrorCannotShowFile = 123;

struct W3dWindowState {
    HWND window = nullptr;
    HINSTANCE instance = nullptr;
    std::string file;
    int32_t width = 0;  // the display mode: S3W x S3H x depth
    int32_t height = 0;
    int32_t depth = 0;
    int32_t layout = 0;  // the input layout handed over at the start
    W3dDriverHandle* driver = nullptr;
    int32_t device = 0;
    W3dCapabilityRecord caps{};
    int32_t chainSurfaces = 2;
    IDirectDraw7* directDraw = nullptr;
    IDirectDrawSurface7* primary = nullptr;
    IDirectDrawSurface7* surfaces[kMaxFlipSurfaces] = {};
    int32_t surfaceCount = 0;
    IDirectDrawSurface7* startFirst = nullptr;  // the two surfaces the driver started on
    IDirectDrawSurface7* startSecond = nullptr;
    IDirectDrawSurface7* lastChoice = nullptr;
    std::atomic<int32_t> zoom{0};
    std::atomic<int32_t> help{0};
    std::atomic<int32_t> swap{0};
    std::atomic<int32_t> pendingClears{0};
    int32_t modeSet = 0;
    int32_t flipping = 0;
    int32_t driverAttached = 0;
    int32_t error = 0;
    bool graphBuilt = false;
    HDRAWDIB drawDib = nullptr;
    HCURSOR cursor = nullptr;
};

W3dWindowState g_W3d;

// Held by every draw and by the release of what the draws use.
std::mutex g_drawing;

template <class T>
void ReleaseRef(T*& p) {
    if (p) p->Release();
    p = nullptr;
}

bool Running() { return g_nPlayState.load() == PlayState::Running; }

// Draws now unless the graph runs: then its next frame shows the change.
void Redraw(HWND window) {
    if (!Running()) PostMessageA(window, kDrawMessage, 0, 0);
}

void ChangeZoom(HWND window, int32_t zoom) {
    g_W3d.zoom = zoom;
    g_W3d.pendingClears = kClearsAfterChange;
    Redraw(window);
}

// ------------------------------------------------------------------ draws

struct Frame {
    const BITMAPINFOHEADER* header = nullptr;
    const BYTE* pixels = nullptr;
    int32_t w = 0;
    int32_t h = 0;
};

bool CurrentFrame(Frame* f) {
    const BITMAPINFOHEADER& header = GrabbedFrame.header.bmiHeader;
    if (!GrabbedFrame.pDisplay || header.biWidth <= 0 || header.biHeight == 0 || header.biBitCount != 24) return false;
    f->header = &header;
    f->pixels = GrabbedFrame.pDisplay;
    f->w = header.biWidth;
    f->h = std::labs(header.biHeight);
    return true;
}

// `source` (top-left origin) of the frame at (x, y), dw x dh. DrawDib takes
// bottom-up pictures; a top-down one goes through StretchDIBits.
void DrawView(HDC dc, const Frame& f, const SourceRect& source, const ShutterViews& v) {
    auto* header = const_cast<BITMAPINFOHEADER*>(f.header);
    auto* pixels = const_cast<BYTE*>(f.pixels);
    const bool bottomUp = header->biHeight > 0;
    if (bottomUp && g_W3d.drawDib &&
        DrawDibDraw(g_W3d.drawDib, dc, v.x, v.y, v.dw, v.dh, header, pixels, source.x, source.y, source.width,
                    source.height, DDF_BACKGROUNDPAL))
        return;
    SetStretchBltMode(dc, COLORONCOLOR);
    const int32_t sy = bottomUp ? BottomUpY(source, f.h) : source.y;
    StretchDIBits(dc, v.x, v.y, v.dw, v.dh, source.x, sy, source.width, source.height, pixels,
                  reinterpret_cast<const BITMAPINFO*>(header), DIB_RGB_COLORS, SRCCOPY);
}

void DrawHelp(HDC dc) {
    SetBkMode(dc, TRANSPARENT);
    // Black, then white one pixel right and down: readable on any picture.
    const struct {
        COLORREF colour;
        int offset;
    } passes[] = {{RGB(0, 0, 0), 0}, {RGB(255, 255, 255), 1}};
    for (const auto& pass : passes) {
        SetTextColor(dc, pass.colour);
        const char* title = Host().String(IDS_HELP_WIN3D_TITLE);
        TextOutA(dc, 2 + pass.offset, 22 + pass.offset, title, static_cast<int>(std::strlen(title)));
        for (int i = 0; i <= IDS_HELP_FS_LAST - IDS_HELP_FS_FIRST; ++i) {
            const char* line = Host().String(IDS_HELP_FS_FIRST + i);
            TextOutA(dc, 2 + pass.offset, 42 + 20 * i + pass.offset, line, static_cast<int>(std::strlen(line)));
        }
    }
}

// The first surface of the chain the driver does not show or hold; the
// previous choice when it holds them all.
IDirectDrawSurface7* ChooseSurface(W3dDriverHandle* driver, int32_t device) {
    W3dWindowState& s = g_W3d;
    W3dSurfaceStatusFn status = driver->tableA->surfaceStatus;
    for (int32_t i = 0; i < s.surfaceCount; ++i) {
        uint32_t bits = 0;
        if (status && status(driver, device, s.surfaces[i], &bits) != 0) continue;
        if ((bits & kSurfaceBusyBits) == 0) return s.lastChoice = s.surfaces[i];
    }
    return s.lastChoice;
}

// One view into a free surface, handed to the driver for its eye.
void DrawEye(W3dDriverHandle* driver, int32_t device, const Frame* f, const SourceRect& source,
             const ShutterViews& v, int32_t firstView) {
    W3dWindowState& s = g_W3d;
    IDirectDrawSurface7* surface = ChooseSurface(driver, device);
    if (!surface) return;
    if (surface->IsLost() == DDERR_SURFACELOST) surface->Restore();
    HDC dc = nullptr;
    if (SUCCEEDED(surface->GetDC(&dc))) {
        if (s.pendingClears > 0) {
            RECT all{0, 0, s.width, s.height};
            FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            --s.pendingClears;
        }
        if (f && v.Drawable()) DrawView(dc, *f, source, v);
        if (s.help) DrawHelp(dc);
        surface->ReleaseDC(dc);
    }
    if (driver->tableA->presentEye) driver->tableA->presentEye(driver, device, surface, firstView);
    const bool complete = firstView ? W3dCompletesFirstView(s.caps.flags1, s.caps.flags2, s.chainSurfaces) : true;
    if (complete && driver->tableA->eyeDone) driver->tableA->eyeDone(driver, device, 1);
}

// ------------------------------------------------------------ window start

void FailStart(HWND window) {
    g_W3d.error = 1;
    PostMessageA(window, WM_CLOSE, 0, 0);
}

void ClearToBlack(IDirectDrawSurface7* surface) {
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = 0;
    surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

void StartGraph(HWND window) {
    W3dWindowState& s = g_W3d;
    // The first pictures show the keys.
    const int32_t help = s.help;
    s.help = 1;
    const bool wasRunning = g_nSavedState == PlayState::Running;
    if (SUCCEEDED(Host().BuildFullScreenGraph(window, s.file.c_str()))) {
        s.graphBuilt = true;
        SeekSavedPosition();
        if (!wasRunning) TogglePauseResume();
    }
    s.help = help;
    // What the overlay left outside the picture goes with the next draws.
    if (!help) s.pendingClears = kClearsAfterChange;
    Redraw(window);
}

void StartWindow(HWND window) {
    W3dWindowState& s = g_W3d;
    s.modeSet = 0;
    if (FAILED(DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&s.directDraw), IID_IDirectDraw7, nullptr))) {
        s.directDraw = nullptr;
        FailStart(window);
        return;
    }
    W3dDriverHandle* driver = nullptr;
    if (LoadW3dDriver(&driver) != 0) {
        // The shell checked the library before the hand-over; one gone
        // since then leaves nothing to show, and a window that never showed
        // could not be closed by any key: the movie goes back at once.
        PostMessageA(window, WM_CLOSE, 0, 0);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(g_drawing);
        s.driver = driver;
    }
    s.device = 0;
    W3dTableB* b = driver->tableB;
    if (b && W3dTableBHas(b->size, W3dTableBEntry::DeviceIndex, kW3dSlotBytes) && b->deviceIndex)
        b->deviceIndex(driver, &s.device);

    W3dDisplayInfo info{};
    s.caps = W3dCapabilityRecord{sizeof(W3dCapabilityRecord), 0, 0};
    if (GetDisplayDeviceInfo(window, driver, s.device, &info) != 0 || !driver->tableA->capabilities ||
        driver->tableA->capabilities(driver, s.device, &s.caps) != 0) {
        FailStart(window);
        return;
    }
    const int32_t depth = W3dDriverDepth(s.caps.flags1, s.caps.flags2, s.depth);
    if (depth == 0) {
        FailStart(window);
        return;
    }
    s.chainSurfaces = W3dChainSurfaces(s.caps.flags1, s.caps.flags2);

    // Direct3D on Windows would switch this thread's x87 unit to single
    // precision unless told to keep it; Wine's leaves it alone either way,
    // so the flag cannot be seen to matter under test.
    if (FAILED(s.directDraw->SetCooperativeLevel(window, DDSCL_SETFOCUSWINDOW)) ||
        FAILED(s.directDraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN | DDSCL_FPUPRESERVE))) {
        FailStart(window);
        return;
    }

    DWORD rate = 0;
    GetFlipperRefreshRate(s.width, s.height, depth, s.device, &rate);
    // A mode the display cannot take would leave the chain at the desktop's
    // size under a window of another: better said than shown wrong.
    if (FAILED(s.directDraw->SetDisplayMode(s.width, s.height, depth, rate, 0)) &&
        (rate == 0 || FAILED(s.directDraw->SetDisplayMode(s.width, s.height, depth, 0, 0)))) {
        FailStart(window);
        return;
    }
    s.modeSet = 1;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);

    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps =
        DDSCAPS_PRIMARYSURFACE | DDSCAPS_COMPLEX | DDSCAPS_FLIP | DDSCAPS_3DDEVICE | DDSCAPS_VIDEOMEMORY;
    int32_t backBuffers = W3dFirstBackBuffers(s.chainSurfaces);
    IDirectDrawSurface7* primary = nullptr;
    for (;;) {
        desc.dwBackBufferCount = static_cast<DWORD>(backBuffers);
        const HRESULT hr = s.directDraw->CreateSurface(&desc, &primary, nullptr);
        if (SUCCEEDED(hr)) break;
        primary = nullptr;
        if (hr != DDERR_OUTOFVIDEOMEMORY || backBuffers <= kW3dFewestBackBuffers) break;
        --backBuffers;
    }
    if (!primary) {
        FailStart(window);
        return;
    }
    s.primary = primary;
    if (b && W3dTableBHas(b->size, W3dTableBEntry::AttachPrimary, kW3dSlotBytes) && b->attachPrimary &&
        b->attachPrimary(driver, s.device, primary) == 0)
        s.driverAttached = 1;

    IDirectDrawSurface7* list[kMaxFlipSurfaces] = {};
    const int32_t found = CollectFlipSurfaces(primary, list, backBuffers + 1);
    {
        std::lock_guard<std::mutex> lock(g_drawing);
        for (int32_t i = 0; i < found; ++i) s.surfaces[i] = list[i];
        s.surfaceCount = found;
    }
    if (found < 2 || !driver->tableA->start) {
        FailStart(window);
        return;
    }
    ClearToBlack(s.surfaces[0]);
    ClearToBlack(s.surfaces[1]);

    if (driver->tableA->start(driver, s.device, s.directDraw, s.surfaces[0], s.surfaces[1]) != 0) {
        FailStart(window);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(g_drawing);
        s.startFirst = s.surfaces[0];
        s.startSecond = s.surfaces[1];
        s.flipping = 1;
    }
    StartGraph(window);
}

// ------------------------------------------------------------------- close

void CloseW3dWindow(HWND window) {
    W3dWindowState& s = g_W3d;
    if (s.graphBuilt) SaveFullScreenPosition();
    SetRunningPresenter(nullptr);
    ReleaseFullScreenGraph();
    s.graphBuilt = false;
    std::lock_guard<std::mutex> lock(g_drawing);
    if (s.drawDib) DrawDibClose(s.drawDib);
    s.drawDib = nullptr;
    for (int32_t i = 1; i < s.surfaceCount; ++i) ReleaseRef(s.surfaces[i]);
    if (s.surfaceCount > 0) ReleaseRef(s.surfaces[0]);
    s.surfaceCount = 0;
    s.lastChoice = nullptr;
    s.startFirst = s.startSecond = nullptr;
    if (s.flipping && s.driver && s.driver->tableA->stop) s.driver->tableA->stop(s.driver, s.device, s.directDraw);
    s.flipping = 0;
    ReleaseRef(s.primary);
    if (s.driver && s.driver->tableA->unload) s.driver->tableA->unload(s.driver);
    s.driver = nullptr;
    s.driverAttached = 0;
    if (s.directDraw) {
        if (s.modeSet) s.directDraw->RestoreDisplayMode();
        s.directDraw->SetCooperativeLevel(window, DDSCL_NORMAL);
    }
    s.modeSet = 0;
    ReleaseRef(s.directDraw);
    DestroyWindow(window);
}

// Said once the window's loop is over: a box shown while the quit message
// waits in the queue would close at once.
void ReportError() {
    W3dWindowState& s = g_W3d;
    if (!s.error) return;
    const int32_t text = s.error == kErrorCannotShowFile ? IDS_CANNOT_SHOW_FILE : IDS_CANNOT_SHOW;
    Host().ShowMessageBox(nullptr, Host().String(text), Host().String(IDS_CAUTION), MB_OK | MB_ICONEXCLAMATION);
    s.error = 0;
}

void OnKeyUp(HWND window, WPARAM key) {
    W3dWindowState& s = g_W3d;
    switch (key) {
    case VK_RETURN:
    case VK_ESCAPE: PostMessageA(window, WM_CLOSE, 0, 0); break;
    case 'X':
        s.swap = 1 - s.swap;
        Redraw(window);
        break;
    case VK_F1:
    case 'H':
        s.help = 1 - s.help;
        s.pendingClears = kClearsAfterChange;
        Redraw(window);
        break;
    case 'F': ChangeZoom(window, 0); break;
    case 'J': ChangeZoom(window, 100); break;
    case 'W': ChangeZoom(window, 200); break;
    case VK_PRIOR: ChangeZoom(window, ZoomIn(s.zoom)); break;
    case VK_NEXT: ChangeZoom(window, ZoomOut(s.zoom)); break;
    case VK_F2: TogglePauseResume(); break;
    case VK_F3: ToggleRestart(); break;
    default: break;
    }
}

void DrawRunningWindow() { DrawW3dFrame(g_W3d.window, g_W3d.driver, g_W3d.device); }

int RunW3dPresenter(HINSTANCE instance, const char* file) {
    const ShutterScreenMode mode = ShutterScreenModeOf(Host().Setting("n3DSize"), Host().Setting("n3DBpp"));
    return RunW3dWindow(instance, file, mode.bitDepth, mode.width, mode.height, g_nInputLayout);
}

}  // namespace

void DrawW3dFrame(HWND, W3dDriverHandle* driver, int32_t device) {
    std::lock_guard<std::mutex> lock(g_drawing);
    W3dWindowState& s = g_W3d;
    if (!s.startFirst || !s.startSecond || !driver || driver != s.driver) return;
    Frame frame;
    const bool have = CurrentFrame(&frame);
    ShutterViews v;
    BITMAPINFOHEADER* doubled = nullptr;
    if (have) {
        v = ShutterViewsFor(s.layout, s.swap, frame.w, frame.h, s.zoom, g_bAspect43, s.width, s.height);
        // Later zoom steps start from the zoom drawn (the fit for 0).
        if (v.zoom > 0) s.zoom = v.zoom;
        if (v.doubled && v.Drawable()) {
            doubled = DoubleDibHeight(frame.header, frame.pixels);
            if (doubled) {
                frame.header = doubled;
                frame.pixels = DibPixels(doubled);
                frame.h = doubled->biHeight;
            } else {
                v = ShutterViews{};
            }
        }
    }
    DrawEye(driver, device, have ? &frame : nullptr, v.first, v, 1);
    DrawEye(driver, device, have ? &frame : nullptr, v.second, v, 0);
    FreePackedDib(doubled);
}

int RunW3dWindow(HINSTANCE instance, const char* file, int32_t depth, int32_t width, int32_t height,
                 int32_t layout) {
    W3dWindowState& s = g_W3d;
    s.instance = instance;
    s.file = file ? file : "";
    s.width = width;
    s.height = height;
    s.depth = depth;
    s.layout = layout;
    s.error = 0;

    WNDCLASSA wc{};
    if (!GetClassInfoA(instance, "W3DWIN", &wc)) {
        wc.lpfnWndProc = W3dWindowProc;
        wc.hInstance = instance;
        wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_DUOSCOPE));
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        wc.lpszClassName = "W3DWIN";
        RegisterClassA(&wc);
    }
    HWND window = CreateWindowExA(WS_EX_TOPMOST, "W3DWIN", "W3DWindow", WS_POPUP, 0, 0, width, height, nullptr,
                                  nullptr, instance, nullptr);
    if (!window) return 1;
    s.window = window;
    g_hFullScreenWnd = window;
    SetRunningPresenter(&kWinX3dPresenter);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    SetRunningPresenter(nullptr);
    g_hFullScreenWnd = nullptr;
    s.window = nullptr;
    ReportError();
    return 1;
}

LRESULT CALLBACK W3dWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    W3dWindowState& s = g_W3d;
    switch (message) {
    case WM_CREATE:
        s.window = window;
        s.swap = 0;
        s.surfaceCount = 0;
        s.pendingClears = 2;
        s.zoom = 0;
        s.drawDib = DrawDibOpen();
        s.driver = nullptr;
        s.device = 0;
        s.cursor = LoadCursorA(nullptr, IDC_ICON);
        SetCursor(s.cursor);
        PostMessageA(window, kStartMessage, 0, 0);
        return 0;
    case kStartMessage: StartWindow(window); return 0;
    case kDrawMessage: DrawW3dFrame(window, s.driver, s.device); return 0;
    case WM_GRAPHNOTIFY: HandleGraphEvents(); return 0;
    // Another window in front ends the exclusive mode: the window closes.
    // Activation goes on to the default procedure, which gives the window
    // the keyboard focus its keys need.
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE && s.modeSet && s.flipping) {
            SendMessageA(window, WM_CLOSE, 0, 0);
            return 0;
        }
        break;
    case WM_KILLFOCUS:
        if (s.modeSet && s.flipping && s.driver) SendMessageA(window, WM_CLOSE, 0, 0);
        return 0;
    case WM_PAINT: ValidateRect(window, nullptr); return 0;
    case WM_ERASEBKGND:
        if (s.surfaceCount > 0) return 1;
        break;
    case WM_SETCURSOR: SetCursor(s.cursor); return TRUE;
    case WM_CLOSE:
        // Losing the focus while closing sends another close.
        if (s.window == window) {
            s.window = nullptr;
            CloseW3dWindow(window);
        }
        return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    case WM_LBUTTONDOWN: TogglePauseResume(); return 0;
    case WM_RBUTTONDOWN: ToggleRestart(); return 0;
    case WM_MOUSEWHEEL: {
        const int direction = WheelZoomDirection(HIWORD(wParam));
        if (direction != 0) ChangeZoom(window, direction > 0 ? ZoomIn(s.zoom) : ZoomOut(s.zoom));
        return 0;
    }
    case WM_KEYDOWN:
        if (wParam == VK_SPACE) ToggleFrameStep();
        if (wParam == VK_BACK) StepFrameBack();
        return 0;
    case WM_KEYUP: OnKeyUp(window, wParam); return 0;
    default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

const FullScreenPresenter kWinX3dPresenter = {
    PresenterId::WinX3d,
    nullptr,  // RunW3dWindow registers "W3DWIN" itself
    W3dWindowProc,
    nullptr,
    true,
    W3dDriverLoadable,
    RunW3dPresenter,
    DrawRunningWindow,
    1000,  // the display mode settles before the first frame
};
