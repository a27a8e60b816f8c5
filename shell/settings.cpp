#include "shell/settings.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "composition/stereo_formats.h"
#include "core/app_state.h"
#include "presentation/shutter_views.h"

PlayerSettings g_Settings;

namespace {

// How a number read from the store (or handed to StoreSetting) is checked.
enum class Rule {
    Range,       // low ... high, else refused
    Clamp,       // clamped to low ... high
    WrapToZero,  // outside low ... high becomes 0
    Only123,     // 123 stays, anything else is 0
    FullScreen,  // three digits: ones 0/1, tens and hundreds 0 ... 3
    Flags,       // three 0/1 digits
};

struct Setting {
    const char* name;
    int32_t PlayerSettings::*number;  // null for a text value
    std::string PlayerSettings::*text;
    Rule rule;
    int32_t low, high;
    int32_t refused;  // what a refused number read becomes
};

constexpr int32_t kNoValue = -1;

// In the order they are read. The history is read after "OpenFolder".
const Setting kSettings[] = {
    {"nIEFileSave", &PlayerSettings::nIEFileSave, nullptr, Rule::Range, 0, 1, 1},
    {"OpenFolder", nullptr, &PlayerSettings::szOpenFolder, Rule::Range, 0, 0, 0},
    {"nFullscreen", &PlayerSettings::nFullscreen, nullptr, Rule::FullScreen, 0, 999, 1},
    {"nAutostart", &PlayerSettings::nAutostart, nullptr, Rule::Range, 0, 1, 1},
    {"szVideoMenuL", nullptr, &PlayerSettings::szVideoMenuL, Rule::Range, 0, 0, 0},
    {"szVideoMenuR", nullptr, &PlayerSettings::szVideoMenuR, Rule::Range, 0, 0, 0},
    {"szCompMenuC", nullptr, &PlayerSettings::szCompMenuC, Rule::Range, 0, 0, 0},
    // Bounded so that a joined double-width frame stays within 32-bit sizes.
    {"nWebWD", &PlayerSettings::nWebWD, nullptr, Rule::Range, 1, 8192, 640},
    {"nWebHT", &PlayerSettings::nWebHT, nullptr, Rule::Range, 1, 8192, 480},
    {"gRate", &PlayerSettings::gRate, nullptr, Rule::Clamp, 1, 30, 30},
    {"nWcamprm", &PlayerSettings::nWcamprm, nullptr, Rule::Flags, 0, 999, 0},
    {"nDisp", &PlayerSettings::nDisp, nullptr, Rule::Range, 0, kLayoutCount - 1, 0},
    {"nRepeat", &PlayerSettings::nRepeat, nullptr, Rule::Range, 0, 1, 0},
    {"nWcent", &PlayerSettings::nWcent, nullptr, Rule::WrapToZero, 0, 2, 0},
    {"nAutoRegSet", &PlayerSettings::nAutoRegSet, nullptr, Rule::Only123, 0, 0, 0},
    {"nVidia", &PlayerSettings::nVidia, nullptr, Rule::Range, 0, 2, 1},
    {"nStereo", &PlayerSettings::nStereo, nullptr, Rule::Range, 0, kDisplayModeCount - 1, 2},
    {"nRGB", &PlayerSettings::nRGB, nullptr, Rule::Range, 0, 1, 0},
    {"nDispCom", &PlayerSettings::nDispCom, nullptr, Rule::Range, 0, kLayoutCount - 1, 0},
    {"nStereoCom", &PlayerSettings::nStereoCom, nullptr, Rule::Range, 0, kDisplayModeCount - 1, 2},
    {"nRGBCom", &PlayerSettings::nRGBCom, nullptr, Rule::Range, 0, 1, 0},
    // Out of range leaves the WinX3D mode unset rather than guessing one.
    {"n3DSize", &PlayerSettings::n3DSize, nullptr, Rule::Range, 0, 4, kNoValue},
    {"n3DBpp", &PlayerSettings::n3DBpp, nullptr, Rule::Range, 0, 1, kNoValue},
};

const Setting* FindSetting(const char* name) {
    if (!name) return nullptr;
    for (const Setting& s : kSettings)
        if (std::strcmp(s.name, name) == 0) return &s;
    return nullptr;
}

}  // namespace

int32_t NumberSetting(const char* name) {
    const Setting* setting = FindSetting(name);
    return setting && setting->number ? g_Settings.*setting->number : 0;
}

namespace {

// The C library's decimal reading (leading blanks, a sign, digits up to the
// first non-digit, 0 for none), saturated instead of overflowing.
int32_t ParseDecimal(const std::string& text, size_t begin = 0, size_t end = std::string::npos) {
    if (end > text.size()) end = text.size();
    size_t i = begin;
    while (i < end && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < end && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < end && text[i] >= '0' && text[i] <= '9'; ++i)
        if (value <= INT32_MAX) value = value * 10 + (text[i] - '0');
    if (negative) value = -value;
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

// The value `setting` holds for `value`; false when the rule refuses it.
bool Normalise(const Setting& setting, int32_t value, int32_t& out) {
    const bool inRange = value >= setting.low && value <= setting.high;
    switch (setting.rule) {
        case Rule::Range:
            out = value;
            return inRange;
        case Rule::Clamp:
            out = value < setting.low ? setting.low : value > setting.high ? setting.high : value;
            return true;
        case Rule::WrapToZero:
            out = inRange ? value : 0;
            return true;
        case Rule::Only123:
            out = value == 123 ? 123 : 0;
            return true;
        case Rule::FullScreen:
        case Rule::Flags:
            if (!inRange) return false;
            out = 0;
            for (int place = 0; place < 3; ++place) {
                int32_t digit = DecimalDigit(value, place);
                if (setting.rule == Rule::Flags || place == 0)
                    digit = digit != 0 ? 1 : 0;
                else if (digit > 3)
                    digit = 0;
                out = WithDecimalDigit(out, place, digit);
            }
            return true;
    }
    return false;
}

void SetNumber(const Setting& setting, int32_t value) {
    g_Settings.*setting.number = value;
    // The streaming threads read the shutter driver from AppState.
    if (setting.number == &PlayerSettings::nVidia) g_nShutterDriver = value;
}

void LoadOne(SettingsStore& store, const Setting& setting) {
    std::string text;
    // Present means readable and not empty; the store already drops values
    // that are too long, this also covers stores that do not.
    const bool present = store.ReadText(setting.name, text) && !text.empty() && text.size() <= kMaxSettingBytes;
    if (setting.text) {
        g_Settings.*setting.text = present ? text : std::string();
        return;
    }
    int32_t value = PlayerSettings().*setting.number;
    if (present && !Normalise(setting, ParseDecimal(text), value)) value = setting.refused;
    SetNumber(setting, value);
}

std::string HistoryName(int i) { return "FileHistory" + std::to_string(i); }

void LoadHistory(SettingsStore& store) {
    HistoryEntry read[kHistorySize];
    for (int i = 0; i < kHistorySize; ++i) {
        std::string text;
        if (store.ReadText(HistoryName(i).c_str(), text) && text.size() <= kMaxSettingBytes)
            read[i].path = text;
    }
    // The codes: the first five comma-separated pieces; missing pieces are 0.
    std::string codes;
    if (store.ReadText("FileTypeHistory", codes) && codes.size() <= kMaxSettingBytes) {
        size_t begin = 0;
        for (int i = 0; i < kHistorySize && begin <= codes.size(); ++i) {
            size_t comma = codes.find(',', begin);
            if (comma == std::string::npos) comma = codes.size();
            read[i].typeCode = ParseDecimal(codes, begin, comma);
            begin = comma + 1;
        }
    }
    // An entry lost to a failed or over-long read must not hide the ones
    // after it: the menu shows nothing when entry 0 is empty.
    int used = 0;
    for (HistoryEntry& entry : read) {
        if (entry.path.empty()) continue;
        HistoryType type;
        if (!DecodeHistoryType(entry.typeCode, type)) entry.typeCode = 0;
        g_Settings.history[used++] = entry;
    }
    for (; used < kHistorySize; ++used) g_Settings.history[used] = HistoryEntry();
}

void StoreHistoryCodes(SettingsStore& store) {
    store.WriteText("FileTypeHistory", FormatTypeHistory(g_Settings.history));
}

}  // namespace

void LoadSettings(SettingsStore& store) {
    g_Settings = PlayerSettings();
    for (const Setting& setting : kSettings) {
        LoadOne(store, setting);
        if (setting.text == &PlayerSettings::szOpenFolder) LoadHistory(store);
    }
    g_nDisplayMode = g_Settings.nStereo;
    g_nInputLayout = g_Settings.nDisp;
    g_bRgbMode = g_Settings.nRGB;
    g_nShutterDriver = g_Settings.nVidia;
}

bool LoadSetting(SettingsStore& store, const char* name) {
    const Setting* setting = FindSetting(name);
    if (!setting) return false;
    LoadOne(store, *setting);
    return true;
}

bool StoreSetting(SettingsStore& store, const char* name, int32_t value) {
    const Setting* setting = FindSetting(name);
    if (!setting || !setting->number || !Normalise(*setting, value, value)) return false;
    SetNumber(*setting, value);
    store.WriteText(setting->name, std::to_string(value));
    return true;
}

bool StoreSetting(SettingsStore& store, const char* name, const std::string& text) {
    const Setting* setting = FindSetting(name);
    if (!setting || !setting->text) return false;
    g_Settings.*setting->text = text;
    store.WriteText(setting->name, text);
    return true;
}

bool StoreSetting(SettingsStore& store, const char* name) {
    const Setting* setting = FindSetting(name);
    if (!setting) return false;
    if (setting->text) return StoreSetting(store, name, std::string(g_Settings.*setting->text));
    return StoreSetting(store, name, g_Settings.*setting->number);
}

int32_t W3dScreenWidth(int32_t n3DSize) { return ShutterScreenModeOf(n3DSize, 0).width; }
int32_t W3dScreenHeight(int32_t n3DSize) { return ShutterScreenModeOf(n3DSize, 0).height; }
int32_t W3dBitDepth(int32_t n3DBpp) { return ShutterScreenModeOf(0, n3DBpp).bitDepth; }

int32_t EncodeHistoryType(const HistoryType& type) {
    return type.inputLayout + 100 * type.displayMode + 10000 * type.rgbMode + 100000 * type.fullScreen;
}

bool IsValidHistoryType(const HistoryType& type) {
    return IsValidLayout(type.inputLayout) && IsValidDisplayMode(type.displayMode) &&
           (type.rgbMode == 0 || type.rgbMode == 1) && type.fullScreen >= 0 && type.fullScreen <= 3;
}

bool DecodeHistoryType(int32_t code, HistoryType& type) {
    type = HistoryType();
    if (code < 0) return false;
    const int32_t a = code / 10000;
    const int32_t b = code % 10000;
    HistoryType decoded;
    decoded.fullScreen = a / 10;
    decoded.rgbMode = a % 10;
    decoded.displayMode = b / 100;
    decoded.inputLayout = b % 100;
    if (!IsValidHistoryType(decoded)) return false;
    type = decoded;
    return true;
}

bool AddToHistory(SettingsStore& store, const std::string& path, int32_t displayMode, int32_t inputLayout,
                  int32_t rgbMode, int32_t fullScreen) {
    HistoryType type;
    type.inputLayout = inputLayout;
    type.displayMode = displayMode;
    type.rgbMode = rgbMode;
    type.fullScreen = fullScreen;
    // An empty entry 0 would make the menu show no history at all.
    if (path.empty() || !IsValidHistoryType(type)) return false;
    const int32_t code = EncodeHistoryType(type);

    bool listed = false;
    for (HistoryEntry& entry : g_Settings.history) {
        if (entry.path == path) {
            entry.typeCode = code;
            listed = true;
        }
    }
    if (listed) {
        StoreHistoryCodes(store);
        return true;
    }

    for (int i = kHistorySize - 1; i > 0; --i) g_Settings.history[i] = g_Settings.history[i - 1];
    g_Settings.history[0].path = path;
    g_Settings.history[0].typeCode = code;
    StoreHistoryCodes(store);
    for (int i = 0; i < kHistorySize; ++i)
        if (!g_Settings.history[i].path.empty()) store.WriteText(HistoryName(i).c_str(), g_Settings.history[i].path);
    return true;
}

void ClearHistory(SettingsStore& store) {
    for (int i = 0; i < kHistorySize; ++i) {
        g_Settings.history[i] = HistoryEntry();
        store.WriteText(HistoryName(i).c_str(), std::string());
    }
    StoreHistoryCodes(store);
}

std::string FormatTypeHistory(const HistoryEntry (&history)[kHistorySize]) {
    std::string text;
    for (const HistoryEntry& entry : history) text += std::to_string(entry.typeCode) + ",";
    return text;
}

std::string FolderOfPath(const std::string& path) {
    size_t end = std::string::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        if (static_cast<unsigned char>(path[i]) > 127)
            ++i;  // lead byte: the next byte belongs to the same character
        else if (path[i] == '\\')
            end = i + 1;
    }
    return end == std::string::npos ? path : path.substr(0, end);
}

void RememberOpenFolder(const std::string& path) { g_Settings.szOpenFolder = FolderOfPath(path); }
