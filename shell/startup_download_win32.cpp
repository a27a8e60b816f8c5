// A web URL given on the command line is saved to a file of the user's
// choice first and played from there; the strip shows the download's
// progress meanwhile.
#include "shell/player_win32.h"

#include <commdlg.h>

#include <cstring>

#include "graphs/download.h"
#include "resources/resource.h"

namespace {

// The strip has no controls; the download paints it directly.
INT_PTR CALLBACK DownloadStripProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

}  // namespace

bool DownloadBeforePlay(const char* url, const char* saveName, char* path) {
    std::strncpy(path, saveName, kPathBytes - 1);
    path[kPathBytes - 1] = '\0';

    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.lpstrFile = path;
    dialog.nMaxFile = kPathBytes;
    dialog.Flags = OFN_EXPLORER;
    if (!GetSaveFileNameA(&dialog)) {
        path[0] = '\0';
        return false;
    }

    HINSTANCE module = g_hInst ? g_hInst : GetModuleHandleA(nullptr);
    HWND strip = CreateDialogParamA(module, MAKEINTRESOURCEA(IDD_DOWNLOAD), nullptr, DownloadStripProc, 0);
    g_hDownloadStrip = strip;
    if (strip) {
        ShowWindow(strip, SW_SHOW);
        UpdateWindow(strip);
    }
    // A fresh strip shows even the percentage the last one ended on.
    g_nDownloadPercentShown = -1;
    DownloadUrl(path, url);
    g_hDownloadStrip = nullptr;
    if (strip) DestroyWindow(strip);
    return true;
}
