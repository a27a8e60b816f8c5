// CPersistStream: IPersistStream for a filter that stores its settings in
// a stream (or, by default, nothing).
#pragma once

#include "baseclasses/com_base.h"

// Derive a filter from both its filter class and this one. The filter's
// QueryInterface hands out IPersistStream by itself (CBaseFilter looks for
// it), and the IUnknown calls made here reach the filter: through the
// derived class's DECLARE_IUNKNOWN when it has one, else through the
// filter's controlling unknown. GetClassID reports the filter's class.
class CPersistStream : public IPersistStream {
public:
    // punk: the object's controlling unknown, or null to find it ourselves.
    CPersistStream(IUnknown* punk, HRESULT* phr);
    virtual ~CPersistStream();

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP GetClassID(CLSID* pClsid) override;
    STDMETHODIMP IsDirty() override;
    STDMETHODIMP Load(IStream* pStm) override;
    STDMETHODIMP Save(IStream* pStm, BOOL fClearDirty) override;
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* pcbSize) override;

    // The settings themselves; nothing by default.
    virtual HRESULT WriteToStream(IStream* pStream);
    virtual HRESULT ReadFromStream(IStream* pStream);
    virtual int SizeMax();

    HRESULT SetDirty(BOOL bDirty);

protected:
    IUnknown* Owner();

    IUnknown* const m_punk;
    BOOL m_fDirty = FALSE;
};
