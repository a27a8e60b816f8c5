#include "baseclasses/transform_filter.h"

#include <new>

// ------------------------------------------------------ CTransformInputPin

CTransformInputPin::CTransformInputPin(LPCTSTR pObjectName, CTransformFilter* pFilter, HRESULT* phr, LPCWSTR pName)
    : CBaseInputPin(pObjectName, pFilter, &pFilter->m_csFilter, phr, pName), m_pTransformFilter(pFilter) {}

HRESULT CTransformInputPin::CheckConnect(IPin* pPin) {
    HRESULT hr = m_pTransformFilter->CheckConnect(PINDIR_INPUT, pPin);
    if (FAILED(hr)) return hr;
    return CBaseInputPin::CheckConnect(pPin);
}

HRESULT CTransformInputPin::BreakConnect() {
    m_pTransformFilter->BreakConnect(PINDIR_INPUT);
    return CBaseInputPin::BreakConnect();
}

HRESULT CTransformInputPin::CompleteConnect(IPin* pReceivePin) {
    HRESULT hr = m_pTransformFilter->CompleteConnect(PINDIR_INPUT, pReceivePin);
    if (FAILED(hr)) return hr;
    return CBaseInputPin::CompleteConnect(pReceivePin);
}

HRESULT CTransformInputPin::CheckMediaType(const CMediaType* pmt) {
    HRESULT hr = m_pTransformFilter->CheckInputType(pmt);
    if (hr != S_OK) return hr;
    CTransformOutputPin* output = m_pTransformFilter->m_pOutput;
    if (output != nullptr && output->IsConnected())
        return m_pTransformFilter->CheckTransform(pmt, &output->CurrentMediaType());
    return S_OK;
}

HRESULT CTransformInputPin::SetMediaType(const CMediaType* pmt) {
    HRESULT hr = CBasePin::SetMediaType(pmt);
    if (FAILED(hr)) return hr;
    return m_pTransformFilter->SetMediaType(PINDIR_INPUT, pmt);
}

HRESULT CTransformInputPin::CheckStreaming() {
    CTransformOutputPin* output = m_pTransformFilter->m_pOutput;
    if (output == nullptr || !output->IsConnected()) return VFW_E_NOT_CONNECTED;
    return CBaseInputPin::CheckStreaming();
}

STDMETHODIMP CTransformInputPin::Receive(IMediaSample* pSample) {
    CAutoLock lock(&m_pTransformFilter->m_csReceive);
    HRESULT hr = CBaseInputPin::Receive(pSample);
    if (hr != S_OK) return hr;
    return m_pTransformFilter->Receive(pSample);
}

STDMETHODIMP CTransformInputPin::EndOfStream() {
    CAutoLock lock(&m_pTransformFilter->m_csReceive);
    HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;
    return m_pTransformFilter->EndOfStream();
}

STDMETHODIMP CTransformInputPin::BeginFlush() {
    CAutoLock lock(&m_pTransformFilter->m_csFilter);
    CTransformOutputPin* output = m_pTransformFilter->m_pOutput;
    if (!IsConnected() || output == nullptr || !output->IsConnected()) return VFW_E_NOT_CONNECTED;
    HRESULT hr = CBaseInputPin::BeginFlush();
    if (FAILED(hr)) return hr;
    return m_pTransformFilter->BeginFlush();
}

STDMETHODIMP CTransformInputPin::EndFlush() {
    CAutoLock lock(&m_pTransformFilter->m_csFilter);
    CTransformOutputPin* output = m_pTransformFilter->m_pOutput;
    if (!IsConnected() || output == nullptr || !output->IsConnected()) return VFW_E_NOT_CONNECTED;
    // Downstream has dropped what it held, so a Receive still running ends
    // soon; wait for it.
    CAutoLock receiveLock(&m_pTransformFilter->m_csReceive);
    HRESULT hr = m_pTransformFilter->EndFlush();
    if (FAILED(hr)) return hr;
    return CBaseInputPin::EndFlush();
}

STDMETHODIMP CTransformInputPin::NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) {
    CBasePin::NewSegment(tStart, tStop, dRate);
    return m_pTransformFilter->NewSegment(tStart, tStop, dRate);
}

// ----------------------------------------------------- CTransformOutputPin

CTransformOutputPin::CTransformOutputPin(LPCTSTR pObjectName, CTransformFilter* pFilter, HRESULT* phr, LPCWSTR pName)
    : CBaseOutputPin(pObjectName, pFilter, &pFilter->m_csFilter, phr, pName), m_pTransformFilter(pFilter) {}

CTransformOutputPin::~CTransformOutputPin() { delete m_pPosition; }

STDMETHODIMP CTransformOutputPin::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    CheckPointer(ppv, E_POINTER);
    if (riid == IID_IMediaSeeking || riid == IID_IMediaPosition) {
        {
            CAutoLock lock(&m_PositionLock);
            if (m_pPosition == nullptr) {
                HRESULT hr = S_OK;
                m_pPosition = new (std::nothrow) CPosPassThru(NAME("Transform seeking"), static_cast<IPin*>(this), &hr,
                                                              m_pTransformFilter->m_pInput);
                if (m_pPosition == nullptr) return E_OUTOFMEMORY;
                if (FAILED(hr)) {
                    delete m_pPosition;
                    m_pPosition = nullptr;
                    return hr;
                }
            }
        }
        return m_pPosition->NonDelegatingQueryInterface(riid, ppv);
    }
    return CBaseOutputPin::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CTransformOutputPin::CheckConnect(IPin* pPin) {
    CTransformInputPin* input = m_pTransformFilter->m_pInput;
    if (input == nullptr || !input->IsConnected()) return E_UNEXPECTED;
    HRESULT hr = m_pTransformFilter->CheckConnect(PINDIR_OUTPUT, pPin);
    if (FAILED(hr)) return hr;
    return CBaseOutputPin::CheckConnect(pPin);
}

HRESULT CTransformOutputPin::BreakConnect() {
    m_pTransformFilter->BreakConnect(PINDIR_OUTPUT);
    return CBaseOutputPin::BreakConnect();
}

HRESULT CTransformOutputPin::CompleteConnect(IPin* pReceivePin) {
    HRESULT hr = m_pTransformFilter->CompleteConnect(PINDIR_OUTPUT, pReceivePin);
    if (FAILED(hr)) return hr;
    return CBaseOutputPin::CompleteConnect(pReceivePin);
}

HRESULT CTransformOutputPin::DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pRequest) {
    return m_pTransformFilter->DecideBufferSize(pAlloc, pRequest);
}

HRESULT CTransformOutputPin::CheckMediaType(const CMediaType* pmt) {
    CTransformInputPin* input = m_pTransformFilter->m_pInput;
    if (input == nullptr || !input->IsConnected()) return E_UNEXPECTED;
    return m_pTransformFilter->CheckTransform(&input->CurrentMediaType(), pmt);
}

HRESULT CTransformOutputPin::SetMediaType(const CMediaType* pmt) {
    HRESULT hr = CBasePin::SetMediaType(pmt);
    if (FAILED(hr)) return hr;
    return m_pTransformFilter->SetMediaType(PINDIR_OUTPUT, pmt);
}

HRESULT CTransformOutputPin::GetMediaType(int iPosition, CMediaType* pMediaType) {
    CTransformInputPin* input = m_pTransformFilter->m_pInput;
    if (input == nullptr || !input->IsConnected()) return VFW_S_NO_MORE_ITEMS;
    return m_pTransformFilter->GetMediaType(iPosition, pMediaType);
}

STDMETHODIMP CTransformOutputPin::Notify(IBaseFilter*, Quality q) {
    HRESULT hr = m_pTransformFilter->AlterQuality(q);
    if (hr != S_FALSE) return hr;
    CTransformInputPin* input = m_pTransformFilter->m_pInput;
    IPin* upstream = input ? input->GetConnected() : nullptr;
    if (upstream == nullptr) return VFW_E_NOT_FOUND;
    IQualityControl* qc = nullptr;
    if (FAILED(upstream->QueryInterface(IID_IQualityControl, reinterpret_cast<void**>(&qc)))) return VFW_E_NOT_FOUND;
    hr = qc->Notify(m_pTransformFilter, q);
    qc->Release();
    return hr;
}

// -------------------------------------------------------- CTransformFilter

CTransformFilter::CTransformFilter(LPCTSTR pName, LPUNKNOWN pUnk, REFCLSID clsid)
    : CBaseFilter(pName, pUnk, &m_csFilter, clsid) {}

CTransformFilter::~CTransformFilter() {
    delete m_pInput;
    delete m_pOutput;
}

int CTransformFilter::GetPinCount() { return 2; }

CBasePin* CTransformFilter::GetPin(int n) {
    if (m_pInput == nullptr) {
        HRESULT hr = S_OK;
        m_pInput = new (std::nothrow) CTransformInputPin(NAME("Transform input pin"), this, &hr, L"Input");
        if (m_pInput == nullptr || FAILED(hr)) {
            delete m_pInput;
            m_pInput = nullptr;
            return nullptr;
        }
        m_pOutput = new (std::nothrow) CTransformOutputPin(NAME("Transform output pin"), this, &hr, L"Output");
        if (m_pOutput == nullptr || FAILED(hr)) {
            delete m_pInput;
            delete m_pOutput;
            m_pInput = nullptr;
            m_pOutput = nullptr;
            return nullptr;
        }
    }
    if (n == 0) return m_pInput;
    if (n == 1) return m_pOutput;
    return nullptr;
}

STDMETHODIMP CTransformFilter::Stop() {
    CAutoLock lock(&m_csFilter);
    if (m_State == State_Stopped) return S_OK;
    if (m_pInput == nullptr || !m_pInput->IsConnected() || !m_pOutput->IsConnected()) {
        m_State = State_Stopped;
        m_bEOSDelivered = false;
        return S_OK;
    }
    m_pInput->Inactive();
    m_pOutput->Inactive();
    CAutoLock receiveLock(&m_csReceive);
    HRESULT hr = StopStreaming();
    m_State = State_Stopped;
    m_bEOSDelivered = false;
    return hr;
}

STDMETHODIMP CTransformFilter::Pause() {
    CAutoLock lock(&m_csFilter);
    if (m_State == State_Paused) return S_OK;
    HRESULT hr = S_OK;
    bool inputConnected = m_pInput != nullptr && m_pInput->IsConnected();
    if (inputConnected && m_State == State_Stopped) {
        CAutoLock receiveLock(&m_csReceive);
        m_bSampleSkipped = false;
        m_bQualityChanged = false;
        hr = StartStreaming();
    }
    if (SUCCEEDED(hr)) hr = CBaseFilter::Pause();
    if (SUCCEEDED(hr) && !inputConnected && m_pOutput != nullptr && m_pOutput->IsConnected() && !m_bEOSDelivered) {
        // Nothing will ever arrive: let the renderer downstream finish.
        m_pOutput->DeliverEndOfStream();
        m_bEOSDelivered = true;
    }
    return hr;
}

HRESULT CTransformFilter::Transform(IMediaSample*, IMediaSample*) { return E_UNEXPECTED; }

HRESULT CTransformFilter::StartStreaming() { return S_OK; }

HRESULT CTransformFilter::StopStreaming() { return S_OK; }

HRESULT CTransformFilter::CheckConnect(PIN_DIRECTION, IPin*) { return S_OK; }

HRESULT CTransformFilter::BreakConnect(PIN_DIRECTION) { return S_OK; }

HRESULT CTransformFilter::CompleteConnect(PIN_DIRECTION, IPin*) { return S_OK; }

HRESULT CTransformFilter::SetMediaType(PIN_DIRECTION, const CMediaType*) { return S_OK; }

HRESULT CTransformFilter::AlterQuality(Quality) { return S_FALSE; }

HRESULT CTransformFilter::InitializeOutputSample(IMediaSample* pSample, IMediaSample** ppOutSample) {
    DWORD flags = m_bSampleSkipped ? AM_GBF_PREVFRAMESKIPPED : 0;
    if (pSample->IsSyncPoint() != S_OK) flags |= AM_GBF_NOTASYNCPOINT;
    REFERENCE_TIME start = 0;
    REFERENCE_TIME end = 0;
    bool timed = SUCCEEDED(pSample->GetTime(&start, &end));
    return m_pOutput->GetDeliveryBuffer(ppOutSample, timed ? &start : nullptr, timed ? &end : nullptr, flags);
}

HRESULT CTransformFilter::Receive(IMediaSample* pSample) {
    IMediaSample* pOut = nullptr;
    HRESULT hr = InitializeOutputSample(pSample, &pOut);
    if (FAILED(hr)) return hr;
    hr = Transform(pSample, pOut);
    if (hr == S_OK) {
        hr = m_pOutput->Deliver(pOut);
        m_bSampleSkipped = false;
    } else if (hr == S_FALSE) {
        m_bSampleSkipped = true;
        hr = S_OK;
        if (!m_bQualityChanged) {
            m_bQualityChanged = true;
            NotifyEvent(EC_QUALITY_CHANGE, 0, 0);
        }
    }
    pOut->Release();
    return hr;
}

HRESULT CTransformFilter::EndOfStream() { return m_pOutput->DeliverEndOfStream(); }

HRESULT CTransformFilter::BeginFlush() { return m_pOutput->DeliverBeginFlush(); }

HRESULT CTransformFilter::EndFlush() { return m_pOutput->DeliverEndFlush(); }

HRESULT CTransformFilter::NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) {
    return m_pOutput->DeliverNewSegment(tStart, tStop, dRate);
}
