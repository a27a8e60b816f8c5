#include "presentation/grab_renderer_win32.h"

#include <cstdlib>
#include <new>

#include "composition/video_type_win32.h"
#include "composition/dib_row.h"
#include "composition/stereo_formats.h"
#include "presentation/presenter.h"
#include "presentation/grabbed_frame.h"
#include "presentation/packed_dib_win32.h"
#include "presentation/picture.h"
#include "core/app_state.h"

const CLSID CLSID_GrabRenderer = {0xb1196bcb, 0x5763, 0x4272, {0x9b, 0xdd, 0x05, 0x9a, 0xf2, 0xd1, 0x19, 0x30}};

GrabbedFrameRecord GrabbedFrame;

#include "presentation/fullscreen_control.h"

void FreeGrabbedFramePictures() {
    FreePackedDib(GrabbedFrame.pConversion);
    GrabbedFrame.pConversion = nullptr;
    FreeLockedBlock(GrabbedFrame.pScratchLine);
    GrabbedFrame.pScratchLine = nullptr;
}

namespace {

bool IsInterlacedLayout() { return LayoutFactsOf(g_nInputLayout).regions == ViewRegions::AlternateRows; }
bool IsYuy2() { return g_nVideoSubtype == static_cast<int32_t>(PixelFormatCode::Yuy2); }

}  // namespace

CGrabAllocator::CGrabAllocator(LPUNKNOWN pUnk, HRESULT* phr) : CMemAllocator(NAME("CGrabAllocator"), pUnk, phr) {}

STDMETHODIMP CGrabAllocator::SetProperties(ALLOCATOR_PROPERTIES* pRequest, ALLOCATOR_PROPERTIES* pActual) {
    CheckPointer(pRequest, E_POINTER);
    ALLOCATOR_PROPERTIES request = *pRequest;
    request.cBuffers += 2;
    return CMemAllocator::SetProperties(&request, pActual);
}

CGrabInputPin::CGrabInputPin(CGrabRenderer* pRenderer, HRESULT* phr, LPCWSTR pName)
    : CRendererInputPin(pRenderer, phr, pName) {
    m_pOwnAllocator = new (std::nothrow) CGrabAllocator(nullptr, phr);
    if (!m_pOwnAllocator) {
        if (phr) *phr = E_OUTOFMEMORY;
        return;
    }
    m_pOwnAllocator->AddRef();
}

CGrabInputPin::~CGrabInputPin() {
    if (m_pOwnAllocator) m_pOwnAllocator->Release();
}

STDMETHODIMP CGrabInputPin::GetAllocator(IMemAllocator** ppAllocator) {
    CAutoLock lock(m_pLock);
    CheckPointer(ppAllocator, E_POINTER);
    if (!m_pAllocator) {
        if (!m_pOwnAllocator) return E_OUTOFMEMORY;
        m_pAllocator = m_pOwnAllocator;
        m_pAllocator->AddRef();
    }
    m_pAllocator->AddRef();
    *ppAllocator = m_pAllocator;
    return S_OK;
}

STDMETHODIMP CGrabInputPin::NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly) {
    CAutoLock lock(m_pLock);
    const HRESULT hr = CBaseInputPin::NotifyAllocator(pAllocator, bReadOnly);
    if (FAILED(hr)) return hr;
    m_bOwnAllocator = pAllocator == static_cast<IMemAllocator*>(m_pOwnAllocator);
    return S_OK;
}

CGrabRenderer::CGrabRenderer(HWND owner, HRESULT* phr)
    : CBaseVideoRenderer(CLSID_GrabRenderer, NAME("CGrabRenderer"), nullptr, phr),
      m_Pin(this, phr, L"Input"),
      m_hOwner(owner) {
    m_pInputPin = &m_Pin;
}

CGrabRenderer::~CGrabRenderer() {
    m_pInputPin = nullptr;  // held by value: the framework must not delete it
    if (m_pHeld) m_pHeld->Release();
}

CBasePin* CGrabRenderer::GetPin(int n) { return n == 0 ? &m_Pin : nullptr; }

HRESULT CGrabRenderer::CheckMediaType(const CMediaType* pmt) {
    // Pictures are made with 16-bit dimensions; anything else is malformed.
    constexpr VideoTypeLimits kLimits{32767, 1, 0};
    PixelFormatCode format;
    if (CheckVideoType(VideoTypeFieldsOf(pmt), kLimits, g_bRgbMode != 0, &format) != VideoTypeVerdict::Accepted)
        return S_FALSE;
    g_nVideoSubtype = static_cast<int32_t>(format);
    return S_OK;
}

HRESULT CGrabRenderer::SetMediaType(const CMediaType* pmt) {
    const BITMAPINFOHEADER* bmi = VideoBitmapHeader(pmt);
    if (!bmi) return E_INVALIDARG;
    ZeroMemory(&GrabbedFrame.header, sizeof(GrabbedFrame.header));
    GrabbedFrame.header.bmiHeader = *bmi;
    GrabbedFrame.header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    m_nFrameWidth = bmi->biWidth;
    m_nFrameHeight = std::labs(bmi->biHeight);

    FreeLockedBlock(GrabbedFrame.pScratchLine);
    GrabbedFrame.pScratchLine = AllocLockedBlock(static_cast<SIZE_T>(m_nFrameWidth));
    if (!GrabbedFrame.pScratchLine) return E_OUTOFMEMORY;

    if (IsYuy2() || IsInterlacedLayout()) {
        FreePackedDib(GrabbedFrame.pConversion);
        GrabbedFrame.pConversion = CreatePackedDib(static_cast<SHORT>(m_nFrameWidth), static_cast<SHORT>(m_nFrameHeight), 24);
        // A type whose picture cannot be made is refused rather than drawn from nothing.
        if (!GrabbedFrame.pConversion) return E_OUTOFMEMORY;
        GrabbedFrame.pDisplay = DibPixels(GrabbedFrame.pConversion);
        GrabbedFrame.header.bmiHeader = *GrabbedFrame.pConversion;
    }
    return CBaseVideoRenderer::SetMediaType(pmt);
}

void CGrabRenderer::ProcessSample(IMediaSample* pSample) {
    if (!pSample) return;
    BYTE* data = nullptr;
    if (FAILED(pSample->GetPointer(&data))) return;
    GrabbedFrame.pSample = data;
    REFERENCE_TIME start = 0, stop = 0;
    m_rtShown = SUCCEEDED(pSample->GetTime(&start, &stop)) ? m_Pin.CurrentStartTime() + start : -1;
    // Set before the step's pause below, which asks whether anything shows.
    m_bShownSinceFlush = true;

    // The graph runs because of a frame-step request: pause it again; this
    // frame is still shown.
    if (g_nFrameStepMarker == kFrameStepPending) ToggleFrameStep();

    if (IsYuy2() || IsInterlacedLayout()) {
        // Made on demand when the layout changed to interlaced mid-stream.
        if (!GrabbedFrame.pConversion) {
            GrabbedFrame.pConversion = CreatePackedDib(m_nFrameWidth, m_nFrameHeight, 24);
            if (!GrabbedFrame.pConversion) return;
            GrabbedFrame.pDisplay = DibPixels(GrabbedFrame.pConversion);
            GrabbedFrame.header.bmiHeader = *GrabbedFrame.pConversion;
        }
        const int32_t w = GrabbedFrame.header.bmiHeader.biWidth, h = GrabbedFrame.header.bmiHeader.biHeight;
        const bool yuy2 = IsYuy2();
        // Source rows are DIB rows; a short sample is never read past.
        const int64_t stride = DibRowBytes(w, yuy2 ? 16 : 24);
        if (pSample->GetActualDataLength() < stride * h) return;
        if (yuy2)
            ConvertYuy2Frame(GrabbedFrame.pDisplay, data, static_cast<ptrdiff_t>(stride), w, h, g_nInputLayout);
        else
            DeinterleaveRgbFrame(GrabbedFrame.pDisplay, data, w, h);
    } else {
        GrabbedFrame.pDisplay = data;
    }
    PresentGrabbedFrame();
}

void CGrabRenderer::RenderHeld(IMediaSample* pSample) {
    CAutoLock frame(&m_FrameLock);
    if (m_Pin.UsesOwnAllocator()) {
        // Keep the sample, so redraws between frames read valid pixels.
        pSample->AddRef();
        if (m_pHeld) m_pHeld->Release();
        m_pHeld = pSample;
    } else if (m_pHeld) {
        // Held from an earlier allocator of ours: an older frame, which must
        // not be shown again over this one.
        m_pHeld->Release();
        m_pHeld = nullptr;
    }
    ProcessSample(pSample);
}

HRESULT CGrabRenderer::DoRenderSample(IMediaSample* pSample) {
    // The still shown while paused is on the screen already: presenting it
    // again would spend a frame step on a frame that shows.
    if (pSample == m_pShownStill) {
        m_pShownStill = nullptr;
        return S_OK;
    }
    RenderHeld(pSample);
    return S_OK;
}

void CGrabRenderer::OnReceiveFirstSample(IMediaSample* pSample) {
    // After a pause that interrupted playback the screen keeps the frame
    // it had; this sample is the next one and shows when the graph runs.
    if (!m_bHoldStill.exchange(false)) {
        RenderHeld(pSample);
        m_pShownStill = pSample;
    }
    ++m_cStills;
}

STDMETHODIMP CGrabRenderer::Pause() {
    CAutoLock lock(&m_InterfaceLock);
    if (m_State != State_Paused) {
        m_bHoldStill = m_State == State_Running && m_bShownSinceFlush;
        m_cStills = 0;
    }
    return CBaseRenderer::Pause();
}

STDMETHODIMP CGrabRenderer::Stop() {
    CAutoLock lock(&m_InterfaceLock);
    m_bHoldStill = false;
    m_bShownSinceFlush = false;
    m_cStills = 0;
    return CBaseRenderer::Stop();
}

HRESULT CGrabRenderer::BeginFlush() {
    // A seek: the picture from the new position must show, paused or not.
    m_bHoldStill = false;
    m_bShownSinceFlush = false;
    m_cStills = 0;
    return CBaseRenderer::BeginFlush();
}

HRESULT CGrabRenderer::Receive(IMediaSample* pSample) {
    // The shown still is told apart by identity, which holds only within
    // one delivery.
    m_pShownStill = nullptr;
    const HRESULT hr = CBaseRenderer::Receive(pSample);
    m_pShownStill = nullptr;
    return hr;
}

IBaseFilter* CreateGrabRenderer(WindowHandle owner, HRESULT* hr) { return new (std::nothrow) CGrabRenderer(owner, hr); }
