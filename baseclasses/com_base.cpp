#include "baseclasses/com_base.h"

namespace {
volatile LONG g_cActiveObjects = 0;
}

CBaseObject::CBaseObject(LPCTSTR) { InterlockedIncrement(&g_cActiveObjects); }

CBaseObject::~CBaseObject() { InterlockedDecrement(&g_cActiveObjects); }

LONG CBaseObject::ObjectsActive() { return InterlockedCompareExchange(&g_cActiveObjects, 0, 0); }

CUnknown::CUnknown(LPCTSTR pName, LPUNKNOWN pUnk, HRESULT*)
    : CBaseObject(pName),
      m_pUnknown(pUnk ? pUnk : reinterpret_cast<LPUNKNOWN>(static_cast<INonDelegatingUnknown*>(this))) {}

STDMETHODIMP CUnknown::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    CheckPointer(ppv, E_POINTER);
    if (riid == IID_IUnknown)
        return GetInterface(reinterpret_cast<LPUNKNOWN>(static_cast<INonDelegatingUnknown*>(this)), ppv);
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CUnknown::NonDelegatingAddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_cRef)); }

STDMETHODIMP_(ULONG) CUnknown::NonDelegatingRelease() {
    LONG ref = InterlockedDecrement(&m_cRef);
    if (ref == 0) {
        // A destructor that hands out and drops a reference to itself must
        // not bring us back here.
        m_cRef = 1;
        delete this;
        return 0;
    }
    return static_cast<ULONG>(ref);
}

HRESULT GetInterface(LPUNKNOWN pUnk, void** ppv) {
    CheckPointer(ppv, E_POINTER);
    *ppv = pUnk;
    pUnk->AddRef();
    return S_OK;
}
