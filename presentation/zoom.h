// Window zoom, the share of the composed frame that one view takes, and the
// arithmetic of the platform full-screen mode and the full-screen window's
// placement on one or two monitors.
#pragma once
#include <cstdint>

#include "composition/stereo_formats.h"

// Size and zoom commands.
constexpr int kZoomCommand50 = 3005;
constexpr int kZoomCommand75 = 3006;
constexpr int kZoomCommand100 = 3007;
constexpr int kZoomCommand200 = 3008;
constexpr int kZoomCommandCustom = 3010;
constexpr int kZoomCommandIn = 3053;
constexpr int kZoomCommandOut = 3054;

// Zoom steps are twelfths of the natural size.
constexpr int32_t kZoomNatural = 12;
constexpr int32_t kZoomMinStep = 1;
constexpr int32_t kZoomMaxStep = 30;

// g_nZoomItem values.
constexpr int32_t kZoomItem50 = 1;
constexpr int32_t kZoomItem75 = 2;
constexpr int32_t kZoomItem100 = 3;
constexpr int32_t kZoomItem200 = 4;
constexpr int32_t kZoomItemFree = 5;

// What happens to the check marks of the four fixed size items (3005 to 3008).
enum class SizeCheck {
    Keep,      // unchanged
    ClearAll,  // none of the four
    Check,     // `checkCommand` checked, the others not
};

// What a zoom command does: the new zoom step and size item, and the ratio
// (mx/dx by my/dy) for InitVideoWindow, called `calls` times in a row.
struct ZoomRequest {
    bool apply = false;  // false: the command does nothing
    int32_t step = 0;
    int32_t mx = 1, dx = 1, my = 1, dy = 1;
    int calls = 0;
    SizeCheck check = SizeCheck::Keep;
    int checkCommand = 0;
    int32_t zoomItem = 0;  // new g_nZoomItem; 0 keeps it
};

// 50 %, 75 % and 200 % are refused in line-interlace mode (7); zoom in and out
// give 100 % there. A custom size needs positive percentages; its step is the
// width percentage in twelfths, kept within 1 ... 30. Any other command does
// nothing. Only for the main window: the caller checks that no full-screen
// window of the program shows.
ZoomRequest ZoomForCommand(int command, int32_t displayMode, int32_t step, int32_t customPctX, int32_t customPctY);

// The mouse wheel: `wheelHigh` is the high word of the message's word
// parameter. Below 1000 zooms in, above 1000 zooms out, 1000 keeps the step;
// mode 7 always gives 100 %. The size items keep their marks.
ZoomRequest ZoomForWheel(uint16_t wheelHigh, int32_t displayMode, int32_t step);

// The window's first size after a movie with video opened: half size for
// the double-wide modes (1, 11, 12, 13), natural size otherwise; the 100 %
// item is checked either way.
ZoomRequest ZoomAfterOpen(int32_t displayMode);

// Over AppState: reads the display mode, zoom step and custom size, and
// stores the new g_nZoomStep and g_nZoomItem when the request applies.
ZoomRequest ApplyZoomCommand(int command);
ZoomRequest ApplyZoomWheel(uint16_t wheelHigh);

// Share of one view in the composed frame, in percent of its width and
// height (g_nLayoutPctX, g_nLayoutPctY), by input layout.
using LayoutPct = LayoutPercent;
constexpr LayoutPct kLayoutPctBeforeMovie{25, 100};
// False (and *out untouched) for an unknown layout code.
bool LayoutPercentagesFor(int32_t layout, LayoutPct* out);
// g_nLayoutPctX/Y from g_nInputLayout; an unknown layout keeps them.
void ApplyLayoutPercentages();

// The renderer's source rectangle (from the top-left corner) and the picture
// size W' x H' for a display mode, from the renderer's native size w x h.
// In the platform full-screen mode shutter glasses (9) are cropped like the
// anaglyphs; in the window their frame is shown whole.
struct VideoCrop {
    bool setSource = false;  // false: the source rectangle stays as it is
    int32_t sourceWidth = 0;
    int32_t sourceHeight = 0;
    int32_t width = 0;
    int32_t height = 0;
};
VideoCrop CropForDisplayMode(int32_t displayMode, int32_t layout, int32_t pctX, int32_t pctY, int32_t w, int32_t h,
                             bool platformFullScreen);

// The 4:3 option: the double-wide modes (1, 11, 12, 13) to 8:3, all others
// to 4:3, by shortening one side.
void ApplyAspect43(int32_t displayMode, int32_t* width, int32_t* height);

// value * multiplier / divisor, the product first, truncating towards zero;
// 0 for a zero divisor.
int32_t ZoomDimension(int32_t value, int32_t multiplier, int32_t divisor);

// Destination of the picture in the platform full-screen mode, in screen
// pixels. Line- and column-exact modes (7, 8) are only centred (mode 7 with
// the 4:3 option at width 4·H'/3); all others keep their aspect and fill the
// screen's height or width.
struct ScreenRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
};
ScreenRect FullScreenDestination(int32_t displayMode, int32_t width, int32_t height, int32_t aspect43,
                                 int32_t screenWidth, int32_t screenHeight);

// Both steps for the platform full-screen mode: the crop (full-screen column)
// of a w x h video, and where the picture goes on the screen.
struct FullScreenLayout {
    VideoCrop crop;
    ScreenRect destination;
};
FullScreenLayout PlatformFullScreenLayout(int32_t displayMode, int32_t layout, int32_t pctX, int32_t pctY,
                                          int32_t w, int32_t h, int32_t aspect43, int32_t screenWidth,
                                          int32_t screenHeight);

// Dual monitor: 3059 -> 1 (left-based), 3060 -> 2 (right-based); other commands 0.
int32_t DualMonitorForCommand(int command);

// The program's full-screen window: at x = 0, one screen wide; for a dual
// choice two screens wide in modes 0, 1, 11, 12, 13, and at x = -screen
// width when right-based.
struct WindowSpan {
    int32_t x;
    int32_t width;
};
WindowSpan FullScreenWindowSpan(int32_t dualMonitor, int32_t displayMode, int32_t screenWidth);
// Over AppState: the span for g_nDualMonitor, which is then reset to 0.
WindowSpan TakeFullScreenWindowSpan(int32_t displayMode, int32_t screenWidth);
