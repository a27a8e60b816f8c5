// Loading and releasing the WinX3D driver library, and the registry and
// display facts the window hands it.
#pragma once
#include "presentation/winx3d/w3d_interface_win32.h"

// Loads the library named by HKLM "SOFTWARE\W3D" "WIN3D" (its folder) and
// lets it fill a new handle: 0, or kW3dNoHandle (no out-pointer),
// kW3dNoLibrary (library or entry point missing), kW3dNoMemory, kW3dNoValue
// (no registry value). On failure *handle is null and nothing stays loaded.
int32_t LoadW3dDriver(W3dDriverHandle** handle);

// Whether that library loads and offers its entry point (it is unloaded
// again).
bool W3dDriverLoadable();

// Tells the library (table B), frees both tables, unloads the library and
// frees the handle: 0, kW3dNoHandle for null, kW3dRecordTooSmall for a
// handle whose size does not span its tables. It stands in table A's unload
// entry, so it has the library's calling convention.
int32_t W3DAPI ReleaseW3dDriver(W3dDriverHandle* handle);

// A value of `root`\`key` whose name equals `name` in any ASCII case: as text
// into `text` (cut to `textBytes`, terminated) when `text` is given, else as
// a 32-bit number into *number (set to `fallback` first). 0, or kW3dNoValue.
int32_t ReadRegistryValue(HKEY root, const char* key, const char* name, char* text, DWORD textBytes,
                          DWORD* number, DWORD fallback);

// The refresh rate the driver keeps for a mode on `device` (-1: any); 0
// when found, *rate 0 and kW3dNoValue when not.
int32_t GetFlipperRefreshRate(int32_t width, int32_t height, int32_t depth, int32_t device, DWORD* rate);

// The primary and, round by round, the flip surfaces attached to the
// surfaces found so far, each once, up to `capacity`; their number. Each
// surface in the list holds a reference of its own.
int32_t CollectFlipSurfaces(IDirectDrawSurface7* primary, IDirectDrawSurface7** list, int32_t capacity);

// The display device's name (table B, else "display"), its resolution and
// depth, and the window with its rectangle: 0, or kW3dNoDisplay.
int32_t GetDisplayDeviceInfo(HWND window, W3dDriverHandle* handle, int32_t device, W3dDisplayInfo* info);
