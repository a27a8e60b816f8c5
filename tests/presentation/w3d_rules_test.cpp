#include "presentation/winx3d/w3d_rules.h"

#include <gtest/gtest.h>

namespace {

// What the driver library's capability bits ask of the window.
TEST(W3dRules, CapabilityBits) {
    const struct {
        uint32_t flags1, flags2;
        int32_t chain, minimum;
        bool completesFirst;
        int32_t depth16, depth8;  // the depth used for 16 and 8 bits asked (0: refused)
    } cases[] = {
        {0, 0, 2, 4, false, 16, 8},
        {0x20000, 0, 3, 4, false, 16, 8},      // third surface, but no first-view completion
        {0x1000, 0, 3, 4, true, 16, 8},        // third surface with it
        {0, 0x8000, 3, 4, true, 16, 8},
        {0, 0x40, 3, 4, false, 16, 8},
        {0x200000, 0, 2, 3, false, 16, 8},
        {0, 0x1000000, 2, 3, false, 16, 8},
        {0x40, 0, 2, 4, false, 8, 8},          // 16 bits are driven at 8
        {0x40 | 0x4, 0, 2, 4, false, 0, 0},    // ... which this library refuses
        {0, 0x100, 2, 4, false, 16, 0},        // 8 refused, 16 kept
        {0x4, 0, 2, 4, false, 16, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.flags1 << " " << c.flags2);
        const int32_t chain = W3dChainSurfaces(c.flags1, c.flags2);
        EXPECT_EQ(chain, c.chain);
        EXPECT_EQ(W3dMinimumChain(c.flags1, c.flags2), c.minimum);
        EXPECT_EQ(W3dCompletesFirstView(c.flags1, c.flags2, chain), c.completesFirst);
        EXPECT_EQ(W3dDriverDepth(c.flags1, c.flags2, 16), c.depth16);
        EXPECT_EQ(W3dDriverDepth(c.flags1, c.flags2, 8), c.depth8);
        EXPECT_EQ(W3dDriverDepth(c.flags1, c.flags2, 32), 32);
    }
    // The chain is asked for its back buffers: one or two.
    EXPECT_EQ(W3dFirstBackBuffers(2), 1);
    EXPECT_EQ(W3dFirstBackBuffers(3), 2);
}

// The table sizes at which the 32-bit library's entries exist, and the same
// entries in a 64-bit table of eight-byte fields.
TEST(W3dRules, TableBEntriesBySize) {
    using E = W3dTableBEntry;
    const struct {
        E entry;
        uint32_t least32, least64;
    } cases[] = {{E::BeforeUnload, 8, 16}, {E::AttachPrimary, 20, 40}, {E::DeviceIndex, 44, 88},
                 {E::DisplayInfo, 44, 88}};
    for (const auto& c : cases) {
        EXPECT_TRUE(W3dTableBHas(c.least32, c.entry, 4));
        EXPECT_FALSE(W3dTableBHas(c.least32 - 1, c.entry, 4));
        EXPECT_TRUE(W3dTableBHas(c.least64, c.entry, 8));
        EXPECT_FALSE(W3dTableBHas(c.least64 - 1, c.entry, 8));
    }
    EXPECT_FALSE(W3dTableBHas(4, E::BeforeUnload, 4));  // the size alone
}

TEST(W3dRules, FlipSurfaceCaps) {
    EXPECT_TRUE(W3dIsFlipSurface(0x4010));                      // video memory, flip
    EXPECT_TRUE(W3dIsFlipSurface(0x4010 | 0x4 | 0x8 | 0x2000));  // back buffer, complex, 3-D device
    EXPECT_FALSE(W3dIsFlipSurface(0x4010 | 0x200));                // the primary itself
    EXPECT_FALSE(W3dIsFlipSurface(0x4000));                     // not a flip surface
    EXPECT_FALSE(W3dIsFlipSurface(0x0010));                     // not in video memory
    EXPECT_FALSE(W3dIsFlipSurface(0x4010 | 0x20000));           // z-buffer
    EXPECT_FALSE(W3dIsFlipSurface(0x4010 | 0x20));              // front buffer
    EXPECT_FALSE(W3dIsFlipSurface(0x4010 | 0x800));             // system memory
    EXPECT_FALSE(W3dIsFlipSurface(0x4010 | 0x80));              // overlay
}

TEST(W3dRules, RefreshRateNames) {
    EXPECT_EQ(W3dFlipperKey(0), "SOFTWARE\\W3D\\FLIPPER\\WIN3D\\0");
    EXPECT_EQ(W3dFlipperKey(12), "SOFTWARE\\W3D\\FLIPPER\\WIN3D\\12");
    EXPECT_EQ(W3dFlipperKey(-1), "SOFTWARE\\W3D\\FLIPPER\\WIN3D");
    EXPECT_EQ(W3dRateWithDepth(1024, 768, 32), "RateFor1024x768x32");
    EXPECT_EQ(W3dRateWithoutDepth(800, 600), "RateFor800x600");
    EXPECT_TRUE(W3dSameName("ratefor800X600", "RateFor800x600"));
    EXPECT_FALSE(W3dSameName("RateFor800x60", "RateFor800x600"));
    // Only ASCII letters fold: a byte above 127 stays itself.
    EXPECT_FALSE(W3dSameName("\xC0", "\xE0"));
}

}  // namespace
