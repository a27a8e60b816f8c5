// The one point where the grab renderer hands a published frame to the
// presenter that shows it. Each full-screen presenter plugs its frame draw
// in here; the order of choice is fixed: the program's own GDI window while
// it exists, else the shutter-glasses driver chosen by the settings.
#pragma once

enum class FramePresenter {
    Gdi = 0,      // the program's own full-screen window
    WinX3d = 1,   // shutter driver 0
    Nvidia = 2,   // shutter driver 1
    OpenGl = 3,   // shutter driver 2 (sends the frame to its window thread)
    Count
};

using PresentFrameFn = void (*)();

// Installs (or with null removes) a presenter's frame draw.
void SetFramePresenter(FramePresenter which, PresentFrameFn draw);

// Calls the presenter due for the current state, synchronously; nothing
// when that presenter is not installed.
void PresentGrabbedFrame();
