// The full-screen graph's video renderer: publishes every raw source frame
// in GrabbedFrame, converted to a bottom-up RGB24 picture where the frame is
// YUY2 or line-interlaced, and hands it to the active presenter.
#pragma once

#include <atomic>
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

    // Every sample is presented once: a pause that interrupts playback
    // (a frame step's included) keeps the frame that shows, and the sample
    // that arrives while paused waits unshown for the next run, where it is
    // the one new frame. A still that is needed (after a start or a seek)
    // is shown at once and not again when the graph runs on.
    STDMETHODIMP Pause() override;
    STDMETHODIMP Stop() override;
    HRESULT Receive(IMediaSample* pSample) override;
    HRESULT BeginFlush() override;

    // Publishes one sample and calls the presenter; null does nothing.
    void ProcessSample(IMediaSample* pSample);

    int32_t FrameWidth() const { return m_nFrameWidth; }
    int32_t FrameHeight() const { return m_nFrameHeight; }
    // Samples that arrived while paused (shown or held back) since the
    // filter last paused, stopped or flushed: once one has, no frame comes
    // before the graph runs again.
    LONG StillsSincePause() const { return m_cStills; }
    // The media time of the frame presented last (its segment's start plus
    // its own start time), or -1 when that sample had no time.
    REFERENCE_TIME ShownPosition() const { return m_rtShown; }

private:
    void RenderHeld(IMediaSample* pSample);

    CGrabInputPin m_Pin;
    IMediaSample* m_pHeld = nullptr;
    CCritSec m_FrameLock;
    int32_t m_nFrameWidth = 0;
    int32_t m_nFrameHeight = 0;  // absolute value
    HWND m_hOwner;

    // A frame has been presented since the stream started or was flushed.
    std::atomic<bool> m_bShownSinceFlush{false};
    // The next paused sample is held back (the pause came from playback).
    std::atomic<bool> m_bHoldStill{false};
    // The sample of the current Receive that the paused path presented.
    IMediaSample* m_pShownStill = nullptr;
    std::atomic<LONG> m_cStills{0};
    std::atomic<REFERENCE_TIME> m_rtShown{-1};
};

// A new renderer for the window `owner` as constructed, no reference taken
// yet, its construction status in *hr; null when out of memory.
IBaseFilter* CreateGrabRenderer(HWND owner, HRESULT* hr);
