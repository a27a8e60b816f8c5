// The fields of a platform media type that the acceptance rule of
// video_type.h looks at.
#pragma once
#include "baseclasses/baseclasses.h"
#include "composition/video_type.h"

inline VideoTypeFields VideoTypeFieldsOf(const AM_MEDIA_TYPE* pmt) {
    VideoTypeFields t;
    t.video = pmt->majortype == MEDIATYPE_Video;
    t.subtype = pmt->subtype == MEDIASUBTYPE_RGB24  ? PixelFormatCode::Rgb24
                : pmt->subtype == MEDIASUBTYPE_YUY2 ? PixelFormatCode::Yuy2
                                                    : PixelFormatCode::Unknown;
    t.videoInfo = pmt->formattype == FORMAT_VideoInfo || pmt->formattype == FORMAT_VideoInfo2;
    if (const BITMAPINFOHEADER* bmi = VideoBitmapHeader(pmt)) {
        t.header = true;
        t.width = bmi->biWidth;
        t.height = bmi->biHeight;
        t.bitCount = bmi->biBitCount;
    }
    return t;
}
