// "W3D": the shutter-glasses driver, and the screen mode of the drivers
// that set one. Each choice is stored at once.
#include "shell/dialogs/dialogs_win32.h"

#include "resources/resource.h"
#include "shell/dialogs/dialog_items_win32.h"
#include "shell/player_win32.h"
#include "shell/settings.h"

namespace {

constexpr int kDriverOpenGl = IDC_DRIVER_OPENGL - IDC_DRIVER_FIRST;
constexpr int kAutoRegSetOn = 123;

const char* const kSizes[] = {"640X480", "800X600", "1024X768", "1280X1024", "1600X1200"};
const char* const kDepths[] = {"64k color(16)", "full color(32)"};

void FillList(HWND dialog, int id, const char* const* texts, int count, int selected) {
    for (int i = 0; i < count; ++i) SendDlgItemMessageA(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(texts[i]));
    // An unset mode (-1) selects nothing.
    SendDlgItemMessageA(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

// The OpenGL window takes the desktop's own mode: no mode to choose.
void ShowModeGroup(HWND dialog) {
    const bool shown = g_Settings.nVidia != kDriverOpenGl;
    for (int id : {IDC_W3D_MODE_GROUP, IDC_W3D_SIZE_LIST, IDC_W3D_BPP_LIST}) ShowItem(dialog, id, shown);
}

void ShowAutoRegSet(HWND dialog) {
    ShowItem(dialog, IDC_W3D_AUTO_REG_SET, true);
    CheckDlgButton(dialog, IDC_W3D_AUTO_REG_SET, g_Settings.nAutoRegSet == kAutoRegSetOn ? BST_CHECKED : BST_UNCHECKED);
}

INT_PTR CALLBACK ShutterSettingsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            CheckRadioButton(dialog, IDC_DRIVER_WIN3D, IDC_DRIVER_OPENGL, IDC_DRIVER_FIRST + g_Settings.nVidia);
            FillList(dialog, IDC_W3D_SIZE_LIST, kSizes, 5, g_Settings.n3DSize);
            FillList(dialog, IDC_W3D_BPP_LIST, kDepths, 2, g_Settings.n3DBpp);
            ShowModeGroup(dialog);
            if (g_Settings.nAutoRegSet == kAutoRegSetOn) ShowAutoRegSet(dialog);
            return TRUE;
        case WM_RBUTTONDBLCLK:
            ShowAutoRegSet(dialog);
            return TRUE;
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            switch (id) {
                case IDC_DRIVER_WIN3D:
                case IDC_DRIVER_NVIDIA:
                case IDC_DRIVER_OPENGL:
                    if (HIWORD(wParam) != BN_CLICKED) return TRUE;
                    StoreSetting(UserSettingsStore(), "nVidia", id - IDC_DRIVER_FIRST);
                    ShowModeGroup(dialog);
                    if (g_Settings.nAutoRegSet == kAutoRegSetOn) SetDriverSwitchesFor(g_Settings.nVidia);
                    return TRUE;
                case IDC_W3D_SIZE_LIST:
                case IDC_W3D_BPP_LIST: {
                    if (HIWORD(wParam) != CBN_SELCHANGE) return TRUE;
                    const LRESULT index = SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
                    if (index == CB_ERR) return TRUE;
                    // The screen size and depth follow from the stored index.
                    StoreSetting(UserSettingsStore(), id == IDC_W3D_SIZE_LIST ? "n3DSize" : "n3DBpp",
                                 static_cast<int32_t>(index));
                    return TRUE;
                }
                case IDC_W3D_AUTO_REG_SET:
                    StoreSetting(UserSettingsStore(), "nAutoRegSet", Checked(dialog, id) ? kAutoRegSetOn : 0);
                    return TRUE;
                case IDOK:
                    EndDialog(dialog, 1);
                    return TRUE;
            }
            return TRUE;
        }
        case WM_CLOSE:
            EndDialog(dialog, 1);
            return TRUE;
    }
    return FALSE;
}

}  // namespace

void ShowShutterSettingsDialog(HWND owner) {
    DialogBoxParamA(ResourceInstance(), "W3D", owner, ShutterSettingsProc, 0);
}
