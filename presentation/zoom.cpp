#include "presentation/zoom.h"

#include <algorithm>

#include "composition/int_scale.h"
#include "composition/stereo_formats.h"
#include "core/app_state.h"

namespace {

bool IsDoubleWide(int32_t mode) { return DisplayModeFactsOf(mode).doubleWide; }

// Scaling the window would mix the interlaced lines of the two views.
bool NaturalSizeOnly(int32_t mode) { return DisplayModeFactsOf(mode).interleave == Interleave::Rows; }

int32_t ClampStep(int32_t step) { return std::clamp(step, kZoomMinStep, kZoomMaxStep); }

ZoomRequest Ratio(int32_t step, int32_t mx, int32_t dx, int32_t my, int32_t dy, int calls) {
    ZoomRequest r;
    r.apply = true;
    r.step = step;
    r.mx = mx;
    r.dx = dx;
    r.my = my;
    r.dy = dy;
    r.calls = calls;
    return r;
}

ZoomRequest FixedSize(int command, int32_t step, int32_t m, int32_t d, int32_t item) {
    ZoomRequest r = Ratio(step, m, d, m, d, 2);
    r.check = SizeCheck::Check;
    r.checkCommand = command;
    r.zoomItem = item;
    return r;
}

ZoomRequest FreeZoom(int32_t step) {
    ZoomRequest r = Ratio(step, step, kZoomNatural, step, kZoomNatural, 1);
    r.check = SizeCheck::ClearAll;
    r.zoomItem = kZoomItemFree;
    return r;
}

void Store(const ZoomRequest& r) {
    if (!r.apply) return;
    g_nZoomStep = r.step;
    if (r.zoomItem != 0) g_nZoomItem = r.zoomItem;
}

}  // namespace

ZoomRequest ZoomForCommand(int command, int32_t displayMode, int32_t step, int32_t customPctX, int32_t customPctY) {
    const bool interlace = NaturalSizeOnly(displayMode);
    switch (command) {
    case kZoomCommand50:
        return interlace ? ZoomRequest{} : FixedSize(command, 6, 1, 2, kZoomItem50);
    case kZoomCommand75:
        return interlace ? ZoomRequest{} : FixedSize(command, 9, 3, 4, kZoomItem75);
    case kZoomCommand100:
        return FixedSize(command, kZoomNatural, 1, 1, kZoomItem100);
    case kZoomCommand200:
        return interlace ? ZoomRequest{} : FixedSize(command, 24, 2, 1, kZoomItem200);
    case kZoomCommandCustom: {
        // A size of 0 % or less has no picture to show.
        if (customPctX <= 0 || customPctY <= 0) return {};
        ZoomRequest r = Ratio(ClampStep(ScaleTruncated(customPctX, 12, 100)), customPctX, 100, customPctY, 100, 2);
        r.check = SizeCheck::ClearAll;
        r.zoomItem = kZoomItemFree;
        return r;
    }
    case kZoomCommandIn:
        return FreeZoom(interlace ? kZoomNatural : std::min(step + 1, kZoomMaxStep));
    case kZoomCommandOut:
        return FreeZoom(interlace ? kZoomNatural : std::max(step - 1, kZoomMinStep));
    default:
        return {};
    }
}

ZoomRequest ZoomForWheel(uint16_t wheelHigh, int32_t displayMode, int32_t step) {
    if (wheelHigh < 1000) {
        step = std::min(step + 1, kZoomMaxStep);
    } else if (wheelHigh > 1000) {
        step = std::max(step - 1, kZoomMinStep);
    }
    if (NaturalSizeOnly(displayMode)) step = kZoomNatural;
    return Ratio(step, step, kZoomNatural, step, kZoomNatural, 1);
}

ZoomRequest ZoomAfterOpen(int32_t displayMode) {
    ZoomRequest r = IsDoubleWide(displayMode) ? Ratio(6, 1, 2, 1, 2, 1) : Ratio(kZoomNatural, 1, 1, 1, 1, 1);
    r.check = SizeCheck::Check;
    r.checkCommand = kZoomCommand100;
    r.zoomItem = kZoomItem100;
    return r;
}

ZoomRequest ApplyZoomCommand(int command) {
    const ZoomRequest r = ZoomForCommand(command, g_nDisplayMode, g_nZoomStep, g_nCustomPctX, g_nCustomPctY);
    Store(r);
    return r;
}

ZoomRequest ApplyZoomWheel(uint16_t wheelHigh) {
    const ZoomRequest r = ZoomForWheel(wheelHigh, g_nDisplayMode, g_nZoomStep);
    Store(r);
    return r;
}

bool LayoutPercentagesFor(int32_t layout, LayoutPct* out) {
    if (!IsValidLayout(layout)) return false;
    *out = LayoutFactsOf(layout).percent;
    return true;
}

void ApplyLayoutPercentages() {
    LayoutPct pct{};
    if (!LayoutPercentagesFor(g_nInputLayout, &pct)) return;
    g_nLayoutPctX = pct.x;
    g_nLayoutPctY = pct.y;
}

VideoCrop CropForDisplayMode(int32_t mode, int32_t L, int32_t X, int32_t Y, int32_t w, int32_t h,
                             bool platformFullScreen) {
    VideoCrop c;
    c.width = w;
    c.height = h;
    const DisplayModeFacts& m = DisplayModeFactsOf(mode);
    // Unknown codes: below 0 read as a full-size layout, above 5 as a
    // half-height one.
    const LayoutFacts& f = LayoutFactsOf(IsValidLayout(L) ? L
                                         : L < 0          ? CodeOf(StereoInputLayout::SideBySideFull)
                                                          : CodeOf(StereoInputLayout::OverUnderHalf));
    // Half-width views: the composed views take half the width they show at.
    const bool halfWidth = f.squeezed && f.regions == ViewRegions::Halves;
    const int32_t oneViewSource = halfWidth ? ScaleTruncated(X, w, 200) : ScaleTruncated(X, w, 100);
    const int32_t twoViewSource = halfWidth ? ScaleTruncated(X, w, 100) : ScaleTruncated(2 * int64_t{X}, w, 100);
    // Interlace and 3D LCD keep whole line pairs of the source.
    auto lineExactHeight = [&]() {
        if (!f.squeezed || f.regions == ViewRegions::Halves) return ScaleTruncated(Y, h, 100);
        // The 47.5 % layout's interlace fills the frame, its middle band
        // doubled; twice Y (47) would fall short of it.
        if (f.bandPercent != 100) return h;
        return ScaleTruncated(2 * int64_t{Y}, h, 100);
    };
    const bool oneViewRow =
        m.oneViewWide || (platformFullScreen && mode == CodeOf(StereoDisplayMode::ShutterGlasses));
    if (mode == CodeOf(StereoDisplayMode::AsSource)) {
        c.setSource = true;
        c.sourceWidth = w / 2;
        c.sourceHeight = h;
        c.width = w / 2;
    } else if (m.doubleWide) {
        c.setSource = true;
        c.sourceWidth = twoViewSource;
        c.sourceHeight = ScaleTruncated(Y, h, 100);
        c.width = ScaleTruncated(2 * int64_t{X}, w, 100);
        if (!f.squeezed) c.height = ScaleTruncated(Y, h, 100);
    } else if (oneViewRow) {
        c.setSource = true;
        c.sourceWidth = oneViewSource;
        c.sourceHeight = ScaleTruncated(Y, h, 100);
        c.width = ScaleTruncated(X, w, 100);
        if (!f.squeezed) c.height = ScaleTruncated(Y, h, 100);
    } else if (m.interleave != Interleave::None) {
        c.setSource = true;
        // Interlaced rows hold one view's width; 3D LCD columns both views'.
        c.sourceWidth = m.interleave == Interleave::Rows ? oneViewSource : twoViewSource;
        c.sourceHeight = lineExactHeight();
        c.width = ScaleTruncated(X, w, 100);
        c.height = c.sourceHeight;
    }
    return c;
}

void ApplyAspect43(int32_t mode, int32_t* width, int32_t* height) {
    const int64_t a = IsDoubleWide(mode) ? 8 : 4;
    const int64_t b = 3;
    if (b * *width > a * *height) {
        *width = ScaleTruncated(a, *height, b);
    } else {
        *height = ScaleTruncated(b, *width, a);
    }
}

int32_t ZoomDimension(int32_t value, int32_t multiplier, int32_t divisor) {
    return ScaleTruncated(value, multiplier, divisor);
}

ScreenRect FullScreenDestination(int32_t mode, int32_t width, int32_t height, int32_t aspect43, int32_t screenWidth,
                                 int32_t screenHeight) {
    ScreenRect r;
    const Interleave interleave = DisplayModeFactsOf(mode).interleave;
    if (interleave != Interleave::None) {
        // Scaling would break the line (or column) pattern; whole lines may
        // still be stretched to 4:3.
        r.width = (interleave == Interleave::Rows && aspect43 == 1) ? ScaleTruncated(4, height, 3) : width;
        r.height = height;
    } else {
        if (aspect43 == 1) ApplyAspect43(mode, &width, &height);
        if (width <= 0 || height <= 0 || screenWidth <= 0 || screenHeight <= 0) {
            // No picture to measure: let it fill the screen.
            r.width = screenWidth;
            r.height = screenHeight;
        } else if (ScaleTruncated(width, 100, height) < ScaleTruncated(screenWidth, 100, screenHeight)) {
            r.height = screenHeight;
            r.width = ScaleTruncated(screenHeight, width, height);
        } else {
            r.width = screenWidth;
            r.height = ScaleTruncated(screenWidth, height, width);
        }
    }
    r.left = (screenWidth - r.width) / 2;
    r.top = (screenHeight - r.height) / 2;
    return r;
}

FullScreenLayout PlatformFullScreenLayout(int32_t mode, int32_t layout, int32_t pctX, int32_t pctY, int32_t w,
                                          int32_t h, int32_t aspect43, int32_t screenWidth, int32_t screenHeight) {
    FullScreenLayout f;
    f.crop = CropForDisplayMode(mode, layout, pctX, pctY, w, h, true);
    f.destination = FullScreenDestination(mode, f.crop.width, f.crop.height, aspect43, screenWidth, screenHeight);
    return f;
}

int32_t DualMonitorForCommand(int command) {
    if (command == 3059) return 1;
    if (command == 3060) return 2;
    return 0;
}

WindowSpan FullScreenWindowSpan(int32_t dualMonitor, int32_t mode, int32_t screenWidth) {
    WindowSpan s{0, screenWidth};
    if (dualMonitor != 0) {
        if (dualMonitor == 2) s.x = -screenWidth;
        if (mode == CodeOf(StereoDisplayMode::AsSource) || IsDoubleWide(mode))
            s.width = ScaleTruncated(screenWidth, 2, 1);
    }
    return s;
}

WindowSpan TakeFullScreenWindowSpan(int32_t mode, int32_t screenWidth) {
    const WindowSpan s = FullScreenWindowSpan(g_nDualMonitor, mode, screenWidth);
    g_nDualMonitor = 0;
    return s;
}
