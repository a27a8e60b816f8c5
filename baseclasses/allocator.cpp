#include "baseclasses/allocator.h"

#include <malloc.h>

#include <algorithm>
#include <new>

CMediaSample::CMediaSample(LPCTSTR pName, CMemAllocator* pAllocator, HRESULT* phr, BYTE* pBuffer, LONG length)
    : CBaseObject(pName), m_pAllocator(pAllocator), m_pBuffer(pBuffer), m_cbBuffer(length), m_lActual(length) {
    if (pAllocator == nullptr && phr != nullptr) *phr = E_POINTER;
}

CMediaSample::~CMediaSample() { DeleteMediaType(m_pMediaType); }

STDMETHODIMP CMediaSample::QueryInterface(REFIID riid, void** ppv) {
    CheckPointer(ppv, E_POINTER);
    if (riid == IID_IUnknown || riid == IID_IMediaSample) return GetInterface(static_cast<IMediaSample*>(this), ppv);
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CMediaSample::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_cRef)); }

STDMETHODIMP_(ULONG) CMediaSample::Release() {
    LONG ref = InterlockedDecrement(&m_cRef);
    if (ref == 0) {
        ResetProperties();
        m_pAllocator->ReleaseBuffer(this);
    }
    return static_cast<ULONG>(ref);
}

void CMediaSample::ResetProperties() {
    m_dwFlags = 0;
    m_Start = m_End = 0;
    m_MediaStart = m_MediaEnd = 0;
    m_lActual = m_cbBuffer;
    DeleteMediaType(m_pMediaType);
    m_pMediaType = nullptr;
}

STDMETHODIMP CMediaSample::GetPointer(BYTE** ppBuffer) {
    CheckPointer(ppBuffer, E_POINTER);
    *ppBuffer = m_pBuffer;
    return S_OK;
}

STDMETHODIMP_(LONG) CMediaSample::GetSize() { return m_cbBuffer; }

STDMETHODIMP CMediaSample::GetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd) {
    CheckPointer(pTimeStart, E_POINTER);
    CheckPointer(pTimeEnd, E_POINTER);
    if (!(m_dwFlags & kTimeValid)) return VFW_E_SAMPLE_TIME_NOT_SET;
    *pTimeStart = m_Start;
    if (m_dwFlags & kStopValid) {
        *pTimeEnd = m_End;
        return S_OK;
    }
    *pTimeEnd = m_Start + 1;
    return VFW_S_NO_STOP_TIME;
}

STDMETHODIMP CMediaSample::SetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd) {
    if (pTimeStart == nullptr) {
        m_dwFlags &= ~(kTimeValid | kStopValid);
        return S_OK;
    }
    m_Start = *pTimeStart;
    m_dwFlags |= kTimeValid;
    if (pTimeEnd != nullptr) {
        m_End = *pTimeEnd;
        m_dwFlags |= kStopValid;
    } else {
        m_dwFlags &= ~kStopValid;
    }
    return S_OK;
}

STDMETHODIMP CMediaSample::IsSyncPoint() { return (m_dwFlags & kSyncPoint) ? S_OK : S_FALSE; }

STDMETHODIMP CMediaSample::SetSyncPoint(BOOL bIsSyncPoint) {
    m_dwFlags = bIsSyncPoint ? (m_dwFlags | kSyncPoint) : (m_dwFlags & ~kSyncPoint);
    return S_OK;
}

STDMETHODIMP CMediaSample::IsPreroll() { return (m_dwFlags & kPreroll) ? S_OK : S_FALSE; }

STDMETHODIMP CMediaSample::SetPreroll(BOOL bIsPreroll) {
    m_dwFlags = bIsPreroll ? (m_dwFlags | kPreroll) : (m_dwFlags & ~kPreroll);
    return S_OK;
}

STDMETHODIMP_(LONG) CMediaSample::GetActualDataLength() { return m_lActual; }

STDMETHODIMP CMediaSample::SetActualDataLength(LONG length) {
    if (length < 0 || length > m_cbBuffer) return VFW_E_BUFFER_OVERFLOW;
    m_lActual = length;
    return S_OK;
}

STDMETHODIMP CMediaSample::GetMediaType(AM_MEDIA_TYPE** ppMediaType) {
    CheckPointer(ppMediaType, E_POINTER);
    if (m_pMediaType == nullptr) {
        *ppMediaType = nullptr;
        return S_FALSE;
    }
    *ppMediaType = CreateMediaType(m_pMediaType);
    return *ppMediaType ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CMediaSample::SetMediaType(AM_MEDIA_TYPE* pMediaType) {
    AM_MEDIA_TYPE* copy = nullptr;
    if (pMediaType != nullptr) {
        copy = CreateMediaType(pMediaType);
        if (copy == nullptr) return E_OUTOFMEMORY;
    }
    DeleteMediaType(m_pMediaType);
    m_pMediaType = copy;
    return S_OK;
}

STDMETHODIMP CMediaSample::IsDiscontinuity() { return (m_dwFlags & kDiscontinuity) ? S_OK : S_FALSE; }

STDMETHODIMP CMediaSample::SetDiscontinuity(BOOL bDiscontinuity) {
    m_dwFlags = bDiscontinuity ? (m_dwFlags | kDiscontinuity) : (m_dwFlags & ~kDiscontinuity);
    return S_OK;
}

STDMETHODIMP CMediaSample::GetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd) {
    CheckPointer(pTimeStart, E_POINTER);
    CheckPointer(pTimeEnd, E_POINTER);
    if (!(m_dwFlags & kMediaTimeValid)) return VFW_E_MEDIA_TIME_NOT_SET;
    *pTimeStart = m_MediaStart;
    *pTimeEnd = m_MediaEnd;
    return S_OK;
}

STDMETHODIMP CMediaSample::SetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd) {
    if (pTimeStart == nullptr) {
        m_dwFlags &= ~kMediaTimeValid;
        return S_OK;
    }
    CheckPointer(pTimeEnd, E_POINTER);
    m_MediaStart = *pTimeStart;
    m_MediaEnd = *pTimeEnd;
    m_dwFlags |= kMediaTimeValid;
    return S_OK;
}

CMemAllocator::CMemAllocator(LPCTSTR pName, LPUNKNOWN pUnk, HRESULT* phr)
    : CUnknown(pName, pUnk, phr), m_hFreed(CreateSemaphoreW(nullptr, 0, 0x7fffffff, nullptr)) {
    if (m_hFreed == nullptr && phr != nullptr) *phr = E_OUTOFMEMORY;
}

CMemAllocator::~CMemAllocator() {
    // Samples hold references on us, so by now every one is back.
    Free();
    if (m_hFreed != nullptr) CloseHandle(m_hFreed);
}

STDMETHODIMP CMemAllocator::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    CheckPointer(ppv, E_POINTER);
    if (riid == IID_IMemAllocator) return GetInterface(static_cast<IMemAllocator*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

STDMETHODIMP CMemAllocator::SetProperties(ALLOCATOR_PROPERTIES* pRequest, ALLOCATOR_PROPERTIES* pActual) {
    CheckPointer(pRequest, E_POINTER);
    CheckPointer(pActual, E_POINTER);
    CAutoLock lock(&m_Lock);
    if (m_bCommitted) return VFW_E_ALREADY_COMMITTED;
    if (m_Free.size() != m_Samples.size()) return VFW_E_BUFFERS_OUTSTANDING;
    const LONG align = pRequest->cbAlign;
    if (align <= 0 || (align & (align - 1)) != 0) return VFW_E_BADALIGN;
    if (pRequest->cBuffers < 0 || pRequest->cbBuffer < 0 || pRequest->cbPrefix < 0) return E_INVALIDARG;

    LONGLONG slot = static_cast<LONGLONG>(pRequest->cbBuffer) + pRequest->cbPrefix;
    slot = (slot + align - 1) / align * align;
    if (slot * pRequest->cBuffers > 0x7fffffff) return E_OUTOFMEMORY;

    m_Props.cBuffers = pRequest->cBuffers;
    m_Props.cbAlign = align;
    m_Props.cbPrefix = pRequest->cbPrefix;
    m_Props.cbBuffer = static_cast<LONG>(slot) - pRequest->cbPrefix;
    m_bPropsSet = true;
    *pActual = m_Props;
    return S_OK;
}

STDMETHODIMP CMemAllocator::GetProperties(ALLOCATOR_PROPERTIES* pProps) {
    CheckPointer(pProps, E_POINTER);
    CAutoLock lock(&m_Lock);
    *pProps = m_Props;
    return S_OK;
}

STDMETHODIMP CMemAllocator::Commit() {
    CAutoLock lock(&m_Lock);
    if (m_bCommitted) return S_OK;
    if (!m_bPropsSet || m_Props.cBuffers <= 0 || m_Props.cbBuffer <= 0) return VFW_E_SIZENOTSET;
    if (m_bDecommitPending) {
        // Samples are still out and the memory was never freed: take it back.
        m_bDecommitPending = false;
        m_bCommitted = true;
        return S_OK;
    }
    const ALLOCATOR_PROPERTIES& a = m_AllocatedProps;
    bool same = m_pMemory != nullptr && a.cBuffers == m_Props.cBuffers && a.cbBuffer == m_Props.cbBuffer &&
                a.cbAlign == m_Props.cbAlign && a.cbPrefix == m_Props.cbPrefix;
    if (!same) {
        Free();
        HRESULT hr = Alloc();
        if (FAILED(hr)) return hr;
    }
    m_bCommitted = true;
    return S_OK;
}

STDMETHODIMP CMemAllocator::Decommit() {
    CAutoLock lock(&m_Lock);
    if (!m_bCommitted) return S_OK;
    m_bCommitted = false;
    WakeWaiters();
    if (m_Free.size() == m_Samples.size())
        Free();
    else
        m_bDecommitPending = true;
    return S_OK;
}

HRESULT CMemAllocator::Alloc() {
    const LONG slot = m_Props.cbPrefix + m_Props.cbBuffer;
    const size_t total = static_cast<size_t>(slot) * static_cast<size_t>(m_Props.cBuffers);
    m_pMemory = static_cast<BYTE*>(_aligned_malloc(total, static_cast<size_t>(std::max<LONG>(m_Props.cbAlign, 16))));
    if (m_pMemory == nullptr) return E_OUTOFMEMORY;
    for (LONG i = 0; i < m_Props.cBuffers; ++i) {
        HRESULT hr = S_OK;
        auto* sample = new (std::nothrow)
            CMediaSample(NAME("Memory sample"), this, &hr, m_pMemory + i * slot + m_Props.cbPrefix, m_Props.cbBuffer);
        if (sample == nullptr) {
            Free();
            return E_OUTOFMEMORY;
        }
        m_Samples.push_back(sample);
        m_Free.push_back(sample);
    }
    m_AllocatedProps = m_Props;
    return S_OK;
}

void CMemAllocator::Free() {
    for (CMediaSample* sample : m_Samples) delete sample;
    m_Samples.clear();
    m_Free.clear();
    _aligned_free(m_pMemory);
    m_pMemory = nullptr;
    m_AllocatedProps = ALLOCATOR_PROPERTIES{};
    m_bDecommitPending = false;
}

void CMemAllocator::WakeWaiters() {
    if (m_lWaiting > 0) {
        ReleaseSemaphore(m_hFreed, m_lWaiting, nullptr);
        m_lWaiting = 0;
    }
}

STDMETHODIMP CMemAllocator::GetBuffer(IMediaSample** ppBuffer, REFERENCE_TIME*, REFERENCE_TIME*, DWORD dwFlags) {
    CheckPointer(ppBuffer, E_POINTER);
    *ppBuffer = nullptr;
    for (;;) {
        {
            CAutoLock lock(&m_Lock);
            if (!m_bCommitted) return VFW_E_NOT_COMMITTED;
            if (!m_Free.empty()) {
                CMediaSample* sample = m_Free.back();
                m_Free.pop_back();
                sample->m_cRef = 1;
                // Released again when the sample comes back.
                AddRef();
                *ppBuffer = sample;
                return S_OK;
            }
            if (dwFlags & AM_GBF_NOWAIT) return VFW_E_TIMEOUT;
            ++m_lWaiting;
        }
        WaitForSingleObject(m_hFreed, INFINITE);
    }
}

STDMETHODIMP CMemAllocator::ReleaseBuffer(IMediaSample* pBuffer) {
    CheckPointer(pBuffer, E_POINTER);
    {
        CAutoLock lock(&m_Lock);
        auto* sample = static_cast<CMediaSample*>(pBuffer);
        if (std::find(m_Samples.begin(), m_Samples.end(), sample) == m_Samples.end() ||
            std::find(m_Free.begin(), m_Free.end(), sample) != m_Free.end())
            return E_INVALIDARG;
        m_Free.push_back(sample);
        WakeWaiters();
        if (m_bDecommitPending && m_Free.size() == m_Samples.size()) Free();
    }
    // May be the last reference: after the lock is gone.
    Release();
    return S_OK;
}
