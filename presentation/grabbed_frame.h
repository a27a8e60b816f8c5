// The current frame of the full-screen graph, as the grab renderer
// publishes it for the presenters (and their redraws between frames).
#pragma once

#include <windows.h>

struct GrabbedFrameRecord {
    // Describes the picture at pDisplay: the source frame's header, or the
    // conversion picture's once one is in use. The colour entry stays zero.
    struct {
        BITMAPINFOHEADER bmiHeader;
        RGBQUAD bmiColors[1];
    } header;
    BYTE* pSample = nullptr;                     // the current sample's data
    BITMAPINFOHEADER* pConversion = nullptr;     // bottom-up RGB24 picture, for YUY2 or interlaced sources
    BYTE* pScratchLine = nullptr;                // frame-width bytes for the 3D LCD drawing
    BYTE* pDisplay = nullptr;                    // the pixels the presenters draw
};

extern GrabbedFrameRecord GrabbedFrame;

// Frees the conversion picture and the scratch line; the sample and display
// pointers are left as they are.
void FreeGrabbedFramePictures();
