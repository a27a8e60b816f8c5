// Which video media types our filters take: one rule for the effect
// filter, the grab renderer and any later filter, over the fields of a
// type (filled from the platform's media type by video_type_win32.h), so
// that it is tested natively.
#pragma once
#include <cstdint>

#include "composition/stereo_formats.h"

struct VideoTypeFields {
    bool video = false;      // major type video
    // The subtype when it is RGB24 or YUY2, else Unknown.
    PixelFormatCode subtype = PixelFormatCode::Unknown;
    bool videoInfo = false;  // a VIDEOINFOHEADER or VIDEOINFOHEADER2 format type
    bool header = false;     // the format block is long enough for its header
    int32_t width = 0;
    int32_t height = 0;      // negative: top-down rows
    int32_t bitCount = 0;
};

// The pixel format the fields describe when subtype and depth agree
// (RGB24 at 24 bits, YUY2 at 16), else Unknown. Sizes are not looked at.
PixelFormatCode PixelFormatOfType(const VideoTypeFields& type);

// The bounds a filter puts on the picture; zero: no bound of that kind.
struct VideoTypeLimits {
    int32_t maxSide = 0;        // |width| and |height|
    int32_t widthFactor = 1;    // the output row is this many input rows wide
    int64_t maxImageBytes = 0;  // DIB rows of width * widthFactor pixels, times |height|
};

enum class VideoTypeVerdict {
    NotVideoInfo,  // another format type, or a block too short for its header
    BadSize,       // no picture (width <= 0, height 0) or beyond the limits
    Refused,       // a picture, but not a pixel format taken (YUY2 when only RGB is)
    Accepted,
};

// The verdict on a type, checked in that order; `format` receives the
// pixel format of an accepted type. `rgbOnly` refuses YUY2.
VideoTypeVerdict CheckVideoType(const VideoTypeFields& type, const VideoTypeLimits& limits, bool rgbOnly,
                                PixelFormatCode* format);
