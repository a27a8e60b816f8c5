// The main window's command table: menu, accelerator, toolbar and seek-bar
// commands, the mouse wheel, dropped files and the toolbar's notifications.
// While one of the program's full-screen windows shows, most commands
// become keys for that window instead.
#ifndef STRSAFE_NO_DEPRECATE
#define STRSAFE_NO_DEPRECATE
#endif
#include <dshow.h>
#include <shellapi.h>

#include <cstring>
#include <string>

#include "composition/stereo_formats.h"
#include "graphs/playback_graph.h"
#include "shell/graph_platform_win32.h"
#include "resources/resource.h"
#include "shell/command_rules.h"
#include "shell/dialogs/dialogs_win32.h"
#include "shell/player_win32.h"
#include "shell/seek_bar.h"
#include "shell/settings.h"
#include "shell/settings_store.h"
#include "presentation/zoom.h"

namespace {

void Send(int command) { SendMessageA(ghApp, WM_COMMAND, static_cast<WPARAM>(command), 0); }

void FitVideo(int32_t mx, int32_t dx, int32_t my, int32_t dy) {
    InitVideoWindow(Win32GraphPlatform(), g_PlaybackGraph, mx, dx, my, dy);
}

void CloseCurrent() {
    StopPositionTimer();
    CloseClip();
}

// After a successful open: pause unless "nAutostart", start the position
// poll, then the full-screen digit.
void FinishOpen(int32_t fullScreenDigit, bool addToHistory) {
    if (g_Settings.nAutostart == 0) PauseClip();
    if (addToHistory)
        AddToHistory(UserSettingsStore(), g_szCurrentFile, g_nDisplayMode, g_nInputLayout, g_bRgbMode,
                     fullScreenDigit);
    StartPositionTimer();
    const int command = FullScreenCommandAfterOpen(fullScreenDigit);
    if (command != 0) Send(command);
}

// 3014 (the open dialog unless a path waits) and 3023 (g_szCurrentFile
// with the shell-open settings).
void OpenSequence(int command, int32_t fullScreenDigit) {
    g_nSourceKind = SourceKind::MovieFile;
    g_bAtEnd = 0;
    if (command == IDM_OPEN) {
        if (g_nPlayState != PlayState::Init) CloseCurrent();
        // The user asked for the dialog: never reopen a path left behind.
        g_szCurrentFile[0] = '\0';
    }
    if (!OpenClip()) return;
    FinishOpen(fullScreenDigit, true);
}

void OpenWithShellSettings() {
    SettingsStore& store = UserSettingsStore();
    g_nDisplayMode = g_Settings.nStereoCom;
    g_nInputLayout = g_Settings.nDispCom;
    g_bRgbMode = g_Settings.nRGBCom;
    StoreSetting(store, "nStereo", g_Settings.nStereoCom);
    StoreSetting(store, "nDisp", g_Settings.nDispCom);
    StoreSetting(store, "nRGB", g_Settings.nRGBCom);
    CheckDisplayItem(CommandFromDisplayMode(g_nDisplayMode));
    CheckInputItem(CommandFromLayout(g_nInputLayout));
    OpenSequence(IDM_OPEN_SHELL, FullScreenAfterShellOpen());
}

void OpenHistoryItem(int index) {
    if (g_nPlayState != PlayState::Init) CloseCurrent();
    g_bAtEnd = 0;
    const HistoryEntry& entry = g_Settings.history[index];
    if (entry.path.empty() || entry.path.size() >= static_cast<size_t>(kPathBytes)) return;
    std::memcpy(g_szCurrentFile, entry.path.c_str(), entry.path.size() + 1);
    // The entry's own stereo settings, for this open only.
    HistoryType type;
    DecodeHistoryType(entry.typeCode, type);
    g_nInputLayout = type.inputLayout;
    g_bRgbMode = type.rgbMode;
    g_nDisplayMode = type.displayMode;
    CheckDisplayItem(CommandFromDisplayMode(g_nDisplayMode));
    CheckInputItem(CommandFromLayout(g_nInputLayout));
    if (!OpenClip()) return;
    FinishOpen(type.fullScreen, false);
}

void ClearHistoryAfterAsking() {
    const std::string question = SystemCodePageText("最近使ったファイルリストを削除してもいいですか？");
    if (ShowMessageBox(ghApp, question.c_str(), LoadResString(IDS_CAUTION), MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return;
    ClearHistory(UserSettingsStore());
    for (int id = IDM_HISTORY_FIRST; id <= IDM_HISTORY_LAST; ++id) DeleteMenu(g_hMenu, id, MF_BYCOMMAND);
}

void ChangeDisplayFormat(int command) {
    const int32_t mode = DisplayModeFromCommand(command);
    g_nDisplayMode = mode;
    StoreSetting(UserSettingsStore(), "nStereo", mode);
    CheckDisplayItem(command);

    const bool wasFullScreen = g_bDsFullScreen != 0;
    g_nZoomStep = kZoomNatural;
    FitVideo(1, 1, 1, 1);
    if (wasFullScreen)
        ToggleFullScreen();
    else
        FitVideo(1, 1, 1, 1);

    if (g_nPlayState == PlayState::Paused) SeekToPosition();  // redraw the paused frame
    CheckSizeItem(IDM_SIZE_100);
    g_nZoomItem = kZoomItem100;
}

void ChangeInputLayout(int command) {
    g_nInputLayout = LayoutFromCommand(command);
    ApplyLayoutPercentages();
    StoreSetting(UserSettingsStore(), "nDisp", g_nInputLayout);
    CheckInputItem(command);
    g_nZoomStep = kZoomNatural;
    FitVideo(1, 1, 1, 1);
    FitVideo(1, 1, 1, 1);
    CheckSizeItem(IDM_SIZE_100);
    g_nZoomItem = kZoomItem100;
}

void ApplyZoom(const ZoomRequest& r) {
    if (!r.apply) return;
    for (int i = 0; i < r.calls; ++i) FitVideo(r.mx, r.dx, r.my, r.dy);
    if (r.check == SizeCheck::Check)
        CheckSizeItem(r.checkCommand);
    else if (r.check == SizeCheck::ClearAll)
        CheckSizeItem(0);
}

void Zoom(int command) {
    if (command == IDM_SIZE_CUSTOM && !ShowCustomSizeDialog(ghApp)) return;
    ApplyZoom(ApplyZoomCommand(command));
}

// 3032 and 3033: with nothing open only the mode is chosen.
void PresenterMode(int command) {
    if (ChoosesModeOnly(g_szCurrentFile, static_cast<int32_t>(g_nSourceKind))) {
        g_nDisplayMode = DisplayModeFromCommand(command);
        StoreSetting(UserSettingsStore(), "nStereo", g_nDisplayMode);
        CheckDisplayItem(command);
        return;
    }
    RunPresenterHandOver(command);
}

void ToggleSwap() {
    g_bSwap = g_bSwap ? 0 : 1;
    CheckMenuItem(g_hMenu, IDM_SWAP, MF_BYCOMMAND | (g_bSwap ? MF_CHECKED : MF_UNCHECKED));
    if (g_nPlayState == PlayState::Paused) SeekToPosition();
}

void ToggleRepeat() {
    StoreSetting(UserSettingsStore(), "nRepeat", g_Settings.nRepeat == 1 ? 0 : 1);
    CheckMenuItem(g_hMenu, IDM_REPEAT, MF_BYCOMMAND | (g_Settings.nRepeat == 1 ? MF_CHECKED : MF_UNCHECKED));
}

void OpenHelpFile() {
    const HINSTANCE result = ShellExecuteA(ghApp, "open", g_szHelpFile, nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(result) > 32) return;
    ShowMessageBox(ghApp, SystemCodePageText("ヘルプファイルが表示できません").c_str(), g_szHelpFile,
                   MB_OK | MB_ICONEXCLAMATION);
}

// The commands that run without a full-screen window of the program.
void RunCommand(int id) {
    if (IsDisplayFormatCommand(id)) return ChangeDisplayFormat(id);
    if (IsLayoutCommand(id)) return ChangeInputLayout(id);
    if (IsHistoryCommand(id)) return OpenHistoryItem(id - IDM_HISTORY_FIRST);
    if (const int frames = StepFramesForCommand(id)) return StepFrames(frames);

    switch (id) {
    case IDM_SEEKBAR_SEEK: SeekToPosition(); break;
    case IDM_DISPLAY_SETTINGS: ShowDisplaySettingsDialog(ghApp); break;
    case IDM_CLEAR_HISTORY: ClearHistoryAfterAsking(); break;
    case IDM_ONLINE_HELP:
        ShellExecuteA(ghApp, "open", LoadResString(IDS_ONLINE_HELP_URL), nullptr, nullptr, SW_SHOWNORMAL);
        break;
    case IDM_WEBCAM: StartStereoCameras(); break;
    case IDM_WEBCAM_SETTINGS:
        if (ShowWebcamDialog(ghApp)) PostMessageA(ghApp, WM_COMMAND, IDM_WEBCAM, 0);
        break;
    case IDM_WEBCAM_RECORD: RecordStereoCameras(); break;
    case IDM_OPTIONS: ShowOptionsDialog(ghApp); break;
    case IDM_EXIT: SendMessageA(ghApp, WM_CLOSE, 0, 0); break;
    case IDM_STOP: PauseClip(); break;  // stopping keeps the position
    case IDM_PLAY:
        if (g_bAtEnd) {
            g_bAtEnd = 0;
            RewindClip();
        }
        PlayClip();
        break;
    case IDM_MUTE: ToggleMute(); break;
    case IDM_FULLSCREEN: Send(FullScreenCommandForEngine(FullScreenEngine())); break;
    case IDM_SIZE_50:
    case IDM_SIZE_75:
    case IDM_SIZE_100:
    case IDM_SIZE_200:
    case IDM_SIZE_CUSTOM:
    case IDM_ZOOM_IN:
    case IDM_ZOOM_OUT:
        Zoom(id);
        break;
    case IDM_SEEK_START:
        g_bAtEnd = 0;
        RewindClip();
        break;
    case IDM_SEEK_END:
        GoToEnd();
        SeekToPosition();
        break;
    case IDM_OPEN: OpenSequence(IDM_OPEN, FullScreenAfterOpen()); break;
    case IDM_OPEN_SHELL: OpenWithShellSettings(); break;
    case IDM_CLOSE: CloseCurrent(); break;
    case IDM_ABOUT: ShowAboutDialog(ghApp); break;
    case IDM_RATE_UP: ChangeRate(kRateStep); break;
    case IDM_RATE_DOWN: ChangeRate(-kRateStep); break;
    case IDM_RATE_NORMAL: SetRate(1.0); break;
    case IDM_RATE_DOUBLE: SetRate(2.0); break;
    case IDM_RATE_HALF: SetRate(0.5); break;
    case IDM_DISPLAY_SHARP_3D_LCD:
    case IDM_DISPLAY_SHUTTER_GLASSES:
        PresenterMode(id);
        break;
    case IDM_SWAP: ToggleSwap(); break;
    case IDM_REPEAT: ToggleRepeat(); break;
    case IDM_OWN_FULLSCREEN:
    case IDM_DUAL_FULLSCREEN_LEFT:
    case IDM_DUAL_FULLSCREEN_RIGHT:
        RunPresenterHandOver(id);
        break;
    case IDM_PLATFORM_FULLSCREEN: ToggleFullScreen(); break;
    case IDM_SHUTTER_SETTINGS: ShowShutterSettingsDialog(ghApp); break;
    case IDM_HELP: OpenHelpFile(); break;
    case IDM_CLICK_LEFT: LeftClickAction(); break;
    case IDM_CLICK_RIGHT: RightClickAction(); break;
    case IDM_ESCAPE:
        if (g_bDsFullScreen) ToggleFullScreen();
        break;
    default: break;
    }
}

// Pops up a dropdown's menu below its button; the choice comes back as a
// normal command.
void ShowDropdownMenu(int command) {
    const char* name = DropdownMenuName(command);
    if (!name || !g_hToolbar) return;
    RECT button{};
    SendMessageA(g_hToolbar, TB_GETRECT, static_cast<WPARAM>(command), reinterpret_cast<LPARAM>(&button));
    MapWindowPoints(g_hToolbar, HWND_DESKTOP, reinterpret_cast<POINT*>(&button), 2);
    HMENU menu = LoadMenuA(g_hInst, name);
    if (!menu) return;
    HMENU popup = GetSubMenu(menu, 0);
    const int checked = DropdownCheckedItem(command, g_nDisplayMode, g_nZoomItem);
    if (checked != 0) CheckMenuItem(popup, static_cast<UINT>(checked), MF_BYCOMMAND | MF_CHECKED);
    TPMPARAMS keepVisible{sizeof keepVisible, button};
    TrackPopupMenuEx(popup, TPM_LEFTALIGN | TPM_LEFTBUTTON | TPM_VERTICAL, button.left, button.bottom, ghApp,
                     &keepVisible);
    DestroyMenu(menu);
}

}  // namespace

void HandleCommand(int id) {
    // What these commands set holds in either state.
    if (IsHistoryCommand(id) || id == IDM_EXIT || id == IDM_OPEN || id == IDM_CLOSE)
        g_nSourceKind = SourceKind::MovieFile;
    if (const int32_t dual = DualMonitorForCommand(id)) g_nDualMonitor = dual;

    if (g_bOwnFullScreen) {
        const CommandRoute route = RouteWhileOwnFullScreen(id);
        if (route.route == FullScreenRoute::Ignore) return;
        if (route.route == FullScreenRoute::SendKey) {
            if (route.noResume) g_bNoResume = 1;
            if (g_hFullScreenWnd)
                SendMessageA(g_hFullScreenWnd, route.keyDown ? WM_KEYDOWN : WM_KEYUP,
                             static_cast<WPARAM>(route.virtualKey), 0);
            return;
        }
    }
    RunCommand(id);
}

void HandleMouseWheel(WPARAM wParam) {
    if (g_bOwnFullScreen) return;  // that window zooms by itself
    ApplyZoom(ApplyZoomWheel(HIWORD(wParam)));
}

void HandleDroppedFiles(HDROP drop) {
    // Refused input leaves the open movie alone.
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    const UINT length = count > 0 ? DragQueryFileA(drop, 0, nullptr, 0) : 0;
    if (g_bOwnFullScreen || length == 0) {
        DragFinish(drop);
        return;
    }
    if (!DroppedPathFits(length)) {
        DragFinish(drop);
        ReportMessage("%s", DroppedPathTooLongMessage(length).c_str());
        return;
    }
    if (g_nPlayState != PlayState::Init) CloseCurrent();
    DragQueryFileA(drop, 0, g_szCurrentFile, kPathBytes);
    if (g_szCurrentFile[0] != '\0') PostMessageA(ghApp, WM_COMMAND, IDM_OPEN_SHELL, 0);
    DragFinish(drop);
    SetForegroundWindow(ghApp);
}

bool HandleToolbarNotify(NMHDR* header, LRESULT* result) {
    if (!header) return false;
    switch (header->code) {
    case TTN_GETDISPINFOA: {
        NMTTDISPINFOA* info = reinterpret_cast<NMTTDISPINFOA*>(header);
        const int id = static_cast<int>(info->hdr.idFrom);
        // Copied: the string loader's buffers are reused two loads later.
        lstrcpynA(info->szText, LoadResString(ToolbarTooltipString(id)), sizeof info->szText);
        info->lpszText = info->szText;
        info->hinst = nullptr;
        *result = 0;
        return true;
    }
    case TTN_GETDISPINFOW: {
        NMTTDISPINFOW* info = reinterpret_cast<NMTTDISPINFOW*>(header);
        const int id = static_cast<int>(info->hdr.idFrom);
        if (LoadStringW(g_hInst, static_cast<UINT>(ToolbarTooltipString(id)), info->szText,
                        sizeof info->szText / sizeof info->szText[0]) <= 0)
            info->szText[0] = L'\0';
        info->lpszText = info->szText;
        info->hinst = nullptr;
        *result = 0;
        return true;
    }
    case TBN_DROPDOWN: {
        if (header->hwndFrom != g_hToolbar) return false;
        ShowDropdownMenu(reinterpret_cast<NMTOOLBARA*>(header)->iItem);
        *result = TBDDRET_DEFAULT;
        return true;
    }
    default:
        return false;
    }
}

void LeftClickAction() {
    if (g_nPlayState == PlayState::Init) return;
    TogglePlay();
    UpdateMainTitle();
}

void RightClickAction() {
    if (g_nPlayState == PlayState::Init) return;
    ClickRestart();
    UpdateMainTitle();
}
