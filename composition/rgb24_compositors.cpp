// RGB24 frames: 3 bytes a pixel, rows bottom-up, so memory row 0 is the
// bottom line of the picture and the over/under views land in the last
// rows of the output (the top of the picture).
#include <cstring>

#include "composition/frame_rows.h"

namespace rgb24 {

namespace {
constexpr int32_t kBpp = 3;
}

void ComposeAsSource(const ComposeJob& job) {
    CopyRows(FrameRows{job.frame}, job.frame.height, static_cast<size_t>(kBpp) * job.frame.width);
}

void ComposeSideBySide(const ComposeJob& job) {
    const FrameBuffers& f = job.frame;
    const FrameRows io{f};
    const ViewRegions v = ComputeViewRegions(PixelFormatCode::Rgb24, job.layout, f.width, f.height);
    const SideBySideWriter out(job, job.kernels->reverseRgbRow);
    const int32_t full = kBpp * f.width;
    switch (v.kind) {
    case ViewRegions::Halves:
        for (int32_t r = 0; r < f.height; ++r) {
            const uint8_t *left = io.Src(r), *right = left + v.halfRowBytes;
            SwapIf(job.swap, left, right);
            out.Row(io.Dst(r), left, right, v.halfRowBytes, v.halfRowBytes);
        }
        break;
    case ViewRegions::AlternateRows:
        for (int32_t j = 0; j < v.rowPairs; ++j) {
            const uint8_t *left = io.Src(2 * j + 1), *right = io.Src(2 * j);
            SwapIf(job.swap, left, right);
            out.Row(io.Dst(v.rowPairs + j), left, right, full, full);
        }
        break;
    case ViewRegions::Bands: {
        const int32_t n = v.bandRows, second = f.height - n;
        for (int32_t k = 0; k < n; ++k) {
            const uint8_t *left = io.Src(k), *right = io.Src(second + k);
            SwapIf(job.swap, left, right);
            out.Row(io.Dst(second + k), left, right, full, full);
        }
        break;
    }
    case ViewRegions::None:
        break;
    }
}

// Source A feeds red; in every layout that is the second region (second
// half, odd rows, rows H-n..H-1), the first one with the swap flag.
void ComposeAnaglyph(const ComposeJob& job) {
    const FrameBuffers& f = job.frame;
    const FrameRows io{f};
    const ViewRegions v = ComputeViewRegions(PixelFormatCode::Rgb24, job.layout, f.width, f.height);
    const RgbAnaglyphKernel mix = job.kernels->rgbAnaglyph[job.displayMode - 2];
    switch (v.kind) {
    case ViewRegions::Halves:
        for (int32_t r = 0; r < f.height; ++r) {
            const uint8_t *a = io.Src(r) + v.halfRowBytes, *b = io.Src(r);
            SwapIf(job.swap, a, b);
            mix(io.Dst(r), a, b, f.width / 2);
        }
        break;
    case ViewRegions::AlternateRows:
        for (int32_t j = 0; j < v.rowPairs; ++j) {
            const uint8_t *a = io.Src(2 * j + 1), *b = io.Src(2 * j);
            SwapIf(job.swap, a, b);
            mix(io.Dst(v.rowPairs + j), a, b, f.width);
        }
        break;
    case ViewRegions::Bands: {
        const int32_t n = v.bandRows, second = f.height - n;
        for (int32_t k = 0; k < n; ++k) {
            const uint8_t *a = io.Src(second + k), *b = io.Src(k);
            SwapIf(job.swap, a, b);
            mix(io.Dst(second + k), a, b, f.width);
        }
        break;
    }
    case ViewRegions::None:
        break;
    }
}

void ComposeLineInterlace(const ComposeJob& job) {
    const FrameBuffers& f = job.frame;
    const FrameRows io{f};
    const ViewRegions v = ComputeViewRegions(PixelFormatCode::Rgb24, job.layout, f.width, f.height);
    const size_t full = static_cast<size_t>(kBpp) * f.width;
    const int32_t J = v.rowPairs;
    auto pair = [&](int32_t dstRow, const uint8_t* even, const uint8_t* odd, size_t bytes) {
        InterlacePair(io, job.swap, dstRow, even, odd, bytes);
    };
    switch (v.kind) {
    case ViewRegions::Halves:  // every odd source row is dropped
        for (int32_t j = 0; j < J; ++j)
            pair(2 * j, io.Src(2 * j), io.Src(2 * j) + v.halfRowBytes, static_cast<size_t>(v.halfRowBytes));
        break;
    case ViewRegions::AlternateRows:
        for (int32_t j = 0; j < J; ++j) pair(2 * j, io.Src(2 * j), io.Src(2 * j + 1), full);
        break;
    case ViewRegions::Bands:
        if (job.layout == static_cast<int32_t>(StereoInputLayout::OverUnderFull)) {
            // Every other row of each view: both views are halved vertically.
            for (int32_t k = 0; k < f.height / 4; ++k) pair(J + 2 * k, io.Src(2 * k), io.Src(J + 2 * k), full);
        } else {
            const int32_t n = v.bandRows, s = f.height - v.percent * f.height / 100;
            for (int32_t k = 0; k < n; ++k) pair(s + 2 * k, io.Src(k), io.Src(f.height - n + k), full);
            // The middle band of the 47.5 % layout fills the bottom rows, doubled.
            for (int32_t i = 0; i < J - n; ++i) {
                std::memcpy(io.Dst(2 * i), io.Src(n + i), full);
                std::memcpy(io.Dst(2 * i + 1), io.Src(n + i), full);
            }
        }
        break;
    case ViewRegions::None:
        break;
    }
}

// The view that side by side puts in the left part, unmirrored.
void ComposeOneSide(const ComposeJob& job) {
    const FrameBuffers& f = job.frame;
    const FrameRows io{f};
    const ViewRegions v = ComputeViewRegions(PixelFormatCode::Rgb24, job.layout, f.width, f.height);
    const size_t full = static_cast<size_t>(kBpp) * f.width;
    switch (v.kind) {
    case ViewRegions::Halves:
        for (int32_t r = 0; r < f.height; ++r)
            std::memcpy(io.Dst(r), io.Src(r) + (job.swap ? v.halfRowBytes : 0), static_cast<size_t>(v.halfRowBytes));
        break;
    case ViewRegions::AlternateRows:
        for (int32_t j = 0; j < v.rowPairs; ++j)
            std::memcpy(io.Dst(v.rowPairs + j), io.Src(job.swap ? 2 * j : 2 * j + 1), full);
        break;
    case ViewRegions::Bands: {
        const int32_t n = v.bandRows, second = f.height - n;
        for (int32_t k = 0; k < n; ++k) std::memcpy(io.Dst(second + k), io.Src(job.swap ? second + k : k), full);
        break;
    }
    case ViewRegions::None:
        break;
    }
}

}  // namespace rgb24
