#include "baseclasses/media_type.h"

#include <dvdmedia.h>  // VIDEOINFOHEADER2

#include <cstring>

void FreeMediaType(AM_MEDIA_TYPE& mt) {
    if (mt.cbFormat != 0 || mt.pbFormat != nullptr) {
        CoTaskMemFree(mt.pbFormat);
        mt.cbFormat = 0;
        mt.pbFormat = nullptr;
    }
    if (mt.pUnk != nullptr) {
        mt.pUnk->Release();
        mt.pUnk = nullptr;
    }
}

void DeleteMediaType(AM_MEDIA_TYPE* pmt) {
    if (pmt == nullptr) return;
    FreeMediaType(*pmt);
    CoTaskMemFree(pmt);
}

HRESULT CopyMediaType(AM_MEDIA_TYPE* pDest, const AM_MEDIA_TYPE* pSrc) {
    CheckPointer(pDest, E_POINTER);
    CheckPointer(pSrc, E_POINTER);
    if (pDest == pSrc) return S_OK;
    *pDest = *pSrc;
    if (pSrc->cbFormat != 0 && pSrc->pbFormat != nullptr) {
        pDest->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(pSrc->cbFormat));
        if (pDest->pbFormat == nullptr) {
            pDest->cbFormat = 0;
            pDest->pUnk = nullptr;
            return E_OUTOFMEMORY;
        }
        std::memcpy(pDest->pbFormat, pSrc->pbFormat, pSrc->cbFormat);
    } else {
        pDest->cbFormat = 0;
        pDest->pbFormat = nullptr;
    }
    if (pDest->pUnk != nullptr) pDest->pUnk->AddRef();
    return S_OK;
}

AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* pSrc) {
    if (pSrc == nullptr) return nullptr;
    auto* pmt = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (pmt == nullptr) return nullptr;
    if (FAILED(CopyMediaType(pmt, pSrc))) {
        CoTaskMemFree(pmt);
        return nullptr;
    }
    return pmt;
}

CMediaType::CMediaType() { InitMediaType(); }

CMediaType::CMediaType(const GUID* majorType) {
    InitMediaType();
    if (majorType != nullptr) majortype = *majorType;
}

CMediaType::CMediaType(const AM_MEDIA_TYPE& src, HRESULT* phr) {
    InitMediaType();
    HRESULT hr = CopyMediaType(this, &src);
    if (FAILED(hr)) InitMediaType();
    if (phr != nullptr && FAILED(hr)) *phr = hr;
}

CMediaType::CMediaType(const CMediaType& src, HRESULT* phr) : CMediaType(static_cast<const AM_MEDIA_TYPE&>(src), phr) {}

CMediaType::~CMediaType() { FreeMediaType(*this); }

CMediaType& CMediaType::operator=(const AM_MEDIA_TYPE& src) {
    Set(src);
    return *this;
}

CMediaType& CMediaType::operator=(const CMediaType& src) {
    Set(src);
    return *this;
}

HRESULT CMediaType::Set(const CMediaType& src) { return Set(static_cast<const AM_MEDIA_TYPE&>(src)); }

HRESULT CMediaType::Set(const AM_MEDIA_TYPE& src) {
    if (&src == this) return S_OK;
    FreeMediaType(*this);
    HRESULT hr = CopyMediaType(this, &src);
    if (FAILED(hr)) InitMediaType();
    return hr;
}

bool CMediaType::operator==(const CMediaType& other) const {
    if (majortype != other.majortype || subtype != other.subtype || formattype != other.formattype) return false;
    if (cbFormat != other.cbFormat) return false;
    return cbFormat == 0 || std::memcmp(pbFormat, other.pbFormat, cbFormat) == 0;
}

void CMediaType::SetSampleSize(ULONG size) {
    if (size == 0) {
        SetVariableSize();
    } else {
        bFixedSizeSamples = TRUE;
        lSampleSize = size;
    }
}

void CMediaType::SetVariableSize() { bFixedSizeSamples = FALSE; }

BYTE* CMediaType::AllocFormatBuffer(ULONG length) {
    if (length == 0) return nullptr;
    if (cbFormat == length && pbFormat != nullptr) return pbFormat;
    auto* block = static_cast<BYTE*>(CoTaskMemAlloc(length));
    if (block == nullptr) return nullptr;
    CoTaskMemFree(pbFormat);
    pbFormat = block;
    cbFormat = length;
    return block;
}

BYTE* CMediaType::ReallocFormatBuffer(ULONG length) {
    if (length == 0) return nullptr;
    if (cbFormat == length && pbFormat != nullptr) return pbFormat;
    auto* block = static_cast<BYTE*>(CoTaskMemAlloc(length));
    if (block == nullptr) return nullptr;
    if (pbFormat != nullptr) std::memcpy(block, pbFormat, cbFormat < length ? cbFormat : length);
    CoTaskMemFree(pbFormat);
    pbFormat = block;
    cbFormat = length;
    return block;
}

bool CMediaType::SetFormat(const BYTE* format, ULONG length) {
    if (length == 0) {
        ResetFormatBuffer();
        return true;
    }
    if (format == nullptr) return false;
    // The source may be our own block: copy into a new one first.
    auto* block = static_cast<BYTE*>(CoTaskMemAlloc(length));
    if (block == nullptr) return false;
    std::memcpy(block, format, length);
    CoTaskMemFree(pbFormat);
    pbFormat = block;
    cbFormat = length;
    return true;
}

void CMediaType::ResetFormatBuffer() {
    CoTaskMemFree(pbFormat);
    pbFormat = nullptr;
    cbFormat = 0;
}

void CMediaType::InitMediaType() {
    std::memset(static_cast<AM_MEDIA_TYPE*>(this), 0, sizeof(AM_MEDIA_TYPE));
    bFixedSizeSamples = TRUE;
    lSampleSize = 1;
}

bool CMediaType::MatchesPartial(const CMediaType* partial) const {
    if (partial->majortype != GUID_NULL && partial->majortype != majortype) return false;
    if (partial->subtype != GUID_NULL && partial->subtype != subtype) return false;
    if (partial->formattype != GUID_NULL) {
        if (partial->formattype != formattype || partial->cbFormat != cbFormat) return false;
        if (cbFormat != 0 && std::memcmp(pbFormat, partial->pbFormat, cbFormat) != 0) return false;
    }
    return true;
}

bool CMediaType::IsPartiallySpecified() const {
    return majortype == GUID_NULL || subtype == GUID_NULL || formattype == GUID_NULL;
}

const BITMAPINFOHEADER* VideoBitmapHeader(const AM_MEDIA_TYPE* pmt)
{
    if (!pmt || !pmt->pbFormat)
        return nullptr;
    if (pmt->formattype == FORMAT_VideoInfo2)
        return pmt->cbFormat < sizeof(VIDEOINFOHEADER2)
                   ? nullptr
                   : &reinterpret_cast<const VIDEOINFOHEADER2*>(pmt->pbFormat)->bmiHeader;
    if (pmt->formattype == FORMAT_VideoInfo)
        return pmt->cbFormat < sizeof(VIDEOINFOHEADER)
                   ? nullptr
                   : &reinterpret_cast<const VIDEOINFOHEADER*>(pmt->pbFormat)->bmiHeader;
    return nullptr;
}
