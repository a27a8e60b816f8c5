#include "presentation/nvidia/nvidia_geometry.h"

#include "composition/stereo_formats.h"

StereoScreenMode StereoModeForSettings(int32_t n3DSize, int32_t n3DBpp) {
    static const int32_t widths[] = {640, 800, 1024, 1280, 1600};
    static const int32_t heights[] = {480, 600, 768, 1024, 1200};
    StereoScreenMode mode;
    if (n3DSize >= 0 && n3DSize < 5) {
        mode.width = widths[n3DSize];
        mode.height = heights[n3DSize];
    }
    mode.bitDepth = n3DBpp == 0 ? 16 : n3DBpp == 1 ? 32 : 0;
    return mode;
}

StereoPictureDraw StereoPictureGeometry(int32_t layout, int32_t w, int32_t h, int32_t zoom, int32_t aspect43,
                                        int32_t screenWidth, int32_t screenHeight) {
    // The picture is the GDI window's plain side by side on a window of
    // two screens, each view centred in its half, not exchanged.
    const SideBySideDraw s = SideBySideGeometry(CodeOf(StereoDisplayMode::SideBySide), layout, 0, 0, w, h, zoom,
                                                aspect43, 2 * screenWidth, screenHeight);
    StereoPictureDraw d;
    d.zoom = s.zoom;
    d.dw = s.dw;
    d.dh = s.dh;
    d.y = s.y;
    d.xFirst = s.xL;
    d.xSecond = s.xR;
    d.first = s.left;
    d.second = s.right;
    d.doubled = s.doubled;
    return d;
}

StereoImageHeader StereoHeaderFor(int32_t screenWidth, int32_t screenHeight, int32_t bitDepth, int32_t swap) {
    StereoImageHeader header;
    header.width = static_cast<uint32_t>(2 * screenWidth);
    header.height = static_cast<uint32_t>(screenHeight);
    header.bitDepth = static_cast<uint32_t>(bitDepth);
    header.flags = swap ? 1u : 0u;
    return header;
}

namespace {
void PutU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t GetU32(const uint8_t* p) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(p[i]) << (8 * i);
    return v;
}
}  // namespace

void WriteStereoImageHeader(uint8_t* row, const StereoImageHeader& header) {
    PutU32(row, header.signature);
    PutU32(row + 4, header.width);
    PutU32(row + 8, header.height);
    PutU32(row + 12, header.bitDepth);
    PutU32(row + 16, header.flags);
}

StereoImageHeader ReadStereoImageHeader(const uint8_t* row) {
    StereoImageHeader header;
    header.signature = GetU32(row);
    header.width = GetU32(row + 4);
    header.height = GetU32(row + 8);
    header.bitDepth = GetU32(row + 12);
    header.flags = GetU32(row + 16);
    return header;
}
