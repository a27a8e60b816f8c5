#include "presentation/presenter.h"

#include <atomic>

namespace {
// Read on the streaming thread, written on the window's.
std::atomic<const FullScreenPresenter*> g_pRunningPresenter{nullptr};
}  // namespace

PresenterId ShutterPresenterFor(int32_t setting) {
    switch (setting) {
    case 0: return PresenterId::WinX3d;
    case 2: return PresenterId::OpenGl;
    default: return PresenterId::Nvidia;
    }
}

void SetRunningPresenter(const FullScreenPresenter* presenter) { g_pRunningPresenter = presenter; }

const FullScreenPresenter* RunningPresenter() { return g_pRunningPresenter; }

void PresentGrabbedFrame() {
    const FullScreenPresenter* presenter = g_pRunningPresenter;
    if (presenter && presenter->presentFrame) presenter->presentFrame();
}
