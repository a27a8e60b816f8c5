// The player's modal dialogs driven in-process, as a user would: a thread
// timer runs one step of a script per tick inside the dialog's own message
// loop, clicking and typing into the real controls; the test then reads
// the registry and the shell's state.
#include "http_test_server.h"
#include "modal_script.h"
#include "stored_setting.h"

#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "graphs/download.h"
#include "resources/resource.h"
#include "shell/dialogs/dialogs_win32.h"
#include "shell/player_win32.h"
#include "shell/settings.h"

namespace {

using testsupport::Reply;
using testsupport::Request;
using testsupport::TestServer;

// ------------------------------------------------------------ the driver

using testsupport::ModalScript;

void Click(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    ASSERT_NE(button, nullptr) << "no control " << id;
    SendMessageA(button, BM_CLICK, 0, 0);
}

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
bool Visible(HWND dialog, int id) { return IsWindowVisible(GetDlgItem(dialog, id)) != FALSE; }

std::string ItemText(HWND dialog, int id) {
    char text[300] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// ------------------------------------------------------------ the fixture

int TakeMessageBox(HWND, const char*, const char*, UINT) { return IDOK; }

using testsupport::StoredSetting;

// The names of all values of the settings key, sorted.
std::vector<std::string> StoredNames() {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
    for (DWORD i = 0;; ++i) {
        char name[128];
        DWORD size = sizeof name;
        if (RegEnumValueA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, size);
    }
    RegCloseKey(key);
    std::sort(names.begin(), names.end());
    return names;
}

class Dialogs : public ::testing::Test {
protected:
    void SetUp() override {
        SetMessageBoxSink(TakeMessageBox);
        RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKeyPath);
        g_Settings = PlayerSettings{};
        g_nDisplayMode = g_Settings.nStereo;
        g_nInputLayout = g_Settings.nDisp;
        g_bRgbMode = g_Settings.nRGB;
        g_bAspect43 = 0;
        g_nCustomPctX = 100;
        g_nCustomPctY = 100;
    }
    void TearDown() override {
        RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKeyPath);
        SetMessageBoxSink(nullptr);
    }
};

// ------------------------------------------------------------------ ABOUT

TEST_F(Dialogs, AboutEndsOnlyWithOk) {
    bool shownAfterEscape = false, shownAfterClose = false;
    ModalScript script({
        [](HWND d) { PostMessageA(GetFocus() ? GetFocus() : d, WM_KEYDOWN, VK_ESCAPE, 0); },
        [&](HWND d) {
            shownAfterEscape = IsWindowVisible(d);
            SendMessageA(d, WM_COMMAND, IDCANCEL, 0);
            SendMessageA(d, WM_CLOSE, 0, 0);
        },
        [&](HWND d) {
            shownAfterClose = IsWindowVisible(d);
            Click(d, IDOK);
        },
    });
    script.Run([] { ShowAboutDialog(nullptr); });
    EXPECT_TRUE(shownAfterEscape);
    EXPECT_TRUE(shownAfterClose);
}

// --------------------------------------------------------------- CUSTSIZE

TEST_F(Dialogs, CustomSizeReadsSignedWholeNumbers) {
    struct Case {
        const char* x;
        const char* y;
        int button;
        bool result;
        int32_t wantX, wantY;
    };
    const Case cases[] = {
        {"150", "50", IDOK, true, 150, 50},
        {"-20", " 75 ", IDOK, true, -20, 75},
        {"0", "4000", IDOK, true, 0, 4000},  // no range check
        {"abc", "", IDOK, true, 0, 0},
        {"12abc", "99999999999", IDOK, true, 0, 0},
        {"150", "50", IDCANCEL, false, 33, -7},  // nothing changes
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.x) + " / " + c.y + (c.button == IDOK ? " OK" : " cancel"));
        g_nCustomPctX = 33;
        g_nCustomPctY = -7;
        std::string shownX, shownY;
        bool result = !c.result;
        ModalScript script({[&](HWND d) {
            shownX = ItemText(d, IDC_CUSTOM_PCT_X);
            shownY = ItemText(d, IDC_CUSTOM_PCT_Y);
            SetDlgItemTextA(d, IDC_CUSTOM_PCT_X, c.x);
            SetDlgItemTextA(d, IDC_CUSTOM_PCT_Y, c.y);
            Click(d, c.button);
        }});
        script.Run([&] { result = ShowCustomSizeDialog(nullptr); });
        EXPECT_EQ(shownX, "33");
        EXPECT_EQ(shownY, "-7");
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(g_nCustomPctX, c.wantX);
        EXPECT_EQ(g_nCustomPctY, c.wantY);
    }
    // The close box cancels.
    ModalScript script({[](HWND d) { SendMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); }});
    bool result = true;
    script.Run([&] { result = ShowCustomSizeDialog(nullptr); });
    EXPECT_FALSE(result);
}

// ------------------------------------------------------------------- FSET

const int kCentringControls[] = {IDC_WCENT_GROUP, IDC_WCENT_CENTERING, IDC_WCENT_CENTER, IDC_WCENT_EDGE};

TEST_F(Dialogs, DisplaySettingsStoreEachClick) {
    // Enter uses the platform's full screen; opens go to dual screens.
    g_Settings.nFullscreen = 230;
    g_Settings.nWcent = 1;
    std::vector<std::string> log;
    const auto centringShown = [](HWND d) {
        int shown = 0;
        for (int id : kCentringControls) shown += Visible(d, id);
        return shown;
    };
    ModalScript script({
        [&](HWND d) {
            EXPECT_TRUE(Checked(d, IDC_AUTOSTART));
            EXPECT_TRUE(Checked(d, IDC_ENGINE_DIRECTDRAW));
            EXPECT_FALSE(Checked(d, IDC_ENGINE_GDI));
            EXPECT_TRUE(Checked(d, IDC_WCENT_CENTER));
            EXPECT_EQ(centringShown(d), 0);
            Click(d, IDC_ENGINE_GDI);
            EXPECT_EQ(centringShown(d), 4);
            EXPECT_EQ(StoredSetting("nFullscreen"), "231");
            Click(d, IDC_WCENT_EDGE);
            EXPECT_EQ(StoredSetting("nWcent"), "2");
            Click(d, IDC_AUTOSTART);
            EXPECT_EQ(StoredSetting("nAutostart"), "0");
            Click(d, IDC_AUTOSTART);
            EXPECT_EQ(StoredSetting("nAutostart"), "1");
            Click(d, IDC_AUTOSTART);
            Click(d, IDC_ENGINE_DIRECTDRAW);
            EXPECT_EQ(centringShown(d), 0);
            EXPECT_EQ(StoredSetting("nFullscreen"), "230");
            // Escape does not end it.
            SendMessageA(d, WM_COMMAND, IDCANCEL, 0);
        },
        [](HWND d) {
            EXPECT_TRUE(IsWindowVisible(d));
            SendMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0);
        },
    });
    script.Run([] { ShowDisplaySettingsDialog(nullptr); });
    EXPECT_EQ(g_Settings.nFullscreen, 230);
    EXPECT_EQ(g_Settings.nWcent, 2);
    EXPECT_EQ(g_Settings.nAutostart, 0);

    // Opened again it shows what was stored; OK ends it.
    g_Settings.nFullscreen = 1;
    ModalScript again({[&](HWND d) {
        EXPECT_FALSE(Checked(d, IDC_AUTOSTART));
        EXPECT_TRUE(Checked(d, IDC_ENGINE_GDI));
        EXPECT_TRUE(Checked(d, IDC_WCENT_EDGE));
        EXPECT_EQ(centringShown(d), 4);
        Click(d, IDOK);
    }});
    again.Run([] { ShowDisplaySettingsDialog(nullptr); });
}

// The layout group's long title fits between the group's top edge and its
// radios, and inside the group's width, once wrapped; and when it is too
// long for one line (with the Japanese font) its second line is painted.
TEST_F(Dialogs, DisplaySettingsGroupTitleFits) {
    g_Settings.nFullscreen = 1;
    ModalScript script({[](HWND d) {
        HWND group = GetDlgItem(d, IDC_WCENT_GROUP);
        RECT box, radio;
        GetWindowRect(group, &box);
        GetWindowRect(GetDlgItem(d, IDC_WCENT_CENTERING), &radio);
        const int width = box.right - box.left, height = box.bottom - box.top;
        wchar_t text[256] = {};
        GetWindowTextW(group, text, 256);
        HDC dc = GetDC(group);
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(group, WM_GETFONT, 0, 0)));
        TEXTMETRICW metrics = {};
        GetTextMetricsW(dc, &metrics);
        const int inner = width - 2 * metrics.tmAveCharWidth;
        SIZE line = {};
        GetTextExtentPoint32W(dc, text, lstrlenW(text), &line);
        RECT wrapped = {0, 0, inner, 0};
        DrawTextW(dc, text, -1, &wrapped, DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
        EXPECT_LE(wrapped.right, inner);
        EXPECT_LE(wrapped.bottom, radio.top - box.top);

        // The group as it paints itself, on white.
        HDC memory = CreateCompatibleDC(dc);
        HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
        const HGDIOBJ old = SelectObject(memory, bitmap);
        RECT all = {0, 0, width, height};
        FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SendMessageW(group, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
        int darkInSecondLine = 0;
        for (int y = metrics.tmHeight; y < 2 * metrics.tmHeight && y < height; ++y)
            for (int x = metrics.tmAveCharWidth; x < width / 2; ++x) {
                const COLORREF c = GetPixel(memory, x, y);
                darkInSecondLine += GetRValue(c) + GetGValue(c) + GetBValue(c) < 200;
            }
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(group, dc);
        if (line.cx > inner) {
            EXPECT_GT(darkInSecondLine, 10) << "the title's second line is not drawn";
        } else {
            EXPECT_EQ(darkInSecondLine, 0);
        }
        Click(d, IDOK);
    }});
    script.Run([] { ShowDisplaySettingsDialog(nullptr); });
}

// -------------------------------------------------------------------- W3D

// The nVidia driver's switches as a machine with that driver has them, in
// the test's own registry.
constexpr const char* kStereo3dKey = "SOFTWARE\\NVIDIA Corporation\\Global\\Stereo3D";

// The nVidia device key in the control set the registry says runs now.
std::string NvDeviceKey() {
    DWORD current = 0, size = sizeof current;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, "SYSTEM\\Select", "Current", RRF_RT_REG_DWORD, nullptr, &current, &size) !=
        ERROR_SUCCESS) {
        current = 1;
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, "SYSTEM\\Select", "Current", REG_DWORD, &current, sizeof current);
    }
    char path[80];
    std::snprintf(path, sizeof path, "SYSTEM\\ControlSet%03lu\\Services\\nv", static_cast<unsigned long>(current));
    return std::string(path) + "\\Device0";
}

DWORD MachineNumber(const char* path, const char* name) {
    DWORD value = 0xdeadbeef, size = sizeof value;
    RegGetValueA(HKEY_LOCAL_MACHINE, path, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

std::string MachineBytes(const char* path, const char* name) {
    BYTE bytes[16] = {};
    DWORD size = sizeof bytes;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, path, name, RRF_RT_REG_BINARY, nullptr, bytes, &size) != ERROR_SUCCESS)
        return "<absent>";
    std::string text;
    for (DWORD i = 0; i < size; ++i) text += std::to_string(bytes[i]) + (i + 1 < size ? "," : "");
    return text;
}

void PutMachineNumber(const char* path, const char* name, DWORD value) {
    ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, path, name, REG_DWORD, &value, sizeof value), ERROR_SUCCESS);
}

void RemoveNvidiaKeys() {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\NVIDIA Corporation");
    const std::string device = NvDeviceKey();
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, device.substr(0, device.rfind('\\')).c_str());
}

void ChooseFromList(HWND dialog, int id, int index) {
    SendDlgItemMessageA(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

const int kModeControls[] = {IDC_W3D_MODE_GROUP, IDC_W3D_SIZE_LIST, IDC_W3D_BPP_LIST};

int ModeControlsShown(HWND d) {
    int shown = 0;
    for (int id : kModeControls) shown += Visible(d, id);
    return shown;
}

TEST_F(Dialogs, ShutterSettingsStoreEachChoice) {
    RemoveNvidiaKeys();
    ModalScript script({
        [&](HWND d) {
            // A fresh start: the nVidia driver, 640 x 480 at 16 bits.
            EXPECT_TRUE(Checked(d, IDC_DRIVER_NVIDIA));
            EXPECT_EQ(ModeControlsShown(d), 3);
            EXPECT_EQ(SendDlgItemMessageA(d, IDC_W3D_SIZE_LIST, CB_GETCOUNT, 0, 0), 5);
            EXPECT_EQ(SendDlgItemMessageA(d, IDC_W3D_SIZE_LIST, CB_GETCURSEL, 0, 0), 0);
            EXPECT_EQ(SendDlgItemMessageA(d, IDC_W3D_BPP_LIST, CB_GETCURSEL, 0, 0), 0);
            EXPECT_FALSE(Visible(d, IDC_W3D_AUTO_REG_SET));

            Click(d, IDC_DRIVER_OPENGL);
            EXPECT_EQ(StoredSetting("nVidia"), "2");
            EXPECT_EQ(ModeControlsShown(d), 0);
            Click(d, IDC_DRIVER_WIN3D);
            EXPECT_EQ(StoredSetting("nVidia"), "0");
            EXPECT_EQ(ModeControlsShown(d), 3);

            ChooseFromList(d, IDC_W3D_SIZE_LIST, 3);
            EXPECT_EQ(StoredSetting("n3DSize"), "3");
            EXPECT_EQ(W3dScreenWidth(g_Settings.n3DSize), 1280);
            EXPECT_EQ(W3dScreenHeight(g_Settings.n3DSize), 1024);
            ChooseFromList(d, IDC_W3D_BPP_LIST, 1);
            EXPECT_EQ(StoredSetting("n3DBpp"), "1");
            EXPECT_EQ(W3dBitDepth(g_Settings.n3DBpp), 32);

            // Only a right-button double-click shows the hidden box.
            SendMessageA(d, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
            EXPECT_FALSE(Visible(d, IDC_W3D_AUTO_REG_SET));
            SendMessageA(d, WM_RBUTTONDBLCLK, MK_RBUTTON, MAKELPARAM(5, 5));
            EXPECT_TRUE(Visible(d, IDC_W3D_AUTO_REG_SET));
            EXPECT_FALSE(Checked(d, IDC_W3D_AUTO_REG_SET));
            Click(d, IDC_W3D_AUTO_REG_SET);
            EXPECT_EQ(StoredSetting("nAutoRegSet"), "123");
            // Without the nVidia driver's keys the switches change nothing.
            Click(d, IDC_DRIVER_OPENGL);
            // Escape does not end it.
            SendMessageA(d, WM_COMMAND, IDCANCEL, 0);
        },
        [](HWND d) {
            EXPECT_TRUE(IsWindowVisible(d));
            SendMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0);
        },
    });
    script.Run([] { ShowShutterSettingsDialog(nullptr); });
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kStereo3dKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(g_Settings.nVidia, 2);

    // Opened again: the box shows at once, checked, and the mode is hidden.
    ModalScript again({[&](HWND d) {
        EXPECT_TRUE(Checked(d, IDC_DRIVER_OPENGL));
        EXPECT_EQ(ModeControlsShown(d), 0);
        EXPECT_TRUE(Visible(d, IDC_W3D_AUTO_REG_SET));
        EXPECT_TRUE(Checked(d, IDC_W3D_AUTO_REG_SET));
        EXPECT_EQ(SendDlgItemMessageA(d, IDC_W3D_SIZE_LIST, CB_GETCURSEL, 0, 0), 3);
        Click(d, IDC_W3D_AUTO_REG_SET);
        EXPECT_EQ(StoredSetting("nAutoRegSet"), "0");
        Click(d, IDOK);
    }});
    again.Run([] { ShowShutterSettingsDialog(nullptr); });
}

TEST_F(Dialogs, ShutterDriverChoiceSetsTheNvidiaSwitches) {
    RemoveNvidiaKeys();
    const std::string device = NvDeviceKey();
    const char* nvDevice = device.c_str();
    const BYTE off[4] = {0, 0, 0, 0};
    ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, nvDevice, "Ogl_EnableStereoSupport", REG_BINARY, off, 4),
              ERROR_SUCCESS);
    PutMachineNumber(kStereo3dKey, "StereoEnable", 1);
    PutMachineNumber(kStereo3dKey, "StereoDefaultOn", 1);

    struct Seen {
        std::string ogl;
        DWORD enable, defaultOn;
    };
    std::vector<Seen> seen;
    const auto look = [&] {
        seen.push_back({MachineBytes(nvDevice, "Ogl_EnableStereoSupport"),
                        MachineNumber(kStereo3dKey, "StereoEnable"), MachineNumber(kStereo3dKey, "StereoDefaultOn")});
    };
    ModalScript script({[&](HWND d) {
        // Switched off, a choice leaves the driver's values alone.
        Click(d, IDC_DRIVER_OPENGL);
        look();
        SendMessageA(d, WM_RBUTTONDBLCLK, MK_RBUTTON, 0);
        Click(d, IDC_W3D_AUTO_REG_SET);
        Click(d, IDC_DRIVER_OPENGL);
        look();
        Click(d, IDC_DRIVER_WIN3D);
        look();
        Click(d, IDC_DRIVER_OPENGL);
        Click(d, IDC_DRIVER_NVIDIA);
        look();
        Click(d, IDOK);
    }});
    script.Run([] { ShowShutterSettingsDialog(nullptr); });
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].ogl, "0,0,0,0");
    EXPECT_EQ(seen[0].enable, 1u);
    EXPECT_EQ(seen[1].ogl, "1,0,0,0");  // OpenGL: its stereo on, the consumer stereo off
    EXPECT_EQ(seen[1].enable, 0u);
    EXPECT_EQ(seen[1].defaultOn, 0u);
    for (int i : {2, 3}) {
        EXPECT_EQ(seen[i].ogl, "0,0,0,0") << i;
        EXPECT_EQ(seen[i].enable, 1u) << i;
        EXPECT_EQ(seen[i].defaultOn, 1u) << i;
    }
    // A driver without the switch does not get one.
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, nvDevice, "Ogl_EnableStereoSupport");
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kStereo3dKey, "StereoEnable");
    SetDriverSwitchesFor(2);
    EXPECT_EQ(MachineBytes(nvDevice, "Ogl_EnableStereoSupport"), "<absent>");
    EXPECT_EQ(MachineNumber(kStereo3dKey, "StereoEnable"), 0xdeadbeefu);
    EXPECT_EQ(MachineNumber(kStereo3dKey, "StereoDefaultOn"), 1u);
    RemoveNvidiaKeys();
}

// ------------------------------------------------------------------ FOPEN

// The open dialog with the "FOPEN" template and its hook, cancelled or
// confirmed by the script.
bool RunOpenDialog(ModalScript& script) {
    char file[kPathBytes] = {};
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hInstance = GetModuleHandleA(nullptr);
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.Flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_HIDEREADONLY;
    ofn.lpTemplateName = "FOPEN";
    ofn.lpfnHook = OpenDialogHook;
    bool result = true;
    script.Run([&] { result = GetOpenFileNameA(&ofn) != FALSE; });
    return result;
}

// part[0]: the template's dialog found; part[1]: the open dialog, whose
// own controls do not count.
BOOL CALLBACK TakeTemplatePart(HWND w, LPARAM out) {
    HWND* part = reinterpret_cast<HWND*>(out);
    if (GetDlgCtrlID(w) != IDC_DISPLAY_SHUTTER_GLASSES || GetParent(w) == part[1]) return TRUE;
    part[0] = GetParent(w);
    return FALSE;
}

// The template's own dialog inside the open dialog.
HWND TemplatePart(HWND openDialog) {
    HWND part[2] = {nullptr, openDialog};
    EnumChildWindows(openDialog, TakeTemplatePart, reinterpret_cast<LPARAM>(part));
    return part[0];
}

void Cancel(HWND openDialog) { PostMessageA(openDialog, WM_COMMAND, IDCANCEL, 0); }

TEST_F(Dialogs, OpenDialogShutterGlassesChoiceStoredEvenWhenCancelled) {
    std::vector<int> hintShown;
    ModalScript script({[&](HWND open) {
        HWND d = TemplatePart(open);
        ASSERT_NE(d, nullptr);
        // Red-cyan and no full screen after the open, from a fresh start.
        EXPECT_TRUE(Checked(d, IDC_DISPLAY_ANAGLYPH_RED_CYAN));
        EXPECT_TRUE(Checked(d, IDC_LAYOUT_SIDE_BY_SIDE_FULL));
        EXPECT_FALSE(Checked(d, IDC_FULLSCREEN_AT_OPEN));
        for (int id : {IDC_MONITOR_SINGLE, IDC_MONITOR_DUAL_R, IDC_MONITOR_DUAL_L}) EXPECT_FALSE(Visible(d, id));
        hintShown.push_back(Visible(d, IDC_FULLSCREEN_HINT));
        for (int id : {IDC_DISPLAY_SHUTTER_GLASSES, IDC_DISPLAY_ANAGLYPH_RED_BLUE, IDC_DISPLAY_SHARP_3D_LCD,
                       IDC_DISPLAY_MIRROR_BOTH, IDC_DISPLAY_SHUTTER_GLASSES}) {
            Click(d, id);
            hintShown.push_back(Visible(d, IDC_FULLSCREEN_HINT));
        }
        EXPECT_EQ(StoredSetting("nStereo"), "9");
        Cancel(open);
    }});
    EXPECT_FALSE(RunOpenDialog(script));
    EXPECT_EQ(hintShown, (std::vector<int>{0, 1, 0, 1, 0, 1}));
    EXPECT_EQ(g_nDisplayMode.load(), 9);
    EXPECT_EQ(StoredSetting("nStereo"), "9");
    EXPECT_EQ(g_Settings.nStereo, 9);
}

TEST_F(Dialogs, OpenDialogAppliesEveryChoiceAtOnce) {
    g_nInputLayout = 3;
    g_nDisplayMode = 8;
    g_bRgbMode = 1;
    g_bAspect43 = 1;
    g_Settings.nFullscreen = 211;  // after an open: single screen
    ModalScript script({[&](HWND open) {
        HWND d = TemplatePart(open);
        ASSERT_NE(d, nullptr);
        EXPECT_TRUE(Checked(d, IDC_LAYOUT_OVER_UNDER_475));
        EXPECT_TRUE(Checked(d, IDC_DISPLAY_SHARP_3D_LCD));
        EXPECT_TRUE(Visible(d, IDC_FULLSCREEN_HINT));
        EXPECT_TRUE(Checked(d, IDC_RGB_MODE));
        EXPECT_TRUE(Checked(d, IDC_ASPECT_43));
        EXPECT_TRUE(Checked(d, IDC_FULLSCREEN_AT_OPEN));
        EXPECT_TRUE(Checked(d, IDC_MONITOR_SINGLE));
        EXPECT_TRUE(Visible(d, IDC_MONITOR_DUAL_L));

        Click(d, IDC_LAYOUT_SIDE_BY_SIDE_HALF);
        EXPECT_EQ(g_nInputLayout.load(), 5);
        EXPECT_EQ(StoredSetting("nDisp"), "5");
        Click(d, IDC_RGB_MODE);
        EXPECT_EQ(g_bRgbMode.load(), 0);
        EXPECT_EQ(StoredSetting("nRGB"), "0");
        Click(d, IDC_ASPECT_43);
        EXPECT_EQ(g_bAspect43, 0);

        Click(d, IDC_MONITOR_DUAL_L);
        EXPECT_EQ(StoredSetting("nFullscreen"), "231");
        Click(d, IDC_FULLSCREEN_AT_OPEN);
        EXPECT_EQ(StoredSetting("nFullscreen"), "201");
        EXPECT_FALSE(Visible(d, IDC_MONITOR_SINGLE));
        EXPECT_FALSE(Visible(d, IDC_MONITOR_DUAL_L));
        // Back on: the monitor chosen last, not the first one.
        Click(d, IDC_FULLSCREEN_AT_OPEN);
        EXPECT_TRUE(Checked(d, IDC_MONITOR_DUAL_L));
        EXPECT_FALSE(Checked(d, IDC_MONITOR_SINGLE));
        EXPECT_TRUE(Visible(d, IDC_MONITOR_DUAL_L));
        EXPECT_EQ(StoredSetting("nFullscreen"), "231");
        Click(d, IDC_MONITOR_DUAL_R);
        EXPECT_EQ(StoredSetting("nFullscreen"), "221");
        Cancel(open);
    }});
    EXPECT_FALSE(RunOpenDialog(script));
    EXPECT_EQ(g_Settings.nFullscreen, 221);
    EXPECT_EQ(g_Settings.nDisp, 5);
    // Only the choices made are written; the 4:3 box is not kept.
    EXPECT_EQ(StoredNames(), (std::vector<std::string>{"nDisp", "nFullscreen", "nRGB"}));
}

// ------------------------------------------------- download before play

std::string Movie() {
    std::string bytes(30000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 13 + i / 97) & 0xFF);
    return bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The save dialog's file name box (a combo box on some systems, an edit on
// others).
HWND FileNameBox(HWND dialog) {
    HWND box = GetDlgItem(dialog, cmb13);
    return box ? box : GetDlgItem(dialog, edt1);
}

class StartupDownload : public Dialogs {
protected:
    void SetUp() override {
        Dialogs::SetUp();
        char dir[MAX_PATH];
        ASSERT_GT(GetTempPathA(MAX_PATH, dir), 0u);
        target_ = std::string(dir) + "duoscope-startup-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".avi";
        DeleteFileA(target_.c_str());
    }
    void TearDown() override {
        DeleteFileA(target_.c_str());
        Dialogs::TearDown();
    }
    std::string target_;
};

TEST_F(StartupDownload, SavesWhereTheUserSaysWithTheStripShowing) {
    const std::string movie = Movie();
    std::atomic<int> stripShown{0};
    std::atomic<HWND> stripSeen{nullptr};
    TestServer server([&](const Request&) {
        HWND strip = g_hDownloadStrip;
        stripSeen = strip;
        if (strip && IsWindowVisible(strip)) ++stripShown;
        return Reply{"HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(movie.size()), movie};
    });
    ASSERT_TRUE(server.running());
    const std::string url = server.Url("/movies/clip.avi");

    std::string offered;
    HWND owner = reinterpret_cast<HWND>(1);
    ModalScript script({[&](HWND d) {
        owner = GetWindow(d, GW_OWNER);
        HWND box = FileNameBox(d);
        ASSERT_NE(box, nullptr);
        char text[300] = {};
        GetWindowTextA(box, text, sizeof text);
        offered = text;
        SetWindowTextA(box, target_.c_str());
        Click(d, IDOK);
    }});
    char path[kPathBytes] = {};
    bool saved = false;
    script.Run([&] { saved = DownloadBeforePlay(url.c_str(), "clip.avi", path); });

    ASSERT_TRUE(saved);
    EXPECT_EQ(offered, "clip.avi");
    EXPECT_EQ(owner, nullptr);
    EXPECT_STREQ(path, target_.c_str());
    EXPECT_TRUE(ReadFile(target_) == movie);
    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(stripShown.load(), 1);
    // The strip is gone once the download is over.
    EXPECT_NE(stripSeen.load(), nullptr);
    EXPECT_FALSE(IsWindow(stripSeen.load()));
    EXPECT_EQ(g_hDownloadStrip, nullptr);
}

TEST_F(StartupDownload, CancelledSaveDownloadsNothing) {
    TestServer server([](const Request&) { return Reply{"HTTP/1.1 200 OK\r\nContent-Length: 3", "abc"}; });
    ASSERT_TRUE(server.running());
    const std::string url = server.Url("/movies/clip.avi");
    ModalScript script({[&](HWND d) {
        SetWindowTextA(FileNameBox(d), target_.c_str());
        Click(d, IDCANCEL);
    }});
    char path[kPathBytes] = "something";
    bool saved = true;
    script.Run([&] { saved = DownloadBeforePlay(url.c_str(), "clip.avi", path); });
    EXPECT_FALSE(saved);
    EXPECT_STREQ(path, "");
    EXPECT_EQ(GetFileAttributesA(target_.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(server.requests().empty());
    EXPECT_EQ(g_hDownloadStrip, nullptr);
}

}  // namespace
