#include <gtest/gtest.h>

#include "presentation/presenter.h"

namespace {

int g_last = -1;
template <int N>
void Draw() {
    g_last = N;
}

FullScreenPresenter Fake(PresenterId id, void (*draw)()) {
    return FullScreenPresenter{id, "class", nullptr, nullptr, false, nullptr, nullptr, draw, 0};
}

// The "nVidia" setting names the shutter-glasses window; its default (1)
// and anything out of range is the nVidia window.
TEST(ShutterPresenterFor, MapsTheDriverSetting) {
    const struct {
        int32_t setting;
        PresenterId presenter;
    } cases[] = {{0, PresenterId::WinX3d}, {1, PresenterId::Nvidia}, {2, PresenterId::OpenGl},
                 {3, PresenterId::Nvidia}, {-1, PresenterId::Nvidia}};
    for (const auto& c : cases) EXPECT_EQ(ShutterPresenterFor(c.setting), c.presenter) << c.setting;
}

// Frames go to the presenter whose window runs, and nowhere while none
// runs or the one that runs takes no frames.
TEST(PresentGrabbedFrame, GoesToTheRunningPresenter) {
    const FullScreenPresenter gdi = Fake(PresenterId::Gdi, Draw<0>);
    const FullScreenPresenter gl = Fake(PresenterId::OpenGl, Draw<3>);
    const FullScreenPresenter silent = Fake(PresenterId::Nvidia, nullptr);
    const struct {
        const FullScreenPresenter* running;
        int drawn;
    } cases[] = {{&gdi, 0}, {&gl, 3}, {&silent, -1}, {nullptr, -1}};
    for (const auto& c : cases) {
        SetRunningPresenter(c.running);
        EXPECT_EQ(RunningPresenter(), c.running);
        g_last = -1;
        PresentGrabbedFrame();
        EXPECT_EQ(g_last, c.drawn);
    }
    SetRunningPresenter(nullptr);
}

}  // namespace
