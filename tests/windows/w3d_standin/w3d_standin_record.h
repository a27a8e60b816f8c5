// What the stand-in driver library and the tests share: a named file mapping
// the test makes before the window starts. The test writes the settings the
// library takes; the library appends every call it gets and keeps a copy of
// the pixels of the last surface handed over for each eye.
#pragma once
#include <windows.h>

#include <cstdint>

#define W3D_STANDIN_MAPPING "DuoscopeW3dStandIn"

enum class StandInCall : int32_t {
    Attached = 1,    // the library was loaded
    Detached,        // ... and unloaded
    Fill,            // W3D_DDFillFunctions
    Start,           // a = first surface, b = second surface
    Stop,
    EyeDone,         // a = the argument (1)
    PresentEye,      // a = surface, b = eye flag
    Capabilities,
    Status,          // a = surface, b = the status answered
    AttachPrimary,   // a = surface
    DeviceIndex,
    DisplayInfo,
    BeforeUnload,
};

struct StandInCallRecord {
    StandInCall kind;
    int32_t device;
    int32_t a;
    int32_t b;
    uint32_t caps;  // of surface a, where a is a surface
};

// Surfaces are numbered 1, 2, 3 ... in the order the library first sees them.
constexpr int kStandInMaxSurfaces = 8;
constexpr int kStandInMaxCalls = 16384;
constexpr int kStandInImageWidth = 1024;
constexpr int kStandInImageHeight = 768;

struct StandInImage {
    int32_t handovers;  // how many surfaces this eye got
    int32_t surface;    // the last one
    int32_t width;
    int32_t height;
    int32_t bitsPerPixel;  // only 32-bit surfaces are copied
    uint32_t pixels[kStandInImageWidth * kStandInImageHeight];  // top row first
};

struct StandInShared {
    // Set by the test.
    uint32_t flags1;
    uint32_t flags2;
    uint32_t tableBSize;  // 0: no table B
    int32_t busySurface;  // reported busy at every status call (0: none)
    int32_t holdsTwo;     // 1: the last two surfaces handed over are busy, not only the last
    int32_t deviceIndex;  // answered by table B's device entry
    int32_t startResult;
    // Kept by the library.
    volatile LONG callCount;
    StandInCallRecord calls[kStandInMaxCalls];
    uint64_t surfaces[kStandInMaxSurfaces];
    volatile LONG surfaceCount;
    int32_t lastHandedOver;
    int32_t handedBefore;  // the one before it
    StandInImage eyes[2];  // [0] eye flag 0, [1] eye flag 1
};
