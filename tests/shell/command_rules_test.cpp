#include <gtest/gtest.h>

#include <string>

#include "core/app_state.h"
#include "shell/command_rules.h"

namespace {

struct RouteCase {
    int id;
    FullScreenRoute route;
    bool keyDown;
    int key;
    bool noResume;
};

TEST(CommandRules, RoutesWhileOwnFullScreenShows) {
    const FullScreenRoute S = FullScreenRoute::SendKey, R = FullScreenRoute::Run, I = FullScreenRoute::Ignore;
    const RouteCase cases[] = {
        // Close-type commands: Escape, and the movie is not reopened afterwards.
        {3000, S, false, kVirtualKeyEscape, true},
        {3014, S, false, kVirtualKeyEscape, true},
        {3015, S, false, kVirtualKeyEscape, true},
        {3023, S, false, kVirtualKeyEscape, true},
        {3307, S, false, kVirtualKeyEscape, true},
        {2120, S, false, kVirtualKeyEscape, true},
        {2124, S, false, kVirtualKeyEscape, true},
        // Full-screen commands: Escape, the movie comes back.
        {3004, S, false, kVirtualKeyEscape, false},
        {3056, S, false, kVirtualKeyEscape, false},
        {3058, S, false, kVirtualKeyEscape, false},
        {3059, S, false, kVirtualKeyEscape, false},
        {3060, S, false, kVirtualKeyEscape, false},
        {3001, S, false, kVirtualKeyF2, false},
        {3002, S, false, kVirtualKeyF2, false},
        {3305, S, false, kVirtualKeyF2, false},
        {3011, S, false, kVirtualKeyF3, false},
        {3012, S, false, kVirtualKeyF3, false},
        {3306, S, false, kVirtualKeyF3, false},
        {3050, S, false, kVirtualKeyX, false},
        // Stepping is a key down, for every count.
        {3022, S, true, kVirtualKeySpace, false},
        {3312, S, true, kVirtualKeySpace, false},
        {3319, S, true, kVirtualKeySpace, false},
        // Dialogs, help, repeat and cameras run as usual.
        {2049, R, false, 0, false},
        {2119, R, false, 0, false},
        {2125, R, false, 0, false},
        {2126, R, false, 0, false},
        {2127, R, false, 0, false},
        {2128, R, false, 0, false},
        {2173, R, false, 0, false},
        {3016, R, false, 0, false},
        {3051, R, false, 0, false},
        {3303, R, false, 0, false},
        {3304, R, false, 0, false},
        // Everything else waits for the window to close.
        {1203, I, false, 0, false},
        {2118, I, false, 0, false},
        {3003, I, false, 0, false},
        {3005, I, false, 0, false},
        {3007, I, false, 0, false},
        {3017, I, false, 0, false},
        {3026, I, false, 0, false},
        {3032, I, false, 0, false},
        {3033, I, false, 0, false},
        {3053, I, false, 0, false},
        {3100, I, false, 0, false},
        {3311, I, false, 0, false},
        {3320, I, false, 0, false},
    };
    for (const RouteCase& c : cases) {
        SCOPED_TRACE(c.id);
        const CommandRoute r = RouteWhileOwnFullScreen(c.id);
        EXPECT_EQ(static_cast<int>(r.route), static_cast<int>(c.route));
        if (c.route != FullScreenRoute::SendKey) continue;
        EXPECT_EQ(r.keyDown, c.keyDown);
        EXPECT_EQ(r.virtualKey, c.key);
        EXPECT_EQ(r.noResume, c.noResume);
    }
}

TEST(CommandRules, StepCountsAndCommandGroups) {
    EXPECT_EQ(StepFramesForCommand(3022), 1);
    for (int n = 2; n <= 9; ++n) EXPECT_EQ(StepFramesForCommand(3310 + n), n);
    EXPECT_EQ(StepFramesForCommand(3311), 0);
    EXPECT_EQ(StepFramesForCommand(3320), 0);

    for (int id = 3024; id <= 3037; ++id)
        EXPECT_EQ(IsDisplayFormatCommand(id), id != 3032 && id != 3033) << id;
    EXPECT_FALSE(IsDisplayFormatCommand(3023));
    EXPECT_FALSE(IsDisplayFormatCommand(3038));
    EXPECT_TRUE(IsLayoutCommand(3100));
    EXPECT_TRUE(IsLayoutCommand(3105));
    EXPECT_FALSE(IsLayoutCommand(3106));
    EXPECT_TRUE(IsHistoryCommand(2120));
    EXPECT_TRUE(IsHistoryCommand(2124));
    EXPECT_FALSE(IsHistoryCommand(2119));
    EXPECT_FALSE(IsHistoryCommand(2125));
}

TEST(CommandRules, FullScreenCommands) {
    // The ones digit of "nFullscreen" picks the engine of Enter.
    EXPECT_EQ(FullScreenCommandForEngine(0), 3058);
    EXPECT_EQ(FullScreenCommandForEngine(1), 3056);
    EXPECT_EQ(FullScreenCommandAfterOpen(0), 0);
    EXPECT_EQ(FullScreenCommandAfterOpen(1), 3004);
    EXPECT_EQ(FullScreenCommandAfterOpen(2), 3059);
    EXPECT_EQ(FullScreenCommandAfterOpen(3), 3060);
    EXPECT_EQ(FullScreenCommandAfterOpen(4), 0);

    EXPECT_EQ(DisplayModeAfterOwnFullScreen(8), 1);
    EXPECT_EQ(DisplayModeAfterOwnFullScreen(2), 2);
    EXPECT_EQ(DisplayModeAfterOwnFullScreen(13), 13);

    const int32_t file = static_cast<int32_t>(SourceKind::MovieFile);
    const int32_t cameras = static_cast<int32_t>(SourceKind::CameraPair);
    EXPECT_TRUE(ChoosesModeOnly("", file));
    EXPECT_TRUE(ChoosesModeOnly(nullptr, file));
    EXPECT_FALSE(ChoosesModeOnly("C:\\a.avi", file));
    // Cameras have no file but still have a picture to hand over.
    EXPECT_FALSE(ChoosesModeOnly("", cameras));
}

TEST(CommandRules, ToolbarTooltipsAndDropdownMarks) {
    EXPECT_EQ(ToolbarTooltipString(3014), 2254);
    EXPECT_EQ(ToolbarTooltipString(3033), 2273);

    EXPECT_STREQ(DropdownMenuName(3007), "ZOOM");
    EXPECT_STREQ(DropdownMenuName(3025), "MIRROR");
    EXPECT_STREQ(DropdownMenuName(3026), "GANA");
    EXPECT_STREQ(DropdownMenuName(3029), "CANA");
    EXPECT_EQ(DropdownMenuName(3031), nullptr);

    struct Mark {
        int button;
        int32_t mode;
        int32_t zoomItem;
        int checked;
    };
    const Mark marks[] = {
        {3007, 2, 1, 3005}, {3007, 2, 2, 3006}, {3007, 2, 3, 3007}, {3007, 2, 4, 3008}, {3007, 2, 5, 3010},
        {3007, 2, 0, 0},    {3007, 2, 6, 0},
        {3025, 1, 3, 3025}, {3025, 11, 3, 3035}, {3025, 12, 3, 3036}, {3025, 13, 3, 3037}, {3025, 2, 3, 0},
        {3025, 10, 3, 0},
        {3026, 2, 3, 3026}, {3026, 3, 3, 3027}, {3026, 4, 3, 3028}, {3026, 5, 3, 0}, {3026, 1, 3, 0},
        {3029, 5, 3, 3029}, {3029, 6, 3, 3030}, {3029, 4, 3, 0}, {3029, 7, 3, 0},
        {3031, 7, 3, 0},
    };
    for (const Mark& m : marks)
        EXPECT_EQ(DropdownCheckedItem(m.button, m.mode, m.zoomItem), m.checked)
            << m.button << " mode " << m.mode << " zoom item " << m.zoomItem;
}

TEST(CommandRules, SeekBarAndVideoPlacement) {
    Placement p = SeekBarPlacement(100, 800, 150, 30);
    EXPECT_EQ(p.x, 500);
    EXPECT_EQ(p.y, 158);
    EXPECT_EQ(p.width, 396);
    EXPECT_EQ(p.height, 18);
    // A window narrower than 404 pixels leaves the seek bar no width at all.
    p = SeekBarPlacement(-20, 300, 0, 30);
    EXPECT_EQ(p.x, 380);
    EXPECT_EQ(p.width, 0);

    p = VideoWindowPlacement(640, 512);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 32);
    EXPECT_EQ(p.width, 640);
    EXPECT_EQ(p.height, 480);

    EXPECT_TRUE(IsChildClick(31));
    EXPECT_FALSE(IsChildClick(30));
}

TEST(CommandRules, HelpFileAndDroppedPaths) {
    EXPECT_EQ(HelpFileForModule("C:\\Program Files\\Duoscope\\duoscope.exe"), "C:\\Program Files\\Duoscope\\duoscp.chm");
    // 0x95 0x5C is one character whose second byte looks like a backslash.
    EXPECT_EQ(HelpFileForModule("C:\\\x95\x5C\\d.exe"), "C:\\\x95\x5C\\duoscp.chm");
    EXPECT_EQ(HelpFileForModule("C:\\a\x95\x5C" "b.exe"), "C:\\duoscp.chm");

    EXPECT_TRUE(DroppedPathFits(259));
    EXPECT_FALSE(DroppedPathFits(260));
    const std::string message = DroppedPathTooLongMessage(300);
    EXPECT_NE(message.find("300 bytes"), std::string::npos) << message;
    EXPECT_NE(message.find("259 bytes"), std::string::npos) << message;
}

}  // namespace
