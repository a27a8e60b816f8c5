#include "shell/seek_bar.h"

#include <algorithm>
#include <limits>

#include "core/app_state.h"

int32_t g_nSeekMin = 0;
int32_t g_nSeekMax = 100;
int32_t g_nSeekPos = 0;
int32_t g_nSeekScale = 1;

namespace {

// Durations near the 32-bit limit must not wrap when a step is added.
int32_t Saturate(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

int32_t PositiveFrame(int32_t frameMs) { return frameMs > 0 ? frameMs : 1; }

SeekBarState CurrentState() {
    SeekBarState s;
    s.min = g_nSeekMin;
    s.max = g_nSeekMax;
    s.pos = g_nSeekPos;
    s.scale = g_nSeekScale;
    return s;
}

void Store(const SeekBarState& s) {
    g_nSeekMin = s.min;
    g_nSeekMax = s.max;
    g_nSeekPos = s.pos;
    g_nSeekScale = s.scale;
}

}  // namespace

int32_t SeekScale(int32_t maxMs, int32_t frameMs) {
    const int64_t units = maxMs / PositiveFrame(frameMs);
    int64_t scale = 1;
    if (units > kSeekUnitsLimit) scale = 10;
    while (units / scale > kSeekUnitsLimit) scale *= 10;
    return static_cast<int32_t>(scale);
}

int32_t SeekUnit(int32_t scale, int32_t frameMs) {
    const int64_t unit = int64_t{scale} * frameMs;
    return unit > 0 ? Saturate(unit) : 1;
}

ScrollView SeekScrollView(const SeekBarState& s, int32_t frameMs) {
    const int32_t unit = SeekUnit(s.scale, frameMs);
    ScrollView v;
    v.low = s.min / unit;
    v.high = s.max / unit;
    v.thumb = s.pos / unit;
    return v;
}

SeekBarState SeekBarForMovie(int32_t durationMs, int32_t frameMs, int32_t* positionMs) {
    SeekBarState s;
    s.min = 0;
    s.max = Saturate(int64_t{durationMs} - 1);
    s.scale = SeekScale(s.max, frameMs);
    if (*positionMs > s.max) *positionMs = s.max;
    s.pos = *positionMs;
    return s;
}

bool ScrollSeekPosition(const SeekBarState& s, int32_t frameMs, int32_t code, uint16_t thumb, int32_t* newPos) {
    const int64_t page = (int64_t{s.max} - s.min) / 10;
    int64_t pos = s.pos;
    switch (code) {
    case kScrollLineLeft:
        pos = std::max<int64_t>(pos - frameMs, s.min);
        break;
    case kScrollLineRight:
        pos = std::min<int64_t>(pos + frameMs, s.max);
        break;
    case kScrollPageLeft:
        pos -= page;
        break;
    case kScrollPageRight:
        pos += page;
        break;
    case kScrollThumbPosition:
    case kScrollThumbTrack:
        pos = int64_t{thumb} * s.scale * frameMs;
        break;
    case kScrollLeft:
        pos = s.min;
        break;
    case kScrollRight:
        pos = s.max;
        break;
    default:
        return false;
    }
    *newPos = Saturate(pos);
    return true;
}

ScrollView SeekBarInit() {
    g_nFrameMs = 1;
    Store(SeekBarState{});
    return SeekScrollView(CurrentState(), g_nFrameMs);
}

ScrollView SeekBarNewMovie() {
    Store(SeekBarForMovie(g_nDurationMs, g_nFrameMs, &g_nPositionMs));
    return SeekScrollView(CurrentState(), g_nFrameMs);
}

ScrollView SeekBarTimer() {
    g_nSeekPos = g_nPositionMs;
    return SeekScrollView(CurrentState(), g_nFrameMs);
}

bool SeekBarScroll(int32_t code, uint16_t thumb, ScrollView* view) {
    int32_t pos = 0;
    if (!ScrollSeekPosition(CurrentState(), g_nFrameMs, code, thumb, &pos)) return false;
    g_nSeekPos = pos;
    g_nPositionMs = pos;
    if (view) *view = SeekScrollView(CurrentState(), g_nFrameMs);
    return true;
}

void GoToEnd() {
    g_bAtEnd = 1;
    g_nPositionMs = Saturate(int64_t{g_nDurationMs} - 1);
}

bool RateForCommand(int command, double currentRate, double* rate) {
    switch (command) {
    case 3017: *rate = currentRate + kRateStep; return true;
    case 3018: *rate = currentRate - kRateStep; return true;
    case 3019: *rate = 1.0; return true;
    case 3020: *rate = 2.0; return true;
    case 3021: *rate = 0.5; return true;
    default: return false;
    }
}
