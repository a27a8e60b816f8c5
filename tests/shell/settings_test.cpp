#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/app_state.h"
#include "shell/settings.h"
#include "shell/settings_store.h"

namespace {

// Remembers every write in order.
class RecordingStore : public MemorySettingsStore {
public:
    bool WriteText(const char* name, const std::string& text) override {
        writes.emplace_back(name, text);
        return MemorySettingsStore::WriteText(name, text);
    }
    std::vector<std::pair<std::string, std::string>> writes;
};

// A store whose reads hand back whatever is stored, however long, as a
// store that does not enforce the read limit itself would.
class UnlimitedStore : public MemorySettingsStore {
public:
    bool ReadText(const char* name, std::string& text) override {
        auto it = values.find(name);
        text = it == values.end() ? std::string() : it->second;
        return it != values.end();
    }
};

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { LoadSettings(empty_); }
    void TearDown() override { LoadSettings(empty_); }
    MemorySettingsStore empty_;
};

using SettingsLoad = SettingsTest;
using SettingsStoreSetting = SettingsTest;
using SettingsHistory = SettingsTest;

// A fresh store: red-cyan anaglyph, side by side 100 %, repeat off, auto
// start on, the program's own window for Enter, no full screen after an
// open, camera 640 x 480 at 30 fps, nVidia driver.
TEST_F(SettingsLoad, FreshStoreGivesTheDefaultsAndSetsTheViewState) {
    g_nDisplayMode = 7;
    g_nInputLayout = 3;
    g_bRgbMode = 1;
    g_nShutterDriver = 0;
    g_Settings.nRepeat = 1;
    g_Settings.history[0].path = "C:\\old.avi";
    MemorySettingsStore store;
    LoadSettings(store);
    const PlayerSettings& s = g_Settings;
    EXPECT_EQ(s.nIEFileSave, 1);
    EXPECT_EQ(s.szOpenFolder, "");
    for (const HistoryEntry& entry : s.history) {
        EXPECT_EQ(entry.path, "");
        EXPECT_EQ(entry.typeCode, 0);
    }
    EXPECT_EQ(s.nStereo, 2);
    EXPECT_EQ(s.nDisp, 0);
    EXPECT_EQ(s.nRGB, 0);
    EXPECT_EQ(s.nRepeat, 0);
    EXPECT_EQ(s.nAutostart, 1);
    EXPECT_EQ(FullScreenEngine(), 1);
    EXPECT_EQ(FullScreenAfterOpen(), 0);
    EXPECT_EQ(FullScreenAfterShellOpen(), 0);
    EXPECT_EQ(s.nWebWD, 640);
    EXPECT_EQ(s.nWebHT, 480);
    EXPECT_EQ(s.gRate, 30);
    EXPECT_EQ(s.nWcamprm, 0);
    EXPECT_EQ(s.nVidia, 1);
    EXPECT_EQ(s.nWcent, 0);
    EXPECT_EQ(s.nAutoRegSet, 0);
    EXPECT_EQ(s.nStereoCom, 2);
    EXPECT_EQ(s.nDispCom, 0);
    EXPECT_EQ(s.nRGBCom, 0);
    EXPECT_EQ(W3dScreenWidth(s.n3DSize), 640);
    EXPECT_EQ(W3dScreenHeight(s.n3DSize), 480);
    EXPECT_EQ(W3dBitDepth(s.n3DBpp), 16);
    EXPECT_EQ(s.szVideoMenuL, "");
    EXPECT_EQ(s.szCompMenuC, "");
    EXPECT_EQ(g_nDisplayMode, 2);
    EXPECT_EQ(g_nInputLayout, 0);
    EXPECT_EQ(g_bRgbMode, 0);
    EXPECT_EQ(g_nShutterDriver, 1);
    EXPECT_TRUE(store.values.empty()) << "loading writes nothing";
}

TEST_F(SettingsLoad, StoredValuesReachTheSettingsAndTheViewState) {
    MemorySettingsStore store;
    store.values = {{"nStereo", "9"},  {"nDisp", "4"},      {"nRGB", "1"},       {"nVidia", "2"},
                    {"nRepeat", "1"},  {"nAutostart", "0"}, {"n3DSize", "3"},    {"n3DBpp", "1"},
                    {"gRate", "15"},   {"nWebWD", "320"},   {"nWebHT", "240"},   {"nIEFileSave", "0"},
                    {"OpenFolder", "C:\\Movies\\"},         {"szVideoMenuR", "USB Camera #2"}};
    LoadSettings(store);
    EXPECT_EQ(g_Settings.nStereo, 9);
    EXPECT_EQ(g_Settings.nRepeat, 1);
    EXPECT_EQ(g_Settings.nAutostart, 0);
    EXPECT_EQ(g_Settings.gRate, 15);
    EXPECT_EQ(g_Settings.nWebWD, 320);
    EXPECT_EQ(g_Settings.nWebHT, 240);
    EXPECT_EQ(g_Settings.nIEFileSave, 0);
    EXPECT_EQ(g_Settings.szOpenFolder, "C:\\Movies\\");
    EXPECT_EQ(g_Settings.szVideoMenuR, "USB Camera #2");
    EXPECT_EQ(W3dScreenWidth(g_Settings.n3DSize), 1280);
    EXPECT_EQ(W3dScreenHeight(g_Settings.n3DSize), 1024);
    EXPECT_EQ(W3dBitDepth(g_Settings.n3DBpp), 32);
    EXPECT_EQ(g_nDisplayMode, 9);
    EXPECT_EQ(g_nInputLayout, 4);
    EXPECT_EQ(g_bRgbMode, 1);
    EXPECT_EQ(g_nShutterDriver, 2);
}

// "231": Enter uses the program's window, an open from the program goes to
// dual screen right-based, a shell open to dual screen left-based.
TEST_F(SettingsLoad, FullScreenDigits) {
    MemorySettingsStore store;
    store.values["nFullscreen"] = "231";
    LoadSettings(store);
    EXPECT_EQ(FullScreenEngine(), 1);
    EXPECT_EQ(FullScreenAfterOpen(), 3);
    EXPECT_EQ(FullScreenAfterShellOpen(), 2);
    store.values["nFullscreen"] = "20";
    LoadSettings(store);
    EXPECT_EQ(FullScreenEngine(), 0) << "platform full-screen mode";
    EXPECT_EQ(FullScreenAfterOpen(), 2);
    store.values["nWcamprm"] = "101";
    LoadSettings(store);
    EXPECT_EQ(CameraNoGraphClock(), 1);
    EXPECT_EQ(CameraRotateLeft(), 0);
    EXPECT_EQ(CameraRotateRight(), 1);
}

// Present numbers are read as the C library reads decimals and then
// checked; whatever is stored, the result is a value the program can use.
TEST_F(SettingsLoad, NumbersAreConvertedAndChecked) {
    const std::string longest(95, '0');
    const struct {
        const char* name;
        std::string text;
        int32_t PlayerSettings::*field;
        int32_t expected;
    } cases[] = {
        // Conversion.
        {"nStereo", "5", &PlayerSettings::nStereo, 5},
        {"nStereo", "5abc", &PlayerSettings::nStereo, 5},
        {"nStereo", " \t7", &PlayerSettings::nStereo, 7},
        {"nStereo", "+3", &PlayerSettings::nStereo, 3},
        {"nStereo", "abc", &PlayerSettings::nStereo, 0},  // no digits: 0
        {"nStereo", "", &PlayerSettings::nStereo, 2},     // empty: absent
        {"nWebWD", longest + "1234", &PlayerSettings::nWebWD, 1234},  // 99 bytes
        {"nWebWD", longest + "01234", &PlayerSettings::nWebWD, 640},  // 100 bytes: absent
        {"nWebWD", "99999999999999999999", &PlayerSettings::nWebWD, 640},
        {"nWebWD", "-99999999999999999999", &PlayerSettings::nWebWD, 640},
        // Plain ranges: outside gives the default.
        {"nStereo", "13", &PlayerSettings::nStereo, 13},
        {"nStereo", "14", &PlayerSettings::nStereo, 2},
        {"nStereo", "-1", &PlayerSettings::nStereo, 2},
        {"nStereoCom", "14", &PlayerSettings::nStereoCom, 2},
        {"nDisp", "5", &PlayerSettings::nDisp, 5},
        {"nDisp", "6", &PlayerSettings::nDisp, 0},
        {"nDispCom", "6", &PlayerSettings::nDispCom, 0},
        {"nRGB", "2", &PlayerSettings::nRGB, 0},
        {"nRGBCom", "1", &PlayerSettings::nRGBCom, 1},
        {"nRepeat", "2", &PlayerSettings::nRepeat, 0},
        {"nAutostart", "0", &PlayerSettings::nAutostart, 0},
        {"nAutostart", "-1", &PlayerSettings::nAutostart, 1},
        {"nIEFileSave", "7", &PlayerSettings::nIEFileSave, 1},
        {"nVidia", "0", &PlayerSettings::nVidia, 0},
        {"nVidia", "3", &PlayerSettings::nVidia, 1},
        {"nWebWD", "0", &PlayerSettings::nWebWD, 640},
        {"nWebWD", "8192", &PlayerSettings::nWebWD, 8192},
        {"nWebHT", "8193", &PlayerSettings::nWebHT, 480},
        {"nWebHT", "-480", &PlayerSettings::nWebHT, 480},
        // Rules of their own.
        {"gRate", "0", &PlayerSettings::gRate, 1},
        {"gRate", "abc", &PlayerSettings::gRate, 1},
        {"gRate", "60", &PlayerSettings::gRate, 30},
        {"gRate", "1", &PlayerSettings::gRate, 1},
        {"nWcent", "2", &PlayerSettings::nWcent, 2},
        {"nWcent", "3", &PlayerSettings::nWcent, 0},
        {"nWcent", "-1", &PlayerSettings::nWcent, 0},
        {"nAutoRegSet", "123", &PlayerSettings::nAutoRegSet, 123},
        {"nAutoRegSet", "1", &PlayerSettings::nAutoRegSet, 0},
        {"nFullscreen", "0", &PlayerSettings::nFullscreen, 0},
        {"nFullscreen", "333", &PlayerSettings::nFullscreen, 331},  // ones digit is 0 or 1
        {"nFullscreen", "259", &PlayerSettings::nFullscreen, 201},  // tens 5: no such monitor choice
        {"nFullscreen", "1000", &PlayerSettings::nFullscreen, 1},
        {"nFullscreen", "-5", &PlayerSettings::nFullscreen, 1},
        {"nWcamprm", "905", &PlayerSettings::nWcamprm, 101},
        {"nWcamprm", "1000", &PlayerSettings::nWcamprm, 0},
        {"n3DSize", "4", &PlayerSettings::n3DSize, 4},
        {"n3DSize", "5", &PlayerSettings::n3DSize, -1},
        {"n3DBpp", "2", &PlayerSettings::n3DBpp, -1},
    };
    for (const auto& c : cases) {
        MemorySettingsStore store;
        store.values[c.name] = c.text;
        LoadSettings(store);
        EXPECT_EQ(g_Settings.*c.field, c.expected) << c.name << " = \"" << c.text << "\"";
    }
    // An unset WinX3D mode is 0 x 0 at depth 0.
    EXPECT_EQ(W3dScreenWidth(-1), 0);
    EXPECT_EQ(W3dScreenHeight(5), 0);
    EXPECT_EQ(W3dBitDepth(-1), 0);
}

// The read limit holds even over a store that does not enforce it.
TEST_F(SettingsLoad, OverlongTextIsAbsent) {
    const std::string name99(99, 'x'), name100(100, 'y');
    for (bool limited : {true, false}) {
        MemorySettingsStore memory;
        UnlimitedStore unlimited;
        MemorySettingsStore& store = limited ? memory : unlimited;
        store.values = {{"szVideoMenuL", name99},    {"szVideoMenuR", name100}, {"OpenFolder", name100},
                        {"FileHistory0", name100},   {"FileHistory1", name99},  {"nStereo", "4" + name99},
                        {"FileTypeHistory", "1,2,"}};
        LoadSettings(store);
        EXPECT_EQ(g_Settings.szVideoMenuL, name99) << limited;
        EXPECT_EQ(g_Settings.szVideoMenuR, "") << limited;
        EXPECT_EQ(g_Settings.szOpenFolder, "") << limited;
        EXPECT_EQ(g_Settings.nStereo, 2) << limited;
        EXPECT_EQ(g_Settings.history[0].path, name99) << limited;
        EXPECT_EQ(g_Settings.history[0].typeCode, 2) << limited;
        EXPECT_EQ(g_Settings.history[1].path, "") << limited;
    }
}

// WinMain reads "nIEFileSave" alone, before the window loads the rest.
TEST_F(SettingsLoad, OneValue) {
    MemorySettingsStore store;
    store.values = {{"nIEFileSave", "0"}, {"nStereo", "5"}};
    EXPECT_TRUE(LoadSetting(store, "nIEFileSave"));
    EXPECT_EQ(g_Settings.nIEFileSave, 0);
    EXPECT_EQ(g_Settings.nStereo, 2);
    store.values["nVidia"] = "0";
    EXPECT_TRUE(LoadSetting(store, "nVidia"));
    EXPECT_EQ(g_nShutterDriver, 0);
    EXPECT_FALSE(LoadSetting(store, "nNoSuchValue"));
    EXPECT_FALSE(LoadSetting(store, "FileHistory0"));
    EXPECT_FALSE(LoadSetting(store, nullptr));
}

TEST_F(SettingsStoreSetting, WritesDecimalTextAndKeepsTheValue) {
    RecordingStore store;
    EXPECT_TRUE(StoreSetting(store, "nStereo", 13));
    EXPECT_TRUE(StoreSetting(store, "nRepeat", 1));
    EXPECT_TRUE(StoreSetting(store, "nWebWD", 1920));
    EXPECT_TRUE(StoreSetting(store, "nAutoRegSet", 123));
    EXPECT_TRUE(StoreSetting(store, "nVidia", 2));
    EXPECT_EQ(g_nShutterDriver, 2) << "the streaming threads' copy follows";
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"nStereo", "13"}, {"nRepeat", "1"}, {"nWebWD", "1920"}, {"nAutoRegSet", "123"}, {"nVidia", "2"}};
    EXPECT_EQ(store.writes, expected);
    EXPECT_EQ(g_Settings.nStereo, 13);
    EXPECT_EQ(g_Settings.nWebWD, 1920);
    EXPECT_EQ(g_nDisplayMode, 2) << "the live display mode is the caller's";
}

// The dialogs store a value corrected by the same rules the loader applies;
// a value no rule can correct changes nothing.
TEST_F(SettingsStoreSetting, CorrectsOrRefusesBadValues) {
    RecordingStore store;
    EXPECT_TRUE(StoreSetting(store, "gRate", 0));
    EXPECT_TRUE(StoreSetting(store, "gRate", 60));
    EXPECT_TRUE(StoreSetting(store, "nWcent", 3));
    EXPECT_TRUE(StoreSetting(store, "nFullscreen", 259));
    const std::vector<std::pair<std::string, std::string>> corrected = {
        {"gRate", "1"}, {"gRate", "30"}, {"nWcent", "0"}, {"nFullscreen", "201"}};
    EXPECT_EQ(store.writes, corrected);

    store.writes.clear();
    const PlayerSettings before = g_Settings;
    EXPECT_FALSE(StoreSetting(store, "nStereo", 14));
    EXPECT_FALSE(StoreSetting(store, "nDisp", -1));
    EXPECT_FALSE(StoreSetting(store, "nWebHT", 0));
    EXPECT_FALSE(StoreSetting(store, "n3DSize", 5));
    EXPECT_FALSE(StoreSetting(store, "nVidia", 3));
    EXPECT_FALSE(StoreSetting(store, "nFullscreen", 1000));
    EXPECT_FALSE(StoreSetting(store, "nNoSuchValue", 1));
    EXPECT_FALSE(StoreSetting(store, "szVideoMenuL", 1)) << "a text value";
    EXPECT_FALSE(StoreSetting(store, "nRepeat", std::string("1"))) << "a number value";
    EXPECT_FALSE(StoreSetting(store, "FileHistory0", std::string("C:\\a.avi")));
    EXPECT_TRUE(store.writes.empty());
    EXPECT_EQ(g_Settings.nStereo, before.nStereo);
    EXPECT_EQ(g_Settings.nWebHT, before.nWebHT);
    EXPECT_EQ(g_Settings.n3DSize, before.n3DSize);
    EXPECT_EQ(g_nShutterDriver, 1);
}

// A dialog changes one digit of "nFullscreen" and stores all three.
TEST_F(SettingsStoreSetting, OneDigitOfAPackedValue) {
    RecordingStore store;
    g_Settings.nFullscreen = 231;
    g_Settings.nFullscreen = WithDecimalDigit(g_Settings.nFullscreen, 0, 0);
    EXPECT_TRUE(StoreSetting(store, "nFullscreen"));
    g_Settings.nFullscreen = WithDecimalDigit(g_Settings.nFullscreen, 2, 0);
    EXPECT_TRUE(StoreSetting(store, "nFullscreen"));
    const std::vector<std::pair<std::string, std::string>> expected = {{"nFullscreen", "230"},
                                                                       {"nFullscreen", "30"}};
    EXPECT_EQ(store.writes, expected);
    EXPECT_EQ(FullScreenAfterOpen(), 3);
}

TEST_F(SettingsStoreSetting, EverythingStoredLoadsBack) {
    MemorySettingsStore store;
    const struct {
        const char* name;
        int32_t value;
    } numbers[] = {{"nIEFileSave", 0}, {"nFullscreen", 310}, {"nAutostart", 0}, {"nWebWD", 1280},
                   {"nWebHT", 720},    {"gRate", 25},        {"nWcamprm", 110}, {"nDisp", 3},
                   {"nRepeat", 1},     {"nWcent", 1},        {"nAutoRegSet", 123}, {"nVidia", 0},
                   {"nStereo", 11},    {"nRGB", 1},          {"nDispCom", 5},   {"nStereoCom", 7},
                   {"nRGBCom", 1},     {"n3DSize", 2},       {"n3DBpp", 1}};
    for (const auto& n : numbers) EXPECT_TRUE(StoreSetting(store, n.name, n.value)) << n.name;
    const char* const texts[] = {"OpenFolder", "szVideoMenuL", "szVideoMenuR", "szCompMenuC"};
    for (const char* name : texts) EXPECT_TRUE(StoreSetting(store, name, std::string("text of ") + name));
    EXPECT_TRUE(AddToHistory(store, "C:\\a.avi", 5, 1, 1, 2));
    const PlayerSettings stored = g_Settings;

    LoadSettings(empty_);
    LoadSettings(store);
    for (const auto& n : numbers) {
        MemorySettingsStore one;
        StoreSetting(one, n.name);  // the loaded value, written again
        EXPECT_EQ(one.values[n.name], std::to_string(n.value)) << n.name;
    }
    EXPECT_EQ(g_Settings.szOpenFolder, stored.szOpenFolder);
    EXPECT_EQ(g_Settings.szVideoMenuL, stored.szVideoMenuL);
    EXPECT_EQ(g_Settings.szVideoMenuR, stored.szVideoMenuR);
    EXPECT_EQ(g_Settings.szCompMenuC, stored.szCompMenuC);
    EXPECT_EQ(g_Settings.history[0].path, "C:\\a.avi");
    EXPECT_EQ(g_Settings.history[0].typeCode, stored.history[0].typeCode);
}

TEST(SettingsHistoryType, EncodesAndDecodes) {
    HistoryType type;
    type.inputLayout = 2;
    type.displayMode = 1;
    EXPECT_EQ(EncodeHistoryType(type), 102);
    type = {5, 13, 1, 3};
    EXPECT_EQ(EncodeHistoryType(type), 311305);

    for (int32_t fs = 0; fs <= 3; ++fs)
        for (int32_t rgb = 0; rgb <= 1; ++rgb)
            for (int32_t mode = 0; mode <= 13; ++mode)
                for (int32_t layout = 0; layout <= 5; ++layout) {
                    HistoryType in{layout, mode, rgb, fs}, out;
                    ASSERT_TRUE(DecodeHistoryType(EncodeHistoryType(in), out));
                    EXPECT_TRUE(out.inputLayout == layout && out.displayMode == mode && out.rgbMode == rgb &&
                                out.fullScreen == fs);
                }

    // Layout 6, layout 99, mode 14, RGB 2, full-screen digit 4, negative.
    for (int32_t code : {6, 99, 1400, 20000, 400000, -1, 2147483647}) {
        HistoryType out{1, 1, 1, 1};
        EXPECT_FALSE(DecodeHistoryType(code, out)) << code;
        EXPECT_TRUE(out.inputLayout == 0 && out.displayMode == 0 && out.rgbMode == 0 && out.fullScreen == 0);
    }
}

// "102,5," decodes entry 0 as layout 2, display mode 1, RGB off, no full
// screen, and entry 1 as layout 5, mode 0; the rest get 0.
TEST_F(SettingsHistory, TypeCodesAreReadFromCommaSeparatedText) {
    const struct {
        const char* text;
        int32_t codes[kHistorySize];
    } cases[] = {
        {"102,5,", {102, 5, 0, 0, 0}},
        {"1,2,3,4,5,", {1, 2, 3, 4, 5}},
        {"1,2,3,4,5,6,7,", {1, 2, 3, 4, 5}},
        {"1,2", {1, 2, 0, 0, 0}},
        {"1,,3", {1, 0, 3, 0, 0}},
        {"abc,4x,", {0, 4, 0, 0, 0}},
        {",,,,105", {0, 0, 0, 0, 105}},
        {"", {0, 0, 0, 0, 0}},
        // Codes that decode into no valid stereo values become 0.
        {"1400,-3,99,400000,311305,", {0, 0, 0, 0, 311305}},
    };
    for (const auto& c : cases) {
        MemorySettingsStore store;
        for (int i = 0; i < kHistorySize; ++i)
            store.values["FileHistory" + std::to_string(i)] = "C:\\m" + std::to_string(i) + ".avi";
        store.values["FileTypeHistory"] = c.text;
        LoadSettings(store);
        for (int i = 0; i < kHistorySize; ++i)
            EXPECT_EQ(g_Settings.history[i].typeCode, c.codes[i]) << "\"" << c.text << "\" entry " << i;
    }
    HistoryType type;
    MemorySettingsStore store;
    store.values = {{"FileHistory0", "a"}, {"FileHistory1", "b"}, {"FileTypeHistory", "102,5,"}};
    LoadSettings(store);
    ASSERT_TRUE(DecodeHistoryType(g_Settings.history[0].typeCode, type));
    EXPECT_TRUE(type.inputLayout == 2 && type.displayMode == 1 && type.rgbMode == 0 && type.fullScreen == 0);
    ASSERT_TRUE(DecodeHistoryType(g_Settings.history[1].typeCode, type));
    EXPECT_TRUE(type.inputLayout == 5 && type.displayMode == 0);
}

// Entries that cannot be read are dropped so that the menu, which stops at
// an empty entry 0, still shows the others; codes stay with their paths.
TEST_F(SettingsHistory, UnreadableEntriesDoNotHideTheRest) {
    MemorySettingsStore store;
    store.values = {{"FileHistory0", std::string(120, 'x')},
                    {"FileHistory1", "C:\\b.avi"},
                    {"FileHistory3", "C:\\d.avi"},
                    {"FileTypeHistory", "1,2,3,4,5,"}};
    LoadSettings(store);
    EXPECT_EQ(g_Settings.history[0].path, "C:\\b.avi");
    EXPECT_EQ(g_Settings.history[0].typeCode, 2);
    EXPECT_EQ(g_Settings.history[1].path, "C:\\d.avi");
    EXPECT_EQ(g_Settings.history[1].typeCode, 4);
    for (int i = 2; i < kHistorySize; ++i) {
        EXPECT_EQ(g_Settings.history[i].path, "");
        EXPECT_EQ(g_Settings.history[i].typeCode, 0);
    }
}

TEST_F(SettingsHistory, NewFilesGoFirstAndTheOldestDropsOff) {
    RecordingStore store;
    ASSERT_TRUE(AddToHistory(store, "C:\\1.avi", 2, 0, 0, 0));
    const std::vector<std::pair<std::string, std::string>> first = {{"FileTypeHistory", "200,0,0,0,0,"},
                                                                    {"FileHistory0", "C:\\1.avi"}};
    EXPECT_EQ(store.writes, first);

    for (int i = 2; i <= 6; ++i) ASSERT_TRUE(AddToHistory(store, "C:\\" + std::to_string(i) + ".avi", i, 1, 0, 0));
    for (int i = 0; i < kHistorySize; ++i) {
        EXPECT_EQ(g_Settings.history[i].path, "C:\\" + std::to_string(6 - i) + ".avi");
        EXPECT_EQ(g_Settings.history[i].typeCode, 100 * (6 - i) + 1);
    }
    EXPECT_EQ(store.values["FileTypeHistory"], "601,501,401,301,201,");
    EXPECT_EQ(store.values["FileHistory4"], "C:\\2.avi");

    // What was stored loads back the same.
    const PlayerSettings stored = g_Settings;
    LoadSettings(store);
    for (int i = 0; i < kHistorySize; ++i) {
        EXPECT_EQ(g_Settings.history[i].path, stored.history[i].path);
        EXPECT_EQ(g_Settings.history[i].typeCode, stored.history[i].typeCode);
    }
}

// A file opened again keeps its place; only its code changes, and only the
// codes are written. Paths compare byte for byte, case included.
TEST_F(SettingsHistory, AListedFileKeepsItsPlace) {
    RecordingStore store;
    AddToHistory(store, "C:\\a.avi", 2, 0, 0, 0);
    AddToHistory(store, "C:\\b.avi", 2, 0, 0, 0);
    AddToHistory(store, "C:\\c.avi", 2, 0, 0, 0);
    store.writes.clear();
    ASSERT_TRUE(AddToHistory(store, "C:\\b.avi", 13, 5, 1, 3));
    const std::vector<std::pair<std::string, std::string>> codesOnly = {{"FileTypeHistory", "200,311305,200,0,0,"}};
    EXPECT_EQ(store.writes, codesOnly);
    EXPECT_EQ(g_Settings.history[0].path, "C:\\c.avi");
    EXPECT_EQ(g_Settings.history[1].path, "C:\\b.avi");
    EXPECT_EQ(g_Settings.history[1].typeCode, 311305);

    ASSERT_TRUE(AddToHistory(store, "C:\\B.avi", 2, 0, 0, 0));
    EXPECT_EQ(g_Settings.history[0].path, "C:\\B.avi");
    EXPECT_EQ(g_Settings.history[2].path, "C:\\b.avi");

    // A path listed twice (as a store may hold it) gets the code in both places.
    MemorySettingsStore twice;
    twice.values = {{"FileHistory0", "x"}, {"FileHistory1", "y"}, {"FileHistory2", "x"}};
    LoadSettings(twice);
    ASSERT_TRUE(AddToHistory(twice, "x", 1, 0, 0, 0));
    EXPECT_EQ(twice.values["FileTypeHistory"], "100,0,100,0,0,");
}

TEST_F(SettingsHistory, RefusesAnEmptyPathAndInvalidStereoValues) {
    RecordingStore store;
    AddToHistory(store, "C:\\a.avi", 2, 0, 0, 0);
    store.writes.clear();
    EXPECT_FALSE(AddToHistory(store, "", 2, 0, 0, 0));
    EXPECT_FALSE(AddToHistory(store, "C:\\b.avi", 14, 0, 0, 0));
    EXPECT_FALSE(AddToHistory(store, "C:\\b.avi", 2, 6, 0, 0));
    EXPECT_FALSE(AddToHistory(store, "C:\\b.avi", 2, 0, 2, 0));
    EXPECT_FALSE(AddToHistory(store, "C:\\b.avi", 2, 0, 0, 4));
    EXPECT_FALSE(AddToHistory(store, "C:\\a.avi", -1, 0, 0, 0));
    EXPECT_TRUE(store.writes.empty());
    EXPECT_EQ(g_Settings.history[0].path, "C:\\a.avi");
    EXPECT_EQ(g_Settings.history[0].typeCode, 200);
    EXPECT_EQ(g_Settings.history[1].path, "");
}

TEST_F(SettingsHistory, ClearEmptiesEveryEntry) {
    RecordingStore store;
    for (const char* path : {"C:\\a.avi", "C:\\b.avi"}) AddToHistory(store, path, 3, 1, 1, 1);
    store.writes.clear();
    ClearHistory(store);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"FileHistory0", ""}, {"FileHistory1", ""}, {"FileHistory2", ""},
        {"FileHistory3", ""}, {"FileHistory4", ""}, {"FileTypeHistory", "0,0,0,0,0,"}};
    EXPECT_EQ(store.writes, expected);
    for (const HistoryEntry& entry : g_Settings.history) {
        EXPECT_EQ(entry.path, "");
        EXPECT_EQ(entry.typeCode, 0);
    }
    LoadSettings(store);
    EXPECT_EQ(g_Settings.history[0].path, "");
}

// The folder is the path up to its last backslash; in multibyte text the
// second byte of a character (0x5C in many kanji) is no backslash.
TEST(SettingsOpenFolder, FolderOfAPath) {
    const struct {
        std::string path, folder;
    } cases[] = {
        {"C:\\Movies\\clip.avi", "C:\\Movies\\"},
        {"C:\\clip.avi", "C:\\"},
        {"\\\\server\\share\\", "\\\\server\\share\\"},
        {"clip.avi", "clip.avi"},  // no backslash: the whole path
        {"http://host/dir/clip.avi", "http://host/dir/clip.avi"},
        {"", ""},
        // 表示 is 95 5C 8E A6 in the Japanese code page.
        {"C:\\\x95\x5C\x8E\xA6\\clip.avi", "C:\\\x95\x5C\x8E\xA6\\"},
        {"C:\\dir\\\x95\x5C", "C:\\dir\\"},
        {"C:\\dir\\\x95\x5C.avi", "C:\\dir\\"},
        {"C:\\dir\\x\x81", "C:\\dir\\"},  // a lead byte at the very end
        {"C:\\\x81\\x.avi", "C:\\"},      // every byte above 127 leads a pair
    };
    for (const auto& c : cases) EXPECT_EQ(FolderOfPath(c.path), c.folder) << c.path;
}

TEST_F(SettingsTest, OpenFolderIsRememberedAndStored) {
    MemorySettingsStore store;
    RememberOpenFolder("D:\\3D\\clip.avi");
    EXPECT_EQ(g_Settings.szOpenFolder, "D:\\3D\\");
    EXPECT_TRUE(store.values.empty()) << "written only when the window closes";
    EXPECT_TRUE(StoreSetting(store, "OpenFolder"));
    EXPECT_EQ(store.values["OpenFolder"], "D:\\3D\\");
}

}  // namespace
