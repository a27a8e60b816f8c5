#include "composition/compose.h"

namespace {

// Display mode -> compositor, per pixel format. Modes without an entry
// (the 3D LCD and shutter-glasses modes) are shown by the full-screen
// presenters from the raw frame instead.
const Compositor kCompositors[2][kDisplayModeCount] = {
    {rgb24::ComposeAsSource, rgb24::ComposeSideBySide, rgb24::ComposeAnaglyph, rgb24::ComposeAnaglyph,
     rgb24::ComposeAnaglyph, rgb24::ComposeAnaglyph, rgb24::ComposeAnaglyph, rgb24::ComposeLineInterlace,
     nullptr, nullptr, rgb24::ComposeOneSide, rgb24::ComposeSideBySide, rgb24::ComposeSideBySide,
     rgb24::ComposeSideBySide},
    {yuy2::ComposeAsSource, yuy2::ComposeSideBySide, yuy2::ComposeAnaglyph, yuy2::ComposeAnaglyph,
     yuy2::ComposeAnaglyph, yuy2::ComposeAnaglyph, yuy2::ComposeAnaglyph, yuy2::ComposeLineInterlace,
     nullptr, nullptr, yuy2::ComposeOneSide, yuy2::ComposeSideBySide, yuy2::ComposeSideBySide,
     yuy2::ComposeSideBySide},
};

Compositor CompositorFor(PixelFormatCode format, int32_t displayMode) {
    if (!IsValidDisplayMode(displayMode)) return nullptr;
    return kCompositors[format == PixelFormatCode::Yuy2 ? 1 : 0][displayMode];
}

ComposedArea Rows(int32_t first, int32_t count, int32_t bytes) {
    if (count < 0) count = 0;
    return ComposedArea{first, count, bytes};
}

ptrdiff_t Magnitude(ptrdiff_t v) { return v < 0 ? -v : v; }

}  // namespace

bool HasCompositor(int32_t displayMode) { return CompositorFor(PixelFormatCode::Rgb24, displayMode) != nullptr; }

ComposedArea ComposedAreaOf(PixelFormatCode format, int32_t displayMode, int32_t layout, int32_t width,
                            int32_t height) {
    const ComposedArea none{0, 0, 0};
    if (!HasCompositor(displayMode) || !IsValidLayout(layout) || height <= 0 || width <= 0) return none;
    const bool yuy2 = format == PixelFormatCode::Yuy2;
    const ViewRegions v = ComputeViewRegions(format, layout, width, height);
    const int32_t full = (yuy2 ? 2 : 3) * width;  // a whole source row
    const int32_t h = v.halfRowBytes, J = v.rowPairs, n = v.bandRows;
    const auto mode = static_cast<StereoDisplayMode>(displayMode);

    switch (mode) {
    case StereoDisplayMode::AsSource:
        return Rows(0, height, full);
    case StereoDisplayMode::SideBySide:
    case StereoDisplayMode::MirrorLeft:
    case StereoDisplayMode::MirrorRight:
    case StereoDisplayMode::MirrorBoth:
    case StereoDisplayMode::OneSide: {
        const bool one = mode == StereoDisplayMode::OneSide;
        const int32_t wide = one ? full : 2 * full;
        if (v.kind == ViewRegions::Halves) return Rows(0, height, one ? h : 2 * h);
        // RGB rows are bottom-up: the composed picture sits in the last
        // rows of the buffer, which are the top of the picture.
        if (v.kind == ViewRegions::AlternateRows) return Rows(yuy2 ? 0 : J, J, wide);
        return Rows(yuy2 ? 0 : height - n, n, wide);
    }
    case StereoDisplayMode::LineInterlace:
        if (v.kind == ViewRegions::Halves) return Rows(0, 2 * J, h);
        if (v.kind == ViewRegions::AlternateRows) return Rows(0, 2 * J, full);
        if (layout == static_cast<int32_t>(StereoInputLayout::OverUnderFull))
            return Rows(yuy2 ? 0 : J, 2 * (height / 4), full);
        if (yuy2) return Rows(0, 2 * J, full);  // pairs, then the doubled middle band down to row 2J
        {
            // Pairs fill rows s..s+2n-1; the 47.5 % layout's middle band is
            // doubled into the bottom rows 0..2(J-n)-1.
            const int32_t s = height - v.percent * height / 100, band = 2 * (J - n);
            const int32_t first = band > 0 ? 0 : s, end = s + 2 * n > band ? s + 2 * n : band;
            return Rows(first, end - first, full);
        }
    default: {  // anaglyphs
        if (yuy2) {
            if (v.kind == ViewRegions::Halves) return Rows(0, height, 4 * (width / 4));
            return Rows(0, v.kind == ViewRegions::AlternateRows ? J : n, 4 * (width / 2));
        }
        if (v.kind == ViewRegions::Halves) return Rows(0, height, 3 * (width / 2));
        if (v.kind == ViewRegions::AlternateRows) return Rows(J, J, full);
        return Rows(height - n, n, full);
    }
    }
}

ComposeResult ComposeFrameWith(const KernelSet& kernels, PixelFormatCode format, int32_t displayMode,
                               int32_t layout, bool swap, const FrameBuffers& frame) {
    const Compositor compose = CompositorFor(format, displayMode);
    if (!compose) return ComposeResult::NoCompositor;

    // Never write outside the output buffer or read outside a source row,
    // whatever format a renderer attached.
    const ComposedArea area = ComposedAreaOf(format, displayMode, layout, frame.width, frame.height);
    if (!area.empty()) {
        const int32_t bpp = format == PixelFormatCode::Yuy2 ? 2 : 3;
        const int64_t outRowBytes = static_cast<int64_t>(frame.outWidth) * bpp;
        if (area.firstRow + area.rowCount > frame.outRows || area.rowBytes > outRowBytes ||
            outRowBytes > Magnitude(frame.dstStride) ||
            static_cast<int64_t>(frame.width) * bpp > Magnitude(frame.srcStride) || !frame.src || !frame.dst)
            return ComposeResult::BadFrame;
    }
    const ComposeJob job{&kernels, displayMode, layout, swap, frame};
    compose(job);
    return ComposeResult::Composed;
}

ComposeResult ComposeFrame(PixelFormatCode format, int32_t displayMode, int32_t layout, bool swap,
                           const FrameBuffers& frame) {
    return ComposeFrameWith(ActiveKernels(), format, displayMode, layout, swap, frame);
}
