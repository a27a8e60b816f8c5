// The platform video window's own full-screen mode (command 3058 and the
// commands that leave it): keys and clicks in the full-screen picture are
// drained to the main window, and the picture is letterboxed on the screen.
#define STRSAFE_NO_DEPRECATE
#include "shell/player_win32.h"

#include <dshow.h>

#include "graphs/playback_graph.h"
#include "presentation/zoom.h"

namespace {

// The video window's own message drain, given back when leaving.
HWND g_hDrain = nullptr;

HRESULT Report(HRESULT hr, const char* call) {
    ReportMessage("FAILED(hr=0x%x) in %s\n", static_cast<unsigned>(hr), call);
    return hr;
}

}  // namespace

HRESULT ToggleFullScreen() {
    IVideoWindow* pVW = g_PlaybackGraph.pVW;
    IBasicVideo* pBV = g_PlaybackGraph.pBV;
    if (g_bAudioOnly || !pVW) return S_OK;

    long lMode = 0;
    HRESULT hr = pVW->get_FullScreenMode(&lMode);
    if (FAILED(hr)) return Report(hr, "pVW->get_FullScreenMode(&lMode)");

    if (lMode != OAFALSE) {
        lMode = OAFALSE;
        hr = pVW->put_FullScreenMode(lMode);
        if (FAILED(hr)) return Report(hr, "pVW->put_FullScreenMode(lMode)");
        hr = pVW->put_MessageDrain(reinterpret_cast<OAHWND>(g_hDrain));
        if (FAILED(hr)) Report(hr, "pVW->put_MessageDrain((OAHWND) hDrain)");
        hr = pVW->SetWindowForeground(-1);
        if (FAILED(hr)) Report(hr, "pVW->SetWindowForeground(-1)");
        UpdateWindow(ghApp);
        SetForegroundWindow(ghApp);
        SetFocus(ghApp);
        g_bDsFullScreen = 0;
        // Back in the window the picture fills the video window again; the
        // letterbox below is for the screen only.
        if (pBV) hr = pBV->SetDefaultDestinationPosition();
        return hr;
    }

    OAHWND drain = 0;
    hr = pVW->get_MessageDrain(&drain);
    if (FAILED(hr)) Report(hr, "pVW->get_MessageDrain((OAHWND *) &hDrain)");
    g_hDrain = reinterpret_cast<HWND>(drain);
    hr = pVW->put_MessageDrain(reinterpret_cast<OAHWND>(ghApp));
    if (FAILED(hr)) Report(hr, "pVW->put_MessageDrain((OAHWND) ghApp)");
    lMode = OATRUE;
    hr = pVW->put_FullScreenMode(lMode);
    if (FAILED(hr)) return Report(hr, "pVW->put_FullScreenMode(lMode)");
    g_bDsFullScreen = 1;

    if (!pBV) return hr;
    long w = 0, h = 0;
    hr = pBV->GetVideoSize(&w, &h);
    if (FAILED(hr)) return Report(hr, "pBV->GetVideoSize(&lWidth, &lHeight)");
    const int32_t screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int32_t screenHeight = GetSystemMetrics(SM_CYSCREEN);
    const FullScreenLayout layout =
        PlatformFullScreenLayout(g_nDisplayMode, g_nInputLayout, g_nLayoutPctX, g_nLayoutPctY, w, h, g_bAspect43,
                                 screenWidth, screenHeight);

    pBV->put_SourceLeft(0);
    pBV->put_SourceTop(0);
    if (layout.crop.setSource) {
        pBV->put_SourceWidth(layout.crop.sourceWidth);
        pBV->put_SourceHeight(layout.crop.sourceHeight);
    }
    const ScreenRect& d = layout.destination;
    hr = pBV->SetDestinationPosition(d.left, d.top, d.width, d.height);
    if (FAILED(hr)) return Report(hr, "pBV->SetDestinationPosition(lLeft, lTop, lWidth, lHeight)");
    return hr;
}
