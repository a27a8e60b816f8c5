#include "core/app_state.h"

WindowHandle ghApp = nullptr;
WindowHandle g_hToolbar = nullptr;
WindowHandle g_hSeekBar = nullptr;
WindowHandle g_hSeekTip = nullptr;
char g_szModulePath[260] = {};
char g_szHelpFile[260] = {};
int32_t g_nScreenWidth = 640;
int32_t g_nScreenHeight = 480;

SourceKind g_nSourceKind = SourceKind::MovieFile;
char g_szCurrentFile[kPathBytes] = {};
int32_t g_lVolume = 0;
int32_t g_bAtEnd = 0;
std::atomic<PlayState> g_nPlayState{PlayState::Stopped};
std::atomic<int32_t> g_nFrameStepMarker{0};
int32_t g_nPositionMs = 0;
int32_t g_nDurationMs = 0;
int32_t g_nFrameMs = 0;
double g_dRate = 0.0;
int32_t g_bAudioOnly = 0;
std::atomic<int32_t> g_nVideoSubtype{0};
int32_t g_bTimerOn = 0;
PlayState g_nSavedState = PlayState::Stopped;
int64_t g_llSavedPosition = 0;

std::atomic<int32_t> g_nDisplayMode{0};
std::atomic<int32_t> g_nInputLayout{0};
std::atomic<int32_t> g_bSwap{0};
std::atomic<int32_t> g_bRgbMode{0};
int32_t g_nLayoutPctX = 0;
int32_t g_nLayoutPctY = 0;
int32_t g_bAspect43 = 0;
int32_t g_nZoomStep = 0;
int32_t g_nZoomItem = 0;
int32_t g_nCustomPctX = 100;
int32_t g_nCustomPctY = 100;
int32_t g_nDualMonitor = 0;
int32_t g_bDsFullScreen = 0;
std::atomic<int32_t> g_bOwnFullScreen{0};
WindowHandle g_hFullScreenWnd = nullptr;
int32_t g_bNoResume = 0;
int32_t g_nPresenterMode = 0;
std::atomic<int32_t> g_nShutterDriver{1};

std::atomic<int32_t> g_bRecheckOutputFormat{0};
