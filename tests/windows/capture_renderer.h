// A video renderer for tests: accepts RGB24 and YUY2 video (or a chosen
// subset) and keeps a copy of every sample it renders, with the media type
// the pin had at that moment and the sample's actual length and times.
// Tests add it to a graph, or connect it by hand, and compare the frames.
#pragma once

#include <dvdmedia.h>  // VIDEOINFOHEADER2

#include <initializer_list>
#include <mutex>
#include <vector>

#include "baseclasses/baseclasses.h"

struct CapturedSample {
    CMediaType type;
    std::vector<BYTE> bytes;  // the first actualLength bytes of the buffer
    LONG actualLength = 0;
    bool timed = false;
    REFERENCE_TIME start = 0;
    REFERENCE_TIME end = 0;
};

// {5B7C2E41-93D8-4A16-B0F2-7C1D4E9A3B01}
inline const CLSID CLSID_TestCaptureRenderer = {
    0x5b7c2e41, 0x93d8, 0x4a16, {0xb0, 0xf2, 0x7c, 0x1d, 0x4e, 0x9a, 0x3b, 0x01}};

class CaptureRenderer : public CBaseVideoRenderer {
public:
    // `subtypes`: the video subtypes taken, of RGB24 and YUY2.
    explicit CaptureRenderer(HRESULT* phr,
                             std::initializer_list<GUID> subtypes = {MEDIASUBTYPE_RGB24, MEDIASUBTYPE_YUY2})
        : CBaseVideoRenderer(CLSID_TestCaptureRenderer, NAME("Capture renderer"), nullptr, phr), m_subtypes(subtypes) {}

    HRESULT CheckMediaType(const CMediaType* mt) override {
        if (mt->majortype != MEDIATYPE_Video || !Accepts(mt->subtype)) return S_FALSE;
        const BITMAPINFOHEADER* bmi = BitmapHeader(mt);
        if (!bmi) return S_FALSE;
        const WORD bits = mt->subtype == MEDIASUBTYPE_YUY2 ? 16 : 24;
        return bmi->biBitCount == bits && bmi->biWidth > 0 ? S_OK : S_FALSE;
    }

    HRESULT DoRenderSample(IMediaSample* sample) override {
        CapturedSample c;
        c.type = InputPin()->CurrentMediaType();
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        c.actualLength = sample->GetActualDataLength();
        if (data && c.actualLength > 0) c.bytes.assign(data, data + c.actualLength);
        c.timed = sample->GetTime(&c.start, &c.end) == S_OK;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_samples.push_back(std::move(c));
        return S_OK;
    }

    std::vector<CapturedSample> Samples() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_samples;
    }
    size_t Count() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_samples.size();
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_samples.clear();
    }

    // The bitmap header of a VIDEOINFOHEADER or VIDEOINFOHEADER2 type, or
    // null when the block is missing or too short.
    static const BITMAPINFOHEADER* BitmapHeader(const AM_MEDIA_TYPE* mt) { return VideoBitmapHeader(mt); }

private:
    bool Accepts(const GUID& subtype) const {
        for (const GUID& s : m_subtypes)
            if (s == subtype) return true;
        return false;
    }

    const std::vector<GUID> m_subtypes;
    std::mutex m_mutex;
    std::vector<CapturedSample> m_samples;
};
