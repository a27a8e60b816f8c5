#include <gtest/gtest.h>

#include "presentation/frame_presenters.h"
#include "shell/app_state.h"

namespace {

int g_last = -1;
template <int N>
void Draw() {
    g_last = N;
}

// The program's own window wins while it exists; otherwise the shutter
// driver setting picks the presenter; an unknown driver gets nothing.
TEST(PresentGrabbedFrame, ChoosesThePresenterByWindowAndDriver) {
    SetFramePresenter(FramePresenter::Gdi, Draw<0>);
    SetFramePresenter(FramePresenter::WinX3d, Draw<1>);
    SetFramePresenter(FramePresenter::Nvidia, Draw<2>);
    SetFramePresenter(FramePresenter::OpenGl, Draw<3>);
    const struct {
        int32_t ownFullScreen, driver, presenter;
    } cases[] = {{1, 0, 0}, {1, 2, 0}, {0, 0, 1}, {0, 1, 2}, {0, 2, 3}, {0, 3, -1}, {0, -1, -1}};
    for (const auto& c : cases) {
        g_bOwnFullScreen = c.ownFullScreen;
        g_nShutterDriver = c.driver;
        g_last = -1;
        PresentGrabbedFrame();
        EXPECT_EQ(g_last, c.presenter) << c.ownFullScreen << " " << c.driver;
    }
    SetFramePresenter(FramePresenter::Nvidia, nullptr);  // not installed: nothing is called
    g_bOwnFullScreen = 0;
    g_nShutterDriver = 1;
    g_last = -1;
    PresentGrabbedFrame();
    EXPECT_EQ(g_last, -1);
    for (int i = 0; i < static_cast<int>(FramePresenter::Count); ++i)
        SetFramePresenter(static_cast<FramePresenter>(i), nullptr);
    g_nShutterDriver = 1;
}

}  // namespace
