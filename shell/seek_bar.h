// Seek-bar arithmetic: positions in milliseconds, shown on a scroll bar in
// units of g_nSeekScale x g_nFrameMs milliseconds; plus the playback rate
// steps and the go-to-end position.
#pragma once
#include <cstdint>

// Seek-bar state, owned by the seek-bar dialog (milliseconds).
extern int32_t g_nSeekMin;
extern int32_t g_nSeekMax;
extern int32_t g_nSeekPos;
extern int32_t g_nSeekScale;

struct SeekBarState {
    int32_t min = 0;
    int32_t max = 100;
    int32_t pos = 0;
    int32_t scale = 1;
};

// What the scroll bar shows, in units.
struct ScrollView {
    int32_t low = 0;
    int32_t high = 0;
    int32_t thumb = 0;
};

// Scroll codes of the horizontal scroll message; codes above 7 are ignored.
enum SeekScrollCode : int32_t {
    kScrollLineLeft = 0,
    kScrollLineRight = 1,
    kScrollPageLeft = 2,
    kScrollPageRight = 3,
    kScrollThumbPosition = 4,
    kScrollThumbTrack = 5,
    kScrollLeft = 6,
    kScrollRight = 7,
};

// A range of more units than this is shown at a coarser scale.
constexpr int32_t kSeekUnitsLimit = 64000;

// 1, or 10 when maxMs / frameMs exceeds 64000. The thumb reports a 16-bit
// value, so where 10 still leaves more than 64000 units the scale grows by
// further factors of 10 until the range fits.
int32_t SeekScale(int32_t maxMs, int32_t frameMs);

// Milliseconds per scroll unit (at least 1).
int32_t SeekUnit(int32_t scale, int32_t frameMs);

ScrollView SeekScrollView(const SeekBarState& s, int32_t frameMs);

// Command 1200, a new movie: range 0 ... durationMs - 1, the scale for it, and
// the position, cut to the end of the range (also in *positionMs).
SeekBarState SeekBarForMovie(int32_t durationMs, int32_t frameMs, int32_t* positionMs);

// The new position for a scroll code: line steps stop at the ends, page
// steps (a tenth of the range) do not. `thumb` is the 16-bit thumb value of
// the thumb codes. False for codes the seek bar ignores.
bool ScrollSeekPosition(const SeekBarState& s, int32_t frameMs, int32_t code, uint16_t thumb, int32_t* newPos);

// The dialog's own state, over the AppState fields and g_nSeek*. Each returns
// what the scroll bar is to show.
ScrollView SeekBarInit();      // initialisation; also g_nFrameMs = 1
ScrollView SeekBarNewMovie();  // command 1200
ScrollView SeekBarTimer();     // command 1202: g_nSeekPos = g_nPositionMs
// Horizontal scroll: sets g_nSeekPos and g_nPositionMs; false (nothing
// changed) for an ignored code. The caller then sends 1203 to seek.
bool SeekBarScroll(int32_t code, uint16_t thumb, ScrollView* view);

// Go to end (3012): g_bAtEnd = 1, g_nPositionMs = g_nDurationMs - 1. The caller
// then seeks there.
void GoToEnd();

// Rate commands: 3017 +0.25, 3018 -0.25 (from the rate the graph reports),
// 3019 1.0, 3020 2.0, 3021 0.5. False for any other command. The rate asked
// for may be one the graph refuses (0 or below); g_dRate changes only when the
// graph accepts it.
constexpr double kRateStep = 0.25;
bool RateForCommand(int command, double currentRate, double* rate);
