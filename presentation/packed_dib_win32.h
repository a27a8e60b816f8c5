// Packed pictures in movable global memory: a 40-byte bitmap header, its
// colour table and the pixels in one block, as the GDI draws expect them.
#pragma once

#include <windows.h>

// A bottom-up picture of width x height (depths above 8 become 24), locked;
// the pixels follow the colour table. Null when the depth has no packed
// form or memory runs out. Free it with FreePackedDib.
BITMAPINFOHEADER* CreatePackedDib(int width, int height, int bits);
void FreePackedDib(void* block);

// The first pixel byte of a packed picture.
BYTE* DibPixels(const BITMAPINFOHEADER* picture);

// A new picture of twice the height: every second row is the mean of its
// neighbours. Owned by the caller.
BITMAPINFOHEADER* DoubleDibHeight(const BITMAPINFOHEADER* header, const BYTE* pixels);

// A locked movable block of `bytes`, and its release.
BYTE* AllocLockedBlock(SIZE_T bytes);
void FreeLockedBlock(void* block);
