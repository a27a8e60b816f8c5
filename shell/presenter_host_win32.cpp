// The shell as the presenters' host: its message boxes, string table and
// settings, and the full-screen graph built on the Win32 platform.
#include <windows.h>

#include "graphs/playback_graph.h"
#include "presentation/presenter_host.h"
#include "shell/graph_platform_win32.h"
#include "shell/player_win32.h"
#include "shell/settings.h"

namespace {

class ShellHost final : public PresenterHost {
public:
    int ShowMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t type) override {
        return ::ShowMessageBox(owner, text, caption, type);
    }
    const char* String(int32_t id) override { return LoadResString(id); }
    int32_t Setting(const char* name) override { return NumberSetting(name); }
    void StoreSetting(const char* name, int32_t value) override { ::StoreSetting(UserSettingsStore(), name, value); }
    HRESULT BuildFullScreenGraph(WindowHandle window, const char* file) override {
        return ::BuildFullScreenGraph(Win32GraphPlatform(), g_FullScreenGraph, window, file);
    }
};

}  // namespace

PresenterHost& ShellPresenterHost() {
    static ShellHost host;
    return host;
}

HINSTANCE ResourceInstance() { return g_hInst ? g_hInst : GetModuleHandleA(nullptr); }
