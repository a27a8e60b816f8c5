// The WinX3D shutter-glasses window "W3DWindow": exclusive full screen at
// the mode of the settings, a primary flipping chain handed to the driver
// library, and every movie frame drawn as two views, one into each of two
// free flip surfaces, each handed to the driver for its eye.
#pragma once
#include <windows.h>

#include <cstdint>

#include "presentation/presenter.h"
#include "presentation/winx3d/w3d_interface_win32.h"

// The window in the presenter list: the mode of "n3DSize" and "n3DBpp" and
// the input layout at the start; g_nSavedState says whether the movie runs
// and comes back as it was when the window closed.
extern const FullScreenPresenter kWinX3dPresenter;

// Registers "W3DWIN", runs the window on `file` at width x height x depth
// with the input layout `layout` until it closes: 1.
int RunW3dWindow(HINSTANCE instance, const char* file, int32_t depth, int32_t width, int32_t height,
                 int32_t layout);

// Draws the current frame's views into two free flip surfaces and hands
// them to the driver (the grab renderer's streaming thread, and the window
// on WM_USER).
void DrawW3dFrame(HWND window, W3dDriverHandle* driver, int32_t device);

// The window procedure of "W3DWIN".
LRESULT CALLBACK W3dWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
