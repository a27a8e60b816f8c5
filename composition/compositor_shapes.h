// The five compositor shapes, written once over a pixel format's traits:
//
//   struct Traits {
//       static constexpr PixelFormatCode kFormat;
//       static constexpr int32_t kBpp;     // bytes a pixel
//       static constexpr bool kBottomUp;   // memory row 0 is the picture's bottom line
//       static RowReverseKernel Reverse(const KernelSet&);
//       static <anaglyph kernel> Anaglyph(const KernelSet&, int32_t displayMode);
//       static int32_t AnaglyphCount(int32_t pixels);  // kernel units in that many pixels
//   };
//
// Only the row order moves rows about: over/under and interlaced sources
// composed into fewer rows than the frame land at the top of the picture,
// which is the end of a bottom-up frame; the left view of an interlaced row
// pair is its upper row; red comes from the upper band of an over/under
// source. Everything else runs in memory order for either format. The rules
// are compile-time constants of the traits, so each per-row loop compiles
// as a hand-written copy per format would.
#pragma once
#include <cstring>

#include "composition/frame_rows.h"

namespace shapes {

// The first output row of a composition that fills the top of the picture:
// row `secondStart` (where the source's second region starts) of a
// bottom-up frame, row 0 of a top-down one.
template <class T>
constexpr int32_t TopRow(int32_t secondStart) {
    return T::kBottomUp ? secondStart : 0;
}

// The upper row of pair j, which holds the left view, and the lower one.
template <class T>
constexpr int32_t UpperOfPair(int32_t j) {
    return 2 * j + (T::kBottomUp ? 1 : 0);
}
template <class T>
constexpr int32_t LowerOfPair(int32_t j) {
    return 2 * j + (T::kBottomUp ? 0 : 1);
}

template <class T>
inline void AsSource(const ComposeJob& job) {
    CopyRows(FrameRows{job.frame}, job.frame.height, static_cast<size_t>(T::kBpp) * job.frame.width);
}

// Side by side and its mirrors. Over/under sources take the left view from
// the first band in memory, whichever way the rows run.
template <class T>
inline void SideBySide(const ComposeJob& job) {
    const FrameBuffers& f = job.frame;
    const FrameRows io{f};
    const ViewRegions v = ComputeViewRegions(T::kFormat, job.layout, f.width, f.height);
    const SideBySideWriter out(job, T::Reverse(*job.kernels));
    const int32_t full = T::kBpp * f.width;
    switch (v.kind) {
    case ViewRegions::Halves:
        for (int32_t r = 0; r < f.height; ++r) {
            const uint8_t *left = io.Src(r), *right = left + v.halfRowBytes;
            SwapIf(job.swap, left, right);
            out.Row(io.Dst(r), left, right, v.halfRowBytes, v.halfRowBytes);
        }
        break;
    case ViewRegions::AlternateRows: {
        const int32_t top = TopRow<T>(v.rowPairs);
        for (int32_t j = 0; j < v.rowPairs; ++j) {
            const uint8_t *left = io.Src(UpperOfPair<T>(j)), *right = io.Src(LowerOfPair<T>(j));
            SwapIf(job.swap, left, right);
            out.Row(io.Dst(top + j), left, right, full, full);
        }
        break;
    }
    case ViewRegions::Bands: {
        const int32_t n = v.bandRows, second = f.height - n, top = TopRow<T>(second);
        for (int32_t k = 0; k < n; ++k) {
            const uint8_t *left = io.Src(k), *right = io.Src(second + k);
            SwapIf(job.swap, left, right);
            out.Row(io.Dst(top + k), left, right, full, full);
        }
        break;
    }
    case ViewRegions::None:
        break;
    }
}

// Source A feeds red: the second half, the odd memory rows, or the upper
// band of the picture; its partner with the swap flag.
template <class T>
inline void Anaglyph(const ComposeJob& job) {
    const FrameBuffers& f = job.frame;
    const FrameRows io{f};
    const ViewRegions v = ComputeViewRegions(T::kFormat, job.layout, f.width, f.height);
    const auto mix = T::Anaglyph(*job.kernels, job.displayMode);
    switch (v.kind) {
    case ViewRegions::Halves:
        for (int32_t r = 0; r < f.height; ++r) {
            const uint8_t *a = io.Src(r) + v.halfRowBytes, *b = io.Src(r);
            SwapIf(job.swap, a, b);
            mix(io.Dst(r), a, b, T::AnaglyphCount(f.width / 2));
        }
        break;
    case ViewRegions::AlternateRows: {
        const int32_t top = TopRow<T>(v.rowPairs);
        for (int32_t j = 0; j < v.rowPairs; ++j) {
            const uint8_t *a = io.Src(2 * j + 1), *b = io.Src(2 * j);
            SwapIf(job.swap, a, b);
            mix(io.Dst(top + j), a, b, T::AnaglyphCount(f.width));
        }
        break;
    }
    case ViewRegions::Bands: {
        const int32_t n = v.bandRows, second = f.height - n;
        const int32_t upper = TopRow<T>(second), lower = T::kBottomUp ? 0 : second;
        for (int32_t k = 0; k < n; ++k) {
            const uint8_t *a = io.Src(upper + k), *b = io.Src(lower + k);
            SwapIf(job.swap, a, b);
            mix(io.Dst(upper + k), a, b, T::AnaglyphCount(f.width));
        }
        break;
    }
    case ViewRegions::None:
        break;
    }
}

template <class T>
inline void LineInterlace(const ComposeJob& job) {
    const FrameBuffers& f = job.frame;
    const FrameRows io{f};
    const ViewRegions v = ComputeViewRegions(T::kFormat, job.layout, f.width, f.height);
    const size_t full = static_cast<size_t>(T::kBpp) * f.width;
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
            // Every other row of each view: both views are halved vertically.
            const int32_t top = TopRow<T>(J);
            for (int32_t k = 0; k < f.height / 4; ++k)
                InterlacePair(io, job.swap, top + 2 * k, io.Src(2 * k), io.Src(J + 2 * k), full);
        } else {
            // The pairs fill the top of the picture; the middle band of the
            // 47.5 % layout, doubled, fills the rest: the bottom rows of a
            // bottom-up frame, the rows below the pairs of a top-down one.
            const int32_t n = v.bandRows;
            const int32_t pairs = T::kBottomUp ? f.height - v.percent * f.height / 100 : 0;
            const int32_t band = T::kBottomUp ? 0 : 2 * n;
            for (int32_t k = 0; k < n; ++k)
                InterlacePair(io, job.swap, pairs + 2 * k, io.Src(k), io.Src(f.height - n + k), full);
            for (int32_t i = 0; i < J - n; ++i) {
                std::memcpy(io.Dst(band + 2 * i), io.Src(n + i), full);
                std::memcpy(io.Dst(band + 2 * i + 1), io.Src(n + i), full);
            }
        }
        break;
    case ViewRegions::None:
        break;
    }
}

// The view that side by side puts in the left part, unmirrored.
template <class T>
inline void OneSide(const ComposeJob& job) {
    const FrameBuffers& f = job.frame;
    const FrameRows io{f};
    const ViewRegions v = ComputeViewRegions(T::kFormat, job.layout, f.width, f.height);
    const size_t full = static_cast<size_t>(T::kBpp) * f.width;
    switch (v.kind) {
    case ViewRegions::Halves:
        for (int32_t r = 0; r < f.height; ++r)
            std::memcpy(io.Dst(r), io.Src(r) + (job.swap ? v.halfRowBytes : 0), static_cast<size_t>(v.halfRowBytes));
        break;
    case ViewRegions::AlternateRows: {
        const int32_t top = TopRow<T>(v.rowPairs);
        for (int32_t j = 0; j < v.rowPairs; ++j)
            std::memcpy(io.Dst(top + j), io.Src(job.swap ? LowerOfPair<T>(j) : UpperOfPair<T>(j)), full);
        break;
    }
    case ViewRegions::Bands: {
        const int32_t n = v.bandRows, second = f.height - n, top = TopRow<T>(second);
        for (int32_t k = 0; k < n; ++k) std::memcpy(io.Dst(top + k), io.Src(job.swap ? second + k : k), full);
        break;
    }
    case ViewRegions::None:
        break;
    }
}

}  // namespace shapes
