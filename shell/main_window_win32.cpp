// STUB: replaced by the real implementation.
#include "shell/player_win32.h"

HINSTANCE g_hInst = nullptr;
HMENU g_hMenu = nullptr;
HACCEL g_hAccel = nullptr;
HIMAGELIST g_hToolbarImages = nullptr;
HHOOK g_hSeekHook = nullptr;
int RunPlayer(HINSTANCE, const char*) { return 1; }
bool RegisterPlayerClasses(HINSTANCE) { return false; }
HWND CreatePlayerWindow(HINSTANCE) { return nullptr; }
void DispatchPlayerMessage(MSG*) {}
LRESULT CALLBACK PlayerWndProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }
void LayoutMainWindow() {}
