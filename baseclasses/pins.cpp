#include "baseclasses/pins.h"

#include <cstring>
#include <cwchar>
#include <new>

// ---------------------------------------------------------------- CBasePin

CBasePin::CBasePin(LPCTSTR pObjectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr, LPCWSTR pName,
                   PIN_DIRECTION dir)
    : CUnknown(pObjectName, nullptr), m_pFilter(pFilter), m_pLock(pLock), m_dir(dir) {
    if (pName != nullptr) {
        size_t len = wcslen(pName) + 1;
        m_pName = new (std::nothrow) WCHAR[len];
        if (m_pName != nullptr)
            wmemcpy(m_pName, pName, len);
        else if (phr != nullptr)
            *phr = E_OUTOFMEMORY;
    }
}

CBasePin::~CBasePin() {
    // A filter torn down while connected (its graph released it before
    // disconnecting) still drops its reference on the peer.
    if (m_Connected != nullptr) m_Connected->Release();
    delete[] m_pName;
}

STDMETHODIMP CBasePin::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    CheckPointer(ppv, E_POINTER);
    if (riid == IID_IPin) return GetInterface(static_cast<IPin*>(this), ppv);
    if (riid == IID_IQualityControl) return GetInterface(static_cast<IQualityControl*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

STDMETHODIMP_(ULONG) CBasePin::NonDelegatingAddRef() { return m_pFilter->AddRef(); }

STDMETHODIMP_(ULONG) CBasePin::NonDelegatingRelease() { return m_pFilter->Release(); }

STDMETHODIMP CBasePin::Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) {
    CheckPointer(pReceivePin, E_POINTER);
    CAutoLock lock(m_pLock);
    if (m_Connected != nullptr) return VFW_E_ALREADY_CONNECTED;
    if (!IsStopped()) return VFW_E_NOT_STOPPED;
    // Refuse a pin of our own direction before trying types (there may be
    // none to try).
    PIN_DIRECTION dir;
    if (SUCCEEDED(pReceivePin->QueryDirection(&dir)) && dir == m_dir) return VFW_E_INVALID_DIRECTION;
    if (pmt == nullptr) return AgreeMediaType(pReceivePin, nullptr);
    HRESULT hr = S_OK;
    CMediaType mt(*pmt, &hr);
    if (FAILED(hr)) return hr;
    return AgreeMediaType(pReceivePin, &mt);
}

HRESULT CBasePin::AgreeMediaType(IPin* pReceivePin, const CMediaType* pmt) {
    if (pmt != nullptr && !pmt->IsPartiallySpecified()) return AttemptConnection(pReceivePin, pmt);

    HRESULT hrFailure = VFW_E_NO_ACCEPTABLE_TYPES;
    for (int pass = 0; pass < 2; ++pass) {
        bool mine = (pass == 0) == m_bTryMyTypesFirst;
        IEnumMediaTypes* pEnum = nullptr;
        HRESULT hr = mine ? EnumMediaTypes(&pEnum) : pReceivePin->EnumMediaTypes(&pEnum);
        if (FAILED(hr) || pEnum == nullptr) continue;
        hr = TryMediaTypes(pReceivePin, pmt, pEnum);
        pEnum->Release();
        if (SUCCEEDED(hr)) return S_OK;
        // Report a reason more telling than "no type fitted" when there is one.
        if (hr != VFW_E_NO_ACCEPTABLE_TYPES) hrFailure = hr;
    }
    return hrFailure;
}

HRESULT CBasePin::TryMediaTypes(IPin* pReceivePin, const CMediaType* pmt, IEnumMediaTypes* pEnum) {
    HRESULT hrFailure = VFW_E_NO_ACCEPTABLE_TYPES;
    for (;;) {
        AM_MEDIA_TYPE* candidate = nullptr;
        ULONG fetched = 0;
        if (pEnum->Next(1, &candidate, &fetched) != S_OK || fetched != 1 || candidate == nullptr) break;
        HRESULT hr = S_OK;
        CMediaType mt(*candidate, &hr);
        DeleteMediaType(candidate);
        if (FAILED(hr)) return hr;
        if (pmt != nullptr && !mt.MatchesPartial(pmt)) continue;
        hr = AttemptConnection(pReceivePin, &mt);
        if (SUCCEEDED(hr)) return S_OK;
        if (hr != VFW_E_TYPE_NOT_ACCEPTED && hr != VFW_E_NO_ACCEPTABLE_TYPES) hrFailure = hr;
    }
    return hrFailure;
}

HRESULT CBasePin::AttemptConnection(IPin* pReceivePin, const CMediaType* pmt) {
    HRESULT hr = CheckConnect(pReceivePin);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    hr = CheckMediaType(pmt);
    if (hr != S_OK) {
        BreakConnect();
        return VFW_E_TYPE_NOT_ACCEPTED;
    }

    m_Connected = pReceivePin;
    m_Connected->AddRef();
    hr = SetMediaType(pmt);
    if (SUCCEEDED(hr)) {
        hr = pReceivePin->ReceiveConnection(static_cast<IPin*>(this), pmt);
        if (SUCCEEDED(hr)) {
            hr = CompleteConnect(pReceivePin);
            if (SUCCEEDED(hr)) return S_OK;
            pReceivePin->Disconnect();
        }
    }
    m_Connected->Release();
    m_Connected = nullptr;
    m_mt.InitMediaType();
    BreakConnect();
    return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
}

STDMETHODIMP CBasePin::ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) {
    CheckPointer(pConnector, E_POINTER);
    CheckPointer(pmt, E_POINTER);
    CAutoLock lock(m_pLock);
    if (m_Connected != nullptr) return VFW_E_ALREADY_CONNECTED;
    if (!IsStopped()) return VFW_E_NOT_STOPPED;

    HRESULT hr = CheckConnect(pConnector);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    CMediaType mt(*pmt, &hr);
    if (SUCCEEDED(hr) && CheckMediaType(&mt) != S_OK) hr = VFW_E_TYPE_NOT_ACCEPTED;
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }

    m_Connected = pConnector;
    m_Connected->AddRef();
    hr = SetMediaType(&mt);
    if (SUCCEEDED(hr)) hr = CompleteConnect(pConnector);
    if (FAILED(hr)) {
        m_Connected->Release();
        m_Connected = nullptr;
        m_mt.InitMediaType();
        BreakConnect();
        return hr;
    }
    return S_OK;
}

STDMETHODIMP CBasePin::Disconnect() {
    CAutoLock lock(m_pLock);
    if (!IsStopped()) return VFW_E_NOT_STOPPED;
    return DisconnectInternal();
}

HRESULT CBasePin::DisconnectInternal() {
    if (m_Connected == nullptr) return S_FALSE;
    HRESULT hr = BreakConnect();
    if (FAILED(hr)) return hr;
    m_Connected->Release();
    m_Connected = nullptr;
    m_mt.InitMediaType();
    return S_OK;
}

STDMETHODIMP CBasePin::ConnectedTo(IPin** pPin) {
    CheckPointer(pPin, E_POINTER);
    // No filter lock: downstream filters ask from their streaming threads
    // (seeking pass-through at end of stream) while Stop holds that lock
    // and waits for the streaming thread. Connections change only while
    // the graph is stopped, so one read of the pointer is enough.
    IPin* connected = m_Connected;
    *pPin = connected;
    if (connected == nullptr) return VFW_E_NOT_CONNECTED;
    connected->AddRef();
    return S_OK;
}

STDMETHODIMP CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* pmt) {
    CheckPointer(pmt, E_POINTER);
    CAutoLock lock(m_pLock);
    if (m_Connected == nullptr) {
        ZeroMemory(pmt, sizeof(*pmt));
        return VFW_E_NOT_CONNECTED;
    }
    return CopyMediaType(pmt, &m_mt);
}

STDMETHODIMP CBasePin::QueryPinInfo(PIN_INFO* pInfo) {
    CheckPointer(pInfo, E_POINTER);
    pInfo->pFilter = m_pFilter;
    m_pFilter->AddRef();
    pInfo->achName[0] = L'\0';
    if (m_pName != nullptr) {
        wcsncpy(pInfo->achName, m_pName, MAX_PIN_NAME - 1);
        pInfo->achName[MAX_PIN_NAME - 1] = L'\0';
    }
    pInfo->dir = m_dir;
    return S_OK;
}

STDMETHODIMP CBasePin::QueryDirection(PIN_DIRECTION* pPinDir) {
    CheckPointer(pPinDir, E_POINTER);
    *pPinDir = m_dir;
    return S_OK;
}

STDMETHODIMP CBasePin::QueryId(LPWSTR* Id) {
    CheckPointer(Id, E_POINTER);
    LPCWSTR name = m_pName ? m_pName : L"";
    size_t bytes = (wcslen(name) + 1) * sizeof(WCHAR);
    *Id = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (*Id == nullptr) return E_OUTOFMEMORY;
    memcpy(*Id, name, bytes);
    return S_OK;
}

STDMETHODIMP CBasePin::QueryAccept(const AM_MEDIA_TYPE* pmt) {
    CheckPointer(pmt, E_POINTER);
    HRESULT hr = S_OK;
    CMediaType mt(*pmt, &hr);
    if (FAILED(hr)) return hr;
    return CheckMediaType(&mt) == S_OK ? S_OK : S_FALSE;
}

STDMETHODIMP CBasePin::EnumMediaTypes(IEnumMediaTypes** ppEnum) {
    CheckPointer(ppEnum, E_POINTER);
    *ppEnum = new (std::nothrow) CEnumMediaTypes(this, nullptr);
    return *ppEnum ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CBasePin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }

STDMETHODIMP CBasePin::EndOfStream() { return S_OK; }

STDMETHODIMP CBasePin::NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) {
    m_tStart = tStart;
    m_tStop = tStop;
    m_dRate = dRate;
    return S_OK;
}

STDMETHODIMP CBasePin::Notify(IBaseFilter* pSelf, Quality q) {
    IQualityControl* sink = m_pQSink;
    return sink ? sink->Notify(pSelf, q) : E_NOTIMPL;
}

STDMETHODIMP CBasePin::SetSink(IQualityControl* piqc) {
    CAutoLock lock(m_pLock);
    m_pQSink = piqc;
    return S_OK;
}

HRESULT CBasePin::SetMediaType(const CMediaType* pmt) { return m_mt.Set(*pmt); }

HRESULT CBasePin::CheckConnect(IPin* pPin) {
    PIN_DIRECTION dir;
    HRESULT hr = pPin->QueryDirection(&dir);
    if (FAILED(hr)) return hr;
    return dir == m_dir ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT CBasePin::BreakConnect() { return S_OK; }

HRESULT CBasePin::CompleteConnect(IPin*) { return S_OK; }

HRESULT CBasePin::GetMediaType(int, CMediaType*) { return E_UNEXPECTED; }

HRESULT CBasePin::Active() { return S_OK; }

HRESULT CBasePin::Inactive() {
    m_bRunTimeError = false;
    return S_OK;
}

HRESULT CBasePin::Run(REFERENCE_TIME) { return S_OK; }

// --------------------------------------------------------- CEnumMediaTypes

CEnumMediaTypes::CEnumMediaTypes(CBasePin* pPin, const CEnumMediaTypes* pToCopy)
    : CBaseObject(NAME("Media type enumerator")),
      m_pPin(pPin),
      m_Position(pToCopy ? pToCopy->m_Position : 0),
      m_Version(pToCopy ? pToCopy->m_Version : pPin->GetMediaTypeVersion()) {
    m_pPin->AddRef();
}

CEnumMediaTypes::~CEnumMediaTypes() { m_pPin->Release(); }

STDMETHODIMP CEnumMediaTypes::QueryInterface(REFIID riid, void** ppv) {
    CheckPointer(ppv, E_POINTER);
    if (riid == IID_IUnknown || riid == IID_IEnumMediaTypes)
        return GetInterface(static_cast<IEnumMediaTypes*>(this), ppv);
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CEnumMediaTypes::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_cRef)); }

STDMETHODIMP_(ULONG) CEnumMediaTypes::Release() {
    LONG ref = InterlockedDecrement(&m_cRef);
    if (ref == 0) delete this;
    return static_cast<ULONG>(ref);
}

STDMETHODIMP CEnumMediaTypes::Next(ULONG cMediaTypes, AM_MEDIA_TYPE** ppMediaTypes, ULONG* pcFetched) {
    CheckPointer(ppMediaTypes, E_POINTER);
    if (pcFetched == nullptr && cMediaTypes > 1) return E_INVALIDARG;
    if (pcFetched != nullptr) *pcFetched = 0;
    if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
    ULONG fetched = 0;
    while (fetched < cMediaTypes) {
        CMediaType mt;
        if (m_pPin->GetMediaType(m_Position, &mt) != S_OK) break;
        AM_MEDIA_TYPE* copy = CreateMediaType(&mt);
        if (copy == nullptr) break;
        ++m_Position;
        ppMediaTypes[fetched++] = copy;
    }
    if (pcFetched != nullptr) *pcFetched = fetched;
    return fetched == cMediaTypes ? S_OK : S_FALSE;
}

STDMETHODIMP CEnumMediaTypes::Skip(ULONG cMediaTypes) {
    if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
    while (cMediaTypes > 0) {
        CMediaType mt;
        if (m_pPin->GetMediaType(m_Position, &mt) != S_OK) return S_FALSE;
        ++m_Position;
        --cMediaTypes;
    }
    return S_OK;
}

STDMETHODIMP CEnumMediaTypes::Reset() {
    m_Position = 0;
    m_Version = m_pPin->GetMediaTypeVersion();
    return S_OK;
}

STDMETHODIMP CEnumMediaTypes::Clone(IEnumMediaTypes** ppEnum) {
    CheckPointer(ppEnum, E_POINTER);
    if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
    *ppEnum = new (std::nothrow) CEnumMediaTypes(m_pPin, this);
    return *ppEnum ? S_OK : E_OUTOFMEMORY;
}

// ----------------------------------------------------------- CBaseInputPin

CBaseInputPin::CBaseInputPin(LPCTSTR pObjectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr, LPCWSTR pName)
    : CBasePin(pObjectName, pFilter, pLock, phr, pName, PINDIR_INPUT) {}

CBaseInputPin::~CBaseInputPin() {
    if (m_pAllocator != nullptr) m_pAllocator->Release();
}

STDMETHODIMP CBaseInputPin::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    CheckPointer(ppv, E_POINTER);
    if (riid == IID_IMemInputPin) return GetInterface(static_cast<IMemInputPin*>(this), ppv);
    return CBasePin::NonDelegatingQueryInterface(riid, ppv);
}

STDMETHODIMP CBaseInputPin::GetAllocator(IMemAllocator** ppAllocator) {
    CheckPointer(ppAllocator, E_POINTER);
    CAutoLock lock(m_pLock);
    if (m_pAllocator == nullptr) {
        HRESULT hr = S_OK;
        auto* allocator = new (std::nothrow) CMemAllocator(NAME("Input pin allocator"), nullptr, &hr);
        if (allocator == nullptr) return E_OUTOFMEMORY;
        allocator->AddRef();
        if (FAILED(hr)) {
            allocator->Release();
            return hr;
        }
        m_pAllocator = allocator;
    }
    *ppAllocator = m_pAllocator;
    m_pAllocator->AddRef();
    return S_OK;
}

STDMETHODIMP CBaseInputPin::NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly) {
    CheckPointer(pAllocator, E_POINTER);
    CAutoLock lock(m_pLock);
    pAllocator->AddRef();
    if (m_pAllocator != nullptr) m_pAllocator->Release();
    m_pAllocator = pAllocator;
    m_bReadOnly = bReadOnly != FALSE;
    return S_OK;
}

STDMETHODIMP CBaseInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) { return E_NOTIMPL; }

HRESULT CBaseInputPin::CheckStreaming() {
    if (IsStopped()) return VFW_E_WRONG_STATE;
    if (m_bFlushing) return S_FALSE;
    if (m_bRunTimeError) return VFW_E_RUNTIME_ERROR;
    return S_OK;
}

STDMETHODIMP CBaseInputPin::Receive(IMediaSample* pSample) {
    CheckPointer(pSample, E_POINTER);
    HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;

    AM_MEDIA_TYPE* attached = nullptr;
    if (pSample->GetMediaType(&attached) == S_OK && attached != nullptr) {
        CMediaType mt(*attached, &hr);
        DeleteMediaType(attached);
        if (FAILED(hr)) return hr;
        if (CheckMediaType(&mt) != S_OK) {
            m_bRunTimeError = true;
            m_pFilter->NotifyEvent(EC_ERRORABORT, VFW_E_TYPE_NOT_ACCEPTED, 0);
            return VFW_E_INVALIDMEDIATYPE;
        }
        hr = SetMediaType(&mt);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

STDMETHODIMP CBaseInputPin::ReceiveMultiple(IMediaSample** pSamples, LONG nSamples, LONG* nSamplesProcessed) {
    CheckPointer(pSamples, E_POINTER);
    CheckPointer(nSamplesProcessed, E_POINTER);
    *nSamplesProcessed = 0;
    HRESULT hr = S_OK;
    for (LONG i = 0; i < nSamples; ++i) {
        // Through the interface, so that a derived Receive is the one called.
        hr = static_cast<IMemInputPin*>(this)->Receive(pSamples[i]);
        if (hr != S_OK) break;
        ++*nSamplesProcessed;
    }
    return hr;
}

STDMETHODIMP CBaseInputPin::ReceiveCanBlock() {
    // We block if any connected output of the filter can, or if there is
    // no output at all (a renderer holds samples while paused).
    int outputs = 0;
    for (int i = 0, n = m_pFilter->GetPinCount(); i < n; ++i) {
        CBasePin* pin = m_pFilter->GetPin(i);
        PIN_DIRECTION dir;
        if (pin == nullptr || FAILED(pin->QueryDirection(&dir)) || dir != PINDIR_OUTPUT) continue;
        ++outputs;
        IPin* peer = pin->GetConnected();
        if (peer == nullptr) return S_OK;
        IMemInputPin* input = nullptr;
        if (FAILED(peer->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input)))) return S_OK;
        HRESULT hr = input->ReceiveCanBlock();
        input->Release();
        if (hr != S_FALSE) return S_OK;
    }
    return outputs == 0 ? S_OK : S_FALSE;
}

STDMETHODIMP CBaseInputPin::BeginFlush() {
    CAutoLock lock(m_pLock);
    m_bFlushing = true;
    return S_OK;
}

STDMETHODIMP CBaseInputPin::EndFlush() {
    CAutoLock lock(m_pLock);
    m_bFlushing = false;
    m_bRunTimeError = false;
    return S_OK;
}

HRESULT CBaseInputPin::BreakConnect() {
    if (m_pAllocator != nullptr) {
        m_pAllocator->Decommit();
        m_pAllocator->Release();
        m_pAllocator = nullptr;
    }
    return S_OK;
}

HRESULT CBaseInputPin::Inactive() {
    m_bRunTimeError = false;
    m_bFlushing = false;
    if (m_pAllocator == nullptr) return VFW_E_NO_ALLOCATOR;
    return m_pAllocator->Decommit();
}

// ---------------------------------------------------------- CBaseOutputPin

CBaseOutputPin::CBaseOutputPin(LPCTSTR pObjectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr, LPCWSTR pName)
    : CBasePin(pObjectName, pFilter, pLock, phr, pName, PINDIR_OUTPUT) {}

CBaseOutputPin::~CBaseOutputPin() {
    if (m_pAllocator != nullptr) {
        m_pAllocator->Decommit();
        m_pAllocator->Release();
    }
    if (m_pInputPin != nullptr) m_pInputPin->Release();
}

HRESULT CBaseOutputPin::CheckConnect(IPin* pPin) {
    HRESULT hr = CBasePin::CheckConnect(pPin);
    if (FAILED(hr)) return hr;
    if (m_pInputPin != nullptr) {
        m_pInputPin->Release();
        m_pInputPin = nullptr;
    }
    if (FAILED(pPin->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&m_pInputPin)))) {
        m_pInputPin = nullptr;
        return VFW_E_NO_TRANSPORT;
    }
    return S_OK;
}

HRESULT CBaseOutputPin::BreakConnect() {
    if (m_pAllocator != nullptr) {
        m_pAllocator->Decommit();
        m_pAllocator->Release();
        m_pAllocator = nullptr;
    }
    if (m_pInputPin != nullptr) {
        m_pInputPin->Release();
        m_pInputPin = nullptr;
    }
    return S_OK;
}

HRESULT CBaseOutputPin::CompleteConnect(IPin*) { return DecideAllocator(m_pInputPin, &m_pAllocator); }

HRESULT CBaseOutputPin::DecideAllocator(IMemInputPin* pPin, IMemAllocator** ppAlloc) {
    CheckPointer(pPin, E_POINTER);
    CheckPointer(ppAlloc, E_POINTER);
    *ppAlloc = nullptr;

    ALLOCATOR_PROPERTIES props{};
    pPin->GetAllocatorRequirements(&props);
    if (props.cbAlign == 0) props.cbAlign = 1;

    HRESULT hr = pPin->GetAllocator(ppAlloc);
    if (SUCCEEDED(hr) && *ppAlloc != nullptr) {
        hr = DecideBufferSize(*ppAlloc, &props);
        if (SUCCEEDED(hr)) {
            hr = pPin->NotifyAllocator(*ppAlloc, FALSE);
            if (SUCCEEDED(hr)) return S_OK;
        }
    }
    if (*ppAlloc != nullptr) {
        (*ppAlloc)->Release();
        *ppAlloc = nullptr;
    }

    // The input pin has no allocator for us (renderers often have none).
    props = ALLOCATOR_PROPERTIES{};
    pPin->GetAllocatorRequirements(&props);
    if (props.cbAlign == 0) props.cbAlign = 1;
    hr = InitAllocator(ppAlloc);
    if (SUCCEEDED(hr)) {
        hr = DecideBufferSize(*ppAlloc, &props);
        if (SUCCEEDED(hr)) {
            hr = pPin->NotifyAllocator(*ppAlloc, FALSE);
            if (SUCCEEDED(hr)) return S_OK;
        }
    }
    if (*ppAlloc != nullptr) {
        (*ppAlloc)->Release();
        *ppAlloc = nullptr;
    }
    return hr;
}

HRESULT CBaseOutputPin::InitAllocator(IMemAllocator** ppAlloc) {
    CheckPointer(ppAlloc, E_POINTER);
    HRESULT hr = S_OK;
    auto* allocator = new (std::nothrow) CMemAllocator(NAME("Output pin allocator"), nullptr, &hr);
    if (allocator == nullptr) return E_OUTOFMEMORY;
    allocator->AddRef();
    if (FAILED(hr)) {
        allocator->Release();
        return hr;
    }
    *ppAlloc = allocator;
    return S_OK;
}

HRESULT CBaseOutputPin::GetDeliveryBuffer(IMediaSample** ppSample, REFERENCE_TIME* pStartTime, REFERENCE_TIME* pEndTime,
                                          DWORD dwFlags) {
    CheckPointer(ppSample, E_POINTER);
    if (m_pAllocator == nullptr) {
        *ppSample = nullptr;
        return VFW_E_NO_ALLOCATOR;
    }
    return m_pAllocator->GetBuffer(ppSample, pStartTime, pEndTime, dwFlags);
}

HRESULT CBaseOutputPin::Deliver(IMediaSample* pSample) {
    if (m_pInputPin == nullptr) return VFW_E_NOT_CONNECTED;
    return m_pInputPin->Receive(pSample);
}

HRESULT CBaseOutputPin::DeliverEndOfStream() {
    IPin* peer = m_Connected;
    return peer ? peer->EndOfStream() : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::DeliverBeginFlush() {
    IPin* peer = m_Connected;
    return peer ? peer->BeginFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::DeliverEndFlush() {
    IPin* peer = m_Connected;
    return peer ? peer->EndFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::DeliverNewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) {
    IPin* peer = m_Connected;
    return peer ? peer->NewSegment(tStart, tStop, dRate) : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::Active() {
    if (m_pAllocator == nullptr) return VFW_E_NO_ALLOCATOR;
    return m_pAllocator->Commit();
}

HRESULT CBaseOutputPin::Inactive() {
    m_bRunTimeError = false;
    if (m_pAllocator == nullptr) return VFW_E_NO_ALLOCATOR;
    return m_pAllocator->Decommit();
}

STDMETHODIMP CBaseOutputPin::EndOfStream() { return E_UNEXPECTED; }

STDMETHODIMP CBaseOutputPin::BeginFlush() { return E_UNEXPECTED; }

STDMETHODIMP CBaseOutputPin::EndFlush() { return E_UNEXPECTED; }
