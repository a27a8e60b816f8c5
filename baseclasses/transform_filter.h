// CTransformFilter: one input, one output, one output sample per input
// sample, made by the derived class's Transform.
#pragma once

#include "baseclasses/pins.h"
#include "baseclasses/pos_pass_thru.h"

class CTransformFilter;

class CTransformInputPin : public CBaseInputPin {
public:
    CTransformInputPin(LPCTSTR pObjectName, CTransformFilter* pFilter, HRESULT* phr, LPCWSTR pName);

    HRESULT CheckConnect(IPin* pPin) override;
    HRESULT BreakConnect() override;
    HRESULT CompleteConnect(IPin* pReceivePin) override;
    // CheckInputType, and CheckTransform against a connected output.
    HRESULT CheckMediaType(const CMediaType* pmt) override;
    HRESULT SetMediaType(const CMediaType* pmt) override;
    // Also needs a connected output.
    HRESULT CheckStreaming() override;

    // Under the filter's receive lock.
    STDMETHODIMP Receive(IMediaSample* pSample) override;
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;
    // Waits for a Receive in progress before passing the call downstream.
    STDMETHODIMP EndFlush() override;
    STDMETHODIMP NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) override;

protected:
    CTransformFilter* const m_pTransformFilter;
};

// Also exposes IMediaSeeking and IMediaPosition, handed upstream through
// the input pin (CPosPassThru).
class CTransformOutputPin : public CBaseOutputPin {
public:
    CTransformOutputPin(LPCTSTR pObjectName, CTransformFilter* pFilter, HRESULT* phr, LPCWSTR pName);
    ~CTransformOutputPin() override;

    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    // Needs the input connected first.
    HRESULT CheckConnect(IPin* pPin) override;
    HRESULT BreakConnect() override;
    HRESULT CompleteConnect(IPin* pReceivePin) override;
    HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pRequest) override;
    // CheckTransform against the input type.
    HRESULT CheckMediaType(const CMediaType* pmt) override;
    HRESULT SetMediaType(const CMediaType* pmt) override;
    // The filter's GetMediaType; none while the input is unconnected.
    HRESULT GetMediaType(int iPosition, CMediaType* pMediaType) override;

    // Quality messages from downstream go to the filter, else upstream.
    STDMETHODIMP Notify(IBaseFilter* pSelf, Quality q) override;

protected:
    CTransformFilter* const m_pTransformFilter;
    CPosPassThru* m_pPosition = nullptr;  // created on first query
    // Guards only that creation. Not the filter lock: a renderer asks for
    // seeking from the streaming thread (at end of stream, say) while
    // Stop holds the filter lock and waits for that thread.
    CCritSec m_PositionLock;
};

class CTransformFilter : public CBaseFilter {
public:
    CTransformFilter(LPCTSTR pName, LPUNKNOWN pUnk, REFCLSID clsid);
    ~CTransformFilter() override;

    int GetPinCount() override;
    // Creates both pins on first use.
    CBasePin* GetPin(int n) override;

    // Stop decommits both allocators before it waits for Receive, so a
    // Receive blocked on an output buffer cannot hold it up.
    STDMETHODIMP Stop() override;
    // Pause with an unconnected input sends end of stream downstream at once.
    STDMETHODIMP Pause() override;

    // Makes the output sample. S_OK: delivered; S_FALSE: dropped without
    // error; a failure: dropped, and returned to upstream. Nothing is copied
    // to the output sample beforehand: data, times and flags are all the
    // derived class's to set, and a media type that the downstream allocator
    // attached to the output sample stays visible here.
    virtual HRESULT Transform(IMediaSample* pIn, IMediaSample* pOut);
    virtual HRESULT CheckInputType(const CMediaType* mtIn) = 0;
    virtual HRESULT CheckTransform(const CMediaType* mtIn, const CMediaType* mtOut) = 0;
    virtual HRESULT DecideBufferSize(IMemAllocator* pAllocator, ALLOCATOR_PROPERTIES* pProp) = 0;
    virtual HRESULT GetMediaType(int iPosition, CMediaType* pMediaType) = 0;

    // Called when streaming starts (stopped to paused) and stops.
    virtual HRESULT StartStreaming();
    virtual HRESULT StopStreaming();

    // Pin hooks, with the pin's direction.
    virtual HRESULT CheckConnect(PIN_DIRECTION dir, IPin* pPin);
    virtual HRESULT BreakConnect(PIN_DIRECTION dir);
    virtual HRESULT CompleteConnect(PIN_DIRECTION direction, IPin* pReceivePin);
    virtual HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* pmt);
    // S_FALSE (the default) lets the quality message travel upstream.
    virtual HRESULT AlterQuality(Quality q);

    // Stream calls from the input pin; these pass them downstream.
    virtual HRESULT Receive(IMediaSample* pSample);
    virtual HRESULT EndOfStream();
    virtual HRESULT BeginFlush();
    virtual HRESULT EndFlush();
    virtual HRESULT NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate);

    CTransformInputPin* InputPin() const { return m_pInput; }
    CTransformOutputPin* OutputPin() const { return m_pOutput; }

protected:
    // An output buffer for this input sample (with AM_GBF_PREVFRAMESKIPPED
    // after a dropped frame); its properties are left as the allocator gives.
    virtual HRESULT InitializeOutputSample(IMediaSample* pSample, IMediaSample** ppOutSample);

    friend class CTransformInputPin;
    friend class CTransformOutputPin;

    CCritSec m_csFilter;   // state changes and connections
    CCritSec m_csReceive;  // the streaming thread
    CTransformInputPin* m_pInput = nullptr;
    CTransformOutputPin* m_pOutput = nullptr;
    bool m_bEOSDelivered = false;
    bool m_bSampleSkipped = false;
    bool m_bQualityChanged = false;
};
