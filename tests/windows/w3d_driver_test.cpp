// Loading and releasing the WinX3D driver library (the stand-in of
// w3d_standin/), and the registry reads of its folder and refresh rates.
#include "presentation/winx3d/w3d_driver_win32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

constexpr const char* kW3dKey = "SOFTWARE\\W3D";
constexpr const char* kRatesKey = "SOFTWARE\\W3D\\FLIPPER\\WIN3D\\0";

void DeleteW3dKeys() {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\W3D\\FLIPPER\\WIN3D\\0");
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\W3D\\FLIPPER\\WIN3D");
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\W3D\\FLIPPER");
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kW3dKey);
}

void PutText(const char* keyPath, const char* name, std::string text) {
    std::replace(text.begin(), text.end(), '/', '\\');
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
}

void PutNumber(const char* keyPath, const char* name, DWORD value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

class W3dDriver : public testing::Test {
protected:
    void SetUp() override { DeleteW3dKeys(); }
    void TearDown() override { DeleteW3dKeys(); }
};

// The folder of the registry value, with or without its closing backslash;
// a folder without the library, a library without its entry point or no
// value at all leave nothing loaded.
TEST_F(W3dDriver, LoadsFromTheRegisteredFolder) {
    const std::string standIn = DUOSCOPE_W3D_STANDIN_DIR;
    const struct {
        std::string folder;  // empty: no value
        int32_t result;
    } cases[] = {{standIn, 0},
                 {standIn + "/", 0},
                 {"", kW3dNoValue},
                 {DUOSCOPE_W3D_NOENTRY_DIR, kW3dNoLibrary},
                 {"Z:/nowhere/at/all", kW3dNoLibrary}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        DeleteW3dKeys();
        if (!c.folder.empty()) PutText(kW3dKey, "WIN3D", c.folder);
        W3dDriverHandle* handle = reinterpret_cast<W3dDriverHandle*>(1);
        EXPECT_EQ(LoadW3dDriver(&handle), c.result);
        if (c.result != 0) {
            EXPECT_EQ(handle, nullptr);
        } else {
            ASSERT_NE(handle, nullptr);
            EXPECT_EQ(handle->size, sizeof(W3dDriverHandle));
            EXPECT_NE(handle->module, nullptr);
            ASSERT_NE(handle->tableA, nullptr);
            EXPECT_NE(handle->tableA->start, nullptr);
            EXPECT_EQ(handle->tableA->unload, &ReleaseW3dDriver);
            EXPECT_EQ(handle->tableA->unload(handle), 0);
        }
        EXPECT_EQ(GetModuleHandleA("W3D_DD.DLL"), nullptr);
    }
    EXPECT_EQ(LoadW3dDriver(nullptr), kW3dNoHandle);
}

TEST_F(W3dDriver, ReleaseRefusesWhatIsNoHandle) {
    EXPECT_EQ(ReleaseW3dDriver(nullptr), kW3dNoHandle);
    W3dDriverHandle small{};
    small.size = offsetof(W3dDriverHandle, tableB) - 1;
    EXPECT_EQ(ReleaseW3dDriver(&small), kW3dRecordTooSmall);
}

// Value names match in any case; a number falls back to its default.
TEST_F(W3dDriver, RegistryValuesByNameInAnyCase) {
    PutText(kW3dKey, "Win3d", "C:\\drivers\\w3d");
    PutNumber(kW3dKey, "Other", 7);
    char text[8];
    EXPECT_EQ(ReadRegistryValue(HKEY_LOCAL_MACHINE, kW3dKey, "WIN3D", text, sizeof text, nullptr, 0), 0);
    EXPECT_STREQ(text, "C:\\driv");  // cut to the buffer, terminated
    DWORD number = 0;
    EXPECT_EQ(ReadRegistryValue(HKEY_LOCAL_MACHINE, kW3dKey, "OTHER", nullptr, 0, &number, 3), 0);
    EXPECT_EQ(number, 7u);
    EXPECT_EQ(ReadRegistryValue(HKEY_LOCAL_MACHINE, kW3dKey, "absent", nullptr, 0, &number, 3), kW3dNoValue);
    EXPECT_EQ(number, 3u);
    EXPECT_EQ(ReadRegistryValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\NoSuchKey", "x", nullptr, 0, &number, 5), kW3dNoValue);
    EXPECT_EQ(number, 5u);
}

// The rate for the mode with its depth first, then for its size alone; a
// zero with the depth counts as none.
TEST_F(W3dDriver, RefreshRateWithDepthThenWithout) {
    DWORD rate = 99;
    EXPECT_NE(GetFlipperRefreshRate(1024, 768, 32, 0, &rate), 0);
    EXPECT_EQ(rate, 0u);
    PutNumber(kRatesKey, "ratefor1024x768", 100);
    EXPECT_EQ(GetFlipperRefreshRate(1024, 768, 32, 0, &rate), 0);
    EXPECT_EQ(rate, 100u);
    PutNumber(kRatesKey, "RateFor1024x768x32", 0);
    EXPECT_EQ(GetFlipperRefreshRate(1024, 768, 32, 0, &rate), 0);
    EXPECT_EQ(rate, 100u);
    PutNumber(kRatesKey, "RateFor1024x768x32", 120);
    EXPECT_EQ(GetFlipperRefreshRate(1024, 768, 32, 0, &rate), 0);
    EXPECT_EQ(rate, 120u);
    EXPECT_EQ(GetFlipperRefreshRate(1024, 768, 16, 0, &rate), 0);
    EXPECT_EQ(rate, 100u);
    // Another device has a key of its own.
    EXPECT_NE(GetFlipperRefreshRate(1024, 768, 32, 1, &rate), 0);
    EXPECT_EQ(rate, 0u);
}

}  // namespace
