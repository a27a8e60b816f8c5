// "WEBCAM" (command 2127), the camera dialog of a later feature: its command
// arrives here and changes nothing yet, and never asks for the cameras.
#include "shell/dialogs/dialogs_win32.h"

bool ShowWebcamDialog(HWND) { return false; }
