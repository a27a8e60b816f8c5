#include "baseclasses/persist_stream.h"

CPersistStream::CPersistStream(IUnknown* punk, HRESULT*) : m_punk(punk) {}

CPersistStream::~CPersistStream() = default;

IUnknown* CPersistStream::Owner() {
    if (m_punk != nullptr) return m_punk;
    // The object we are part of: the filter (or other CUnknown) beside us.
    auto* unknown = dynamic_cast<CUnknown*>(this);
    return unknown ? unknown->GetOwner() : nullptr;
}

STDMETHODIMP CPersistStream::QueryInterface(REFIID riid, void** ppv) {
    IUnknown* owner = Owner();
    return owner ? owner->QueryInterface(riid, ppv) : E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CPersistStream::AddRef() {
    IUnknown* owner = Owner();
    return owner ? owner->AddRef() : 1;
}

STDMETHODIMP_(ULONG) CPersistStream::Release() {
    IUnknown* owner = Owner();
    return owner ? owner->Release() : 1;
}

STDMETHODIMP CPersistStream::GetClassID(CLSID* pClsid) {
    CheckPointer(pClsid, E_POINTER);
    IPersist* persist = nullptr;
    // Through QueryInterface, which reaches the owning filter's IBaseFilter.
    HRESULT hr = QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&persist));
    if (FAILED(hr)) return E_NOTIMPL;
    hr = persist->GetClassID(pClsid);
    persist->Release();
    return hr;
}

STDMETHODIMP CPersistStream::IsDirty() { return m_fDirty ? S_OK : S_FALSE; }

STDMETHODIMP CPersistStream::Load(IStream* pStm) {
    CheckPointer(pStm, E_POINTER);
    HRESULT hr = ReadFromStream(pStm);
    if (SUCCEEDED(hr)) m_fDirty = FALSE;
    return hr;
}

STDMETHODIMP CPersistStream::Save(IStream* pStm, BOOL fClearDirty) {
    CheckPointer(pStm, E_POINTER);
    HRESULT hr = WriteToStream(pStm);
    if (SUCCEEDED(hr) && fClearDirty) m_fDirty = FALSE;
    return hr;
}

STDMETHODIMP CPersistStream::GetSizeMax(ULARGE_INTEGER* pcbSize) {
    CheckPointer(pcbSize, E_POINTER);
    pcbSize->QuadPart = static_cast<ULONGLONG>(SizeMax());
    return S_OK;
}

HRESULT CPersistStream::WriteToStream(IStream*) { return S_OK; }

HRESULT CPersistStream::ReadFromStream(IStream*) { return S_OK; }

int CPersistStream::SizeMax() { return 0; }

HRESULT CPersistStream::SetDirty(BOOL bDirty) {
    m_fDirty = bDirty;
    return S_OK;
}
