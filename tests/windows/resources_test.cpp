// The program's resources as Windows loads them from this executable, which
// links them: menus, keys, strings, dialog templates and pictures. Texts are
// compared in UTF-16 against the labels the user must see.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "resources/resource.h"

namespace {

HINSTANCE Module() { return GetModuleHandleW(nullptr); }

// For readable failure messages.
std::string Utf8(const std::wstring& s) {
    if (s.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.data(), int(s.size()), &out[0], n, nullptr, nullptr);
    return out;
}

// ---------------------------------------------------------------------------
// Menus

enum Kind { kItem, kPopup, kRule };

// One line of a menu walked depth first: a popup's items follow it one level
// deeper.
struct MenuLine {
    int depth;
    Kind kind;
    UINT id;  // items only
    std::wstring text;
    bool checked;
};

void Flatten(HMENU menu, int depth, std::vector<MenuLine>& out) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU;
        ASSERT_TRUE(GetMenuItemInfoW(menu, UINT(i), TRUE, &info));
        wchar_t text[256] = {};
        GetMenuStringW(menu, UINT(i), text, 256, MF_BYPOSITION);
        MenuLine line{depth, kItem, 0, text, (info.fState & MFS_CHECKED) != 0};
        if (info.fType & MFT_SEPARATOR) {
            line.kind = kRule;
        } else if (info.hSubMenu) {
            line.kind = kPopup;
        } else {
            line.id = info.wID;
        }
        out.push_back(line);
        if (info.hSubMenu) Flatten(info.hSubMenu, depth + 1, out);
    }
}

std::string Describe(const MenuLine& m) {
    const char* kind = m.kind == kItem ? "item" : m.kind == kPopup ? "popup" : "rule";
    return std::string(size_t(2 * m.depth), ' ') + kind + " " + std::to_string(m.id) + " \"" + Utf8(m.text) +
           "\"" + (m.checked ? " checked" : "");
}

void ExpectMenu(const wchar_t* name, const std::vector<MenuLine>& expected) {
    SCOPED_TRACE(Utf8(name));
    HMENU menu = LoadMenuW(Module(), name);
    ASSERT_NE(menu, nullptr) << GetLastError();
    std::vector<MenuLine> actual;
    Flatten(menu, 0, actual);
    DestroyMenu(menu);
    for (size_t i = 0; i < std::max(actual.size(), expected.size()); ++i) {
        std::string want = i < expected.size() ? Describe(expected[i]) : "(nothing)";
        std::string got = i < actual.size() ? Describe(actual[i]) : "(nothing)";
        EXPECT_EQ(got, want) << "at line " << i;
    }
}

MenuLine Popup(int depth, const wchar_t* text) { return {depth, kPopup, 0, text, false}; }
MenuLine Item(int depth, UINT id, const wchar_t* text, bool checked = false) {
    return {depth, kItem, id, text, checked};
}
MenuLine Rule(int depth) { return {depth, kRule, 0, L"", false}; }

TEST(Resources, MainMenuHasEveryItemWithItsLabelKeyAndId) {
    ExpectMenu(L"PLAYAVI", {
        Popup(0, L"ファイル(&F)"),
        Item(1, 3014, L"開く(&O)\tO"),
        Popup(1, L"ステレオウェブカメラ"),
        Item(2, 2126, L"ステレオウェブカメラ"),
        Item(2, 2128, L"ウェブカメラ画像の保存"),
        Item(2, 2127, L"ステレオウェブカメラの設定..."),
        Item(1, 3015, L"閉じる(&C)"),
        Rule(1),
        Item(1, 2049, L"表示設定..."),
        Item(1, 2173, L"設定..."),
        Rule(1),
        Item(1, 2119, L"ファイル履歴の削除"),
        Rule(1),
        Item(1, 3000, L"終了(&X)"),

        Popup(0, L"入力形式(&I)"),
        Item(1, 3100, L"横分割(100%)", true),
        Item(1, 3105, L"横分割(50%)"),
        Rule(1),
        Item(1, 3104, L"インターレース"),
        Rule(1),
        Item(1, 3101, L"縦分割(100%)"),
        Item(1, 3102, L"縦分割(50%)"),
        Item(1, 3103, L"縦分割(47.5%)"),

        Popup(0, L"表示ステレオ形式(&T)"),
        Item(1, 3024, L"元映像\tF5"),
        Item(1, 3034, L"片側画像\tF11"),
        Rule(1),
        Item(1, 3025, L"横並び\tF9"),
        Item(1, 3035, L"鏡像(左)\tShift+F9"),
        Item(1, 3036, L"鏡像(右)\tCtrl+F9"),
        Item(1, 3037, L"鏡像(左右)\tCtrl+Shift+F9"),
        Rule(1),
        Item(1, 3026, L"アナグリフ(赤-シアン)\tF6", true),
        Item(1, 3027, L"アナグリフ(赤-緑)"),
        Item(1, 3028, L"アナグリフ(赤-青)"),
        Rule(1),
        Item(1, 3029, L"アナグリフ(カラー)\tF7"),
        Item(1, 3030, L"アナグリフ(カラー赤補正)"),
        Rule(1),
        Item(1, 3031, L"インターレース\tF4"),
        Item(1, 3032, L"シャープ3D LCD モード\tShift+F4"),
        Rule(1),
        Item(1, 3033, L"液晶シャッターモード\tF8"),
        Item(1, 3303, L"液晶シャッター設定..."),

        Popup(0, L"操作(&C)"),
        Item(1, 3002, L"再生(&P)\tP"),
        Item(1, 3001, L"停止(&S)\tS"),
        Item(1, 3003, L"消音(&M)\tM"),
        Rule(1),
        Item(1, 3051, L"繰り返し再生\tR"),
        Rule(1),
        Item(1, 3022, L"コマ送り\tSpace"),
        Rule(1),
        Popup(1, L"表示サイズ"),
        Item(2, 3005, L"５０％サイズ\tI"),
        Item(2, 3006, L"７５％サイズ\tT"),
        Item(2, 3007, L"実サイズ(100%)\tJ", true),
        Item(2, 3008, L"２００％サイズ\tW"),
        Item(2, 3010, L"カスタムサイズ\tC"),
        Item(2, 3053, L"ズームイン\tPageUp"),
        Item(2, 3054, L"ズームアウト\tPageDown"),
        Popup(1, L"スピード(&R)"),
        Item(2, 3017, L"スピードアップ\t→"),
        Item(2, 3018, L"スローダウン\t←"),
        Rule(2),
        Item(2, 3019, L"実スピード\t↓"),
        Item(2, 3021, L"半速"),
        Item(2, 3020, L"倍速"),
        Rule(1),
        Popup(1, L"フルスクリーン"),
        Item(2, 3004, L"フルスクリーン\t<Enter> or F "),
        Item(2, 3059, L"デュアルフルスクリーン(左基準)\t<Alt+Enter> or D "),
        Item(2, 3060, L"デュアルフルスクリーン(右基準)\t<Ctrl+Alt+Enter> or Ctrl+D "),
        Rule(1),
        Item(1, 3050, L"左右交換\tX"),

        Popup(0, L"ヘルプ(&H)"),
        Item(1, 3304, L"ヘルプ(&H)...\tF1 or H"),
        Item(1, 2125, L"ホームページ上にあるヘルプ"),
        Item(1, 3016, L"バージョン情報(&A)..."),
    });
}

TEST(Resources, ToolbarDropdownMenusHoldOnePopupEach) {
    ExpectMenu(L"ZOOM", {
        Popup(0, L"Zoom"),
        Item(1, 3005, L"５０％サイズ\tH"),
        Item(1, 3006, L"７５％サイズ\tT"),
        Item(1, 3007, L"実サイズ(100%)\tJ"),
        Item(1, 3008, L"２００％サイズ\tW"),
        Item(1, 3010, L"カスタムサイズ\tC"),
    });
    // The key text of 3037 here is "Alt+F9", unlike the main menu.
    ExpectMenu(L"MIRROR", {
        Popup(0, L"Mirror"),
        Item(1, 3025, L"横並び\tF9"),
        Item(1, 3035, L"鏡像(左)\tShift+F9"),
        Item(1, 3036, L"鏡像(右)\tCtrl+F9"),
        Item(1, 3037, L"鏡像(左右)\tAlt+F9"),
    });
    ExpectMenu(L"GANA", {
        Popup(0, L"Gray Anaglyph"),
        Item(1, 3026, L"アナグリフ(赤-シアン)\tF6"),
        Item(1, 3027, L"アナグリフ(赤-緑)"),
        Item(1, 3028, L"アナグリフ(赤-青)"),
    });
    ExpectMenu(L"CANA", {
        Popup(0, L"Color Anaglyph"),
        Item(1, 3029, L"アナグリフ(カラー)\tF7"),
        Item(1, 3030, L"アナグリフ(カラー赤補正)"),
    });
}

// ---------------------------------------------------------------------------
// Keys

TEST(Resources, AcceleratorTableBindsEveryKeyToItsCommand) {
    using Key = std::tuple<BYTE, WORD, WORD>;  // modifiers, virtual key, command
    const BYTE S = FSHIFT, C = FCONTROL, A = FALT;
    std::vector<Key> expected = {
        {0, '1', 3022}, {0, 'C', 3010}, {0, 'D', 3059}, {C, 'D', 3060}, {0, 'F', 3056},
        {0, 'H', 3304}, {0, 'I', 3005}, {0, 'J', 3007}, {0, 'M', 3003}, {0, 'O', 3014},
        {0, 'P', 3002}, {0, 'Q', 3307}, {0, 'R', 3051}, {0, 'S', 3001}, {0, 'T', 3006},
        {0, 'W', 3008}, {0, 'X', 3050}, {0, VK_SPACE, 3022}, {0, VK_RETURN, 3004},
        {S, VK_RETURN, 3056}, {C, VK_RETURN, 3058}, {A, VK_RETURN, 3059}, {BYTE(C | A), VK_RETURN, 3060},
        {0, VK_ESCAPE, 3307}, {0, VK_F1, 3304}, {0, VK_F2, 3305}, {0, VK_F3, 3306},
        {0, VK_F4, 3031}, {S, VK_F4, 3032}, {0, VK_F5, 3024}, {0, VK_F6, 3026},
        {0, VK_F7, 3029}, {0, VK_F8, 3033}, {0, VK_F9, 3025}, {S, VK_F9, 3035},
        {C, VK_F9, 3036}, {BYTE(C | S), VK_F9, 3037}, {0, VK_F11, 3034},
        {0, VK_LEFT, 3018}, {0, VK_RIGHT, 3017}, {0, VK_DOWN, 3019},
        {0, VK_PRIOR, 3053}, {0, VK_NEXT, 3054},
    };
    for (WORD digit = 2; digit <= 9; ++digit) expected.emplace_back(0, WORD('0' + digit), WORD(3310 + digit));

    HACCEL table = LoadAcceleratorsW(Module(), MAKEINTRESOURCEW(IDR_ACCELERATORS));
    ASSERT_NE(table, nullptr) << GetLastError();
    const int count = CopyAcceleratorTableW(table, nullptr, 0);
    std::vector<ACCEL> entries(size_t(std::max(count, 0)));
    CopyAcceleratorTableW(table, entries.data(), count);
    DestroyAcceleratorTable(table);

    std::vector<Key> actual;
    for (const ACCEL& a : entries) {
        // Every entry is a virtual key that highlights no menu item.
        EXPECT_EQ(a.fVirt & (FVIRTKEY | FNOINVERT), FVIRTKEY | FNOINVERT) << "key " << a.key << " cmd " << a.cmd;
        actual.emplace_back(BYTE(a.fVirt & (FSHIFT | FCONTROL | FALT)), a.key, a.cmd);
    }
    std::sort(expected.begin(), expected.end());
    std::sort(actual.begin(), actual.end());
    EXPECT_EQ(actual, expected);
}

// ---------------------------------------------------------------------------
// Strings

struct StringEntry {
    UINT id;
    const wchar_t* text;
};

const StringEntry kStrings[] = {
    {2241, L"再生停止"},
    {2242, L"再生"},
    {2247, L"縦横１００％サイズ"},
    {2254, L"ステレオムービーを開く"},
    {2265, L"横並び"},
    {2266, L"アナグリフ （赤-シアン)"},
    {2269, L"アナグリフ (カラー)"},
    {2271, L"インターレース"},
    {2273, L"液晶シャッターメガネ モード"},
    {2300, L"エラー"},
    {2301, L"実行注意"},
    {2302, L"表示できないファイルです。"},
    {2303, L"表示できません！\n色数や画像サイズを変えて再表示してください"},
    {2305, L"Duoscope"},
    {2331, L"Software\\Microsoft\\Internet Explorer\\MenuExt\\Duoscopeで開く"},
    {2332, L"\\Duoscope.lnk"},
    {2334, L"https://www.example.com/duoscope/help/"},
    {2335, L"圧縮なし"},
    {2365, L"フィルタグラフの登録に失敗しました。(hr=0x%x)"},
    {2366, L"ビデオウィンドウの状態を取得できません。(hr=0x%x)"},
    {2367, L"ファイルを開くダイアログでエラーが発生しました。(エラー=0x%x)"},
    {2368, L"このファイルは開けません。\n%s"},
    {2369, L"ASX ファイルには対応していません。"},
    {2370, L"ステレオムービーを開く"},
    {2371, L"音量を取得できません。(hr=0x%x)"},
    {2372, L"ファイルのパスが長すぎるため開けません。\nパスは %d バイト以内にしてください。"},
    {2377, L"先頭へ戻る"},
    {2378, L"再生位置"},
    {2379, L"後端へ移動"},
    {2500, L"[Esc] or [Enter] ：停止(再生中) -> 閉じる(停止中)"},
    {2501, L"[F1] or [H] ：ヘルプ表示の有無"},
    {2502, L"[F2] or [マウス左クリック] ：停止(再生中) -> 停止位置から再開(停止中)"},
    {2503, L"[F3] or [マウス右クリック] ：停止(再生中) -> 最初から再生(停止中)"},
    {2504, L"[X] ：左右画像の交換"},
    {2505, L"[マウスホイール][Page Up][Page Down]  拡大／縮小"},
    {2506, L"[F] ：スクリーンサイズに合わせる"},
    {2507, L"[J] ：実画像サイズ(100%)"},
    {2508, L"[Space] ：コマ送り（停止中有効）"},
    {2509, L"[BackSpace] ：コマ戻し（停止中有効）"},
    {2511, L"[WIN3D ステレオモード]"},
    {2512, L"[nVidia ステレオモード]"},
    {2519, L"[OpenGL Stereo Mode]"},
    {2520, L"[Esc] or [Enter] Stop : Return to DSC"},
    {2521, L"[F1] or [H]  Show/Hide Help"},
    {2522, L"[F2] or [Mouse L Click]  Stop : Resume from current frame"},
    {2523, L"[F3] or [Mouse R Click]  Stop : Resume from start frame"},
    {2524, L"[X]  Swap Left/Right"},
    {2525, L"[F]  Fit To Screen"},
    {2526, L"[J]  Normal Size(100%)"},
    {2527, L"[Mouse Wheel][Page Up][Page Down]  Zoom"},
    {2528, L"[Space]  Next frame"},
    {2529, L"[BackSpace]  Previous frame"},
    {2540, L"[Esc] or [Enter] ：停止(再生中) -> 閉じる(停止中)"},
    {2541, L"[F1] or [H] ：ヘルプ表示の有無"},
    {2542, L"[F2] or [マウス左クリック] ：停止(再生中) -> 停止位置から再開(停止中)"},
    {2543, L"[F3] or [マウス右クリック] ：停止(再生中) -> 最初から再生(停止中)"},
    {2544, L"[F4][Shift+F4] H/V インターレス表示"},
    {2545, L"[F5] 元映像"},
    {2546, L"[F6][Shift+F6][Ctrl+F6] アナグリフ表示"},
    {2547, L"[F7][Shift+F7] カラーアナグリフ表示"},
    {2548, L"[F9][Shift+F9][Ctrl+F9][Ctrl+Shift+F9] 横並び表示/鏡像"},
    {2549, L"[F11] 片側画像\tF11"},
    {2550, L"[E] 画像縮小時の左右画像間隔"},
    {2551, L"[X] 左右画像の交換"},
    {2552, L"[マウスホイール][Page Up][Page Down]  拡大／縮小"},
    {2553, L"[F] or [マウス中クリック] ：スクリーンサイズに合わせる"},
    {2554, L"[J] 実画像サイズ(100%)"},
    {2555, L"[W] 倍サイズ (200%)"},
    {2556, L"[Space] コマ送り（停止中有効）"},
    {2557, L"[BackSpace] コマ戻し（停止中有効）"},
};

std::wstring LoadWide(UINT id) {
    // With a zero size LoadStringW hands out the resource text itself, so
    // nothing is cut and the exact length comes back.
    const wchar_t* text = nullptr;
    int n = LoadStringW(Module(), id, reinterpret_cast<LPWSTR>(&text), 0);
    return n > 0 && text ? std::wstring(text, size_t(n)) : std::wstring();
}

TEST(Resources, EveryStringLoadsWithItsExactText) {
    for (const StringEntry& e : kStrings) {
        SCOPED_TRACE(e.id);
        std::wstring text = LoadWide(e.id);
        EXPECT_EQ(text, e.text) << "got \"" << Utf8(text) << "\", want \"" << Utf8(e.text) << "\"";
        // The shell's string loader keeps 256 bytes of multibyte text.
        int cp932 = WideCharToMultiByte(932, 0, e.text, -1, nullptr, 0, nullptr, nullptr);
        EXPECT_GT(cp932, 0) << "not representable in CP932";
        EXPECT_LE(cp932, 256);
    }
}

TEST(Resources, NoOtherStringsInTheTable) {
    // The swap and full-screen buttons (2290, 2296) have no tooltip: their
    // strings must stay out, as must anything not listed.
    for (UINT id = 2000; id < 2700; ++id) {
        bool listed = std::any_of(std::begin(kStrings), std::end(kStrings),
                                  [id](const StringEntry& e) { return e.id == id; });
        if (!listed) {
            EXPECT_EQ(LoadWide(id), L"") << "unexpected string " << id;
        }
    }
}

TEST(Resources, TooltipOfEachToolbarButtonIsItsCommandMinus760) {
    const struct {
        UINT command;
        const wchar_t* tip;  // nullptr: no tooltip
    } buttons[] = {
        {3014, L"ステレオムービーを開く"}, {3001, L"再生停止"}, {3002, L"再生"}, {3050, nullptr},
        {3056, nullptr}, {3007, L"縦横１００％サイズ"}, {3025, L"横並び"},
        {3026, L"アナグリフ （赤-シアン)"}, {3029, L"アナグリフ (カラー)"}, {3031, L"インターレース"},
        {3033, L"液晶シャッターメガネ モード"},
    };
    for (const auto& b : buttons) {
        SCOPED_TRACE(b.command);
        EXPECT_EQ(LoadWide(b.command - IDS_TOOLTIP_OFFSET), b.tip ? b.tip : L"");
    }
}

// Under a Japanese code page the ANSI loader must give Shift-JIS bytes.
TEST(Resources, AnsiStringsAreShiftJisUnderTheJapaneseCodePage) {
    if (GetACP() != 932) GTEST_SKIP() << "code page " << GetACP() << ", not 932";
    char text[256] = {};
    ASSERT_GT(LoadStringA(Module(), IDS_TIP_STOP, text, sizeof text), 0);
    EXPECT_STREQ(text, "\x8d\xc4\x90\xb6\x92\xe2\x8e\x7e");  // 再生停止
    ASSERT_GT(LoadStringA(Module(), IDS_SENDTO_LINK_NAME, text, sizeof text), 0);
    EXPECT_STREQ(text, "\\Duoscope.lnk");
}

// ---------------------------------------------------------------------------
// Dialogs

INT_PTR CALLBACK TrivialDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

enum ControlKind { kPush, kDefPush, kCheck, kRadio, kGroupBox, kText, kIcon, kEdit, kScroll };

struct Control {
    int id;  // -1 for plain texts
    ControlKind kind;
    const wchar_t* text;  // nullptr: not compared
};

std::wstring WindowText(HWND w) {
    wchar_t text[512] = {};
    GetWindowTextW(w, text, 512);
    return text;
}

ControlKind KindOf(HWND w) {
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    const LONG style = GetWindowLongW(w, GWL_STYLE);
    if (!lstrcmpiW(cls, L"Edit")) return kEdit;
    if (!lstrcmpiW(cls, L"ScrollBar")) return kScroll;
    if (!lstrcmpiW(cls, L"Static")) return (style & SS_TYPEMASK) == SS_ICON ? kIcon : kText;
    switch (style & BS_TYPEMASK) {
        case BS_DEFPUSHBUTTON: return kDefPush;
        case BS_AUTOCHECKBOX: return kCheck;
        case BS_AUTORADIOBUTTON: return kRadio;
        case BS_GROUPBOX: return kGroupBox;
        default: return kPush;
    }
}

// A dialog created from its template, destroyed at the end of the scope.
class Dialog {
public:
    Dialog(const wchar_t* name, bool child) {
        if (child) parent_ = CreateWindowW(L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr, nullptr,
                                           Module(), nullptr);
        hwnd_ = CreateDialogParamW(Module(), name, parent_, TrivialDialogProc, 0);
    }
    ~Dialog() {
        if (hwnd_) DestroyWindow(hwnd_);
        if (parent_) DestroyWindow(parent_);
    }
    HWND hwnd() const { return hwnd_; }

    // The dialog's controls in template order.
    std::vector<HWND> Controls() const {
        std::vector<HWND> out;
        for (HWND c = GetWindow(hwnd_, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) out.push_back(c);
        return out;
    }

    // The radio buttons that auto-selection treats as one group with `id`.
    std::vector<int> RadioGroup(int id) const {
        std::vector<int> out;
        HWND first = GetDlgItem(hwnd_, id);
        HWND c = first;
        do {
            if (KindOf(c) == kRadio) out.push_back(GetDlgCtrlID(c));
            c = GetNextDlgGroupItem(hwnd_, c, FALSE);
        } while (c && c != first);
        std::sort(out.begin(), out.end());
        return out;
    }

private:
    HWND parent_ = nullptr;
    HWND hwnd_ = nullptr;
};

const char* KindName(ControlKind k) {
    static const char* names[] = {"push", "default push", "check box", "radio", "group box",
                                  "text", "icon", "edit", "scroll bar"};
    return names[k];
}

// Size in dialog units (the client area), title, and every control in order.
void ExpectDialog(const Dialog& dialog, int cx, int cy, const wchar_t* title, const std::vector<Control>& expected) {
    HWND dlg = dialog.hwnd();
    ASSERT_NE(dlg, nullptr) << GetLastError();
    RECT units = {0, 0, cx, cy};
    MapDialogRect(dlg, &units);
    RECT client = {};
    GetClientRect(dlg, &client);
    EXPECT_EQ(client.right, units.right);
    EXPECT_EQ(client.bottom, units.bottom);
    EXPECT_EQ(WindowText(dlg), title) << Utf8(WindowText(dlg));

    std::vector<HWND> controls = dialog.Controls();
    ASSERT_EQ(controls.size(), expected.size());
    for (size_t i = 0; i < controls.size(); ++i) {
        const Control& want = expected[i];
        SCOPED_TRACE("control " + std::to_string(i) + " id " + std::to_string(want.id));
        EXPECT_EQ(GetDlgCtrlID(controls[i]), want.id);
        EXPECT_STREQ(KindName(KindOf(controls[i])), KindName(want.kind));
        if (want.text) {
            EXPECT_EQ(WindowText(controls[i]), want.text) << Utf8(WindowText(controls[i]));
        }
        // Each control lies inside the dialog.
        RECT r = {};
        GetWindowRect(controls[i], &r);
        MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_GE(r.left, 0);
        EXPECT_GE(r.top, 0);
        EXPECT_LE(r.right, client.right);
        EXPECT_LE(r.bottom, client.bottom);
    }
}

TEST(Resources, SeekBarIsAStripWithTwoButtonsAroundAScrollBar) {
    Dialog d(L"AVIPLAY", false);
    ExpectDialog(d, 150, 14, L"", {
        {3011, kPush, L"先頭"},
        {3013, kScroll, nullptr},
        {3012, kPush, L"後端"},
    });
    const LONG style = GetWindowLongW(d.hwnd(), GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & (WS_CAPTION | WS_BORDER | WS_THICKFRAME));
    EXPECT_EQ(GetWindowLongW(GetDlgItem(d.hwnd(), 3013), GWL_STYLE) & SBS_VERT, 0);
}

TEST(Resources, DownloadStripIsEmpty) {
    Dialog d(MAKEINTRESOURCEW(IDD_DOWNLOAD), false);
    ExpectDialog(d, 371, 15, L"", {});
}

TEST(Resources, AboutDialog) {
    Dialog d(L"ABOUT", false);
    ExpectDialog(d, 163, 87, L"Duoscope の バージョン情報", {
        {-1, kIcon, nullptr},
        {-1, kText, L"Duoscope"},
        {-1, kText, L"Version 0.27a"},
        {-1, kText, nullptr},
        {IDOK, kDefPush, L"OK"},
    });
    // The program icon is shown.
    EXPECT_NE(SendMessageW(d.Controls()[0], STM_GETICON, 0, 0), 0);
}

TEST(Resources, CustomSizeDialog) {
    Dialog d(L"CUSTSIZE", false);
    ExpectDialog(d, 98, 92, L"カスタムサイズ", {
        {-1, kText, L"実サイズに対する比率（％）で指定して下さい。"},
        {-1, kText, L"横："},
        {1204, kEdit, L""},
        {-1, kText, L"％"},
        {-1, kText, L"縦："},
        {1205, kEdit, L""},
        {-1, kText, L"％"},
        {IDOK, kDefPush, L"OK"},
        {IDCANCEL, kPush, L"ｷｬﾝｾﾙ"},
    });
    // Negative percentages are read too: no digits-only edits.
    EXPECT_EQ(GetWindowLongW(GetDlgItem(d.hwnd(), 1204), GWL_STYLE) & ES_NUMBER, 0);
}

TEST(Resources, DisplaySettingsDialog) {
    Dialog d(L"FSET", false);
    ExpectDialog(d, 187, 99, L"表示設定", {
        {1445, kCheck, L"ムービーを開いた時、すぐに再生をスタートする。"},
        {-1, kGroupBox, L"フルスクリーンモード"},
        {1440, kRadio, L"DirectDraw"},
        {1441, kRadio, L"Windows GDI"},
        {1449, kGroupBox, L"縮小表示の時の左右の画像レイアウト ( 'E' キーで切替可)"},
        {1450, kRadio, L"センタリング"},
        {1451, kRadio, L"中央寄せ"},
        {1452, kRadio, L"端寄せ"},
        {IDOK, kDefPush, L"OK"},
    });
    // The close box ends it too.
    EXPECT_TRUE(GetWindowLongW(d.hwnd(), GWL_STYLE) & WS_SYSMENU);
    EXPECT_EQ(d.RadioGroup(1440), (std::vector<int>{1440, 1441}));
    EXPECT_EQ(d.RadioGroup(1451), (std::vector<int>{1450, 1451, 1452}));
}

TEST(Resources, OpenDialogExtension) {
    Dialog d(L"FOPEN", true);
    ExpectDialog(d, 279, 160, L"", {
        {1119, kText, L""},
        {-1, kGroupBox, L"入力ステレオ形式"},
        {1080, kRadio, L"横分割(100%)"},
        {1085, kRadio, L"横分割(50%)"},
        {1084, kRadio, L"インターレース"},
        {1081, kRadio, L"縦分割(100%)"},
        {1082, kRadio, L"縦分割(50%)"},
        {1083, kRadio, L"縦分割(47.5%)"},
        {-1, kGroupBox, L"表示ステレオ形式"},
        {1090, kRadio, L"元映像"},
        {1100, kRadio, L"片側画像"},
        {1091, kRadio, L"横並び"},
        {1101, kRadio, L"鏡像(左)"},
        {1102, kRadio, L"鏡像(右)"},
        {1103, kRadio, L"鏡像(左右)"},
        {1099, kRadio, L"液晶メガネ"},
        {1092, kRadio, L"赤／シアン"},
        {1093, kRadio, L"赤／緑"},
        {1094, kRadio, L"赤／青"},
        {1095, kRadio, L"ｶﾗｰｱﾅｸﾞﾘﾌ"},
        {1096, kRadio, L"ｱﾅｸﾞﾘﾌ(赤補正)"},
        {1097, kRadio, L"ｲﾝﾀｰﾚｰｽ"},
        {1098, kRadio, L"Sharp 3D LCD"},
        {1001, kCheck, L"RGB モード"},
        {1003, kCheck, L"縦横比 4:3"},
        {1004, kCheck, L"全画面表示"},
        {1442, kRadio, L"ｼﾝｸﾞﾙﾓﾆﾀ"},
        {1443, kRadio, L"ﾃﾞｭｱﾙﾓﾆﾀ(R)"},
        {1444, kRadio, L"ﾃﾞｭｱﾙﾓﾆﾀ(L)"},
        {1002, kText, L"全画面表示します。F1キーを押すと操作方法を表示します。"},
    });
    // A child template that the open dialog lays out under its own controls.
    const LONG style = GetWindowLongW(d.hwnd(), GWL_STYLE);
    EXPECT_TRUE(style & WS_CHILD);
    EXPECT_TRUE(style & DS_CONTROL);
    // Choosing one radio leaves the other two choices alone.
    EXPECT_EQ(d.RadioGroup(1083), (std::vector<int>{1080, 1081, 1082, 1083, 1084, 1085}));
    std::vector<int> display;
    for (int id = 1090; id <= 1103; ++id) display.push_back(id);
    EXPECT_EQ(d.RadioGroup(1098), display);
    EXPECT_EQ(d.RadioGroup(1442), (std::vector<int>{1442, 1443, 1444}));
}

// ---------------------------------------------------------------------------
// Pictures

TEST(Resources, ToolbarStripHoldsElevenImagesOnLightGrey) {
    HBITMAP strip = static_cast<HBITMAP>(
        LoadImageW(Module(), MAKEINTRESOURCEW(IDB_TOOLBAR), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(strip, nullptr) << GetLastError();
    DIBSECTION dib = {};
    ASSERT_EQ(GetObjectW(strip, sizeof dib, &dib), int(sizeof dib));
    EXPECT_EQ(dib.dsBm.bmWidth, 11 * 20);
    EXPECT_EQ(dib.dsBm.bmHeight, 17);
    EXPECT_GE(dib.dsBm.bmBitsPixel, 4);

    // Read it as top-down 32-bit pixels.
    const int w = dib.dsBm.bmWidth, h = dib.dsBm.bmHeight;
    std::vector<DWORD> px(size_t(w) * size_t(h));
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    HDC dc = GetDC(nullptr);
    ASSERT_EQ(GetDIBits(dc, strip, 0, UINT(h), px.data(), &bi, DIB_RGB_COLORS), h);
    ReleaseDC(nullptr, dc);
    DeleteObject(strip);

    const DWORD grey = 0xc0c0c0;  // the image list's transparent colour
    for (int image = 0; image < 11; ++image) {
        SCOPED_TRACE(image);
        // Light grey around it (the top-left corner), and a glyph drawn.
        EXPECT_EQ(px[size_t(20 * image)] & 0xffffff, grey);
        int drawn = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 20 * image; x < 20 * image + 20; ++x) drawn += (px[size_t(y * w + x)] & 0xffffff) != grey;
        EXPECT_GT(drawn, 20);
    }
}

TEST(Resources, IconLoadsInBothSizes) {
    for (int size : {32, 16}) {
        SCOPED_TRACE(size);
        HICON icon = static_cast<HICON>(LoadImageW(Module(), MAKEINTRESOURCEW(IDI_DUOSCOPE), IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr) << GetLastError();
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP bm = {};
        GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, size);
        if (info.hbmColor) DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
    EXPECT_NE(LoadIconW(Module(), MAKEINTRESOURCEW(IDI_DUOSCOPE)), nullptr);
}

TEST(Resources, NothingCursorLeavesTheScreenUnchanged) {
    HCURSOR cursor = LoadCursorW(Module(), L"NOTHING");
    ASSERT_NE(cursor, nullptr) << GetLastError();
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(cursor, &info));
    EXPECT_FALSE(info.fIcon);
    // Draw it on white and on black: neither may change.
    for (COLORREF background : {RGB(255, 255, 255), RGB(0, 0, 0)}) {
        SCOPED_TRACE(background);
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bmp = CreateCompatibleBitmap(screen, 32, 32);
        ReleaseDC(nullptr, screen);
        HGDIOBJ old = SelectObject(dc, bmp);
        RECT all = {0, 0, 32, 32};
        HBRUSH brush = CreateSolidBrush(background);
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        ASSERT_TRUE(DrawIconEx(dc, 0, 0, cursor, 32, 32, 0, nullptr, DI_NORMAL));
        int changed = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) changed += GetPixel(dc, x, y) != background;
        EXPECT_EQ(changed, 0);
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
}

}  // namespace
