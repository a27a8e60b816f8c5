// STUB: replaced by the real implementation.
#include "shell/player_win32.h"

void StartStereoCameras() {}
void RecordStereoCameras() {}
HRESULT BuildTwoCameraFullScreenGraph(HWND) { return E_NOTIMPL; }
HRESULT BuildOneCameraFullScreenGraph(HWND) { return E_NOTIMPL; }
