#include "shell/command_rules.h"

#include <algorithm>
#include <cstdio>

#include "composition/stereo_formats.h"
#include "graphs/playback_graph.h"
#include "core/app_state.h"
#include "shell/main_title.h"

namespace {

bool InModes(int32_t mode, StereoDisplayMode first, StereoDisplayMode last) {
    return mode >= CodeOf(first) && mode <= CodeOf(last);
}

}  // namespace

CommandRoute RouteWhileOwnFullScreen(int id) {
    CommandRoute r;
    auto send = [&r](bool keyDown, int key, bool noResume) {
        r.route = FullScreenRoute::SendKey;
        r.keyDown = keyDown;
        r.virtualKey = key;
        r.noResume = noResume;
        return r;
    };
    switch (id) {
    // Close-type commands close the window for good.
    case 3000:
    case 3014:
    case 3015:
    case 3023:
    case 3307:
        return send(false, kVirtualKeyEscape, true);
    case 3004:
    case 3056:
    case 3058:
    case 3059:
    case 3060:
        return send(false, kVirtualKeyEscape, false);
    case 3001:
    case 3002:
    case 3305:
        return send(false, kVirtualKeyF2, false);
    case 3011:
    case 3012:
    case 3306:
        return send(false, kVirtualKeyF3, false);
    case 3050:
        return send(false, kVirtualKeyX, false);
    case 3022:
        return send(true, kVirtualKeySpace, false);
    // Dialogs, help, repeat and the cameras work in either state.
    case 2049:
    case 2119:
    case 2125:
    case 2126:
    case 2127:
    case 2128:
    case 2173:
    case 3016:
    case 3051:
    case 3303:
    case 3304:
        r.route = FullScreenRoute::Run;
        return r;
    default:
        break;
    }
    if (IsHistoryCommand(id)) return send(false, kVirtualKeyEscape, true);
    if (StepFramesForCommand(id) > 1) return send(true, kVirtualKeySpace, false);
    return r;
}

int StepFramesForCommand(int id) {
    if (id == 3022) return 1;
    if (id >= 3312 && id <= 3319) return id - 3310;
    return 0;
}

bool IsDisplayFormatCommand(int id) {
    const int32_t mode = DisplayModeFromCommand(id);
    return IsValidDisplayMode(mode) && !DisplayModeFactsOf(mode).opensPresenter;
}
bool IsLayoutCommand(int id) { return id >= 3100 && id <= 3105; }
bool IsHistoryCommand(int id) { return id >= 2120 && id <= 2124; }

int FullScreenCommandForEngine(int32_t engineDigit) { return engineDigit == 0 ? 3058 : 3056; }

int FullScreenCommandAfterOpen(int32_t digit) {
    switch (digit) {
    case 1: return 3004;
    case 2: return 3059;
    case 3: return 3060;
    default: return 0;
    }
}

bool ChoosesModeOnly(const char* currentFile, int32_t sourceKind) {
    return (currentFile == nullptr || currentFile[0] == '\0') &&
           sourceKind == static_cast<int32_t>(SourceKind::MovieFile);
}

int32_t DisplayModeAfterOwnFullScreen(int32_t presenterMode) {
    return presenterMode == CodeOf(StereoDisplayMode::Sharp3dLcd) ? CodeOf(StereoDisplayMode::SideBySide)
                                                                   : presenterMode;
}

const char* DropdownMenuName(int command) {
    switch (command) {
    case 3007: return "ZOOM";
    case 3025: return "MIRROR";
    case 3026: return "GANA";
    case 3029: return "CANA";
    default: return nullptr;
    }
}

int DropdownCheckedItem(int command, int32_t displayMode, int32_t zoomItem) {
    switch (command) {
    case 3007: {
        static const int kZoomItems[] = {3005, 3006, 3007, 3008, 3010};
        return zoomItem >= 1 && zoomItem <= 5 ? kZoomItems[zoomItem - 1] : 0;
    }
    case 3025:
        return DisplayModeFactsOf(displayMode).doubleWide ? CommandFromDisplayMode(displayMode) : 0;
    case 3026:
        return InModes(displayMode, StereoDisplayMode::AnaglyphRedCyan, StereoDisplayMode::AnaglyphRedBlue)
                   ? CommandFromDisplayMode(displayMode)
                   : 0;
    case 3029:
        return InModes(displayMode, StereoDisplayMode::AnaglyphColor, StereoDisplayMode::AnaglyphColorRedFix)
                   ? CommandFromDisplayMode(displayMode)
                   : 0;
    default:
        return 0;
    }
}

Placement SeekBarPlacement(int32_t windowLeft, int32_t windowWidth, int32_t toolbarTop, int32_t toolbarHeight) {
    return {windowLeft + 400, toolbarTop + 8, std::max(windowWidth - 404, 0), toolbarHeight - 12};
}

Placement VideoWindowPlacement(int32_t clientRight, int32_t clientBottom) {
    return {0, TOOLHIGHT, clientRight, clientBottom - TOOLHIGHT};
}

std::string HelpFileForModule(const char* modulePath) {
    std::string folder = modulePath ? modulePath : "";
    const size_t sep = FindLastSeparator(folder.c_str(), false);
    if (sep != std::string::npos) folder.resize(sep);
    return folder + "\\duoscp.chm";
}

bool DroppedPathFits(size_t bytes) { return bytes < static_cast<size_t>(kPathBytes); }

std::string DroppedPathTooLongMessage(size_t bytes) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "The dropped file's path has %u bytes; at most %u bytes are possible, so nothing is opened.\r\n",
                  static_cast<unsigned>(bytes), static_cast<unsigned>(kPathBytes - 1));
    return text;
}
