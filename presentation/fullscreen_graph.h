// The graph of the program's full-screen windows: built by the graph
// builders for the window that runs, controlled by its keys
// (fullscreen_control.h), fed to the window by the grab renderer.
#pragma once
#include <cstdint>

struct IGraphBuilder;
struct IBaseFilter;
struct IMediaControl;
struct IMediaSeeking;
struct IMediaEventEx;
struct ICaptureGraphBuilder2;

// The graph's events reach the window that owns it as this message.
constexpr int32_t WM_GRAPHNOTIFY = 0x0400 + 13;  // WM_USER + 13

struct FullScreenGraph {
    IGraphBuilder* pGB1 = nullptr;
    IBaseFilter* pRenderer1 = nullptr;  // the grab renderer
    IMediaControl* pMC1 = nullptr;
    IMediaSeeking* pMS1 = nullptr;
    IMediaEventEx* pME1 = nullptr;

    // Filled by the full-screen camera builds.
    ICaptureGraphBuilder2* pCaptureBuilder1 = nullptr;
    IBaseFilter* pFirstCapture1 = nullptr;
    IBaseFilter* pSecondCapture1 = nullptr;
    IBaseFilter* pMultiplexer1 = nullptr;
};

extern FullScreenGraph g_FullScreenGraph;
