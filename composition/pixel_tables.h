// Fixed-point tables behind the pixel kernels, built at compile time.
//
// r(x) is rounding half up, floor(x + 0.5), applied to every product on its
// own before the sum; clamp limits to 0..255. Each product table holds
// r(c * x) for one coefficient c, computed exactly in thousandths.
#pragma once
#include <cstdint>

namespace pixel_tables {

// floor((k * x + 500) / 1000) for a coefficient of k thousandths, exactly,
// for negative products as well.
constexpr int32_t RoundedProduct(int32_t k, int32_t x) {
    const int32_t n = k * x + 500;
    return n >= 0 ? n / 1000 : -((-n + 999) / 1000);
}

// Luma offset and chroma centre are folded into the clamp table index.
constexpr int32_t kClampBias = 30;
constexpr int32_t kClampSize = 316;  // entry i = clamp(i - 30)
constexpr int32_t kLumaIndex = kClampBias + 16;
constexpr int32_t kChromaIndex = kClampBias + 128;

// Decoding packs red, green and blue into 10-bit fields of one word. Only
// the sum of the Y, U and V entries has to stay in range: every channel of
// that sum is its value plus kDecodeBias. Decoded channels reach -277..534,
// so each field holds 43..854 and the 1024-entry clamp table is never left.
constexpr int32_t kDecodeBias = 320;
constexpr int32_t kDecodeClampSize = 1024;

struct Tables {
    int32_t r299[256], r587[256], r114[256];            // grey level terms
    int32_t r148[256], r291[256], r439[256], r368[256], r071[256];  // chroma terms
    uint8_t clamp[kClampSize];
    int32_t decodeY[256], decodeU[256], decodeV[256];   // packed channel terms
    uint8_t decodeClamp[kDecodeClampSize];             // entry i = clamp(i - kDecodeBias)
};

constexpr int32_t Pack(int32_t red, int32_t green, int32_t blue) {
    return red * (1 << 20) + green * (1 << 10) + blue;
}

constexpr int32_t Clamp255(int32_t v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

constexpr Tables BuildTables() {
    Tables t{};
    for (int32_t x = 0; x < 256; ++x) {
        t.r299[x] = RoundedProduct(299, x);
        t.r587[x] = RoundedProduct(587, x);
        t.r114[x] = RoundedProduct(114, x);
        t.r148[x] = RoundedProduct(148, x);
        t.r291[x] = RoundedProduct(291, x);
        t.r439[x] = RoundedProduct(439, x);
        t.r368[x] = RoundedProduct(368, x);
        t.r071[x] = RoundedProduct(71, x);
        const int32_t y = RoundedProduct(1164, x - 16) + kDecodeBias;
        t.decodeY[x] = Pack(y, y, y);
        t.decodeU[x] = Pack(0, RoundedProduct(-391, x - 128), RoundedProduct(2018, x - 128));
        t.decodeV[x] = Pack(RoundedProduct(1596, x - 128), RoundedProduct(-813, x - 128), 0);
    }
    for (int32_t i = 0; i < kClampSize; ++i) t.clamp[i] = static_cast<uint8_t>(Clamp255(i - kClampBias));
    for (int32_t i = 0; i < kDecodeClampSize; ++i)
        t.decodeClamp[i] = static_cast<uint8_t>(Clamp255(i - kDecodeBias));
    return t;
}

extern const Tables kTables;

}  // namespace pixel_tables
