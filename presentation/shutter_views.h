// Where the shutter-glasses windows that draw each view into a screen of
// its own (one flip surface per eye, or one half of a double-wide picture)
// put the two views of a w x h frame, and which part of the frame each view
// is. The fit, the zoom clamp and the sources are those of the side-by-side
// draw of the program's own window with one half as wide as the screen.
#pragma once
#include <cstdint>

#include "presentation/gdi/gdi_geometry.h"

struct ShutterViews {
    int32_t zoom = 0;  // the zoom used: the fit when 0 was asked or more than the fit
    int32_t dw = 0;    // size of each drawn view
    int32_t dh = 0;
    int32_t x = 0;     // top-left corner of each view in its own screen
    int32_t y = 0;
    SourceRect first;   // the view for the first eye (the left view unless swapped)
    SourceRect second;
    // Layout 2: the sources lie in the frame doubled in height (2h rows).
    bool doubled = false;
    bool Drawable() const { return dw > 0 && dh > 0; }
};

// The screen mode the shutter windows switch to, from "n3DSize" (0 ... 4:
// 640 x 480 ... 1600 x 1200) and "n3DBpp" (0: 16, 1: 32 bits); zero
// fields for values out of range.
struct ShutterScreenMode {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitDepth = 0;
    bool Set() const { return width > 0 && height > 0 && bitDepth > 0; }
};
ShutterScreenMode ShutterScreenModeOf(int32_t n3DSize, int32_t n3DBpp);

// One view per screen of screenWidth x screenHeight; `zoom` 0 fits. The
// nVidia picture's second half starts at screenWidth + x.
ShutterViews ShutterViewsFor(int32_t layout, int32_t swap, int32_t w, int32_t h, int32_t zoom, int32_t aspect43,
                             int32_t screenWidth, int32_t screenHeight);
