// The player's own dialogs ("ABOUT", "CUSTSIZE", "FSET") and the hook of
// the open dialog's "FOPEN" template. Every setting they show is changed
// and stored the moment it is clicked, so a cancelled open dialog keeps
// the choices made in it.
#include <cctype>
#include <climits>
#include <cstdlib>

#include "resources/resource.h"
#include "shell/player_win32.h"
#include "shell/settings.h"

namespace {

HINSTANCE ResourceModule() { return g_hInst ? g_hInst : GetModuleHandleA(nullptr); }

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void ShowItem(HWND dialog, int id, bool show) { ShowWindow(GetDlgItem(dialog, id), show ? SW_SHOW : SW_HIDE); }

// ------------------------------------------------------------------- ABOUT

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

// ---------------------------------------------------------------- CUSTSIZE

// A signed whole number with optional blanks around it; anything else,
// including a number beyond 32 bits, is 0.
int32_t ReadWholeNumber(const char* text) {
    const char* p = text;
    while (*p == ' ' || *p == '\t') ++p;
    const char* start = p;
    if (*p == '+' || *p == '-') ++p;
    if (!std::isdigit(static_cast<unsigned char>(*p))) return 0;
    char* end = nullptr;
    const long long value = std::strtoll(start, &end, 10);
    while (*end == ' ' || *end == '\t') ++end;
    if (*end != '\0' || value < INT32_MIN || value > INT32_MAX) return 0;
    return static_cast<int32_t>(value);
}

int32_t ReadWholeNumber(HWND dialog, int id) {
    char text[64] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return ReadWholeNumber(text);
}

INT_PTR CALLBACK CustomSizeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            SetDlgItemInt(dialog, IDC_CUSTOM_PCT_X, static_cast<UINT>(g_nCustomPctX), TRUE);
            SetDlgItemInt(dialog, IDC_CUSTOM_PCT_Y, static_cast<UINT>(g_nCustomPctY), TRUE);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                    // No range check: the zoom keeps whatever is asked for.
                    g_nCustomPctX = ReadWholeNumber(dialog, IDC_CUSTOM_PCT_X);
                    g_nCustomPctY = ReadWholeNumber(dialog, IDC_CUSTOM_PCT_Y);
                    EndDialog(dialog, 1);
                    return TRUE;
                case IDCANCEL:
                    EndDialog(dialog, 0);
                    return TRUE;
            }
            break;
    }
    return FALSE;
}

// -------------------------------------------------------------------- FSET

// The layout group's title does not fit one line of the dialog at 9
// points, and a group box draws its title on one line only: this paints
// the box with its title wrapped at blanks, in the room the template
// leaves above the radios.
void PaintWrappedGroup(HWND box, HDC dc) {
    const HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    RECT client;
    GetClientRect(box, &client);

    RECT frame = client;
    frame.top += metrics.tmHeight / 2;
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);

    wchar_t text[256] = {};
    GetWindowTextW(box, text, 256);
    const int indent = metrics.tmAveCharWidth;
    RECT title = {client.left + indent, client.top, client.right - indent, client.top};
    const UINT format = DT_WORDBREAK | DT_NOPREFIX | DT_LEFT;
    DrawTextW(dc, text, -1, &title, format | DT_CALCRECT);
    RECT behind = title;
    InflateRect(&behind, 2, 0);
    HBRUSH background = reinterpret_cast<HBRUSH>(
        SendMessageW(GetParent(box), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(box)));
    FillRect(dc, &behind, background ? background : GetSysColorBrush(COLOR_BTNFACE));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(IsWindowEnabled(box) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    DrawTextW(dc, text, -1, &title, format);
    SelectObject(dc, oldFont);
}

LRESULT CALLBACK WrappedGroupProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            PaintWrappedGroup(box, BeginPaint(box, &paint));
            EndPaint(box, &paint);
            return 0;
        }
        case WM_PRINTCLIENT:
            PaintWrappedGroup(box, reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_SETTEXT:
        case WM_ENABLE:
        case WM_UPDATEUISTATE: {
            // The button draws its own one-line title here: paint ours over it.
            const LRESULT result = DefSubclassProc(box, message, wParam, lParam);
            InvalidateRect(box, nullptr, TRUE);
            return result;
        }
        case WM_NCDESTROY:
            RemoveWindowSubclass(box, WrappedGroupProc, 0);
            break;
    }
    return DefSubclassProc(box, message, wParam, lParam);
}

// The centring choice only matters to the program's own full-screen
// window ("Windows GDI").
void ShowCentringGroup(HWND dialog) {
    const bool gdi = FullScreenEngine() == 1;
    for (int id : {IDC_WCENT_GROUP, IDC_WCENT_CENTERING, IDC_WCENT_CENTER, IDC_WCENT_EDGE}) ShowItem(dialog, id, gdi);
}

INT_PTR CALLBACK DisplaySettingsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            SetWindowSubclass(GetDlgItem(dialog, IDC_WCENT_GROUP), WrappedGroupProc, 0, 0);
            CheckDlgButton(dialog, IDC_AUTOSTART, g_Settings.nAutostart ? BST_CHECKED : BST_UNCHECKED);
            CheckRadioButton(dialog, IDC_ENGINE_DIRECTDRAW, IDC_ENGINE_GDI, IDC_ENGINE_DIRECTDRAW + FullScreenEngine());
            CheckRadioButton(dialog, IDC_WCENT_CENTERING, IDC_WCENT_EDGE, IDC_WCENT_FIRST + g_Settings.nWcent);
            ShowCentringGroup(dialog);
            return TRUE;
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            switch (id) {
                case IDC_AUTOSTART:
                    StoreSetting(UserSettingsStore(), "nAutostart", Checked(dialog, id) ? 1 : 0);
                    return TRUE;
                case IDC_ENGINE_DIRECTDRAW:
                case IDC_ENGINE_GDI:
                    StoreSetting(UserSettingsStore(), "nFullscreen",
                                 WithDecimalDigit(g_Settings.nFullscreen, 0, id - IDC_ENGINE_DIRECTDRAW));
                    ShowCentringGroup(dialog);
                    return TRUE;
                case IDC_WCENT_CENTERING:
                case IDC_WCENT_CENTER:
                case IDC_WCENT_EDGE:
                    StoreSetting(UserSettingsStore(), "nWcent", id - IDC_WCENT_FIRST);
                    return TRUE;
                case IDOK:
                    EndDialog(dialog, 1);
                    return TRUE;
            }
            // Escape does not end it; the close box does (below).
            return TRUE;
        }
        case WM_CLOSE:
            EndDialog(dialog, 1);
            return TRUE;
    }
    return FALSE;
}

// ------------------------------------------------------------------- FOPEN

// The monitor radio that turning "全画面表示" on selects again.
int g_lastMonitorRadio = IDC_MONITOR_SINGLE;

constexpr int kMonitorRadios[] = {IDC_MONITOR_SINGLE, IDC_MONITOR_DUAL_R, IDC_MONITOR_DUAL_L};

// The hint names the keys of the full-screen presenters that open by
// themselves.
void ShowFullScreenHint(HWND dialog) {
    const int mode = g_nDisplayMode.load();
    ShowItem(dialog, IDC_FULLSCREEN_HINT,
             mode == IDC_DISPLAY_SHARP_3D_LCD - IDC_DISPLAY_FIRST || mode == IDC_DISPLAY_SHUTTER_GLASSES - IDC_DISPLAY_FIRST);
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

void ShowAboutDialog(HWND owner) { DialogBoxParamA(ResourceModule(), "ABOUT", owner, AboutProc, 0); }

bool ShowCustomSizeDialog(HWND owner) {
    return DialogBoxParamA(ResourceModule(), "CUSTSIZE", owner, CustomSizeProc, 0) == 1;
}

void ShowDisplaySettingsDialog(HWND owner) {
    DialogBoxParamA(ResourceModule(), "FSET", owner, DisplaySettingsProc, 0);
}

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

// The dialogs of features still to come ("COMOPTION", "W3D", "WEBCAM"):
// their commands arrive here and change nothing yet.
void ShowOptionsDialog(HWND) {}
void ShowShutterSettingsDialog(HWND) {}
bool ShowWebcamDialog(HWND) { return false; }
