// Seeking for filters that do not seek themselves: CMediaPosition (the
// IDispatch part of IMediaPosition), CPosPassThru (IMediaSeeking and
// IMediaPosition handed on to the pin upstream of a given input pin) and
// CRendererPosPassThru (which also knows the position last rendered).
#pragma once

#include "baseclasses/com_base.h"

class CMediaPosition : public IMediaPosition, public CUnknown {
public:
    CMediaPosition(LPCTSTR pName, LPUNKNOWN pUnk, HRESULT* phr = nullptr);
    ~CMediaPosition() override;

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    // IDispatch, through the type library of the platform's DirectShow
    // (no type information when that is not registered).
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override;
    STDMETHODIMP GetTypeInfo(UINT itinfo, LCID lcid, ITypeInfo** pptinfo) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgdispid) override;
    STDMETHODIMP Invoke(DISPID dispidMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pdispparams,
                        VARIANT* pvarResult, EXCEPINFO* pexcepinfo, UINT* puArgErr) override;

private:
    ITypeInfo* TypeInfo();

    CCritSec m_TypeInfoLock;
    ITypeInfo* m_pTypeInfo = nullptr;
    bool m_bTypeInfoTried = false;
};

// Every IMediaSeeking call goes to the output pin connected to m_pPin; the
// IMediaPosition calls are made from them (times in seconds). Not connected,
// or upstream without IMediaSeeking: E_NOTIMPL.
class CPosPassThru : public IMediaSeeking, public CMediaPosition {
public:
    // pPin is the owner's input pin; it is not counted.
    CPosPassThru(LPCTSTR pName, LPUNKNOWN pUnk, HRESULT* phr, IPin* pPin);

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    // IMediaSeeking
    STDMETHODIMP GetCapabilities(DWORD* pCapabilities) override;
    STDMETHODIMP CheckCapabilities(DWORD* pCapabilities) override;
    STDMETHODIMP IsFormatSupported(const GUID* pFormat) override;
    STDMETHODIMP QueryPreferredFormat(GUID* pFormat) override;
    STDMETHODIMP GetTimeFormat(GUID* pFormat) override;
    STDMETHODIMP IsUsingTimeFormat(const GUID* pFormat) override;
    STDMETHODIMP SetTimeFormat(const GUID* pFormat) override;
    STDMETHODIMP GetDuration(LONGLONG* pDuration) override;
    STDMETHODIMP GetStopPosition(LONGLONG* pStop) override;
    STDMETHODIMP GetCurrentPosition(LONGLONG* pCurrent) override;
    STDMETHODIMP ConvertTimeFormat(LONGLONG* pTarget, const GUID* pTargetFormat, LONGLONG Source,
                                   const GUID* pSourceFormat) override;
    STDMETHODIMP SetPositions(LONGLONG* pCurrent, DWORD dwCurrentFlags, LONGLONG* pStop, DWORD dwStopFlags) override;
    STDMETHODIMP GetPositions(LONGLONG* pCurrent, LONGLONG* pStop) override;
    STDMETHODIMP GetAvailable(LONGLONG* pEarliest, LONGLONG* pLatest) override;
    STDMETHODIMP SetRate(double dRate) override;
    STDMETHODIMP GetRate(double* pdRate) override;
    STDMETHODIMP GetPreroll(LONGLONG* pllPreroll) override;

    // IMediaPosition
    STDMETHODIMP get_Duration(REFTIME* plength) override;
    STDMETHODIMP put_CurrentPosition(REFTIME llTime) override;
    STDMETHODIMP get_CurrentPosition(REFTIME* pllTime) override;
    STDMETHODIMP get_StopTime(REFTIME* pllTime) override;
    STDMETHODIMP put_StopTime(REFTIME llTime) override;
    STDMETHODIMP get_PrerollTime(REFTIME* pllTime) override;
    STDMETHODIMP put_PrerollTime(REFTIME llTime) override;
    STDMETHODIMP put_Rate(double dRate) override;
    STDMETHODIMP get_Rate(double* pdRate) override;
    STDMETHODIMP CanSeekForward(LONG* pCanSeekForward) override;
    STDMETHODIMP CanSeekBackward(LONG* pCanSeekBackward) override;

protected:
    // The upstream IMediaSeeking, counted; E_NOTIMPL when there is none.
    HRESULT GetPeerSeeking(IMediaSeeking** ppSeeking);

    IPin* const m_pPin;
};

// Adds what a renderer knows: the stream position of the sample it rendered
// last, reported by GetCurrentPosition instead of asking upstream; at end of
// stream, the stop position.
class CRendererPosPassThru : public CPosPassThru {
public:
    CRendererPosPassThru(LPCTSTR pName, LPUNKNOWN pUnk, HRESULT* phr, IPin* pPin);

    // Start time of the sample being rendered, already offset by the segment
    // start (so in the units of the upstream position).
    HRESULT RegisterMediaTime(REFERENCE_TIME position);
    HRESULT ResetMediaTime();
    HRESULT EOS();

    STDMETHODIMP GetCurrentPosition(LONGLONG* pCurrent) override;

private:
    CCritSec m_PositionLock;
    bool m_bPositionValid = false;
    bool m_bEndOfStream = false;
    REFERENCE_TIME m_Position = 0;
};
