// Where the player's settings live: named text values under one per-user
// key. The settings logic (shell/settings.h) works on this interface only,
// so it runs unchanged over the registry on Windows and over memory in the
// native tests.
#pragma once
#include <map>
#include <memory>
#include <string>

// The settings key under the current user's registry root.
constexpr char kSettingsKeyPath[] = "Software\\Kest\\duoviewer";

// Reads use a 100-byte buffer and values are stored without a terminating
// zero, so a value of 100 bytes or more cannot be read back whole: such a
// value counts as absent.
constexpr size_t kMaxSettingBytes = 99;

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The text of value `name`; false (and `text` empty) when the value or
    // the key is absent, unreadable, not text, or longer than
    // kMaxSettingBytes.
    virtual bool ReadText(const char* name, std::string& text) = 0;
    // Creates the key when needed and writes `text` as a text value; false
    // when the write failed (the caller goes on: the value is then lost).
    virtual bool WriteText(const char* name, const std::string& text) = 0;
    // Removes value `name`; false when it could not be removed (an absent
    // value counts as removed).
    virtual bool DeleteValue(const char* name) = 0;
};

// A store in memory, for platforms without a registry and for tests.
class MemorySettingsStore : public SettingsStore {
public:
    bool ReadText(const char* name, std::string& text) override {
        text.clear();
        auto it = values.find(name);
        if (it == values.end() || it->second.size() > kMaxSettingBytes) return false;
        text = it->second;
        return true;
    }
    bool WriteText(const char* name, const std::string& text) override {
        values[name] = text;
        return true;
    }
    bool DeleteValue(const char* name) override {
        values.erase(name);
        return true;
    }

    std::map<std::string, std::string> values;
};

#ifdef _WIN32
// The registry key "Software\Kest\duoviewer" of the current user, opened
// afresh for every read and write. Lives as long as the process.
SettingsStore& UserSettingsStore();
// A store over another key under the current user's root (tests).
std::unique_ptr<SettingsStore> OpenUserRegistryStore(const std::string& keyPath);
#endif
