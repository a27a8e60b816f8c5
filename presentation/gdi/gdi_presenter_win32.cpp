// The program's own full-screen window "Sharp3D": its start and message
// loop, keys and mouse, the whole-view draws (as source, one view, side by
// side and mirrors) and the help overlay. The pixel-combining draws live in
// gdi_composed_draws_win32.cpp; the arithmetic in gdi_geometry.cpp.
#include "presentation/gdi/gdi_screen.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "core/app_state.h"
#include "presentation/fullscreen_control.h"
#include "presentation/fullscreen_graph.h"
#include "presentation/gdi/gdi_geometry.h"
#include "presentation/grabbed_frame.h"
#include "presentation/packed_dib_win32.h"
#include "presentation/picture.h"
#include "presentation/presenter.h"
#include "presentation/presenter_host.h"
#include "presentation/zoom.h"
#include "resources/resource.h"

GdiScreenState g_GdiScreen;

namespace {

constexpr UINT kStartGraphMessage = WM_USER;
constexpr int kHelpLines = IDS_HELP_GDI_LAST - IDS_HELP_GDI_FIRST + 1;

// The graph of this window could not be built: it closes without taking
// the position, so the shell reopens the movie where it was.
bool g_bBuildFailed = false;

// The layout-2 frame doubled in height, kept across frames and rebuilt only
// when the frame's size changes.
BITMAPINFOHEADER* g_pDoubled = nullptr;

// Held by every draw and by the paint of the window's own context.
std::recursive_mutex g_drawing;

// The window's device context for one draw.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(window ? GetDC(window) : nullptr) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// A picture to draw from: header and pixels, its width and (absolute) height.
struct Picture {
    const BITMAPINFOHEADER* header = nullptr;
    const BYTE* pixels = nullptr;
    int32_t w = 0;
    int32_t h = 0;
};

// The frame the grab renderer published last; false while there is none.
bool CurrentFrame(Picture* p) {
    const BITMAPINFOHEADER& header = GrabbedFrame.header.bmiHeader;
    if (!GrabbedFrame.pDisplay || header.biWidth <= 0 || header.biHeight == 0 || header.biBitCount != 24) return false;
    p->header = &header;
    p->pixels = GrabbedFrame.pDisplay;
    p->w = header.biWidth;
    p->h = std::labs(header.biHeight);
    return true;
}

// Draws `source` of the picture at (x, y) with size dw x dh; a mirrored
// image covers the same columns, turned left to right. DrawDib takes
// bottom-up pictures only, so a top-down frame goes through StretchDIBits.
void DrawPicture(HDC dc, const Picture& p, const SourceRect& source, int32_t x, int32_t y, int32_t dw, int32_t dh,
                 bool mirrored) {
    const bool bottomUp = p.header->biHeight > 0;
    if (!mirrored && bottomUp) {
        DrawBottomUpPicture(dc, x, y, dw, dh, const_cast<BITMAPINFOHEADER*>(p.header), const_cast<BYTE*>(p.pixels),
                            source.x, source.y, source.width, source.height);
        return;
    }
    const int32_t sy = bottomUp ? BottomUpY(source, p.h) : source.y;
    // With a negative width GDI fills the columns x - dw + 1 ... x, so a
    // mirrored image starts one column left of its right edge.
    StretchDIBits(dc, mirrored ? x + dw - 1 : x, y, mirrored ? -dw : dw, dh, source.x, sy, source.width,
                  source.height, p.pixels, reinterpret_cast<const BITMAPINFO*>(p.header), DIB_RGB_COLORS, SRCCOPY);
}

// The frame doubled in height (layout 2), in the kept picture.
bool DoubledFrame(const Picture& frame, Picture* doubled) {
    const LONG height = frame.header->biHeight > 0 ? 2 * frame.h : -2 * frame.h;
    if (!g_pDoubled || g_pDoubled->biWidth != frame.w || g_pDoubled->biHeight != height) {
        FreePackedDib(g_pDoubled);
        g_pDoubled = CreatePackedDib(frame.w, 2 * frame.h, 24);
        if (!g_pDoubled) return false;
        // A top-down frame doubles into a top-down picture.
        g_pDoubled->biHeight = height;
    }
    BYTE* pixels = DibPixels(g_pDoubled);
    DoubleRows(pixels, frame.pixels, DibRowStride(frame.w, 24), frame.h);
    doubled->header = g_pDoubled;
    doubled->pixels = pixels;
    doubled->w = frame.w;
    doubled->h = 2 * frame.h;
    return true;
}

void FreeDoubledFrame() {
    FreePackedDib(g_pDoubled);
    g_pDoubled = nullptr;
}

// Keeps the zoom a draw worked out (the fit when it was 0), so that later
// zoom steps start from it.
void KeepZoom(int32_t zoom) {
    if (zoom > 0) g_GdiScreen.zoom = zoom;
}

// One whole picture, placed by `geometry` (as source, or one view).
template <typename Geometry>
void DrawWholePicture(Geometry geometry) {
    GdiScreenState& s = g_GdiScreen;
    GdiBusyScope busy;
    Picture frame;
    const bool have = CurrentFrame(&frame);
    PictureDraw d;
    if (have) {
        d = geometry(frame);
        KeepZoom(d.zoom);
    }
    WindowDc dc(s.window);
    if (!dc.get()) return;
    ClearForDraw(dc.get(), s.windowWidth, true);
    if (have && d.Drawable()) DrawPicture(dc.get(), frame, d.source, d.x, d.y, d.dw, d.dh, false);
    DrawHelpOverlay(dc.get());
}

void DrawAsSource() {
    const GdiScreenState& s = g_GdiScreen;
    DrawWholePicture([&](const Picture& frame) {
        return AsSourceDraw(frame.w, frame.h, s.zoom, s.windowWidth, s.screenHeight);
    });
}

void DrawOneSide() {
    const GdiScreenState& s = g_GdiScreen;
    DrawWholePicture([&](const Picture& frame) {
        return OneSideDraw(g_nInputLayout, s.swap, frame.w, frame.h, s.zoom, g_bAspect43, s.windowWidth,
                           s.screenHeight);
    });
}

void DrawSideBySide() {
    GdiScreenState& s = g_GdiScreen;
    GdiBusyScope busy;
    Picture frame;
    bool have = CurrentFrame(&frame);
    SideBySideDraw d;
    if (have) {
        d = SideBySideGeometry(s.displayMode, g_nInputLayout, s.swap, s.centring, frame.w, frame.h, s.zoom,
                               g_bAspect43, s.windowWidth, s.screenHeight);
        KeepZoom(d.zoom);
        if (d.doubled && d.Drawable()) have = DoubledFrame(frame, &frame);
    }
    WindowDc dc(s.window);
    if (!dc.get()) return;
    ClearForDraw(dc.get(), 2 * (s.windowWidth / 2), true);
    if (have && d.Drawable()) {
        SetStretchBltMode(dc.get(), COLORONCOLOR);
        DrawPicture(dc.get(), frame, d.left, d.xL, d.y, d.dw, d.dh, d.mirrorLeft);
        DrawPicture(dc.get(), frame, d.right, d.xR, d.y, d.dw, d.dh, d.mirrorRight);
    }
    DrawHelpOverlay(dc.get());
}

// Draws now unless the graph runs: then its next frame shows the change.
void Redraw() {
    const PlayState state = g_nPlayState;
    if (state == PlayState::Stopped || state == PlayState::Paused) DrawGdiFrame();
}

void ChangeZoom(int32_t zoom) {
    g_GdiScreen.zoom = zoom;
    g_GdiScreen.repaint = 1;
    Redraw();
}

void ChangeDisplayMode(int32_t mode) {
    g_GdiScreen.displayMode = mode;
    g_GdiScreen.repaint = 1;
    Redraw();
}

void StartGraph(HWND window) {
    g_bBuildFailed = false;
    const HRESULT hr = Host().BuildFullScreenGraph(window, g_GdiScreen.file.c_str());
    if (FAILED(hr)) {
        // The build has said why; a black screen that waits for Esc would
        // say nothing more.
        g_bBuildFailed = true;
        PostMessageA(window, WM_CLOSE, 0, 0);
        return;
    }
    SeekSavedPosition();
    // Resume in the state the movie was left in.
    if (g_nSavedState != PlayState::Running) {
        TogglePauseResume();
        // The graph calls above may have let the window's first paint erase
        // a frame drawn while it ran, and the sample that arrives now is held
        // for the next step: draw the frame it stopped on again.
        Redraw();
    }
}

// Waits for a draw that may still be under way on the streaming thread.
void WaitForDraws() {
    for (int i = 0; i < 2000 && g_GdiScreen.busy; ++i) Sleep(1);
}

void CloseScreen(HWND window) {
    GdiScreenState& s = g_GdiScreen;
    if (!g_bBuildFailed) {
        SaveFullScreenPosition();
        g_nSavedState = g_nPlayState;
    }
    ReleaseFullScreenGraph();
    SetRunningPresenter(nullptr);
    WaitForDraws();
    if (s.drawDib) DrawDibClose(s.drawDib);
    s.drawDib = nullptr;
    FreeComposedPictures();
    FreeDoubledFrame();
    DestroyWindow(window);
}

void OnKeyDown(HWND window, WPARAM key) {
    GdiScreenState& s = g_GdiScreen;
    switch (key) {
    case VK_RETURN: PostMessageA(window, WM_CLOSE, 0, 0); break;
    case VK_SHIFT: s.modifiers = ModifiersAfterShiftDown(s.modifiers); break;
    case VK_CONTROL: s.modifiers = ModifiersAfterCtrlDown(s.modifiers); break;
    case VK_PRIOR:
        if (!s.busy) ChangeZoom(ZoomIn(s.zoom));
        break;
    case VK_NEXT:
        if (!s.busy) ChangeZoom(ZoomOut(s.zoom));
        break;
    case VK_F4:
    case VK_F5:
    case VK_F6:
    case VK_F7:
    case VK_F9:
    case VK_F11:
        ChangeDisplayMode(ModeAfterFunctionKey(static_cast<int>(key - VK_F1) + 1, s.modifiers, s.displayMode));
        break;
    case 'E': {
        s.centring = NextWcent(s.centring);
        Host().StoreSetting("nWcent", s.centring);
        s.repaint = 1;
        Redraw();
        break;
    }
    case VK_SPACE:
        if (g_nFrameStepMarker == 0) ToggleFrameStep();
        break;
    case VK_BACK: StepFrameBack(); break;
    default: break;
    }
}

void OnKeyUp(HWND window, WPARAM key, LPARAM lParam) {
    GdiScreenState& s = g_GdiScreen;
    switch (key) {
    case VK_ESCAPE: PostMessageA(window, WM_CLOSE, 0, 0); break;
    case VK_SHIFT:
    case VK_CONTROL: s.modifiers = 0; break;
    case VK_F2: TogglePauseResume(); break;
    case VK_F3: ToggleRestart(); break;
    case VK_F1:
    case 'H':
        s.helpShown = 1 - s.helpShown;
        s.helpChanged = 1;
        Redraw();
        break;
    case 'F':
    case 'J':
    case 'W':
    case 'X':
        // Never lost: tried again once the running draw is over.
        if (s.busy) {
            PostMessageA(window, WM_KEYUP, key, lParam);
        } else if (key == 'X') {
            s.swap = 1 - s.swap;
            Redraw();
        } else {
            ChangeZoom(key == 'F' ? 0 : key == 'J' ? 100 : 200);
        }
        break;
    default: break;
    }
}

}  // namespace

int RunGdiFullScreen(HINSTANCE instance, const char* file) {
    GdiScreenState& s = g_GdiScreen;
    s.file = file ? file : "";
    s.instance = instance;
    s.displayMode = g_nPresenterMode;
    const WindowSpan span = TakeFullScreenWindowSpan(s.displayMode, g_nScreenWidth);
    s.windowWidth = span.width;
    s.screenHeight = g_nScreenHeight;
    s.modifiers = 0;
    s.swap = g_bSwap.load();
    // Read once here: every draw needs it, and the draws run on the
    // streaming thread.
    s.centring = Host().Setting("nWcent");

    HWND window = CreateWindowExA(WS_EX_APPWINDOW | WS_EX_WINDOWEDGE, "Sharp3D", "Duoscope - Sharp3D",
                                  WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, span.x, 0, span.width, s.screenHeight,
                                  nullptr, nullptr, instance, nullptr);
    if (!window) {
        Host().ShowMessageBox(nullptr, "Window Creation Error.", "ERROR", MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    s.window = window;
    g_hFullScreenWnd = window;
    g_bOwnFullScreen = 1;
    SetRunningPresenter(&kGdiPresenter);
    SendMessageA(window, WM_SIZE, 0, 0);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(window);

    s.composed = nullptr;
    s.composedLayout = -1;
    s.zoom = 0;
    s.busy = 0;
    s.repaint = 1;  // whatever the screen showed before goes
    s.drawDib = DrawDibOpen();
    if (!s.markerStrip) CreateMarkerStrip();

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    g_bOwnFullScreen = 0;
    SetRunningPresenter(nullptr);
    g_hFullScreenWnd = nullptr;
    s.window = nullptr;
    g_nPresenterMode = s.displayMode;
    return 1;
}

LRESULT CALLBACK GdiFullScreenWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    GdiScreenState& s = g_GdiScreen;
    switch (message) {
    case WM_CREATE:
        s.window = window;
        PostMessageA(window, kStartGraphMessage, 0, 0);
        return 0;
    case kStartGraphMessage: StartGraph(window); return 0;
    case WM_GRAPHNOTIFY: HandleGraphEvents(); return 0;
    case WM_CLOSE: CloseScreen(window); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    case WM_PAINT: {
        // Uncovered parts were erased to black: a paused picture is drawn
        // again, a running one comes back with the next frame.
        {
            std::lock_guard<std::recursive_mutex> lock(g_drawing);
            PAINTSTRUCT ps;
            BeginPaint(window, &ps);
            EndPaint(window, &ps);
        }
        s.repaint = 1;
        Redraw();
        return 0;
    }
    case WM_LBUTTONDOWN: TogglePauseResume(); return 0;
    case WM_RBUTTONDOWN: ToggleRestart(); return 0;
    case WM_MBUTTONDOWN:
        if (s.busy)
            PostMessageA(window, message, wParam, lParam);
        else
            ChangeZoom(0);
        return 0;
    case WM_MOUSEWHEEL:
        // Dropped while a draw runs.
        if (!s.busy) {
            const int direction = WheelZoomDirection(HIWORD(wParam));
            if (direction != 0) ChangeZoom(direction > 0 ? ZoomIn(s.zoom) : ZoomOut(s.zoom));
        }
        return 0;
    case WM_KEYDOWN: OnKeyDown(window, wParam); return 0;
    case WM_KEYUP: OnKeyUp(window, wParam, lParam); return 0;
    default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void DrawBottomUpPicture(HDC dc, int32_t x, int32_t y, int32_t dw, int32_t dh, BITMAPINFOHEADER* header,
                         BYTE* pixels, int32_t sx, int32_t sy, int32_t sw, int32_t sh) {
    GdiScreenState& s = g_GdiScreen;
    if (s.drawDib && DrawDibDraw(s.drawDib, dc, x, y, dw, dh, header, pixels, sx, sy, sw, sh, DDF_BACKGROUNDPAL))
        return;
    if (s.drawDib) DrawDibEnd(s.drawDib);
    // StretchDIBits counts a bottom-up picture's rows from the bottom.
    StretchDIBits(dc, x, y, dw, dh, sx, header->biHeight - sy - sh, sw, sh, pixels,
                  reinterpret_cast<const BITMAPINFO*>(header), DIB_RGB_COLORS, SRCCOPY);
}

void DrawGdiFrame() {
    // Frames are drawn on the streaming thread and redrawn on the window's
    // thread. The window's own device context, the drawing handle and the
    // composed picture take one user at a time: Wine fails a GDI call on a
    // context another thread is using.
    std::lock_guard<std::recursive_mutex> lock(g_drawing);
    int32_t mode = g_GdiScreen.displayMode;
    const GdiDraw draw = DrawForDisplayMode(&mode);
    if (mode != g_GdiScreen.displayMode) g_GdiScreen.displayMode = mode;
    switch (draw) {
    case GdiDraw::AsSource: DrawAsSource(); break;
    case GdiDraw::OneSide: DrawOneSide(); break;
    case GdiDraw::SideBySide: DrawSideBySide(); break;
    case GdiDraw::Anaglyph: DrawAnaglyph(); break;
    case GdiDraw::Interlace: DrawInterlace(); break;
    case GdiDraw::SharpLcd: DrawSharpLcd(); break;
    }
    // Wine puts what one thread drew on the screen when the window's thread
    // next waits for messages; a frame drawn on the streaming thread while
    // the window's thread sleeps would stay unseen. A no-op message wakes it.
    HWND window = g_GdiScreen.window;
    if (window && GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId())
        PostMessageA(window, WM_NULL, 0, 0);
}

void ClearForDraw(HDC dc, int32_t clearWidth, bool clearRepaint) {
    GdiScreenState& s = g_GdiScreen;
    if (!s.repaint && !s.helpChanged) return;
    RECT r{0, 0, clearWidth, s.screenHeight};
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    s.helpChanged = 0;
    if (clearRepaint) s.repaint = 0;
}

void DrawHelpOverlay(HDC dc) {
    if (!g_GdiScreen.helpShown) return;
    SetBkMode(dc, TRANSPARENT);
    // Black first, then white one pixel down and right: every line gets a
    // dark edge on its upper left that keeps it readable on any picture.
    const struct {
        COLORREF colour;
        int x, y;
    } passes[] = {{RGB(0, 0, 0), 2, 22}, {RGB(255, 255, 255), 3, 23}};
    for (const auto& pass : passes) {
        SetTextColor(dc, pass.colour);
        for (int i = 0; i < kHelpLines; ++i) {
            const char* line = Host().String(IDS_HELP_GDI_FIRST + i);
            TextOutA(dc, pass.x, pass.y + 20 * i, line, static_cast<int>(std::strlen(line)));
        }
    }
}

const FullScreenPresenter kGdiPresenter = {
    PresenterId::Gdi,
    "Sharp3D",
    GdiFullScreenWndProc,
    "NOTHING",  // no pointer over the picture
    true,
    nullptr,  // GDI is always there
    RunGdiFullScreen,
    DrawGdiFrame,
    0,  // draws whatever arrives
};
