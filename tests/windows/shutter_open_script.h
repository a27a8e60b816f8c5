// Ways into the shutter-glasses windows from the main window's opens, as
// a user takes them: the open dialog with the format 液晶メガネ chosen in
// it, and Esc for the window once it has shown a while.
#pragma once

#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>
#include <gtest/gtest.h>

#include "modal_script.h"
#include "resources/resource.h"
#include "shell/player_win32.h"

namespace testsupport {

// part[0]: the format part found; part[1]: the open dialog, whose own
// controls do not count.
inline BOOL CALLBACK TakeFormatPart(HWND w, LPARAM out) {
    HWND* part = reinterpret_cast<HWND*>(out);
    if (GetDlgCtrlID(w) != IDC_DISPLAY_SHUTTER_GLASSES || GetParent(w) == part[1]) return TRUE;
    part[0] = GetParent(w);
    return FALSE;
}

// The open command; in its dialog 液晶メガネ is chosen and `path` typed.
inline void OpenThroughTheDialogAsShutterGlasses(const char* path) {
    ModalScript script({[path](HWND open) {
        HWND part[2] = {nullptr, open};
        EnumChildWindows(open, TakeFormatPart, reinterpret_cast<LPARAM>(part));
        ASSERT_NE(part[0], nullptr) << "no format choice in the open dialog";
        SendMessageA(GetDlgItem(part[0], IDC_DISPLAY_SHUTTER_GLASSES), BM_CLICK, 0, 0);
        HWND box = GetDlgItem(open, cmb13);
        SetWindowTextA(box ? box : GetDlgItem(open, edt1), path);
        PostMessageA(open, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(open, IDOK)));
    }});
    script.Run([] { SendMessageA(ghApp, WM_COMMAND, IDM_OPEN, 0); });
}

// While it lives, a timer of this thread (which runs the window's loop)
// posts Esc to the first window of `windowClass` after it has been there
// for two seconds.
class EscapeWhenShown {
public:
    explicit EscapeWhenShown(const char* windowClass) {
        active() = this;
        windowClass_ = windowClass;
        timer_ = SetTimer(nullptr, 0, 250, Tick);
    }
    ~EscapeWhenShown() {
        KillTimer(nullptr, timer_);
        active() = nullptr;
    }
    EscapeWhenShown(const EscapeWhenShown&) = delete;
    EscapeWhenShown& operator=(const EscapeWhenShown&) = delete;
    bool sent() const { return sent_; }

private:
    static EscapeWhenShown*& active() {
        static EscapeWhenShown* self = nullptr;
        return self;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        EscapeWhenShown* self = active();
        if (!self || self->sent_) return;
        HWND window = FindWindowA(self->windowClass_, nullptr);
        if (!window || ++self->ticks_ < 8) return;
        self->sent_ = true;
        PostMessageA(window, WM_KEYUP, VK_ESCAPE, 0xC0000001);
    }

    const char* windowClass_ = nullptr;
    UINT_PTR timer_ = 0;
    int ticks_ = 0;
    bool sent_ = false;
};

}  // namespace testsupport
