// CBaseFilter: IBaseFilter with the state machine, clock and graph
// bookkeeping every filter shares; CEnumPins enumerates its pins.
#pragma once

#include "baseclasses/media_type.h"

class CBasePin;

class CBaseFilter : public CUnknown, public IBaseFilter {
public:
    // pLock is the filter lock; it must outlive the filter.
    CBaseFilter(LPCTSTR pName, LPUNKNOWN pUnk, CCritSec* pLock, REFCLSID clsid, HRESULT* phr = nullptr);
    ~CBaseFilter() override;

    DECLARE_IUNKNOWN
    // IBaseFilter, IMediaFilter, IPersist; IPersistStream when the most
    // derived class also derives from it (CPersistStream).
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    // IPersist
    STDMETHODIMP GetClassID(CLSID* pClsID) override;

    // IMediaFilter. Pause from stopped activates the connected pins, Stop
    // deactivates them; Run from stopped pauses first.
    STDMETHODIMP Stop() override;
    STDMETHODIMP Pause() override;
    STDMETHODIMP Run(REFERENCE_TIME tStart) override;
    STDMETHODIMP GetState(DWORD dwMilliSecsTimeout, FILTER_STATE* State) override;
    STDMETHODIMP SetSyncSource(IReferenceClock* pClock) override;
    STDMETHODIMP GetSyncSource(IReferenceClock** pClock) override;

    // IBaseFilter
    STDMETHODIMP EnumPins(IEnumPins** ppEnum) override;
    STDMETHODIMP FindPin(LPCWSTR Id, IPin** ppPin) override;
    STDMETHODIMP QueryFilterInfo(FILTER_INFO* pInfo) override;
    // Keeps no reference on the graph (it holds one on us).
    STDMETHODIMP JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName) override;
    STDMETHODIMP QueryVendorInfo(LPWSTR* pVendorInfo) override;

    virtual int GetPinCount() = 0;
    // The pin at a position, no reference taken; null when out of range.
    virtual CBasePin* GetPin(int n) = 0;

    bool IsActive() const { return m_State != State_Stopped; }
    bool IsStopped() const { return m_State == State_Stopped; }
    IFilterGraph* GetFilterGraph() const { return m_pGraph; }
    // Time since Run, on the filter's clock.
    HRESULT StreamTime(REFERENCE_TIME& rtStream);
    // Sends an event to the graph. EC_COMPLETE without a filter names us.
    HRESULT NotifyEvent(long EventCode, LONG_PTR EventParam1, LONG_PTR EventParam2);

    // Pin enumerators compare this to notice a changed set of pins.
    LONG GetPinVersion() const { return m_PinVersion; }
    void IncrementPinVersion() { InterlockedIncrement(&m_PinVersion); }

protected:
    CCritSec* const m_pLock;
    FILTER_STATE m_State = State_Stopped;
    IReferenceClock* m_pClock = nullptr;
    REFERENCE_TIME m_tStart = 0;
    CLSID m_clsid;
    IFilterGraph* m_pGraph = nullptr;    // not counted
    IMediaEventSink* m_pSink = nullptr;  // not counted, part of the graph
    WCHAR* m_pName = nullptr;            // the name in the graph
    volatile LONG m_PinVersion = 1;
};

class CEnumPins : public IEnumPins, public CBaseObject {
public:
    CEnumPins(CBaseFilter* pFilter, const CEnumPins* pToCopy);
    ~CEnumPins() override;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP Next(ULONG cPins, IPin** ppPins, ULONG* pcFetched) override;
    STDMETHODIMP Skip(ULONG cPins) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumPins** ppEnum) override;

private:
    bool OutOfSync() const { return m_Version != m_pFilter->GetPinVersion(); }

    CBaseFilter* const m_pFilter;  // counted
    int m_Position = 0;
    LONG m_Version;
    volatile LONG m_cRef = 1;
};
