#include "baseclasses/renderer.h"

#include <new>

// ------------------------------------------------------- CRendererInputPin

CRendererInputPin::CRendererInputPin(CBaseRenderer* pRenderer, HRESULT* phr, LPCWSTR pPinName)
    : CBaseInputPin(NAME("Renderer input pin"), pRenderer, pRenderer->InterfaceLock(), phr, pPinName),
      m_pRenderer(pRenderer) {}

STDMETHODIMP CRendererInputPin::Receive(IMediaSample* pSample) {
    HRESULT hr = CBaseInputPin::Receive(pSample);
    if (hr != S_OK) return hr;
    return m_pRenderer->Receive(pSample);
}

STDMETHODIMP CRendererInputPin::EndOfStream() {
    HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;
    return m_pRenderer->EndOfStream();
}

STDMETHODIMP CRendererInputPin::BeginFlush() {
    CAutoLock lock(m_pLock);
    CBaseInputPin::BeginFlush();
    return m_pRenderer->BeginFlush();
}

STDMETHODIMP CRendererInputPin::EndFlush() {
    CAutoLock lock(m_pLock);
    HRESULT hr = m_pRenderer->EndFlush();
    if (FAILED(hr)) return hr;
    return CBaseInputPin::EndFlush();
}

HRESULT CRendererInputPin::CheckMediaType(const CMediaType* pmt) { return m_pRenderer->CheckMediaType(pmt); }

HRESULT CRendererInputPin::SetMediaType(const CMediaType* pmt) {
    HRESULT hr = CBasePin::SetMediaType(pmt);
    if (FAILED(hr)) return hr;
    return m_pRenderer->SetMediaType(pmt);
}

HRESULT CRendererInputPin::BreakConnect() {
    m_pRenderer->BreakConnect();
    return CBaseInputPin::BreakConnect();
}

HRESULT CRendererInputPin::CompleteConnect(IPin* pReceivePin) {
    HRESULT hr = m_pRenderer->CompleteConnect(pReceivePin);
    if (FAILED(hr)) return hr;
    return CBaseInputPin::CompleteConnect(pReceivePin);
}

// ----------------------------------------------------------- CBaseRenderer

CBaseRenderer::CBaseRenderer(REFCLSID RenderClass, LPCTSTR pName, LPUNKNOWN pUnk, HRESULT* phr)
    : CBaseFilter(pName, pUnk, &m_InterfaceLock, RenderClass, phr),
      m_evWake(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_evComplete(CreateEventW(nullptr, TRUE, TRUE, nullptr)),
      m_evClock(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
    if ((m_evWake == nullptr || m_evComplete == nullptr || m_evClock == nullptr) && phr != nullptr)
        *phr = E_OUTOFMEMORY;
}

CBaseRenderer::~CBaseRenderer() {
    delete m_pPosition;
    delete m_pInputPin;
    for (HANDLE h : {m_evWake, m_evComplete, m_evClock}) {
        if (h != nullptr) CloseHandle(h);
    }
}

STDMETHODIMP CBaseRenderer::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    CheckPointer(ppv, E_POINTER);
    if (riid == IID_IMediaSeeking || riid == IID_IMediaPosition) return GetMediaPositionInterface(riid, ppv);
    if (riid == IID_IAMFilterMiscFlags) return GetInterface(static_cast<IAMFilterMiscFlags*>(this), ppv);
    return CBaseFilter::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CBaseRenderer::GetMediaPositionInterface(REFIID riid, void** ppv) {
    CRendererInputPin* pin = InputPin();
    CAutoLock lock(&m_PositionLock);
    if (m_pPosition == nullptr) {
        if (pin == nullptr) return E_OUTOFMEMORY;
        HRESULT hr = S_OK;
        m_pPosition =
            new (std::nothrow) CRendererPosPassThru(NAME("Renderer seeking"), GetOwner(), &hr, static_cast<IPin*>(pin));
        if (m_pPosition == nullptr) return E_OUTOFMEMORY;
        if (FAILED(hr)) {
            delete m_pPosition;
            m_pPosition = nullptr;
            return hr;
        }
    }
    return m_pPosition->NonDelegatingQueryInterface(riid, ppv);
}

STDMETHODIMP_(ULONG) CBaseRenderer::GetMiscFlags() { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }

int CBaseRenderer::GetPinCount() { return 1; }

CBasePin* CBaseRenderer::GetPin(int n) {
    if (n != 0) return nullptr;
    CAutoLock lock(&m_InterfaceLock);
    if (m_pInputPin == nullptr) {
        HRESULT hr = S_OK;
        m_pInputPin = new (std::nothrow) CRendererInputPin(this, &hr, L"In");
        if (m_pInputPin != nullptr && FAILED(hr)) {
            delete m_pInputPin;
            m_pInputPin = nullptr;
        }
    }
    return m_pInputPin;
}

CRendererInputPin* CBaseRenderer::InputPin() {
    if (m_pInputPin != nullptr) return m_pInputPin;
    return static_cast<CRendererInputPin*>(GetPin(0));
}

void CBaseRenderer::SetPauseComplete(bool complete) {
    m_bPauseComplete = complete;
    if (complete)
        SetEvent(m_evComplete);
    else
        ResetEvent(m_evComplete);
}

void CBaseRenderer::SendEndOfStream() {
    NotifyEvent(EC_COMPLETE, S_OK, reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this)));
}

STDMETHODIMP CBaseRenderer::Stop() {
    CAutoLock lock(&m_InterfaceLock);
    if (m_State == State_Stopped) return S_OK;
    {
        CAutoLock streamLock(&m_RendererLock);
        m_State = State_Stopped;
        m_bEOS = false;
        m_bEOSDelivered = false;
        SetPauseComplete(true);
        // A sample held in Receive is dropped now.
        SetEvent(m_evWake);
    }
    CRendererInputPin* pin = InputPin();
    if (pin != nullptr && pin->IsConnected()) pin->Inactive();
    if (m_pPosition != nullptr) m_pPosition->ResetMediaTime();
    return OnStopStreaming();
}

STDMETHODIMP CBaseRenderer::Pause() {
    CAutoLock lock(&m_InterfaceLock);
    if (m_State == State_Paused) {
        CAutoLock streamLock(&m_RendererLock);
        return m_bPauseComplete ? S_OK : S_FALSE;
    }
    CRendererInputPin* pin = InputPin();
    bool connected = pin != nullptr && pin->IsConnected();
    const FILTER_STATE old = m_State;
    if (old == State_Stopped) {
        if (connected) {
            HRESULT hr = pin->Active();
            if (FAILED(hr)) return hr;
        }
        HRESULT hr = OnStartStreaming();
        if (FAILED(hr)) return hr;
    }
    bool complete;
    {
        CAutoLock streamLock(&m_RendererLock);
        m_State = State_Paused;
        // Coming from running the picture is already there; unconnected,
        // nothing will come.
        complete = old == State_Running || !connected || m_bEOS;
        SetPauseComplete(complete);
        SetEvent(m_evWake);
    }
    return complete ? S_OK : S_FALSE;
}

STDMETHODIMP CBaseRenderer::Run(REFERENCE_TIME tStart) {
    bool sendEos = false;
    {
        CAutoLock lock(&m_InterfaceLock);
        if (m_State == State_Running) return S_OK;
        if (m_State == State_Stopped) {
            HRESULT hr = Pause();
            if (FAILED(hr)) return hr;
        }
        CRendererInputPin* pin = InputPin();
        bool connected = pin != nullptr && pin->IsConnected();
        if (connected) pin->Run(tStart);
        CAutoLock streamLock(&m_RendererLock);
        m_tStart = tStart;
        m_State = State_Running;
        SetPauseComplete(true);
        SetEvent(m_evWake);
        // End of stream that came while paused, or no input at all: the
        // graph is waiting for our EC_COMPLETE.
        if ((m_bEOS || !connected) && !m_bEOSDelivered) {
            m_bEOSDelivered = true;
            sendEos = true;
        }
    }
    if (sendEos) SendEndOfStream();
    return S_OK;
}

STDMETHODIMP CBaseRenderer::GetState(DWORD dwMSecs, FILTER_STATE* State) {
    CheckPointer(State, E_POINTER);
    bool pending;
    {
        CAutoLock streamLock(&m_RendererLock);
        pending = m_State == State_Paused && !m_bPauseComplete;
    }
    if (pending && dwMSecs != 0) WaitForSingleObject(m_evComplete, dwMSecs);
    CAutoLock streamLock(&m_RendererLock);
    *State = m_State;
    return (m_State == State_Paused && !m_bPauseComplete) ? VFW_S_STATE_INTERMEDIATE : S_OK;
}

STDMETHODIMP CBaseRenderer::SetSyncSource(IReferenceClock* pClock) {
    CAutoLock lock(&m_InterfaceLock);
    CAutoLock streamLock(&m_RendererLock);
    return CBaseFilter::SetSyncSource(pClock);
}

HRESULT CBaseRenderer::SetMediaType(const CMediaType*) { return S_OK; }

void CBaseRenderer::OnReceiveFirstSample(IMediaSample*) {}

HRESULT CBaseRenderer::CompleteConnect(IPin*) { return S_OK; }

HRESULT CBaseRenderer::BreakConnect() { return S_OK; }

HRESULT CBaseRenderer::OnStartStreaming() { return S_OK; }

HRESULT CBaseRenderer::OnStopStreaming() { return S_OK; }

void CBaseRenderer::OnRenderStart(IMediaSample*) {}

void CBaseRenderer::OnRenderEnd(IMediaSample*) {}

HRESULT CBaseRenderer::Render(IMediaSample* pMediaSample) {
    OnRenderStart(pMediaSample);
    HRESULT hr = DoRenderSample(pMediaSample);
    OnRenderEnd(pMediaSample);
    if (m_pPosition != nullptr) {
        REFERENCE_TIME start = 0;
        REFERENCE_TIME end = 0;
        if (SUCCEEDED(pMediaSample->GetTime(&start, &end)))
            m_pPosition->RegisterMediaTime(start + InputPin()->CurrentStartTime());
    }
    return hr;
}

HRESULT CBaseRenderer::Receive(IMediaSample* pMediaSample) {
    CRendererInputPin* pin = InputPin();
    REFERENCE_TIME start = 0;
    REFERENCE_TIME end = 0;
    const bool timed = SUCCEEDED(pMediaSample->GetTime(&start, &end));
    bool shown = false;
    for (;;) {
        m_RendererLock.Lock();
        if (m_bEOS) {
            m_RendererLock.Unlock();
            return VFW_E_SAMPLE_REJECTED_EOS;
        }
        if (m_State == State_Stopped) {
            m_RendererLock.Unlock();
            return VFW_E_WRONG_STATE;
        }
        if (pin->IsFlushing()) {
            m_RendererLock.Unlock();
            return S_FALSE;
        }

        if (m_State == State_Paused) {
            if (!shown) {
                shown = true;
                m_RendererLock.Unlock();
                OnReceiveFirstSample(pMediaSample);
                m_RendererLock.Lock();
                if (m_State == State_Paused && !pin->IsFlushing()) SetPauseComplete(true);
                m_RendererLock.Unlock();
                continue;
            }
            // Hold the sample until the state changes.
            ResetEvent(m_evWake);
            m_RendererLock.Unlock();
            WaitForSingleObject(m_evWake, INFINITE);
            continue;
        }

        // Running.
        IReferenceClock* clock = m_pClock;
        const REFERENCE_TIME base = m_tStart;
        REFERENCE_TIME now = 0;
        if (clock == nullptr || !timed || FAILED(clock->GetTime(&now)) || now >= base + start) {
            m_RendererLock.Unlock();
            return Render(pMediaSample);
        }
        DWORD_PTR cookie = 0;
        ResetEvent(m_evClock);
        if (FAILED(clock->AdviseTime(base, start, reinterpret_cast<HEVENT>(m_evClock), &cookie))) {
            m_RendererLock.Unlock();
            return Render(pMediaSample);
        }
        clock->AddRef();
        ResetEvent(m_evWake);
        m_RendererLock.Unlock();

        HANDLE handles[2] = {m_evClock, m_evWake};
        DWORD woken = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
        clock->Unadvise(cookie);
        clock->Release();
        if (woken == WAIT_OBJECT_0) {
            m_RendererLock.Lock();
            bool due = m_State == State_Running && m_tStart == base && !pin->IsFlushing() && !m_bEOS;
            m_RendererLock.Unlock();
            if (due) return Render(pMediaSample);
        }
        // Otherwise the state changed: look again.
    }
}

HRESULT CBaseRenderer::EndOfStream() {
    bool send = false;
    {
        CAutoLock streamLock(&m_RendererLock);
        if (m_State == State_Stopped) return S_OK;
        m_bEOS = true;
        if (m_State == State_Paused) {
            SetPauseComplete(true);
        } else if (!m_bEOSDelivered) {
            m_bEOSDelivered = true;
            send = true;
        }
    }
    if (m_pPosition != nullptr) m_pPosition->EOS();
    if (send) SendEndOfStream();
    return S_OK;
}

HRESULT CBaseRenderer::BeginFlush() {
    CAutoLock streamLock(&m_RendererLock);
    // A sample held or waiting in Receive sees the flush and returns.
    SetEvent(m_evWake);
    return S_OK;
}

HRESULT CBaseRenderer::EndFlush() {
    {
        CAutoLock streamLock(&m_RendererLock);
        m_bEOS = false;
        m_bEOSDelivered = false;
        // Paused, we wait again for a picture from the new position.
        if (m_State == State_Paused) SetPauseComplete(false);
    }
    if (m_pPosition != nullptr) m_pPosition->ResetMediaTime();
    return S_OK;
}

// ------------------------------------------------------ CBaseVideoRenderer

CBaseVideoRenderer::CBaseVideoRenderer(REFCLSID RenderClass, LPCTSTR pName, LPUNKNOWN pUnk, HRESULT* phr)
    : CBaseRenderer(RenderClass, pName, pUnk, phr) {}

void CBaseVideoRenderer::OnRenderEnd(IMediaSample*) { InterlockedIncrement(&m_cFramesDrawn); }

HRESULT CBaseVideoRenderer::OnStartStreaming() {
    InterlockedExchange(&m_cFramesDrawn, 0);
    return S_OK;
}
