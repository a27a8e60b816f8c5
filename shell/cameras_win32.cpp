// The stereo web-camera commands and the camera builds of the full-screen
// graph. The cameras come with a later build: until then the commands do
// nothing and a full-screen camera graph cannot be built.
#include "shell/player_win32.h"

void StartStereoCameras() {}
void RecordStereoCameras() {}
HRESULT BuildTwoCameraFullScreenGraph(HWND) { return E_NOTIMPL; }
HRESULT BuildOneCameraFullScreenGraph(HWND) { return E_NOTIMPL; }
