// The settings store over the current user's registry: REG_SZ values under
// one key, opened for every access and closed again.
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>

#include "shell/settings_store.h"

namespace {

// A value is read into 100 bytes at most.
constexpr DWORD kReadBufferBytes = kMaxSettingBytes + 1;

class RegistrySettingsStore final : public SettingsStore {
public:
    explicit RegistrySettingsStore(std::string keyPath) : keyPath_(std::move(keyPath)) {}

    bool ReadText(const char* name, std::string& text) override {
        text.clear();
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        char buffer[kReadBufferBytes + 1] = {};  // one more for our own terminator
        DWORD type = 0;
        DWORD size = kReadBufferBytes;
        const LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
        RegCloseKey(key);
        // ERROR_MORE_DATA: too long for the buffer, so absent.
        if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
        if (size > kReadBufferBytes) size = kReadBufferBytes;
        // Our values are written without a terminating zero.
        const size_t length = strnlen(buffer, size);
        if (length > kMaxSettingBytes) return false;
        text.assign(buffer, length);
        return true;
    }

    bool WriteText(const char* name, const std::string& text) override {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                            nullptr, &key, nullptr) != ERROR_SUCCESS)
            return false;
        // The byte count is the text's length, without the terminating zero.
        const LONG result = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                           static_cast<DWORD>(text.size()));
        RegCloseKey(key);
        return result == ERROR_SUCCESS;
    }

    bool DeleteValue(const char* name) override {
        HKEY key = nullptr;
        const LONG opened = RegOpenKeyExA(HKEY_CURRENT_USER, keyPath_.c_str(), 0, KEY_SET_VALUE, &key);
        if (opened == ERROR_FILE_NOT_FOUND) return true;
        if (opened != ERROR_SUCCESS) return false;
        const LONG result = RegDeleteValueA(key, name);
        RegCloseKey(key);
        return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
    }

private:
    std::string keyPath_;
};

}  // namespace

SettingsStore& UserSettingsStore() {
    static RegistrySettingsStore store(kSettingsKeyPath);
    return store;
}

std::unique_ptr<SettingsStore> OpenUserRegistryStore(const std::string& keyPath) {
    return std::make_unique<RegistrySettingsStore>(keyPath);
}
