// The WinX3D shutter-glasses window run for real on the test movie, at the
// test screen's own mode (1024 x 768, 32 bits), against the stand-in driver
// library of w3d_standin/: the library records every call and keeps what
// each eye's surface held when it was handed over. The library is found the
// way the player finds the real one, through HKLM "SOFTWARE\W3D" "WIN3D".
// The second half hands a movie over from the real main window through the
// shutter-glasses command and checks that it comes back as it was.
#define STRSAFE_NO_DEPRECATE
#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "com_test_support.h"
#include "shutter_open_script.h"
#include "stored_setting.h"
#include "duoscope_test_media.h"
#include "core/app_state.h"
#include "graphs/playback_graph.h"
#include "presentation/presenter.h"
#include "presentation/winx3d/w3d_interface_win32.h"
#include "presentation/winx3d/w3d_window_win32.h"
#include "resources/resource.h"
#include "shell/player_win32.h"
#include "shell/settings.h"
#include "shell/settings_store.h"
#include "w3d_standin/w3d_standin_record.h"

namespace {

using testsupport::ComApartment;
using testsupport::PumpUntil;
using testsupport::WaitUntil;

// ------------------------------------------------------------ message boxes
struct Box {
    HWND owner;
    std::string text;
    std::string caption;
};
std::vector<Box> g_boxes;

int RecordBox(HWND owner, const char* text, const char* caption, UINT) {
    g_boxes.push_back({owner, text ? text : "", caption ? caption : ""});
    return IDOK;
}

// ------------------------------------------------------- the driver's side

std::string WindowsPath(const char* path) {
    std::string s = path;
    std::replace(s.begin(), s.end(), '/', '\\');
    return s;
}

// Where the player looks for the driver library; null removes the key.
void RegisterDriverFolder(const char* folder) {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\W3D");
    if (!folder) return;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\W3D", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::string path = WindowsPath(folder);
    // The value name in another case: the player matches it without case.
    RegSetValueExA(key, "Win3D", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                   static_cast<DWORD>(path.size() + 1));
    RegCloseKey(key);
}

// The record shared with the library, made before it is loaded.
class StandIn {
public:
    StandIn() {
        mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(StandInShared),
                                      W3D_STANDIN_MAPPING);
        if (mapping_) shared_ = static_cast<StandInShared*>(MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, 0));
        if (shared_) std::memset(shared_, 0, sizeof *shared_);
    }
    ~StandIn() {
        if (shared_) UnmapViewOfFile(shared_);
        if (mapping_) CloseHandle(mapping_);
    }
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;
    StandInShared* operator->() const { return shared_; }
    bool ok() const { return shared_ != nullptr; }

    std::vector<StandInCallRecord> Calls(bool withStatus = false) const {
        std::vector<StandInCallRecord> calls;
        const LONG count = shared_->callCount;
        const LONG n = count < kStandInMaxCalls ? count : kStandInMaxCalls;
        for (LONG i = 0; i < n; ++i)
            if (withStatus || shared_->calls[i].kind != StandInCall::Status) calls.push_back(shared_->calls[i]);
        return calls;
    }

private:
    HANDLE mapping_ = nullptr;
    StandInShared* shared_ = nullptr;
};

const char* Name(StandInCall kind) {
    switch (kind) {
    case StandInCall::Attached: return "attached";
    case StandInCall::Detached: return "detached";
    case StandInCall::Fill: return "fill";
    case StandInCall::Start: return "start";
    case StandInCall::Stop: return "stop";
    case StandInCall::EyeDone: return "done";
    case StandInCall::PresentEye: return "eye";
    case StandInCall::Capabilities: return "caps";
    case StandInCall::Status: return "status";
    case StandInCall::AttachPrimary: return "attach";
    case StandInCall::DeviceIndex: return "device";
    case StandInCall::DisplayInfo: return "display";
    case StandInCall::BeforeUnload: return "unload";
    }
    return "?";
}

// The calls as text: "eye 2/1" is surface 2 for the first view.
std::string Show(const std::vector<StandInCallRecord>& calls) {
    std::string s;
    for (const auto& c : calls) {
        s += Name(c.kind);
        if (c.kind == StandInCall::PresentEye || c.kind == StandInCall::Start)
            s += " " + std::to_string(c.a) + "/" + std::to_string(c.b);
        s += ", ";
    }
    return s;
}

std::vector<StandInCallRecord> Only(const std::vector<StandInCallRecord>& calls, StandInCall kind) {
    std::vector<StandInCallRecord> out;
    for (const auto& c : calls)
        if (c.kind == kind) out.push_back(c);
    return out;
}

// ------------------------------------------------------------ eye pictures

struct Rgb {
    int r, g, b;
};
Rgb PixelOf(const StandInImage& image, int x, int y) {
    const uint32_t p = image.pixels[y * image.width + x];
    return {static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p & 0xFF)};
}

// Share of the pixels of a rectangle that `match` accepts.
template <class Match>
double Share(const StandInImage& image, int x0, int y0, int x1, int y1, Match match) {
    int hits = 0, all = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x, ++all) hits += match(PixelOf(image, x, y));
    return all ? static_cast<double>(hits) / all : 0;
}
bool IsRed(Rgb p) { return p.r > 180 && p.g < 80 && p.b < 80; }
bool IsBlue(Rgb p) { return p.b > 180 && p.r < 80 && p.g < 80; }
bool IsBlack(Rgb p) { return p.r < 16 && p.g < 16 && p.b < 16; }

// The movie's views carry a red (left) and a blue (right) square at (8, 8),
// 24 pixels wide, of a 160 x 240 view. At the fit each view is 512 x 768 at
// x = 256 (320 %); at 100 % it is 160 x 240 at (432, 264).
struct Placement {
    int x, y, zoom;
    int Px(int v) const { return x + v * zoom / 100; }
    int Py(int v) const { return y + v * zoom / 100; }
};
constexpr Placement kFit{256, 0, 320};
constexpr Placement kNatural{432, 264, 100};

double SquareShare(const StandInImage& image, const Placement& at, bool (*match)(Rgb)) {
    // The square's inner part, clear of scaled edges.
    return Share(image, at.Px(12), at.Py(12), at.Px(28), at.Py(28), match);
}

// Writes an eye's picture as a BMP for a person to look at.
void SaveEye(const StandInImage& image, const std::string& path) {
    if (image.width <= 0 || image.bitsPerPixel != 32) return;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = image.width;
    info.biHeight = -image.height;
    info.biPlanes = 1;
    info.biBitCount = 32;
    const DWORD bytes = static_cast<DWORD>(image.width) * image.height * 4;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + bytes;
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(&file, sizeof file, 1, f);
        std::fwrite(&info, sizeof info, 1, f);
        std::fwrite(image.pixels, bytes, 1, f);
        std::fclose(f);
    }
}

// ------------------------------------------------------------ the window

class W3dWindow : public testing::Test {
protected:
    void SetUp() override {
        if (GetSystemMetrics(SM_CXSCREEN) != 1024 || GetSystemMetrics(SM_CYSCREEN) != 768)
            GTEST_SKIP() << "the mode set is the test screen's own, 1024 x 768";
        ASSERT_TRUE(standIn_.ok());
        ASSERT_TRUE(SUCCEEDED(com_.hr()));
        g_boxes.clear();
        SetMessageBoxSink(RecordBox);
        RegisterDriverFolder(DUOSCOPE_W3D_STANDIN_DIR);
        g_nSourceKind = SourceKind::MovieFile;
        g_nInputLayout = 0;
        g_bRgbMode = 0;
        g_bAspect43 = 0;
        g_nFrameStepMarker = 0;
        g_nSavedState = PlayState::Paused;  // steady pictures
        g_llSavedPosition = 0;
        g_Settings.nRepeat = 0;
        g_Settings.n3DSize = 2;  // 1024 x 768
        g_Settings.n3DBpp = 1;   // 32 bits
        standIn_->tableBSize = sizeof(W3dTableB);
    }
    void TearDown() override {
        SetRunningPresenter(nullptr);
        SetMessageBoxSink(nullptr);
        RegisterDriverFolder(nullptr);
        MemorySettingsStore defaults;
        LoadSettings(defaults);
    }

    // The number of calls stays the same for a while: the paused movie's
    // pictures are drawn and handed over.
    bool Steady() {
        LONG before = standIn_->callCount;
        for (int i = 0; i < 100; ++i) {
            Sleep(400);
            const LONG now = standIn_->callCount;
            if (now == before && g_nPlayState == PlayState::Paused && standIn_->eyes[0].handovers > 0 &&
                standIn_->eyes[1].handovers > 0)
                return true;
            before = now;
        }
        return false;
    }

    // Runs the window as the shell does, with `script` driving it from a
    // second thread once its paused picture shows; Esc closes it afterwards.
    void RunWindow(const std::function<void(HWND)>& script) {
        std::atomic<bool> done{false};
        std::atomic<bool> showed{false};
        std::thread driver([&] {
            HWND window = nullptr;
            if (!WaitUntil([&] { return done || (window = FindWindowA("W3DWIN", "W3DWindow")) != nullptr; }, 15000) ||
                done)
                return;
            if (!Steady()) return;
            showed = true;
            script(window);
            if (!done) PostMessageA(window, WM_KEYUP, VK_ESCAPE, 0xC0000001);
        });
        EXPECT_EQ(kWinX3dPresenter.run(GetModuleHandleA(nullptr), DUOSCOPE_TEST_MOVIE_RGB24_AVI), 1);
        done = true;
        driver.join();
        EXPECT_TRUE(showed) << "the paused picture never showed: " << Show(standIn_.Calls());
        if (const char* dir = std::getenv("DUOSCOPE_W3D_SHOT_DIR")) {
            const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
            SaveEye(standIn_->eyes[1], std::string(dir) + "\\" + name + "_first.bmp");
            SaveEye(standIn_->eyes[0], std::string(dir) + "\\" + name + "_second.bmp");
        }
    }

    // Waits for the paused window to draw again after a key.
    void Redrawn(HWND window, WPARAM key) {
        const int before = standIn_->eyes[0].handovers;
        PostMessageA(window, WM_KEYUP, key, 0xC0000001);
        EXPECT_TRUE(WaitUntil([&] { return standIn_->eyes[0].handovers > before; }, 5000));
        Steady();
    }

    ComApartment com_;
    StandIn standIn_;
};


// The whole life of the driver in order, with a full table B and a chain of
// two: the library is told the device, display and primary, starts on the
// first two surfaces, gets the first view (eye flag 1) and then the second
// (0) with its completion call, is stopped, told of its unload, unloaded.
TEST_F(W3dWindow, DriverCallsInOrderAndTheViewsOfEachEye) {
    RunWindow([](HWND) {});
    const std::vector<StandInCallRecord> calls = standIn_.Calls();
    const std::string shown = Show(calls);
    ASSERT_GE(calls.size(), 12u) << shown;
    const StandInCall head[] = {StandInCall::Attached,    StandInCall::Fill,         StandInCall::DeviceIndex,
                                StandInCall::DisplayInfo, StandInCall::Capabilities, StandInCall::AttachPrimary,
                                StandInCall::Start};
    for (size_t i = 0; i < sizeof head / sizeof head[0]; ++i) EXPECT_EQ(calls[i].kind, head[i]) << shown;
    EXPECT_EQ(static_cast<size_t>(calls[1].a), sizeof(W3dDriverHandle));
    // The primary is surface 1; the start takes it and the back buffer.
    EXPECT_EQ(calls[5].a, 1);
    EXPECT_TRUE(calls[5].caps & DDSCAPS_PRIMARYSURFACE);
    EXPECT_EQ(calls[6].a, 1);
    EXPECT_EQ(calls[6].b, 2);
    const StandInCall tail[] = {StandInCall::Stop, StandInCall::BeforeUnload, StandInCall::Detached};
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(calls[calls.size() - 3 + i].kind, tail[i]) << shown;

    // Between start and stop: pairs of eyes, first view on surface 1 and
    // second on 2 (the library holds the one it got last), and one
    // completion after each second view only.
    std::vector<StandInCallRecord> frames(calls.begin() + 7, calls.end() - 3);
    ASSERT_FALSE(frames.empty());
    ASSERT_EQ(frames.size() % 3, 0u) << shown;
    for (size_t i = 0; i < frames.size(); i += 3) {
        EXPECT_EQ(frames[i].kind, StandInCall::PresentEye) << shown;
        EXPECT_EQ(frames[i].b, 1);
        EXPECT_EQ(frames[i].a, 1);
        EXPECT_EQ(frames[i + 1].kind, StandInCall::PresentEye) << shown;
        EXPECT_EQ(frames[i + 1].b, 0);
        EXPECT_EQ(frames[i + 1].a, 2);
        EXPECT_EQ(frames[i + 2].kind, StandInCall::EyeDone) << shown;
        EXPECT_EQ(frames[i + 2].a, 1);
    }
    for (const auto& c : calls) EXPECT_EQ(c.device, 0);

    // What each eye got: the left view (red square) for the first, the
    // right (blue) for the second, fitted and centred, black beside it.
    const StandInImage& first = standIn_->eyes[1];
    const StandInImage& second = standIn_->eyes[0];
    ASSERT_EQ(first.bitsPerPixel, 32);
    ASSERT_EQ(first.width, 1024);
    ASSERT_EQ(first.height, 768);
    EXPECT_GT(SquareShare(first, kFit, IsRed), 0.9);
    EXPECT_GT(SquareShare(second, kFit, IsBlue), 0.9);
    EXPECT_LT(SquareShare(first, kFit, IsBlue), 0.05);
    for (const StandInImage* eye : {&first, &second}) {
        EXPECT_GT(Share(*eye, 0, 300, 250, 768, IsBlack), 0.99);
        EXPECT_GT(Share(*eye, 774, 0, 1024, 768, IsBlack), 0.99);
        EXPECT_LT(Share(*eye, 256, 300, 768, 768, IsBlack), 0.5);  // the picture
    }
    for (const Box& b : g_boxes) ADD_FAILURE() << "box: " << b.text;
}

// Three surfaces: the first view's hand-over gets its own completion call,
// and a surface the library holds is passed over for the next free one.
// Without table B none of its entries is called.
TEST_F(W3dWindow, ThreeSurfacesTakeTheNextFreeOne) {
    standIn_->flags1 = 0x1000;  // a third surface, completion after each view
    standIn_->busySurface = 1;  // the primary stays shown
    standIn_->tableBSize = 0;
    RunWindow([](HWND) {});
    const std::vector<StandInCallRecord> calls = standIn_.Calls();
    const std::string shown = Show(calls);
    for (StandInCall absent : {StandInCall::DeviceIndex, StandInCall::DisplayInfo, StandInCall::AttachPrimary,
                               StandInCall::BeforeUnload})
        EXPECT_TRUE(Only(calls, absent).empty()) << Name(absent) << ": " << shown;
    const auto starts = Only(calls, StandInCall::Start);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].a, 1);
    EXPECT_EQ(starts[0].b, 2);
    const auto eyes = Only(calls, StandInCall::PresentEye);
    ASSERT_FALSE(eyes.empty());
    for (const auto& e : eyes) EXPECT_EQ(e.a, e.b ? 2 : 3) << shown;  // never the held primary
    EXPECT_EQ(Only(calls, StandInCall::EyeDone).size(), eyes.size()) << shown;
    EXPECT_EQ(standIn_->surfaceCount, 3);
    EXPECT_GT(SquareShare(standIn_->eyes[1], kFit, IsRed), 0.9);
    EXPECT_GT(SquareShare(standIn_->eyes[0], kFit, IsBlue), 0.9);
}

// A zoom change clears the next four surfaces drawn, so that the old,
// larger picture's margins go from every surface of a chain of three that
// the driver takes in turn (it holds the last two it got); switching the
// help off likewise takes its text away.
TEST_F(W3dWindow, ZoomAndHelpChangesClearEverySurface) {
    standIn_->flags1 = 0x1000;
    standIn_->holdsTwo = 1;
    // Per redraw after the change, both eyes: the share of black where only
    // the old picture or the help text was.
    std::vector<double> afterZoom, afterHelp;
    double helpShown = 0;
    RunWindow([&](HWND window) {
        auto margins = [&](std::vector<double>* out, int x0, int y0, int x1, int y1) {
            for (int eye = 0; eye < 2; ++eye) out->push_back(Share(standIn_->eyes[eye], x0, y0, x1, y1, IsBlack));
        };
        Redrawn(window, 'J');  // 100 %
        margins(&afterZoom, 256, 0, 768, 250);
        // Redraws that change nothing of the margins, until every surface
        // of the chain has come round.
        for (int i = 0; i < 2; ++i) {
            Redrawn(window, 'X');
            margins(&afterZoom, 256, 0, 768, 250);
        }
        Redrawn(window, 'H');
        helpShown = Share(standIn_->eyes[1], 2, 22, 400, 240, [](Rgb p) { return !IsBlack(p); });
        Redrawn(window, 'H');
        margins(&afterHelp, 0, 0, 430, 262);
        for (int i = 0; i < 2; ++i) {
            Redrawn(window, 'X');
            margins(&afterHelp, 0, 0, 430, 262);
        }
    });
    for (size_t i = 0; i < afterZoom.size(); ++i) EXPECT_GT(afterZoom[i], 0.99) << "draw " << i;
    for (size_t i = 0; i < afterHelp.size(); ++i) EXPECT_GT(afterHelp[i], 0.99) << "draw " << i;
    EXPECT_GT(helpShown, 0.01);
    // All three surfaces took turns.
    std::vector<int> used;
    for (const auto& e : Only(standIn_.Calls(), StandInCall::PresentEye))
        if (std::find(used.begin(), used.end(), e.a) == used.end()) used.push_back(e.a);
    EXPECT_EQ(used.size(), 3u);
    EXPECT_GT(SquareShare(standIn_->eyes[0], kNatural, IsRed) + SquareShare(standIn_->eyes[1], kNatural, IsRed), 0.9);
}

// The swap key exchanges what the eyes get.
TEST_F(W3dWindow, SwapExchangesTheEyes) {
    RunWindow([&](HWND window) { Redrawn(window, 'X'); });
    EXPECT_GT(SquareShare(standIn_->eyes[1], kFit, IsBlue), 0.9);
    EXPECT_GT(SquareShare(standIn_->eyes[0], kFit, IsRed), 0.9);
}

// A library that refuses 8-bit modes while asking 16 bits to be driven at
// 8 cannot show: the window closes and says so, and the library is let go.
TEST_F(W3dWindow, RefusedDepthClosesWithTheMessage) {
    g_Settings.n3DBpp = 0;  // 16 bits
    standIn_->flags1 = 0x40 | 0x4;
    EXPECT_EQ(kWinX3dPresenter.run(GetModuleHandleA(nullptr), DUOSCOPE_TEST_MOVIE_RGB24_AVI), 1);
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].caption, LoadResString(IDS_CAUTION));
    EXPECT_EQ(g_boxes[0].text, LoadResString(IDS_CANNOT_SHOW));
    const auto calls = standIn_.Calls();
    EXPECT_TRUE(Only(calls, StandInCall::Start).empty()) << Show(calls);
    EXPECT_EQ(calls.back().kind, StandInCall::Detached) << Show(calls);
    EXPECT_EQ(FindWindowA("W3DWIN", nullptr), nullptr);
}

bool DisplayOffers(DWORD width, DWORD height) {
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    for (DWORD i = 0; EnumDisplaySettingsA(nullptr, i, &mode); ++i)
        if (mode.dmPelsWidth == width && mode.dmPelsHeight == height) return true;
    return false;
}

// A mode the display cannot take (a bare X server offers only its own
// size) is said, not shown at the wrong size; the driver is let go.
TEST_F(W3dWindow, ModeTheDisplayLacksClosesWithTheMessage) {
    if (DisplayOffers(640, 480)) GTEST_SKIP() << "this display can take 640 x 480";
    g_Settings.n3DSize = 0;  // 640 x 480
    EXPECT_EQ(kWinX3dPresenter.run(GetModuleHandleA(nullptr), DUOSCOPE_TEST_MOVIE_RGB24_AVI), 1);
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].text, LoadResString(IDS_CANNOT_SHOW));
    const auto calls = standIn_.Calls();
    EXPECT_TRUE(Only(calls, StandInCall::Start).empty()) << Show(calls);
    EXPECT_EQ(calls.back().kind, StandInCall::Detached) << Show(calls);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
}

// ------------------------------------------------- from the main window

void DeleteSettingsKey() { RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKeyPath); }

void PutSetting(const char* name, const std::string& text) {
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.data()), static_cast<DWORD>(text.size()));
    RegCloseKey(key);
}

// What closes the window once it shows, sent from a timer of the main
// window's thread, which runs the window's loop.
enum class Closing { Escape, Enter, Deactivated, FocusLost };
Closing g_closing = Closing::Escape;
int g_closeTicks = 0;
bool g_closeSent = false;

void CALLBACK CloseShutterWindowSoon(HWND, UINT, UINT_PTR, DWORD) {
    HWND window = FindWindowA("W3DWIN", "W3DWindow");
    if (!window || g_closeSent) return;
    // Once the movie shows paused or running.
    if (++g_closeTicks < 8) return;
    g_closeSent = true;
    switch (g_closing) {
    case Closing::Escape: PostMessageA(window, WM_KEYUP, VK_ESCAPE, 0xC0000001); break;
    case Closing::Enter: PostMessageA(window, WM_KEYUP, VK_RETURN, 0xC0000001); break;
    case Closing::Deactivated: SetActiveWindow(ghApp); break;
    case Closing::FocusLost: SendMessageA(window, WM_KILLFOCUS, 0, 0); break;
    }
}

class W3dHandOver : public testing::Test {
protected:
    void SetUp() override {
        if (GetSystemMetrics(SM_CXSCREEN) != 1024 || GetSystemMetrics(SM_CYSCREEN) != 768)
            GTEST_SKIP() << "the mode set is the test screen's own, 1024 x 768";
        ASSERT_TRUE(standIn_.ok());
        ASSERT_TRUE(SUCCEEDED(com_.hr()));
        g_boxes.clear();
        SetMessageBoxSink(RecordBox);
        DeleteSettingsKey();
        PutSetting("nVidia", "0");
        PutSetting("n3DSize", "2");
        PutSetting("n3DBpp", "1");
        PutSetting("nAutostart", "0");
        PutSetting("nRepeat", "1");  // a running movie keeps running
        standIn_->tableBSize = sizeof(W3dTableB);
        g_szCurrentFile[0] = '\0';
        g_nSourceKind = SourceKind::MovieFile;
        g_bOwnFullScreen = 0;
        g_hFullScreenWnd = nullptr;
        g_nInputLayout = 0;
        ASSERT_TRUE(RegisterPlayerClasses(GetModuleHandleA(nullptr)));
        ASSERT_NE(CreatePlayerWindow(GetModuleHandleA(nullptr)), nullptr);
    }
    void TearDown() override {
        if (ghApp && IsWindow(ghApp)) SendMessageA(ghApp, WM_CLOSE, 0, 0);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchPlayerMessage(&msg);
        SetMessageBoxSink(nullptr);
        DeleteSettingsKey();
        RegisterDriverFolder(nullptr);
        MemorySettingsStore defaults;
        LoadSettings(defaults);
        g_szCurrentFile[0] = '\0';
    }

    static void Command(int id) { SendMessageA(ghApp, WM_COMMAND, static_cast<WPARAM>(id), 0); }

    bool OpenMovie() {
        std::strcpy(g_szCurrentFile, DUOSCOPE_TEST_MOVIE_RGB24_AVI);
        Command(IDM_OPEN_SHELL);
        return PumpUntil([] { return g_nPlayState != PlayState::Init; }, 10000);
    }

    static int64_t Position() {
        LONGLONG position = -1;
        if (g_PlaybackGraph.pMS) g_PlaybackGraph.pMS->GetCurrentPosition(&position);
        return position;
    }

    ComApartment com_;
    StandIn standIn_;
};

// The shutter-glasses command with the WinX3D driver chosen: the window
// closes on Esc, Enter, losing activation or losing the focus, and the movie
// comes back to the main window where it was, as it was.
TEST_F(W3dHandOver, ClosesAndTheMovieComesBack) {
    RegisterDriverFolder(DUOSCOPE_W3D_STANDIN_DIR);
    ASSERT_TRUE(OpenMovie());
    const struct {
        Closing closing;
        bool running;
    } cases[] = {{Closing::Escape, false}, {Closing::Enter, true}, {Closing::Deactivated, false},
                 {Closing::FocusLost, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.closing));
        // Half-way into the movie, paused or running there.
        g_nPositionMs = 500;
        Command(IDM_SEEKBAR_SEEK);
        if (c.running) {
            Command(IDM_PLAY);
        } else {
            Command(IDM_STOP);
        }
        PumpUntil([] { return false; }, 300);
        const PlayState before = g_nPlayState;
        ASSERT_EQ(before, c.running ? PlayState::Running : PlayState::Paused);
        const int64_t positionBefore = Position();
        std::memset(standIn_.operator->(), 0, sizeof(StandInShared));
        standIn_->tableBSize = sizeof(W3dTableB);
        g_closing = c.closing;
        g_closeTicks = 0;
        g_closeSent = false;
        const UINT_PTR timer = SetTimer(nullptr, 0, 250, CloseShutterWindowSoon);
        Command(IDM_DISPLAY_SHUTTER_GLASSES);
        KillTimer(nullptr, timer);
        EXPECT_TRUE(g_closeSent) << "the window never showed";
        EXPECT_EQ(FindWindowA("W3DWIN", nullptr), nullptr);
        const auto calls = standIn_.Calls();
        EXPECT_FALSE(Only(calls, StandInCall::PresentEye).empty()) << Show(calls);
        EXPECT_EQ(Only(calls, StandInCall::Stop).size(), 1u) << Show(calls);
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.back().kind, StandInCall::Detached) << Show(calls);

        EXPECT_STREQ(g_szCurrentFile, DUOSCOPE_TEST_MOVIE_RGB24_AVI);
        EXPECT_EQ(g_nPlayState, before);
        EXPECT_EQ(g_bTimerOn, 1);
        // A paused movie is back on its frame; a running one ran on, round
        // and round.
        if (!c.running) {
            EXPECT_NEAR(static_cast<double>(Position()), static_cast<double>(positionBefore), 1000000.0);
        }
        for (const Box& b : g_boxes) ADD_FAILURE() << "box: " << b.text;
        g_boxes.clear();
    }
}

// The two other ways to shutter glasses: a movie opened from the command
// line with the shell-open format 液晶メガネ, and one opened through the
// open dialog with that format chosen there. Each shows the movie in the
// window, which starts paused unless "nAutostart" says play, and leaves
// the main window with nothing open and the movie in the history.
TEST_F(W3dHandOver, CommandLineAndOpenDialogStartTheWindow) {
    RegisterDriverFolder(DUOSCOPE_W3D_STANDIN_DIR);
    PutSetting("nStereoCom", "9");
    g_Settings.nStereoCom = 9;
    for (const bool fromDialog : {false, true}) {
        SCOPED_TRACE(fromDialog ? "open dialog" : "command line");
        const char* movie = fromDialog ? DUOSCOPE_TEST_MOVIE_YUY2_AVI : DUOSCOPE_TEST_MOVIE_RGB24_AVI;
        std::memset(standIn_.operator->(), 0, sizeof(StandInShared));
        standIn_->tableBSize = sizeof(W3dTableB);
        g_closing = Closing::Escape;
        g_closeTicks = 0;
        g_closeSent = false;
        const UINT_PTR timer = SetTimer(nullptr, 0, 250, CloseShutterWindowSoon);
        if (fromDialog) {
            testsupport::OpenThroughTheDialogAsShutterGlasses(movie);
        } else {
            std::strcpy(g_szCurrentFile, movie);
            Command(IDM_OPEN_SHELL);
        }
        KillTimer(nullptr, timer);
        EXPECT_TRUE(g_closeSent) << "the window never showed";
        EXPECT_EQ(FindWindowA("W3DWIN", nullptr), nullptr);
        const auto calls = standIn_.Calls();
        EXPECT_FALSE(Only(calls, StandInCall::PresentEye).empty()) << Show(calls);
        EXPECT_EQ(Only(calls, StandInCall::Stop).size(), 1u) << Show(calls);
        EXPECT_EQ(g_nDisplayMode, 9);
        EXPECT_EQ(g_nPlayState, PlayState::Init);
        EXPECT_EQ(testsupport::StoredSetting("FileHistory0"), movie);
        for (const Box& b : g_boxes) ADD_FAILURE() << "box: " << b.text;
        g_boxes.clear();
    }
}

// Without the driver's key, or with a library that lacks its entry point,
// the command says the driver is missing and closes nothing: the movie
// plays on in the main window; no window opens and nothing stays loaded.
TEST_F(W3dHandOver, MissingDriverIsRefusedBeforeAnythingCloses) {
    ASSERT_TRUE(OpenMovie());
    Command(IDM_STOP);
    const char* folders[] = {nullptr, DUOSCOPE_W3D_NOENTRY_DIR};
    for (const char* folder : folders) {
        SCOPED_TRACE(folder ? folder : "no key");
        RegisterDriverFolder(folder);
        g_boxes.clear();
        IGraphBuilder* graph = g_PlaybackGraph.pGB;
        Command(IDM_DISPLAY_SHUTTER_GLASSES);
        ASSERT_EQ(g_boxes.size(), 1u);
        EXPECT_EQ(g_boxes[0].text,
                  SystemCodePageText("WINx3Dドライバーが見つかりません。WinX3Dをセットアップしてから実行して下さい。"));
        EXPECT_EQ(g_boxes[0].owner, ghApp);
        EXPECT_EQ(g_PlaybackGraph.pGB, graph);  // the same graph, never closed
        EXPECT_EQ(g_nPlayState, PlayState::Paused);
        EXPECT_EQ(FindWindowA("W3DWIN", nullptr), nullptr);
        EXPECT_EQ(GetModuleHandleA("W3D_DD.DLL"), nullptr);
    }
}

}  // namespace
