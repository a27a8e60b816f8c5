// The real main window in this process: its creation from a clean
// registry, the command table through menu commands, accelerator keys,
// the wheel and dropped files, the rerouting to a full-screen window, the
// toolbar, the seek bar and its tips, and the open dialog driven as a user
// would. The player's message boxes go to a sink, never on screen.
#define STRSAFE_NO_DEPRECATE
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
#include <dshow.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "com_test_support.h"
#include "duoscope_test_media.h"
#include "modal_script.h"
#include "stored_setting.h"
#include "graphs/playback_graph.h"
#include "resources/resource.h"
#include "core/app_state.h"
#include "shell/player_win32.h"
#include "shell/seek_bar.h"
#include "shell/settings.h"
#include "shell/settings_store.h"
#include "presentation/zoom.h"

namespace {

using testsupport::ComApartment;
using testsupport::PumpUntil;

// ------------------------------------------------------------ message boxes
struct Box {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};
std::vector<Box> g_boxes;
int g_boxAnswer = IDOK;

int RecordBox(HWND owner, const char* text, const char* caption, UINT type) {
    g_boxes.push_back({owner, text ? text : "", caption ? caption : "", type});
    return g_boxAnswer;
}

// --------------------------------------------- commands the window receives
// Records every WM_COMMAND sent to the main window (accelerators and the
// window's own sends arrive that way).
std::vector<int> g_commands;
HHOOK g_commandHook = nullptr;

LRESULT CALLBACK RecordCommands(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const CWPSTRUCT* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (m->message == WM_COMMAND && m->hwnd == ghApp && ghApp) g_commands.push_back(LOWORD(m->wParam));
    }
    return CallNextHookEx(g_commandHook, code, wParam, lParam);
}

// ------------------------------------------------ a stand-in full screen
struct KeyMessage {
    UINT message;
    WPARAM key;
};
std::vector<KeyMessage> g_fullScreenGot;

LRESULT CALLBACK FullScreenStandIn(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_CLOSE:
        g_fullScreenGot.push_back({message, wParam});
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

// --------------------------------------------------------------- registry

void DeleteSettingsKey() { RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKeyPath); }

void PutSetting(const char* name, const std::string& text) {
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.data()), static_cast<DWORD>(text.size()));
    RegCloseKey(key);
}

using testsupport::StoredSetting;

// ------------------------------------------------------------- drops
// An HDROP as the shell hands it over: DROPFILES, then the ANSI paths,
// each ended by a zero, and one zero more.
HDROP MakeDrop(const std::vector<std::string>& paths) {
    size_t bytes = sizeof(DROPFILES) + 1;
    for (const std::string& p : paths) bytes += p.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, bytes);
    auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
    files->pFiles = sizeof(DROPFILES);
    files->fWide = FALSE;
    char* at = reinterpret_cast<char*>(files) + sizeof(DROPFILES);
    for (const std::string& p : paths) {
        std::memcpy(at, p.c_str(), p.size() + 1);
        at += p.size() + 1;
    }
    *at = '\0';
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

// ------------------------------------------------------------ modal dialogs

using testsupport::ModalScript;

// The open dialog's file name box (a combo box on some systems, an edit on
// others).
HWND FileNameBox(HWND dialog) {
    HWND box = GetDlgItem(dialog, cmb13);
    return box ? box : GetDlgItem(dialog, edt1);
}

std::string WindowText(HWND w) {
    char text[300] = {};
    GetWindowTextA(w, text, sizeof text);
    return text;
}

// Posted, not sent: a refusal's own message box then runs its loop outside
// the script's step.
void PostButton(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// ---------------------------------------------------------------- fixture
class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(com_.hr()));
        g_boxes.clear();
        g_boxAnswer = IDOK;
        g_commands.clear();
        g_fullScreenGot.clear();
        SetMessageBoxSink(RecordBox);
        DeleteSettingsKey();
        g_szCurrentFile[0] = '\0';
        g_nSourceKind = SourceKind::MovieFile;
        g_bOwnFullScreen = 0;
        g_hFullScreenWnd = nullptr;
        g_bDsFullScreen = 0;
        g_bNoResume = 0;
        g_bSwap = 0;
        g_nZoomStep = 12;
        g_nZoomItem = 3;
        g_nDualMonitor = 0;
        g_commandHook = SetWindowsHookExA(WH_CALLWNDPROC, RecordCommands, nullptr, GetCurrentThreadId());
    }

    void TearDown() override {
        if (g_commandHook) UnhookWindowsHookEx(g_commandHook);
        g_commandHook = nullptr;
        g_bOwnFullScreen = 0;
        g_hFullScreenWnd = nullptr;
        if (standIn_) DestroyWindow(standIn_);
        if (ghApp && IsWindow(ghApp)) SendMessageA(ghApp, WM_CLOSE, 0, 0);
        Drain();
        SetMessageBoxSink(nullptr);
        DeleteSettingsKey();
        MemorySettingsStore defaults;
        LoadSettings(defaults);
        g_szCurrentFile[0] = '\0';
    }

    // The window as the program creates it, over whatever the registry holds.
    void Create() {
        ASSERT_TRUE(RegisterPlayerClasses(GetModuleHandleA(nullptr)));
        window_ = CreatePlayerWindow(GetModuleHandleA(nullptr));
        ASSERT_NE(window_, nullptr);
        ASSERT_EQ(window_, ghApp);
    }

    // Handles what is queued, the quit message of a closed window included.
    static void Drain() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchPlayerMessage(&msg);
    }

    static void Command(int id) { SendMessageA(ghApp, WM_COMMAND, static_cast<WPARAM>(id), 0); }

    // A key as the message loop gets it; `modifiers` are held meanwhile.
    static void Key(WPARAM key, std::vector<int> modifiers = {}) {
        BYTE state[256];
        GetKeyboardState(state);
        BYTE pressed[256];
        std::memcpy(pressed, state, sizeof pressed);
        for (int m : modifiers) pressed[m] = 0x80;
        SetKeyboardState(pressed);
        const bool alt = std::find(modifiers.begin(), modifiers.end(), VK_MENU) != modifiers.end();
        MSG msg{ghApp, static_cast<UINT>(alt ? WM_SYSKEYDOWN : WM_KEYDOWN), key, alt ? (1 | (1 << 29)) : 1, 0, {}};
        DispatchPlayerMessage(&msg);
        SetKeyboardState(state);
    }

    static bool Checked(int id) { return (GetMenuState(g_hMenu, id, MF_BYCOMMAND) & MF_CHECKED) != 0; }
    static bool Grayed(int id) { return (GetMenuState(g_hMenu, id, MF_BYCOMMAND) & MF_GRAYED) != 0; }
    static std::string Title() {
        char text[300] = {};
        GetWindowTextA(ghApp, text, sizeof text);
        return text;
    }

    // A window in place of the program's full-screen window, as if it showed.
    void FakeOwnFullScreen() {
        WNDCLASSA c{};
        c.lpfnWndProc = FullScreenStandIn;
        c.hInstance = GetModuleHandleA(nullptr);
        c.lpszClassName = "MainWindowTestFullScreen";
        RegisterClassA(&c);
        standIn_ = CreateWindowExA(0, c.lpszClassName, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   c.hInstance, nullptr);
        ASSERT_NE(standIn_, nullptr);
        g_hFullScreenWnd = standIn_;
        g_bOwnFullScreen = 1;
    }

    // Opens a movie the way a drop does: the path, then command 3023.
    bool OpenMovie(const char* path) {
        std::strcpy(g_szCurrentFile, path);
        Command(IDM_OPEN_SHELL);
        return PumpUntil([] { return g_nPlayState != PlayState::Init; }, 10000);
    }

    ComApartment com_;
    HWND window_ = nullptr;
    HWND standIn_ = nullptr;
};

// ------------------------------------------------------------- creation

TEST_F(MainWindow, CreationFromCleanRegistry) {
    Create();
    EXPECT_EQ(Title(), "Duoscope");
    EXPECT_TRUE(IsWindowVisible(ghApp));
    EXPECT_FALSE(IsIconic(ghApp));
    EXPECT_EQ(g_nPlayState, PlayState::Init);
    EXPECT_EQ(g_nScreenWidth, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(g_nScreenHeight, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(g_nLayoutPctX, 25);
    EXPECT_EQ(g_nLayoutPctY, 100);

    // The help file sits next to the program.
    std::string help = g_szHelpFile, module = g_szModulePath;
    ASSERT_GT(module.rfind('\\'), 0u);
    EXPECT_EQ(help, module.substr(0, module.rfind('\\')) + "\\duoscp.chm");

    // Fresh settings: red-cyan, side by side 100 %, no repeat.
    EXPECT_EQ(g_nDisplayMode, 2);
    EXPECT_TRUE(Checked(IDM_DISPLAY_ANAGLYPH_RED_CYAN));
    EXPECT_TRUE(Checked(IDM_LAYOUT_SIDE_BY_SIDE_FULL));
    EXPECT_FALSE(Checked(IDM_REPEAT));

    // Toolbar 1300 with its 17 buttons, the seek bar beside it.
    HWND toolbar = GetDlgItem(ghApp, IDC_TOOLBAR);
    ASSERT_NE(toolbar, nullptr);
    EXPECT_EQ(toolbar, g_hToolbar);
    EXPECT_EQ(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0), 17);
    TBBUTTON button{};
    ASSERT_TRUE(SendMessageA(toolbar, TB_GETBUTTON, 9, reinterpret_cast<LPARAM>(&button)));
    EXPECT_EQ(button.idCommand, IDM_SIZE_100);
    EXPECT_TRUE(button.fsStyle & BTNS_DROPDOWN);
    ASSERT_NE(g_hSeekBar, nullptr);
    EXPECT_TRUE(IsWindowVisible(g_hSeekBar));
    EXPECT_EQ(GetWindow(g_hSeekBar, GW_OWNER), ghApp);
    EXPECT_NE(g_hSeekHook, nullptr);

    // Nothing to open: no command was posted.
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, ghApp, WM_COMMAND, WM_COMMAND, PM_NOREMOVE));
}

TEST_F(MainWindow, CreationTakesStoredSettings) {
    PutSetting("nRepeat", "1");
    PutSetting("nStereo", "5");
    PutSetting("nDisp", "3");
    Create();
    EXPECT_TRUE(Checked(IDM_REPEAT));
    EXPECT_EQ(g_nDisplayMode, 5);
    EXPECT_EQ(g_nInputLayout, 3);
    EXPECT_TRUE(Checked(IDM_DISPLAY_ANAGLYPH_COLOR));
    EXPECT_FALSE(Checked(IDM_DISPLAY_ANAGLYPH_RED_CYAN));
    EXPECT_TRUE(Checked(IDM_LAYOUT_OVER_UNDER_475));
}

TEST_F(MainWindow, StartPathPostsShellOpen) {
    std::strcpy(g_szCurrentFile, "C:\\movies\\x.avi");
    Create();
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, ghApp, WM_COMMAND, WM_COMMAND, PM_REMOVE));
    EXPECT_EQ(LOWORD(msg.wParam), IDM_OPEN_SHELL);
}

TEST_F(MainWindow, MinimumTrackingSize) {
    Create();
    MINMAXINFO info{};
    SendMessageA(ghApp, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 200);
    EXPECT_EQ(info.ptMinTrackSize.y, 120);
    // The window manager applies it too.
    SetWindowPos(ghApp, nullptr, 0, 0, 50, 40, SWP_NOMOVE | SWP_NOZORDER);
    RECT r{};
    GetWindowRect(ghApp, &r);
    EXPECT_GE(r.right - r.left, 200);
    EXPECT_GE(r.bottom - r.top, 120);
}

TEST_F(MainWindow, SeekBarFollowsTheWindow) {
    Create();
    SetWindowPos(ghApp, nullptr, 30, 40, 820, 400, SWP_NOZORDER);
    RECT window{}, toolbar{}, seek{};
    GetWindowRect(ghApp, &window);
    GetWindowRect(g_hToolbar, &toolbar);
    GetWindowRect(g_hSeekBar, &seek);
    EXPECT_EQ(seek.left, window.left + 400);
    EXPECT_EQ(seek.top, toolbar.top + 8);
    EXPECT_EQ(seek.right - seek.left, (window.right - window.left) - 404);
    EXPECT_EQ(seek.bottom - seek.top, (toolbar.bottom - toolbar.top) - 12);
    // Its controls fill it: the buttons at the two ends, the scroll bar
    // between them, none taller than the strip.
    const int width = seek.right - seek.left, height = seek.bottom - seek.top;
    const struct {
        int id;
        bool atRight;
    } controls[] = {{IDM_SEEK_START, false}, {IDC_SEEK_SCROLL, false}, {IDM_SEEK_END, true}};
    int x = 0;
    for (const auto& c : controls) {
        RECT r{};
        GetWindowRect(GetDlgItem(g_hSeekBar, c.id), &r);
        OffsetRect(&r, -seek.left, -seek.top);
        EXPECT_EQ(r.left, x) << "control " << c.id;
        EXPECT_EQ(r.top, 0) << "control " << c.id;
        EXPECT_EQ(r.bottom, height) << "control " << c.id;
        EXPECT_GT(r.right, r.left) << "control " << c.id;
        if (c.atRight) {
            EXPECT_EQ(r.right, width);
        }
        x = r.right;
    }

    // Narrower than 404 pixels: no room left for it.
    SetWindowPos(ghApp, nullptr, 0, 0, 300, 300, SWP_NOMOVE | SWP_NOZORDER);
    GetWindowRect(g_hSeekBar, &seek);
    EXPECT_EQ(seek.right - seek.left, 0);
}

TEST_F(MainWindow, CloseTearsDownAndStoresFolder) {
    Create();
    ASSERT_EQ(StoredSetting("OpenFolder"), "<absent>");
    SendMessageA(ghApp, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window_));
    EXPECT_EQ(ghApp, nullptr);
    EXPECT_EQ(g_hSeekBar, nullptr);
    EXPECT_EQ(g_hSeekHook, nullptr);
    EXPECT_EQ(g_hToolbar, nullptr);
    EXPECT_EQ(StoredSetting("OpenFolder"), "");
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

// --------------------------------------------------------------- toolbar

std::wstring ToolbarTip(int command) {
    NMTTDISPINFOW info{};
    info.hdr.hwndFrom = nullptr;
    info.hdr.idFrom = static_cast<UINT_PTR>(command);
    info.hdr.code = TTN_GETDISPINFOW;
    SendMessageW(ghApp, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
    return info.lpszText ? info.lpszText : L"<none>";
}

TEST_F(MainWindow, ToolbarTooltipsAreTheCommandsStrings) {
    Create();
    EXPECT_EQ(ToolbarTip(IDM_OPEN), L"ステレオムービーを開く");
    EXPECT_EQ(ToolbarTip(IDM_STOP), L"再生停止");
    EXPECT_EQ(ToolbarTip(IDM_SIZE_100), L"縦横１００％サイズ");
    EXPECT_EQ(ToolbarTip(IDM_DISPLAY_ANAGLYPH_RED_CYAN), L"アナグリフ （赤-シアン)");
    EXPECT_EQ(ToolbarTip(IDM_DISPLAY_SHUTTER_GLASSES), L"液晶シャッターメガネ モード");
    // Swap and full screen have no string: no text.
    EXPECT_EQ(ToolbarTip(IDM_SWAP), L"");
    EXPECT_EQ(ToolbarTip(IDM_OWN_FULLSCREEN), L"");

    // The narrow request gets the same string in the system code page.
    NMTTDISPINFOA info{};
    info.hdr.idFrom = IDM_PLAY;
    info.hdr.code = TTN_GETDISPINFOA;
    SendMessageA(ghApp, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
    char expected[80] = {};
    LoadStringA(GetModuleHandleA(nullptr), IDS_TIP_PLAY, expected, sizeof expected);
    ASSERT_NE(info.lpszText, nullptr);
    EXPECT_STREQ(info.lpszText, expected);
}

// --------------------------------------------------------------- seek bar

TEST_F(MainWindow, SeekBarButtonsScrollAndTips) {
    Create();
    HWND scroll = GetDlgItem(g_hSeekBar, IDC_SEEK_SCROLL);
    ASSERT_NE(scroll, nullptr);
    int low = -1, high = -1;
    GetScrollRange(scroll, SB_CTL, &low, &high);
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 100);

    // A 60 s movie of 40 ms frames: 1499 units.
    g_nDurationMs = 60000;
    g_nFrameMs = 40;
    g_nPositionMs = 400;
    SendMessageA(g_hSeekBar, WM_COMMAND, IDM_SEEKBAR_NEW_MOVIE, 0);
    GetScrollRange(scroll, SB_CTL, &low, &high);
    EXPECT_EQ(high, 1499);
    EXPECT_EQ(GetScrollPos(scroll, SB_CTL), 10);

    // One line right is one frame; the main window is told to seek.
    g_commands.clear();
    SendMessageA(g_hSeekBar, WM_HSCROLL, SB_LINERIGHT, reinterpret_cast<LPARAM>(scroll));
    EXPECT_EQ(g_nPositionMs, 440);
    EXPECT_EQ(GetScrollPos(scroll, SB_CTL), 11);
    EXPECT_EQ(g_commands, std::vector<int>{IDM_SEEKBAR_SEEK});
    // End of scrolling (code 8) is ignored.
    g_commands.clear();
    SendMessageA(g_hSeekBar, WM_HSCROLL, SB_ENDSCROLL, reinterpret_cast<LPARAM>(scroll));
    EXPECT_TRUE(g_commands.empty());

    // The timer moves the thumb.
    g_nPositionMs = 4000;
    SendMessageA(g_hSeekBar, WM_COMMAND, IDM_SEEKBAR_TIMER, 0);
    EXPECT_EQ(GetScrollPos(scroll, SB_CTL), 100);

    // Both buttons act on the main window.
    g_commands.clear();
    SendMessageA(GetDlgItem(g_hSeekBar, IDM_SEEK_START), BM_CLICK, 0, 0);
    SendMessageA(GetDlgItem(g_hSeekBar, IDM_SEEK_END), BM_CLICK, 0, 0);
    EXPECT_EQ(g_commands, (std::vector<int>{IDM_SEEK_START, IDM_SEEK_END}));

    // Tooltips: one tool per control, texts on request.
    ASSERT_NE(g_hSeekTip, nullptr);
    EXPECT_EQ(SendMessageA(g_hSeekTip, TTM_GETTOOLCOUNT, 0, 0), 3);
    const std::pair<int, std::wstring> tips[] = {
        {IDM_SEEK_START, L"先頭へ戻る"}, {IDM_SEEK_END, L"後端へ移動"}, {IDC_SEEK_SCROLL, L"再生位置"}};
    for (const auto& tip : tips) {
        NMTTDISPINFOW info{};
        info.hdr.hwndFrom = g_hSeekTip;
        info.hdr.idFrom = reinterpret_cast<UINT_PTR>(GetDlgItem(g_hSeekBar, tip.first));
        info.hdr.code = TTN_GETDISPINFOW;
        SendMessageW(g_hSeekBar, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
        ASSERT_NE(info.lpszText, nullptr);
        EXPECT_EQ(std::wstring(info.lpszText), tip.second) << tip.first;
    }
    g_nDurationMs = g_nFrameMs = g_nPositionMs = 0;
}

// Before it shows, a tip asks itself which window lies under the cursor; the
// answer is this tool, whatever the shared display's cursor and stacking.
WNDPROC g_tipProc = nullptr;
HWND g_tipTool = nullptr;

LRESULT CALLBACK AnswerWindowFromPoint(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == TTM_WINDOWFROMPOINT) return reinterpret_cast<LRESULT>(g_tipTool);
    return CallWindowProcW(g_tipProc, window, message, wParam, lParam);
}

// The tips see the mouse only through the message hook: a mouse move taken
// from the queue over "後端" shows that button's tip.
TEST_F(MainWindow, SeekBarTipShowsForAQueuedMouseMove) {
    Create();
    ASSERT_NE(g_hSeekTip, nullptr);
    HWND end = GetDlgItem(g_hSeekBar, IDM_SEEK_END);
    ASSERT_NE(end, nullptr);
    g_tipTool = end;
    g_tipProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        g_hSeekTip, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AnswerWindowFromPoint)));
    ASSERT_NE(g_tipProc, nullptr);
    EXPECT_FALSE(IsWindowVisible(g_hSeekTip));

    PostMessageA(end, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(PumpUntil([] { return IsWindowVisible(g_hSeekTip) != FALSE; }, 2000));
    TTTOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;
    EXPECT_TRUE(SendMessageA(g_hSeekTip, TTM_GETCURRENTTOOLA, 0, reinterpret_cast<LPARAM>(&tool)));
    EXPECT_EQ(tool.uId, reinterpret_cast<UINT_PTR>(end));
    SetWindowLongPtrW(g_hSeekTip, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_tipProc));
}

// ------------------------------------------------------- display formats

struct FormatKey {
    WPARAM key;
    std::vector<int> modifiers;
    int32_t mode;
};

TEST_F(MainWindow, DisplayFormatKeysSwitchAndStore) {
    Create();
    g_nZoomStep = 20;
    g_nZoomItem = kZoomItemFree;
    const FormatKey keys[] = {
        {VK_F5, {}, 0},   {VK_F9, {}, 1},  {VK_F6, {}, 2},           {VK_F7, {}, 5},
        {VK_F4, {}, 7},   {VK_F11, {}, 10}, {VK_F9, {VK_SHIFT}, 11}, {VK_F9, {VK_CONTROL}, 12},
        {VK_F9, {VK_CONTROL, VK_SHIFT}, 13},
    };
    for (const FormatKey& k : keys) {
        SCOPED_TRACE(k.mode);
        Key(k.key, k.modifiers);
        EXPECT_EQ(g_nDisplayMode, k.mode);
        EXPECT_EQ(StoredSetting("nStereo"), std::to_string(k.mode));
        for (int id = IDM_DISPLAY_FIRST; id <= IDM_DISPLAY_LAST; ++id)
            EXPECT_EQ(Checked(id), id == IDM_DISPLAY_FIRST + k.mode) << id;
        // Back to 100 %.
        EXPECT_EQ(g_nZoomStep, 12);
        EXPECT_EQ(g_nZoomItem, kZoomItem100);
        EXPECT_TRUE(Checked(IDM_SIZE_100));
    }
}

TEST_F(MainWindow, PresenterModesWithNothingOpenOnlyChooseTheMode) {
    Create();
    Key(VK_F4, {VK_SHIFT});  // 3D LCD
    EXPECT_EQ(g_nDisplayMode, 8);
    EXPECT_EQ(StoredSetting("nStereo"), "8");
    EXPECT_TRUE(Checked(IDM_DISPLAY_SHARP_3D_LCD));
    Key(VK_F8);  // shutter glasses
    EXPECT_EQ(g_nDisplayMode, 9);
    EXPECT_TRUE(Checked(IDM_DISPLAY_SHUTTER_GLASSES));
    EXPECT_FALSE(Checked(IDM_DISPLAY_SHARP_3D_LCD));
    EXPECT_TRUE(g_boxes.empty());
}

TEST_F(MainWindow, ShutterWithoutTheWinX3dDriverIsRefused) {
    PutSetting("nVidia", "0");
    Create();
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\W3D");
    // A path waits to be shown: the check comes before anything else.
    std::strcpy(g_szCurrentFile, "C:\\movies\\x.avi");
    Command(IDM_DISPLAY_SHUTTER_GLASSES);
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].text,
              SystemCodePageText("WINx3Dドライバーが見つかりません。WinX3Dをセットアップしてから実行して下さい。"));
    EXPECT_EQ(g_boxes[0].caption, SystemCodePageText("エラー"));
    EXPECT_EQ(g_boxes[0].owner, ghApp);
    EXPECT_TRUE(g_boxes[0].type & MB_ICONEXCLAMATION);
    EXPECT_EQ(g_nDisplayMode, 2);
    EXPECT_STREQ(g_szCurrentFile, "C:\\movies\\x.avi");
}

TEST_F(MainWindow, InputLayoutCommands) {
    Create();
    const struct {
        int command;
        int32_t pctX, pctY;
    } layouts[] = {{3101, 50, 50}, {3103, 50, 47}, {3104, 50, 50}, {3105, 50, 100}, {3100, 25, 100}};
    for (const auto& l : layouts) {
        SCOPED_TRACE(l.command);
        g_nZoomStep = 5;
        Command(l.command);
        EXPECT_EQ(g_nInputLayout, l.command - 3100);
        EXPECT_EQ(g_nLayoutPctX, l.pctX);
        EXPECT_EQ(g_nLayoutPctY, l.pctY);
        EXPECT_EQ(StoredSetting("nDisp"), std::to_string(l.command - 3100));
        for (int id = IDM_LAYOUT_FIRST; id <= IDM_LAYOUT_LAST; ++id) EXPECT_EQ(Checked(id), id == l.command) << id;
        EXPECT_EQ(g_nZoomStep, 12);
        EXPECT_TRUE(Checked(IDM_SIZE_100));
    }
}

// ------------------------------------------------------------------- zoom

TEST_F(MainWindow, ZoomCommandsAndSizeMarks) {
    Create();
    Command(IDM_SIZE_50);
    EXPECT_EQ(g_nZoomStep, 6);
    EXPECT_TRUE(Checked(IDM_SIZE_50));
    EXPECT_FALSE(Checked(IDM_SIZE_100));
    Command(IDM_SIZE_200);
    EXPECT_EQ(g_nZoomStep, 24);
    EXPECT_TRUE(Checked(IDM_SIZE_200));
    Command(IDM_SIZE_100);
    for (int i = 0; i < 5; ++i) Key(VK_PRIOR);  // zoom in
    EXPECT_EQ(g_nZoomStep, 17);
    EXPECT_EQ(g_nZoomItem, kZoomItemFree);
    for (int id : {IDM_SIZE_50, IDM_SIZE_75, IDM_SIZE_100, IDM_SIZE_200}) EXPECT_FALSE(Checked(id)) << id;
    g_nZoomStep = 1;
    Key(VK_NEXT);  // zoom out
    EXPECT_EQ(g_nZoomStep, 1);
}

TEST_F(MainWindow, InterlaceRefusesFixedSizesAndWheelGivesNatural) {
    Create();
    Key(VK_F4);  // interlace, 100 %
    ASSERT_EQ(g_nDisplayMode, 7);
    for (int command : {IDM_SIZE_50, IDM_SIZE_75, IDM_SIZE_200}) {
        Command(command);
        EXPECT_EQ(g_nZoomStep, 12) << command;
        EXPECT_EQ(g_nZoomItem, kZoomItem100) << command;
        EXPECT_TRUE(Checked(IDM_SIZE_100)) << command;
    }
    g_nZoomStep = 20;
    SendMessageA(ghApp, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    EXPECT_EQ(g_nZoomStep, 12);
    g_nZoomStep = 20;
    Command(IDM_SIZE_100);
    EXPECT_EQ(g_nZoomStep, 12);
}

TEST_F(MainWindow, WheelZoomsAndKeepsTheSizeMarks) {
    Create();
    SendMessageA(ghApp, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);  // away from the user
    EXPECT_EQ(g_nZoomStep, 13);
    SendMessageA(ghApp, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    SendMessageA(ghApp, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    EXPECT_EQ(g_nZoomStep, 11);
    SendMessageA(ghApp, WM_MOUSEWHEEL, MAKEWPARAM(0, 1000), 0);
    EXPECT_EQ(g_nZoomStep, 11);
    EXPECT_TRUE(Checked(IDM_SIZE_100));
    EXPECT_EQ(g_nZoomItem, kZoomItem100);
}

// ------------------------------------------------------------ keys, repeat

TEST_F(MainWindow, RepeatKeyTogglesAndStores) {
    Create();
    Key('R');
    EXPECT_EQ(StoredSetting("nRepeat"), "1");
    EXPECT_TRUE(Checked(IDM_REPEAT));
    Key('R');
    EXPECT_EQ(StoredSetting("nRepeat"), "0");
    EXPECT_FALSE(Checked(IDM_REPEAT));
}

TEST_F(MainWindow, AcceleratorTableCommands) {
    Create();
    // Keys whose commands have no grayed menu item and do nothing visible
    // with no movie open (a grayed item swallows its key).
    const struct {
        WPARAM key;
        std::vector<int> modifiers;
        int command;
    } keys[] = {
        {'2', {}, 3312},     {'5', {}, 3315},     {'9', {}, 3319},  {VK_ESCAPE, {}, 3307},
        {'Q', {}, 3307},     {VK_F2, {}, 3305},   {VK_F3, {}, 3306}, {'X', {}, 3050},
        {VK_RETURN, {VK_CONTROL}, 3058}, {VK_RETURN, {VK_SHIFT}, 3056}, {'F', {}, 3056},
        {'D', {}, 3059},     {'D', {VK_CONTROL}, 3060}, {VK_RETURN, {VK_CONTROL, VK_MENU}, 3060},
    };
    for (const auto& k : keys) {
        g_commands.clear();
        Key(k.key, k.modifiers);
        ASSERT_FALSE(g_commands.empty()) << k.command;
        EXPECT_EQ(g_commands.front(), k.command);
    }
    // X toggled the swap once; with nothing open no full screen started.
    EXPECT_EQ(g_bSwap, 1);
    EXPECT_TRUE(Checked(IDM_SWAP));
    EXPECT_EQ(g_bOwnFullScreen, 0);
    EXPECT_EQ(g_bDsFullScreen, 0);
    EXPECT_EQ(g_nDualMonitor, 0);
}

TEST_F(MainWindow, EnterFollowsTheEngineDigit) {
    Create();
    g_Settings.nFullscreen = 120;  // ones digit 0: the platform's full-screen mode
    g_commands.clear();
    Key(VK_RETURN);
    EXPECT_EQ(g_commands, (std::vector<int>{IDM_FULLSCREEN, IDM_PLATFORM_FULLSCREEN}));

    g_Settings.nFullscreen = 1;  // the program's own window
    g_commands.clear();
    Key(VK_RETURN);
    EXPECT_EQ(g_commands, (std::vector<int>{IDM_FULLSCREEN, IDM_OWN_FULLSCREEN}));
    EXPECT_EQ(g_bOwnFullScreen, 0);
}

// ------------------------------------------------- own full-screen routing

struct Routed {
    int command;
    UINT message;
    WPARAM key;
    int noResume;
};

TEST_F(MainWindow, CommandsBecomeKeysWhileOwnFullScreenShows) {
    Create();
    FakeOwnFullScreen();
    const Routed routed[] = {
        {3000, WM_KEYUP, VK_ESCAPE, 1}, {3014, WM_KEYUP, VK_ESCAPE, 1}, {3015, WM_KEYUP, VK_ESCAPE, 1},
        {3023, WM_KEYUP, VK_ESCAPE, 1}, {3307, WM_KEYUP, VK_ESCAPE, 1}, {2122, WM_KEYUP, VK_ESCAPE, 1},
        {3004, WM_KEYUP, VK_ESCAPE, 0}, {3056, WM_KEYUP, VK_ESCAPE, 0}, {3058, WM_KEYUP, VK_ESCAPE, 0},
        {3001, WM_KEYUP, VK_F2, 0},     {3002, WM_KEYUP, VK_F2, 0},     {3305, WM_KEYUP, VK_F2, 0},
        {3011, WM_KEYUP, VK_F3, 0},     {3012, WM_KEYUP, VK_F3, 0},     {3306, WM_KEYUP, VK_F3, 0},
        {3050, WM_KEYUP, 'X', 0},       {3022, WM_KEYDOWN, VK_SPACE, 0}, {3317, WM_KEYDOWN, VK_SPACE, 0},
    };
    for (const Routed& r : routed) {
        SCOPED_TRACE(r.command);
        g_fullScreenGot.clear();
        g_bNoResume = 0;
        g_nSourceKind = SourceKind::CameraPair;
        Command(r.command);
        ASSERT_EQ(g_fullScreenGot.size(), 1u);
        EXPECT_EQ(g_fullScreenGot[0].message, r.message);
        EXPECT_EQ(g_fullScreenGot[0].key, r.key);
        EXPECT_EQ(g_bNoResume, r.noResume);
    }
    // Open, close, exit and history items mean a movie file again.
    g_nSourceKind = SourceKind::CameraPair;
    Command(3014);
    EXPECT_EQ(g_nSourceKind, SourceKind::MovieFile);
    // The window stays where it is.
    EXPECT_TRUE(IsWindow(window_));
    EXPECT_FALSE(g_bSwap);
}

TEST_F(MainWindow, OwnFullScreenIgnoresOtherCommandsButNotRepeat) {
    Create();
    FakeOwnFullScreen();
    Key(VK_F6);  // display formats wait for the window to close
    Key(VK_F4);
    Command(IDM_LAYOUT_INTERLACED);
    Command(IDM_SIZE_200);
    SendMessageA(ghApp, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    EXPECT_TRUE(g_fullScreenGot.empty());
    EXPECT_EQ(g_nDisplayMode, 2);
    EXPECT_EQ(g_nInputLayout, 0);
    EXPECT_EQ(g_nZoomStep, 12);

    Key('R');
    EXPECT_EQ(StoredSetting("nRepeat"), "1");
    EXPECT_TRUE(g_fullScreenGot.empty());

    // Dual full screen picks its side even now, then closes the window.
    Key('D', {VK_CONTROL});
    EXPECT_EQ(g_nDualMonitor, 2);
    ASSERT_EQ(g_fullScreenGot.size(), 1u);
    EXPECT_EQ(g_fullScreenGot[0].message, static_cast<UINT>(WM_KEYUP));
    EXPECT_EQ(g_fullScreenGot[0].key, static_cast<WPARAM>(VK_ESCAPE));
    g_nDualMonitor = 0;
}

TEST_F(MainWindow, KeysClicksAndCloseGoToOwnFullScreen) {
    Create();
    FakeOwnFullScreen();
    SendMessageA(ghApp, WM_KEYDOWN, VK_F5, 0);
    SendMessageA(ghApp, WM_KEYUP, VK_F5, 0);
    SendMessageA(ghApp, WM_LBUTTONDOWN, 0, MAKELPARAM(10, 100));
    SendMessageA(ghApp, WM_RBUTTONDOWN, 0, MAKELPARAM(10, 100));
    ASSERT_EQ(g_fullScreenGot.size(), 4u);
    EXPECT_EQ(g_fullScreenGot[0].message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(g_fullScreenGot[0].key, static_cast<WPARAM>(VK_F5));
    EXPECT_EQ(g_fullScreenGot[1].message, static_cast<UINT>(WM_KEYUP));
    EXPECT_EQ(g_fullScreenGot[2].message, static_cast<UINT>(WM_LBUTTONDOWN));
    EXPECT_EQ(g_fullScreenGot[3].message, static_cast<UINT>(WM_RBUTTONDOWN));

    // Closing the main window closes only the full-screen window, for good.
    g_fullScreenGot.clear();
    SendMessageA(ghApp, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(window_));
    EXPECT_EQ(g_bNoResume, 1);
    ASSERT_EQ(g_fullScreenGot.size(), 1u);
    EXPECT_EQ(g_fullScreenGot[0].message, static_cast<UINT>(WM_CLOSE));
}

// ------------------------------------------------------------------ drops

TEST_F(MainWindow, DropTakesTheFirstFile) {
    Create();
    SendMessageA(ghApp, WM_DROPFILES,
                 reinterpret_cast<WPARAM>(MakeDrop({"C:\\movies\\first.avi", "C:\\movies\\second.avi"})), 0);
    EXPECT_STREQ(g_szCurrentFile, "C:\\movies\\first.avi");
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, ghApp, WM_COMMAND, WM_COMMAND, PM_REMOVE));
    EXPECT_EQ(LOWORD(msg.wParam), IDM_OPEN_SHELL);
    EXPECT_FALSE(PeekMessageA(&msg, ghApp, WM_COMMAND, WM_COMMAND, PM_REMOVE));
}

TEST_F(MainWindow, OverLongDropIsRefusedWhole) {
    Create();
    std::strcpy(g_szCurrentFile, "C:\\movies\\kept.avi");
    const std::string longPath = "C:\\" + std::string(296, 'a') + ".avi";  // 303 bytes
    SendMessageA(ghApp, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({longPath, "C:\\short.avi"})), 0);
    EXPECT_STREQ(g_szCurrentFile, "C:\\movies\\kept.avi");
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, ghApp, WM_COMMAND, WM_COMMAND, PM_REMOVE));
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_NE(g_boxes[0].text.find("303 bytes"), std::string::npos) << g_boxes[0].text;

    // 259 bytes still fit.
    const std::string longest = "C:\\" + std::string(252, 'b') + ".avi";
    ASSERT_EQ(longest.size(), 259u);
    SendMessageA(ghApp, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({longest})), 0);
    EXPECT_EQ(std::string(g_szCurrentFile), longest);
    EXPECT_TRUE(PeekMessageA(&msg, ghApp, WM_COMMAND, WM_COMMAND, PM_REMOVE));
}

// ---------------------------------------------------------- file history

int CountItems(HMENU menu, int first, int last) {
    int n = 0;
    for (int id = first; id <= last; ++id)
        if (GetMenuState(menu, id, MF_BYCOMMAND) != static_cast<UINT>(-1)) ++n;
    return n;
}

std::string ItemText(int id) {
    char text[300] = {};
    GetMenuStringA(g_hMenu, id, text, sizeof text, MF_BYCOMMAND);
    return text;
}

TEST_F(MainWindow, HistoryItemsAppearWhenTheMenuOpens) {
    PutSetting("FileHistory0", "C:\\movies\\new.avi");
    PutSetting("FileHistory1", "C:\\movies\\old.avi");
    PutSetting("FileTypeHistory", "2,105,0,0,0,");
    Create();
    EXPECT_EQ(CountItems(g_hMenu, 2120, 2124), 0);
    SendMessageA(ghApp, WM_INITMENU, reinterpret_cast<WPARAM>(g_hMenu), 0);
    EXPECT_EQ(CountItems(g_hMenu, 2120, 2124), 2);
    EXPECT_EQ(ItemText(2120), "C:\\movies\\new.avi");
    EXPECT_EQ(ItemText(2121), "C:\\movies\\old.avi");
    EXPECT_FALSE(Grayed(IDM_CLEAR_HISTORY));

    // Placed before "ファイル履歴の削除", in order, and not doubled on reopening.
    HMENU file = GetSubMenu(g_hMenu, 0);
    const int count = GetMenuItemCount(file);
    SendMessageA(ghApp, WM_INITMENU, reinterpret_cast<WPARAM>(g_hMenu), 0);
    EXPECT_EQ(GetMenuItemCount(file), count);
    int at2120 = -1, at2121 = -1, atClear = -1;
    for (int i = 0; i < count; ++i) {
        const UINT id = GetMenuItemID(file, i);
        if (id == 2120) at2120 = i;
        if (id == 2121) at2121 = i;
        if (id == IDM_CLEAR_HISTORY) atClear = i;
    }
    EXPECT_EQ(at2121, at2120 + 1);
    EXPECT_EQ(atClear, at2121 + 1);

    // Declined: everything stays.
    g_boxAnswer = IDNO;
    Command(IDM_CLEAR_HISTORY);
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].text, SystemCodePageText("最近使ったファイルリストを削除してもいいですか？"));
    EXPECT_EQ(g_boxes[0].caption, SystemCodePageText("実行注意"));
    EXPECT_EQ(g_boxes[0].type & (MB_YESNO | MB_ICONEXCLAMATION), static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION));
    EXPECT_EQ(StoredSetting("FileHistory0"), "C:\\movies\\new.avi");
    EXPECT_EQ(CountItems(g_hMenu, 2120, 2124), 2);

    // Confirmed: the items go and the registry is emptied.
    g_boxAnswer = IDYES;
    Command(IDM_CLEAR_HISTORY);
    EXPECT_EQ(CountItems(g_hMenu, 2120, 2124), 0);
    EXPECT_EQ(StoredSetting("FileHistory0"), "");
    EXPECT_EQ(StoredSetting("FileTypeHistory"), "0,0,0,0,0,");
    SendMessageA(ghApp, WM_INITMENU, reinterpret_cast<WPARAM>(g_hMenu), 0);
    EXPECT_TRUE(Grayed(IDM_CLEAR_HISTORY));
}

TEST_F(MainWindow, MenuSelectRechecksFormatAndLayout) {
    Create();
    g_nDisplayMode = 12;
    g_nInputLayout = 4;
    SendMessageA(ghApp, WM_MENUSELECT, MAKEWPARAM(0, MF_POPUP), reinterpret_cast<LPARAM>(g_hMenu));
    EXPECT_TRUE(Checked(IDM_DISPLAY_MIRROR_RIGHT));
    EXPECT_FALSE(Checked(IDM_DISPLAY_ANAGLYPH_RED_CYAN));
    EXPECT_TRUE(Checked(IDM_LAYOUT_INTERLACED));
    EXPECT_FALSE(Checked(IDM_LAYOUT_SIDE_BY_SIDE_FULL));
}

// ------------------------------------------------------------------- help

TEST_F(MainWindow, MissingHelpFileIsReported) {
    Create();
    std::strcpy(g_szHelpFile, "C:\\nowhere\\duoscp.chm");
    Key(VK_F1);
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].text, SystemCodePageText("ヘルプファイルが表示できません"));
    EXPECT_EQ(g_boxes[0].caption, "C:\\nowhere\\duoscp.chm");
    EXPECT_EQ(g_boxes[0].owner, ghApp);
    EXPECT_TRUE(g_boxes[0].type & MB_ICONEXCLAMATION);
}

// ---------------------------------------------------------- the open dialog

// Menu items that need a movie.
const int kPlaybackItems[] = {IDM_PLAY, IDM_STOP, IDM_MUTE, IDM_FRAME_STEP, IDM_SIZE_50, IDM_RATE_NORMAL};

std::string FolderShown(HWND openDialog) {
    char folder[MAX_PATH] = {};
    SendMessageA(openDialog, CDM_GETFOLDERPATH, sizeof folder, reinterpret_cast<LPARAM>(folder));
    return folder;
}

TEST_F(MainWindow, OpenDialogCancelledOpensNothing) {
    PutSetting("OpenFolder", DUOSCOPE_TEST_MEDIA_DIR);
    PutSetting("FileHistory0", "C:\\movies\\old.avi");
    Create();
    // A path left behind is not reopened: the open command asks.
    std::strcpy(g_szCurrentFile, "C:\\movies\\left.avi");
    HWND owner = nullptr;
    bool appEnabled = true;
    std::string folder, title;
    ModalScript script({[&](HWND d) {
        owner = GetWindow(d, GW_OWNER);
        appEnabled = IsWindowEnabled(ghApp);
        folder = FolderShown(d);
        title = WindowText(d);
        PostButton(d, IDCANCEL);
    }});
    // As the toolbar's button sends it.
    script.Run([] { SendMessageA(ghApp, WM_COMMAND, IDM_OPEN, reinterpret_cast<LPARAM>(g_hToolbar)); });
    EXPECT_EQ(owner, ghApp);
    EXPECT_FALSE(appEnabled);
    EXPECT_EQ(title, SystemCodePageText("ステレオムービーを開く"));
    EXPECT_EQ(folder + "\\", DUOSCOPE_TEST_MEDIA_DIR);

    EXPECT_EQ(Title(), "Duoscope");
    EXPECT_EQ(g_nPlayState, PlayState::Init);
    EXPECT_STREQ(g_szCurrentFile, "");
    for (int id : kPlaybackItems) EXPECT_TRUE(Grayed(id)) << id;
    EXPECT_EQ(StoredSetting("FileHistory0"), "C:\\movies\\old.avi");
    EXPECT_EQ(g_Settings.history[0].path, "C:\\movies\\old.avi");
    EXPECT_EQ(g_Settings.szOpenFolder, DUOSCOPE_TEST_MEDIA_DIR);
    EXPECT_TRUE(IsWindowEnabled(ghApp));
    for (const Box& b : g_boxes) ADD_FAILURE() << "box: " << b.text;
}

TEST_F(MainWindow, OpenDialogOpensTheFileTyped) {
    Create();
    ModalScript script({[](HWND d) {
        HWND box = FileNameBox(d);
        ASSERT_NE(box, nullptr);
        SetWindowTextA(box, DUOSCOPE_TEST_MOVIE_RGB24_AVI);
        PostButton(d, IDOK);
    }});
    script.Run([] { Command(IDM_OPEN); });
    EXPECT_EQ(g_nPlayState, PlayState::Running);
    EXPECT_STREQ(g_szCurrentFile, DUOSCOPE_TEST_MOVIE_RGB24_AVI);
    EXPECT_EQ(Title().rfind("sbs_rgb24_320x240.avi", 0), 0u) << Title();
    EXPECT_EQ(StoredSetting("FileHistory0"), DUOSCOPE_TEST_MOVIE_RGB24_AVI);
    EXPECT_EQ(g_Settings.szOpenFolder, DUOSCOPE_TEST_MEDIA_DIR);
    for (int id : kPlaybackItems) EXPECT_FALSE(Grayed(id)) << id;
    for (const Box& b : g_boxes) ADD_FAILURE() << "box: " << b.text;

    // Asked again, the dialog offers the same file in its folder; the movie
    // playing is closed first.
    std::string offered, folder;
    ModalScript again({[&](HWND d) {
        offered = WindowText(FileNameBox(d));
        folder = FolderShown(d);
        PostButton(d, IDCANCEL);
    }});
    again.Run([] { Command(IDM_OPEN); });
    EXPECT_NE(offered.find("sbs_rgb24_320x240.avi"), std::string::npos) << offered;
    EXPECT_EQ(folder + "\\", DUOSCOPE_TEST_MEDIA_DIR);
    EXPECT_EQ(g_nPlayState, PlayState::Init);
    EXPECT_EQ(Title(), "Duoscope");
    EXPECT_TRUE(Grayed(IDM_PLAY));

    // The folder is stored when the window closes.
    SendMessageA(ghApp, WM_CLOSE, 0, 0);
    EXPECT_EQ(StoredSetting("OpenFolder"), DUOSCOPE_TEST_MEDIA_DIR);
}

// The dialog itself refuses a name that is not there, and stays; the player
// hears of nothing.
TEST_F(MainWindow, OpenDialogRefusesAMissingFile) {
    Create();
    const std::string missing = DUOSCOPE_TEST_MEDIA_DIR "no_such_movie.avi";
    HWND open = nullptr;
    bool stillOpen = false;
    ModalScript script({
        [&](HWND d) {
            open = d;
            SetWindowTextA(FileNameBox(d), missing.c_str());
            PostButton(d, IDOK);
        },
        [&](HWND d) {
            // The dialog's own message box.
            EXPECT_NE(d, open);
            PostMessageA(d, WM_COMMAND, IDOK, 0);
        },
        [&](HWND d) {
            stillOpen = d == open && IsWindowVisible(open);
            PostButton(d, IDCANCEL);
        },
    });
    script.Run([] { Command(IDM_OPEN); });
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(g_nPlayState, PlayState::Init);
    EXPECT_STREQ(g_szCurrentFile, "");
    EXPECT_EQ(Title(), "Duoscope");
    EXPECT_EQ(StoredSetting("FileHistory0"), "<absent>");
    for (const Box& b : g_boxes) ADD_FAILURE() << "box: " << b.text;
}

// ------------------------------------------------------ with a real movie

TEST_F(MainWindow, ShellOpenTakesTheShellSettingsAndPlays) {
    PutSetting("nStereoCom", "5");
    PutSetting("nDispCom", "0");
    Create();
    ASSERT_TRUE(OpenMovie(DUOSCOPE_TEST_MOVIE_RGB24_AVI)) << "no open";
    EXPECT_EQ(g_nDisplayMode, 5);
    EXPECT_EQ(StoredSetting("nStereo"), "5");
    EXPECT_EQ(StoredSetting("FileHistory0"), DUOSCOPE_TEST_MOVIE_RGB24_AVI);
    EXPECT_EQ(g_bTimerOn, 1);
    EXPECT_NE(Title().find("sbs_rgb24_320x240.avi"), std::string::npos) << Title();
    EXPECT_FALSE(Grayed(IDM_PLAY));
    for (const Box& b : g_boxes) ADD_FAILURE() << "box: " << b.text;
}

TEST_F(MainWindow, DroppedMovieOpensAndEndsPaused) {
    Create();
    SendMessageA(ghApp, WM_DROPFILES,
                 reinterpret_cast<WPARAM>(MakeDrop({DUOSCOPE_TEST_MOVIE_YUY2_AVI, DUOSCOPE_TEST_MOVIE_RGB24_AVI})), 0);
    // The graph's end arrives as WM_GRAPHNOTIFY: without repeat it pauses.
    ASSERT_TRUE(PumpUntil([] { return g_bAtEnd != 0; }, 15000));
    EXPECT_EQ(g_nPlayState, PlayState::Paused);
    EXPECT_NE(Title().find("sbs_yuy2_320x240.avi"), std::string::npos) << Title();
    for (const Box& b : g_boxes) ADD_FAILURE() << "box: " << b.text;
}

TEST_F(MainWindow, F6LeavesThePlatformFullScreen) {
    Create();
    ASSERT_TRUE(OpenMovie(DUOSCOPE_TEST_MOVIE_RGB24_AVI));
    Key(VK_F4);  // interlace first, so F6 is a change
    Key(VK_RETURN, {VK_CONTROL});
    ASSERT_EQ(g_bDsFullScreen, 1);
    Key(VK_F6);
    EXPECT_EQ(g_nDisplayMode, 2);
    EXPECT_EQ(g_bDsFullScreen, 0);
    for (const Box& b : g_boxes) ADD_FAILURE() << "box: " << b.text;
}

TEST_F(MainWindow, ClicksPauseResumeAndRestart) {
    Create();
    ASSERT_TRUE(OpenMovie(DUOSCOPE_TEST_MOVIE_RGB24_AVI));
    ASSERT_EQ(g_nPlayState, PlayState::Running);
    SendMessageA(ghApp, WM_LBUTTONDOWN, 0, MAKELPARAM(50, 100));
    EXPECT_EQ(g_nPlayState, PlayState::Paused);
    EXPECT_NE(Title().find("(Pause)"), std::string::npos) << Title();
    // A press in a child window counts only below the toolbar band.
    SendMessageA(ghApp, WM_PARENTNOTIFY, WM_LBUTTONDOWN, MAKELPARAM(50, 30));
    EXPECT_EQ(g_nPlayState, PlayState::Paused);
    SendMessageA(ghApp, WM_PARENTNOTIFY, WM_LBUTTONDOWN, MAKELPARAM(50, 31));
    EXPECT_EQ(g_nPlayState, PlayState::Running);
    EXPECT_EQ(Title().find("(Pause)"), std::string::npos) << Title();
    SendMessageA(ghApp, WM_RBUTTONDOWN, 0, MAKELPARAM(50, 100));
    EXPECT_EQ(g_nPlayState, PlayState::Paused);
    // Right again: from the start.
    SendMessageA(ghApp, WM_RBUTTONDOWN, 0, MAKELPARAM(50, 100));
    EXPECT_EQ(g_nPlayState, PlayState::Running);
    LONGLONG now = -1;
    g_PlaybackGraph.pMS->GetCurrentPosition(&now);
    EXPECT_LT(now, 5000000);  // well before the end of the 1 s movie
}

TEST_F(MainWindow, HistoryItemOpensWithItsOwnStereoSettings) {
    PutSetting("FileHistory0", DUOSCOPE_TEST_MOVIE_RGB24_AVI);
    PutSetting("FileTypeHistory", "10105,");  // layout 5, side by side, RGB, no full screen
    PutSetting("nAutostart", "0");
    Create();
    g_nSourceKind = SourceKind::CameraPair;
    Command(IDM_HISTORY_FIRST);
    EXPECT_EQ(g_nSourceKind, SourceKind::MovieFile);
    EXPECT_EQ(g_nInputLayout, 5);
    EXPECT_EQ(g_nDisplayMode, 1);
    EXPECT_EQ(g_bRgbMode, 1);
    EXPECT_EQ(g_nPlayState, PlayState::Paused);  // no autostart
    EXPECT_EQ(g_bTimerOn, 1);
    EXPECT_TRUE(Checked(IDM_DISPLAY_SIDE_BY_SIDE));
    // For this open only: nothing is stored.
    EXPECT_EQ(StoredSetting("nStereo"), "<absent>");
    EXPECT_EQ(StoredSetting("FileTypeHistory"), "10105,");
    for (const Box& b : g_boxes) ADD_FAILURE() << "box: " << b.text;
}

TEST_F(MainWindow, StepKeysMoveThatManyFrames) {
    Create();
    ASSERT_TRUE(OpenMovie(DUOSCOPE_TEST_MOVIE_RGB24_AVI));
    Key('S');
    ASSERT_EQ(g_nPlayState, PlayState::Paused);
    // From the first frame, so that every step stays inside the movie.
    LONGLONG zero = 0;
    ASSERT_TRUE(SUCCEEDED(g_PlaybackGraph.pMS->SetPositions(&zero, AM_SEEKING_AbsolutePositioning, nullptr,
                                                            AM_SEEKING_NoPositioning)));
    auto position = [] {
        LONGLONG now = 0;
        g_PlaybackGraph.pMS->GetCurrentPosition(&now);
        return now;
    };
    // 10 frames per second: a frame is 0.1 s, in 100 ns units.
    const struct {
        WPARAM key;
        int frames;
    } steps[] = {{'1', 1}, {VK_SPACE, 1}, {'3', 3}};
    for (const auto& s : steps) {
        const LONGLONG start = position();
        Key(s.key);
        PumpUntil([&] { return position() != start; }, 3000);
        EXPECT_NEAR(static_cast<double>(position() - start), s.frames * 1000000.0, 1.0) << s.frames;
        EXPECT_EQ(g_nPlayState, PlayState::Paused);
    }
}

// Closes the program's full-screen window once it shows: Escape first; a
// window that stays gets the close message.
int g_closeTicks = 0;
bool g_closeThroughMainWindow = false;
void CALLBACK CloseFullScreenSoon(HWND, UINT, UINT_PTR, DWORD) {
    if (!g_bOwnFullScreen || !g_hFullScreenWnd) return;
    ++g_closeTicks;
    if (g_closeThroughMainWindow)
        SendMessageA(ghApp, WM_CLOSE, 0, 0);
    else if (g_closeTicks == 1)
        PostMessageA(g_hFullScreenWnd, WM_KEYUP, VK_ESCAPE, 0);
    else if (g_closeTicks > 20)
        PostMessageA(g_hFullScreenWnd, WM_CLOSE, 0, 0);
}

TEST_F(MainWindow, OwnFullScreenHandsOverAndReopens) {
    Create();
    ASSERT_TRUE(OpenMovie(DUOSCOPE_TEST_MOVIE_RGB24_AVI));
    Key('S');
    ASSERT_EQ(g_nPlayState, PlayState::Paused);
    // The 3D LCD mode comes back as side by side, so that the reopen does not
    // start the full-screen window again.
    g_nDisplayMode = 8;
    g_closeTicks = 0;
    g_closeThroughMainWindow = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 300, CloseFullScreenSoon);
    Key('F');
    KillTimer(nullptr, timer);
    EXPECT_GE(g_closeTicks, 1) << "the full-screen window never showed";
    EXPECT_EQ(g_nDisplayMode, 1);
    EXPECT_EQ(g_bOwnFullScreen, 0);
    EXPECT_EQ(g_bNoResume, 0);
    EXPECT_STREQ(g_szCurrentFile, DUOSCOPE_TEST_MOVIE_RGB24_AVI);
    EXPECT_EQ(g_nPlayState, PlayState::Paused);  // it was paused before
    EXPECT_EQ(g_bTimerOn, 1);
    for (const Box& b : g_boxes) ADD_FAILURE() << "box: " << b.text;
}

TEST_F(MainWindow, ClosingDuringOwnFullScreenDoesNotReopen) {
    Create();
    ASSERT_TRUE(OpenMovie(DUOSCOPE_TEST_MOVIE_RGB24_AVI));
    g_closeTicks = 0;
    g_closeThroughMainWindow = true;
    const UINT_PTR timer = SetTimer(nullptr, 0, 300, CloseFullScreenSoon);
    Key('F');
    KillTimer(nullptr, timer);
    EXPECT_GE(g_closeTicks, 1) << "the full-screen window never showed";
    EXPECT_TRUE(IsWindow(window_));
    EXPECT_EQ(g_nPlayState, PlayState::Init);
    EXPECT_EQ(g_szCurrentFile[0], '\0');
    EXPECT_EQ(Title(), "Duoscope");
    EXPECT_EQ(g_bNoResume, 0);
}

}  // namespace
