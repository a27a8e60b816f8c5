// The SIMD kernels must match the scalar ones byte for byte: on every input
// value, on every row length and alignment, and without touching memory
// beyond the row.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

#include "composition/pixel_kernels.h"

namespace {

const char* const kModeNames[5] = {"grey red/cyan", "grey red/green", "grey red/blue", "colour", "colour red fix"};

// One kernel of a KernelSet, called uniformly. Anaglyph counts are pixels
// or pairs; mirror counts are bytes, as the kernels take them.
struct KernelCase {
    std::string name;
    enum Kind { kRgbAnaglyph, kYuy2Anaglyph, kReverseRgb, kReverseYuy2 } kind;
    int mode;

    int UnitBytes() const { return kind == kRgbAnaglyph || kind == kReverseRgb ? 3 : 4; }
    bool Mirror() const { return kind == kReverseRgb || kind == kReverseYuy2; }
    // Bytes of each source row, and of the destination row.
    size_t SourceBytes(int32_t count) const { return Mirror() ? count : size_t(count) * UnitBytes(); }
    size_t DestBytes(int32_t count) const {
        return Mirror() ? size_t(count / UnitBytes()) * UnitBytes() : size_t(count) * UnitBytes();
    }

    void Run(const KernelSet& k, uint8_t* dst, const uint8_t* a, const uint8_t* b, int32_t count) const {
        switch (kind) {
            case kRgbAnaglyph: k.rgbAnaglyph[mode](dst, a, b, count); break;
            case kYuy2Anaglyph: k.yuy2Anaglyph[mode](dst, a, b, count); break;
            case kReverseRgb: k.reverseRgbRow(dst, a, count); break;
            case kReverseYuy2: k.reverseYuy2Row(dst, a, count); break;
        }
    }
};

std::vector<KernelCase> AllKernels() {
    std::vector<KernelCase> cases;
    for (int m = 0; m < 5; ++m) cases.push_back({std::string("RGB ") + kModeNames[m], KernelCase::kRgbAnaglyph, m});
    for (int m = 0; m < 5; ++m)
        cases.push_back({std::string("YUY2 ") + kModeNames[m], KernelCase::kYuy2Anaglyph, m});
    cases.push_back({"RGB mirror", KernelCase::kReverseRgb, 0});
    cases.push_back({"YUY2 mirror", KernelCase::kReverseYuy2, 0});
    return cases;
}

// Largest count the tail tests use: every block remainder, and enough for
// the unrolled loops to run.
int32_t MaxTailCount(const KernelCase& c) { return c.Mirror() ? 72 * c.UnitBytes() + c.UnitBytes() - 1 : 72; }

void FillRandom(uint8_t* p, size_t n, std::mt19937& rng) {
    for (size_t i = 0; i < n; ++i) p[i] = static_cast<uint8_t>(rng());
}

// Index of the first differing byte, or -1.
long FirstDifference(const std::vector<uint8_t>& x, const std::vector<uint8_t>& y) {
    for (size_t i = 0; i < x.size(); ++i)
        if (x[i] != y[i]) return static_cast<long>(i);
    return x.size() == y.size() ? -1 : static_cast<long>(x.size());
}

// A page-aligned region with inaccessible pages on both sides: a row put
// flush against either edge faults on any access beyond it.
class GuardedRegion {
public:
    GuardedRegion() {
#ifdef _WIN32
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        page_ = info.dwPageSize;
        base_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, 3 * page_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old;
        if (base_) {
            VirtualProtect(base_, page_, PAGE_NOACCESS, &old);
            VirtualProtect(base_ + 2 * page_, page_, PAGE_NOACCESS, &old);
        }
#else
        page_ = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        void* p = mmap(nullptr, 3 * page_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        base_ = p == MAP_FAILED ? nullptr : static_cast<uint8_t*>(p);
        if (base_) {
            mprotect(base_, page_, PROT_NONE);
            mprotect(base_ + 2 * page_, page_, PROT_NONE);
        }
#endif
    }
    ~GuardedRegion() {
#ifdef _WIN32
        if (base_) VirtualFree(base_, 0, MEM_RELEASE);
#else
        if (base_) munmap(base_, 3 * page_);
#endif
    }
    GuardedRegion(const GuardedRegion&) = delete;
    GuardedRegion& operator=(const GuardedRegion&) = delete;

    bool ok() const { return base_ != nullptr; }
    size_t size() const { return page_; }
    uint8_t* begin() const { return base_ + page_; }
    uint8_t* end() const { return base_ + 2 * page_; }

private:
    size_t page_ = 0;
    uint8_t* base_ = nullptr;
};

class PixelKernelsSimd : public ::testing::Test {
protected:
    void SetUp() override {
        simd_ = SimdKernels();
        if (!simd_) GTEST_SKIP() << "this processor has no SSSE3";
    }
    const KernelSet* simd_ = nullptr;
    const KernelSet& scalar_ = ScalarKernels();
};

// Every (R, G, B) for A, and for B too (B's pixel i is a permutation of
// A's), in chunks of one red value.
TEST_F(PixelKernelsSimd, RgbAnaglyphsMatchScalarOnAllColours) {
    constexpr int32_t kChunk = 1 << 16;
    std::vector<uint8_t> a(3 * kChunk), b(3 * kChunk), want(3 * kChunk), got(3 * kChunk);
    for (uint32_t red = 0; red < 256; ++red) {
        for (uint32_t j = 0; j < kChunk; ++j) {
            const uint32_t i = red << 16 | j;
            a[3 * j + 0] = static_cast<uint8_t>(i);
            a[3 * j + 1] = static_cast<uint8_t>(i >> 8);
            a[3 * j + 2] = static_cast<uint8_t>(i >> 16);
            const uint32_t k = (i * 2654435761u) & 0xffffff;  // odd multiplier: a bijection
            b[3 * j + 0] = static_cast<uint8_t>(k);
            b[3 * j + 1] = static_cast<uint8_t>(k >> 8);
            b[3 * j + 2] = static_cast<uint8_t>(k >> 16);
        }
        for (int m = 0; m < 5; ++m) {
            scalar_.rgbAnaglyph[m](want.data(), a.data(), b.data(), kChunk);
            simd_->rgbAnaglyph[m](got.data(), a.data(), b.data(), kChunk);
            const long at = FirstDifference(want, got);
            ASSERT_EQ(at, -1) << kModeNames[m] << ", pixel " << at / 3 << ": A (b,g,r) = "
                              << int(a[at / 3 * 3]) << "," << int(a[at / 3 * 3 + 1]) << ","
                              << int(a[at / 3 * 3 + 2]) << ", B = " << int(b[at / 3 * 3]) << ","
                              << int(b[at / 3 * 3 + 1]) << "," << int(b[at / 3 * 3 + 2]) << ", got "
                              << int(got[at]) << ", want " << int(want[at]);
        }
    }
}

// Every (Y, U, V) for both pixels of A's pairs and of B's, and every pair of
// A and B lumas for the grey modes.
TEST_F(PixelKernelsSimd, Yuy2AnaglyphsMatchScalarOnAllColours) {
    constexpr int32_t kChunk = 1 << 16;
    std::vector<uint8_t> a(4 * kChunk), b(4 * kChunk), want(4 * kChunk), got(4 * kChunk);
    for (uint32_t y = 0; y < 256; ++y) {
        for (uint32_t j = 0; j < kChunk; ++j) {
            const uint32_t u = j >> 8, v = j & 255;
            a[4 * j + 0] = static_cast<uint8_t>(y);
            a[4 * j + 1] = static_cast<uint8_t>(u);
            a[4 * j + 2] = static_cast<uint8_t>(y + 7 * u + 13 * v + 37);
            a[4 * j + 3] = static_cast<uint8_t>(v);
            b[4 * j + 0] = static_cast<uint8_t>(u);
            b[4 * j + 1] = static_cast<uint8_t>(v);
            b[4 * j + 2] = static_cast<uint8_t>(u + 85);
            b[4 * j + 3] = static_cast<uint8_t>(y);
        }
        for (int m = 0; m < 5; ++m) {
            scalar_.yuy2Anaglyph[m](want.data(), a.data(), b.data(), kChunk);
            simd_->yuy2Anaglyph[m](got.data(), a.data(), b.data(), kChunk);
            const long at = FirstDifference(want, got);
            if (at < 0) continue;
            const long p = at / 4 * 4;
            FAIL() << kModeNames[m] << ", byte " << at % 4 << " of pair " << at / 4 << ": A = " << int(a[p]) << ","
                   << int(a[p + 1]) << "," << int(a[p + 2]) << "," << int(a[p + 3]) << ", B = " << int(b[p]) << ","
                   << int(b[p + 1]) << "," << int(b[p + 2]) << "," << int(b[p + 3]) << ", got " << int(got[at])
                   << ", want " << int(want[at]);
        }
    }
}

// Every length up to a few blocks past the unrolled loops, at several
// misalignments, into a destination with random bytes around the row: the
// result, bytes around it included, must equal the scalar kernel's.
TEST_F(PixelKernelsSimd, EveryLengthAndAlignmentMatchesScalarAndStaysInRow) {
    constexpr size_t kGuard = 48;
    const size_t offsets[][3] = {{0, 0, 0}, {1, 2, 3}, {3, 1, 0}, {15, 7, 5}, {8, 13, 11}};
    std::mt19937 rng(1234);
    for (const KernelCase& c : AllKernels()) {
        for (int32_t count = 0; count <= MaxTailCount(c); ++count) {
            for (const auto& off : offsets) {
                const size_t src = c.SourceBytes(count), dst = c.DestBytes(count);
                std::vector<uint8_t> a(src + 16), b(src + 16), want(dst + 16 + 2 * kGuard);
                FillRandom(a.data(), a.size(), rng);
                FillRandom(b.data(), b.size(), rng);
                FillRandom(want.data(), want.size(), rng);
                std::vector<uint8_t> got = want;
                c.Run(scalar_, want.data() + kGuard + off[0], a.data() + off[1], b.data() + off[2], count);
                c.Run(*simd_, got.data() + kGuard + off[0], a.data() + off[1], b.data() + off[2], count);
                const long at = FirstDifference(want, got);
                ASSERT_EQ(at, -1) << c.name << ", count " << count << ", offsets " << off[0] << "/" << off[1] << "/"
                                  << off[2] << ": byte " << at - long(kGuard + off[0]) << " of the row differs";
            }
        }
    }
}

// Rows flush against an inaccessible page, at the row's end and at its
// start: any read or write outside the row faults.
TEST_F(PixelKernelsSimd, NoAccessOutsideTheRow) {
    GuardedRegion regionA, regionB, regionDst;
    ASSERT_TRUE(regionA.ok() && regionB.ok() && regionDst.ok());
    std::mt19937 rng(99);
    for (const KernelCase& c : AllKernels()) {
        for (int32_t count = 0; count <= MaxTailCount(c); ++count) {
            const size_t src = c.SourceBytes(count), dst = c.DestBytes(count);
            ASSERT_LE(src, regionA.size());
            std::vector<uint8_t> a(src), b(src), want(dst), got(dst);
            FillRandom(a.data(), src, rng);
            FillRandom(b.data(), src, rng);
            c.Run(scalar_, want.data(), a.data(), b.data(), count);
            for (bool atEnd : {true, false}) {
                uint8_t* const pa = atEnd ? regionA.end() - src : regionA.begin();
                uint8_t* const pb = atEnd ? regionB.end() - src : regionB.begin();
                uint8_t* const pd = atEnd ? regionDst.end() - dst : regionDst.begin();
                if (src) std::memcpy(pa, a.data(), src);
                if (src) std::memcpy(pb, b.data(), src);
                c.Run(*simd_, pd, pa, pb, count);
                if (dst) std::memcpy(got.data(), pd, dst);
                ASSERT_EQ(FirstDifference(want, got), -1) << c.name << ", count " << count;
            }
        }
    }
}

// Frame-width rows on random data, from odd addresses.
TEST_F(PixelKernelsSimd, LongRowsMatchScalar) {
    std::mt19937 rng(7);
    for (const KernelCase& c : AllKernels()) {
        for (int32_t units : {1920, 3840, 4099}) {
            const int32_t count = c.Mirror() ? units * c.UnitBytes() + 2 : units;
            const size_t src = c.SourceBytes(count), dst = c.DestBytes(count);
            std::vector<uint8_t> a(src + 1), b(src + 1), want(dst + 1), got(dst + 1);
            FillRandom(a.data(), a.size(), rng);
            FillRandom(b.data(), b.size(), rng);
            c.Run(scalar_, want.data() + 1, a.data() + 1, b.data() + 1, count);
            c.Run(*simd_, got.data() + 1, a.data() + 1, b.data() + 1, count);
            ASSERT_EQ(FirstDifference(want, got), -1) << c.name << ", count " << count;
        }
    }
}

}  // namespace
