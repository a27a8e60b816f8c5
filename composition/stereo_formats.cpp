#include "composition/stereo_formats.h"

namespace {
int32_t CodeInRange(int id, int first, int32_t count) {
    return (id >= first && id < first + count) ? id - first : -1;
}
}  // namespace

int32_t LayoutFromCommand(int command) { return CodeInRange(command, kFirstLayoutCommand, kLayoutCount); }
int32_t LayoutFromButton(int button) { return CodeInRange(button, kFirstLayoutButton, kLayoutCount); }
int32_t DisplayModeFromCommand(int command) {
    return CodeInRange(command, kFirstDisplayCommand, kDisplayModeCount);
}
int32_t DisplayModeFromButton(int button) { return CodeInRange(button, kFirstDisplayButton, kDisplayModeCount); }

LayoutPercent LayoutPercentages(int32_t layout) {
    static const LayoutPercent kPercent[kLayoutCount] = {
        {25, 100}, {50, 50}, {50, 50}, {50, 47}, {50, 50}, {50, 100},
    };
    return IsValidLayout(layout) ? kPercent[layout] : LayoutPercent{0, 0};
}

ViewRegions ComputeViewRegions(PixelFormatCode format, int32_t layout, int32_t width, int32_t height) {
    ViewRegions v{ViewRegions::None, 0, 0, 0, height / 2};
    switch (static_cast<StereoInputLayout>(layout)) {
    case StereoInputLayout::SideBySideFull:
    case StereoInputLayout::SideBySideHalf:
        v.kind = ViewRegions::Halves;
        // Half a row is floor(3W/2) bytes for RGB24 and W bytes for YUY2.
        v.halfRowBytes = format == PixelFormatCode::Yuy2 ? width : (3 * width) / 2;
        break;
    case StereoInputLayout::OverUnderFull:
    case StereoInputLayout::OverUnderHalf:
    case StereoInputLayout::OverUnder475:
        v.kind = ViewRegions::Bands;
        v.percent = layout == static_cast<int32_t>(StereoInputLayout::OverUnder475) ? 95 : 100;
        v.bandRows = v.percent * height / 200;
        break;
    case StereoInputLayout::Interlaced:
        v.kind = ViewRegions::AlternateRows;
        break;
    }
    return v;
}
