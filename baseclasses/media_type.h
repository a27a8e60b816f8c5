// CMediaType: an AM_MEDIA_TYPE that owns its format block and its pUnk
// reference, plus the free functions for bare AM_MEDIA_TYPE structures.
#pragma once

#include "baseclasses/com_base.h"

// Releases the format block and pUnk of a type; the structure stays.
void FreeMediaType(AM_MEDIA_TYPE& mt);
// Frees a type made by CreateMediaType (or handed out by a pin or sample).
void DeleteMediaType(AM_MEDIA_TYPE* pmt);
// A task-memory copy of a type, for DeleteMediaType; null when out of memory.
AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* pSrc);
// Deep copy into a structure that holds nothing (not freed first).
HRESULT CopyMediaType(AM_MEDIA_TYPE* pDest, const AM_MEDIA_TYPE* pSrc);
// The bitmap header of a VIDEOINFOHEADER or VIDEOINFOHEADER2 format block,
// or null when the type has neither or its block is too short to hold one.
const BITMAPINFOHEADER* VideoBitmapHeader(const AM_MEDIA_TYPE* pmt);

class CMediaType : public AM_MEDIA_TYPE {
public:
    CMediaType();
    explicit CMediaType(const GUID* majorType);
    CMediaType(const AM_MEDIA_TYPE& src, HRESULT* phr = nullptr);
    CMediaType(const CMediaType& src, HRESULT* phr = nullptr);
    ~CMediaType();

    CMediaType& operator=(const AM_MEDIA_TYPE& src);
    CMediaType& operator=(const CMediaType& src);
    // Equal when major type, subtype, format type and format bytes agree.
    bool operator==(const CMediaType& other) const;
    bool operator!=(const CMediaType& other) const { return !(*this == other); }

    HRESULT Set(const CMediaType& src);
    HRESULT Set(const AM_MEDIA_TYPE& src);
    bool IsValid() const { return majortype != GUID_NULL; }

    const GUID* Type() const { return &majortype; }
    const GUID* Subtype() const { return &subtype; }
    const GUID* FormatType() const { return &formattype; }
    ULONG FormatLength() const { return cbFormat; }
    BYTE* Format() const { return pbFormat; }

    void SetType(const GUID* type) { majortype = *type; }
    void SetSubtype(const GUID* type) { subtype = *type; }
    void SetFormatType(const GUID* type) { formattype = *type; }
    void SetTemporalCompression(BOOL compressed) { bTemporalCompression = compressed; }
    // A size of 0 means variable-size samples.
    void SetSampleSize(ULONG size);
    void SetVariableSize();
    bool IsFixedSize() const { return bFixedSizeSamples != FALSE; }
    bool IsTemporalCompressed() const { return bTemporalCompression != FALSE; }
    ULONG GetSampleSize() const { return IsFixedSize() ? lSampleSize : 0; }

    // An uninitialised block of the given length replacing the old one (kept
    // when the length is unchanged). Null when out of memory.
    BYTE* AllocFormatBuffer(ULONG length);
    // Resizes the block, keeping the bytes that fit.
    BYTE* ReallocFormatBuffer(ULONG length);
    // Copies the bytes into a new block of the same length.
    bool SetFormat(const BYTE* format, ULONG length);
    void ResetFormatBuffer();
    // Back to an empty type: no GUIDs, no format, fixed samples of size 1.
    void InitMediaType();

    // Matches a partial type: GUID_NULL fields of *partial match anything,
    // and its format block is compared only when it names a format type.
    bool MatchesPartial(const CMediaType* partial) const;
    bool IsPartiallySpecified() const;
};
