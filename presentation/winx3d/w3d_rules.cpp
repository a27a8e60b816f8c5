#include "presentation/winx3d/w3d_rules.h"

#include <cstdio>

int32_t W3dChainSurfaces(uint32_t flags1, uint32_t flags2) {
    return (flags1 & 0x20000u) || (flags1 & 0x1000u) || (flags2 & 0x40u) || (flags2 & 0x8000u) ? 3 : 2;
}

int32_t W3dMinimumChain(uint32_t flags1, uint32_t flags2) {
    return (flags1 & 0x200000u) || (flags2 & 0x1000000u) ? 3 : 4;
}

int32_t W3dDriverDepth(uint32_t flags1, uint32_t flags2, int32_t depth) {
    if (depth == 16 && (flags1 & 0x40u)) depth = 8;
    if (depth == 8 && ((flags1 & 0x4u) || (flags2 & 0x100u))) return 0;
    return depth;
}

bool W3dCompletesFirstView(uint32_t flags1, uint32_t flags2, int32_t chainSurfaces) {
    return !(flags1 & 0x20000u) && !(flags2 & 0x40u) && chainSurfaces == 3;
}

int32_t W3dFirstBackBuffers(int32_t chainSurfaces) {
    return chainSurfaces > 1 ? chainSurfaces - 1 : kW3dFewestBackBuffers;
}

bool W3dTableBHas(uint32_t size, W3dTableBEntry entry, int32_t slotBytes) {
    // Fields the size must span: the size itself and the entries up to the
    // one asked; the device and display entries come together.
    int32_t fields = 0;
    switch (entry) {
    case W3dTableBEntry::BeforeUnload: fields = 2; break;
    case W3dTableBEntry::AttachPrimary: fields = 5; break;
    case W3dTableBEntry::DeviceIndex:
    case W3dTableBEntry::DisplayInfo: fields = 11; break;
    }
    return slotBytes > 0 && size >= static_cast<uint32_t>(fields * slotBytes);
}

bool W3dIsFlipSurface(uint32_t caps) { return (caps & 0x4010u) == 0x4010u && (caps & 0x044A8AA2u) == 0; }

std::string W3dFlipperKey(int32_t device) {
    if (device == -1) return "SOFTWARE\\W3D\\FLIPPER\\WIN3D";
    char key[64];
    std::snprintf(key, sizeof key, "SOFTWARE\\W3D\\FLIPPER\\WIN3D\\%d", static_cast<int>(device));
    return key;
}

std::string W3dRateWithDepth(int32_t width, int32_t height, int32_t depth) {
    char name[64];
    std::snprintf(name, sizeof name, "RateFor%dx%dx%d", static_cast<int>(width), static_cast<int>(height),
                  static_cast<int>(depth));
    return name;
}

std::string W3dRateWithoutDepth(int32_t width, int32_t height) {
    char name[64];
    std::snprintf(name, sizeof name, "RateFor%dx%d", static_cast<int>(width), static_cast<int>(height));
    return name;
}

bool W3dSameName(const char* a, const char* b) {
    for (;; ++a, ++b) {
        unsigned char x = static_cast<unsigned char>(*a), y = static_cast<unsigned char>(*b);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return false;
        if (x == 0) return true;
    }
}
