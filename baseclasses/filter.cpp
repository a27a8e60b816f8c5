#include "baseclasses/filter.h"

#include "baseclasses/pins.h"

#include <cwchar>
#include <new>

namespace {

WCHAR* CopyName(LPCWSTR name) {
    size_t len = wcslen(name) + 1;
    auto* copy = new (std::nothrow) WCHAR[len];
    if (copy != nullptr) wmemcpy(copy, name, len);
    return copy;
}

}  // namespace

CBaseFilter::CBaseFilter(LPCTSTR pName, LPUNKNOWN pUnk, CCritSec* pLock, REFCLSID clsid, HRESULT* phr)
    : CUnknown(pName, pUnk, phr), m_pLock(pLock), m_clsid(clsid) {}

CBaseFilter::~CBaseFilter() {
    delete[] m_pName;
    if (m_pClock != nullptr) m_pClock->Release();
}

STDMETHODIMP CBaseFilter::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    CheckPointer(ppv, E_POINTER);
    if (riid == IID_IBaseFilter || riid == IID_IMediaFilter || riid == IID_IPersist)
        return GetInterface(static_cast<IBaseFilter*>(this), ppv);
    if (riid == IID_IPersistStream) {
        // A filter that also derives from CPersistStream needs no code of
        // its own to be persistable.
        if (auto* persist = dynamic_cast<IPersistStream*>(this)) return GetInterface(persist, ppv);
    }
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

STDMETHODIMP CBaseFilter::GetClassID(CLSID* pClsID) {
    CheckPointer(pClsID, E_POINTER);
    *pClsID = m_clsid;
    return S_OK;
}

STDMETHODIMP CBaseFilter::Stop() {
    CAutoLock lock(m_pLock);
    HRESULT result = S_OK;
    if (m_State != State_Stopped) {
        for (int i = 0, n = GetPinCount(); i < n; ++i) {
            CBasePin* pin = GetPin(i);
            if (pin != nullptr && pin->IsConnected()) {
                HRESULT hr = pin->Inactive();
                if (FAILED(hr) && SUCCEEDED(result)) result = hr;
            }
        }
    }
    m_State = State_Stopped;
    return result;
}

STDMETHODIMP CBaseFilter::Pause() {
    CAutoLock lock(m_pLock);
    if (m_State == State_Stopped) {
        for (int i = 0, n = GetPinCount(); i < n; ++i) {
            CBasePin* pin = GetPin(i);
            if (pin != nullptr && pin->IsConnected()) {
                HRESULT hr = pin->Active();
                if (FAILED(hr)) return hr;
            }
        }
    }
    m_State = State_Paused;
    return S_OK;
}

STDMETHODIMP CBaseFilter::Run(REFERENCE_TIME tStart) {
    CAutoLock lock(m_pLock);
    m_tStart = tStart;
    if (m_State == State_Stopped) {
        HRESULT hr = Pause();
        if (FAILED(hr)) return hr;
    }
    if (m_State != State_Running) {
        for (int i = 0, n = GetPinCount(); i < n; ++i) {
            CBasePin* pin = GetPin(i);
            if (pin != nullptr && pin->IsConnected()) {
                HRESULT hr = pin->Run(tStart);
                if (FAILED(hr)) return hr;
            }
        }
    }
    m_State = State_Running;
    return S_OK;
}

STDMETHODIMP CBaseFilter::GetState(DWORD, FILTER_STATE* State) {
    CheckPointer(State, E_POINTER);
    *State = m_State;
    return S_OK;
}

STDMETHODIMP CBaseFilter::SetSyncSource(IReferenceClock* pClock) {
    CAutoLock lock(m_pLock);
    if (pClock != nullptr) pClock->AddRef();
    if (m_pClock != nullptr) m_pClock->Release();
    m_pClock = pClock;
    return S_OK;
}

STDMETHODIMP CBaseFilter::GetSyncSource(IReferenceClock** pClock) {
    CheckPointer(pClock, E_POINTER);
    CAutoLock lock(m_pLock);
    *pClock = m_pClock;
    if (m_pClock != nullptr) m_pClock->AddRef();
    return S_OK;
}

STDMETHODIMP CBaseFilter::EnumPins(IEnumPins** ppEnum) {
    CheckPointer(ppEnum, E_POINTER);
    *ppEnum = new (std::nothrow) CEnumPins(this, nullptr);
    return *ppEnum ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CBaseFilter::FindPin(LPCWSTR Id, IPin** ppPin) {
    CheckPointer(ppPin, E_POINTER);
    *ppPin = nullptr;
    CheckPointer(Id, E_POINTER);
    CAutoLock lock(m_pLock);
    for (int i = 0, n = GetPinCount(); i < n; ++i) {
        CBasePin* pin = GetPin(i);
        if (pin != nullptr && wcscmp(pin->Name(), Id) == 0) {
            *ppPin = pin;
            pin->AddRef();
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

STDMETHODIMP CBaseFilter::QueryFilterInfo(FILTER_INFO* pInfo) {
    CheckPointer(pInfo, E_POINTER);
    CAutoLock lock(m_pLock);
    pInfo->achName[0] = L'\0';
    if (m_pName != nullptr) {
        wcsncpy(pInfo->achName, m_pName, MAX_FILTER_NAME - 1);
        pInfo->achName[MAX_FILTER_NAME - 1] = L'\0';
    }
    pInfo->pGraph = m_pGraph;
    if (m_pGraph != nullptr) m_pGraph->AddRef();
    return S_OK;
}

STDMETHODIMP CBaseFilter::JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName) {
    CAutoLock lock(m_pLock);
    m_pGraph = pGraph;
    m_pSink = nullptr;
    if (pGraph != nullptr) {
        IMediaEventSink* sink = nullptr;
        if (SUCCEEDED(pGraph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink)))) {
            // The graph owns us: a counted reference back would be a cycle.
            m_pSink = sink;
            sink->Release();
        }
    }
    if (pName != nullptr) {
        WCHAR* copy = CopyName(pName);
        if (copy == nullptr) return E_OUTOFMEMORY;
        delete[] m_pName;
        m_pName = copy;
    }
    return S_OK;
}

STDMETHODIMP CBaseFilter::QueryVendorInfo(LPWSTR*) { return E_NOTIMPL; }

HRESULT CBaseFilter::StreamTime(REFERENCE_TIME& rtStream) {
    CAutoLock lock(m_pLock);
    if (m_pClock == nullptr) return VFW_E_NO_CLOCK;
    HRESULT hr = m_pClock->GetTime(&rtStream);
    if (SUCCEEDED(hr)) rtStream -= m_tStart;
    return hr;
}

HRESULT CBaseFilter::NotifyEvent(long EventCode, LONG_PTR EventParam1, LONG_PTR EventParam2) {
    IMediaEventSink* sink = m_pSink;
    if (sink == nullptr) return E_NOTIMPL;
    if (EventCode == EC_COMPLETE && EventParam2 == 0)
        EventParam2 = reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this));
    return sink->Notify(EventCode, EventParam1, EventParam2);
}

CEnumPins::CEnumPins(CBaseFilter* pFilter, const CEnumPins* pToCopy)
    : CBaseObject(NAME("Pin enumerator")),
      m_pFilter(pFilter),
      m_Position(pToCopy ? pToCopy->m_Position : 0),
      m_Version(pToCopy ? pToCopy->m_Version : pFilter->GetPinVersion()) {
    m_pFilter->AddRef();
}

CEnumPins::~CEnumPins() { m_pFilter->Release(); }

STDMETHODIMP CEnumPins::QueryInterface(REFIID riid, void** ppv) {
    CheckPointer(ppv, E_POINTER);
    if (riid == IID_IUnknown || riid == IID_IEnumPins) return GetInterface(static_cast<IEnumPins*>(this), ppv);
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CEnumPins::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_cRef)); }

STDMETHODIMP_(ULONG) CEnumPins::Release() {
    LONG ref = InterlockedDecrement(&m_cRef);
    if (ref == 0) delete this;
    return static_cast<ULONG>(ref);
}

STDMETHODIMP CEnumPins::Next(ULONG cPins, IPin** ppPins, ULONG* pcFetched) {
    CheckPointer(ppPins, E_POINTER);
    if (pcFetched == nullptr && cPins > 1) return E_INVALIDARG;
    if (pcFetched != nullptr) *pcFetched = 0;
    if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
    ULONG fetched = 0;
    while (fetched < cPins) {
        CBasePin* pin = m_pFilter->GetPin(m_Position);
        if (pin == nullptr) break;
        ++m_Position;
        pin->AddRef();
        ppPins[fetched++] = pin;
    }
    if (pcFetched != nullptr) *pcFetched = fetched;
    return fetched == cPins ? S_OK : S_FALSE;
}

STDMETHODIMP CEnumPins::Skip(ULONG cPins) {
    if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
    ULONG left = static_cast<ULONG>(m_pFilter->GetPinCount() - m_Position);
    if (cPins > left) {
        m_Position += static_cast<int>(left);
        return S_FALSE;
    }
    m_Position += static_cast<int>(cPins);
    return S_OK;
}

STDMETHODIMP CEnumPins::Reset() {
    m_Position = 0;
    m_Version = m_pFilter->GetPinVersion();
    return S_OK;
}

STDMETHODIMP CEnumPins::Clone(IEnumPins** ppEnum) {
    CheckPointer(ppEnum, E_POINTER);
    if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
    *ppEnum = new (std::nothrow) CEnumPins(m_pFilter, this);
    return *ppEnum ? S_OK : E_OUTOFMEMORY;
}
