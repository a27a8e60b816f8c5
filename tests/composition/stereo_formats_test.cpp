#include <gtest/gtest.h>

#include "composition/compose.h"
#include "composition/stereo_formats.h"
#include "presentation/zoom.h"

namespace {

TEST(StereoCodes, CommandsAndButtonsMapToCodes) {
    struct Case {
        int id;
        int32_t (*map)(int);
        int32_t code;
    } cases[] = {
        {3100, LayoutFromCommand, 0}, {3105, LayoutFromCommand, 5}, {3099, LayoutFromCommand, -1},
        {3106, LayoutFromCommand, -1}, {1080, LayoutFromButton, 0}, {1085, LayoutFromButton, 5},
        {1086, LayoutFromButton, -1}, {3024, DisplayModeFromCommand, 0}, {3032, DisplayModeFromCommand, 8},
        {3037, DisplayModeFromCommand, 13}, {3038, DisplayModeFromCommand, -1}, {3023, DisplayModeFromCommand, -1},
        {1090, DisplayModeFromButton, 0}, {1103, DisplayModeFromButton, 13}, {1104, DisplayModeFromButton, -1},
    };
    for (const auto& c : cases) EXPECT_EQ(c.map(c.id), c.code) << c.id;
    for (int32_t mode = 0; mode < kDisplayModeCount; ++mode) {
        EXPECT_EQ(DisplayModeFromCommand(CommandFromDisplayMode(mode)), mode);
        EXPECT_EQ(DisplayModeFromButton(ButtonFromDisplayMode(mode)), mode);
    }
}

TEST(StereoCodes, LayoutPercentages) {
    const LayoutPercent want[] = {{25, 100}, {50, 50}, {50, 50}, {50, 47}, {50, 50}, {50, 100}};
    for (int32_t layout = 0; layout < kLayoutCount; ++layout) {
        EXPECT_EQ(LayoutPercentages(layout).x, want[layout].x) << layout;
        EXPECT_EQ(LayoutPercentages(layout).y, want[layout].y) << layout;
    }
    EXPECT_EQ(LayoutPercentages(6).x, 0);
    EXPECT_EQ(LayoutPercentages(-1).y, 0);
}

TEST(ViewRegions, DivideTheFrame) {
    struct Case {
        PixelFormatCode format;
        int32_t layout, width, height;
        ViewRegions::Kind kind;
        int32_t halfRowBytes, bandRows, rowPairs;
    } cases[] = {
        {PixelFormatCode::Rgb24, 0, 640, 480, ViewRegions::Halves, 960, 0, 240},
        {PixelFormatCode::Rgb24, 5, 5, 4, ViewRegions::Halves, 7, 0, 2},  // half a row is not whole pixels
        {PixelFormatCode::Yuy2, 0, 6, 4, ViewRegions::Halves, 6, 0, 2},
        {PixelFormatCode::Rgb24, 1, 8, 480, ViewRegions::Bands, 0, 240, 240},
        {PixelFormatCode::Yuy2, 2, 8, 7, ViewRegions::Bands, 0, 3, 3},
        {PixelFormatCode::Rgb24, 3, 8, 480, ViewRegions::Bands, 0, 228, 240},
        {PixelFormatCode::Rgb24, 4, 8, 7, ViewRegions::AlternateRows, 0, 0, 3},  // the last row is unused
        {PixelFormatCode::Rgb24, 3, 8, -480, ViewRegions::Bands, 0, -228, -240},  // top-down: empty
        {PixelFormatCode::Rgb24, 6, 8, 8, ViewRegions::None, 0, 0, 4},
    };
    for (const auto& c : cases) {
        const ViewRegions v = ComputeViewRegions(c.format, c.layout, c.width, c.height);
        EXPECT_EQ(v.kind, c.kind) << c.layout << " " << c.width << "x" << c.height;
        EXPECT_EQ(v.halfRowBytes, c.halfRowBytes) << c.layout << " " << c.width << "x" << c.height;
        EXPECT_EQ(v.bandRows, c.bandRows) << c.layout << " " << c.width << "x" << c.height;
        EXPECT_EQ(v.rowPairs, c.rowPairs) << c.layout << " " << c.width << "x" << c.height;
    }
}

// The window crops the composed frame by the layout percentages and the
// double-wide flag; the compositors write their area by the view regions
// and band percent. The crop must show the composed picture from its top
// row: all of its width, and its rows less what a whole percentage loses
// (47 for the 47.5 % layout), never rows the compositor left unwritten.
TEST(StereoFacts, WindowCropShowsWhatTheCompositorWrote) {
    // Not 576 rows or others whose 95 % is odd: there the RGB interlace of
    // the 47.5 % layout stops one row below the top, which the crop shows.
    const int32_t sizes[][2] = {{640, 480}, {1280, 720}, {1920, 1080}};
    for (PixelFormatCode format : {PixelFormatCode::Rgb24, PixelFormatCode::Yuy2})
        for (int32_t mode = 0; mode < kDisplayModeCount; ++mode) {
            // A mode the main window cannot compose goes to a presenter.
            EXPECT_NE(HasCompositor(mode), DisplayModeFactsOf(mode).opensPresenter) << "mode " << mode;
            if (!HasCompositor(mode)) continue;
            for (int32_t layout = 0; layout < kLayoutCount; ++layout)
                for (const auto& size : sizes) {
                    const int32_t W = size[0], H = size[1];
                    SCOPED_TRACE(testing::Message() << "format " << static_cast<int>(format) << " mode " << mode
                                                    << " layout " << layout << " " << W << "x" << H);
                    const ComposedArea area = ComposedAreaOf(format, mode, layout, W, H);
                    const LayoutPercent pct = LayoutPercentages(layout);
                    // The filter's output is twice as wide as its input.
                    const VideoCrop crop = CropForDisplayMode(mode, layout, pct.x, pct.y, 2 * W, H, false);
                    ASSERT_TRUE(crop.setSource);
                    EXPECT_EQ(crop.sourceWidth * BytesPerPixel(format), area.rowBytes);
                    // RGB rows are bottom-up: the picture's top is the buffer's last row.
                    if (format == PixelFormatCode::Rgb24)
                        EXPECT_EQ(area.firstRow + area.rowCount, H);
                    else
                        EXPECT_EQ(area.firstRow, 0);
                    EXPECT_LE(crop.sourceHeight, area.rowCount);
                    EXPECT_GE(crop.sourceHeight, area.rowCount - H / 100);
                }
        }
}

}  // namespace
