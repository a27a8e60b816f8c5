#include "composition/pixel_kernels.h"

#include "composition/pixel_tables.h"

namespace pixel_tables {
constexpr Tables kTables = BuildTables();
}

using pixel_tables::kTables;

namespace {

inline uint8_t Grey(const uint8_t* bgr) {
    return kTables.clamp[pixel_tables::kLumaIndex + kTables.r299[bgr[2]] + kTables.r587[bgr[1]] +
                         kTables.r114[bgr[0]]];
}

inline uint8_t GreyOf(Rgb p) {
    return kTables.clamp[pixel_tables::kLumaIndex + kTables.r299[p.r] + kTables.r587[p.g] + kTables.r114[p.b]];
}

inline Rgb Decode(uint8_t y, uint8_t u, uint8_t v) {
    const int32_t s = kTables.decodeY[y] + kTables.decodeU[u] + kTables.decodeV[v];
    return Rgb{kTables.decodeClamp[(s >> 20) & 1023], kTables.decodeClamp[(s >> 10) & 1023],
               kTables.decodeClamp[s & 1023]};
}

inline void EncodePair(uint8_t* dst, Rgb p0, Rgb p1) {
    dst[0] = GreyOf(p0);
    dst[1] = kTables.clamp[pixel_tables::kChromaIndex - kTables.r148[p0.r] - kTables.r291[p0.g] +
                           kTables.r439[p0.b]];
    dst[2] = GreyOf(p1);
    dst[3] = kTables.clamp[pixel_tables::kChromaIndex + kTables.r439[p0.r] - kTables.r368[p0.g] -
                           kTables.r071[p0.b]];
}

}  // namespace

uint8_t GreyLevel(uint8_t r, uint8_t g, uint8_t b) { return GreyOf(Rgb{r, g, b}); }

Rgb DecodeYuvPixel(uint8_t y, uint8_t u, uint8_t v) { return Decode(y, u, v); }

void RgbToYuy2Pair(uint8_t* dst, Rgb p0, Rgb p1) { EncodePair(dst, p0, p1); }

void RgbAnaglyphGreyRedCyan(uint8_t* dst, const uint8_t* a, const uint8_t* b, int32_t pixels) {
    for (; pixels > 0; --pixels, dst += 3, a += 3, b += 3) {
        const uint8_t gb = Grey(b);
        dst[0] = gb;
        dst[1] = gb;
        dst[2] = Grey(a);
    }
}

void RgbAnaglyphGreyRedGreen(uint8_t* dst, const uint8_t* a, const uint8_t* b, int32_t pixels) {
    for (; pixels > 0; --pixels, dst += 3, a += 3, b += 3) {
        dst[0] = 0;
        dst[1] = Grey(b);
        dst[2] = Grey(a);
    }
}

void RgbAnaglyphGreyRedBlue(uint8_t* dst, const uint8_t* a, const uint8_t* b, int32_t pixels) {
    for (; pixels > 0; --pixels, dst += 3, a += 3, b += 3) {
        dst[0] = Grey(b);
        dst[1] = 0;
        dst[2] = Grey(a);
    }
}

void RgbAnaglyphColor(uint8_t* dst, const uint8_t* a, const uint8_t* b, int32_t pixels) {
    for (; pixels > 0; --pixels, dst += 3, a += 3, b += 3) {
        dst[0] = b[0];
        dst[1] = b[1];
        dst[2] = a[2];
    }
}

void RgbAnaglyphColorRedFix(uint8_t* dst, const uint8_t* a, const uint8_t* b, int32_t pixels) {
    for (; pixels > 0; --pixels, dst += 3, a += 3, b += 3) {
        dst[0] = b[0];
        dst[1] = b[1];
        dst[2] = Grey(a);
    }
}

// YUY2 grey kernels take the lumas of A and B directly as the grey levels
// of the two views; their chroma is ignored.
void Yuy2AnaglyphGreyRedCyan(uint8_t* dst, const uint8_t* a, const uint8_t* b, int32_t pairs) {
    for (; pairs > 0; --pairs, dst += 4, a += 4, b += 4)
        EncodePair(dst, Rgb{a[0], b[0], b[0]}, Rgb{a[2], b[2], b[2]});
}

void Yuy2AnaglyphGreyRedGreen(uint8_t* dst, const uint8_t* a, const uint8_t* b, int32_t pairs) {
    for (; pairs > 0; --pairs, dst += 4, a += 4, b += 4)
        EncodePair(dst, Rgb{a[0], b[0], 0}, Rgb{a[2], b[2], 0});
}

void Yuy2AnaglyphGreyRedBlue(uint8_t* dst, const uint8_t* a, const uint8_t* b, int32_t pairs) {
    for (; pairs > 0; --pairs, dst += 4, a += 4, b += 4)
        EncodePair(dst, Rgb{a[0], 0, b[0]}, Rgb{a[2], 0, b[2]});
}

void Yuy2AnaglyphColor(uint8_t* dst, const uint8_t* a, const uint8_t* b, int32_t pairs) {
    for (; pairs > 0; --pairs, dst += 4, a += 4, b += 4) {
        const Rgb a0 = Decode(a[0], a[1], a[3]), a1 = Decode(a[2], a[1], a[3]);
        const Rgb b0 = Decode(b[0], b[1], b[3]), b1 = Decode(b[2], b[1], b[3]);
        EncodePair(dst, Rgb{a0.r, b0.g, b0.b}, Rgb{a1.r, b1.g, b1.b});
    }
}

// Red correction: A's brightness (its raw luma), not its red, feeds red.
void Yuy2AnaglyphColorRedFix(uint8_t* dst, const uint8_t* a, const uint8_t* b, int32_t pairs) {
    for (; pairs > 0; --pairs, dst += 4, a += 4, b += 4) {
        const Rgb b0 = Decode(b[0], b[1], b[3]), b1 = Decode(b[2], b[1], b[3]);
        EncodePair(dst, Rgb{a[0], b0.g, b0.b}, Rgb{a[2], b1.g, b1.b});
    }
}

void ReverseRgbRow(uint8_t* dst, const uint8_t* src, int32_t bytes) {
    int32_t pixels = bytes / 3;
    for (const uint8_t* s = src + 3 * pixels; pixels > 0; --pixels, dst += 3) {
        s -= 3;
        dst[0] = s[0];
        dst[1] = s[1];
        dst[2] = s[2];
    }
}

void ReverseYuy2Row(uint8_t* dst, const uint8_t* src, int32_t bytes) {
    int32_t pairs = bytes / 4;
    for (const uint8_t* s = src + 4 * pairs; pairs > 0; --pairs, dst += 4) {
        s -= 4;
        dst[0] = s[2];
        dst[1] = s[1];
        dst[2] = s[0];
        dst[3] = s[3];
    }
}

void Yuy2ToRgbRows(uint8_t* dst, const uint8_t* src, int32_t pairsPerRow, int32_t rows, int32_t dstSkip,
                   int32_t srcSkip) {
    for (; rows > 0; --rows, dst += dstSkip, src += srcSkip) {
        for (int32_t n = pairsPerRow; n > 0; --n, dst += 6, src += 4) {
            const Rgb p0 = Decode(src[0], src[1], src[3]), p1 = Decode(src[2], src[1], src[3]);
            dst[0] = p0.b;
            dst[1] = p0.g;
            dst[2] = p0.r;
            dst[3] = p1.b;
            dst[4] = p1.g;
            dst[5] = p1.r;
        }
    }
}

int32_t SubpixelInterleave(uint8_t* dst, const uint8_t* view1, const uint8_t* view2, const uint8_t* repeat,
                           int32_t pixels) {
    uint8_t* const start = dst;
    uint8_t previousGreen2 = 0;  // a view-2 green lands one group to the right
    for (; pixels > 0; --pixels, view1 += 3, view2 += 3, ++repeat) {
        for (int32_t n = *repeat; n > 0; --n, dst += 6) {
            dst[0] = view1[0];
            dst[1] = previousGreen2;
            dst[2] = view1[2];
            dst[3] = view2[0];
            dst[4] = view1[1];
            dst[5] = view2[2];
            previousGreen2 = view2[1];
        }
    }
    return static_cast<int32_t>(dst - start);
}

const KernelSet& ScalarKernels() {
    static const KernelSet kScalar = {
        "scalar",
        {RgbAnaglyphGreyRedCyan, RgbAnaglyphGreyRedGreen, RgbAnaglyphGreyRedBlue, RgbAnaglyphColor,
         RgbAnaglyphColorRedFix},
        {Yuy2AnaglyphGreyRedCyan, Yuy2AnaglyphGreyRedGreen, Yuy2AnaglyphGreyRedBlue, Yuy2AnaglyphColor,
         Yuy2AnaglyphColorRedFix},
        ReverseRgbRow,
        ReverseYuy2Row,
    };
    return kScalar;
}

const KernelSet& ActiveKernels() {
    static const KernelSet& active = SimdKernels() ? *SimdKernels() : ScalarKernels();
    return active;
}
