// STUB: replaced by the real implementation.
#include "presentation/gdi/gdi_screen.h"

GdiScreenState g_GdiScreen;
int RunGdiFullScreen(HINSTANCE, const char*) { return 0; }
LRESULT CALLBACK GdiFullScreenWndProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }
void DrawGdiFrame() {}
void DrawHelpOverlay(HDC) {}
void ClearForDraw(HDC, int32_t, bool) {}
