#include "presentation/nvidia/nvidia_geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "presentation/nvidia/stereo_framework.h"
#include "presentation/shutter_views.h"

namespace {

std::string Show(const SourceRect& r) {
    return "(" + std::to_string(r.x) + ", " + std::to_string(r.y) + ", " + std::to_string(r.width) + ", " +
           std::to_string(r.height) + ")";
}

TEST(ShutterScreenModes, SettingsPickSizeAndDepth) {
    const struct {
        int32_t size, bpp;
        int32_t w, h, depth;
    } cases[] = {
        {0, 0, 640, 480, 16},   {1, 1, 800, 600, 32},   {2, 1, 1024, 768, 32},
        {3, 0, 1280, 1024, 16}, {4, 1, 1600, 1200, 32},
        {5, 0, 0, 0, 16},       {-1, 2, 0, 0, 0},  // out of range: unset
    };
    for (const auto& c : cases) {
        const ShutterScreenMode m = ShutterScreenModeOf(c.size, c.bpp);
        EXPECT_EQ(m.width, c.w) << c.size;
        EXPECT_EQ(m.height, c.h) << c.size;
        EXPECT_EQ(m.bitDepth, c.depth) << c.bpp;
    }
}

// Each view fills its half of the double-width picture at the fit, centred;
// the sources are the two views of each layout (47.5 %: the 5 % band in the
// middle is left out).
TEST(StereoPicture, ViewsPerLayoutInTheirHalves) {
    const struct {
        int32_t layout, w, h, zoom, aspect43, sw, sh;
        int32_t fit, dw, dh, y, xFirst, xSecond;
        SourceRect first, second;
        bool doubled;
    } cases[] = {
        // side by side 100 %: views of 160 x 240
        {0, 320, 240, 0, 0, 1024, 768, 320, 512, 768, 0, 256, 1280, {0, 0, 160, 240}, {160, 0, 160, 240}, false},
        // over/under 100 %: views of 320 x 120, as wide as the half
        {1, 320, 240, 0, 0, 1024, 768, 320, 1024, 384, 192, 0, 1024, {0, 0, 320, 120}, {0, 120, 320, 120}, false},
        // over/under 50 %: the halves of the frame doubled in height
        {2, 320, 240, 0, 0, 1024, 768, 320, 1024, 768, 0, 0, 1024, {0, 0, 320, 240}, {0, 240, 320, 240}, true},
        // over/under 47.5 %
        {3, 320, 240, 0, 0, 640, 480, 200, 640, 480, 0, 0, 640, {0, 0, 320, 114}, {0, 126, 320, 114}, false},
        // interlaced (gathered into halves by the renderer)
        {4, 320, 240, 0, 0, 800, 600, 250, 800, 600, 0, 0, 800, {0, 0, 320, 120}, {0, 120, 320, 120}, false},
        // side by side 50 %: views stretched to the frame's width
        {5, 320, 240, 0, 0, 1024, 768, 320, 1024, 768, 0, 0, 1024, {0, 0, 160, 240}, {160, 0, 160, 240}, false},
        // an odd height: the second view starts at h / 2
        {1, 318, 241, 0, 0, 1024, 768, 322, 1023, 386, 191, 0, 1024, {0, 0, 318, 120}, {0, 120, 318, 120}, false},
        // 4:3: the 160-wide views are shown 320 wide
        {0, 320, 240, 0, 1, 1024, 768, 320, 1024, 768, 0, 0, 1024, {0, 0, 160, 240}, {160, 0, 160, 240}, false},
        // a zoom below the fit is kept, one above it comes back to the fit
        {0, 320, 240, 100, 0, 1024, 768, 100, 160, 240, 264, 432, 1456, {0, 0, 160, 240}, {160, 0, 160, 240}, false},
        {0, 320, 240, 500, 0, 1024, 768, 320, 512, 768, 0, 256, 1280, {0, 0, 160, 240}, {160, 0, 160, 240}, false},
        {0, 320, 240, 10, 0, 1024, 768, 10, 16, 24, 372, 504, 1528, {0, 0, 160, 240}, {160, 0, 160, 240}, false},
    };
    for (const auto& c : cases) {
        // The nVidia picture: the second half starts one screen further on.
        const ShutterViews d = ShutterViewsFor(c.layout, 0, c.w, c.h, c.zoom, c.aspect43, c.sw, c.sh);
        const int32_t xFirst = d.x, xSecond = c.sw + d.x;
        const std::string what = "layout " + std::to_string(c.layout) + " zoom " + std::to_string(c.zoom) +
                                 " aspect " + std::to_string(c.aspect43);
        EXPECT_EQ(d.zoom, c.fit) << what;
        EXPECT_EQ(d.dw, c.dw) << what;
        EXPECT_EQ(d.dh, c.dh) << what;
        EXPECT_EQ(d.y, c.y) << what;
        EXPECT_EQ(xFirst, c.xFirst) << what;
        EXPECT_EQ(xSecond, c.xSecond) << what;
        EXPECT_EQ(Show(d.first), Show(c.first)) << what;
        EXPECT_EQ(Show(d.second), Show(c.second)) << what;
        EXPECT_EQ(d.doubled, c.doubled) << what;
        EXPECT_LE(xFirst + d.dw, c.sw) << what << ": inside the left half";
        EXPECT_LE(xSecond + d.dw, 2 * c.sw) << what << ": inside the right half";
    }
}

TEST(StereoPicture, NoFrameDrawsNothing) {
    EXPECT_FALSE(ShutterViewsFor(0, 0, 0, 240, 0, 0, 1024, 768).Drawable());
    EXPECT_FALSE(ShutterViewsFor(1, 0, 320, 0, 0, 0, 1024, 768).Drawable());
}

TEST(StereoImageHeaders, FieldsAreLittleEndianAfterTheSignature) {
    std::vector<uint8_t> row(32, 0xAB);
    WriteStereoImageHeader(row.data(), StereoHeaderFor(1024, 768, 32, 0));
    const uint8_t expected[] = {'N', 'V', '3', 'D', 0x00, 0x08, 0, 0, 0x00, 0x03, 0, 0, 32, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(row.data(), expected, sizeof expected), 0);
    EXPECT_TRUE(std::all_of(row.begin() + kStereoImageHeaderBytes, row.end(), [](uint8_t b) { return b == 0xAB; }))
        << "only the header's 20 bytes are written";

    // Swapping changes the flags and nothing else.
    WriteStereoImageHeader(row.data(), StereoHeaderFor(1024, 768, 32, 1));
    EXPECT_EQ(std::memcmp(row.data(), expected, 16), 0);
    EXPECT_EQ(row[16], 1);
    const StereoImageHeader back = ReadStereoImageHeader(row.data());
    EXPECT_EQ(back.signature, kStereoImageSignature);
    EXPECT_EQ(back.width, 2048u);
    EXPECT_EQ(back.height, 768u);
    EXPECT_EQ(back.bitDepth, 32u);
    EXPECT_EQ(back.flags, 1u);
}

TEST(StereoFrameworkErrors, MessagesAndWhatFollows) {
    using namespace stereo_error;
    EXPECT_EQ(FrameworkErrorText(kDisplayMode, FrameworkErrorKind::Exit), "Bad display mode\n\nThis sample will now exit.");
    EXPECT_EQ(FrameworkErrorText(kOutOfVideoMemory, FrameworkErrorKind::SwitchToSoftware),
              "There was insufficient video memory to use the\nhardware device.\n\nSwitching to software rasterizer.");
    EXPECT_EQ(FrameworkErrorText(kReferencesLeft, FrameworkErrorKind::Note),
              "A DDraw object has a non-zero reference\ncount (meaning it was not properly cleaned up).");
    EXPECT_EQ(std::string(FrameworkErrorMessage(kDevice)),
              "Could not create the Direct3DDevice object.\nThe 3D hardware chipset may not support\n"
              "rendering in the current display mode.");
    EXPECT_EQ(std::string(FrameworkErrorMessage(kOutOfMemory)), "Not enough memory!");
    for (uint32_t unknown : {0x80004005u, 0x8200000Fu, 0u})
        EXPECT_EQ(std::string(FrameworkErrorMessage(unknown)),
                  "Generic application error.\n\nEnable debug output for detailed information.")
            << std::hex << unknown;
}

TEST(StereoFrameworkModes, SortedByWidthHeightDepthAndFound) {
    std::vector<StereoModeEntry> modes = {
        {1024, 768, 32, 60, false}, {640, 480, 32, 0, false}, {1024, 768, 16, 60, false},
        {640, 400, 16, 0, false},   {800, 600, 16, 0, false},
    };
    std::sort(modes.begin(), modes.end(), ModeBefore);
    std::string order;
    for (const auto& m : modes)
        order += std::to_string(m.width) + "x" + std::to_string(m.height) + "x" + std::to_string(m.bitDepth) + " ";
    EXPECT_EQ(order, "640x400x16 640x480x32 800x600x16 1024x768x16 1024x768x32 ");
    EXPECT_EQ(FindMode(modes, 1024, 768, 32), 4);
    EXPECT_EQ(FindMode(modes, 1024, 768, 24), -1);
}

TEST(StereoFrameworkDevices, HardwareFirstThenSoftwareThenReference) {
    using K = StereoDeviceKind;
    const struct {
        std::vector<StereoDeviceCandidate> devices;
        bool softwareOnly;
        int chosen;
    } cases[] = {
        {{{K::Software, 3}, {K::Hal, 3}, {K::TnLHal, 3}}, false, 2},
        {{{K::Software, 3}, {K::Hal, 3}, {K::TnLHal, 0}}, false, 1},  // no usable mode
        {{{K::Reference, 3}, {K::Software, 3}, {K::TnLHal, 3}}, true, 1},
        {{{K::Reference, 3}, {K::Software, 0}, {K::Hal, 3}}, true, 0},
        {{{K::Hal, 0}, {K::Software, 0}}, false, -1},
        {{}, false, -1},
    };
    int i = 0;
    for (const auto& c : cases) EXPECT_EQ(SelectDeviceIndex(c.devices, c.softwareOnly), c.chosen) << "case " << i++;
}

}  // namespace
