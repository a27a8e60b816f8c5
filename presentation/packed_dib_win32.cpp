#include "presentation/packed_dib_win32.h"

#include "presentation/picture.h"

BYTE* AllocLockedBlock(SIZE_T bytes) {
    HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!handle) return nullptr;
    BYTE* p = static_cast<BYTE*>(GlobalLock(handle));
    if (!p) GlobalFree(handle);
    return p;
}

void FreeLockedBlock(void* block) {
    if (!block) return;
    HGLOBAL handle = GlobalHandle(block);
    if (!handle) return;
    GlobalUnlock(handle);
    GlobalFree(handle);
}

BITMAPINFOHEADER* CreatePackedDib(int width, int height, int bits) {
    const int depth = bits < 9 ? bits : 24;
    const int32_t stride = DibRowStride(width, depth);
    if (stride <= 0 || height <= 0) return nullptr;
    const int32_t table = DibPixelsOffset(sizeof(BITMAPINFOHEADER), depth, 0) - sizeof(BITMAPINFOHEADER);
    const SIZE_T image = static_cast<SIZE_T>(height) * static_cast<SIZE_T>(stride);
    auto* bmi = reinterpret_cast<BITMAPINFOHEADER*>(
        AllocLockedBlock(sizeof(BITMAPINFOHEADER) + table + image + kPackedDibSlack));
    if (!bmi) return nullptr;
    ZeroMemory(bmi, sizeof(BITMAPINFOHEADER) + table);
    bmi->biSize = sizeof(BITMAPINFOHEADER);
    bmi->biWidth = width;
    bmi->biHeight = height;
    bmi->biPlanes = 1;
    bmi->biBitCount = static_cast<WORD>(depth);
    bmi->biCompression = BI_RGB;
    bmi->biSizeImage = static_cast<DWORD>(image);
    return bmi;
}

void FreePackedDib(void* block) { FreeLockedBlock(block); }

BYTE* DibPixels(const BITMAPINFOHEADER* picture) {
    const BYTE* base = reinterpret_cast<const BYTE*>(picture);
    if (picture->biSize == sizeof(BITMAPCOREHEADER)) {
        const auto* core = reinterpret_cast<const BITMAPCOREHEADER*>(picture);
        return const_cast<BYTE*>(base + DibPixelsOffset(core->bcSize, core->bcBitCount, 0));
    }
    return const_cast<BYTE*>(base + DibPixelsOffset(picture->biSize, picture->biBitCount, picture->biClrUsed));
}

BITMAPINFOHEADER* DoubleDibHeight(const BITMAPINFOHEADER* header, const BYTE* pixels) {
    const int width = static_cast<SHORT>(header->biWidth);
    const int height = static_cast<SHORT>(header->biHeight);
    const int bits = static_cast<SHORT>(header->biBitCount);
    BITMAPINFOHEADER* doubled = CreatePackedDib(width, 2 * height, bits);
    if (!doubled) return nullptr;
    DoubleRows(DibPixels(doubled), pixels, DibRowStride(width, doubled->biBitCount), height);
    return doubled;
}
