// "CUSTSIZE": the custom size, in percent of the natural size across and down.
#include "shell/dialogs/dialogs_win32.h"

#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdlib>

#include "resources/resource.h"
#include "shell/dialogs/dialog_items_win32.h"
#include "shell/player_win32.h"

namespace {

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

}  // namespace

bool ShowCustomSizeDialog(HWND owner) {
    return DialogBoxParamA(ResourceInstance(), "CUSTSIZE", owner, CustomSizeProc, 0) == 1;
}
