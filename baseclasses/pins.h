// Pins: CBasePin (connection and media type negotiation), CBaseInputPin
// (IMemInputPin), CBaseOutputPin (allocator choice and delivery), and the
// media type enumerator CEnumMediaTypes.
#pragma once

#include "baseclasses/allocator.h"
#include "baseclasses/filter.h"

// Pins are not objects of their own: their references are the filter's.
// All connection work runs under the lock handed to the constructor
// (normally the filter lock).
class CBasePin : public CUnknown, public IPin, public IQualityControl {
public:
    CBasePin(LPCTSTR pObjectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr, LPCWSTR pName,
             PIN_DIRECTION dir);
    ~CBasePin() override;

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) NonDelegatingAddRef() override;
    STDMETHODIMP_(ULONG) NonDelegatingRelease() override;

    // IPin
    STDMETHODIMP Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP Disconnect() override;
    STDMETHODIMP ConnectedTo(IPin** pPin) override;
    STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP QueryPinInfo(PIN_INFO* pInfo) override;
    STDMETHODIMP QueryDirection(PIN_DIRECTION* pPinDir) override;
    STDMETHODIMP QueryId(LPWSTR* Id) override;
    STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** ppEnum) override;
    STDMETHODIMP QueryInternalConnections(IPin** apPin, ULONG* nPin) override;
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) override;
    // BeginFlush and EndFlush stay for the input and output classes.

    // IQualityControl: passed to the sink when one is set.
    STDMETHODIMP Notify(IBaseFilter* pSelf, Quality q) override;
    STDMETHODIMP SetSink(IQualityControl* piqc) override;

    // Negotiation hooks.
    virtual HRESULT CheckMediaType(const CMediaType* pmt) = 0;
    // Remembers the agreed type; derived classes call this one too.
    virtual HRESULT SetMediaType(const CMediaType* pmt);
    // Checks the pins' directions differ.
    virtual HRESULT CheckConnect(IPin* pPin);
    // Undoes CheckConnect/CompleteConnect; also called after failed attempts.
    virtual HRESULT BreakConnect();
    virtual HRESULT CompleteConnect(IPin* pReceivePin);
    // The preferred types, from position 0: S_OK, VFW_S_NO_MORE_ITEMS past
    // the end. The default offers none.
    virtual HRESULT GetMediaType(int iPosition, CMediaType* pMediaType);

    // Called by the filter on its connected pins.
    virtual HRESULT Active();
    virtual HRESULT Inactive();
    virtual HRESULT Run(REFERENCE_TIME tStart);

    bool IsConnected() const { return m_Connected != nullptr; }
    IPin* GetConnected() const { return m_Connected; }
    bool IsStopped() const { return m_pFilter->IsStopped(); }
    LPCWSTR Name() const { return m_pName; }
    CMediaType& CurrentMediaType() { return m_mt; }
    LONG GetMediaTypeVersion() const { return m_TypeVersion; }
    void IncrementTypeVersion() { InterlockedIncrement(&m_TypeVersion); }
    REFERENCE_TIME CurrentStartTime() const { return m_tStart; }
    REFERENCE_TIME CurrentStopTime() const { return m_tStop; }
    double CurrentRate() const { return m_dRate; }

protected:
    HRESULT AgreeMediaType(IPin* pReceivePin, const CMediaType* pmt);
    HRESULT TryMediaTypes(IPin* pReceivePin, const CMediaType* pmt, IEnumMediaTypes* pEnum);
    HRESULT AttemptConnection(IPin* pReceivePin, const CMediaType* pmt);
    HRESULT DisconnectInternal();

    CBaseFilter* const m_pFilter;
    CCritSec* const m_pLock;
    WCHAR* m_pName = nullptr;
    const PIN_DIRECTION m_dir;
    IPin* m_Connected = nullptr;  // counted
    CMediaType m_mt;
    bool m_bRunTimeError = false;
    bool m_bTryMyTypesFirst = false;      // else the other pin's types first
    IQualityControl* m_pQSink = nullptr;  // not counted
    volatile LONG m_TypeVersion = 1;
    REFERENCE_TIME m_tStart = 0;
    REFERENCE_TIME m_tStop = MAXLONGLONG;
    double m_dRate = 1.0;
};

class CEnumMediaTypes : public IEnumMediaTypes, public CBaseObject {
public:
    CEnumMediaTypes(CBasePin* pPin, const CEnumMediaTypes* pToCopy);
    ~CEnumMediaTypes() override;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP Next(ULONG cMediaTypes, AM_MEDIA_TYPE** ppMediaTypes, ULONG* pcFetched) override;
    STDMETHODIMP Skip(ULONG cMediaTypes) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumMediaTypes** ppEnum) override;

private:
    bool OutOfSync() const { return m_Version != m_pPin->GetMediaTypeVersion(); }

    CBasePin* const m_pPin;  // counted (through the filter)
    int m_Position = 0;
    LONG m_Version;
    volatile LONG m_cRef = 1;
};

class CBaseInputPin : public CBasePin, public IMemInputPin {
public:
    CBaseInputPin(LPCTSTR pObjectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr, LPCWSTR pName);
    ~CBaseInputPin() override;

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    // IMemInputPin. GetAllocator offers a CMemAllocator of our own when
    // upstream has given us none.
    STDMETHODIMP GetAllocator(IMemAllocator** ppAllocator) override;
    STDMETHODIMP NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly) override;
    STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES* pProps) override;
    // The checks every Receive starts with: VFW_E_WRONG_STATE when stopped,
    // S_FALSE while flushing, and a type attached to the sample must pass
    // CheckMediaType (it then becomes the connection type).
    STDMETHODIMP Receive(IMediaSample* pSample) override;
    STDMETHODIMP ReceiveMultiple(IMediaSample** pSamples, LONG nSamples, LONG* nSamplesProcessed) override;
    STDMETHODIMP ReceiveCanBlock() override;

    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;

    HRESULT BreakConnect() override;
    HRESULT Inactive() override;

    // S_OK when samples may be received now, else the reason why not.
    virtual HRESULT CheckStreaming();
    bool IsFlushing() const { return m_bFlushing; }
    bool IsReadOnly() const { return m_bReadOnly; }
    IMemAllocator* Allocator() const { return m_pAllocator; }

protected:
    IMemAllocator* m_pAllocator = nullptr;  // counted
    bool m_bReadOnly = false;
    volatile bool m_bFlushing = false;
};

class CBaseOutputPin : public CBasePin {
public:
    CBaseOutputPin(LPCTSTR pObjectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr, LPCWSTR pName);
    ~CBaseOutputPin() override;

    // Needs IMemInputPin on the other side.
    HRESULT CheckConnect(IPin* pPin) override;
    HRESULT BreakConnect() override;
    // Chooses the allocator (DecideAllocator).
    HRESULT CompleteConnect(IPin* pReceivePin) override;

    // Takes the input pin's allocator if it offers one and DecideBufferSize
    // agrees with it, else one of our own (InitAllocator).
    virtual HRESULT DecideAllocator(IMemInputPin* pPin, IMemAllocator** ppAlloc);
    virtual HRESULT InitAllocator(IMemAllocator** ppAlloc);
    virtual HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pRequest) = 0;

    virtual HRESULT GetDeliveryBuffer(IMediaSample** ppSample, REFERENCE_TIME* pStartTime, REFERENCE_TIME* pEndTime,
                                      DWORD dwFlags);
    virtual HRESULT Deliver(IMediaSample* pSample);
    virtual HRESULT DeliverEndOfStream();
    virtual HRESULT DeliverBeginFlush();
    virtual HRESULT DeliverEndFlush();
    virtual HRESULT DeliverNewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate);

    // Commit and decommit the allocator.
    HRESULT Active() override;
    HRESULT Inactive() override;

    // Output pins take no stream calls from downstream.
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;

    IMemAllocator* Allocator() const { return m_pAllocator; }

protected:
    IMemAllocator* m_pAllocator = nullptr;  // counted
    IMemInputPin* m_pInputPin = nullptr;    // counted
};
