// Drives the modal dialogs a test makes the player show: a thread timer
// runs one step of a script per tick inside the dialog's own message loop,
// as a user would click and type.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <utility>
#include <vector>

#include "core/app_state.h"

namespace testsupport {

// The dialog of this thread waiting for the user: a visible, enabled
// top-level dialog other than the player's seek bar, which stays enabled
// meanwhile.
inline BOOL CALLBACK TakeModalDialog(HWND w, LPARAM out) {
    char cls[16] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") != 0 || w == g_hSeekBar || !IsWindowVisible(w) || !IsWindowEnabled(w))
        return TRUE;
    *reinterpret_cast<HWND*>(out) = w;
    return FALSE;
}

inline HWND FindModalDialog() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), TakeModalDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Runs `steps` against the modal dialogs that `open` shows, one step per
// timer tick. A dialog still open 10 s after the last step (or never seen)
// is a failure; it is ended so that the test goes on.
class ModalScript {
public:
    using Step = std::function<void(HWND dialog)>;

    explicit ModalScript(std::vector<Step> steps) : steps_(std::move(steps)) {}

    template <class Open>
    void Run(Open open) {
        active() = this;
        timer_ = SetTimer(nullptr, 0, 30, Tick);
        open();
        KillTimer(nullptr, timer_);
        active() = nullptr;
        EXPECT_EQ(next_, steps_.size()) << "the dialog ended before its script did";
        EXPECT_FALSE(forced_) << "the script did not end the dialog";
    }

private:
    static ModalScript*& active() {
        static ModalScript* script = nullptr;
        return script;
    }

    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        ModalScript* self = active();
        if (!self || self->busy_) return;
        self->busy_ = true;
        HWND dialog = FindModalDialog();
        if (dialog && self->next_ < self->steps_.size()) {
            self->idleTicks_ = 0;
            self->steps_[self->next_++](dialog);
        } else if (++self->idleTicks_ > 10000 / 30) {
            self->forced_ = true;
            if (dialog) EndDialog(dialog, 0);
        }
        self->busy_ = false;
    }

    std::vector<Step> steps_;
    size_t next_ = 0;
    int idleTicks_ = 0;
    bool busy_ = false;
    bool forced_ = false;
    UINT_PTR timer_ = 0;
};

}  // namespace testsupport
