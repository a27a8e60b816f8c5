#include "shell/main_title.h"

#include <cstdio>
#include <vector>

size_t FindLastSeparator(const char* path, bool slashToo) {
    size_t last = std::string::npos;
    if (!path) return last;
    for (size_t i = 0; path[i] != '\0'; ++i) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        if (c > 127) {
            // Skip the second byte, unless the text ends after the first.
            if (path[i + 1] != '\0') ++i;
        } else if (c == '\\' || (slashToo && c == '/')) {
            last = i;
        }
    }
    return last;
}

std::string PathFileName(const char* path) {
    if (!path) return {};
    const size_t sep = FindLastSeparator(path, true);
    return sep == std::string::npos ? std::string(path) : std::string(path + sep + 1);
}

namespace {

template <typename... Args>
std::string Sprintf(const char* format, Args... args) {
    const int n = std::snprintf(nullptr, 0, format, args...);
    if (n <= 0) return {};
    std::vector<char> text(static_cast<size_t>(n) + 1);
    std::snprintf(text.data(), text.size(), format, args...);
    return std::string(text.data(), static_cast<size_t>(n));
}

}  // namespace

std::string FormatMainTitle(const TitleInputs& in) {
    if (!in.currentFile || in.currentFile[0] == '\0') return "Duoscope";

    const std::string name = PathFileName(in.currentFile);
    const std::string rateText = in.rate != 1.0 ? Sprintf("(Rate:%2.2f)", in.rate) : std::string();
    const char* rate = rateText.c_str();
    const char* silence = in.volume == kSilentVolume ? "(Silence)" : "";
    const char* pause = in.playState == PlayState::Paused ? "(Pause)" : "";

    if (in.videoSubtype != 0 && !in.audioOnly) {
        return Sprintf("%s [%s - %s] %s%s%s", name.c_str(), "Video", in.videoSubtype == 1 ? "RGB24" : "YUY2",
                      silence, pause, rate);
    }
    return Sprintf("%s [%s] %s%s%s", name.c_str(), in.audioOnly ? "Audio" : "Video", silence, pause, rate);
}

std::string MainTitleText() {
    TitleInputs in;
    in.currentFile = g_szCurrentFile;
    in.rate = g_dRate;
    in.volume = g_lVolume;
    in.playState = g_nPlayState.load();
    in.videoSubtype = g_nVideoSubtype.load();
    in.audioOnly = g_bAudioOnly;
    return FormatMainTitle(in);
}
