// "W3D" (command 3303), the shutter-glasses settings of a later feature: its
// command arrives here and changes nothing yet.
#include "shell/dialogs/dialogs_win32.h"

void ShowShutterSettingsDialog(HWND) {}
