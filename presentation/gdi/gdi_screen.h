// The program's own full-screen window (class "Sharp3D"): its state, shared
// by the window's thread and the grab renderer's streaming thread, and the
// draws. gdi_presenter_win32.cpp holds the window, its keys and mouse, the
// whole-view draws and the help overlay; gdi_composed_draws_win32.cpp the
// draws that combine the two views pixel by pixel.
#pragma once
#include <windows.h>
#include <vfw.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "presentation/presenter.h"

struct GdiScreenState {
    // The shell's g_nPresenterMode on entry, read back after the window
    // closed; the F keys change it.
    std::atomic<int32_t> displayMode{0};
    std::atomic<int32_t> zoom{0};  // percent; 0 fits the screen at the next draw
    int32_t windowWidth = 0;       // one screen, or two in dual-monitor modes
    int32_t screenHeight = 0;
    HWND window = nullptr;
    HINSTANCE instance = nullptr;
    std::string file;
    std::atomic<int32_t> repaint{0};      // clear to black before the next draw
    std::atomic<int32_t> helpChanged{0};  // the overlay was switched: clear first
    std::atomic<int32_t> helpShown{0};
    std::atomic<int32_t> busy{0};         // a draw runs
    std::atomic<int32_t> swap{0};
    std::atomic<int32_t> centring{0};     // "nWcent", changed by the E key
    int32_t modifiers = 0;                // 0 none, 1 Shift, 2 Ctrl, 3 both
    HDRAWDIB drawDib = nullptr;
    // The composed picture of the pixel-combining draws and the input
    // layout it was built for (-1: none), and the 3D LCD marker strip.
    BITMAPINFOHEADER* composed = nullptr;
    int32_t composedLayout = -1;
    BITMAPINFOHEADER* markerStrip = nullptr;
};

extern GdiScreenState g_GdiScreen;

// Sets g_GdiScreen.busy for the length of one draw: the window's thread
// postpones geometry changes while it is set.
class GdiBusyScope {
public:
    GdiBusyScope() { g_GdiScreen.busy = 1; }
    ~GdiBusyScope() { g_GdiScreen.busy = 0; }
    GdiBusyScope(const GdiBusyScope&) = delete;
    GdiBusyScope& operator=(const GdiBusyScope&) = delete;
};

// --------------------------------------------------- gdi_presenter_win32.cpp
// The window in the presenter list.
extern const FullScreenPresenter kGdiPresenter;
// Runs the window on `file` until it closes: 1, or 0 when it could not be
// created. Display mode in and out through g_nPresenterMode.
int RunGdiFullScreen(HINSTANCE instance, const char* file);
// The "Sharp3D" class's window procedure (the shell registers the class).
LRESULT CALLBACK GdiFullScreenWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Draws the current frame in the current display mode.
void DrawGdiFrame();
// The help overlay, at the end of every draw while it is shown.
void DrawHelpOverlay(HDC dc);
// Draws a bottom-up picture's source rectangle (sx, sy, sw, sh; rows counted
// from the top, as DrawDib counts them) through DrawDib. If DrawDib fails
// (under Wine a drawing handle can stay unusable after one failed draw), the
// handle starts afresh with the next draw and this one goes through
// StretchDIBits.
void DrawBottomUpPicture(HDC dc, int32_t x, int32_t y, int32_t dw, int32_t dh, BITMAPINFOHEADER* header,
                         BYTE* pixels, int32_t sx, int32_t sy, int32_t sw, int32_t sh);
// Common start of a draw: fills (0, 0, clearWidth, screenHeight) black when
// the repaint or help-changed flag is set and clears help-changed (and
// repaint too when `clearRepaint`).
void ClearForDraw(HDC dc, int32_t clearWidth, bool clearRepaint);

// --------------------------------------------- gdi_composed_draws_win32.cpp
void DrawAnaglyph();   // modes 2 ... 6
void DrawInterlace();  // mode 7
void DrawSharpLcd();   // mode 8
void CreateMarkerStrip();
// Frees the composed picture and the marker strip.
void FreeComposedPictures();
