// STUB: replaced by the real implementation.
#include "shell/player_win32.h"

HWND CreateSeekBar(HWND) { return nullptr; }
void DestroySeekBar() {}
INT_PTR CALLBACK SeekBarDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
