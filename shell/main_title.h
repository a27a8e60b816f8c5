// The main window's title text, and the scan of multibyte paths for their
// last separator.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/app_state.h"

// Offset of the last "\" in `path` (also of "/" when `slashToo`), or npos.
// Paths are in the system code page: every byte above 127 starts a two-byte
// character, so the byte after it is never a separator (0x5C is a common
// second byte in Japanese text).
size_t FindLastSeparator(const char* path, bool slashToo);

// The part behind the last "\" or "/" (the whole text when there is none).
std::string PathFileName(const char* path);

struct TitleInputs {
    const char* currentFile = nullptr;  // empty or null: no movie
    double rate = 1.0;
    int32_t volume = 0;
    PlayState playState = PlayState::Init;
    int32_t videoSubtype = 0;  // PixelFormatCode
    int32_t audioOnly = 0;
};

constexpr int32_t kSilentVolume = -10000;

// "Duoscope" without a movie; otherwise the file name, the stream kind and
// the pixel format, then "(Silence)", "(Pause)" and "(Rate:x.xx)" as they
// apply.
std::string FormatMainTitle(const TitleInputs& in);

// The title for the current AppState.
std::string MainTitleText();
