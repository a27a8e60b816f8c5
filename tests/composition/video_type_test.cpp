#include <gtest/gtest.h>

#include <cstdint>

#include "composition/video_type.h"

namespace {

VideoTypeFields Type(PixelFormatCode subtype, int32_t bits, int32_t w, int32_t h) {
    VideoTypeFields t;
    t.video = true;
    t.subtype = subtype;
    t.videoInfo = true;
    t.header = true;
    t.width = w;
    t.height = h;
    t.bitCount = bits;
    return t;
}

constexpr PixelFormatCode kRgb = PixelFormatCode::Rgb24, kYuy2 = PixelFormatCode::Yuy2,
                          kOther = PixelFormatCode::Unknown;
// The effect filter's bound (its output rows are twice as wide) and the
// grab renderer's 16-bit sides.
constexpr VideoTypeLimits kFilter{0, 2, INT32_MAX / 12};
constexpr VideoTypeLimits kRenderer{32767, 1, 0};

TEST(CheckVideoType, FormatBlockSizeThenPixelFormat) {
    VideoTypeFields foreign = Type(kRgb, 24, 320, 240);
    foreign.videoInfo = false;
    VideoTypeFields shortBlock = Type(kRgb, 24, 320, 240);
    shortBlock.header = false;
    VideoTypeFields audio = Type(kRgb, 24, 320, 240);
    audio.video = false;
    const struct {
        const char* name;
        VideoTypeFields type;
        VideoTypeLimits limits;
        bool rgbOnly;
        VideoTypeVerdict verdict;
        PixelFormatCode format;
    } cases[] = {
        {"rgb24", Type(kRgb, 24, 320, 240), kFilter, false, VideoTypeVerdict::Accepted, kRgb},
        {"rgb24 top-down", Type(kRgb, 24, 320, -240), kRenderer, true, VideoTypeVerdict::Accepted, kRgb},
        {"yuy2", Type(kYuy2, 16, 320, 240), kFilter, false, VideoTypeVerdict::Accepted, kYuy2},
        {"yuy2 in rgb mode", Type(kYuy2, 16, 320, 240), kRenderer, true, VideoTypeVerdict::Refused, kOther},
        {"rgb24 at 32 bits", Type(kRgb, 32, 320, 240), kFilter, false, VideoTypeVerdict::Refused, kOther},
        {"yuy2 at 24 bits", Type(kYuy2, 24, 320, 240), kFilter, false, VideoTypeVerdict::Refused, kOther},
        {"other subtype", Type(kOther, 24, 320, 240), kFilter, false, VideoTypeVerdict::Refused, kOther},
        {"not video", audio, kFilter, false, VideoTypeVerdict::Refused, kOther},
        {"foreign format", foreign, kFilter, false, VideoTypeVerdict::NotVideoInfo, kOther},
        {"short block", shortBlock, kRenderer, false, VideoTypeVerdict::NotVideoInfo, kOther},
        {"no width", Type(kRgb, 24, 0, 240), kFilter, false, VideoTypeVerdict::BadSize, kOther},
        {"negative width", Type(kRgb, 24, -320, 240), kRenderer, false, VideoTypeVerdict::BadSize, kOther},
        {"no height", Type(kRgb, 24, 320, 0), kFilter, false, VideoTypeVerdict::BadSize, kOther},
        // The size is judged before the pixel format.
        {"huge other subtype", Type(kOther, 24, 30000, 20000), kFilter, false, VideoTypeVerdict::BadSize, kOther},
        {"filter: 10000 square", Type(kRgb, 24, 10000, 10000), kFilter, false, VideoTypeVerdict::BadSize, kOther},
        {"filter: 4k rows", Type(kRgb, 24, 3840, 2160), kFilter, false, VideoTypeVerdict::Accepted, kRgb},
        {"filter: INT32_MAX wide", Type(kRgb, 24, INT32_MAX, 1), kFilter, false, VideoTypeVerdict::BadSize, kOther},
        {"renderer: widest", Type(kRgb, 24, 32767, 1), kRenderer, false, VideoTypeVerdict::Accepted, kRgb},
        {"renderer: too wide", Type(kRgb, 24, 32768, 1), kRenderer, false, VideoTypeVerdict::BadSize, kOther},
        {"renderer: too tall", Type(kRgb, 24, 1, -32768), kRenderer, false, VideoTypeVerdict::BadSize, kOther},
        {"renderer: INT32_MIN tall", Type(kRgb, 24, 1, INT32_MIN), kRenderer, false, VideoTypeVerdict::BadSize,
         kOther},
    };
    for (const auto& c : cases) {
        PixelFormatCode format = kYuy2;
        EXPECT_EQ(CheckVideoType(c.type, c.limits, c.rgbOnly, &format), c.verdict) << c.name;
        EXPECT_EQ(format, c.format) << c.name;
    }
}

}  // namespace
