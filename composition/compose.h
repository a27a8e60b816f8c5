// Recomposition of one packed stereo frame into a display format.
//
// The compositors are plain buffer operations: they read the source frame,
// write only the composed area of the output frame (every other output byte
// keeps its previous content) and allocate nothing. Rows are counted in
// memory order, row 0 first; strides are signed byte distances between
// memory rows, so DIB rows padded to 4 bytes are honoured.
#pragma once
#include <cstddef>
#include <cstdint>

#include "composition/pixel_kernels.h"
#include "composition/stereo_formats.h"

struct FrameBuffers {
    const uint8_t* src;
    ptrdiff_t srcStride;
    int32_t width;   // biWidth as stored
    int32_t height;  // biHeight as stored (negative for a top-down RGB frame)
    uint8_t* dst;
    ptrdiff_t dstStride;
    int32_t outWidth;  // output row length in pixels (normally 2 * width)
    int32_t outRows;   // rows the output buffer holds
};

// The rectangle a composition writes: output memory rows
// [firstRow, firstRow + rowCount), bytes [0, rowBytes) of each row.
struct ComposedArea {
    int32_t firstRow;
    int32_t rowCount;
    int32_t rowBytes;
    bool empty() const { return rowCount <= 0 || rowBytes <= 0; }
};

enum class ComposeResult {
    Composed,      // the frame was composed (possibly an empty area)
    NoCompositor,  // 8, 9 and unknown display modes: nothing to deliver
    BadFrame,      // the buffers cannot hold the frame; nothing written
};

// The area that ComposeFrame writes for this format, mode, layout and size.
// Empty for a mode without a compositor, an unknown layout or H <= 0.
ComposedArea ComposedAreaOf(PixelFormatCode format, int32_t displayMode, int32_t layout, int32_t width,
                            int32_t height);

// Whether the display mode has a compositor in the effect filter.
bool HasCompositor(int32_t displayMode);

// Composes one frame. Layout and swap are read once for the whole frame by
// the caller. Any format other than YUY2 is composed as RGB24.
ComposeResult ComposeFrame(PixelFormatCode format, int32_t displayMode, int32_t layout, bool swap,
                           const FrameBuffers& frame);
ComposeResult ComposeFrameWith(const KernelSet& kernels, PixelFormatCode format, int32_t displayMode,
                               int32_t layout, bool swap, const FrameBuffers& frame);

// The two compositor families, one function per display-mode group. The
// mode selects the mirror or anaglyph variant where a group has several.
struct ComposeJob {
    const KernelSet* kernels;
    int32_t displayMode;
    int32_t layout;
    bool swap;
    FrameBuffers frame;
};
using Compositor = void (*)(const ComposeJob& job);

namespace rgb24 {
void ComposeAsSource(const ComposeJob& job);
void ComposeSideBySide(const ComposeJob& job);
void ComposeAnaglyph(const ComposeJob& job);
void ComposeLineInterlace(const ComposeJob& job);
void ComposeOneSide(const ComposeJob& job);
}  // namespace rgb24

namespace yuy2 {
void ComposeAsSource(const ComposeJob& job);
void ComposeSideBySide(const ComposeJob& job);
void ComposeAnaglyph(const ComposeJob& job);
void ComposeLineInterlace(const ComposeJob& job);
void ComposeOneSide(const ComposeJob& job);
}  // namespace yuy2
