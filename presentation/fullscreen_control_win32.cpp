#include "presentation/fullscreen_control.h"

#include <windows.h>
#include <dshow.h>

#include "presentation/fullscreen_graph.h"
#include "presentation/grab_renderer_win32.h"
#include "presentation/grabbed_frame.h"
#include "core/app_state.h"
#include "presentation/presenter_host.h"

namespace {

HRESULT SeekTo(LONGLONG position) {
    IMediaSeeking* seeking = g_FullScreenGraph.pMS1;
    if (!seeking) return E_POINTER;
    return seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
}

bool Pause(IMediaControl* control) {
    if (FAILED(control->Pause())) return false;
    g_nPlayState = PlayState::Paused;
    return true;
}

bool Run(IMediaControl* control) {
    if (FAILED(control->Run())) return false;
    g_nPlayState = PlayState::Running;
    return true;
}

// The frame time of the renderer's connected type, in 100 ns units; the
// shell's frame time, or 1/25 s, when the type does not say.
LONGLONG RendererFrameTime(IBaseFilter* renderer) {
    LONGLONG frameTime = 0;
    IEnumPins* pins = nullptr;
    if (renderer && SUCCEEDED(renderer->EnumPins(&pins))) {
        IPin* pin = nullptr;
        if (pins->Next(1, &pin, nullptr) == S_OK) {
            AM_MEDIA_TYPE mt{};
            if (SUCCEEDED(pin->ConnectionMediaType(&mt))) {
                if (mt.pbFormat && mt.cbFormat >= sizeof(VIDEOINFOHEADER) &&
                    (mt.formattype == FORMAT_VideoInfo || mt.formattype == FORMAT_VideoInfo2))
                    frameTime = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat)->AvgTimePerFrame;
                if (mt.cbFormat) CoTaskMemFree(mt.pbFormat);
                if (mt.pUnk) mt.pUnk->Release();
            }
            pin->Release();
        }
        pins->Release();
    }
    if (frameTime > 0) return frameTime;
    if (g_nFrameMs > 1) return static_cast<LONGLONG>(g_nFrameMs) * 10000;
    return 400000;
}

template <class T>
void ReleaseRef(T*& p) {
    if (p) p->Release();
    p = nullptr;
}

}  // namespace

void TogglePauseResume() {
    IMediaControl* control = g_FullScreenGraph.pMC1;
    if (!control) return;
    switch (g_nPlayState.load()) {
    case PlayState::Paused: Run(control); break;
    case PlayState::Stopped:
        SeekTo(0);
        Run(control);
        break;
    default: Pause(control); break;
    }
}

void ToggleRestart() {
    IMediaControl* control = g_FullScreenGraph.pMC1;
    if (!control) return;
    switch (g_nPlayState.load()) {
    case PlayState::Running: Pause(control); break;
    case PlayState::Paused:
    case PlayState::Stopped:
        SeekTo(0);
        Run(control);
        break;
    default: break;
    }
}

void ToggleFrameStep() {
    IMediaControl* control = g_FullScreenGraph.pMC1;
    if (!control) return;
    const PlayState state = g_nPlayState;
    if (g_nFrameStepMarker == kFrameStepPending && state == PlayState::Running) {
        if (SUCCEEDED(control->Pause())) {
            g_nFrameStepMarker = 0;
            g_nPlayState = PlayState::Paused;
        }
    } else if (state == PlayState::Stopped || state == PlayState::Paused) {
        if (SUCCEEDED(control->Run())) {
            g_nFrameStepMarker = kFrameStepPending;
            g_nPlayState = PlayState::Running;
        }
    }
}

void StepFrameBack() {
    if (!g_FullScreenGraph.pMC1) return;
    IMediaSeeking* seeking = g_FullScreenGraph.pMS1;
    const PlayState state = g_nPlayState;
    if (!seeking || (state != PlayState::Stopped && state != PlayState::Paused)) return;
    if (SUCCEEDED(seeking->SetTimeFormat(&TIME_FORMAT_FRAME))) {
        LONGLONG position = 0;
        if (FAILED(seeking->GetCurrentPosition(&position))) return;
        SeekTo(position - 1);
        return;
    }
    // A graph that cannot count in frames (Wine's) goes back one frame time
    // in media time, from the frame on the screen: a paused graph's clock
    // position need not be that frame's. The seek lands mid-frame, so a
    // time stamp rounded either way still finds the frame before.
    auto* renderer = static_cast<CGrabRenderer*>(g_FullScreenGraph.pRenderer1);
    LONGLONG position = renderer ? renderer->ShownPosition() : -1;
    if (position < 0 && FAILED(seeking->GetCurrentPosition(&position))) return;
    const LONGLONG frameTime = RendererFrameTime(renderer);
    const LONGLONG target = position - frameTime + frameTime / 2;
    SeekTo(target > 0 ? target : 0);
}

void SeekSavedPosition() {
    if (!g_FullScreenGraph.pMC1) return;
    SeekTo(g_llSavedPosition);
}

void SaveFullScreenPosition() {
    if (!g_FullScreenGraph.pMC1) return;
    g_nSavedState = g_nPlayState == PlayState::Running ? PlayState::Running : PlayState::Paused;
    LONGLONG position = 0;
    if (g_FullScreenGraph.pMS1 && SUCCEEDED(g_FullScreenGraph.pMS1->GetCurrentPosition(&position)))
        g_llSavedPosition = position;
}

void StopFileGraph() {
    IMediaControl* control = g_FullScreenGraph.pMC1;
    if (!control || g_nSourceKind != SourceKind::MovieFile) return;
    const PlayState state = g_nPlayState;
    if (state == PlayState::Stopped || state == PlayState::Paused) return;
    if (FAILED(control->Stop())) return;
    g_nPlayState = PlayState::Stopped;
    // A step whose frame never came (the movie ended first) must not stay
    // pending: it would pause the next playback after one frame, and Space
    // only steps while no step is pending.
    g_nFrameStepMarker = 0;
}

void HandleGraphEvents() {
    IMediaControl* control = g_FullScreenGraph.pMC1;
    IMediaEventEx* events = g_FullScreenGraph.pME1;
    if (!control || !events || g_nSourceKind != SourceKind::MovieFile) return;
    long code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    while (events->GetEvent(&code, &p1, &p2, 0) == S_OK) {
        events->FreeEventParams(code, p1, p2);
        if (code != EC_COMPLETE) continue;
        if (!Host().Setting("nRepeat")) {
            StopFileGraph();
        } else if (FAILED(SeekTo(0))) {
            if (FAILED(control->Stop())) break;
            if (FAILED(control->Run())) break;
        }
    }
}

void ReleaseFullScreenGraph() {
    FullScreenGraph& g = g_FullScreenGraph;
    // A build that failed half-way has no control yet but still holds what
    // it made, which is released all the same.
    if (g.pMC1 && g_nSourceKind == SourceKind::MovieFile) g.pMC1->Stop();
    ReleaseRef(g.pRenderer1);
    if (g.pME1) g.pME1->SetNotifyWindow(0, 0, 0);
    ReleaseRef(g.pCaptureBuilder1);
    ReleaseRef(g.pFirstCapture1);
    ReleaseRef(g.pSecondCapture1);
    ReleaseRef(g.pMultiplexer1);
    ReleaseRef(g.pME1);
    ReleaseRef(g.pMS1);
    ReleaseRef(g.pMC1);
    ReleaseRef(g.pGB1);
    FreeGrabbedFramePictures();
    // The held sample went with the renderer and the conversion picture was
    // just freed: nothing may draw from the old pointers any more.
    GrabbedFrame.pSample = nullptr;
    GrabbedFrame.pDisplay = nullptr;
}
