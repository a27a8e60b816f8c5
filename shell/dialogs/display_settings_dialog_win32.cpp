// "FSET": play at once on open, the full-screen engine, and where the two
// views sit when they are shown smaller. Each click is stored at once.
#include "shell/dialogs/dialogs_win32.h"

#include <commctrl.h>

#include "resources/resource.h"
#include "shell/dialogs/dialog_items_win32.h"
#include "shell/player_win32.h"
#include "shell/settings.h"

namespace {

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

}  // namespace

void ShowDisplaySettingsDialog(HWND owner) {
    DialogBoxParamA(ResourceInstance(), "FSET", owner, DisplaySettingsProc, 0);
}
