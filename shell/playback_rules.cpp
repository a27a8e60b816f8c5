#include "shell/playback_rules.h"

#include <cstring>

#include "shell/main_title.h"

PlayCall TogglePlayCall(PlayState state) {
    switch (state) {
    case PlayState::Running:
    case PlayState::Init: return PlayCall::Pause;
    case PlayState::Stopped:
    case PlayState::Paused: return PlayCall::Run;
    }
    return PlayCall::None;
}

PlayCall ClickRestartCall(PlayState state) {
    return state == PlayState::Running ? PlayCall::Pause : PlayCall::RewindThenRun;
}

PlayCall PauseClipCall(PlayState state) { return state == PlayState::Running ? PlayCall::Pause : PlayCall::None; }

PlayCall PlayClipCall(PlayState state) {
    return state == PlayState::Stopped || state == PlayState::Paused ? PlayCall::Run : PlayCall::None;
}

PlayState StateAfterCall(PlayCall call, PlayState state, bool succeeded) {
    if (!succeeded) return state;
    switch (call) {
    case PlayCall::Pause: return PlayState::Paused;
    case PlayCall::Run:
    case PlayCall::RewindThenRun: return PlayState::Running;
    case PlayCall::None: break;
    }
    return state;
}

bool NextRate(double currentRate, double delta, double* rate) {
    if (delta == 0.0) return false;
    *rate = currentRate + delta;
    return IsPlayableRate(*rate);
}

bool RewindApplies(SourceKind kind, bool canSeek, PlayState state) {
    return kind == SourceKind::MovieFile && canSeek && (state == PlayState::Paused || state == PlayState::Running);
}

bool IsRefusedPlayList(const char* path) {
    if (!path) return false;
    static const char kPlayList[] = ".asx";
    const size_t n = std::strlen(kPlayList);
    for (const char* p = path; *p != '\0'; ++p) {
        size_t i = 0;
        while (i < n && p[i] != '\0') {
            char c = p[i];
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            if (c != kPlayList[i]) break;
            ++i;
        }
        if (i == n) return true;
    }
    return false;
}

int64_t FallbackStepTarget(int64_t current, int32_t frames, int32_t frameMs, int64_t duration) {
    if (frames < 1) frames = 1;
    if (frameMs < 1) frameMs = 1;
    const int64_t frame = int64_t{frameMs} * kUnitsPerMs;
    int64_t target = current + int64_t{frames} * frame;
    if (duration > 0) {
        int64_t last = duration - frame;
        if (last < 0) last = 0;
        if (target > last) target = last;
    }
    return target < current ? current : target;
}

bool SeekTargetInsideMovie(int32_t positionMs, int32_t durationMs) {
    return positionMs >= 0 && positionMs < durationMs;
}

EndAction ActionForGraphEvent(long code, SourceKind kind, bool repeat) {
    if (kind != SourceKind::MovieFile || code != kEventComplete) return EndAction::None;
    return repeat ? EndAction::Repeat : EndAction::PauseAtEnd;
}

MuteStep MuteStepFor(HRESULT readResult, int32_t volumeRead, int32_t* newVolume) {
    if (readResult == E_NOTIMPL) return MuteStep::NoAudio;
    if (FAILED(readResult)) return MuteStep::ReadFailed;
    *newVolume = volumeRead == 0 ? kSilentVolume : 0;
    return MuteStep::Write;
}
