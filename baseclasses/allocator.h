// CMediaSample and CMemAllocator: a fixed pool of aligned buffers in main
// memory, handed out as media samples.
#pragma once

#include "baseclasses/media_type.h"

#include <vector>

class CMemAllocator;

// One buffer of a CMemAllocator. When the last reference goes, the sample
// forgets its properties and returns to the allocator's free list.
class CMediaSample : public IMediaSample, public CBaseObject {
public:
    CMediaSample(LPCTSTR pName, CMemAllocator* pAllocator, HRESULT* phr, BYTE* pBuffer = nullptr, LONG length = 0);
    ~CMediaSample() override;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP GetPointer(BYTE** ppBuffer) override;
    STDMETHODIMP_(LONG) GetSize() override;
    STDMETHODIMP GetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd) override;
    STDMETHODIMP SetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd) override;
    STDMETHODIMP IsSyncPoint() override;
    STDMETHODIMP SetSyncPoint(BOOL bIsSyncPoint) override;
    STDMETHODIMP IsPreroll() override;
    STDMETHODIMP SetPreroll(BOOL bIsPreroll) override;
    STDMETHODIMP_(LONG) GetActualDataLength() override;
    STDMETHODIMP SetActualDataLength(LONG length) override;
    STDMETHODIMP GetMediaType(AM_MEDIA_TYPE** ppMediaType) override;
    STDMETHODIMP SetMediaType(AM_MEDIA_TYPE* pMediaType) override;
    STDMETHODIMP IsDiscontinuity() override;
    STDMETHODIMP SetDiscontinuity(BOOL bDiscontinuity) override;
    STDMETHODIMP GetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd) override;
    STDMETHODIMP SetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd) override;

private:
    friend class CMemAllocator;
    enum : DWORD {
        kTimeValid = 0x01,
        kStopValid = 0x02,
        kMediaTimeValid = 0x04,
        kSyncPoint = 0x08,
        kPreroll = 0x10,
        kDiscontinuity = 0x20,
    };
    // Back to a fresh sample: no flags, no times, no type, full length.
    void ResetProperties();

    CMemAllocator* const m_pAllocator;
    volatile LONG m_cRef = 0;
    BYTE* const m_pBuffer;
    const LONG m_cbBuffer;
    LONG m_lActual;
    DWORD m_dwFlags = 0;
    REFERENCE_TIME m_Start = 0;
    REFERENCE_TIME m_End = 0;
    LONGLONG m_MediaStart = 0;
    LONGLONG m_MediaEnd = 0;
    AM_MEDIA_TYPE* m_pMediaType = nullptr;
};

// IMemAllocator over one aligned block of memory. Every sample handed out
// holds a reference on the allocator, so it lives until the last one is back.
// GetBuffer waits for a free buffer; Decommit wakes the waiters, which then
// fail with VFW_E_NOT_COMMITTED. A derived allocator may adjust the request
// in SetProperties (for example to add buffers) and call this one.
class CMemAllocator : public CUnknown, public IMemAllocator {
public:
    CMemAllocator(LPCTSTR pName, LPUNKNOWN pUnk, HRESULT* phr);
    ~CMemAllocator() override;

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    // Buffer sizes are rounded up so that prefix plus buffer fills whole
    // alignment units; the alignment must be a power of two.
    STDMETHODIMP SetProperties(ALLOCATOR_PROPERTIES* pRequest, ALLOCATOR_PROPERTIES* pActual) override;
    STDMETHODIMP GetProperties(ALLOCATOR_PROPERTIES* pProps) override;
    STDMETHODIMP Commit() override;
    STDMETHODIMP Decommit() override;
    STDMETHODIMP GetBuffer(IMediaSample** ppBuffer, REFERENCE_TIME* pStartTime, REFERENCE_TIME* pEndTime,
                           DWORD dwFlags) override;
    STDMETHODIMP ReleaseBuffer(IMediaSample* pBuffer) override;

protected:
    // Creates the memory and the samples for the current properties.
    virtual HRESULT Alloc();
    // Frees them; only while every sample is in the free list.
    virtual void Free();

    CCritSec m_Lock;
    ALLOCATOR_PROPERTIES m_Props{};
    bool m_bPropsSet = false;
    bool m_bCommitted = false;
    bool m_bDecommitPending = false;  // decommitted with samples still out

private:
    void WakeWaiters();

    BYTE* m_pMemory = nullptr;
    ALLOCATOR_PROPERTIES m_AllocatedProps{};  // what m_pMemory was made for
    std::vector<CMediaSample*> m_Samples;     // all of them
    std::vector<CMediaSample*> m_Free;
    HANDLE m_hFreed;  // semaphore released once per waiter
    LONG m_lWaiting = 0;
};
