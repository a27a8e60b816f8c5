// The string loader and the message boxes of the shell.
#include <cstdarg>
#include <cstdio>

#include "resources/resource.h"
#include "shell/player_win32.h"

namespace {

MessageBoxSink g_messageBoxSink = nullptr;

constexpr int kCaptionString = 2305;  // "Duoscope"

}  // namespace

char* LoadResString(int id) {
    // Two buffers used in turn: a message and its caption stay valid together.
    static char buffers[2][256];
    static int next = 0;
    char* buffer = buffers[next];
    next ^= 1;
    if (LoadStringA(g_hInst ? g_hInst : GetModuleHandleA(nullptr), static_cast<UINT>(id), buffer,
                    static_cast<int>(sizeof buffers[0])) <= 0)
        buffer[0] = '\0';
    return buffer;
}

void ReportMessage(const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n < 0) text[0] = '\0';
    ShowMessageBox(nullptr, text, LoadResString(kCaptionString), MB_OK);
}

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    if (g_messageBoxSink) return g_messageBoxSink(owner, text, caption, type);
    return MessageBoxA(owner, text, caption, type);
}

void SetMessageBoxSink(MessageBoxSink sink) { g_messageBoxSink = sink; }
