// The decisions of playback control that need no window or graph: which
// graph call a play-state command makes, what an end-of-movie event does,
// where a frame step lands when the platform cannot step by itself, the
// refusal of play lists, and the mute toggle.
#pragma once
#include <cstdint>

#include "graphs/graph_platform.h"
#include "core/app_state.h"

// The graph call behind a play-state command.
enum class PlayCall {
    None,
    Pause,
    Run,
    RewindThenRun,  // back to the start (when the state allows it), then run
};

// Left click: pause while running (or before anything is open), else run.
PlayCall TogglePlayCall(PlayState state);
// Right click: pause while running, else rewind and run.
PlayCall ClickRestartCall(PlayState state);
// Stop command: pause only while running.
PlayCall PauseClipCall(PlayState state);
// Play command: run only when stopped or paused.
PlayCall PlayClipCall(PlayState state);

// The state a successful call leaves; a failed call keeps `state`.
PlayState StateAfterCall(PlayCall call, PlayState state, bool succeeded);

// Rate commands: the new rate is the current one plus the step. A rate of 0
// or below is never asked for: no platform plays at it, and some accept it
// without a word and then stall.
bool NextRate(double currentRate, double delta, double* rate);
inline bool IsPlayableRate(double rate) { return rate > 0.0; }

// A rewind acts only on a movie file that can seek and is paused or running.
bool RewindApplies(SourceKind kind, bool canSeek, PlayState state);

// Stepping and seeking pause first unless already paused.
inline bool PausesFirst(PlayState state) { return state != PlayState::Paused; }

// Play lists are refused: a lower-cased copy of the path contains ".asx".
// Only ASCII letters are folded, so the second byte of a two-byte
// character is never changed into something it is not.
bool IsRefusedPlayList(const char* path);

// 100-nanosecond units per millisecond (the media-seeking time unit).
constexpr int64_t kUnitsPerMs = 10000;

// Where a frame step lands when the platform cannot step frames: `frames`
// frame times (of `frameMs`) after `current`, but not past the start of the
// last frame (`duration` - one frame time) and never backwards. Times in
// 100-nanosecond units; a duration of 0 or less means unknown (no limit).
int64_t FallbackStepTarget(int64_t current, int32_t frames, int32_t frameMs, int64_t duration);

// A seek to `positionMs` of a movie `durationMs` long can succeed only
// inside the movie; beyond its end (page right near the end) it fails.
bool SeekTargetInsideMovie(int32_t positionMs, int32_t durationMs);

// What the graph's events ask for; only a movie file reacts, and only to
// "complete" (code 1).
enum class EndAction {
    None,
    Repeat,      // back to the start and go on playing
    PauseAtEnd,  // pause on the last frame, g_bAtEnd = 1
};
constexpr long kEventComplete = 1;  // EC_COMPLETE
EndAction ActionForGraphEvent(long code, SourceKind kind, bool repeat);

// The mute toggle after reading the volume with result `readResult`.
enum class MuteStep {
    NoAudio,     // the read is not implemented: nothing happens, no message
    ReadFailed,  // any other failure: message 2371 with the code
    Write,       // write `*newVolume`
};
MuteStep MuteStepFor(HRESULT readResult, int32_t volumeRead, int32_t* newVolume);
