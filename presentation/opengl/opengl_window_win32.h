// The quad-buffered OpenGL stereo window "OpenGL" for shutter glasses:
// each frame goes once into one texture, and the left and the right back
// buffer each get one textured quad showing one view, swapped together.
// opengl_window_win32.cpp holds the window's start, loop, keys and
// shutdown; opengl_draw_win32.cpp the texture, the draws and the help
// text; gl_view_geometry.cpp the arithmetic.
#pragma once
#include <windows.h>
#include <GL/gl.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "presentation/opengl/gl_view_geometry.h"
#include "presentation/presenter.h"

// The window's private messages. The grab renderer sends kGlFrameMessage
// for every frame, from its streaming thread.
constexpr UINT kGlFrameMessage = WM_USER;
constexpr UINT kGlFitMessage = WM_USER + 100;
constexpr UINT kGlZoom100Message = WM_USER + 101;
// Posted when a frame is refused: the window closes after saying why.
constexpr UINT kGlRefuseMessage = WM_USER + 102;

// Where each eye is drawn: the one place that knows the output is stereo.
// The window takes the product's (kQuadBufferEyes) unless a test sets
// another before the window starts.
struct GlEyeTarget {
    // Whether the window's rendering context (current) can show the two
    // eyes; false refuses the window.
    bool (*accepts)();
    // Makes the back buffer of `eye` the one drawn into.
    void (*select)(GlEye eye);
    // Called after each eye's picture is complete, before the next eye is
    // drawn; null: nothing.
    void (*drawn)(GlEye eye);
};
// GL_STEREO, and GL_BACK_LEFT / GL_BACK_RIGHT.
extern const GlEyeTarget kQuadBufferEyes;
// Null: the product's.
void SetGlEyeTarget(const GlEyeTarget* target);
const GlEyeTarget& CurrentGlEyeTarget();

struct GlWindowState {
    HWND window = nullptr;
    // The window the streaming thread sends frames to; null once it goes.
    std::atomic<HWND> frameWindow{nullptr};
    HDC dc = nullptr;
    HGLRC rc = nullptr;
    HINSTANCE instance = nullptr;
    std::string file;
    // Frame, first view at the texture's origin; textures[1] and [2] are
    // spare, [2] is bound while the help text is drawn.
    GLuint textures[3] = {};
    bool texturesMade = false;
    GLint maxTextureSize = 0;
    GLuint fontBase = 0;  // 128 display lists; 0: none
    HFONT font = nullptr;
    HGDIOBJ fontBefore = nullptr;
    bool cursorHidden = false;
    // The texture holds a frame of the geometry's size.
    bool textureReady = false;
    bool helpShown = false;
    // Set while this window drives its graph (the streaming thread then
    // sends no frames), cleared by the 100 ms timer.
    std::atomic<int32_t> hold{0};
    // A frame came while the hold was set: shown when the hold ends.
    std::atomic<int32_t> missedFrame{0};
    // The graph could not be built, or its frames could not be shown: the
    // window closes without taking the position.
    bool buildFailed = false;
    // Why the last frame could not be shown.
    std::string refusal;
    // WM_DESTROY ends the window's loop (not before the loop runs, nor
    // after a start that failed: the quit would reach the shell's loop).
    bool quitOnDestroy = false;
    GlViewGeometry geometry;
};

extern GlWindowState g_GlWindow;

// ---------------------------------------------------- opengl_window_win32.cpp
extern const FullScreenPresenter kOpenGlPresenter;
// Runs the window on `file` until it closes: 1, or 0 when it could not be
// made (the user has been told why).
int RunOpenGlWindow(HINSTANCE instance, const char* file);
// The "OpenGL" class's window procedure (the shell registers the class).
LRESULT CALLBACK OpenGlWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// ------------------------------------------------------ opengl_draw_win32.cpp
// The projection: one unit per window pixel, origin bottom-left.
void SetOpenGlProjection();
// Uploads the grabbed frame; the first frame of a size first makes the
// texture for it and fits the picture to the window. False: no texture of
// this driver holds the frame (nothing was drawn).
bool UploadGrabbedFrame(bool* newSize);
// Recomputes the geometry from the window's state and draws both eyes.
void LayoutAndDrawOpenGlViews();
// Draws both eyes again with the geometry as it is.
void DrawOpenGlFrame();
// 128 display lists for characters 0 ... 126 of a bold `face` of `height`
// pixels, selected into the window's device context.
void BuildHelpFont(const char* face, int height);
// Frees the font's lists and the font (the context current).
void FreeHelpFont();
