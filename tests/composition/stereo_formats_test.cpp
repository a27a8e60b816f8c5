#include <gtest/gtest.h>

#include "composition/stereo_formats.h"

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

}  // namespace
