// The program's start-up, the main window "PlayWndMediaPlayer" with its
// toolbar, and the message loop. Commands go to commands_win32.cpp.
#ifndef STRSAFE_NO_DEPRECATE
#define STRSAFE_NO_DEPRECATE
#endif
#include <dshow.h>
#include <objbase.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "graphs/playback_graph.h"
#include "presentation/presenter.h"
#include "presentation/presenter_host.h"
#include "resources/resource.h"
#include "shell/command_line.h"
#include "shell/command_rules.h"
#include "shell/player_win32.h"
#include "shell/settings.h"
#include "shell/settings_store.h"
#include "presentation/zoom.h"

HINSTANCE g_hInst = nullptr;
HMENU g_hMenu = nullptr;
HACCEL g_hAccel = nullptr;
HIMAGELIST g_hToolbarImages = nullptr;
HHOOK g_hSeekHook = nullptr;

namespace {

constexpr char kMainClass[] = "PlayWndMediaPlayer";
constexpr char kMainTitle[] = "Duoscope";

// COM belongs to RunPlayer; the window's close releases it early, once.
bool g_bComStarted = false;

void ReleaseCom() {
    if (!g_bComStarted) return;
    g_bComStarted = false;
    CoUninitialize();
}

void CopyPath(char* to, const std::string& from) {
    const size_t n = std::min(from.size(), static_cast<size_t>(kPathBytes - 1));
    std::memcpy(to, from.data(), n);
    to[n] = '\0';
}

// --------------------------------------------------------------- toolbar

struct ToolbarButton {
    int image;  // -1: separator
    int command;
    BYTE style;
};

const ToolbarButton kToolbarButtons[] = {
    {-1, 0, BTNS_SEP},
    {0, IDM_OPEN, BTNS_BUTTON},
    {-1, 0, BTNS_SEP},
    {1, IDM_STOP, BTNS_BUTTON},
    {2, IDM_PLAY, BTNS_BUTTON},
    {-1, 0, BTNS_SEP},
    {3, IDM_SWAP, BTNS_BUTTON},
    {-1, 0, BTNS_SEP},
    {4, IDM_OWN_FULLSCREEN, BTNS_BUTTON},
    {5, IDM_SIZE_100, BTNS_DROPDOWN},
    {-1, 0, BTNS_SEP},
    {6, IDM_DISPLAY_SIDE_BY_SIDE, BTNS_DROPDOWN},
    {7, IDM_DISPLAY_ANAGLYPH_RED_CYAN, BTNS_DROPDOWN},
    {8, IDM_DISPLAY_ANAGLYPH_COLOR, BTNS_DROPDOWN},
    {9, IDM_DISPLAY_LINE_INTERLACE, BTNS_BUTTON},
    {10, IDM_DISPLAY_SHUTTER_GLASSES, BTNS_BUTTON},
    {-1, 0, BTNS_SEP},
};

HWND CreatePlayerToolbar(HWND window) {
    HWND toolbar = CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr, WS_CHILD | TBSTYLE_TOOLTIPS | TBSTYLE_FLAT, 0, 0,
                                   0, 0, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TOOLBAR)),
                                   g_hInst, nullptr);
    if (!toolbar) return nullptr;
    SendMessageA(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageA(toolbar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    g_hToolbarImages = ImageList_LoadImageA(g_hInst, MAKEINTRESOURCEA(IDB_TOOLBAR), TOOLBAR_IMAGE_WIDTH, 0,
                                            RGB(192, 192, 192), IMAGE_BITMAP, LR_CREATEDIBSECTION);
    SendMessageA(toolbar, TB_SETBITMAPSIZE, 0, MAKELONG(TOOLBAR_IMAGE_WIDTH, TOOLBAR_IMAGE_HEIGHT));
    SendMessageA(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(g_hToolbarImages));
    SendMessageA(toolbar, TB_SETHOTIMAGELIST, 0, reinterpret_cast<LPARAM>(g_hToolbarImages));

    TBBUTTON buttons[sizeof kToolbarButtons / sizeof kToolbarButtons[0]] = {};
    for (size_t i = 0; i < sizeof kToolbarButtons / sizeof kToolbarButtons[0]; ++i) {
        const ToolbarButton& b = kToolbarButtons[i];
        buttons[i].iBitmap = b.image < 0 ? 0 : b.image;
        buttons[i].idCommand = b.command;
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].fsStyle = b.style;
        buttons[i].iString = -1;
    }
    SendMessageA(toolbar, TB_ADDBUTTONSA, sizeof buttons / sizeof buttons[0], reinterpret_cast<LPARAM>(buttons));
    SendMessageA(toolbar, TB_AUTOSIZE, 0, 0);
    ShowWindow(toolbar, SW_SHOW);
    return toolbar;
}

// ----------------------------------------------------------- file history

// The history items go before "ファイル履歴の削除", newest first.
void InsertHistoryItems(HMENU menu, UINT before) {
    for (int i = 0; i < kHistorySize; ++i) {
        const std::string& path = g_Settings.history[i].path;
        if (path.empty()) continue;
        InsertMenuA(menu, before, MF_BYCOMMAND | MF_STRING, IDM_HISTORY_FIRST + i, path.c_str());
    }
}

void BuildHistoryMenu(HMENU menu) {
    if (!menu) return;
    if (g_Settings.history[0].path.empty()) {
        EnableMenuItem(menu, IDM_CLEAR_HISTORY, MF_BYCOMMAND | MF_GRAYED);
        return;
    }
    EnableMenuItem(menu, IDM_CLEAR_HISTORY, MF_BYCOMMAND | MF_ENABLED);
    if (GetMenuState(menu, IDM_HISTORY_FIRST, MF_BYCOMMAND) == static_cast<UINT>(-1)) {
        InsertHistoryItems(menu, IDM_CLEAR_HISTORY);
        return;
    }
    // A placeholder keeps the insertion point while the old items go.
    constexpr UINT kPlaceholder = 2118;
    InsertMenuA(menu, IDM_HISTORY_FIRST, MF_BYCOMMAND | MF_STRING, kPlaceholder,
                SystemCodePageText("ダミー").c_str());
    for (int id = IDM_HISTORY_FIRST; id <= IDM_HISTORY_LAST; ++id) DeleteMenu(menu, id, MF_BYCOMMAND);
    InsertHistoryItems(menu, kPlaceholder);
    DeleteMenu(menu, kPlaceholder, MF_BYCOMMAND);
}

// ---------------------------------------------------------------- messages

void OnCreate(HWND window) {
    ghApp = window;
    g_hMenu = GetMenu(window);

    g_bTimerOn = 0;
    g_nLayoutPctX = kLayoutPctBeforeMovie.x;
    g_nLayoutPctY = kLayoutPctBeforeMovie.y;
    g_nVideoSubtype = 0;
    g_nDualMonitor = 0;

    g_nScreenWidth = GetSystemMetrics(SM_CXSCREEN);
    g_nScreenHeight = GetSystemMetrics(SM_CYSCREEN);

    GetModuleFileNameA(g_hInst, g_szModulePath, sizeof g_szModulePath);
    CopyPath(g_szHelpFile, HelpFileForModule(g_szModulePath));

    // Defaults of every setting (n3DSize, n3DBpp, nVidia ...) come with the load.
    LoadSettings(UserSettingsStore());
    if (g_Settings.nRepeat == 1) CheckMenuItem(g_hMenu, IDM_REPEAT, MF_BYCOMMAND | MF_CHECKED);
    // The menu resource marks the defaults; the loaded values may differ.
    CheckDisplayItem(IDM_DISPLAY_FIRST + g_nDisplayMode);
    CheckInputItem(IDM_LAYOUT_FIRST + g_nInputLayout);

    g_hToolbar = CreatePlayerToolbar(window);
    CreateSeekBar(window);

    g_nPlayState = PlayState::Init;
    if (g_szCurrentFile[0] != '\0') PostMessageA(window, WM_COMMAND, IDM_OPEN_SHELL, 0);
}

void OnClose(HWND window) {
    if (g_bOwnFullScreen) {
        // Only the full-screen window closes, and the movie stays closed.
        g_bNoResume = 1;
        if (g_hFullScreenWnd) SendMessageA(g_hFullScreenWnd, WM_CLOSE, 0, 0);
        return;
    }
    StopPositionTimer();
    StoreSetting(UserSettingsStore(), "OpenFolder");
    CloseClip();
    ReleaseCom();
    DestroySeekBar();
    if (g_hToolbarImages) {
        // Detach first: the toolbar must not draw with a freed list.
        if (g_hToolbar) {
            SendMessageA(g_hToolbar, TB_SETIMAGELIST, 0, 0);
            SendMessageA(g_hToolbar, TB_SETHOTIMAGELIST, 0, 0);
        }
        ImageList_Destroy(g_hToolbarImages);
        g_hToolbarImages = nullptr;
    }
    if (g_hToolbar) DestroyWindow(g_hToolbar);
    g_hToolbar = nullptr;
    DestroyWindow(window);
}

// A key or a click for the program's full-screen window while it shows.
bool ForwardToFullScreen(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!g_bOwnFullScreen) return false;
    if (g_hFullScreenWnd) SendMessageA(g_hFullScreenWnd, message, wParam, lParam);
    return true;
}

void OnClick(bool left) {
    if (left)
        LeftClickAction();
    else
        RightClickAction();
}

}  // namespace

std::string SystemCodePageText(const char* utf8) {
    const int wideChars = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (wideChars <= 0) return {};
    std::wstring wide(static_cast<size_t>(wideChars), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, &wide[0], wideChars);
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::string text(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, &text[0], bytes, nullptr, nullptr);
    text.resize(static_cast<size_t>(bytes) - 1);
    return text;
}

void LayoutMainWindow() {
    if (!ghApp) return;
    if (g_hToolbar) SendMessageA(g_hToolbar, WM_SIZE, 0, 0);
    if (g_PlaybackGraph.pVW) {
        RECT client{};
        GetClientRect(ghApp, &client);
        const Placement video = VideoWindowPlacement(client.right, client.bottom);
        g_PlaybackGraph.pVW->SetWindowPosition(video.x, video.y, video.width, video.height);
    }
    if (g_hSeekBar && g_hToolbar) {
        RECT window{}, toolbar{};
        GetWindowRect(ghApp, &window);
        GetWindowRect(g_hToolbar, &toolbar);
        const Placement seek =
            SeekBarPlacement(window.left, window.right - window.left, toolbar.top, toolbar.bottom - toolbar.top);
        MoveWindow(g_hSeekBar, seek.x, seek.y, seek.width, seek.height, TRUE);
    }
}

LRESULT CALLBACK PlayerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        OnCreate(window);
        break;
    case WM_DESTROY:
        DestroySeekBar();  // also when destroyed without the close message
        PostQuitMessage(0);
        break;
    case WM_NCDESTROY:
        if (ghApp == window) {
            ghApp = nullptr;
            g_hMenu = nullptr;
        }
        break;
    case WM_MOVE:
    case WM_SIZE:
        LayoutMainWindow();
        break;
    case WM_CLOSE:
        OnClose(window);
        return 0;
    case WM_GETMINMAXINFO: {
        MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize.x = 200;
        info->ptMinTrackSize.y = 120;
        return 0;
    }
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (HandleToolbarNotify(reinterpret_cast<NMHDR*>(lParam), &result)) return result;
        break;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
        if (ForwardToFullScreen(message, wParam, lParam)) return 0;
        break;
    case WM_COMMAND:
        HandleCommand(LOWORD(wParam));
        break;
    case WM_TIMER:
        if (wParam == kPositionTimer) PollPosition();
        break;
    case WM_INITMENU:
        BuildHistoryMenu(g_hMenu);
        break;
    case WM_MENUSELECT:
        CheckInputItem(IDM_LAYOUT_FIRST + g_nInputLayout);
        CheckDisplayItem(IDM_DISPLAY_FIRST + g_nDisplayMode);
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        if (ForwardToFullScreen(message, wParam, lParam)) return 0;
        OnClick(message == WM_LBUTTONDOWN);
        break;
    case WM_PARENTNOTIFY: {
        const UINT event = LOWORD(wParam);
        if ((event == WM_LBUTTONDOWN || event == WM_RBUTTONDOWN) && IsChildClick(GET_Y_LPARAM(lParam))) {
            if (ForwardToFullScreen(event, 0, lParam)) return 0;
            OnClick(event == WM_LBUTTONDOWN);
        }
        break;
    }
    case WM_MOUSEWHEEL:
        HandleMouseWheel(wParam);
        break;
    case WM_DROPFILES:
        HandleDroppedFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_GRAPHNOTIFY:
        HandleGraphEvent();
        break;
    default:
        break;
    }
    if (g_PlaybackGraph.pVW)
        g_PlaybackGraph.pVW->NotifyOwnerMessage(reinterpret_cast<OAHWND>(window), static_cast<long>(message),
                                                static_cast<LONG_PTR>(wParam), static_cast<LONG_PTR>(lParam));
    return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterPlayerClasses(HINSTANCE instance) {
    g_hInst = instance;
    HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_DUOSCOPE));

    WNDCLASSA main{};
    main.lpfnWndProc = PlayerWndProc;
    main.hInstance = instance;
    main.hIcon = icon;
    main.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    main.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    main.lpszMenuName = "PLAYAVI";
    main.lpszClassName = kMainClass;
    if (!RegisterClassA(&main)) {
        // A second registration in one process (tests) finds the class there.
        if (GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    }

    // The presenters' windows. Failures are not fatal: only their mode fails.
    SetPresenterHost(&ShellPresenterHost());
    int32_t count = 0;
    const FullScreenPresenter* const* presenters = AllPresenters(&count);
    for (int32_t i = 0; i < count; ++i) {
        const FullScreenPresenter& p = *presenters[i];
        // Windows that register their own class when they start.
        if (!p.windowClass) continue;
        WNDCLASSA wc{};
        wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
        wc.lpfnWndProc = p.windowProc;
        wc.hInstance = instance;
        wc.hIcon = icon;
        wc.hCursor = p.cursor ? LoadCursorA(instance, p.cursor) : LoadCursorA(nullptr, IDC_ARROW);
        if (p.blackBackground) wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        wc.lpszClassName = p.windowClass;
        RegisterClassA(&wc);
    }
    return true;
}

HWND CreatePlayerWindow(HINSTANCE instance) {
    g_hInst = instance;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    g_nPlayState = PlayState::Init;
    HWND window = CreateWindowExA(WS_EX_ACCEPTFILES, kMainClass, kMainTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                  instance, nullptr);
    if (!window) return nullptr;
    // Always a normal window, whatever show command started the program.
    ShowWindow(window, SW_SHOWNORMAL);
    g_hMenu = GetMenu(window);
    EnablePlaybackMenu(false);
    g_hAccel = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
    return window;
}

void DispatchPlayerMessage(MSG* msg) {
    if (ghApp && g_hAccel && TranslateAcceleratorA(ghApp, g_hAccel, msg)) return;
    TranslateMessage(msg);
    DispatchMessageA(msg);
}

int RunPlayer(HINSTANCE instance, const char* commandLine) {
    g_hInst = instance;
    char startPath[kPathBytes] = {};
    if (FAILED(CoInitialize(nullptr))) {
        ReportMessage("CoInitialize Failed!\r\n");
        return 1;
    }
    g_bComStarted = true;

    g_szCurrentFile[0] = '\0';
    LoadSetting(UserSettingsStore(), "nIEFileSave");

    const StartRequest start = ParseCommandLine(commandLine, g_Settings.nIEFileSave);
    switch (start.kind) {
    case StartKind::OpenPath:
        CopyPath(startPath, start.path);
        break;
    case StartKind::DownloadFirst:
        // Cancelled: the program starts with no movie.
        if (!DownloadBeforePlay(start.url.c_str(), start.saveName.c_str(), startPath)) startPath[0] = '\0';
        break;
    case StartKind::PathTooLong:
        ReportMessage("%s", PathTooLongMessage(start).c_str());
        break;
    case StartKind::Nothing:
        break;
    }
    std::memcpy(g_szCurrentFile, startPath, sizeof startPath);

    if (!RegisterPlayerClasses(instance)) {
        ReportMessage("RegisterClass Failed! Error=0x%x\r\n", static_cast<unsigned>(GetLastError()));
        ReleaseCom();
        return 1;
    }

    int exitCode = 0;
    HWND window = CreatePlayerWindow(instance);
    if (!window) {
        ReportMessage("Failed to create the main window! Error=0x%x\r\n", static_cast<unsigned>(GetLastError()));
    } else {
        MSG msg{};
        BOOL got;
        while ((got = GetMessageA(&msg, nullptr, 0, 0)) != 0) {
            if (got == -1) break;
            DispatchPlayerMessage(&msg);
        }
        exitCode = static_cast<int>(msg.wParam);
    }
    ReleaseCom();
    return exitCode;
}
