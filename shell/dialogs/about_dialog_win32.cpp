// "ABOUT": the version box.
#include "shell/dialogs/dialogs_win32.h"

#include "shell/dialogs/dialog_items_win32.h"

namespace {

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            return TRUE;
        case WM_COMMAND:
            // Only the OK button ends it: Escape (IDCANCEL) is swallowed.
            if (LOWORD(wParam) == IDOK) EndDialog(dialog, 1);
            return TRUE;
        case WM_CLOSE:
            return TRUE;
    }
    return FALSE;
}

}  // namespace

void ShowAboutDialog(HWND owner) { DialogBoxParamA(ResourceInstance(), "ABOUT", owner, AboutProc, 0); }
