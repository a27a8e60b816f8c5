// The stereo image header the nVidia driver reads from the last row of the
// double-width frame picture. The screen mode and the views' places are in
// presentation/shutter_views.h.
#pragma once
#include <cstddef>
#include <cstdint>


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
