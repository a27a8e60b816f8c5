// SSSE3 versions of the per-row kernels, bit-identical to the scalar ones.
//
// Every rounded product r(k * x) of the scalar tables is one
// _mm_mulhrs_epi16, floor((a * c + 2^14) / 2^15), with an input offset and a
// constant where needed; the multipliers below were found by exhaustive
// search over all byte inputs, and the tests compare every kernel with the
// scalar set on all inputs. Sums stay in signed 16-bit lanes; the saturating
// packs do the clamps.
//
// The file is built without -mssse3: each function carries its own target
// attribute, and SimdKernels() hands them out only after asking the CPU.
// Blocks always stay inside the row; a row's last partial block is redone
// overlapping the previous one (same values), and rows too short for one
// block go to the scalar kernels.
#include "composition/pixel_kernels.h"

#if defined(__x86_64__) || defined(__i386__)

#include <cpuid.h>
#include <tmmintrin.h>

#define DS_INLINE static inline __attribute__((target("ssse3"), always_inline))
#if defined(__i386__)
// 32-bit Windows callers only keep the stack 4-byte aligned; spilled vectors
// need 16.
#define DS_ENTRY static __attribute__((target("ssse3"), force_align_arg_pointer))
#else
#define DS_ENTRY static __attribute__((target("ssse3")))
#endif

namespace {

// r(k * x) == mulhrs(x, c) for every byte x.
constexpr short kR299 = 9798, kR587 = 19234, kR114 = 3736;
constexpr short kR148 = 4850, kR291 = 9535, kR439 = 14385, kR368 = 12058, kR071 = 2327;

// Decoding terms of a byte u:
//   r(1.164(u - 16))  = (u - 16) + mulhrs(u - 16, 5374)
//   r(1.596(u - 128)) = u - 246 + mulhrs(u + 70, 19529)
//   r(-.813(u - 128)) = 100 + mulhrs(u - 5, -26641)
//   r(-.391(u - 128)) = 52 + mulhrs(u + 5, -12812)
//   r(2.018(u - 128)) = 2u - 258 + mulhrs(u - 17, 590)
constexpr short kDecY = 5374, kDecVR = 19529, kDecVG = -26641, kDecUG = -12812, kDecUB = 590;

// pshufb and blend masks; -128 selects a zero byte.
struct alignas(16) ByteMask {
    int8_t b[16];
};

enum : int { kBlue = 1, kGreen = 2, kRed = 4 };

struct Masks {
    // RGB24 to 16-bit planes: plane[c][h][j] picks channel c of pixels
    // 8h..8h+7 out of the block's register h + j.
    ByteMask plane[3][2][2];
    // 16 bytes (one per pixel) to block register k: out[k][set] fills the
    // channels in set, zero elsewhere.
    ByteMask out[3][8];
    // 0xff on blue and green bytes of block register k.
    ByteMask keepBlueGreen[3];
    ByteMask reverseYuy2;
    // Five pixels of a window starting one byte before them, reversed.
    ByteMask reverseRgb;
    // Five pixels at the window start, reversed, one byte further on.
    ByteMask reverseRgbLast;
};

constexpr int8_t Pick(int i) { return static_cast<int8_t>(i); }
constexpr int8_t kZero = -128;

constexpr Masks BuildMasks() {
    Masks m{};
    for (int c = 0; c < 3; ++c)
        for (int h = 0; h < 2; ++h)
            for (int j = 0; j < 2; ++j)
                for (int p = 0; p < 8; ++p) {
                    const int pos = 3 * (8 * h + p) + c - 16 * (h + j);
                    m.plane[c][h][j].b[2 * p] = pos >= 0 && pos < 16 ? Pick(pos) : kZero;
                    m.plane[c][h][j].b[2 * p + 1] = kZero;
                }
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 16; ++i) {
            const int pos = 16 * k + i, pixel = pos / 3, channel = 1 << (pos % 3);
            for (int set = 0; set < 8; ++set) m.out[k][set].b[i] = (set & channel) ? Pick(pixel) : kZero;
            m.keepBlueGreen[k].b[i] = channel == kRed ? 0 : -1;
        }
    for (int q = 0; q < 4; ++q) {
        const int from = 4 * (3 - q);
        m.reverseYuy2.b[4 * q + 0] = Pick(from + 2);
        m.reverseYuy2.b[4 * q + 1] = Pick(from + 1);
        m.reverseYuy2.b[4 * q + 2] = Pick(from + 0);
        m.reverseYuy2.b[4 * q + 3] = Pick(from + 3);
    }
    for (int i = 0; i < 15; ++i) {
        const int from = 3 * (4 - i / 3) + i % 3;
        m.reverseRgb.b[i] = Pick(from + 1);
        m.reverseRgbLast.b[i + 1] = Pick(from);
    }
    m.reverseRgb.b[15] = kZero;
    m.reverseRgbLast.b[0] = kZero;
    return m;
}

constexpr Masks kMasks = BuildMasks();

DS_INLINE __m128i Load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
DS_INLINE void Store(uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
DS_INLINE __m128i Mask(const ByteMask& m) { return _mm_load_si128(reinterpret_cast<const __m128i*>(m.b)); }
DS_INLINE __m128i Shuffle(__m128i v, const ByteMask& m) { return _mm_shuffle_epi8(v, Mask(m)); }
DS_INLINE __m128i Hrs(__m128i v, short c) { return _mm_mulhrs_epi16(v, _mm_set1_epi16(c)); }
DS_INLINE __m128i Add(__m128i a, __m128i b) { return _mm_add_epi16(a, b); }
DS_INLINE __m128i Sub(__m128i a, __m128i b) { return _mm_sub_epi16(a, b); }
DS_INLINE __m128i Const(short c) { return _mm_set1_epi16(c); }

// 16 + r(.299 r) + r(.587 g) + r(.114 b), unclamped.
DS_INLINE __m128i Grey16(__m128i r, __m128i g, __m128i b) {
    return Add(Add(Hrs(r, kR299), Hrs(g, kR587)), Add(Hrs(b, kR114), Const(16)));
}

// ---- RGB24: blocks of 16 pixels, 48 bytes --------------------------------

DS_INLINE __m128i Plane(const __m128i* v, int c, int h) {
    return _mm_or_si128(Shuffle(v[h], kMasks.plane[c][h][0]), Shuffle(v[h + 1], kMasks.plane[c][h][1]));
}

// Grey levels of 16 RGB pixels, one byte each.
DS_INLINE __m128i GreyBytes(const uint8_t* p) {
    const __m128i v[3] = {Load(p), Load(p + 16), Load(p + 32)};
    const __m128i lo = Grey16(Plane(v, 2, 0), Plane(v, 1, 0), Plane(v, 0, 0));
    const __m128i hi = Grey16(Plane(v, 2, 1), Plane(v, 1, 1), Plane(v, 0, 1));
    return _mm_packus_epi16(lo, hi);
}

// Display modes, as indexes into the kernel tables.
enum : int { kGreyRedCyan, kGreyRedGreen, kGreyRedBlue, kColor, kColorRedFix };

DS_INLINE void RgbBlock(int mode, uint8_t* d, const uint8_t* a, const uint8_t* b) {
    if (mode == kColor) {
        for (int k = 0; k < 3; ++k) {
            const __m128i keep = Mask(kMasks.keepBlueGreen[k]);
            Store(d + 16 * k, _mm_or_si128(_mm_and_si128(keep, Load(b + 16 * k)),
                                           _mm_andnot_si128(keep, Load(a + 16 * k))));
        }
        return;
    }
    const __m128i greyA = GreyBytes(a);
    if (mode == kColorRedFix) {
        for (int k = 0; k < 3; ++k)
            Store(d + 16 * k, _mm_or_si128(_mm_and_si128(Mask(kMasks.keepBlueGreen[k]), Load(b + 16 * k)),
                                           Shuffle(greyA, kMasks.out[k][kRed])));
        return;
    }
    const __m128i greyB = GreyBytes(b);
    const int setB = mode == kGreyRedCyan ? kBlue | kGreen : mode == kGreyRedGreen ? kGreen : kBlue;
    for (int k = 0; k < 3; ++k)
        Store(d + 16 * k, _mm_or_si128(Shuffle(greyB, kMasks.out[k][setB]), Shuffle(greyA, kMasks.out[k][kRed])));
}

DS_INLINE void RgbRun(int mode, RgbAnaglyphKernel scalar, uint8_t* d, const uint8_t* a, const uint8_t* b,
                      int32_t pixels) {
    if (pixels < 16) {
        scalar(d, a, b, pixels);
        return;
    }
    int32_t i = 0;
    for (; i + 16 <= pixels; i += 16) RgbBlock(mode, d + 3 * i, a + 3 * i, b + 3 * i);
    if (i < pixels) {
        i = pixels - 16;
        RgbBlock(mode, d + 3 * i, a + 3 * i, b + 3 * i);
    }
}

DS_ENTRY void SimdRgbGreyRedCyan(uint8_t* d, const uint8_t* a, const uint8_t* b, int32_t pixels) {
    RgbRun(kGreyRedCyan, RgbAnaglyphGreyRedCyan, d, a, b, pixels);
}
DS_ENTRY void SimdRgbGreyRedGreen(uint8_t* d, const uint8_t* a, const uint8_t* b, int32_t pixels) {
    RgbRun(kGreyRedGreen, RgbAnaglyphGreyRedGreen, d, a, b, pixels);
}
DS_ENTRY void SimdRgbGreyRedBlue(uint8_t* d, const uint8_t* a, const uint8_t* b, int32_t pixels) {
    RgbRun(kGreyRedBlue, RgbAnaglyphGreyRedBlue, d, a, b, pixels);
}
DS_ENTRY void SimdRgbColor(uint8_t* d, const uint8_t* a, const uint8_t* b, int32_t pixels) {
    RgbRun(kColor, RgbAnaglyphColor, d, a, b, pixels);
}
DS_ENTRY void SimdRgbColorRedFix(uint8_t* d, const uint8_t* a, const uint8_t* b, int32_t pixels) {
    RgbRun(kColorRedFix, RgbAnaglyphColorRedFix, d, a, b, pixels);
}

// ---- YUY2: blocks of 8 pairs, 32 bytes -----------------------------------
// "Pixel" vectors hold the 16 pixels of a block in two registers; "pair"
// vectors hold one value per pair (8 lanes).

// Even bytes widened to 16 bits: the lumas of YUY2 data, the first pixel of
// each pair in a row of per-pixel bytes.
DS_INLINE __m128i EvenBytes(__m128i v) { return _mm_and_si128(v, _mm_set1_epi16(0xff)); }
DS_INLINE __m128i FirstLumas(__m128i v0, __m128i v1) {
    const __m128i byte = _mm_set1_epi32(0xff);
    return _mm_packs_epi32(_mm_and_si128(v0, byte), _mm_and_si128(v1, byte));
}
DS_INLINE __m128i Us(__m128i v0, __m128i v1) {
    const __m128i byte = _mm_set1_epi32(0xff);
    return _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(v0, 8), byte), _mm_and_si128(_mm_srli_epi32(v1, 8), byte));
}
DS_INLINE __m128i Vs(__m128i v0, __m128i v1) {
    return _mm_packs_epi32(_mm_srli_epi32(v0, 24), _mm_srli_epi32(v1, 24));
}

// Y0 U Y1 V ... from 16 lumas (two pixel vectors) and per-pair U and V.
DS_INLINE void StorePairs(uint8_t* d, __m128i y0, __m128i y1, __m128i u, __m128i v) {
    const __m128i y = _mm_packus_epi16(y0, y1);
    const __m128i uv = _mm_packus_epi16(_mm_unpacklo_epi16(u, v), _mm_unpackhi_epi16(u, v));
    Store(d, _mm_unpacklo_epi8(y, uv));
    Store(d + 16, _mm_unpackhi_epi8(y, uv));
}

// Grey modes encode (A, B, B), (A, B, 0) or (A, 0, B) from the raw lumas.
DS_INLINE void Yuy2GreyBlock(int mode, uint8_t* d, const uint8_t* a, const uint8_t* b) {
    const __m128i a0 = Load(a), a1 = Load(a + 16), b0 = Load(b), b1 = Load(b + 16);
    const __m128i ya0 = EvenBytes(a0), ya1 = EvenBytes(a1), yb0 = EvenBytes(b0), yb1 = EvenBytes(b1);
    const __m128i fa = FirstLumas(a0, a1), fb = FirstLumas(b0, b1);
    const __m128i base0 = Add(Hrs(ya0, kR299), Const(16)), base1 = Add(Hrs(ya1, kR299), Const(16));
    __m128i y0, y1;
    __m128i u = Sub(Const(128), Hrs(fa, kR148));
    __m128i v = Add(Const(128), Hrs(fa, kR439));
    if (mode == kGreyRedCyan) {
        y0 = Add(base0, Add(Hrs(yb0, kR587), Hrs(yb0, kR114)));
        y1 = Add(base1, Add(Hrs(yb1, kR587), Hrs(yb1, kR114)));
        u = Add(u, Sub(Hrs(fb, kR439), Hrs(fb, kR291)));
        v = Sub(v, Add(Hrs(fb, kR368), Hrs(fb, kR071)));
    } else if (mode == kGreyRedGreen) {
        y0 = Add(base0, Hrs(yb0, kR587));
        y1 = Add(base1, Hrs(yb1, kR587));
        u = Sub(u, Hrs(fb, kR291));
        v = Sub(v, Hrs(fb, kR368));
    } else {
        y0 = Add(base0, Hrs(yb0, kR114));
        y1 = Add(base1, Hrs(yb1, kR114));
        u = Add(u, Hrs(fb, kR439));
        v = Sub(v, Hrs(fb, kR071));
    }
    StorePairs(d, y0, y1, u, v);
}

DS_INLINE __m128i DecodeLuma(__m128i y) {
    const __m128i t = Sub(y, Const(16));
    return Add(t, Hrs(t, kDecY));
}

// Clamps a channel of 16 pixels (two pixel vectors) and also returns it for
// the first pixel of each pair.
struct Channel {
    __m128i p0, p1, first;
};
DS_INLINE Channel ClampChannel(__m128i p0, __m128i p1) {
    const __m128i bytes = _mm_packus_epi16(p0, p1);
    const __m128i zero = _mm_setzero_si128();
    return Channel{_mm_unpacklo_epi8(bytes, zero), _mm_unpackhi_epi8(bytes, zero), EvenBytes(bytes)};
}

// Colour modes: red from A (decoded, or A's raw luma with the red fix),
// green and blue decoded from B, then encoded again.
DS_INLINE void Yuy2ColorBlock(bool redFix, uint8_t* d, const uint8_t* a, const uint8_t* b) {
    const __m128i b0 = Load(b), b1 = Load(b + 16);
    const __m128i ub = Us(b0, b1), vb = Vs(b0, b1);
    const __m128i green = Add(Add(Hrs(Sub(vb, Const(5)), kDecVG), Hrs(Add(ub, Const(5)), kDecUG)), Const(152));
    const __m128i blue = Add(Add(ub, ub), Sub(Hrs(Sub(ub, Const(17)), kDecUB), Const(258)));
    const __m128i yb0 = DecodeLuma(EvenBytes(b0)), yb1 = DecodeLuma(EvenBytes(b1));
    const Channel g =
        ClampChannel(Add(yb0, _mm_unpacklo_epi16(green, green)), Add(yb1, _mm_unpackhi_epi16(green, green)));
    const Channel bl =
        ClampChannel(Add(yb0, _mm_unpacklo_epi16(blue, blue)), Add(yb1, _mm_unpackhi_epi16(blue, blue)));

    const __m128i a0 = Load(a), a1 = Load(a + 16);
    Channel r;
    if (redFix) {
        r = Channel{EvenBytes(a0), EvenBytes(a1), FirstLumas(a0, a1)};
    } else {
        const __m128i va = Vs(a0, a1);
        const __m128i red = Add(va, Sub(Hrs(Add(va, Const(70)), kDecVR), Const(246)));
        r = ClampChannel(Add(DecodeLuma(EvenBytes(a0)), _mm_unpacklo_epi16(red, red)),
                         Add(DecodeLuma(EvenBytes(a1)), _mm_unpackhi_epi16(red, red)));
    }
    const __m128i u =
        Add(Sub(Const(128), Add(Hrs(r.first, kR148), Hrs(g.first, kR291))), Hrs(bl.first, kR439));
    const __m128i v =
        Sub(Add(Const(128), Hrs(r.first, kR439)), Add(Hrs(g.first, kR368), Hrs(bl.first, kR071)));
    StorePairs(d, Grey16(r.p0, g.p0, bl.p0), Grey16(r.p1, g.p1, bl.p1), u, v);
}

DS_INLINE void Yuy2Block(int mode, uint8_t* d, const uint8_t* a, const uint8_t* b) {
    if (mode == kColor || mode == kColorRedFix)
        Yuy2ColorBlock(mode == kColorRedFix, d, a, b);
    else
        Yuy2GreyBlock(mode, d, a, b);
}

DS_INLINE void Yuy2Run(int mode, Yuy2AnaglyphKernel scalar, uint8_t* d, const uint8_t* a, const uint8_t* b,
                       int32_t pairs) {
    if (pairs < 8) {
        scalar(d, a, b, pairs);
        return;
    }
    int32_t i = 0;
    for (; i + 8 <= pairs; i += 8) Yuy2Block(mode, d + 4 * i, a + 4 * i, b + 4 * i);
    if (i < pairs) {
        i = pairs - 8;
        Yuy2Block(mode, d + 4 * i, a + 4 * i, b + 4 * i);
    }
}

DS_ENTRY void SimdYuy2GreyRedCyan(uint8_t* d, const uint8_t* a, const uint8_t* b, int32_t pairs) {
    Yuy2Run(kGreyRedCyan, Yuy2AnaglyphGreyRedCyan, d, a, b, pairs);
}
DS_ENTRY void SimdYuy2GreyRedGreen(uint8_t* d, const uint8_t* a, const uint8_t* b, int32_t pairs) {
    Yuy2Run(kGreyRedGreen, Yuy2AnaglyphGreyRedGreen, d, a, b, pairs);
}
DS_ENTRY void SimdYuy2GreyRedBlue(uint8_t* d, const uint8_t* a, const uint8_t* b, int32_t pairs) {
    Yuy2Run(kGreyRedBlue, Yuy2AnaglyphGreyRedBlue, d, a, b, pairs);
}
DS_ENTRY void SimdYuy2Color(uint8_t* d, const uint8_t* a, const uint8_t* b, int32_t pairs) {
    Yuy2Run(kColor, Yuy2AnaglyphColor, d, a, b, pairs);
}
DS_ENTRY void SimdYuy2ColorRedFix(uint8_t* d, const uint8_t* a, const uint8_t* b, int32_t pairs) {
    Yuy2Run(kColorRedFix, Yuy2AnaglyphColorRedFix, d, a, b, pairs);
}

// ---- Mirrors -------------------------------------------------------------

DS_ENTRY void SimdReverseYuy2Row(uint8_t* dst, const uint8_t* src, int32_t bytes) {
    const int32_t pairs = bytes / 4;
    if (pairs < 4) {
        ReverseYuy2Row(dst, src, bytes);
        return;
    }
    const __m128i m = Mask(kMasks.reverseYuy2);
    const uint8_t* s = src + 4 * pairs;
    int32_t i = 0;
    for (; i + 16 <= pairs; i += 16, s -= 64) {
        const __m128i v0 = Load(s - 16), v1 = Load(s - 32), v2 = Load(s - 48), v3 = Load(s - 64);
        Store(dst + 4 * i, _mm_shuffle_epi8(v0, m));
        Store(dst + 4 * i + 16, _mm_shuffle_epi8(v1, m));
        Store(dst + 4 * i + 32, _mm_shuffle_epi8(v2, m));
        Store(dst + 4 * i + 48, _mm_shuffle_epi8(v3, m));
    }
    for (; i + 4 <= pairs; i += 4, s -= 16) Store(dst + 4 * i, _mm_shuffle_epi8(Load(s - 16), m));
    if (i < pairs) Store(dst + 4 * (pairs - 4), _mm_shuffle_epi8(Load(src), m));
}

// Groups of five pixels: each 16-byte load starts one byte before its five
// pixels so that it stays inside the row, and each 16-byte store spills one
// byte into the next group, which the next store (or the last one) rewrites.
DS_ENTRY void SimdReverseRgbRow(uint8_t* dst, const uint8_t* src, int32_t bytes) {
    const int32_t pixels = bytes / 3;
    if (pixels < 6) {
        ReverseRgbRow(dst, src, bytes);
        return;
    }
    const __m128i m = Mask(kMasks.reverseRgb);
    // Output byte o takes the window at src + last - o, one byte before its
    // five source pixels; last is also the final o whose store stays in the row.
    const int32_t last = 3 * (pixels - 6);
    const uint8_t* const s = src + last + 2;
    int32_t o = 0;
    for (; o + 45 <= last; o += 60) {
        const __m128i v0 = Load(s - o), v1 = Load(s - o - 15), v2 = Load(s - o - 30), v3 = Load(s - o - 45);
        Store(dst + o, _mm_shuffle_epi8(v0, m));
        Store(dst + o + 15, _mm_shuffle_epi8(v1, m));
        Store(dst + o + 30, _mm_shuffle_epi8(v2, m));
        Store(dst + o + 45, _mm_shuffle_epi8(v3, m));
    }
    for (; o <= last; o += 15) Store(dst + o, _mm_shuffle_epi8(Load(s - o), m));
    // The last five pixels come from the row start; the store's first byte is
    // the red of pixel 5, beyond the loaded window.
    uint8_t* const end = dst + 3 * pixels;
    Store(end - 16, Shuffle(Load(src), kMasks.reverseRgbLast));
    end[-16] = src[17];
}

bool CpuHasSsse3() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
    return (edx & bit_SSE2) && (ecx & bit_SSSE3);
}

const KernelSet kSimd = {
    "ssse3",
    {SimdRgbGreyRedCyan, SimdRgbGreyRedGreen, SimdRgbGreyRedBlue, SimdRgbColor, SimdRgbColorRedFix},
    {SimdYuy2GreyRedCyan, SimdYuy2GreyRedGreen, SimdYuy2GreyRedBlue, SimdYuy2Color, SimdYuy2ColorRedFix},
    SimdReverseRgbRow,
    SimdReverseYuy2Row,
};

}  // namespace

const KernelSet* SimdKernels() {
    static const bool available = CpuHasSsse3();
    return available ? &kSimd : nullptr;
}

#else

const KernelSet* SimdKernels() { return nullptr; }

#endif
