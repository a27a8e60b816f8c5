// The player's settings as the registry holds them, read directly rather
// than through the player's own reader (which treats over-long values as
// absent), so tests see exactly what was written.
#pragma once

#include <windows.h>

#include <string>

#include "shell/settings_store.h"

namespace testsupport {

// The text of setting `name`; "<absent>" when it, or the key, is missing
// or is not text.
inline std::string StoredSetting(const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return "<absent>";
    char buffer[400];
    DWORD size = sizeof buffer, type = 0;
    const LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ) return "<absent>";
    std::string text(buffer, size);
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

}  // namespace testsupport
