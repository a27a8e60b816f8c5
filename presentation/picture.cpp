#include "presentation/picture.h"

#include <cstring>

#include "composition/dib_row.h"
#include "composition/pixel_kernels.h"
#include "composition/stereo_formats.h"

int32_t DibRowStride(int32_t width, int32_t bits) {
    switch (bits) {
    case 1:
    case 4:
    case 8:
    case 24:
    case 32: break;
    default: return 0;
    }
    if (width <= 0) return 0;
    const int64_t bytes = DibRowBytes(width, bits);
    return bytes <= INT32_MAX ? static_cast<int32_t>(bytes) : 0;
}

int32_t DibPixelsOffset(uint32_t headerSize, int32_t bitCount, uint32_t coloursUsed) {
    const int32_t size = static_cast<int32_t>(headerSize);
    const bool paletted = bitCount >= 0 && bitCount < 9;
    if (headerSize == 12) return size + (paletted ? (1 << bitCount) * 3 : 0);
    if (headerSize >= 36 && coloursUsed != 0) return size + 4 * static_cast<int32_t>(coloursUsed);
    return size + (paletted ? 4 * (1 << bitCount) : 0);
}

void ConvertYuy2Frame(uint8_t* picture, const uint8_t* src, ptrdiff_t srcStride, int32_t width, int32_t height,
                      int32_t layout) {
    const ptrdiff_t stride = DibRowStride(width, 24);
    const bool interlaced = LayoutFactsOf(layout).regions == ViewRegions::AlternateRows;
    for (int32_t r = 0; r < height; ++r) {
        const int32_t row = !interlaced ? r : (r % 2 == 0 ? r / 2 : r / 2 + height / 2);
        Yuy2ToRgbRows(picture + row * stride, src + (height - 1 - r) * srcStride, width / 2, 1, 0, 0);
    }
}

void DeinterleaveRgbFrame(uint8_t* picture, const uint8_t* src, int32_t width, int32_t height) {
    const ptrdiff_t stride = DibRowStride(width, 24);
    for (int32_t r = 0; r < height; ++r) {
        const int32_t row = r % 2 == 0 ? r / 2 : r / 2 + height / 2;
        std::memcpy(picture + row * stride, src + r * stride, static_cast<size_t>(stride));
    }
}

void DoubleRows(uint8_t* dst, const uint8_t* src, int32_t stride, int32_t height) {
    if (height <= 0) return;
    const size_t bytes = static_cast<size_t>(stride);
    for (int32_t i = 0; i + 1 < height; ++i) {
        const uint8_t* a = src + i * bytes;
        const uint8_t* b = a + bytes;
        uint8_t* even = dst + 2 * i * bytes;
        uint8_t* odd = even + bytes;
        std::memcpy(even, a, bytes);
        for (size_t k = 0; k < bytes; ++k) odd[k] = static_cast<uint8_t>((a[k] + b[k]) >> 1);
    }
    const uint8_t* last = src + (height - 1) * bytes;
    std::memcpy(dst + (2 * height - 2) * bytes, last, bytes);
    std::memcpy(dst + (2 * height - 1) * bytes, last, bytes);
}
