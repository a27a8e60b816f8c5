// The player's persisted settings (`PlayerSettings`, kept process-wide in
// g_Settings), the five most recent files with their stereo type codes,
// and the folder of the last opened file. All are text values in a
// SettingsStore (on Windows: UserSettingsStore(), the registry key
// "Software\Kest\duoviewer" of the current user); numbers are "%d" text.
//
// Use from the shell, all on the user-interface thread:
// - WinMain: LoadSetting(store, "nIEFileSave") before the window exists.
// - Main window creation: LoadSettings(store); it also sets g_nDisplayMode,
//   g_nInputLayout, g_bRgbMode and g_nShutterDriver from the settings.
// - A setting changes: StoreSetting(store, name, value) puts the value in
//   g_Settings and writes it. The names are the registry's, which are the
//   field names below ("nRepeat", "szVideoMenuL"; szOpenFolder is
//   "OpenFolder"). A failed write is lost, as every registry error is.
// - OpenClip: RememberOpenFolder(path); main window close:
//   StoreSetting(store, "OpenFolder").
// - Open sequences: AddToHistory(...); command 2119: ClearHistory(store).
//   The menu shows g_Settings.history[i] (i = 0 newest) as command 2120 + i
//   for every entry whose path is not empty; after a load the used entries
//   are always the first ones. A history command decodes the entry's
//   typeCode with DecodeHistoryType.
#pragma once
#include <cstdint>
#include <string>

#include "shell/settings_store.h"

constexpr int kHistorySize = 5;

struct HistoryEntry {
    std::string path;  // empty: unused
    int32_t typeCode = 0;
};

struct PlayerSettings {
    int32_t nIEFileSave = 1;  // 1: download a web URL from the command line first
    std::string szOpenFolder;  // "OpenFolder": first folder of the open dialog
    // "FileHistory0" ... "FileHistory4" and "FileTypeHistory"; 0 newest.
    HistoryEntry history[kHistorySize];
    // Three digits: ones the engine of command 3004 (0 the platform's full
    // screen, 1 the program's window); tens full screen after an open from
    // the program, hundreds after a shell open (0 none, 1 single, 2 dual
    // left-based, 3 dual right-based). See DecimalDigit.
    int32_t nFullscreen = 1;
    int32_t nAutostart = 1;  // play after an open, else pause
    std::string szVideoMenuL;  // left camera device name
    std::string szVideoMenuR;  // right camera device name
    std::string szCompMenuC;   // recording codec name; empty: no compression
    int32_t nWebWD = 640;      // camera picture width, 1 ... 8192
    int32_t nWebHT = 480;      // camera picture height, 1 ... 8192
    int32_t gRate = 30;        // camera frame rate, 1 ... 30
    // Three 0/1 digits: hundreds do not use the graph clock, tens turn the
    // left camera picture by 180 degrees, ones the right one.
    int32_t nWcamprm = 0;
    int32_t nDisp = 0;     // input layout (g_nInputLayout at start)
    int32_t nRepeat = 0;   // repeat at the end of the movie
    int32_t nWcent = 0;    // shrunk views in the GDI full screen: 0 centring, 1 centre, 2 edge
    int32_t nAutoRegSet = 0;  // 123: adjust the stereo drivers' switches; else 0
    int32_t nVidia = 1;    // shutter driver: 0 WinX3D, 1 nVidia, 2 OpenGL (mirrored in g_nShutterDriver)
    int32_t nStereo = 2;   // display mode (g_nDisplayMode at start)
    int32_t nRGB = 0;      // RGB-only flag (g_bRgbMode at start)
    int32_t nDispCom = 0;  // input layout for shell opens
    int32_t nStereoCom = 2;  // display mode for shell opens
    int32_t nRGBCom = 0;     // RGB flag for shell opens
    // WinX3D screen mode index 0 ... 4 and depth index 0 ... 1; -1 when the
    // stored value was out of range (the mode is then unset: W3dScreenWidth
    // and the others give 0).
    int32_t n3DSize = 0;
    int32_t n3DBpp = 0;
};

extern PlayerSettings g_Settings;

// Resets g_Settings to the defaults and reads every value from `store`,
// then copies nStereo, nDisp, nRGB and nVidia into the AppState fields.
// A value that is absent, empty or too long takes its default; a number is
// read as the C library reads a decimal (leading blanks and a sign allowed,
// it stops at the first non-digit, no digits give 0) and then checked:
// - "gRate" is clamped to 1 ... 30; "nWcent" outside 0 ... 2 becomes 0;
//   "nAutoRegSet" other than 123 becomes 0;
// - "nFullscreen" and "nWcamprm" outside 0 ... 999 take the default; a
//   digit out of its range becomes 0 (ones digit of "nFullscreen" and the
//   "nWcamprm" flags: any non-zero digit is 1);
// - "n3DSize" and "n3DBpp" out of range become -1 (unset);
// - any other value out of its range takes the default.
// History entries that are absent or too long are dropped and the rest
// move up with their type codes; a type code that does not decode into
// valid values becomes 0.
void LoadSettings(SettingsStore& store);

// Reads one value into g_Settings by the rules above ("nVidia" also sets
// g_nShutterDriver). False for an unknown name or a history name.
bool LoadSetting(SettingsStore& store, const char* name);

// The number setting of that registry name as loaded; 0 for a name that
// is not a number setting.
int32_t NumberSetting(const char* name);

// Puts `value` into the named number setting after the load rules, and
// writes it as "%d" ("nVidia" also sets g_nShutterDriver). False, with
// nothing changed or written, for an unknown or text name and for a value
// the rules refuse (an out-of-range display mode, a width of 0, ...); a
// clamped or corrected value is stored corrected and gives true.
bool StoreSetting(SettingsStore& store, const char* name, int32_t value);
// Puts `text` into the named text setting ("OpenFolder", "szVideoMenuL",
// "szVideoMenuR", "szCompMenuC") and writes it. Text longer than
// kMaxSettingBytes is kept for this run but reads back as absent.
bool StoreSetting(SettingsStore& store, const char* name, const std::string& text);
// Writes the current g_Settings value of `name` (by the rules above).
bool StoreSetting(SettingsStore& store, const char* name);

// Decimal digit `place` (0 ones, 1 tens, 2 hundreds) of a packed
// three-digit setting ("nFullscreen", "nWcamprm"), and the value with that
// digit replaced: a dialog changes one digit and stores the whole value.
constexpr int32_t DigitWeight(int place) { return place == 0 ? 1 : place == 1 ? 10 : 100; }
constexpr int32_t DecimalDigit(int32_t packed, int place) { return packed / DigitWeight(place) % 10; }
constexpr int32_t WithDecimalDigit(int32_t packed, int place, int32_t digit) {
    return packed + (digit - DecimalDigit(packed, place)) * DigitWeight(place);
}
inline int32_t FullScreenEngine() { return DecimalDigit(g_Settings.nFullscreen, 0); }
inline int32_t FullScreenAfterOpen() { return DecimalDigit(g_Settings.nFullscreen, 1); }
inline int32_t FullScreenAfterShellOpen() { return DecimalDigit(g_Settings.nFullscreen, 2); }

// The flags of nWcamprm, 0 or 1.
inline int32_t CameraNoGraphClock() { return DecimalDigit(g_Settings.nWcamprm, 2); }
inline int32_t CameraRotateLeft() { return DecimalDigit(g_Settings.nWcamprm, 1); }
inline int32_t CameraRotateRight() { return DecimalDigit(g_Settings.nWcamprm, 0); }

// The WinX3D screen mode of n3DSize and n3DBpp; 0 when unset.
int32_t W3dScreenWidth(int32_t n3DSize);
int32_t W3dScreenHeight(int32_t n3DSize);
int32_t W3dBitDepth(int32_t n3DBpp);  // 16 or 32

// The stereo settings a history entry was opened with.
struct HistoryType {
    int32_t inputLayout = 0;  // StereoInputLayout, 0 ... 5
    int32_t displayMode = 0;  // StereoDisplayMode, 0 ... 13
    int32_t rgbMode = 0;      // 0 or 1
    int32_t fullScreen = 0;   // full-screen digit after the open, 0 ... 3
};
// layout + 100 x display mode + 10000 x RGB flag + 100000 x full-screen digit.
int32_t EncodeHistoryType(const HistoryType& type);
bool IsValidHistoryType(const HistoryType& type);
// False, with `type` all zeros (as for code 0), when `code` does not
// decode into valid values.
bool DecodeHistoryType(int32_t code, HistoryType& type);

// Puts `path` into the history with its type code. A path already listed
// (same bytes) keeps its place and gets the new code, and only
// "FileTypeHistory" is written; a new path goes first, the oldest drops
// off, and "FileTypeHistory" then "FileHistory%d" of every used entry are
// written. False, with nothing changed, for an empty path or invalid
// stereo values.
bool AddToHistory(SettingsStore& store, const std::string& path, int32_t displayMode, int32_t inputLayout,
                  int32_t rgbMode, int32_t fullScreen);
// Empties every entry and writes all five "FileHistory%d" empty and
// "FileTypeHistory" as "0,0,0,0,0,".
void ClearHistory(SettingsStore& store);
// "FileTypeHistory" as it is written: each code followed by a comma.
std::string FormatTypeHistory(const HistoryEntry (&history)[kHistorySize]);

// The folder part of a path: up to and including its last backslash, the
// path itself when it has none. Multibyte text: every byte above 127 is
// taken as the first of a two-byte character, so the byte after it is
// never a separator.
std::string FolderOfPath(const std::string& path);
// g_Settings.szOpenFolder = FolderOfPath(path); written at close.
void RememberOpenFolder(const std::string& path);
