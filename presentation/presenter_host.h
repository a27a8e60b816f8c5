// What the full-screen presenters need from the program around them: its
// message boxes and texts, its settings, and the build of their graph. The
// shell supplies it (SetPresenterHost) before any presenter runs; the
// presenters reach nothing of the shell's by any other way.
#pragma once
#include <cstdint>

#include "core/app_state.h"
#include "core/result_codes.h"

class PresenterHost {
public:
    // A message box as the shell shows it (tests take the text instead).
    virtual int ShowMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t type) = 0;
    // A text of the string table, in the system code page; "" when missing.
    virtual const char* String(int32_t id) = 0;
    // A number setting by its registry name ("nRepeat", ...), as loaded.
    virtual int32_t Setting(const char* name) = 0;
    // Changes a number setting and stores it at once.
    virtual void StoreSetting(const char* name, int32_t value) = 0;
    // Builds and runs g_FullScreenGraph for `window` on `file`; a build that
    // fails has told the user why.
    virtual HRESULT BuildFullScreenGraph(WindowHandle window, const char* file) = 0;

protected:
    ~PresenterHost() = default;
};

void SetPresenterHost(PresenterHost* host);
// The host the shell set; a presenter runs only after it has.
PresenterHost& Host();
