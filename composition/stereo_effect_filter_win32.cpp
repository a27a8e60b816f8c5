#include "composition/stereo_effect_filter_win32.h"

#include <cstdint>
#include <cstdlib>
#include <new>

#include <dvdmedia.h>  // VIDEOINFOHEADER2

#include "composition/compose.h"
#include "composition/dib_row.h"
#include "composition/output_geometry.h"
#include "composition/video_type_win32.h"
#include "core/app_state.h"

std::atomic<int32_t> g_nOutputWidth{0};
std::atomic<int32_t> g_nOutputHeight{0};
std::atomic<int32_t> g_nOutputImageSize{0};

const CLSID CLSID_StereoEffectFilter = {
    0x8b498501, 0x1218, 0x11cf, {0xad, 0xc4, 0x00, 0xa0, 0xd1, 0x00, 0x04, 0x1b}};

namespace {

// Output frames (twice the input's width) larger than this are malformed
// types, not video. The bound also keeps the buffer request, 12/10 of a
// frame in 32 bits, from wrapping.
constexpr VideoTypeLimits kInputLimits{0, 2, INT32_MAX / 12};

// A sample flag copied with the three-way rule: S_OK sets, S_FALSE clears,
// anything else is an error.
template <typename Get, typename Set>
HRESULT CopyFlag(Get get, Set set) {
    const HRESULT hr = get();
    if (hr != S_OK && hr != S_FALSE) return E_UNEXPECTED;
    set(hr == S_OK ? TRUE : FALSE);
    return S_OK;
}

}  // namespace

CStereoEffectFilter::CStereoEffectFilter()
    : CTransformFilter(NAME("Renderer"), nullptr, CLSID_StereoEffectFilter), CPersistStream(nullptr, nullptr) {}

STDMETHODIMP CStereoEffectFilter::GetClassID(CLSID* pClsid) {
    CheckPointer(pClsid, E_POINTER);
    *pClsid = CLSID_StereoEffectFilter;
    return S_OK;
}

HRESULT CStereoEffectFilter::CheckInputType(const CMediaType* mtIn) {
    PixelFormatCode format;
    switch (CheckVideoType(VideoTypeFieldsOf(mtIn), kInputLimits, g_bRgbMode != 0, &format)) {
    // A block too short for its format type is as unusable as a foreign one.
    case VideoTypeVerdict::NotVideoInfo: return E_INVALIDARG;
    case VideoTypeVerdict::BadSize:
    case VideoTypeVerdict::Refused: return E_FAIL;
    case VideoTypeVerdict::Accepted: break;
    }
    g_nVideoSubtype = static_cast<int32_t>(format);
    return S_OK;
}

HRESULT CStereoEffectFilter::CheckTransform(const CMediaType*, const CMediaType* mtOut) {
    const VideoTypeFields out = VideoTypeFieldsOf(mtOut);
    if (out.header && PixelFormatOfType(out) != PixelFormatCode::Unknown) return S_OK;
    return E_FAIL;
}

HRESULT CStereoEffectFilter::GetMediaType(int iPosition, CMediaType* pMediaType) {
    if (!m_pInput || !m_pInput->IsConnected()) return E_UNEXPECTED;
    if (iPosition < 0) return E_INVALIDARG;
    if (iPosition > 0) return VFW_S_NO_MORE_ITEMS;

    const CMediaType& in = m_pInput->CurrentMediaType();
    const BITMAPINFOHEADER* inBmi = VideoBitmapHeader(&in);
    if (!inBmi) return E_UNEXPECTED;

    auto* vi = reinterpret_cast<VIDEOINFO*>(pMediaType->AllocFormatBuffer(sizeof(VIDEOINFO)));
    if (!vi) return E_OUTOFMEMORY;
    ZeroMemory(vi, sizeof(VIDEOINFO));
    if (in.formattype == FORMAT_VideoInfo2) {
        const auto* vih2 = reinterpret_cast<const VIDEOINFOHEADER2*>(in.pbFormat);
        vi->dwBitRate = vih2->dwBitRate;
        vi->dwBitErrorRate = vih2->dwBitErrorRate;
        vi->AvgTimePerFrame = vih2->AvgTimePerFrame;
    } else {
        const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(in.pbFormat);
        vi->dwBitRate = vih->dwBitRate;
        vi->dwBitErrorRate = vih->dwBitErrorRate;
        vi->AvgTimePerFrame = vih->AvgTimePerFrame;
    }
    BITMAPINFOHEADER& out = vi->bmiHeader;
    out.biSize = inBmi->biSize;
    out.biWidth = 2 * inBmi->biWidth;
    out.biHeight = inBmi->biHeight;
    out.biPlanes = inBmi->biPlanes;
    out.biBitCount = inBmi->biBitCount;
    out.biCompression = inBmi->biCompression;
    out.biClrImportant = inBmi->biClrImportant;
    out.biSizeImage = static_cast<DWORD>(DibRowBytes(out.biWidth, out.biBitCount) * std::labs(out.biHeight));

    g_nOutputWidth = out.biWidth;
    g_nOutputHeight = out.biHeight;
    g_nOutputImageSize = static_cast<int32_t>(out.biSizeImage);
    g_nVideoSubtype = static_cast<int32_t>(in.subtype == MEDIASUBTYPE_YUY2 ? PixelFormatCode::Yuy2
                                                                           : PixelFormatCode::Rgb24);

    pMediaType->SetType(&MEDIATYPE_Video);
    pMediaType->SetFormatType(&FORMAT_VideoInfo);
    pMediaType->SetSubtype(&in.subtype);
    pMediaType->SetTemporalCompression(FALSE);
    pMediaType->SetSampleSize(out.biSizeImage);
    return S_OK;
}

HRESULT CStereoEffectFilter::DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pProperties) {
    if (!m_pInput || !m_pInput->IsConnected()) return E_UNEXPECTED;
    pProperties->cBuffers = 1;
    pProperties->cbBuffer = OutputBufferRequest(g_nOutputImageSize);
    ALLOCATOR_PROPERTIES actual{};
    const HRESULT hr = pAlloc->SetProperties(pProperties, &actual);
    if (FAILED(hr)) return hr;
    if (actual.cBuffers < 1 || actual.cbBuffer < pProperties->cbBuffer) return E_FAIL;
    return S_OK;
}

void CStereoEffectFilter::AdoptAttachedFormat(IMediaSample* pOut) {
    AM_MEDIA_TYPE* attached = nullptr;
    if (pOut->GetMediaType(&attached) != S_OK || !attached) return;
    CMediaType& current = m_pOutput->CurrentMediaType();
    // Positions follow the pin's current format type; both blocks must be
    // long enough to hold a header there.
    const bool v2 = current.formattype == FORMAT_VideoInfo2;
    const ULONG need = v2 ? sizeof(VIDEOINFOHEADER2) : sizeof(VIDEOINFOHEADER);
    if (attached->pbFormat && attached->cbFormat >= need && current.pbFormat && current.cbFormat >= need) {
        const BITMAPINFOHEADER* from =
            v2 ? &reinterpret_cast<const VIDEOINFOHEADER2*>(attached->pbFormat)->bmiHeader
               : &reinterpret_cast<const VIDEOINFOHEADER*>(attached->pbFormat)->bmiHeader;
        BITMAPINFOHEADER* to = v2 ? &reinterpret_cast<VIDEOINFOHEADER2*>(current.pbFormat)->bmiHeader
                                  : &reinterpret_cast<VIDEOINFOHEADER*>(current.pbFormat)->bmiHeader;
        to->biWidth = from->biWidth;
        to->biHeight = from->biHeight;
        g_nOutputWidth = std::labs(from->biWidth);
        g_nOutputHeight = std::labs(from->biHeight);
        pOut->SetMediaType(attached);
    }
    DeleteMediaType(attached);
}

HRESULT CStereoEffectFilter::Transform(IMediaSample* pIn, IMediaSample* pOut) {
    if (g_bRecheckOutputFormat == 1) {
        AdoptAttachedFormat(pOut);
        g_bRecheckOutputFormat = 0;
    }

    // One reading of every shared code for the whole frame.
    const int32_t mode = g_nDisplayMode;
    const int32_t layout = g_nInputLayout;
    const bool swap = g_bSwap != 0;
    // The family follows the connected type: g_nVideoSubtype also changes
    // with every type merely offered to the pin.
    const PixelFormatCode format = m_pInput->CurrentMediaType().subtype == MEDIASUBTYPE_YUY2
                                       ? PixelFormatCode::Yuy2
                                       : PixelFormatCode::Rgb24;
    if (!HasCompositor(mode)) return S_FALSE;  // shown by the full-screen presenters instead

    const BITMAPINFOHEADER* bmi = VideoBitmapHeader(&m_pInput->CurrentMediaType());
    BYTE* src = nullptr;
    BYTE* dst = nullptr;
    if (!bmi || FAILED(pIn->GetPointer(&src)) || FAILED(pOut->GetPointer(&dst)) || !src || !dst) return S_FALSE;

    // Decoders deliver DIB rows, padded to whole 4-byte words.
    const int32_t bits = format == PixelFormatCode::Yuy2 ? 16 : 24;
    const int64_t srcStride = DibRowBytes(bmi->biWidth, bits);
    const int64_t srcRows = std::labs(bmi->biHeight);
    const int64_t dstStride = DibRowBytes(g_nOutputWidth, bits);
    const int64_t outRows = std::labs(static_cast<long>(g_nOutputHeight));
    // A short sample or an output buffer too small for the attached format is
    // never read or written past: the frame is dropped.
    if (srcStride * srcRows > pIn->GetActualDataLength() || dstStride <= 0) return S_FALSE;
    const int64_t fittingRows = pOut->GetSize() / dstStride;
    const FrameBuffers frame{src,
                             static_cast<ptrdiff_t>(srcStride),
                             bmi->biWidth,
                             bmi->biHeight,
                             dst,
                             static_cast<ptrdiff_t>(dstStride),
                             g_nOutputWidth,
                             static_cast<int32_t>(outRows < fittingRows ? outRows : fittingRows)};
    if (ComposeFrame(format, mode, layout, swap, frame) != ComposeResult::Composed) return S_FALSE;
    return CopySampleProperties(pIn, pOut, static_cast<LONG>(dstStride * frame.outRows));
}

HRESULT CStereoEffectFilter::CopySampleProperties(IMediaSample* pIn, IMediaSample* pOut, LONG outputLength) {
    REFERENCE_TIME start = 0, end = 0;
    if (pIn->GetTime(&start, &end) == S_OK) pOut->SetTime(&start, &end);
    LONGLONG mediaStart = 0, mediaEnd = 0;
    if (pIn->GetMediaTime(&mediaStart, &mediaEnd) == S_OK) pOut->SetMediaTime(&mediaStart, &mediaEnd);

    HRESULT hr = CopyFlag([&] { return pIn->IsSyncPoint(); }, [&](BOOL b) { return pOut->SetSyncPoint(b); });
    if (hr == E_UNEXPECTED) return hr;

    AM_MEDIA_TYPE* type = nullptr;
    // A source sample without a type leaves the output's alone: the type a
    // renderer attached and got back above must reach it.
    if (pIn->GetMediaType(&type) == S_OK && type) {
        pOut->SetMediaType(type);
        DeleteMediaType(type);
    }

    hr = CopyFlag([&] { return pIn->IsPreroll(); }, [&](BOOL b) { return pOut->SetPreroll(b); });
    if (hr == E_UNEXPECTED) return hr;
    hr = CopyFlag([&] { return pIn->IsDiscontinuity(); }, [&](BOOL b) { return pOut->SetDiscontinuity(b); });
    if (hr == E_UNEXPECTED) return hr;

    // The composed frame is twice as large as the source frame: a renderer
    // that honours the length must see all of it.
    pOut->SetActualDataLength(outputLength);
    return S_OK;
}

IBaseFilter* CreateStereoEffectFilter() { return new (std::nothrow) CStereoEffectFilter(); }
