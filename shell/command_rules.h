// The main window's command decisions that need no window: rerouting while
// one of the program's full-screen windows shows, the toolbar's tooltips and
// dropdown check marks, which command a key or a setting turns into, and
// where the seek bar and the help file go.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// ------------------------------------------------ while own full screen
// Virtual keys sent to the full-screen window (the platform's codes).
constexpr int kVirtualKeySpace = 0x20;
constexpr int kVirtualKeyEscape = 0x1B;
constexpr int kVirtualKeyF2 = 0x71;
constexpr int kVirtualKeyF3 = 0x72;
constexpr int kVirtualKeyX = 0x58;

enum class FullScreenRoute {
    Ignore,   // nothing happens
    Run,      // the command runs as usual
    SendKey,  // a key message goes to the full-screen window instead
};

struct CommandRoute {
    FullScreenRoute route = FullScreenRoute::Ignore;
    bool keyDown = false;  // key down, else key up
    int virtualKey = 0;
    bool noResume = false;  // the window closes for good: no reopen here
};

// What command `id` does while a program full-screen window shows.
CommandRoute RouteWhileOwnFullScreen(int id);

// ------------------------------------------------------------ commands
// Frames stepped by 3022 (1) and 3312 ... 3319 (2 ... 9); 0 for others.
int StepFramesForCommand(int id);
// Display-format items that change the format in the main window: 3024 to
// 3031 and 3034 to 3037 (3032 and 3033 hand over to a presenter instead).
bool IsDisplayFormatCommand(int id);
bool IsLayoutCommand(int id);  // 3100 ... 3105
bool IsHistoryCommand(int id);  // 2120 ... 2124
// 3004 by the ones digit of "nFullscreen": 0 the platform's full-screen
// mode (3058), anything else the program's window (3056).
int FullScreenCommandForEngine(int32_t engineDigit);
// The full-screen digit after an open: 1 single screen (3004), 2 dual
// left-based (3059), 3 dual right-based (3060); 0 (and anything else) none.
int FullScreenCommandAfterOpen(int32_t digit);
// 3032 and 3033 with nothing to show only choose the mode (8 or 9).
bool ChoosesModeOnly(const char* currentFile, int32_t sourceKind);
// The display mode the main window takes back from the program's window:
// the 3D LCD mode (8) would start that window again on reopen, so it
// becomes side by side (1).
int32_t DisplayModeAfterOwnFullScreen(int32_t presenterMode);
// A press in a child window counts as a click below the toolbar band.
constexpr int32_t kChildClickMinY = 30;
constexpr bool IsChildClick(int32_t yInClient) { return yInClient > kChildClickMinY; }

// ------------------------------------------------------------- toolbar
constexpr int kToolbarTooltipOffset = 760;
constexpr int ToolbarTooltipString(int command) { return command - kToolbarTooltipOffset; }
// The popup resource of a dropdown button (3007 "ZOOM", 3025 "MIRROR",
// 3026 "GANA", 3029 "CANA"); null for other buttons.
const char* DropdownMenuName(int command);
// The item of that popup that carries the check mark; 0 for none.
int DropdownCheckedItem(int command, int32_t displayMode, int32_t zoomItem);

// ------------------------------------------------------------- layout
struct Placement {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};
// The seek bar over the right part of the toolbar, in screen coordinates.
Placement SeekBarPlacement(int32_t windowLeft, int32_t windowWidth, int32_t toolbarTop, int32_t toolbarHeight);
// The platform video window below the toolbar band, in client coordinates.
Placement VideoWindowPlacement(int32_t clientRight, int32_t clientBottom);

// ---------------------------------------------------------------- paths
// The help file next to the program: `modulePath` cut at its last "\"
// (multibyte-aware), followed by "\duoscp.chm".
std::string HelpFileForModule(const char* modulePath);
// Whether a dropped path of `bytes` bytes fits a path buffer with its
// terminator.
bool DroppedPathFits(size_t bytes);
// The message for a dropped path that does not fit.
std::string DroppedPathTooLongMessage(size_t bytes);
