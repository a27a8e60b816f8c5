// The settings over the real registry: text values under a key of the
// current user, written without a terminator and read through a 100-byte
// buffer.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/app_state.h"
#include "shell/settings.h"
#include "shell/settings_store.h"

namespace {

// A key of our own, so the tests never see or change the player's values.
constexpr char kTestKey[] = "Software\\Kest\\duoviewer-settings-test";

void DeleteTestKey() { RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey); }

// Writes a value as another program might: any type, any byte count.
void PutRaw(const char* name, DWORD type, const void* data, DWORD bytes) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
    RegCloseKey(key);
}

// The raw stored bytes of a value; false when absent.
bool GetRaw(const char* keyPath, const char* name, DWORD& type, std::string& bytes) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    char buffer[512];
    DWORD size = sizeof buffer;
    const LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return false;
    bytes.assign(buffer, size);
    return true;
}

class SettingsRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteTestKey();
        store_ = OpenUserRegistryStore(kTestKey);
        MemorySettingsStore none;
        LoadSettings(none);
    }
    void TearDown() override {
        DeleteTestKey();
        MemorySettingsStore none;
        LoadSettings(none);
    }
    std::unique_ptr<SettingsStore> store_;
};

TEST_F(SettingsRegistry, TextRoundTripWithoutTerminator) {
    std::string text = "unread";
    EXPECT_FALSE(store_->ReadText("szVideoMenuL", text)) << "no key yet";
    EXPECT_EQ(text, "");

    ASSERT_TRUE(store_->WriteText("szVideoMenuL", "USB Camera"));
    ASSERT_TRUE(store_->ReadText("szVideoMenuL", text));
    EXPECT_EQ(text, "USB Camera");
    EXPECT_FALSE(store_->ReadText("szVideoMenuR", text)) << "key there, value absent";

    DWORD type = 0;
    std::string raw;
    ASSERT_TRUE(GetRaw(kTestKey, "szVideoMenuL", type, raw));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    // Stored as the text's bytes; a terminator the system adds on reading
    // is no part of the value.
    EXPECT_EQ(raw.substr(0, 10), "USB Camera");
    EXPECT_TRUE(raw.size() == 10 || (raw.size() == 11 && raw[10] == '\0')) << raw.size();

    // Overwrite with a shorter text, and with an empty one.
    ASSERT_TRUE(store_->WriteText("szVideoMenuL", "Cam"));
    ASSERT_TRUE(store_->ReadText("szVideoMenuL", text));
    EXPECT_EQ(text, "Cam");
    ASSERT_TRUE(store_->WriteText("szVideoMenuL", ""));
    EXPECT_TRUE(store_->ReadText("szVideoMenuL", text));
    EXPECT_EQ(text, "");

    EXPECT_TRUE(store_->DeleteValue("szVideoMenuL"));
    EXPECT_FALSE(store_->ReadText("szVideoMenuL", text));
    EXPECT_TRUE(store_->DeleteValue("szVideoMenuL")) << "already absent";
    DeleteTestKey();
    EXPECT_TRUE(store_->DeleteValue("szVideoMenuL")) << "no key";
}

// 99 bytes fit the reader's 100-byte buffer with or without a terminator;
// anything longer, and anything that is not text, is absent.
TEST_F(SettingsRegistry, LongAndForeignValues) {
    const std::string text99(99, 'a');
    const std::string text100(100, 'b');
    const std::string text150(150, 'c');
    PutRaw("with_zero_99", REG_SZ, text99.c_str(), 100);
    PutRaw("no_zero_99", REG_SZ, text99.c_str(), 99);
    PutRaw("with_zero_100", REG_SZ, text100.c_str(), 101);
    PutRaw("no_zero_100", REG_SZ, text100.c_str(), 100);
    PutRaw("no_zero_150", REG_SZ, text150.c_str(), 150);
    PutRaw("expand", REG_EXPAND_SZ, "5", 2);
    const DWORD number = 5;
    PutRaw("dword", REG_DWORD, &number, sizeof number);
    PutRaw("binary", REG_BINARY, "7", 1);
    PutRaw("inner_zero", REG_SZ, "12\0" "34", 6);

    const struct {
        const char* name;
        bool present;
        std::string text;
    } cases[] = {
        {"with_zero_99", true, text99}, {"no_zero_99", true, text99}, {"with_zero_100", false, ""},
        {"no_zero_100", false, ""},     {"no_zero_150", false, ""},   {"expand", true, "5"},
        {"dword", false, ""},           {"binary", false, ""},        {"inner_zero", true, "12"},
    };
    for (const auto& c : cases) {
        std::string text = "unread";
        EXPECT_EQ(store_->ReadText(c.name, text), c.present) << c.name;
        EXPECT_EQ(text, c.text) << c.name;
    }

    // What the store writes itself obeys the same limit.
    ASSERT_TRUE(store_->WriteText("written_99", text99));
    ASSERT_TRUE(store_->WriteText("written_100", text100));
    std::string text;
    EXPECT_TRUE(store_->ReadText("written_99", text));
    EXPECT_EQ(text, text99);
    EXPECT_FALSE(store_->ReadText("written_100", text));
}

TEST_F(SettingsRegistry, AbsentAndMalformedValuesLoadSafely) {
    LoadSettings(*store_);  // no key at all
    EXPECT_EQ(g_Settings.nStereo, 2);
    EXPECT_EQ(g_Settings.nVidia, 1);
    EXPECT_EQ(g_Settings.nFullscreen, 1);
    EXPECT_EQ(g_Settings.gRate, 30);
    EXPECT_EQ(g_Settings.history[0].path, "");

    const DWORD number = 9;
    PutRaw("nStereo", REG_DWORD, &number, sizeof number);  // not text: absent
    store_->WriteText("nDisp", "abc");                       // no digits: 0
    store_->WriteText("nVidia", "7");                        // out of range: default
    store_->WriteText("gRate", "500");                       // clamped
    store_->WriteText("nWebWD", std::string(100, '1'));      // too long: absent
    store_->WriteText("nWebHT", "99999999999999999999");     // no overflow: out of range
    store_->WriteText("n3DSize", "12");                      // mode unset
    store_->WriteText("FileHistory0", std::string(200, 'p'));
    store_->WriteText("FileHistory1", "C:\\b.avi");
    store_->WriteText("FileTypeHistory", "zz,1305,");
    LoadSettings(*store_);
    EXPECT_EQ(g_Settings.nStereo, 2);
    EXPECT_EQ(g_Settings.nDisp, 0);
    EXPECT_EQ(g_Settings.nVidia, 1);
    EXPECT_EQ(g_nShutterDriver, 1);
    EXPECT_EQ(g_Settings.gRate, 30);
    EXPECT_EQ(g_Settings.nWebWD, 640);
    EXPECT_EQ(g_Settings.nWebHT, 480);
    EXPECT_EQ(W3dScreenWidth(g_Settings.n3DSize), 0);
    EXPECT_EQ(g_Settings.history[0].path, "C:\\b.avi");
    EXPECT_EQ(g_Settings.history[0].typeCode, 1305);
    EXPECT_EQ(g_Settings.history[1].path, "");
}

// Everything the player stores comes back after a restart.
TEST_F(SettingsRegistry, SettingsAndHistorySurviveARestart) {
    EXPECT_TRUE(StoreSetting(*store_, "nStereo", 13));
    EXPECT_TRUE(StoreSetting(*store_, "nDisp", 5));
    EXPECT_TRUE(StoreSetting(*store_, "nRGB", 1));
    EXPECT_TRUE(StoreSetting(*store_, "nVidia", 2));
    EXPECT_TRUE(StoreSetting(*store_, "nFullscreen", 231));
    EXPECT_TRUE(StoreSetting(*store_, "nWcamprm", 11));
    EXPECT_TRUE(StoreSetting(*store_, "szCompMenuC", std::string("Some Codec")));
    RememberOpenFolder("C:\\Movies\\clip.avi");
    EXPECT_TRUE(StoreSetting(*store_, "OpenFolder"));
    for (int i = 1; i <= 6; ++i)
        EXPECT_TRUE(AddToHistory(*store_, "C:\\Movies\\" + std::to_string(i) + ".avi", i, i % 6, i % 2, i % 4));
    EXPECT_TRUE(AddToHistory(*store_, "C:\\Movies\\4.avi", 0, 0, 0, 0));
    const PlayerSettings before = g_Settings;

    MemorySettingsStore none;
    LoadSettings(none);
    LoadSettings(*store_);
    EXPECT_EQ(g_Settings.nStereo, 13);
    EXPECT_EQ(g_nDisplayMode, 13);
    EXPECT_EQ(g_nInputLayout, 5);
    EXPECT_EQ(g_bRgbMode, 1);
    EXPECT_EQ(g_nShutterDriver, 2);
    EXPECT_EQ(FullScreenAfterOpen(), 3);
    EXPECT_EQ(CameraRotateLeft(), 1);
    EXPECT_EQ(CameraNoGraphClock(), 0);
    EXPECT_EQ(g_Settings.szCompMenuC, "Some Codec");
    EXPECT_EQ(g_Settings.szOpenFolder, "C:\\Movies\\");
    for (int i = 0; i < kHistorySize; ++i) {
        EXPECT_EQ(g_Settings.history[i].path, before.history[i].path) << i;
        EXPECT_EQ(g_Settings.history[i].typeCode, before.history[i].typeCode) << i;
    }
    EXPECT_EQ(g_Settings.history[0].path, "C:\\Movies\\6.avi");
    EXPECT_EQ(g_Settings.history[2].typeCode, 0) << "4.avi reopened with code 0";

    DWORD type = 0;
    std::string raw;
    ASSERT_TRUE(GetRaw(kTestKey, "FileTypeHistory", type, raw));
    EXPECT_EQ(raw.c_str(), FormatTypeHistory(before.history));

    ClearHistory(*store_);
    LoadSettings(*store_);
    EXPECT_EQ(g_Settings.history[0].path, "");
}

// The player's own store is the key "Software\Kest\duoviewer".
TEST(SettingsRegistryKey, UserStoreUsesThePlayersKey) {
    SettingsStore& store = UserSettingsStore();
    const char* name = "SettingsRegistryKeyProbe";
    ASSERT_TRUE(store.WriteText(name, "here"));
    DWORD type = 0;
    std::string raw;
    EXPECT_TRUE(GetRaw("Software\\Kest\\duoviewer", name, type, raw));
    EXPECT_EQ(raw.c_str(), std::string("here"));
    std::string text;
    EXPECT_TRUE(store.ReadText(name, text));
    EXPECT_EQ(text, "here");
    EXPECT_TRUE(store.DeleteValue(name));
    EXPECT_FALSE(GetRaw("Software\\Kest\\duoviewer", name, type, raw));
}

}  // namespace
