// The full-screen graph's video renderer: publishes every raw source frame
// in GrabbedFrame, converted to a bottom-up RGB24 picture where the frame is
// YUY2 or line-interlaced, and hands it to the active presenter.
#pragma once

#include <cstdint>

#include "baseclasses/baseclasses.h"

// {B1196BCB-5763-4272-9BDD-059AF2D11930}
extern const CLSID CLSID_GrabRenderer;

class CGrabRenderer;

// Asks for two buffers more than upstream wants, so one can stay held for
// redraws while decoding goes on.
class CGrabAllocator : public CMemAllocator {
public:
    CGrabAllocator(LPUNKNOWN pUnk, HRESULT* phr);
    STDMETHODIMP SetProperties(ALLOCATOR_PROPERTIES* pRequest, ALLOCATOR_PROPERTIES* pActual) override;
};

class CGrabInputPin : public CRendererInputPin {
public:
    CGrabInputPin(CGrabRenderer* pRenderer, HRESULT* phr, LPCWSTR pName);
    ~CGrabInputPin() override;

    // Offers the private allocator.
    STDMETHODIMP GetAllocator(IMemAllocator** ppAllocator) override;
    // Notes whether upstream took the private allocator.
    STDMETHODIMP NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly) override;

    bool UsesOwnAllocator() const { return m_bOwnAllocator; }

private:
    CGrabAllocator* m_pOwnAllocator = nullptr;  // one reference
    bool m_bOwnAllocator = false;
};

class CGrabRenderer : public CBaseVideoRenderer {
public:
    CGrabRenderer(HWND owner, HRESULT* phr);
    ~CGrabRenderer() override;

    CBasePin* GetPin(int n) override;
    HRESULT CheckMediaType(const CMediaType* pmt) override;
    HRESULT SetMediaType(const CMediaType* pmt) override;
    HRESULT DoRenderSample(IMediaSample* pSample) override;
    void OnReceiveFirstSample(IMediaSample* pSample) override;

    // Publishes one sample and calls the presenter; null does nothing.
    void ProcessSample(IMediaSample* pSample);

    int32_t FrameWidth() const { return m_nFrameWidth; }
    int32_t FrameHeight() const { return m_nFrameHeight; }

private:
    void RenderHeld(IMediaSample* pSample);

    CGrabInputPin m_Pin;
    IMediaSample* m_pHeld = nullptr;
    CCritSec m_FrameLock;
    int32_t m_nFrameWidth = 0;
    int32_t m_nFrameHeight = 0;  // absolute value
    HWND m_hOwner;
};
