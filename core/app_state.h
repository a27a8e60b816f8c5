// The shell's process-wide run-time state. Everything is zeroed at start;
// start-up and the main window's creation set the first real values.
//
// The user-interface thread reads and writes all of it. The values that the
// platform's streaming threads also read (the stereo codes for the effect
// filter, the frame-step play state and the full-screen flag for the grab
// renderer) are 32-bit atomics, so a frame never sees a torn value and the
// user-interface thread can change them at any moment without a lock.
#pragma once
#include <atomic>
#include <cstdint>

// The real HWND on Windows (STRICT handles are pointers to this struct); an
// opaque pointer everywhere else.
struct HWND__;
using WindowHandle = HWND__*;

enum class PlayState : int32_t {
    Stopped = 0,
    Paused = 1,
    Running = 2,
    Init = 3,  // no media loaded
};

enum class SourceKind : int32_t {
    MovieFile = 0,
    CameraPair = 1,
    LeftCamera = 2,
    RightCamera = 3,
    CameraRecording = 10,
};

// Windows
extern WindowHandle ghApp;
extern WindowHandle g_hToolbar;
extern WindowHandle g_hSeekBar;
extern WindowHandle g_hSeekTip;  // the seek bar's tooltip window
extern char g_szModulePath[260];  // the program file
extern char g_szHelpFile[260];    // "<program folder>\duoscp.chm"
// The primary screen: 640 x 480 until the main window exists.
extern int32_t g_nScreenWidth;
extern int32_t g_nScreenHeight;

// Media and playback
extern SourceKind g_nSourceKind;
// Narrow path buffers (system code page), terminator included.
constexpr int32_t kPathBytes = 260;
extern char g_szCurrentFile[kPathBytes];  // movie path or URL; empty: none
extern int32_t g_lVolume;                 // 0 full, -10000 silence
extern int32_t g_bAtEnd;                  // reached the end without repeat: Play rewinds first
extern std::atomic<PlayState> g_nPlayState;  // the grab renderer's frame step reads it
// 123 while a full-screen frame step is pending, else 0.
constexpr int32_t kFrameStepPending = 123;
extern std::atomic<int32_t> g_nFrameStepMarker;
extern int32_t g_nPositionMs;
extern int32_t g_nDurationMs;
extern int32_t g_nFrameMs;
extern double g_dRate;
extern int32_t g_bAudioOnly;
extern std::atomic<int32_t> g_nVideoSubtype;  // PixelFormatCode, written by the filters
extern int32_t g_bTimerOn;  // timer 1 (position poll, 100 ms) runs
// Play state and position kept across a full-screen presenter.
extern PlayState g_nSavedState;
extern int64_t g_llSavedPosition;

// View
extern std::atomic<int32_t> g_nDisplayMode;  // StereoDisplayMode
extern std::atomic<int32_t> g_nInputLayout;  // StereoInputLayout
extern std::atomic<int32_t> g_bSwap;
extern std::atomic<int32_t> g_bRgbMode;
extern int32_t g_nLayoutPctX;
extern int32_t g_nLayoutPctY;
extern int32_t g_bAspect43;
extern int32_t g_nZoomStep;  // twelfths of the natural size
extern int32_t g_nZoomItem;  // 1 50 %, 2 75 %, 3 100 %, 4 200 %, 5 custom or free
extern int32_t g_nCustomPctX;  // custom size in percent of the natural size
extern int32_t g_nCustomPctY;
extern int32_t g_nDualMonitor;  // 0 single screen, 1 dual left-based, 2 dual right-based
extern int32_t g_bDsFullScreen;
extern std::atomic<int32_t> g_bOwnFullScreen;  // the grab renderer reads it
extern WindowHandle g_hFullScreenWnd;  // the program's full-screen window that shows
// A command asked the full-screen window to close for good: the movie is
// not reopened in the main window afterwards.
extern int32_t g_bNoResume;
// The display mode handed to a full-screen presenter and read back from it.
extern int32_t g_nPresenterMode;
// The shutter-glasses driver ("nVidia" setting): 0 WinX3D, 1 nVidia, 2 OpenGL.
extern std::atomic<int32_t> g_nShutterDriver;

// Set by a graph build, cleared by the effect filter's next frame: the
// renderer may have attached a different output format.
extern std::atomic<int32_t> g_bRecheckOutputFormat;

static_assert(std::atomic<int32_t>::is_always_lock_free, "the shared codes must be plain 32-bit values");
static_assert(std::atomic<PlayState>::is_always_lock_free, "the play state must be a plain 32-bit value");
