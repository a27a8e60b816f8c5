// "COMOPTION" (command 2173), a dialog of a later feature: its command
// arrives here and changes nothing yet.
#include "shell/dialogs/dialogs_win32.h"

void ShowOptionsDialog(HWND) {}
