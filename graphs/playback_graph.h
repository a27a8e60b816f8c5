// The main window's playback graph and the full-screen presenters' graph:
// building, fitting the main window to the video, registration for graph
// inspection, and release. All platform work goes through GraphPlatform.
//
// A build that fails reports the failing call with ReportMessage and
// returns its code at once; what it obtained stays in the record, and the
// release (ReleasePlaybackGraph, or the presenter's own release) frees it.
#pragma once
#include <cstdint>
#include <string>

#include "graphs/graph_platform.h"
#include "presentation/fullscreen_graph.h"

constexpr int32_t TOOLHIGHT = 32;                // toolbar band at the top of the client area
constexpr int32_t kPathChars = 260;              // wide path buffer, terminator included
constexpr int32_t kVideoChildStyle = 0x46000000;  // WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN

// Ids used by the builds.
constexpr int32_t kSeekBarNewMovie = 1200;
constexpr int32_t kSizeItem50 = 3005;
constexpr int32_t kSizeItem75 = 3006;
constexpr int32_t kSizeItem100 = 3007;
constexpr int32_t kSizeItem200 = 3008;
constexpr int32_t kStrRegisterFailed = 2365;
constexpr int32_t kStrVisibilityFailed = 2366;

struct PlaybackGraph {
    IGraphBuilder* pGB = nullptr;
    IBaseFilter* pRenderer = nullptr;  // the stereo effect filter
    IMediaControl* pMC = nullptr;
    IMediaEventEx* pME = nullptr;
    IMediaSeeking* pMS = nullptr;
    IMediaPosition* pMP = nullptr;
    IVideoWindow* pVW = nullptr;
    IBasicVideo* pBV = nullptr;
    IBasicAudio* pBA = nullptr;
    IVideoFrameStep* pFS = nullptr;  // only while the graph can step single frames
    uint32_t dwGraphRegister = 0;    // running object table; 0 when not registered

    // Filled by the camera and recording builds.
    ICaptureGraphBuilder2* pCaptureBuilder = nullptr;
    IBaseFilter* pFirstCapture = nullptr;
    IBaseFilter* pSecondCapture = nullptr;
    IBaseFilter* pCompressor = nullptr;
    IBaseFilter* pTee = nullptr;
    IBaseFilter* pMultiplexer = nullptr;
    IFileSinkFilter* pFileSink = nullptr;
    IConfigAviMux* pAviConfig = nullptr;
    IBaseFilter* pAviMux = nullptr;
};

extern PlaybackGraph g_PlaybackGraph;

// Builds, starts and shows the main window's graph on `path` (system code
// page). A record that still holds a graph is released first.
HRESULT BuildPlaybackGraph(GraphPlatform& platform, PlaybackGraph& graph, const char* path);
// Its two halves. Assemble: the graph on `path` with our filter, its
// interfaces and events, nothing shown. Show: the video in the main window
// at its first size, the menu, title, durations and seek bar, then the
// registration and Run.
HRESULT AssemblePlaybackGraph(GraphPlatform& platform, PlaybackGraph& graph, const char* path);
HRESULT ShowPlaybackGraph(GraphPlatform& platform, PlaybackGraph& graph);

// Crops the renderer's source rectangle for the display mode and layout and
// sizes the main window to the picture at the ratio mx/dx by my/dy.
HRESULT InitVideoWindow(GraphPlatform& platform, const PlaybackGraph& graph, int32_t mx, int32_t dx, int32_t my,
                        int32_t dy);

// Detaches the video window and events, unregisters the graph and releases
// every reference, last the graph itself; absent references are skipped.
void ReleasePlaybackGraph(GraphPlatform& platform, PlaybackGraph& graph);

// Builds and runs the graph of a full-screen presenter window on `path`;
// for a camera source the camera build takes over.
HRESULT BuildFullScreenGraph(GraphPlatform& platform, FullScreenGraph& graph, WindowHandle window,
                             const char* path);

HRESULT RegisterGraph(GraphPlatform& platform, IGraphBuilder* graph, uint32_t* registration);
void UnregisterGraph(GraphPlatform& platform, uint32_t registration);

// Sets g_bAudioOnly: audio only without a video window or basic video, or
// when the video window says it has no such interface.
void CheckVisibility(GraphPlatform& platform, const PlaybackGraph& graph);

// "FilterGraph %08x pid %08x": the item name a graph is registered under.
std::wstring GraphItemName(const void* graph, uint32_t processId);

// Formats a message from the string table that takes one result code. Only
// integer conversions (%x, %08lx, %d, ...) and %% are expanded; anything
// else stays as written, so a stray conversion in a resource text is harmless.
std::string FormatCodeMessage(const std::string& format, HRESULT hr);
