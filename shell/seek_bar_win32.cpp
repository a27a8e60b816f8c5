// The seek bar: a modeless strip "AVIPLAY" over the right part of the
// toolbar with "先頭", the position scroll bar and "後端", and tooltips fed
// by a message hook (a modeless dialog without IsDialogMessage in the loop
// would not relay the mouse to them otherwise).
#include <algorithm>

#include "resources/resource.h"
#include "shell/player_win32.h"
#include "shell/seek_bar.h"

namespace {

HWND ScrollBar() { return g_hSeekBar ? GetDlgItem(g_hSeekBar, IDC_SEEK_SCROLL) : nullptr; }

void ShowRange(const ScrollView& view) {
    HWND scroll = ScrollBar();
    if (!scroll) return;
    SetScrollRange(scroll, SB_CTL, view.low, view.high, FALSE);
    SetScrollPos(scroll, SB_CTL, view.thumb, TRUE);
}

void ShowThumb(const ScrollView& view) {
    HWND scroll = ScrollBar();
    if (scroll) SetScrollPos(scroll, SB_CTL, view.thumb, TRUE);
}

LRESULT CALLBACK RelayMouseToTooltips(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && g_hSeekTip && g_hSeekBar) {
        MSG* msg = reinterpret_cast<MSG*>(lParam);
        switch (msg->message) {
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
            if (msg->hwnd && IsChild(g_hSeekBar, msg->hwnd))
                SendMessageA(g_hSeekTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
            break;
        default:
            break;
        }
    }
    return CallNextHookEx(g_hSeekHook, code, wParam, lParam);
}

BOOL CALLBACK AddTool(HWND child, LPARAM tooltip) {
    char className[16] = {};
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "STATIC") == 0) return TRUE;
    TTTOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;  // understood by every version of the control
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = GetParent(child);
    tool.uId = reinterpret_cast<UINT_PTR>(child);
    tool.lpszText = LPSTR_TEXTCALLBACKA;
    SendMessageA(reinterpret_cast<HWND>(tooltip), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    return TRUE;
}

void CreateTooltips(HWND dialog) {
    g_hSeekTip = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr, g_hInst, nullptr);
    if (!g_hSeekTip) return;
    EnumChildWindows(dialog, AddTool, reinterpret_cast<LPARAM>(g_hSeekTip));
    g_hSeekHook = SetWindowsHookExA(WH_GETMESSAGE, RelayMouseToTooltips, nullptr, GetCurrentThreadId());
}

int TooltipString(int control) {
    switch (control) {
    case IDM_SEEK_START: return IDS_TIP_SEEK_START;
    case IDM_SEEK_END: return IDS_TIP_SEEK_END;
    case IDC_SEEK_SCROLL: return IDS_TIP_SEEK_BAR;
    default: return 0;
    }
}

// The buttons act on the main window, which keeps the keyboard.
void ToMainWindow(int command) {
    if (!ghApp) return;
    SendMessageA(ghApp, WM_COMMAND, static_cast<WPARAM>(command), 0);
    SetFocus(ghApp);
}

}  // namespace

INT_PTR CALLBACK SeekBarDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        g_hSeekBar = dialog;
        ShowRange(SeekBarInit());
        CreateTooltips(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDM_SEEKBAR_NEW_MOVIE:
            ShowRange(SeekBarNewMovie());
            InvalidateRect(dialog, nullptr, TRUE);
            return TRUE;
        case IDM_SEEKBAR_TIMER:
            ShowThumb(SeekBarTimer());
            return TRUE;
        case IDM_SEEK_START:
        case IDM_SEEK_END:
            ToMainWindow(LOWORD(wParam));
            return TRUE;
        default:
            return FALSE;
        }
    case WM_SIZE: {
        // The main window gives the strip its width and height: the buttons
        // keep their width at the two ends, the scroll bar takes what is
        // between, and all of them the strip's height (none is cut off).
        const int width = LOWORD(lParam), height = HIWORD(lParam);
        RECT button{0, 0, 20, 14};
        MapDialogRect(dialog, &button);
        const int buttonWidth = std::min<int>(button.right, width / 2);
        MoveWindow(GetDlgItem(dialog, IDM_SEEK_START), 0, 0, buttonWidth, height, TRUE);
        MoveWindow(GetDlgItem(dialog, IDC_SEEK_SCROLL), buttonWidth, 0, width - 2 * buttonWidth, height, TRUE);
        MoveWindow(GetDlgItem(dialog, IDM_SEEK_END), width - buttonWidth, 0, buttonWidth, height, TRUE);
        return TRUE;
    }
    case WM_HSCROLL: {
        ScrollView view;
        if (!SeekBarScroll(LOWORD(wParam), HIWORD(wParam), &view)) return TRUE;
        ShowThumb(view);
        // Dragging the thumb seeks all the way.
        ToMainWindow(IDM_SEEKBAR_SEEK);
        return TRUE;
    }
    case WM_NOTIFY: {
        NMHDR* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->code == TTN_GETDISPINFOA) {
            NMTTDISPINFOA* info = reinterpret_cast<NMTTDISPINFOA*>(header);
            const int id = TooltipString(GetDlgCtrlID(reinterpret_cast<HWND>(info->hdr.idFrom)));
            lstrcpynA(info->szText, id ? LoadResString(id) : "", sizeof info->szText);
            info->lpszText = info->szText;
            return TRUE;
        }
        if (header->code == TTN_GETDISPINFOW) {
            NMTTDISPINFOW* info = reinterpret_cast<NMTTDISPINFOW*>(header);
            const int id = TooltipString(GetDlgCtrlID(reinterpret_cast<HWND>(info->hdr.idFrom)));
            if (id == 0 || LoadStringW(g_hInst, static_cast<UINT>(id), info->szText,
                                       sizeof info->szText / sizeof info->szText[0]) <= 0)
                info->szText[0] = L'\0';
            info->lpszText = info->szText;
            return TRUE;
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}

HWND CreateSeekBar(HWND owner) {
    return CreateDialogA(g_hInst, "AVIPLAY", owner, SeekBarDialogProc);
}

void DestroySeekBar() {
    if (g_hSeekHook) UnhookWindowsHookEx(g_hSeekHook);
    g_hSeekHook = nullptr;
    if (g_hSeekTip) DestroyWindow(g_hSeekTip);
    g_hSeekTip = nullptr;
    if (g_hSeekBar) DestroyWindow(g_hSeekBar);
    g_hSeekBar = nullptr;
}
