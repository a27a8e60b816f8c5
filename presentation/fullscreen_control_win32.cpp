#include "presentation/fullscreen_control.h"

#include <windows.h>
#include <dshow.h>

#include "graphs/playback_graph.h"
#include "shell/app_state.h"

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
