// CBaseRenderer and CBaseVideoRenderer: a filter with one input pin that
// renders samples on the streaming thread, scheduled by their time stamps;
// CRendererInputPin is that pin.
#pragma once

#include "baseclasses/pins.h"
#include "baseclasses/pos_pass_thru.h"

class CBaseRenderer;

class CRendererInputPin : public CBaseInputPin {
public:
    // The pin's lock is the renderer's interface lock.
    CRendererInputPin(CBaseRenderer* pRenderer, HRESULT* phr, LPCWSTR pPinName);

    STDMETHODIMP Receive(IMediaSample* pSample) override;
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;

    HRESULT CheckMediaType(const CMediaType* pmt) override;
    HRESULT SetMediaType(const CMediaType* pmt) override;
    HRESULT BreakConnect() override;
    HRESULT CompleteConnect(IPin* pReceivePin) override;

protected:
    CBaseRenderer* const m_pRenderer;
};

// Streaming: while running, a sample waits until its start time on the
// stream clock (at once without a clock or a time stamp) and is then handed
// to DoRenderSample. While paused, a sample that arrives goes to
// OnReceiveFirstSample (the still picture), completes the pause, and stays
// held, blocking upstream, until the filter runs (it is then scheduled),
// stops or flushes. End of stream while running sends EC_COMPLETE; while
// paused it completes the pause and EC_COMPLETE follows on Run.
//
// Locks: the interface lock guards state changes and connections; the
// renderer lock guards the streaming state and is never held while the
// derived class renders, nor while an event goes to the graph.
//
// The input pin: GetPin creates a CRendererInputPin on first use and the
// destructor deletes it. A derived class may supply its own pin instead:
// override GetPin, and either leave m_pInputPin null or point it at the pin
// and set it back to null in the destructor if the pin is not to be deleted.
class CBaseRenderer : public CBaseFilter, public IAMFilterMiscFlags {
public:
    CBaseRenderer(REFCLSID RenderClass, LPCTSTR pName, LPUNKNOWN pUnk, HRESULT* phr);
    ~CBaseRenderer() override;

    DECLARE_IUNKNOWN
    // Adds IMediaSeeking and IMediaPosition (which is how a graph tells a
    // renderer) and IAMFilterMiscFlags.
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
    virtual HRESULT GetMediaPositionInterface(REFIID riid, void** ppv);

    // IAMFilterMiscFlags
    STDMETHODIMP_(ULONG) GetMiscFlags() override;

    int GetPinCount() override;
    CBasePin* GetPin(int n) override;

    STDMETHODIMP Stop() override;
    // S_FALSE until a sample (or end of stream) has arrived.
    STDMETHODIMP Pause() override;
    STDMETHODIMP Run(REFERENCE_TIME tStart) override;
    // VFW_S_STATE_INTERMEDIATE while the pause is not complete.
    STDMETHODIMP GetState(DWORD dwMSecs, FILTER_STATE* State) override;
    STDMETHODIMP SetSyncSource(IReferenceClock* pClock) override;

    // What the derived class provides.
    virtual HRESULT CheckMediaType(const CMediaType* pmt) = 0;
    virtual HRESULT SetMediaType(const CMediaType* pmt);
    virtual HRESULT DoRenderSample(IMediaSample* pMediaSample) = 0;
    virtual void OnReceiveFirstSample(IMediaSample* pMediaSample);
    virtual HRESULT CompleteConnect(IPin* pReceivePin);
    virtual HRESULT BreakConnect();
    // Stopped to paused, and back to stopped.
    virtual HRESULT OnStartStreaming();
    virtual HRESULT OnStopStreaming();
    virtual void OnRenderStart(IMediaSample* pMediaSample);
    virtual void OnRenderEnd(IMediaSample* pMediaSample);

    // Stream calls from the input pin, after its own checks.
    virtual HRESULT Receive(IMediaSample* pMediaSample);
    virtual HRESULT EndOfStream();
    virtual HRESULT BeginFlush();
    virtual HRESULT EndFlush();

    // The input pin, whichever object it is.
    CRendererInputPin* InputPin();
    CCritSec* InterfaceLock() { return &m_InterfaceLock; }

protected:
    // Renders one sample now (DoRenderSample with the hooks around it).
    HRESULT Render(IMediaSample* pMediaSample);
    void SetPauseComplete(bool complete);
    // Sends EC_COMPLETE; no lock may be held.
    void SendEndOfStream();

    CCritSec m_InterfaceLock;  // the filter lock
    CCritSec m_RendererLock;   // streaming state below
    // Guards only the creation of the seeking pass-through; upstream filters
    // may ask for it from their streaming threads while Stop holds the
    // filter lock.
    CCritSec m_PositionLock;
    CRendererInputPin* m_pInputPin = nullptr;
    CRendererPosPassThru* m_pPosition = nullptr;

    bool m_bEOS = false;           // end of stream received
    bool m_bEOSDelivered = false;  // EC_COMPLETE sent for it
    bool m_bPauseComplete = true;
    HANDLE m_evWake;      // state changed: a waiting Receive looks again
    HANDLE m_evComplete;  // set while the pause is complete (or not paused)
    HANDLE m_evClock;     // the clock's advise
};

// The video flavour: counts the frames it has drawn.
class CBaseVideoRenderer : public CBaseRenderer {
public:
    CBaseVideoRenderer(REFCLSID RenderClass, LPCTSTR pName, LPUNKNOWN pUnk, HRESULT* phr);

    LONG FramesDrawn() const { return m_cFramesDrawn; }

protected:
    void OnRenderEnd(IMediaSample* pMediaSample) override;
    HRESULT OnStartStreaming() override;

    volatile LONG m_cFramesDrawn = 0;
};
