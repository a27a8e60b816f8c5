// YUY2 frames: pixel pairs Y0, U, Y1, V (2 bytes a pixel), rows top-down,
// so the over/under views land in the first rows of the output (the top of
// the picture). Nothing flips rows to match the RGB placement.
#include <cstring>

#include "composition/frame_rows.h"

namespace yuy2 {

namespace {
constexpr int32_t kBpp = 2;
}

void ComposeAsSource(const ComposeJob& job) {
    CopyRows(FrameRows{job.frame}, job.frame.height, static_cast<size_t>(kBpp) * job.frame.width);
}

void ComposeSideBySide(const ComposeJob& job) {
    const FrameBuffers& f = job.frame;
    const FrameRows io{f};
    const ViewRegions v = ComputeViewRegions(PixelFormatCode::Yuy2, job.layout, f.width, f.height);
    const SideBySideWriter out(job, job.kernels->reverseYuy2Row);
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
            const uint8_t *left = io.Src(2 * j), *right = io.Src(2 * j + 1);
            SwapIf(job.swap, left, right);
            out.Row(io.Dst(j), left, right, full, full);
        }
        break;
    case ViewRegions::Bands:
        for (int32_t k = 0; k < v.bandRows; ++k) {
            const uint8_t *left = io.Src(k), *right = io.Src(f.height - v.bandRows + k);
            SwapIf(job.swap, left, right);
            out.Row(io.Dst(k), left, right, full, full);
        }
        break;
    case ViewRegions::None:
        break;
    }
}

// Source A feeds red: the second half, the odd rows, or the first band (the
// upper view, as rows run top-down); the partner with the swap flag.
void ComposeAnaglyph(const ComposeJob& job) {
    const FrameBuffers& f = job.frame;
    const FrameRows io{f};
    const ViewRegions v = ComputeViewRegions(PixelFormatCode::Yuy2, job.layout, f.width, f.height);
    const Yuy2AnaglyphKernel mix = job.kernels->yuy2Anaglyph[job.displayMode - 2];
    switch (v.kind) {
    case ViewRegions::Halves:
        for (int32_t r = 0; r < f.height; ++r) {
            const uint8_t *a = io.Src(r) + v.halfRowBytes, *b = io.Src(r);
            SwapIf(job.swap, a, b);
            mix(io.Dst(r), a, b, f.width / 4);
        }
        break;
    case ViewRegions::AlternateRows:
        for (int32_t j = 0; j < v.rowPairs; ++j) {
            const uint8_t *a = io.Src(2 * j + 1), *b = io.Src(2 * j);
            SwapIf(job.swap, a, b);
            mix(io.Dst(j), a, b, f.width / 2);
        }
        break;
    case ViewRegions::Bands:
        for (int32_t k = 0; k < v.bandRows; ++k) {
            const uint8_t *a = io.Src(k), *b = io.Src(f.height - v.bandRows + k);
            SwapIf(job.swap, a, b);
            mix(io.Dst(k), a, b, f.width / 2);
        }
        break;
    case ViewRegions::None:
        break;
    }
}

void ComposeLineInterlace(const ComposeJob& job) {
    const FrameBuffers& f = job.frame;
    const FrameRows io{f};
    const ViewRegions v = ComputeViewRegions(PixelFormatCode::Yuy2, job.layout, f.width, f.height);
    const size_t full = static_cast<size_t>(kBpp) * f.width;
    const int32_t J = v.rowPairs;
    switch (v.kind) {
    case ViewRegions::Halves:  // every odd source row is dropped
        for (int32_t j = 0; j < J; ++j)
            InterlacePair(io, job.swap, 2 * j, io.Src(2 * j), io.Src(2 * j) + v.halfRowBytes,
                          static_cast<size_t>(v.halfRowBytes));
        break;
    case ViewRegions::AlternateRows:
        for (int32_t j = 0; j < J; ++j) InterlacePair(io, job.swap, 2 * j, io.Src(2 * j), io.Src(2 * j + 1), full);
        break;
    case ViewRegions::Bands:
        if (job.layout == static_cast<int32_t>(StereoInputLayout::OverUnderFull)) {
            for (int32_t k = 0; k < f.height / 4; ++k)
                InterlacePair(io, job.swap, 2 * k, io.Src(2 * k), io.Src(J + 2 * k), full);
        } else {
            const int32_t n = v.bandRows;
            for (int32_t k = 0; k < n; ++k)
                InterlacePair(io, job.swap, 2 * k, io.Src(k), io.Src(f.height - n + k), full);
            // The middle band of the 47.5 % layout continues below the pairs, doubled.
            for (int32_t i = n; i < J; ++i) {
                std::memcpy(io.Dst(2 * i), io.Src(i), full);
                std::memcpy(io.Dst(2 * i + 1), io.Src(i), full);
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
    const ViewRegions v = ComputeViewRegions(PixelFormatCode::Yuy2, job.layout, f.width, f.height);
    const size_t full = static_cast<size_t>(kBpp) * f.width;
    switch (v.kind) {
    case ViewRegions::Halves:
        for (int32_t r = 0; r < f.height; ++r)
            std::memcpy(io.Dst(r), io.Src(r) + (job.swap ? v.halfRowBytes : 0), static_cast<size_t>(v.halfRowBytes));
        break;
    case ViewRegions::AlternateRows:
        for (int32_t j = 0; j < v.rowPairs; ++j) std::memcpy(io.Dst(j), io.Src(job.swap ? 2 * j + 1 : 2 * j), full);
        break;
    case ViewRegions::Bands:
        for (int32_t k = 0; k < v.bandRows; ++k)
            std::memcpy(io.Dst(k), io.Src(job.swap ? f.height - v.bandRows + k : k), full);
        break;
    case ViewRegions::None:
        break;
    }
}

}  // namespace yuy2
