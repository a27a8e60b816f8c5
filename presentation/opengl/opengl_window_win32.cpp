// The OpenGL stereo window's start, message loop, keys and mouse, and its
// shutdown. Frames arrive as kGlFrameMessage, sent by the grab renderer's
// streaming thread, so every OpenGL call runs on this window's thread.
#include "presentation/opengl/opengl_window_win32.h"

#include "core/app_state.h"
#include "presentation/fullscreen_control.h"
#include "presentation/fullscreen_graph.h"
#include "presentation/gdi/gdi_geometry.h"
#include "presentation/presenter_host.h"

GlWindowState g_GlWindow;

namespace {

constexpr UINT_PTR kHoldTimer = 1;
constexpr UINT kHoldMs = 100;
// A running graph is given this long to finish the frame under way before
// it is released.
constexpr DWORD kCloseSettleMs = 200;
// The longest the streaming thread waits for the window to take a frame.
// The hold keeps it from sending while this thread drives the graph; should
// a frame slip through just before, the graph call that waits for the
// streaming thread still returns, and the frame shows when the hold ends.
constexpr UINT kFrameSendTimeoutMs = 500;

constexpr char kCreateErrorCaption[] = "ERROR";
constexpr char kShutdownErrorCaption[] = "SHUTDOWN ERROR";

void ShutdownMessage(const char* text) {
    Host().ShowMessageBox(nullptr, text, kShutdownErrorCaption, MB_OK | MB_ICONINFORMATION);
}

// Frees what the window holds, in reverse order of its making; a step that
// fails is reported and the others still run. The quit message follows
// only while the window's loop runs (quitOnDestroy).
void Shutdown() {
    GlWindowState& s = g_GlWindow;
    SetRunningPresenter(nullptr);
    s.frameWindow = nullptr;
    if (s.window) KillTimer(s.window, kHoldTimer);
    if (s.rc && wglGetCurrentContext() == s.rc) {
        if (s.texturesMade) glDeleteTextures(3, s.textures);
        FreeHelpFont();
    }
    s.texturesMade = false;
    s.textureReady = false;
    if (s.cursorHidden) ShowCursor(TRUE);
    s.cursorHidden = false;
    if (s.rc) {
        if (!wglMakeCurrent(nullptr, nullptr)) ShutdownMessage("Release Of DC And RC Failed.");
        if (!wglDeleteContext(s.rc)) ShutdownMessage("Release Rendering Context Failed.");
        s.rc = nullptr;
    }
    if (s.dc && !ReleaseDC(s.window, s.dc)) ShutdownMessage("Release Device Context Failed.");
    s.dc = nullptr;
    HWND window = s.window;
    s.window = nullptr;
    if (window && !DestroyWindow(window)) ShutdownMessage("Could Not Release hWnd.");
}

int FailStart(const char* text, const char* caption = kCreateErrorCaption) {
    Shutdown();
    Host().ShowMessageBox(nullptr, text, caption, MB_OK | MB_ICONEXCLAMATION);
    return 0;
}

// Sets the hold for as long as the window drives its graph: frames that
// come meanwhile are not sent, and the last of them shows when the timer
// ends the hold.
void StartHold(HWND window) {
    g_GlWindow.hold = 1;
    SetTimer(window, kHoldTimer, kHoldMs, nullptr);
}

// Waits while still taking the frames the streaming thread sends.
void WaitTakingFrames(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= milliseconds) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_SENDMESSAGE);
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

// Esc and Enter, and a close from outside: the place and the state are
// kept for the main window, then the graph goes.
void ReleaseGraph() {
    GlWindowState& s = g_GlWindow;
    s.hold = 1;
    if (!g_FullScreenGraph.pGB1 && !g_FullScreenGraph.pMC1) return;
    if (!s.buildFailed && g_FullScreenGraph.pMC1) {
        SaveFullScreenPosition();
        g_nSavedState = g_nPlayState;
    }
    if (g_nPlayState == PlayState::Running && g_FullScreenGraph.pMC1) {
        TogglePauseResume();
        WaitTakingFrames(kCloseSettleMs);
    }
    ReleaseFullScreenGraph();
}

void StartGraph(HWND window) {
    GlWindowState& s = g_GlWindow;
    StartHold(window);
    if (FAILED(Host().BuildFullScreenGraph(window, s.file.c_str()))) {
        // The build has said why; the movie goes back to the main window
        // where it was.
        s.buildFailed = true;
        PostMessageA(window, WM_CLOSE, 0, 0);
        return;
    }
    if (g_nSourceKind == SourceKind::MovieFile) {
        SeekSavedPosition();
        if (g_nSavedState != PlayState::Running) TogglePauseResume();
    }
}

void ShowFrame(HWND window) {
    GlWindowState& s = g_GlWindow;
    if (!s.rc || s.buildFailed) return;
    bool newSize = false;
    if (!UploadGrabbedFrame(&newSize)) {
        // Nothing more is sent; the window closes once this send is over.
        s.buildFailed = true;
        s.hold = 1;
        PostMessageA(window, kGlRefuseMessage, 0, 0);
        return;
    }
    if (newSize)
        SendMessageA(window, kGlFitMessage, 0, 0);
    else if (s.textureReady)
        DrawOpenGlFrame();
}

void EndHold(HWND window) {
    GlWindowState& s = g_GlWindow;
    KillTimer(window, kHoldTimer);
    s.hold = 0;
    if (s.missedFrame.exchange(0)) ShowFrame(window);
}

void ZoomStep(bool in) {
    StepOpenGlZoom(&g_GlWindow.geometry, in);
    SetOpenGlProjection();
    LayoutAndDrawOpenGlViews();
}

// F2 and the left button, F3 and the right button: once per hold.
bool ToggleUnlessHeld(HWND window, void (*toggle)()) {
    if (g_GlWindow.hold) return false;
    StartHold(window);
    toggle();
    return true;
}

bool OnKeyUp(HWND window, WPARAM key) {
    GlWindowState& s = g_GlWindow;
    GlViewGeometry& g = s.geometry;
    switch (key) {
    case VK_ESCAPE:
    case VK_RETURN:
        ReleaseGraph();
        PostMessageA(window, WM_CLOSE, 0, 0);
        return true;
    case VK_HOME:
        g.alignH = 0;
        g.alignV = 0;
        break;
    case VK_LEFT: g.alignH -= 4; break;
    case VK_RIGHT: g.alignH += 4; break;
    case VK_UP: g.alignV -= 1; break;
    case VK_DOWN: g.alignV += 1; break;
    case VK_F2: return ToggleUnlessHeld(window, TogglePauseResume);
    case VK_F3: return ToggleUnlessHeld(window, ToggleRestart);
    case VK_F1:
    case 'H': s.helpShown = !s.helpShown; break;
    case 'F': SendMessageA(window, kGlFitMessage, 0, 0); return true;
    case 'J': SendMessageA(window, kGlZoom100Message, 0, 0); return true;
    case VK_PRIOR: ZoomStep(true); return true;
    case VK_NEXT: ZoomStep(false); return true;
    case 'X': g.swap = !g.swap; break;
    default: return false;
    }
    LayoutAndDrawOpenGlViews();
    return true;
}

void OnKeyDown(HWND window, WPARAM key) {
    switch (key) {
    case VK_SPACE:
        if (g_nFrameStepMarker == 0) {
            StartHold(window);
            ToggleFrameStep();
        }
        break;
    case VK_BACK:
        StartHold(window);
        StepFrameBack();
        break;
    default: break;
    }
}

void Refuse() {
    GlWindowState& s = g_GlWindow;
    ReleaseGraph();
    s.quitOnDestroy = false;
    Shutdown();
    Host().ShowMessageBox(nullptr, s.refusal.c_str(), "Error!", MB_OK | MB_ICONEXCLAMATION);
    PostQuitMessage(0);
}

void PresentOpenGlFrame() {
    GlWindowState& s = g_GlWindow;
    HWND window = s.frameWindow;
    if (!window) return;
    if (s.hold) {
        s.missedFrame = 1;
        return;
    }
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, kGlFrameMessage, 0, 0, SMTO_NORMAL, kFrameSendTimeoutMs, &result))
        s.missedFrame = 1;
}

}  // namespace

int RunOpenGlWindow(HINSTANCE instance, const char* file) {
    GlWindowState& s = g_GlWindow;
    s.instance = instance;
    s.file = file ? file : "";
    s.buildFailed = false;
    s.quitOnDestroy = false;
    s.helpShown = false;
    s.textureReady = false;
    s.hold = 0;
    s.missedFrame = 0;
    s.refusal.clear();
    s.geometry = GlViewGeometry{};
    s.geometry.swap = g_bSwap != 0;

    s.window = CreateWindowExA(WS_EX_APPWINDOW | WS_EX_WINDOWEDGE, "OpenGL", "Duoscope - OpenGL",
                               WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, g_nScreenWidth, g_nScreenHeight,
                               nullptr, nullptr, instance, nullptr);
    if (!s.window) return FailStart("Window Creation Error.");
    RECT client{};
    GetClientRect(s.window, &client);
    s.geometry.windowWidth = client.right;
    s.geometry.windowHeight = client.bottom > 0 ? client.bottom : 1;

    s.dc = GetDC(s.window);
    if (!s.dc) return FailStart("Can't Create A  Device Context.");
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER | PFD_STEREO;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 32;
    pfd.cDepthBits = 16;
    pfd.iLayerType = PFD_MAIN_PLANE;
    const int format = ChoosePixelFormat(s.dc, &pfd);
    if (!format) return FailStart("Can't Find A Suitable PixelFormat.");
    if (!SetPixelFormat(s.dc, format, &pfd)) return FailStart("Can't Set The PixelFormat.");
    s.rc = wglCreateContext(s.dc);
    if (!s.rc) return FailStart("Can't Create A GL Rendering Context.");
    if (!wglMakeCurrent(s.dc, s.rc)) return FailStart("Can't Activate The GL Rendering Context.");
    if (!CurrentGlEyeTarget().accepts()) return FailStart("OpenGL Quad-buffered stereo is not supported. ", "Error!");

    ShowWindow(s.window, SW_SHOW);
    SetForegroundWindow(s.window);
    SetFocus(s.window);
    SetOpenGlProjection();
    glGenTextures(3, s.textures);
    s.texturesMade = true;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &s.maxTextureSize);
    glEnable(GL_TEXTURE_2D);
    BuildHelpFont("Aerial", 16);
    ShowCursor(FALSE);
    s.cursorHidden = true;
    LayoutAndDrawOpenGlViews();  // black until the first frame

    g_hFullScreenWnd = s.window;
    g_bOwnFullScreen = 1;
    s.frameWindow = s.window;
    SetRunningPresenter(&kOpenGlPresenter);
    s.quitOnDestroy = true;
    StartGraph(s.window);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    // A window closed by anything but its own close is shut down here.
    ReleaseGraph();
    s.quitOnDestroy = false;
    Shutdown();
    g_bOwnFullScreen = 0;
    g_hFullScreenWnd = nullptr;
    return 1;
}

LRESULT CALLBACK OpenGlWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    GlWindowState& s = g_GlWindow;
    GlViewGeometry& g = s.geometry;
    switch (message) {
    case WM_CREATE: return 0;
    case kGlFrameMessage: ShowFrame(window); return 0;
    case kGlFitMessage:
        g.zoom = FitOpenGlZoom(g);
        LayoutAndDrawOpenGlViews();
        return 0;
    case kGlZoom100Message:
        g.zoom = 100;
        LayoutAndDrawOpenGlViews();
        return 0;
    case kGlRefuseMessage: Refuse(); return 0;
    case WM_GRAPHNOTIFY:
        // The end of the movie stops or rewinds the graph from here.
        StartHold(window);
        HandleGraphEvents();
        return 0;
    case WM_TIMER:
        if (wParam == kHoldTimer && s.hold) EndHold(window);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(window, &ps);
        EndPaint(window, &ps);
        // Uncovered parts show the picture again.
        if (s.rc) DrawOpenGlFrame();
        return 0;
    }
    case WM_KEYDOWN: OnKeyDown(window, wParam); return 0;
    case WM_KEYUP:
        if (OnKeyUp(window, wParam)) return 0;
        break;
    case WM_LBUTTONDOWN: ToggleUnlessHeld(window, TogglePauseResume); return 0;
    case WM_RBUTTONDOWN: ToggleUnlessHeld(window, ToggleRestart); return 0;
    case WM_MOUSEWHEEL: {
        const int direction = WheelZoomDirection(HIWORD(wParam));
        if (direction != 0) ZoomStep(direction > 0);
        return 0;
    }
    case WM_CLOSE:
        ReleaseGraph();
        Shutdown();
        return 0;
    case WM_DESTROY:
        if (s.quitOnDestroy) PostQuitMessage(0);
        return 0;
    default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

const FullScreenPresenter kOpenGlPresenter = {
    PresenterId::OpenGl,
    "OpenGL",
    OpenGlWndProc,
    nullptr,  // the arrow, hidden while the window shows
    false,    // every pixel is drawn by OpenGL
    nullptr,  // whether the driver has stereo shows when the window starts
    RunOpenGlWindow,
    PresentOpenGlFrame,
    0,  // frames are taken from the first
};
