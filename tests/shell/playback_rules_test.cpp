#include <gtest/gtest.h>

#include "shell/main_title.h"
#include "shell/playback_rules.h"

namespace {

const char* Name(PlayState s) {
    switch (s) {
    case PlayState::Stopped: return "Stopped";
    case PlayState::Paused: return "Paused";
    case PlayState::Running: return "Running";
    case PlayState::Init: return "Init";
    }
    return "?";
}

TEST(PlaybackRules, PlayStateCommands) {
    struct Case {
        PlayState state;
        PlayCall toggle, restart, pause, play;
    };
    const Case cases[] = {
        {PlayState::Running, PlayCall::Pause, PlayCall::Pause, PlayCall::Pause, PlayCall::None},
        {PlayState::Paused, PlayCall::Run, PlayCall::RewindThenRun, PlayCall::None, PlayCall::Run},
        // Right after a rewind the graph shows the first frame, stopped.
        {PlayState::Stopped, PlayCall::Run, PlayCall::RewindThenRun, PlayCall::None, PlayCall::Run},
        {PlayState::Init, PlayCall::Pause, PlayCall::RewindThenRun, PlayCall::None, PlayCall::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Name(c.state));
        EXPECT_EQ(TogglePlayCall(c.state), c.toggle);
        EXPECT_EQ(ClickRestartCall(c.state), c.restart);
        EXPECT_EQ(PauseClipCall(c.state), c.pause);
        EXPECT_EQ(PlayClipCall(c.state), c.play);
    }
}

TEST(PlaybackRules, OnlyASucceededCallChangesTheState) {
    EXPECT_EQ(StateAfterCall(PlayCall::Pause, PlayState::Running, true), PlayState::Paused);
    EXPECT_EQ(StateAfterCall(PlayCall::Run, PlayState::Stopped, true), PlayState::Running);
    EXPECT_EQ(StateAfterCall(PlayCall::RewindThenRun, PlayState::Paused, true), PlayState::Running);
    EXPECT_EQ(StateAfterCall(PlayCall::None, PlayState::Paused, true), PlayState::Paused);
    EXPECT_EQ(StateAfterCall(PlayCall::Run, PlayState::Paused, false), PlayState::Paused);
    EXPECT_EQ(StateAfterCall(PlayCall::Pause, PlayState::Running, false), PlayState::Running);
}

TEST(PlaybackRules, SlowingDownStopsAboveZero) {
    double rate = 1.0;
    for (double expected : {0.75, 0.5, 0.25}) {
        ASSERT_TRUE(NextRate(rate, -0.25, &rate));
        EXPECT_EQ(rate, expected);
    }
    double refused = -1;
    EXPECT_FALSE(NextRate(rate, -0.25, &refused)) << "0 is never asked for";
    EXPECT_EQ(rate, 0.25);
    EXPECT_TRUE(NextRate(rate, 0.25, &rate));
    EXPECT_EQ(rate, 0.5);
    EXPECT_FALSE(NextRate(rate, 0.0, &refused)) << "no step, no call";
    EXPECT_FALSE(IsPlayableRate(-0.5));
    EXPECT_TRUE(IsPlayableRate(2.0));
}

TEST(PlaybackRules, RewindNeedsASeekableMovieThatPlaysOrPauses) {
    EXPECT_TRUE(RewindApplies(SourceKind::MovieFile, true, PlayState::Paused));
    EXPECT_TRUE(RewindApplies(SourceKind::MovieFile, true, PlayState::Running));
    EXPECT_FALSE(RewindApplies(SourceKind::MovieFile, true, PlayState::Stopped));
    EXPECT_FALSE(RewindApplies(SourceKind::MovieFile, true, PlayState::Init));
    EXPECT_FALSE(RewindApplies(SourceKind::MovieFile, false, PlayState::Running));
    EXPECT_FALSE(RewindApplies(SourceKind::CameraPair, true, PlayState::Running));
    EXPECT_TRUE(PausesFirst(PlayState::Stopped));
    EXPECT_FALSE(PausesFirst(PlayState::Paused));
}

TEST(PlaybackRules, PlayListsAreRefusedInAnyCase) {
    struct Case {
        const char* path;
        bool refused;
    };
    const Case cases[] = {
        {"C:\\movies\\list.asx", true},
        {"C:\\movies\\LIST.ASX", true},
        {"C:\\movies\\List.AsX", true},
        {"http://example.com/a.asx?x=1", true},
        {"C:\\x.asx\\movie.avi", true},  // anywhere in the path
        {"C:\\movies\\list.asf", false},
        {"C:\\movies\\asx.avi", false},
        {"C:\\movies\\.as", false},
        {"", false},
        // "ＡＳ" in the system code page: the second bytes are not letters to fold.
        {"C:\\\x82\x60\x82\x72x.avi", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsRefusedPlayList(c.path), c.refused) << c.path;
    EXPECT_FALSE(IsRefusedPlayList(nullptr));
}

// 10 frames at 10 per second: a second long, the last frame starts at 0.9 s.
TEST(PlaybackRules, FallbackStepMovesWholeFrameTimesUpToTheLastFrame) {
    constexpr int64_t ms = kUnitsPerMs;
    struct Case {
        const char* what;
        int64_t current;
        int32_t frames;
        int32_t frameMs;
        int64_t duration;
        int64_t target;
    };
    const Case cases[] = {
        {"one frame from the start", 0, 1, 100, 1000 * ms, 100 * ms},
        {"between frames", 250 * ms, 1, 100, 1000 * ms, 350 * ms},
        {"nine frames", 0, 9, 100, 1000 * ms, 900 * ms},
        {"past the end stops at the last frame", 850 * ms, 3, 100, 1000 * ms, 900 * ms},
        {"on the last frame stays", 900 * ms, 1, 100, 1000 * ms, 900 * ms},
        {"beyond the last frame never goes back", 990 * ms, 1, 100, 1000 * ms, 990 * ms},
        {"unknown duration", 5000 * ms, 2, 40, 0, 5080 * ms},
        {"shorter than a frame", 0, 1, 100, 50 * ms, 0},
        {"no frame time yet counts as 1 ms", 0, 1, 0, 1000 * ms, 1 * ms},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FallbackStepTarget(c.current, c.frames, c.frameMs, c.duration), c.target) << c.what;
}

TEST(PlaybackRules, SeeksBeyondTheEndFail) {
    EXPECT_TRUE(SeekTargetInsideMovie(0, 1000));
    EXPECT_TRUE(SeekTargetInsideMovie(999, 1000));  // go to end
    EXPECT_FALSE(SeekTargetInsideMovie(1000, 1000));
    EXPECT_FALSE(SeekTargetInsideMovie(1099, 1000));  // page right from 999
    EXPECT_FALSE(SeekTargetInsideMovie(-100, 1000));  // page left from 0
}

TEST(PlaybackRules, OnlyTheEndOfAMovieFileIsActedOn) {
    EXPECT_EQ(ActionForGraphEvent(kEventComplete, SourceKind::MovieFile, false), EndAction::PauseAtEnd);
    EXPECT_EQ(ActionForGraphEvent(kEventComplete, SourceKind::MovieFile, true), EndAction::Repeat);
    EXPECT_EQ(ActionForGraphEvent(kEventComplete, SourceKind::CameraPair, false), EndAction::None);
    EXPECT_EQ(ActionForGraphEvent(kEventComplete, SourceKind::CameraRecording, true), EndAction::None);
    EXPECT_EQ(ActionForGraphEvent(0x0E /* paused */, SourceKind::MovieFile, false), EndAction::None);
    EXPECT_EQ(ActionForGraphEvent(3 /* user abort */, SourceKind::MovieFile, true), EndAction::None);
}

TEST(PlaybackRules, MuteTogglesBetweenFullAndSilence) {
    int32_t volume = 12345;
    EXPECT_EQ(MuteStepFor(S_OK, 0, &volume), MuteStep::Write);
    EXPECT_EQ(volume, kSilentVolume);
    EXPECT_EQ(MuteStepFor(S_OK, kSilentVolume, &volume), MuteStep::Write);
    EXPECT_EQ(volume, 0);
    // Anything but full volume counts as turned down: back to full.
    EXPECT_EQ(MuteStepFor(S_OK, -2000, &volume), MuteStep::Write);
    EXPECT_EQ(volume, 0);

    volume = 7;
    EXPECT_EQ(MuteStepFor(E_NOTIMPL, 0, &volume), MuteStep::NoAudio);
    EXPECT_EQ(MuteStepFor(E_FAIL, 0, &volume), MuteStep::ReadFailed);
    EXPECT_EQ(volume, 7) << "nothing to write";
}

}  // namespace
