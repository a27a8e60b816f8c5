// Portable picture arithmetic of the full-screen window: which draw a
// display mode takes, the keys that change it, the zoom steps, and where
// the whole-view draws (as source, one view, side by side and mirrors) put
// which part of the frame. Frames are w x h; sizes are the window's width
// (one or two screens) and the screen's height. Products are formed before
// dividing and every division truncates toward zero.
#pragma once
#include <cstdint>

#include "composition/stereo_formats.h"

// A rectangle of the frame, origin at the picture's top-left corner.
struct SourceRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// The same rectangle's y for a bottom-up picture of `pictureHeight` rows,
// whose origin is the lower-left corner (StretchDIBits counts that way).
int32_t BottomUpY(const SourceRect& r, int32_t pictureHeight);

// ------------------------------------------------------------ display modes

// The draw for a display mode. Shutter glasses (9) and unknown codes have
// no draw of their own here: they become side by side, and *mode is set to
// 1 so that the window keeps that mode.
GdiDraw DrawForDisplayMode(int32_t* mode);

// Modifier state 0 none, 1 Shift, 2 Ctrl, 3 both, as key messages move it.
int32_t ModifiersAfterShiftDown(int32_t modifiers);
int32_t ModifiersAfterCtrlDown(int32_t modifiers);

// The display mode after F4, F5, F6, F7, F9 or F11 (fKey = 4 ... 11) with
// the modifier state; `mode` itself when the combination changes nothing.
int32_t ModeAfterFunctionKey(int fKey, int32_t modifiers, int32_t mode);

// "nWcent" after the E key: the next of 0, 1, 2.
int32_t NextWcent(int32_t nWcent);

// -------------------------------------------------------------------- zoom

// Zoom is in percent; 0 asks the next draw to fit the picture to the screen.
constexpr int32_t kMinStepZoom = 10;
// The picture is then far larger than any screen; the cap keeps the
// arithmetic of further steps in range.
constexpr int32_t kMaxStepZoom = 100000;
int32_t ZoomIn(int32_t zoom);   // +10 %, and at least one more below 10
int32_t ZoomOut(int32_t zoom);  // -1/11, never below 10

// The wheel's direction from the high word of the message's word parameter
// read unsigned: 1 in (below 1000), -1 out (above 1000), 0 neither.
int WheelZoomDirection(uint16_t wheelHigh);

// ------------------------------------------------------------------- draws

// One picture: the zoom the draw used (the fit when it was 0), the display
// size and the top-left corner in the window, and the frame's part shown.
struct PictureDraw {
    int32_t zoom = 0;
    int32_t dw = 0;
    int32_t dh = 0;
    int32_t x = 0;
    int32_t y = 0;
    SourceRect source;
    // A zoom or frame so small that nothing shows: the draw is skipped.
    bool Drawable() const { return dw > 0 && dh > 0; }
};

// Mode 0: the whole frame, centred; fit = min(H*100/h, W*100/w). The 4:3
// option does not apply.
PictureDraw AsSourceDraw(int32_t w, int32_t h, int32_t zoom, int32_t windowWidth, int32_t screenHeight);

// Mode 10: one view, centred. The display basis depends on the layout; the
// 4:3 option widens or heightens it before the fit is taken, so that a
// fitted picture always fits the screen.
PictureDraw OneSideDraw(int32_t layout, int32_t swap, int32_t w, int32_t h, int32_t zoom, int32_t aspect43,
                        int32_t windowWidth, int32_t screenHeight);

// Modes 1, 11, 12, 13: each view in one half of the window, never larger
// than the fit (a larger zoom is brought back to it).
struct SideBySideDraw {
    int32_t zoom = 0;
    int32_t dw = 0;
    int32_t dh = 0;
    int32_t y = 0;
    int32_t xL = 0, xLRight = 0;  // left image: left and right edges
    int32_t xR = 0, xRRight = 0;  // right image
    SourceRect left, right;        // the sources shown at the left and right positions
    // Layout 2: the sources lie in the frame doubled in height (2h rows).
    bool doubled = false;
    bool mirrorLeft = false;
    bool mirrorRight = false;
    bool Drawable() const { return dw > 0 && dh > 0; }
};
SideBySideDraw SideBySideGeometry(int32_t mode, int32_t layout, int32_t swap, int32_t nWcent, int32_t w, int32_t h,
                                  int32_t zoom, int32_t aspect43, int32_t windowWidth, int32_t screenHeight);
