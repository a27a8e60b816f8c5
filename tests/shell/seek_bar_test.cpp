#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

#include "core/app_state.h"
#include "shell/main_title.h"
#include "shell/seek_bar.h"

namespace {

TEST(ShellSeekBar, ScaleAndRangeForAMovie) {
    struct Case {
        const char* what;
        int32_t durationMs;
        int32_t frameMs;
        int32_t scale;
        int32_t high;  // last scroll unit
    };
    const Case cases[] = {
        {"20 min at 25 fps", 20 * 60 * 1000, 40, 1, 29999},
        {"30 min, frame time clamped to 10 ms", 30 * 60 * 1000, 10, 10, 17999},
        {"64000 units", 64000 * 10 + 1, 10, 1, 64000},
        {"64001 units", 64001 * 10 + 1, 10, 10, 6400},
        // 10 still leaves more units than the 16-bit thumb can report.
        {"2 h at 10 ms", 2 * 3600 * 1000, 10, 100, 7199},
        {"unreadable duration", 1000, 10, 1, 99},
        {"before the first movie", 101, 1, 1, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int32_t position = 0;
        const SeekBarState s = SeekBarForMovie(c.durationMs, c.frameMs, &position);
        EXPECT_EQ(s.min, 0);
        EXPECT_EQ(s.max, c.durationMs - 1);
        EXPECT_EQ(s.scale, c.scale);
        const ScrollView v = SeekScrollView(s, c.frameMs);
        EXPECT_EQ(v.low, 0);
        EXPECT_EQ(v.high, c.high);
        EXPECT_LE(v.high, 65535);
    }
}

TEST(ShellSeekBar, NewMovieCutsThePositionToTheEnd) {
    int32_t position = 5000;
    SeekBarState s = SeekBarForMovie(3000, 40, &position);
    EXPECT_EQ(position, 2999);
    EXPECT_EQ(s.pos, 2999);
    EXPECT_EQ(SeekScrollView(s, 40).thumb, 74);

    position = 1200;
    s = SeekBarForMovie(3000, 40, &position);
    EXPECT_EQ(position, 1200);
    EXPECT_EQ(s.pos, 1200);
    EXPECT_EQ(SeekScrollView(s, 40).thumb, 30);
}

TEST(ShellSeekBar, ScrollCodes) {
    // 20 minutes at 25 fps: max 1199999, page 119999, line 40.
    SeekBarState movie;
    movie.max = 1199999;
    movie.scale = 1;
    // 30 minutes at 10 ms: scale 10, one unit is 100 ms.
    SeekBarState coarse;
    coarse.max = 1799999;
    coarse.scale = 10;

    struct Case {
        const char* what;
        SeekBarState state;
        int32_t pos;
        int32_t frameMs;
        int32_t code;
        uint16_t thumb;
        int32_t expected;
    };
    const Case cases[] = {
        {"line left", movie, 1000, 40, kScrollLineLeft, 0, 960},
        {"line left stops at the start", movie, 20, 40, kScrollLineLeft, 0, 0},
        {"line right", movie, 1000, 40, kScrollLineRight, 0, 1040},
        {"line right stops at the end", movie, 1199990, 40, kScrollLineRight, 0, 1199999},
        {"page left is not clamped", movie, 50000, 40, kScrollPageLeft, 0, 50000 - 119999},
        {"page right near the end passes the duration", movie, 1199994, 40, kScrollPageRight, 0, 1319993},
        {"thumb position", movie, 0, 40, kScrollThumbPosition, 29999, 1199960},
        {"thumb track", movie, 0, 40, kScrollThumbTrack, 12, 480},
        {"thumb at scale 10", coarse, 0, 10, kScrollThumbTrack, 17999, 1799900},
        {"top", movie, 5000, 40, kScrollLeft, 0, 0},
        {"bottom", movie, 5000, 40, kScrollRight, 0, 1199999},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SeekBarState s = c.state;
        s.pos = c.pos;
        int32_t pos = -12345;
        ASSERT_TRUE(ScrollSeekPosition(s, c.frameMs, c.code, c.thumb, &pos));
        EXPECT_EQ(pos, c.expected);
    }

    // The page is a tenth of the range, truncated towards zero.
    SeekBarState small;
    small.max = 99;
    small.pos = 50;
    int32_t pos = 0;
    ASSERT_TRUE(ScrollSeekPosition(small, 1, kScrollPageRight, 0, &pos));
    EXPECT_EQ(pos, 59);

    // End of scroll (8) and anything above it are ignored.
    for (int32_t code : {8, 9, 100, -1}) {
        pos = 777;
        EXPECT_FALSE(ScrollSeekPosition(movie, 40, code, 0, &pos)) << code;
        EXPECT_EQ(pos, 777);
    }
}

TEST(ShellSeekBar, NoWrapAtThe32BitLimit) {
    SeekBarState huge;
    huge.max = std::numeric_limits<int32_t>::max() - 1;
    huge.pos = huge.max;
    huge.scale = SeekScale(huge.max, 100);
    int32_t pos = 0;
    ASSERT_TRUE(ScrollSeekPosition(huge, 100, kScrollPageRight, 0, &pos));
    EXPECT_EQ(pos, std::numeric_limits<int32_t>::max());
    ASSERT_TRUE(ScrollSeekPosition(huge, 100, kScrollThumbTrack, 65535, &pos));
    EXPECT_GT(pos, 0);
    EXPECT_LE(SeekScrollView(huge, 100).high, 65535);
}

// The dialog's handlers over the shared state.
class ShellSeekBarState : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = {g_nSeekMin, g_nSeekMax, g_nSeekPos, g_nSeekScale};
        savedFrame_ = g_nFrameMs;
        savedPosition_ = g_nPositionMs;
        savedDuration_ = g_nDurationMs;
        savedAtEnd_ = g_bAtEnd;
    }
    void TearDown() override {
        g_nSeekMin = saved_.min;
        g_nSeekMax = saved_.max;
        g_nSeekPos = saved_.pos;
        g_nSeekScale = saved_.scale;
        g_nFrameMs = savedFrame_;
        g_nPositionMs = savedPosition_;
        g_nDurationMs = savedDuration_;
        g_bAtEnd = savedAtEnd_;
    }
    SeekBarState saved_;
    int32_t savedFrame_ = 0, savedPosition_ = 0, savedDuration_ = 0, savedAtEnd_ = 0;
};

TEST_F(ShellSeekBarState, InitialisationThenAMovie) {
    g_nFrameMs = 40;
    ScrollView v = SeekBarInit();
    EXPECT_EQ(g_nFrameMs, 1);
    EXPECT_EQ(g_nSeekScale, 1);
    EXPECT_EQ(g_nSeekMin, 0);
    EXPECT_EQ(g_nSeekMax, 100);
    EXPECT_EQ(g_nSeekPos, 0);
    EXPECT_EQ(v.low, 0);
    EXPECT_EQ(v.high, 100);
    EXPECT_EQ(v.thumb, 0);

    // Command 1200 after a graph build: 30 minutes, frame time 10 ms.
    g_nDurationMs = 30 * 60 * 1000;
    g_nFrameMs = 10;
    g_nPositionMs = 0;
    v = SeekBarNewMovie();
    EXPECT_EQ(g_nSeekMax, 1799999);
    EXPECT_EQ(g_nSeekScale, 10);
    EXPECT_EQ(v.high, 17999);

    // Command 1202 from the timer.
    g_nPositionMs = 61234;
    v = SeekBarTimer();
    EXPECT_EQ(g_nSeekPos, 61234);
    EXPECT_EQ(v.thumb, 612);

    // Page right near the end asks for a position behind the duration.
    g_nSeekPos = 1799000;
    ASSERT_TRUE(SeekBarScroll(kScrollPageRight, 0, &v));
    EXPECT_EQ(g_nSeekPos, 1799000 + 179999);
    EXPECT_EQ(g_nPositionMs, g_nSeekPos);
    EXPECT_GT(g_nPositionMs, g_nDurationMs);
    EXPECT_EQ(v.thumb, g_nSeekPos / 100);

    // An ignored code changes nothing.
    const int32_t before = g_nPositionMs;
    EXPECT_FALSE(SeekBarScroll(8, 0, &v));
    EXPECT_EQ(g_nPositionMs, before);
}

TEST_F(ShellSeekBarState, GoToEnd) {
    g_nDurationMs = 90000;
    g_nPositionMs = 10;
    g_bAtEnd = 0;
    GoToEnd();
    EXPECT_EQ(g_bAtEnd, 1);
    EXPECT_EQ(g_nPositionMs, 89999);
}

TEST(ShellSeekBar, RateCommands) {
    struct Case {
        int command;
        double from;
        double to;
    };
    const Case cases[] = {
        {3017, 1.0, 1.25}, {3018, 1.0, 0.75}, {3019, 0.25, 1.0}, {3020, 1.0, 2.0}, {3021, 2.0, 0.5},
    };
    for (const Case& c : cases) {
        double rate = -1.0;
        ASSERT_TRUE(RateForCommand(c.command, c.from, &rate)) << c.command;
        EXPECT_DOUBLE_EQ(rate, c.to) << c.command;
    }
    double rate = 7.0;
    EXPECT_FALSE(RateForCommand(3016, 1.0, &rate));
    EXPECT_EQ(rate, 7.0);
}

// Slow down from 1.0: three presses give 0.25; the fourth asks for 0.0,
// the graph refuses it, and the title keeps showing 0.25.
TEST(ShellSeekBar, SlowDownStopsWhereTheGraphRefuses) {
    double graphRate = 1.0;  // what the graph reports
    double shownRate = 1.0;  // g_dRate
    auto press = [&](int command) {
        double asked = 0.0;
        ASSERT_TRUE(RateForCommand(command, graphRate, &asked));
        if (asked > 0.0) {  // the graph accepts positive rates only
            graphRate = asked;
            shownRate = asked;
        }
    };
    for (int i = 0; i < 3; ++i) press(3018);
    EXPECT_EQ(shownRate, 0.25);
    double fourth = -1.0;
    ASSERT_TRUE(RateForCommand(3018, graphRate, &fourth));
    EXPECT_EQ(fourth, 0.0);
    press(3018);
    EXPECT_EQ(shownRate, 0.25);

    TitleInputs in;
    in.currentFile = "C:\\x.avi";
    in.rate = shownRate;
    in.playState = PlayState::Running;
    in.videoSubtype = 1;
    EXPECT_EQ(FormatMainTitle(in), "x.avi [Video - RGB24] (Rate:0.25)");
}

}  // namespace
