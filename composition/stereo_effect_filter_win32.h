// The stereo effect filter: RGB24 or YUY2 video in, a frame twice as wide
// out, recomposed for the current display mode on every frame.
#pragma once

#include "baseclasses/baseclasses.h"

#include <atomic>
#include <cstdint>

// The output frame. Written on the graph thread when the output type is
// chosen and on the streaming thread when a renderer attaches a wider
// format; read once per frame.
extern std::atomic<int32_t> g_nOutputWidth;      // row length in pixels (2 W, or the renderer's)
extern std::atomic<int32_t> g_nOutputHeight;     // rows
extern std::atomic<int32_t> g_nOutputImageSize;  // bytes of one output frame

// {8B498501-1218-11CF-ADC4-00A0D100041B}
extern const CLSID CLSID_StereoEffectFilter;

class CStereoEffectFilter : public CTransformFilter, public CPersistStream {
public:
    CStereoEffectFilter();

    DECLARE_IUNKNOWN
    STDMETHODIMP GetClassID(CLSID* pClsid) override;

    HRESULT Transform(IMediaSample* pIn, IMediaSample* pOut) override;
    HRESULT CheckInputType(const CMediaType* mtIn) override;
    HRESULT CheckTransform(const CMediaType* mtIn, const CMediaType* mtOut) override;
    HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pProperties) override;
    HRESULT GetMediaType(int iPosition, CMediaType* pMediaType) override;

    // Times, media times, flags and media type of the source frame go to the
    // composed frame, whose length is the output image size.
    HRESULT CopySampleProperties(IMediaSample* pIn, IMediaSample* pOut, LONG outputLength);

private:
    // A renderer may attach a format with other dimensions to the first
    // output sample after a graph build; its rows become ours.
    void AdoptAttachedFormat(IMediaSample* pOut);
};

// A new filter as constructed, no reference taken yet; null when out of
// memory.
IBaseFilter* CreateStereoEffectFilter();
