// The program's full-screen presenters: the only list. A new presenter is
// its folder's constant and one line here.
#include "presentation/presenter.h"

#include "presentation/gdi/gdi_screen.h"
#include "presentation/nvidia/nvidia_window_win32.h"
#include "presentation/opengl/opengl_window_win32.h"
#include "presentation/winx3d/w3d_window_win32.h"

namespace {
const FullScreenPresenter* const kPresenters[] = {
    &kGdiPresenter,
    &kWinX3dPresenter,
    &kNvidiaPresenter,
    &kOpenGlPresenter,
};
}  // namespace

const FullScreenPresenter* const* AllPresenters(int32_t* count) {
    *count = static_cast<int32_t>(sizeof kPresenters / sizeof kPresenters[0]);
    return kPresenters;
}

const FullScreenPresenter* FindPresenter(PresenterId id) {
    for (const FullScreenPresenter* presenter : kPresenters)
        if (presenter->id == id) return presenter;
    return nullptr;
}
