#include "presentation/nvidia/nvidia_geometry.h"


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
