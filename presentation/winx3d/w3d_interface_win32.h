// The binary interface between the player and the WinX3D shutter-glasses
// driver library W3D_DD.DLL: the handle record the player allocates and the
// library fills, the two tables of entry points, and the records passed
// through them. The layouts are fixed by the library: in the 32-bit player
// every field is 32 bits wide (the static_asserts below pin the offsets); a
// 64-bit build lays out the same fields at pointer size.
//
// Calling convention: every entry point of the library, W3D_DDFillFunctions
// included, and every entry the player puts into a table (ReleaseW3dDriver)
// is __stdcall, the convention of Win32 system libraries, so that the callee
// removes its arguments. On x86_64 there is only one convention and the
// keyword changes nothing. Every entry returns 0 on success.
#pragma once
#include <windows.h>
#include <ddraw.h>

#include <cstddef>
#include <cstdint>

#define W3DAPI __stdcall

struct W3dDriverHandle;

// What the library reports about itself (table A, offset 36).
struct W3dCapabilityRecord {
    uint32_t size;    // 12
    uint32_t flags1;
    uint32_t flags2;
};

// The display the window runs on (filled by GetDisplayDeviceInfo; table B's
// display entry fills the device name).
struct W3dDisplayInfo {
    char deviceName[32];  // "display" unless the library names one
    int32_t width;        // horizontal resolution of that device
    int32_t height;       // vertical resolution
    int32_t bitsPerPixel;
    HWND window;
    RECT windowRect;
};

using W3dStartFn = int32_t(W3DAPI*)(W3dDriverHandle* handle, int32_t device, IDirectDraw7* directDraw,
                                    IDirectDrawSurface7* first, IDirectDrawSurface7* second);
using W3dStopFn = int32_t(W3DAPI*)(W3dDriverHandle* handle, int32_t device, IDirectDraw7* directDraw);
using W3dEyeDoneFn = int32_t(W3DAPI*)(W3dDriverHandle* handle, int32_t device, int32_t one);
using W3dPresentEyeFn = int32_t(W3DAPI*)(W3dDriverHandle* handle, int32_t device, IDirectDrawSurface7* surface,
                                         int32_t firstView);
using W3dCapabilitiesFn = int32_t(W3DAPI*)(W3dDriverHandle* handle, int32_t device, W3dCapabilityRecord* caps);
using W3dUnloadFn = int32_t(W3DAPI*)(W3dDriverHandle* handle);
using W3dSurfaceStatusFn = int32_t(W3DAPI*)(W3dDriverHandle* handle, int32_t device, IDirectDrawSurface7* surface,
                                            uint32_t* status);
using W3dAttachPrimaryFn = int32_t(W3DAPI*)(W3dDriverHandle* handle, int32_t device, IDirectDrawSurface7* primary);
using W3dDeviceIndexFn = int32_t(W3DAPI*)(W3dDriverHandle* handle, int32_t* device);
using W3dDisplayInfoFn = int32_t(W3DAPI*)(W3dDriverHandle* handle, int32_t device, W3dDisplayInfo* info);
using W3dFillFunctionsFn = int32_t(W3DAPI*)(W3dDriverHandle* handle);

// Table A: fifteen entries, allocated (zero-filled) by the player and filled
// by the library; the player calls only the named ones.
struct W3dTableA {
    W3dStartFn start;                 // 0: start presenting on two flip surfaces
    W3dStopFn stop;                   // 4: stop presenting
    void* unused8;
    void* unused12;
    W3dEyeDoneFn eyeDone;             // 16: after an eye's surface was handed over
    void* unused20;
    W3dPresentEyeFn presentEye;       // 24: a drawn surface for one eye (1: first view)
    void* unused28;
    void* unused32;
    W3dCapabilitiesFn capabilities;   // 36: fill the capability record
    W3dUnloadFn unload;               // 40: the player's ReleaseW3dDriver
    W3dSurfaceStatusFn surfaceStatus; // 44: status bits of a surface
    void* unused48;
    void* unused52;
    void* unused56;
};

// Table B: allocated by the library with GlobalAlloc (fixed), freed by the
// player with GlobalFree. `size` counts its bytes; an entry exists only when
// the size covers it (see W3dTableBCovers).
struct W3dTableB {
    uint32_t size;
    W3dUnloadFn beforeUnload;          // 4: the library is about to be unloaded
    W3dAttachPrimaryFn attachPrimary;  // 8: the flip chain's primary exists
    void* unused12;
    void* unused16;
    void* unused20;
    void* unused24;
    void* unused28;
    void* unused32;
    W3dDeviceIndexFn deviceIndex;      // 36: which device the glasses hang on
    W3dDisplayInfoFn displayInfo;      // 40: the display device's name
};

// The handle: allocated zero-filled and fixed by the player, filled by the
// library's W3D_DDFillFunctions.
struct W3dDriverHandle {
    uint32_t size;      // sizeof (W3dDriverHandle): 20 in the 32-bit player
    HMODULE module;     // the loaded library
    W3dTableA* tableA;
    W3dTableB* tableB;  // set by the library, or null
    void* reserved;     // the library's own
};

// The pointer-sized slot every field after the first takes.
constexpr int32_t kW3dSlotBytes = static_cast<int32_t>(sizeof(void*));

static_assert(sizeof(W3dTableA) == 15 * sizeof(void*), "table A has fifteen entries");
static_assert(offsetof(W3dTableA, surfaceStatus) == 11 * sizeof(void*), "table A entry 44");
static_assert(offsetof(W3dTableB, displayInfo) == 10 * sizeof(void*), "table B entry 40");
static_assert(offsetof(W3dDriverHandle, tableB) == 3 * sizeof(void*), "handle field 12");
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(W3dDriverHandle) == 20, "the handle record is 20 bytes");
static_assert(offsetof(W3dDriverHandle, module) == 4 && offsetof(W3dDriverHandle, tableA) == 8 &&
                  offsetof(W3dDriverHandle, tableB) == 12 && offsetof(W3dDriverHandle, reserved) == 16,
              "handle offsets");
static_assert(sizeof(W3dTableA) == 60, "table A is 60 bytes");
static_assert(offsetof(W3dTableA, start) == 0 && offsetof(W3dTableA, stop) == 4 &&
                  offsetof(W3dTableA, eyeDone) == 16 && offsetof(W3dTableA, presentEye) == 24 &&
                  offsetof(W3dTableA, capabilities) == 36 && offsetof(W3dTableA, unload) == 40 &&
                  offsetof(W3dTableA, surfaceStatus) == 44,
              "table A offsets");
static_assert(offsetof(W3dTableB, beforeUnload) == 4 && offsetof(W3dTableB, attachPrimary) == 8 &&
                  offsetof(W3dTableB, deviceIndex) == 36 && offsetof(W3dTableB, displayInfo) == 40,
              "table B offsets");
static_assert(sizeof(W3dCapabilityRecord) == 12, "capability record");
#endif

// Result codes of loading and releasing.
constexpr int32_t kW3dNoHandle = 0x60001;        // no out-pointer / null handle
constexpr int32_t kW3dRecordTooSmall = 0x60004;  // handle size below its table fields
constexpr int32_t kW3dNoLibrary = 0x6000A;       // library or entry point not found
constexpr int32_t kW3dNoMemory = 0x6000D;
constexpr int32_t kW3dNoValue = 24;              // registry key or value missing
constexpr int32_t kW3dNoDisplay = 39;            // the display device cannot be opened
