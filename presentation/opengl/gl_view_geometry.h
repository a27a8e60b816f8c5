// Portable arithmetic of the quad-buffered OpenGL window: which part of the
// frame texture each eye shows and where on the window, the zoom steps and
// the fit, and the texture size a frame needs. No OpenGL here: the window
// (opengl_window_win32.cpp) draws what these compute.
//
// The whole frame lies in one square texture of T x T texels, at (0, 0),
// rows bottom-up. Window pixels count from the bottom-left corner. Pixel
// values are integers and their products are formed before dividing, each
// division truncating towards zero; texture coordinates (in units of the
// texture's side) are worked out in floating point from those integers.
#pragma once
#include <cstdint>
#include <string>

// The texture side used for every frame that fits in it.
constexpr int32_t kGlTextureSize = 2048;

// The zoom steps keep within this range (percent).
constexpr int32_t kGlMinZoom = 1;
constexpr int32_t kGlMaxZoom = 100000;

// One eye's picture: a quad at window pixels (x0, y0) - (x1, y1) showing
// the texture window (s0, t0) - (s1, t1) stretched over it.
struct GlEyeQuad {
    int32_t x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    float s0 = 0, s1 = 0, t0 = 0, t1 = 0;
};

enum GlEye : int32_t { kGlLeftEye = 0, kGlRightEye = 1 };

struct GlViewGeometry {
    // ------------------------------------------------------------ inputs
    int32_t frameWidth = 0;   // W
    int32_t frameHeight = 0;  // H (rows, whatever their order)
    bool topDown = false;     // the frame's first row is its top line
    int32_t textureSize = kGlTextureSize;  // T
    int32_t windowWidth = 0;
    int32_t windowHeight = 1;  // at least 1
    int32_t layout = 0;        // StereoInputLayout; unknown codes count as 0
    bool aspect43 = false;     // show the views at 4:3
    int32_t zoom = 100;        // percent; the 4:3 option may lower it
    int32_t panX = 0, panY = 0;      // pixels of the zoomed picture; clamped
    int32_t alignH = 0, alignV = 0;  // parallax alignment, texels
    bool swap = false;               // the first view goes to the right eye

    // ----------------------------------------------------------- results
    // Quad corners, the same for both eyes.
    int32_t x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    // The first view's texture window before alignment, and the second
    // view's offset from it.
    float s0 = 0, s1 = 0, t0 = 0, t1 = 0;
    float sO = 0, tO = 0;
    // What each eye draws, alignment included (indexed by GlEye).
    GlEyeQuad eyes[2];
};

// Recomputes the results (and clamps the pan, and with the 4:3 option the
// zoom) from the inputs. A geometry without a frame gets empty quads.
void LayoutOpenGlViews(GlViewGeometry* g);

// The zoom at which one view fills the window's width or height, whichever
// comes first (the 4:3 option aside); `g->zoom` itself when there is no
// frame.
int32_t FitOpenGlZoom(const GlViewGeometry& g);

// Page Up / Page Down and the wheel: +10 % (one more below 10) or -1/11
// (never below 1), with the pan moved so that the window's centre stays on
// the same point of the picture. Call LayoutOpenGlViews afterwards.
int32_t GlZoomIn(int32_t zoom);
int32_t GlZoomOut(int32_t zoom);
void StepOpenGlZoom(GlViewGeometry* g, bool in);

// The texture side for a w x h frame: kGlTextureSize when the frame fits in
// it, otherwise the smallest power of two that holds both sides; 0 when
// that is larger than the driver's `maxTextureSize` (or the size is not a
// frame's).
int32_t ChooseGlTextureSize(int32_t w, int32_t h, int32_t maxTextureSize);

// The text that refuses a frame no texture of the driver can hold.
std::string GlFrameTooLargeMessage(int32_t w, int32_t h, int32_t maxTextureSize);
