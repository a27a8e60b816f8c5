#include "presentation/frame_presenters.h"

#include <atomic>

#include "shell/app_state.h"

namespace {
std::atomic<PresentFrameFn> g_presenters[static_cast<int>(FramePresenter::Count)];
}

void SetFramePresenter(FramePresenter which, PresentFrameFn draw) { g_presenters[static_cast<int>(which)] = draw; }

void PresentGrabbedFrame() {
    FramePresenter which;
    if (g_bOwnFullScreen == 1) {
        which = FramePresenter::Gdi;
    } else {
        switch (g_nShutterDriver.load()) {
        case 0: which = FramePresenter::WinX3d; break;
        case 1: which = FramePresenter::Nvidia; break;
        case 2: which = FramePresenter::OpenGl; break;
        default: return;
        }
    }
    if (PresentFrameFn draw = g_presenters[static_cast<int>(which)]) draw();
}
