// Playback control of the main window's movie: open and close, play state,
// rate, mute, stepping and seeking, graph events, the position timer, the
// title and the state of the playback menu items, and the open dialog.
#define STRSAFE_NO_DEPRECATE
#include "shell/player_win32.h"

#include <commdlg.h>
#include <dshow.h>

#include <cstring>
#include <string>

#include "composition/stereo_formats.h"
#include "graphs/playback_graph.h"
#include "shell/graph_platform_win32.h"
#include "resources/resource.h"
#include "shell/dialogs/dialogs_win32.h"
#include "shell/main_title.h"
#include "shell/playback_rules.h"
#include "shell/settings.h"
#include "presentation/zoom.h"

// Not yet in resource.h: the open dialog's answer for a path longer than
// the path buffer.

namespace {

// The open dialog starts with the last path opened.
char g_szLastOpened[kPathBytes] = "";

// Double-zero terminated, as the dialog reads it.
constexpr char kOpenFilter[] =
    "Video Files (*.avi; *.qt; *.mov; *.mpg; *.mpeg; *.m1v; *.wmv)\0"
    "*.avi; *.qt; *.mov; *.mpg; *.mpeg; *.m1v; *.wmv\0"
    "Audio files (*.wav; *.mpa; *.mp2; *.mp3; *.au; *.aif; *.aiff; *.snd)\0"
    "*.wav; *.mpa; *.mp2; *.mp3; *.au; *.aif; *.aiff; *.snd\0"
    "MIDI Files (*.mid; *.midi; *.rmi)\0"
    "*.mid; *.midi; *.rmi\0"
    "All Files (*.*)\0"
    "*.*;\0";

constexpr int kPlaybackItems[] = {IDM_PLAY,        IDM_STOP,       IDM_MUTE,       IDM_FRAME_STEP, IDM_SIZE_50,
                                  IDM_SIZE_200,    IDM_SIZE_100,   IDM_SIZE_75,    IDM_OWN_FULLSCREEN,
                                  IDM_RATE_UP,     IDM_RATE_DOWN,  IDM_RATE_NORMAL, IDM_RATE_HALF,
                                  IDM_RATE_DOUBLE};
constexpr int kSizeItems[] = {IDM_SIZE_50, IDM_SIZE_200, IDM_SIZE_100, IDM_SIZE_75};

PlaybackGraph& Graph() { return g_PlaybackGraph; }

bool IsMovieFile() { return g_nSourceKind == SourceKind::MovieFile; }

// One group of check marks: `id` gets the mark, the other items lose it.
void CheckOneOf(const int* items, size_t count, int id) {
    if (!g_hMenu) return;
    for (size_t i = 0; i < count; ++i)
        CheckMenuItem(g_hMenu, static_cast<UINT>(items[i]),
                      MF_BYCOMMAND | (items[i] == id ? MF_CHECKED : MF_UNCHECKED));
}

void CheckRange(int first, int last, int id) {
    if (!g_hMenu) return;
    for (int item = first; item <= last; ++item)
        CheckMenuItem(g_hMenu, static_cast<UINT>(item), MF_BYCOMMAND | (item == id ? MF_CHECKED : MF_UNCHECKED));
}

// Makes the call a play-state command asked for; false when the graph refused.
bool MakePlayCall(PlayCall call) {
    IMediaControl* control = Graph().pMC;
    switch (call) {
    case PlayCall::None: return true;
    case PlayCall::Pause: return SUCCEEDED(control->Pause());
    case PlayCall::RewindThenRun: RewindClip(); return SUCCEEDED(control->Run());
    case PlayCall::Run: return SUCCEEDED(control->Run());
    }
    return false;
}

void RunPlayCall(PlayCall call) {
    if (!Graph().pMC) return;
    const bool succeeded = MakePlayCall(call);
    // Read after the call: a rewind on the way has already stopped the graph.
    g_nPlayState = StateAfterCall(call, g_nPlayState, succeeded);
    UpdateMainTitle();
}

HRESULT SetAbsolutePosition(IMediaSeeking* seeking, LONGLONG position) {
    return seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
}

// Without the platform's frame stepping a step pauses and seeks forward by
// whole frame times.
void StepBySeeking(int frames) {
    IMediaSeeking* seeking = Graph().pMS;
    if (!seeking || !IsMovieFile()) return;
    // As with the platform's stepping, a stopped movie is started first; a
    // step always ends paused on its frame.
    if (PausesFirst(g_nPlayState)) TogglePlay();
    if (g_nPlayState == PlayState::Running) PauseClip();
    if (g_nPlayState != PlayState::Paused) return;
    LONGLONG current = 0, duration = 0;
    if (FAILED(seeking->GetCurrentPosition(&current))) return;
    if (FAILED(seeking->GetDuration(&duration))) duration = 0;
    SetAbsolutePosition(seeking, FallbackStepTarget(current, frames, g_nFrameMs, duration));
}

void AddCurrentToHistory() {
    AddToHistory(UserSettingsStore(), g_szCurrentFile, g_nDisplayMode, g_nInputLayout, g_bRgbMode, 0);
}

}  // namespace

bool OpenClip() {
    switch (g_nSourceKind) {
    case SourceKind::CameraPair:
    case SourceKind::LeftCamera:
    case SourceKind::RightCamera:
        // The camera graphs come with the web-camera feature.
        return false;
    default: break;
    }

    char path[kPathBytes];
    if (g_szCurrentFile[0] != '\0') {
        std::memcpy(path, g_szCurrentFile, sizeof path);
        path[kPathBytes - 1] = '\0';
    } else {
        UpdateMainTitle();
        InitPlayerWindow();
        ShowWindow(ghApp, SW_SHOWNORMAL);
        SetForegroundWindow(ghApp);
        g_llSavedPosition = 0;
        if (!ShowOpenDialog(path)) return false;
    }

    CheckDisplayItem(IDM_DISPLAY_FIRST + g_nDisplayMode);
    ApplyLayoutPercentages();
    CheckInputItem(IDM_LAYOUT_FIRST + g_nInputLayout);

    RememberOpenFolder(path);
    std::memcpy(g_szLastOpened, path, sizeof g_szLastOpened);
    std::memcpy(g_szCurrentFile, path, sizeof path);

    if (IsRefusedPlayList(path)) {
        ReportMessage(LoadResString(IDS_CANNOT_OPEN_FILE), LoadResString(IDS_ASX_NOT_SUPPORTED));
        return false;
    }

    if (g_nDisplayMode == CodeOf(StereoDisplayMode::ShutterGlasses)) {
        if (!ShutterDriverReady()) return false;
        g_nSavedState = g_Settings.nAutostart ? PlayState::Running : PlayState::Paused;
        // The window the setting chooses, when this build has it; the file
        // goes into the history either way, as after a shutter-glasses session.
        g_nPresenterMode = CodeOf(StereoDisplayMode::ShutterGlasses);
        RunPresenter(ShutterPresenterFor(ShutterDriverSetting()), path);
        AddCurrentToHistory();
        // The window's graph shared the play state: nothing is open here.
        CloseClip();
        return false;  // the movie was shown (or not) outside the main window
    }

    if (g_nDisplayMode == CodeOf(StereoDisplayMode::Sharp3dLcd)) {
        g_nPresenterMode = CodeOf(StereoDisplayMode::Sharp3dLcd);
        RunPresenter(PresenterId::Gdi, path);
        AddCurrentToHistory();
        CloseClip();
        return false;
    }

    g_nPlayState = PlayState::Stopped;
    g_lVolume = 0;
    g_nVideoSubtype = 0;
    if (FAILED(BuildPlaybackGraph(Win32GraphPlatform(), Graph(), path))) {
        CloseClip();
        return false;
    }
    return true;
}

void CloseClip() {
    if (Graph().pMC && IsMovieFile()) Graph().pMC->Stop();
    g_nPlayState = PlayState::Stopped;
    g_bAudioOnly = 1;
    g_bDsFullScreen = 0;
    ReleasePlaybackGraph(Win32GraphPlatform(), Graph());
    g_szCurrentFile[0] = '\0';
    g_nPlayState = PlayState::Init;
    if (ghApp) InvalidateRect(ghApp, nullptr, TRUE);
    UpdateMainTitle();
    InitPlayerWindow();
}

void TogglePlay() { RunPlayCall(TogglePlayCall(g_nPlayState)); }
void ClickRestart() { RunPlayCall(ClickRestartCall(g_nPlayState)); }
void PauseClip() { RunPlayCall(PauseClipCall(g_nPlayState)); }
void PlayClip() { RunPlayCall(PlayClipCall(g_nPlayState)); }

void RewindClip() {
    PlaybackGraph& g = Graph();
    if (!g.pMC || !RewindApplies(g_nSourceKind, g.pMS != nullptr, g_nPlayState)) return;
    g.pMC->Stop();
    g_nPlayState = PlayState::Stopped;
    SetAbsolutePosition(g.pMS, 0);
    // Paused, the first frame shows; the state stays Stopped.
    g.pMC->Pause();
    UpdateMainTitle();
}

void SaveClipPosition() {
    if (!Graph().pMS) return;
    LONGLONG position = 0;
    if (SUCCEEDED(Graph().pMS->GetCurrentPosition(&position))) g_llSavedPosition = position;
}

void RestoreClipPosition() {
    if (Graph().pMS) SetAbsolutePosition(Graph().pMS, g_llSavedPosition);
}

void ToggleMute() {
    PlaybackGraph& g = Graph();
    if (!g.pGB || !g.pBA) return;
    long volume = 0;
    HRESULT hr = g.pBA->get_Volume(&volume);
    int32_t newVolume = 0;
    switch (MuteStepFor(hr, static_cast<int32_t>(volume), &newVolume)) {
    case MuteStep::NoAudio: return;
    case MuteStep::ReadFailed:
        ReportMessage("%s", FormatCodeMessage(LoadResString(IDS_VOLUME_READ_FAILED), hr).c_str());
        return;
    case MuteStep::Write: break;
    }
    g_lVolume = static_cast<int32_t>(volume);
    hr = g.pBA->put_Volume(newVolume);
    if (FAILED(hr)) {
        ReportMessage("FAILED(hr=0x%x) in pBA->put_Volume(g_lVolume)\n", static_cast<unsigned>(hr));
        return;
    }
    g_lVolume = newVolume;
    UpdateMainTitle();
}

void ChangeRate(double delta) {
    IMediaPosition* position = Graph().pMP;
    if (!position) return;
    // From the rate we set last: the platform's own answer is not reliable
    // everywhere (some always report 1.0).
    double rate = 0.0;
    if (!NextRate(g_dRate, delta, &rate)) return;
    if (SUCCEEDED(position->put_Rate(rate))) {
        g_dRate = rate;
        UpdateMainTitle();
    }
}

void SetRate(double rate) {
    IMediaPosition* position = Graph().pMP;
    if (!position || !IsPlayableRate(rate)) return;
    if (SUCCEEDED(position->put_Rate(rate))) {
        g_dRate = rate;
        UpdateMainTitle();
    }
}

void StepFrames(int frames) {
    PlaybackGraph& g = Graph();
    if (!g.pMC || frames < 1) return;
    if (!g.pFS) {
        StepBySeeking(frames);
        return;
    }
    if (frames > 1 && g.pFS->CanStep(frames, nullptr) != S_OK) return;
    if (PausesFirst(g_nPlayState)) TogglePlay();
    g.pFS->Step(static_cast<DWORD>(frames), nullptr);
}

void SeekToPosition() {
    PlaybackGraph& g = Graph();
    // Seeking works through media position whether or not the platform can
    // step frames, so every display mode can seek.
    if (!g.pMC || !g.pMS || !IsMovieFile()) return;
    if (PausesFirst(g_nPlayState)) TogglePlay();
    const bool inside = SeekTargetInsideMovie(g_nPositionMs, g_nDurationMs);
    // In 100-ns units, exact: a position in seconds would be turned into
    // units by the platform's floating point, which truncates 0.999 s to
    // 9989999 units at the x87's extended precision.
    LONGLONG target = LONGLONG{g_nPositionMs} * 10000;
    if (!inside || FAILED(g.pMS->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr,
                                              AM_SEEKING_NoPositioning)))
        SetWindowTextA(ghApp, LoadResString(IDS_ERROR));
}

void HandleGraphEvent() {
    PlaybackGraph& g = Graph();
    if (!g.pME || !IsMovieFile()) return;
    long code = 0;
    LONG_PTR param1 = 0, param2 = 0;
    while (g.pME && SUCCEEDED(g.pME->GetEvent(&code, &param1, &param2, 0))) {
        g.pME->FreeEventParams(code, param1, param2);
        switch (ActionForGraphEvent(code, g_nSourceKind, g_Settings.nRepeat != 0)) {
        case EndAction::None: break;
        case EndAction::Repeat:
            if (!g.pMS || FAILED(SetAbsolutePosition(g.pMS, 0))) {
                HRESULT hr = g.pMC->Stop();
                if (FAILED(hr)) {
                    ReportMessage("Failed(0x%08lx) to stop media clip!\r\n", static_cast<unsigned long>(hr));
                    return;
                }
                hr = g.pMC->Run();
                if (FAILED(hr))
                    ReportMessage("Failed(0x%08lx) to reset media clip!\r\n", static_cast<unsigned long>(hr));
            }
            break;
        case EndAction::PauseAtEnd:
            PauseClip();
            g_bAtEnd = 1;
            break;
        }
    }
}

void PollPosition() {
    IMediaSeeking* seeking = Graph().pMS;
    if (!seeking) return;
    LONGLONG units = 0;  // 100 ns, read exactly
    if (FAILED(seeking->GetCurrentPosition(&units))) return;
    g_nPositionMs = static_cast<int32_t>(units / 10000);
    if (g_hSeekBar) SendMessageA(g_hSeekBar, WM_COMMAND, MAKEWPARAM(IDM_SEEKBAR_TIMER, 0), 0);
}

void StartPositionTimer() {
    StopPositionTimer();
    SetTimer(ghApp, kPositionTimer, kPositionTimerMs, nullptr);
    g_bTimerOn = 1;
}

void StopPositionTimer() {
    if (g_bTimerOn) KillTimer(ghApp, kPositionTimer);
    g_bTimerOn = 0;
}

void UpdateMainTitle() {
    if (ghApp) SetWindowTextA(ghApp, MainTitleText().c_str());
}

void InitPlayerWindow() {
    CheckSizeItem(IDM_SIZE_100);
    g_nZoomItem = kZoomItem100;
    EnablePlaybackMenu(false);
}

void EnablePlaybackMenu(bool enable) {
    if (!g_hMenu) return;
    for (int id : kPlaybackItems)
        EnableMenuItem(g_hMenu, static_cast<UINT>(id), MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
}

void CheckDisplayItem(int id) { CheckRange(IDM_DISPLAY_FIRST, IDM_DISPLAY_LAST, id); }
void CheckInputItem(int id) { CheckRange(IDM_LAYOUT_FIRST, IDM_LAYOUT_LAST, id); }
void CheckSizeItem(int id) { CheckOneOf(kSizeItems, sizeof kSizeItems / sizeof kSizeItems[0], id); }

bool ShowOpenDialog(char* path) {
    char file[kPathBytes];
    std::memcpy(file, g_szLastOpened, sizeof file);
    file[kPathBytes - 1] = '\0';
    const std::string folder = g_Settings.szOpenFolder;
    // The title is copied: the string buffers are reused by later loads.
    const std::string title = LoadResString(IDS_OPEN_DIALOG_TITLE);

    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = ghApp;
    ofn.hInstance = ResourceInstance();
    ofn.lpstrFilter = kOpenFilter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = kPathBytes;
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.lpstrTitle = title.c_str();
    ofn.lpstrDefExt = "*";
    ofn.Flags = OFN_EXPLORER | OFN_ENABLETEMPLATE | OFN_ENABLEHOOK | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST |
                OFN_HIDEREADONLY;
    ofn.lpTemplateName = "FOPEN";
    ofn.lpfnHook = OpenDialogHook;

    if (GetOpenFileNameA(&ofn)) {
        std::memcpy(path, file, sizeof file);
        return true;
    }
    const DWORD error = CommDlgExtendedError();
    if (error == FNERR_BUFFERTOOSMALL) {
        // Never open a cut path: it could name another file.
        ReportMessage(LoadResString(IDS_PATH_TOO_LONG), static_cast<int>(kPathBytes - 1));
    } else if (error != 0) {
        ReportMessage(LoadResString(IDS_OPEN_DIALOG_FAILED), static_cast<unsigned>(error));
    }
    return false;
}

int ShutterDriverSetting() { return g_nShutterDriver.load(); }
