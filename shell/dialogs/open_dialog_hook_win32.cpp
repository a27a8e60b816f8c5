// The hook of the open dialog's "FOPEN" template: input layout, display
// format, RGB mode, 4:3 and full screen after opening. Each click is stored
// at once, so a cancelled open dialog keeps the choices made in it.
#include "shell/dialogs/dialogs_win32.h"

#include <cstdint>

#include "composition/stereo_formats.h"
#include "resources/resource.h"
#include "shell/dialogs/dialog_items_win32.h"
#include "shell/player_win32.h"
#include "shell/settings.h"

namespace {

// The monitor radio that turning "全画面表示" on selects again.
int g_lastMonitorRadio = IDC_MONITOR_SINGLE;

constexpr int kMonitorRadios[] = {IDC_MONITOR_SINGLE, IDC_MONITOR_DUAL_R, IDC_MONITOR_DUAL_L};

// The hint names the keys of the full-screen presenters that open by
// themselves.
void ShowFullScreenHint(HWND dialog) {
    ShowItem(dialog, IDC_FULLSCREEN_HINT, DisplayModeFactsOf(g_nDisplayMode.load()).opensPresenter);
}

void ShowMonitorRadios(HWND dialog, bool show) {
    for (int id : kMonitorRadios) ShowItem(dialog, id, show);
}

// The tens digit of "nFullscreen" from the box and the monitor radio.
void StoreFullScreenAfterOpen(HWND dialog) {
    const int32_t digit = Checked(dialog, IDC_FULLSCREEN_AT_OPEN) ? 1 + (g_lastMonitorRadio - IDC_MONITOR_SINGLE) : 0;
    StoreSetting(UserSettingsStore(), "nFullscreen", WithDecimalDigit(g_Settings.nFullscreen, 1, digit));
}

void InitOpenDialogControls(HWND dialog) {
    CheckRadioButton(dialog, IDC_LAYOUT_FIRST, IDC_LAYOUT_LAST, IDC_LAYOUT_FIRST + g_nInputLayout.load());
    CheckRadioButton(dialog, IDC_DISPLAY_FIRST, IDC_DISPLAY_LAST, IDC_DISPLAY_FIRST + g_nDisplayMode.load());
    CheckDlgButton(dialog, IDC_RGB_MODE, g_bRgbMode.load() ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_ASPECT_43, g_bAspect43 ? BST_CHECKED : BST_UNCHECKED);
    const int32_t digit = FullScreenAfterOpen();
    if (digit != 0) g_lastMonitorRadio = IDC_MONITOR_SINGLE + digit - 1;
    CheckDlgButton(dialog, IDC_FULLSCREEN_AT_OPEN, digit != 0 ? BST_CHECKED : BST_UNCHECKED);
    CheckRadioButton(dialog, IDC_MONITOR_SINGLE, IDC_MONITOR_DUAL_L, g_lastMonitorRadio);
    ShowMonitorRadios(dialog, digit != 0);
    ShowFullScreenHint(dialog);
}

void OpenDialogClicked(HWND dialog, int id) {
    if (id >= IDC_LAYOUT_FIRST && id <= IDC_LAYOUT_LAST) {
        g_nInputLayout = id - IDC_LAYOUT_FIRST;
        StoreSetting(UserSettingsStore(), "nDisp", id - IDC_LAYOUT_FIRST);
    } else if (id >= IDC_DISPLAY_FIRST && id <= IDC_DISPLAY_LAST) {
        g_nDisplayMode = id - IDC_DISPLAY_FIRST;
        StoreSetting(UserSettingsStore(), "nStereo", id - IDC_DISPLAY_FIRST);
        ShowFullScreenHint(dialog);
    } else if (id == IDC_RGB_MODE) {
        g_bRgbMode = Checked(dialog, id) ? 1 : 0;
        StoreSetting(UserSettingsStore(), "nRGB", g_bRgbMode.load());
    } else if (id == IDC_ASPECT_43) {
        g_bAspect43 = Checked(dialog, id) ? 1 : 0;
    } else if (id == IDC_FULLSCREEN_AT_OPEN) {
        const bool on = Checked(dialog, id);
        if (on) CheckRadioButton(dialog, IDC_MONITOR_SINGLE, IDC_MONITOR_DUAL_L, g_lastMonitorRadio);
        ShowMonitorRadios(dialog, on);
        StoreFullScreenAfterOpen(dialog);
    } else if (id >= IDC_MONITOR_SINGLE && id <= IDC_MONITOR_DUAL_L) {
        g_lastMonitorRadio = id;
        StoreFullScreenAfterOpen(dialog);
    }
}

}  // namespace

UINT_PTR CALLBACK OpenDialogHook(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            InitOpenDialogControls(dialog);
            return TRUE;
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED) OpenDialogClicked(dialog, LOWORD(wParam));
            break;
    }
    return 0;
}
