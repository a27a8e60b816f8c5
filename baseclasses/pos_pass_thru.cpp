#include "baseclasses/pos_pass_thru.h"

namespace {

constexpr double kUnitsPerSecond = 10000000.0;

LONGLONG ToUnits(REFTIME seconds) {
    return static_cast<LONGLONG>(seconds * kUnitsPerSecond + (seconds < 0 ? -0.5 : 0.5));
}

REFTIME ToSeconds(LONGLONG units) { return static_cast<REFTIME>(units) / kUnitsPerSecond; }

}  // namespace

// ---------------------------------------------------------- CMediaPosition

CMediaPosition::CMediaPosition(LPCTSTR pName, LPUNKNOWN pUnk, HRESULT* phr) : CUnknown(pName, pUnk, phr) {}

CMediaPosition::~CMediaPosition() {
    if (m_pTypeInfo != nullptr) m_pTypeInfo->Release();
}

STDMETHODIMP CMediaPosition::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    CheckPointer(ppv, E_POINTER);
    if (riid == IID_IMediaPosition || riid == IID_IDispatch)
        return GetInterface(static_cast<IMediaPosition*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

ITypeInfo* CMediaPosition::TypeInfo() {
    CAutoLock lock(&m_TypeInfoLock);
    if (!m_bTypeInfoTried) {
        m_bTypeInfoTried = true;
        ITypeLib* lib = nullptr;
        if (SUCCEEDED(LoadRegTypeLib(LIBID_QuartzTypeLib, 1, 0, LOCALE_SYSTEM_DEFAULT, &lib))) {
            lib->GetTypeInfoOfGuid(IID_IMediaPosition, &m_pTypeInfo);
            lib->Release();
        }
    }
    return m_pTypeInfo;
}

STDMETHODIMP CMediaPosition::GetTypeInfoCount(UINT* pctinfo) {
    CheckPointer(pctinfo, E_POINTER);
    *pctinfo = TypeInfo() ? 1 : 0;
    return S_OK;
}

STDMETHODIMP CMediaPosition::GetTypeInfo(UINT itinfo, LCID, ITypeInfo** pptinfo) {
    CheckPointer(pptinfo, E_POINTER);
    *pptinfo = nullptr;
    if (itinfo != 0) return DISP_E_BADINDEX;
    ITypeInfo* info = TypeInfo();
    if (info == nullptr) return E_NOTIMPL;
    info->AddRef();
    *pptinfo = info;
    return S_OK;
}

STDMETHODIMP CMediaPosition::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgdispid) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo* info = TypeInfo();
    if (info == nullptr) return E_NOTIMPL;
    return DispGetIDsOfNames(info, rgszNames, cNames, rgdispid);
}

STDMETHODIMP CMediaPosition::Invoke(DISPID dispidMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pdispparams,
                                    VARIANT* pvarResult, EXCEPINFO* pexcepinfo, UINT* puArgErr) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo* info = TypeInfo();
    if (info == nullptr) return E_NOTIMPL;
    return DispInvoke(static_cast<IMediaPosition*>(this), info, dispidMember, wFlags, pdispparams, pvarResult,
                      pexcepinfo, puArgErr);
}

// ------------------------------------------------------------ CPosPassThru

CPosPassThru::CPosPassThru(LPCTSTR pName, LPUNKNOWN pUnk, HRESULT* phr, IPin* pPin)
    : CMediaPosition(pName, pUnk, phr), m_pPin(pPin) {
    if (pPin == nullptr && phr != nullptr) *phr = E_POINTER;
}

STDMETHODIMP CPosPassThru::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    CheckPointer(ppv, E_POINTER);
    if (riid == IID_IMediaSeeking) return GetInterface(static_cast<IMediaSeeking*>(this), ppv);
    return CMediaPosition::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CPosPassThru::GetPeerSeeking(IMediaSeeking** ppSeeking) {
    *ppSeeking = nullptr;
    IPin* peer = nullptr;
    if (m_pPin == nullptr || FAILED(m_pPin->ConnectedTo(&peer)) || peer == nullptr) return E_NOTIMPL;
    HRESULT hr = peer->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(ppSeeking));
    peer->Release();
    if (FAILED(hr)) {
        *ppSeeking = nullptr;
        return E_NOTIMPL;
    }
    return S_OK;
}

// Runs one call on the upstream IMediaSeeking.
#define PASS_SEEKING(call)              \
    IMediaSeeking* peer = nullptr;      \
    HRESULT hr = GetPeerSeeking(&peer); \
    if (FAILED(hr)) return hr;          \
    hr = peer->call;                    \
    peer->Release();                    \
    return hr

STDMETHODIMP CPosPassThru::GetCapabilities(DWORD* pCapabilities) { PASS_SEEKING(GetCapabilities(pCapabilities)); }

STDMETHODIMP CPosPassThru::CheckCapabilities(DWORD* pCapabilities) { PASS_SEEKING(CheckCapabilities(pCapabilities)); }

STDMETHODIMP CPosPassThru::IsFormatSupported(const GUID* pFormat) { PASS_SEEKING(IsFormatSupported(pFormat)); }

STDMETHODIMP CPosPassThru::QueryPreferredFormat(GUID* pFormat) { PASS_SEEKING(QueryPreferredFormat(pFormat)); }

STDMETHODIMP CPosPassThru::GetTimeFormat(GUID* pFormat) { PASS_SEEKING(GetTimeFormat(pFormat)); }

STDMETHODIMP CPosPassThru::IsUsingTimeFormat(const GUID* pFormat) { PASS_SEEKING(IsUsingTimeFormat(pFormat)); }

STDMETHODIMP CPosPassThru::SetTimeFormat(const GUID* pFormat) { PASS_SEEKING(SetTimeFormat(pFormat)); }

STDMETHODIMP CPosPassThru::GetDuration(LONGLONG* pDuration) { PASS_SEEKING(GetDuration(pDuration)); }

STDMETHODIMP CPosPassThru::GetStopPosition(LONGLONG* pStop) { PASS_SEEKING(GetStopPosition(pStop)); }

STDMETHODIMP CPosPassThru::GetCurrentPosition(LONGLONG* pCurrent) { PASS_SEEKING(GetCurrentPosition(pCurrent)); }

STDMETHODIMP CPosPassThru::ConvertTimeFormat(LONGLONG* pTarget, const GUID* pTargetFormat, LONGLONG Source,
                                             const GUID* pSourceFormat) {
    PASS_SEEKING(ConvertTimeFormat(pTarget, pTargetFormat, Source, pSourceFormat));
}

STDMETHODIMP CPosPassThru::SetPositions(LONGLONG* pCurrent, DWORD dwCurrentFlags, LONGLONG* pStop, DWORD dwStopFlags) {
    PASS_SEEKING(SetPositions(pCurrent, dwCurrentFlags, pStop, dwStopFlags));
}

STDMETHODIMP CPosPassThru::GetPositions(LONGLONG* pCurrent, LONGLONG* pStop) {
    PASS_SEEKING(GetPositions(pCurrent, pStop));
}

STDMETHODIMP CPosPassThru::GetAvailable(LONGLONG* pEarliest, LONGLONG* pLatest) {
    PASS_SEEKING(GetAvailable(pEarliest, pLatest));
}

STDMETHODIMP CPosPassThru::SetRate(double dRate) { PASS_SEEKING(SetRate(dRate)); }

STDMETHODIMP CPosPassThru::GetRate(double* pdRate) { PASS_SEEKING(GetRate(pdRate)); }

STDMETHODIMP CPosPassThru::GetPreroll(LONGLONG* pllPreroll) { PASS_SEEKING(GetPreroll(pllPreroll)); }

#undef PASS_SEEKING

// IMediaPosition works in seconds of media time; it goes through our own
// IMediaSeeking (so a renderer's current position is its own).

STDMETHODIMP CPosPassThru::get_Duration(REFTIME* plength) {
    CheckPointer(plength, E_POINTER);
    LONGLONG units = 0;
    HRESULT hr = GetDuration(&units);
    if (SUCCEEDED(hr)) *plength = ToSeconds(units);
    return hr;
}

STDMETHODIMP CPosPassThru::put_CurrentPosition(REFTIME llTime) {
    LONGLONG units = ToUnits(llTime);
    return SetPositions(&units, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
}

STDMETHODIMP CPosPassThru::get_CurrentPosition(REFTIME* pllTime) {
    CheckPointer(pllTime, E_POINTER);
    LONGLONG units = 0;
    HRESULT hr = GetCurrentPosition(&units);
    if (SUCCEEDED(hr)) *pllTime = ToSeconds(units);
    return hr;
}

STDMETHODIMP CPosPassThru::get_StopTime(REFTIME* pllTime) {
    CheckPointer(pllTime, E_POINTER);
    LONGLONG units = 0;
    HRESULT hr = GetStopPosition(&units);
    if (SUCCEEDED(hr)) *pllTime = ToSeconds(units);
    return hr;
}

STDMETHODIMP CPosPassThru::put_StopTime(REFTIME llTime) {
    LONGLONG units = ToUnits(llTime);
    return SetPositions(nullptr, AM_SEEKING_NoPositioning, &units, AM_SEEKING_AbsolutePositioning);
}

STDMETHODIMP CPosPassThru::get_PrerollTime(REFTIME* pllTime) {
    CheckPointer(pllTime, E_POINTER);
    LONGLONG units = 0;
    HRESULT hr = GetPreroll(&units);
    if (SUCCEEDED(hr)) *pllTime = ToSeconds(units);
    return hr;
}

STDMETHODIMP CPosPassThru::put_PrerollTime(REFTIME) { return E_NOTIMPL; }

STDMETHODIMP CPosPassThru::put_Rate(double dRate) { return SetRate(dRate); }

STDMETHODIMP CPosPassThru::get_Rate(double* pdRate) { return GetRate(pdRate); }

STDMETHODIMP CPosPassThru::CanSeekForward(LONG* pCanSeekForward) {
    CheckPointer(pCanSeekForward, E_POINTER);
    DWORD caps = AM_SEEKING_CanSeekForwards;
    HRESULT hr = CheckCapabilities(&caps);
    *pCanSeekForward = hr == S_OK ? OATRUE : OAFALSE;
    return S_OK;
}

STDMETHODIMP CPosPassThru::CanSeekBackward(LONG* pCanSeekBackward) {
    CheckPointer(pCanSeekBackward, E_POINTER);
    DWORD caps = AM_SEEKING_CanSeekBackwards;
    HRESULT hr = CheckCapabilities(&caps);
    *pCanSeekBackward = hr == S_OK ? OATRUE : OAFALSE;
    return S_OK;
}

// ---------------------------------------------------- CRendererPosPassThru

CRendererPosPassThru::CRendererPosPassThru(LPCTSTR pName, LPUNKNOWN pUnk, HRESULT* phr, IPin* pPin)
    : CPosPassThru(pName, pUnk, phr, pPin) {}

HRESULT CRendererPosPassThru::RegisterMediaTime(REFERENCE_TIME position) {
    CAutoLock lock(&m_PositionLock);
    m_Position = position;
    m_bPositionValid = true;
    m_bEndOfStream = false;
    return S_OK;
}

HRESULT CRendererPosPassThru::ResetMediaTime() {
    CAutoLock lock(&m_PositionLock);
    m_bPositionValid = false;
    m_bEndOfStream = false;
    return S_OK;
}

HRESULT CRendererPosPassThru::EOS() {
    CAutoLock lock(&m_PositionLock);
    m_bEndOfStream = true;
    return S_OK;
}

STDMETHODIMP CRendererPosPassThru::GetCurrentPosition(LONGLONG* pCurrent) {
    CheckPointer(pCurrent, E_POINTER);
    bool valid;
    bool eos;
    REFERENCE_TIME position;
    {
        CAutoLock lock(&m_PositionLock);
        valid = m_bPositionValid;
        eos = m_bEndOfStream;
        position = m_Position;
    }
    // Our record is in media time; other formats are upstream's to answer.
    if ((valid || eos) && IsUsingTimeFormat(&TIME_FORMAT_MEDIA_TIME) == S_OK) {
        if (eos) return GetStopPosition(pCurrent);
        *pCurrent = position;
        return S_OK;
    }
    return CPosPassThru::GetCurrentPosition(pCurrent);
}
