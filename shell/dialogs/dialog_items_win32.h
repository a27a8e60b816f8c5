// Small helpers shared by the dialogs in this folder.
#pragma once
#include <windows.h>

#include "shell/player_win32.h"

inline bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

inline void ShowItem(HWND dialog, int id, bool show) {
    ShowWindow(GetDlgItem(dialog, id), show ? SW_SHOW : SW_HIDE);
}
