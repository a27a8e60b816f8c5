// Row addressing and row writers for the compositor shapes.
#pragma once
#include <cstring>

#include "composition/compose.h"

struct FrameRows {
    const FrameBuffers& f;
    const uint8_t* Src(int32_t row) const { return f.src + row * f.srcStride; }
    uint8_t* Dst(int32_t row) const { return f.dst + row * f.dstStride; }
};

// The source of one output part: the row the table names, or its swap
// partner when the left/right exchange is on.
template <typename T>
inline void SwapIf(bool swap, T& a, T& b) {
    if (swap) {
        T t = a;
        a = b;
        b = t;
    }
}

// Left part mirrored in modes 11 and 13, right part in 12 and 13.
inline bool MirrorsLeft(int32_t mode) { return DisplayModeFactsOf(mode).mirrorLeft; }
inline bool MirrorsRight(int32_t mode) { return DisplayModeFactsOf(mode).mirrorRight; }

// One side-by-side output row: the left part from `left` at byte 0 and the
// right part from `right` at byte `rightOffset`, each copied or mirrored.
struct SideBySideWriter {
    RowReverseKernel reverse;
    bool mirrorLeft;
    bool mirrorRight;

    SideBySideWriter(const ComposeJob& job, RowReverseKernel kernel)
        : reverse(kernel), mirrorLeft(MirrorsLeft(job.displayMode)), mirrorRight(MirrorsRight(job.displayMode)) {}

    void Row(uint8_t* dst, const uint8_t* left, const uint8_t* right, int32_t bytes, int32_t rightOffset) const {
        Part(mirrorLeft, dst, left, bytes);
        Part(mirrorRight, dst + rightOffset, right, bytes);
    }
    void Part(bool mirror, uint8_t* dst, const uint8_t* src, int32_t bytes) const {
        if (mirror)
            reverse(dst, src, bytes);
        else
            std::memcpy(dst, src, static_cast<size_t>(bytes));
    }
};

// A line-interlaced pair of output rows from two sources.
inline void InterlacePair(const FrameRows& io, bool swap, int32_t dstRow, const uint8_t* even, const uint8_t* odd,
                          size_t bytes) {
    SwapIf(swap, even, odd);
    std::memcpy(io.Dst(dstRow), even, bytes);
    std::memcpy(io.Dst(dstRow + 1), odd, bytes);
}

// Plain copy of `rows` whole rows (mode 0 of either format).
inline void CopyRows(const FrameRows& io, int32_t rows, size_t bytes) {
    for (int32_t r = 0; r < rows; ++r) std::memcpy(io.Dst(r), io.Src(r), bytes);
}
