#include "composition/video_type.h"

#include <cstdlib>

#include "composition/dib_row.h"

PixelFormatCode PixelFormatOfType(const VideoTypeFields& type) {
    if (!type.video) return PixelFormatCode::Unknown;
    if (type.subtype == PixelFormatCode::Rgb24 && type.bitCount == 24) return PixelFormatCode::Rgb24;
    if (type.subtype == PixelFormatCode::Yuy2 && type.bitCount == 16) return PixelFormatCode::Yuy2;
    return PixelFormatCode::Unknown;
}

VideoTypeVerdict CheckVideoType(const VideoTypeFields& type, const VideoTypeLimits& limits, bool rgbOnly,
                                PixelFormatCode* format) {
    *format = PixelFormatCode::Unknown;
    if (!type.videoInfo || !type.header) return VideoTypeVerdict::NotVideoInfo;
    const int64_t rows = std::llabs(int64_t{type.height});
    if (type.width <= 0 || type.height == 0) return VideoTypeVerdict::BadSize;
    if (limits.maxSide > 0 && (type.width > limits.maxSide || rows > limits.maxSide)) return VideoTypeVerdict::BadSize;
    if (limits.maxImageBytes > 0 &&
        DibRowBytes(int64_t{limits.widthFactor} * type.width, type.bitCount) * rows > limits.maxImageBytes)
        return VideoTypeVerdict::BadSize;
    const PixelFormatCode pixels = PixelFormatOfType(type);
    if (pixels == PixelFormatCode::Unknown || (rgbOnly && pixels != PixelFormatCode::Rgb24))
        return VideoTypeVerdict::Refused;
    *format = pixels;
    return VideoTypeVerdict::Accepted;
}
