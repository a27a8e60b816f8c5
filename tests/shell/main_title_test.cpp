#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/app_state.h"
#include "shell/main_title.h"

namespace {

// 0x95 0x5C is one Japanese character whose second byte is a backslash.
#define HYO "\x95\x5c"

TEST(ShellMainTitle, LastSeparatorSkipsSecondBytes) {
    struct Case {
        const char* path;
        bool slashToo;
        size_t expected;
    };
    const size_t none = std::string::npos;
    const Case cases[] = {
        {"C:\\dir\\x.avi", false, 6},
        {"x.avi", true, none},
        {"", true, none},
        {nullptr, true, none},
        {"C:\\" HYO ".avi", false, 2},
        {"C:\\dir\\" HYO, false, 6},
        {HYO HYO, false, none},
        // A single-byte character before the separator counts as usual.
        {"C:\\a\\" HYO "\\b.avi", false, 7},
        // Slashes only when asked.
        {"C:\\dir/x.avi", false, 2},
        {"C:\\dir/x.avi", true, 6},
        {"http://host/a/b.avi", true, 13},
        // A first byte at the very end does not run past the terminator.
        {"C:\\a\x95", false, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path ? c.path : "(null)");
        EXPECT_EQ(FindLastSeparator(c.path, c.slashToo), c.expected);
    }
}

TEST(ShellMainTitle, FileNameBehindTheLastSeparator) {
    EXPECT_EQ(PathFileName("C:\\Movies\\x.avi"), "x.avi");
    EXPECT_EQ(PathFileName("http://host/a/b.avi"), "b.avi");
    EXPECT_EQ(PathFileName("C:/Movies\\sub/x.avi"), "x.avi");
    EXPECT_EQ(PathFileName("x.avi"), "x.avi");
    EXPECT_EQ(PathFileName("C:\\Movies\\"), "");
    // The name ends in a character whose second byte is 0x5C: kept whole.
    EXPECT_EQ(PathFileName("C:\\Movies\\" HYO), HYO);
    EXPECT_EQ(PathFileName("C:\\" HYO "\\" HYO ".avi"), HYO ".avi");
}

TEST(ShellMainTitle, Texts) {
    struct Case {
        const char* file;
        double rate;
        int32_t volume;
        PlayState state;
        int32_t subtype;
        int32_t audioOnly;
        const char* expected;
    };
    const Case cases[] = {
        {"", 1.0, 0, PlayState::Running, 1, 0, "Duoscope"},
        {nullptr, 2.0, -10000, PlayState::Paused, 1, 0, "Duoscope"},
        {"C:\\m\\x.avi", 1.0, 0, PlayState::Running, 1, 0, "x.avi [Video - RGB24] "},
        {"C:\\m\\x.avi", 1.0, 0, PlayState::Running, 2, 0, "x.avi [Video - YUY2] "},
        {"C:\\m\\x.avi", 0.25, -10000, PlayState::Paused, 2, 0, "x.avi [Video - YUY2] (Silence)(Pause)(Rate:0.25)"},
        // The pixel format is not known yet.
        {"C:\\m\\x.avi", 1.0, 0, PlayState::Stopped, 0, 0, "x.avi [Video] "},
        {"C:\\m\\x.mp3", 1.0, 0, PlayState::Paused, 0, 1, "x.mp3 [Audio] (Pause)"},
        {"C:\\m\\x.mp3", 2.0, 0, PlayState::Running, 1, 1, "x.mp3 [Audio] (Rate:2.00)"},
        {"C:\\m\\x.avi", 12.5, 0, PlayState::Running, 1, 0, "x.avi [Video - RGB24] (Rate:12.50)"},
        // Only full silence is shown.
        {"C:\\m\\x.avi", 1.0, -5000, PlayState::Running, 1, 0, "x.avi [Video - RGB24] "},
        {"http://host/a/clip.avi", 1.0, 0, PlayState::Init, 1, 0, "clip.avi [Video - RGB24] "},
        {"C:\\" HYO "\\" HYO ".avi", 1.0, 0, PlayState::Running, 1, 0, HYO ".avi [Video - RGB24] "},
    };
    for (const Case& c : cases) {
        TitleInputs in;
        in.currentFile = c.file;
        in.rate = c.rate;
        in.volume = c.volume;
        in.playState = c.state;
        in.videoSubtype = c.subtype;
        in.audioOnly = c.audioOnly;
        EXPECT_EQ(FormatMainTitle(in), c.expected);
    }
}

TEST(ShellMainTitle, ReadsTheAppState) {
    char savedFile[kPathBytes];
    std::memcpy(savedFile, g_szCurrentFile, sizeof savedFile);
    const double savedRate = g_dRate;
    const int32_t savedVolume = g_lVolume;
    const PlayState savedState = g_nPlayState;
    const int32_t savedSubtype = g_nVideoSubtype;
    const int32_t savedAudio = g_bAudioOnly;

    std::strcpy(g_szCurrentFile, "D:\\clips\\walk.avi");
    g_dRate = 1.5;
    g_lVolume = -10000;
    g_nPlayState = PlayState::Paused;
    g_nVideoSubtype = 1;
    g_bAudioOnly = 0;
    EXPECT_EQ(MainTitleText(), "walk.avi [Video - RGB24] (Silence)(Pause)(Rate:1.50)");
    g_szCurrentFile[0] = '\0';
    EXPECT_EQ(MainTitleText(), "Duoscope");

    std::memcpy(g_szCurrentFile, savedFile, sizeof savedFile);
    g_dRate = savedRate;
    g_lVolume = savedVolume;
    g_nPlayState = savedState;
    g_nVideoSubtype = savedSubtype;
    g_bAudioOnly = savedAudio;
}

}  // namespace
