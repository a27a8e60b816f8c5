// Portable arithmetic of the nVidia stereo window: the screen mode the
// settings ask for, where the two views go in the double-width frame
// picture, and the stereo image header the driver reads from the picture's
// last row.
#pragma once
#include <cstddef>
#include <cstdint>

#include "presentation/gdi/gdi_geometry.h"

// A full-screen display mode.
struct StereoScreenMode {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitDepth = 0;
};

// The mode of the "n3DSize" (0 ... 4: 640 x 480, 800 x 600, 1024 x 768,
// 1280 x 1024, 1600 x 1200) and "n3DBpp" (0: 16, 1: 32 bits) settings; a
// value out of range leaves its part 0.
StereoScreenMode StereoModeForSettings(int32_t n3DSize, int32_t n3DBpp);

// The two views of a w x h frame in the picture of 2 * screenWidth x
// screenHeight: the first view centred in the left half, the second at the
// same place in the right half. `zoom` is in percent, 0 for the fit; a zoom
// larger than the fit is brought back to it. The eyes are never exchanged
// here: the driver does that from the header's flags.
struct StereoPictureDraw {
    int32_t zoom = 0;  // the zoom used: the fit when it was 0 or larger
    int32_t dw = 0;
    int32_t dh = 0;
    int32_t y = 0;
    int32_t xFirst = 0;
    int32_t xSecond = 0;
    SourceRect first, second;  // top-left origin
    // Layout 2: the sources lie in the frame doubled in height (2h rows).
    bool doubled = false;
    bool Drawable() const { return dw > 0 && dh > 0; }
};
StereoPictureDraw StereoPictureGeometry(int32_t layout, int32_t w, int32_t h, int32_t zoom, int32_t aspect43,
                                        int32_t screenWidth, int32_t screenHeight);

// The stereo image header: five little-endian 32-bit fields at the start
// of the picture's last row.
constexpr uint32_t kStereoImageSignature = 0x4433564E;  // the bytes "NV3D"
constexpr size_t kStereoImageHeaderBytes = 20;
struct StereoImageHeader {
    uint32_t signature = kStereoImageSignature;
    uint32_t width = 0;     // of the whole picture: both halves
    uint32_t height = 0;
    uint32_t bitDepth = 0;  // the display's, 16 or 32
    uint32_t flags = 0;     // 1: show the halves to the other eyes
};
StereoImageHeader StereoHeaderFor(int32_t screenWidth, int32_t screenHeight, int32_t bitDepth, int32_t swap);
void WriteStereoImageHeader(uint8_t* row, const StereoImageHeader& header);
StereoImageHeader ReadStereoImageHeader(const uint8_t* row);
