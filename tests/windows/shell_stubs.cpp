// TEST STAND-INS for the shell functions that the Win32 graph platform
// calls (graphs/playback_graph_win32.cpp). The real ones come with the main
// window; until then the Windows tests link these, which only record what
// they were asked, so a test can check which shell calls a build made.
// Delete this file when the shell lands.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "shell/app_state.h"

namespace {

std::mutex g_mutex;
std::vector<std::string> g_calls;

void Record(std::string call) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_calls.push_back(std::move(call));
}

}  // namespace

// What the tests read: one entry per call, in order, e.g.
// "EnablePlaybackMenu(1)", "LoadResString(2365)", "ReportMessage: <text>".
std::vector<std::string> ShellStandInCalls() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_calls;
}

void ClearShellStandInCalls() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_calls.clear();
}

void UpdateMainTitle() { Record("UpdateMainTitle"); }

void InitPlayerWindow() { Record("InitPlayerWindow"); }

void EnablePlaybackMenu(bool enable) { Record(std::string("EnablePlaybackMenu(") + (enable ? "1" : "0") + ")"); }

// Like the real one, two alternating buffers; the string table has nothing
// here, so the text is empty.
char* LoadResString(int id) {
    static char buffers[2][256];
    static int next = 0;
    Record("LoadResString(" + std::to_string(id) + ")");
    char* buffer = buffers[next];
    next ^= 1;
    buffer[0] = '\0';
    return buffer;
}

// Records the formatted text instead of showing a message box, which would
// wait for a click nobody makes.
void ReportMessage(const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    Record(std::string("ReportMessage: ") + text);
}

int ShutterDriverSetting() {
    Record("ShutterDriverSetting");
    return g_nShutterDriver.load();
}

HRESULT BuildTwoCameraFullScreenGraph(HWND) {
    Record("BuildTwoCameraFullScreenGraph");
    return E_NOTIMPL;
}

HRESULT BuildOneCameraFullScreenGraph(HWND) {
    Record("BuildOneCameraFullScreenGraph");
    return E_NOTIMPL;
}
