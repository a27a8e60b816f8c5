// A full-screen presenter: one of the program's own full-screen windows that
// takes the movie over from the main window and gives it back when it
// closes. Each presenter folder defines one constant FullScreenPresenter;
// presenters_win32.cpp holds the only list. The shell registers the window
// classes and hands movies over by walking that list, the grab renderer
// sends frames to the presenter that runs, and the full-screen graph takes
// its settings from it. A new presenter is a new folder and one list entry.
#pragma once
#include <cstdint>

#if defined(_WIN32)
#include <windows.h>
using PresenterWindowProc = WNDPROC;
using PresenterInstance = HINSTANCE;
#else
// Natively there are no windows; the portable parts of the contract (the
// choice and the frame dispatch) are tested with presenters that have none.
using PresenterWindowProc = void*;
using PresenterInstance = void*;
#endif

enum class PresenterId : int32_t {
    Gdi,     // the program's own window, "Sharp3D"
    WinX3d,  // shutter glasses through the WinX3D driver
    Nvidia,  // shutter glasses through the nVidia stereo driver
    OpenGl,  // shutter glasses through a quad-buffered OpenGL window
};

struct FullScreenPresenter {
    PresenterId id;
    // The window class the shell registers for it, with its procedure;
    // null: the presenter registers its own class when it starts.
    const char* windowClass;
    PresenterWindowProc windowProc;
    const char* cursor;    // the program's cursor resource; null: the arrow
    bool blackBackground;  // the class erases to black
    // Whether it can run here now (its driver or device is there); null:
    // always.
    bool (*available)();
    // Runs its window on `file` (system code page) until the window closes:
    // 1, or 0 when the window could not be made. The display mode goes in
    // and comes back through g_nPresenterMode.
    int (*run)(PresenterInstance instance, const char* file);
    // Shows the frame the grab renderer has just published, on the
    // streaming thread, before the renderer goes on; null: none.
    void (*presentFrame)();
    // The full-screen graph waits this long before it runs, so that the
    // window's display is set up when the first frame arrives.
    uint32_t settleBeforeRunMs;
};

// The list (Windows only): the presenter of `id` in this build, or null
// when it has none; every presenter, in list order, `count` their number.
const FullScreenPresenter* FindPresenter(PresenterId id);
const FullScreenPresenter* const* AllPresenters(int32_t* count);

// The shutter-glasses window the "nVidia" setting chooses: 0 WinX3D,
// 2 OpenGL, and nVidia for 1 (the default) and anything else.
PresenterId ShutterPresenterFor(int32_t setting);

// The presenter whose window runs now, set by its run while the window
// exists (null: none). The grab renderer presents to it; the full-screen
// graph takes its settle time.
void SetRunningPresenter(const FullScreenPresenter* presenter);
const FullScreenPresenter* RunningPresenter();

// The grab renderer's published frame to the running presenter,
// synchronously; nothing while none runs or it takes no frames.
void PresentGrabbedFrame();
