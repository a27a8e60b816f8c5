// The real player started as a child process, the way the shell or a user
// starts it: what its command line opens or refuses, and how its window
// shows. Everything is looked at from outside, through the window list,
// window texts and the settings the child leaves in the registry.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "com_test_support.h"
#include "duoscope_test_media.h"
#include "stored_setting.h"
#include "w3d_standin/w3d_standin_record.h"
#include "shell/settings_store.h"

namespace {

constexpr char kMainClass[] = "PlayWndMediaPlayer";
constexpr char kBoxClass[] = "#32770";
constexpr DWORD kStartMs = 15000;  // a new Wine process takes 1-2 s
constexpr DWORD kExitMs = 5000;

std::string PlayerExe() {
    std::string path = DUOSCOPE_PLAYER_EXE;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

using testsupport::WaitUntil;

std::string WindowText(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// The text control of a message box; the player's seek bar, also a
// dialog of class "#32770", has none.
constexpr int kBoxTextId = 0xFFFF;

struct WindowSearch {
    DWORD pid;
    const char* className;
    bool messageBox;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
    auto* s = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (owner != s->pid || lstrcmpA(name, s->className) != 0 || !IsWindowVisible(window)) return TRUE;
    if (s->messageBox && !GetDlgItem(window, kBoxTextId)) return TRUE;
    s->found = window;
    return FALSE;
}

// A visible top-level window of `className` belonging to process `pid`;
// with `messageBox`, only a window with a message box's text.
HWND FindTopWindow(DWORD pid, const char* className, bool messageBox = false) {
    WindowSearch search{pid, className, messageBox, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

using testsupport::StoredSetting;

// One run of the player. The destructor ends a child the test left
// running: a left-over player would hold up the whole test run.
class Player {
public:
    Player() = default;
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;
    ~Player() {
        if (!process_.hProcess) return;
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.hProcess, 99);
            WaitForSingleObject(process_.hProcess, kExitMs);
        }
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }

    // `showCommand` < 0: no show command in the start-up information.
    bool Start(const std::string& arguments, int showCommand = -1) {
        std::string commandLine = "\"" + PlayerExe() + "\"";
        if (!arguments.empty()) commandLine += " " + arguments;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        if (showCommand >= 0) {
            startup.dwFlags = STARTF_USESHOWWINDOW;
            startup.wShowWindow = static_cast<WORD>(showCommand);
        }
        if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process_)) {
            ADD_FAILURE() << "cannot start " << commandLine << ": error " << GetLastError();
            return false;
        }
        return true;
    }

    HWND WaitForWindow(const char* className, bool messageBox = false) {
        HWND found = nullptr;
        WaitUntil(
            [&] {
                found = FindTopWindow(process_.dwProcessId, className, messageBox);
                return found != nullptr || Ended();
            },
            kStartMs);
        return found;
    }

    DWORD Pid() const { return process_.dwProcessId; }
    bool Ended() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0; }

    // Closes the main window; the process's exit code, or -1 when it did
    // not end in time.
    long CloseAndWait(HWND mainWindow) {
        PostMessageA(mainWindow, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process_.hProcess, kExitMs) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(process_.hProcess, &code);
        return static_cast<long>(code);
    }

private:
    PROCESS_INFORMATION process_{};
};

class PlayerProcess : public ::testing::Test {
protected:
    void SetUp() override {
        // The suite may run in one prefix: no settings left by an earlier test.
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKeyPath);
        char temp[MAX_PATH] = {};
        ASSERT_NE(GetTempPathA(sizeof temp, temp), 0u);
        base_ = std::string(temp) + "PlayerProcess " + std::to_string(GetCurrentProcessId());
        folder_ = base_ + "\\My Movies";
        movie_ = folder_ + "\\x.avi";
        CreateDirectoryA(base_.c_str(), nullptr);
        CreateDirectoryA(folder_.c_str(), nullptr);
    }
    void TearDown() override {
        DeleteFileA(movie_.c_str());
        RemoveDirectoryA(folder_.c_str());
        RemoveDirectoryA(base_.c_str());
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKeyPath);
    }

    void CopyMovie() { ASSERT_TRUE(CopyFileA(DUOSCOPE_TEST_MOVIE_RGB24_AVI, movie_.c_str(), FALSE)) << movie_; }

    // A start with no movie: the empty window, no box, and on closing, no
    // sign of an open in the settings.
    static void ExpectEmptyWindowAndCleanEnd(Player& player, HWND window) {
        ASSERT_NE(window, nullptr) << "no visible main window";
        EXPECT_EQ(WindowText(window), "Duoscope");
        EXPECT_TRUE(IsWindowVisible(window));
        EXPECT_FALSE(IsIconic(window));
        EXPECT_EQ(FindTopWindow(player.Pid(), kBoxClass, true), nullptr) << "a message box shows";
        // The open a start path posts would be queued before this close.
        EXPECT_EQ(player.CloseAndWait(window), 0);
        EXPECT_EQ(StoredSetting("FileHistory0"), "<absent>");
        EXPECT_EQ(StoredSetting("nStereo"), "<absent>");
    }

    std::string base_;
    std::string folder_;
    std::string movie_;
};

TEST_F(PlayerProcess, ShortCommandLinesAreIgnored) {
    for (const char* arguments : {"", "C:\\a.avi"}) {
        SCOPED_TRACE(std::string("command line: ") + arguments);
        Player player;
        ASSERT_TRUE(player.Start(arguments));
        ExpectEmptyWindowAndCleanEnd(player, player.WaitForWindow(kMainClass));
    }
}

TEST_F(PlayerProcess, QuotedPathAndFileUrlOpenTheMovie) {
    CopyMovie();
    std::string url = "FILE:///";
    for (char c : movie_) {
        if (c == '\\')
            url += '/';
        else if (c == ' ')
            url += "%20";
        else
            url += c;
    }
    for (const std::string& arguments : {"\"" + movie_ + "\"", url}) {
        SCOPED_TRACE("command line: " + arguments);
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKeyPath);
        Player player;
        ASSERT_TRUE(player.Start(arguments));
        HWND window = player.WaitForWindow(kMainClass);
        ASSERT_NE(window, nullptr) << "no main window";
        std::string title;
        EXPECT_TRUE(WaitUntil([&] { return (title = WindowText(window)).rfind("x.avi [Video", 0) == 0; }, kStartMs))
            << "title: " << title;
        EXPECT_EQ(player.CloseAndWait(window), 0);
        // The path that was opened: quotes dropped, blanks back.
        EXPECT_EQ(StoredSetting("FileHistory0"), movie_);
    }
}

TEST_F(PlayerProcess, WindowShowsNormallyWhateverTheShowCommand) {
    for (int show : {SW_MINIMIZE, SW_HIDE}) {
        SCOPED_TRACE("show command " + std::to_string(show));
        Player player;
        ASSERT_TRUE(player.Start("", show));
        ExpectEmptyWindowAndCleanEnd(player, player.WaitForWindow(kMainClass));
    }
}

TEST_F(PlayerProcess, OverlongPathIsRefusedWithABox) {
    std::string path = "C:\\";
    path += std::string(300 - path.size() - 4, 'a');
    path += ".avi";
    ASSERT_EQ(path.size(), 300u);
    Player player;
    ASSERT_TRUE(player.Start(path));
    HWND box = player.WaitForWindow(kBoxClass, true);
    ASSERT_NE(box, nullptr) << "no message box";
    EXPECT_EQ(WindowText(box), "Duoscope");
    char text[512] = {};
    GetDlgItemTextA(box, kBoxTextId, text, sizeof text);
    const std::string message = text;
    EXPECT_NE(message.find("300 bytes"), std::string::npos) << message;
    EXPECT_NE(message.find("at most 259 bytes"), std::string::npos) << message;
    EXPECT_NE(message.find("nothing is opened"), std::string::npos) << message;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ExpectEmptyWindowAndCleanEnd(player, player.WaitForWindow(kMainClass));
}

// ---------------------------------------------------- shutter glasses

void PutUserSetting(const char* name, const char* text) {
    RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsKeyPath, name, REG_SZ, text, static_cast<DWORD>(std::strlen(text) + 1));
}

// The stand-in WinX3D library's folder as the driver's key names it.
void RegisterW3dFolder(const char* folder) {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\W3D");
    if (!folder) return;
    std::string path = folder;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\W3D", "WIN3D", REG_SZ, path.c_str(),
                    static_cast<DWORD>(path.size() + 1));
}

// A movie on the command line with the shell-open format 液晶メガネ goes
// straight into the shutter-glasses window the "nVidia" setting chooses;
// when that window closes (Esc), or cannot start (no quad-buffered OpenGL
// here), the main window stays with nothing open and the movie is in the
// history.
TEST_F(PlayerProcess, ShutterGlassesFromTheCommandLineStartTheChosenWindow) {
    CopyMovie();
    // What the stand-in library is told and tells, shared with it.
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(StandInShared),
                                        W3D_STANDIN_MAPPING);
    ASSERT_NE(mapping, nullptr);
    auto* standIn = static_cast<StandInShared*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    ASSERT_NE(standIn, nullptr);
    const struct {
        const char* driver;
        const char* windowClass;  // null: the start is refused with a box
    } cases[] = {{"0", "W3DWIN"}, {"1", "nVidiaStereo"}, {"2", nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("nVidia = ") + c.driver);
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKeyPath);
        PutUserSetting("nStereoCom", "9");
        PutUserSetting("nVidia", c.driver);
        // The test screen's own mode: a bare X server sets no other.
        PutUserSetting("n3DSize", "2");
        PutUserSetting("n3DBpp", "1");
        std::memset(standIn, 0, sizeof *standIn);
        standIn->tableBSize = 44;
        RegisterW3dFolder(DUOSCOPE_W3D_STANDIN_DIR);

        Player player;
        ASSERT_TRUE(player.Start("\"" + movie_ + "\""));
        if (c.windowClass) {
            HWND window = player.WaitForWindow(c.windowClass);
            ASSERT_NE(window, nullptr) << "no " << c.windowClass << " window";
            // Once the movie shows there.
            Sleep(2500);
            PostMessageA(window, WM_KEYUP, VK_ESCAPE, 0xC0000001);
            EXPECT_TRUE(WaitUntil([&] { return !IsWindow(window); }, kStartMs)) << "the window stays";
        } else {
            HWND box = player.WaitForWindow(kBoxClass, true);
            ASSERT_NE(box, nullptr) << "no message box";
            EXPECT_EQ(WindowText(box), "Error!");
            char text[256] = {};
            GetDlgItemTextA(box, kBoxTextId, text, sizeof text);
            EXPECT_STREQ(text, "OpenGL Quad-buffered stereo is not supported. ");
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
        HWND main = player.WaitForWindow(kMainClass);
        ASSERT_NE(main, nullptr) << "no main window";
        EXPECT_TRUE(WaitUntil([&] { return StoredSetting("FileHistory0") == movie_; }, kStartMs))
            << StoredSetting("FileHistory0");
        EXPECT_EQ(WindowText(main), "Duoscope");
        EXPECT_EQ(FindTopWindow(player.Pid(), kBoxClass, true), nullptr) << "a message box shows";
        EXPECT_EQ(player.CloseAndWait(main), 0);
        if (std::strcmp(c.driver, "0") == 0) {
            // The driver got the frames of both eyes and let go of the screen.
            bool sawEye = false, sawStop = false;
            for (LONG i = 0; i < standIn->callCount && i < kStandInMaxCalls; ++i) {
                sawEye |= standIn->calls[i].kind == StandInCall::PresentEye;
                sawStop |= standIn->calls[i].kind == StandInCall::Stop;
            }
            EXPECT_TRUE(sawEye);
            EXPECT_TRUE(sawStop);
        }
    }
    RegisterW3dFolder(nullptr);
    UnmapViewOfFile(standIn);
    CloseHandle(mapping);
}

}  // namespace
