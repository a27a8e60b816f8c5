// Hands the open movie over to one of the program's full-screen windows:
// the main window's graph closes, the window plays the movie with a graph
// of its own until it closes, and the main window reopens the movie where
// it was left.
#ifndef STRSAFE_NO_DEPRECATE
#define STRSAFE_NO_DEPRECATE
#endif
#include <dshow.h>

#include <cstring>

#include "composition/stereo_formats.h"
#include "graphs/playback_graph.h"
#include "shell/graph_platform_win32.h"
#include "resources/resource.h"
#include "shell/command_rules.h"
#include "shell/player_win32.h"
#include "shell/settings.h"
#include "presentation/zoom.h"

namespace {

// Time for the reopened graph to settle before the window is fitted again.
constexpr DWORD kRefitDelayMs = 2000;

bool IsOwnFullScreenCommand(int command) {
    return command == IDM_OWN_FULLSCREEN || command == IDM_DUAL_FULLSCREEN_LEFT ||
           command == IDM_DUAL_FULLSCREEN_RIGHT;
}

// Waits without blocking the thread's windows: messages keep flowing.
void PumpingWait(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= milliseconds) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                // Leave it for the main loop.
                PostQuitMessage(static_cast<int>(msg.wParam));
                return;
            }
            DispatchPlayerMessage(&msg);
        }
    }
}

const FullScreenPresenter* RunnablePresenter(PresenterId id) {
    const FullScreenPresenter* presenter = FindPresenter(id);
    if (!presenter || (presenter->available && !presenter->available())) return nullptr;
    return presenter;
}

}  // namespace

bool RunPresenter(PresenterId id, const char* path) {
    const FullScreenPresenter* presenter = RunnablePresenter(id);
    if (!presenter) return false;
    presenter->run(ResourceInstance(), path);
    return true;
}

bool ShutterDriverReady() {
    if (ShutterDriverSetting() != 0) return true;
    // A key without a library that loads is no driver either.
    if (W3dDriverPresent() && RunnablePresenter(PresenterId::WinX3d)) return true;
    ShowMessageBox(ghApp,
                   SystemCodePageText("WINx3Dドライバーが見つかりません。WinX3Dをセットアップしてから実行して下さい。").c_str(),
                   LoadResString(IDS_ERROR), MB_OK | MB_ICONEXCLAMATION);
    return false;
}

void RunPresenterHandOver(int command) {
    const bool ownFullScreen = IsOwnFullScreenCommand(command);
    PresenterId presenter = PresenterId::Gdi;
    if (ownFullScreen) {
        if (g_nDisplayMode == CodeOf(StereoDisplayMode::ShutterGlasses)) {
            // Shutter glasses show in the platform's own full-screen mode.
            g_nDualMonitor = 0;
            ToggleFullScreen();
            return;
        }
        // Nothing to show: the window would only build a graph on no file.
        if (ChoosesModeOnly(g_szCurrentFile, static_cast<int32_t>(g_nSourceKind))) {
            g_nDualMonitor = 0;
            return;
        }
        g_nPresenterMode = g_nDisplayMode;
    } else if (command == IDM_DISPLAY_SHARP_3D_LCD) {
        g_nPresenterMode = CodeOf(StereoDisplayMode::Sharp3dLcd);
    } else if (command == IDM_DISPLAY_SHUTTER_GLASSES) {
        // Checked before anything closes: the movie stays as it is.
        if (!ShutterDriverReady()) return;
        presenter = ShutterPresenterFor(ShutterDriverSetting());
        g_nPresenterMode = CodeOf(StereoDisplayMode::ShutterGlasses);
    } else {
        return;
    }
    if (!RunnablePresenter(presenter)) {
        g_nDualMonitor = 0;
        return;
    }

    // 1-2: keep the place, close the movie here.
    SaveClipPosition();
    g_nSavedState = g_nPlayState;
    g_bAtEnd = 0;
    char workPath[kPathBytes];
    std::memcpy(workPath, g_szCurrentFile, sizeof workPath);
    if (g_nPlayState != PlayState::Init) {
        StopPositionTimer();
        CloseClip();
    }

    // 3: the presenter's own message loop runs until its window closes.
    RunPresenter(presenter, workPath);
    g_nDualMonitor = 0;
    if (ownFullScreen) g_nDisplayMode = DisplayModeAfterOwnFullScreen(g_nPresenterMode);

    // 4-5: reopen where the movie was left, unless told not to.
    bool reopened = false;
    if (!(ownFullScreen && g_bNoResume)) {
        std::memcpy(g_szCurrentFile, workPath, sizeof workPath);
        if (OpenClip()) {
            reopened = true;
            RestoreClipPosition();
            if (g_nSavedState != PlayState::Running) PauseClip();
            StartPositionTimer();
        }
    } else {
        // The presenter's graph shared the play state: the main window
        // has nothing open now.
        CloseClip();
    }
    if (ownFullScreen && reopened) {
        PumpingWait(kRefitDelayMs);
        InitVideoWindow(Win32GraphPlatform(), g_PlaybackGraph, g_nZoomStep, kZoomNatural, g_nZoomStep,
                        kZoomNatural);
    }
    g_bNoResume = 0;
}
