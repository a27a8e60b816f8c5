// STUB: replaced by the real implementation.
#include "shell/player_win32.h"

void ShowAboutDialog(HWND) {}
bool ShowCustomSizeDialog(HWND) { return false; }
void ShowDisplaySettingsDialog(HWND) {}
UINT_PTR CALLBACK OpenDialogHook(HWND, UINT, WPARAM, LPARAM) { return 0; }
void ShowOptionsDialog(HWND) {}
void ShowShutterSettingsDialog(HWND) {}
bool ShowWebcamDialog(HWND) { return false; }
