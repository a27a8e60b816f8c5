#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "tools/compose/bmp_io.h"

namespace fs = std::filesystem;

namespace {

void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}
uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

// Pixel (x, y) of a test picture, y counted from the bottom; distinct per
// byte so a row or column mix-up shows.
uint8_t Sample(int x, int y, int channel) { return uint8_t(y * 64 + x * 3 + channel + 1); }

// A BMP laid out by hand: infoSize-byte header, `gap` bytes before the
// pixels (a colour table, say), rows padded to 4 bytes.
std::vector<uint8_t> BuildBmp(int32_t width, int32_t height, bool topDown, uint32_t infoSize = 40,
                              uint32_t gap = 0) {
    const size_t rowBytes = (3 * size_t(width) + 3) / 4 * 4;
    const uint32_t offBits = 14 + infoSize + gap;
    std::vector<uint8_t> b(offBits + rowBytes * size_t(height), 0xEE);
    std::memset(b.data(), 0, offBits);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, uint32_t(b.size()));
    Put32(b, 10, offBits);
    Put32(b, 14, infoSize);
    Put32(b, 18, uint32_t(width));
    Put32(b, 22, uint32_t(topDown ? -height : height));
    Put16(b, 26, 1);
    Put16(b, 28, 24);
    for (int32_t stored = 0; stored < height; ++stored) {
        const int y = topDown ? height - 1 - stored : stored;
        uint8_t* row = b.data() + offBits + size_t(stored) * rowBytes;
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) row[3 * x + c] = Sample(x, y, c);
    }
    return b;
}

// Every pixel of a parsed picture, bottom row first, read through its stride.
void ExpectPicture(const Bmp24Image& image, int32_t width, int32_t height) {
    ASSERT_EQ(image.width, width);
    ASSERT_EQ(image.height, height);
    int wrong = 0;
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = image.Row0() + y * image.stride;
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) wrong += row[3 * x + c] != Sample(x, y, c);
    }
    EXPECT_EQ(wrong, 0);
}

TEST(Bmp24Read, BottomUpAndTopDownPresentTheSamePicture) {
    // Width 10: 30-byte rows padded to 32.
    for (bool topDown : {false, true}) {
        SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
        Bmp24Image image;
        std::string error;
        ASSERT_TRUE(ParseBmp24(BuildBmp(10, 3, topDown), &image, &error)) << error;
        EXPECT_EQ(image.stride, topDown ? -32 : 32);
        ExpectPicture(image, 10, 3);
    }
}

TEST(Bmp24Read, HonoursLargerInfoHeadersAndPixelOffset) {
    const struct {
        uint32_t infoSize, gap;
    } cases[] = {{40, 0}, {108, 0}, {124, 0}, {40, 1024}, {124, 6}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "infoSize " << c.infoSize << " gap " << c.gap);
        for (bool topDown : {false, true}) {
            Bmp24Image image;
            std::string error;
            ASSERT_TRUE(ParseBmp24(BuildBmp(5, 4, topDown, c.infoSize, c.gap), &image, &error)) << error;
            ExpectPicture(image, 5, 4);
        }
    }
}

TEST(Bmp24Read, RejectsMalformedFiles) {
    using Edit = void (*)(std::vector<uint8_t>&);
    const struct {
        const char* name;
        Edit edit;
        const char* expected;  // part of the error message
    } cases[] = {
        {"empty", [](std::vector<uint8_t>& b) { b.clear(); }, "BM"},
        {"bad magic", [](std::vector<uint8_t>& b) { b[1] = 'A'; }, "BM"},
        {"file header only", [](std::vector<uint8_t>& b) { b.resize(14); }, "truncated"},
        {"info header cut", [](std::vector<uint8_t>& b) { b.resize(40); }, "truncated"},
        {"core header", [](std::vector<uint8_t>& b) { Put32(b, 14, 12); }, "info header"},
        {"two planes", [](std::vector<uint8_t>& b) { Put16(b, 26, 2); }, "planes"},
        {"32 bits", [](std::vector<uint8_t>& b) { Put16(b, 28, 32); }, "bits per pixel"},
        {"8 bits", [](std::vector<uint8_t>& b) { Put16(b, 28, 8); }, "bits per pixel"},
        {"RLE", [](std::vector<uint8_t>& b) { Put32(b, 30, 1); }, "compression"},
        {"bit fields", [](std::vector<uint8_t>& b) { Put32(b, 30, 3); }, "compression"},
        {"zero width", [](std::vector<uint8_t>& b) { Put32(b, 18, 0); }, "width"},
        {"negative width", [](std::vector<uint8_t>& b) { Put32(b, 18, uint32_t(-4)); }, "width"},
        {"huge width", [](std::vector<uint8_t>& b) { Put32(b, 18, 0x7FFFFFFF); }, "width"},
        {"zero height", [](std::vector<uint8_t>& b) { Put32(b, 22, 0); }, "height"},
        {"most negative height", [](std::vector<uint8_t>& b) { Put32(b, 22, 0x80000000u); }, "height"},
        {"huge height", [](std::vector<uint8_t>& b) { Put32(b, 22, 0x7FFFFFFF); }, "truncated"},
        {"pixels one byte short", [](std::vector<uint8_t>& b) { b.pop_back(); }, "truncated"},
        {"offset inside headers", [](std::vector<uint8_t>& b) { Put32(b, 10, 50); }, "inside the headers"},
        {"offset past end", [](std::vector<uint8_t>& b) { Put32(b, 10, uint32_t(b.size() + 1)); }, "past the end"},
        {"offset too late for pixels", [](std::vector<uint8_t>& b) { Put32(b, 10, 58); }, "truncated"},
        {"offset near 4 GiB", [](std::vector<uint8_t>& b) { Put32(b, 10, 0xFFFFFFF0u); }, "past the end"},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> file = BuildBmp(5, 4, false);
        c.edit(file);
        Bmp24Image image;
        std::string error;
        EXPECT_FALSE(ParseBmp24(file, &image, &error)) << c.name;
        EXPECT_NE(error.find(c.expected), std::string::npos) << c.name << ": " << error;
    }
}

TEST(Bmp24Write, EncodesABottomUpPaddedFile) {
    // 5 pixels = 15 bytes a row, padded to 16; the source rows are 20 bytes
    // apart and the bytes between them must not leak into the file.
    const int32_t width = 5, height = 3;
    std::vector<uint8_t> source(20 * height, 0x77);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) source[20 * y + 3 * x + c] = Sample(x, y, c);

    std::vector<uint8_t> file;
    std::string error;
    ASSERT_TRUE(EncodeBmp24(source.data(), 20, width, height, &file, &error)) << error;
    ASSERT_EQ(file.size(), 54u + 16 * 3);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(Get32(file, 2), file.size());  // bfSize
    EXPECT_EQ(Get32(file, 10), 54u);         // bfOffBits
    EXPECT_EQ(Get32(file, 14), 40u);         // biSize
    EXPECT_EQ(Get32(file, 18), uint32_t(width));
    EXPECT_EQ(Get32(file, 22), uint32_t(height));  // positive: bottom-up
    EXPECT_EQ(Get32(file, 26), 1u | 24u << 16);    // planes, bit count
    EXPECT_EQ(Get32(file, 30), 0u);                // BI_RGB
    EXPECT_EQ(Get32(file, 34), 16u * 3);           // biSizeImage
    for (int y = 0; y < height; ++y) EXPECT_EQ(file[54 + 16 * y + 15], 0) << "padding of row " << y;

    Bmp24Image image;
    ASSERT_TRUE(ParseBmp24(file, &image, &error)) << error;
    ExpectPicture(image, width, height);

    // Rows may also be walked backwards (a top-down source).
    std::vector<uint8_t> reversed;
    ASSERT_TRUE(EncodeBmp24(source.data() + 40, -20, width, height, &reversed, &error)) << error;
    ASSERT_EQ(reversed.size(), file.size());
    EXPECT_TRUE(std::equal(reversed.begin() + 54, reversed.begin() + 70, file.begin() + 54 + 32));
}

TEST(Bmp24Write, RejectsAnEmptyPicture) {
    std::vector<uint8_t> file;
    std::string error;
    uint8_t pixel[3] = {};
    EXPECT_FALSE(EncodeBmp24(pixel, 3, 0, 1, &file, &error));
    EXPECT_FALSE(EncodeBmp24(pixel, 3, 1, 0, &file, &error));
    EXPECT_FALSE(error.empty());
}

class BmpFileTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("duoscope-bmp-test-" + std::to_string(std::random_device{}()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::vector<std::string> Listing() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    static std::vector<uint8_t> Slurp(const fs::path& p) {
        std::ifstream f(p, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }

    fs::path dir_;
};

TEST_F(BmpFileTest, WriteReplacesTheTargetAndLeavesNoTemporary) {
    const fs::path target = dir_ / "out.bmp";
    std::ofstream(target, std::ios::binary) << "an older, longer file that must disappear";
    const uint8_t picture[6] = {1, 2, 3, 4, 5, 6};
    std::string error;
    ASSERT_TRUE(WriteBmp24File(target.string(), picture, 6, 2, 1, &error)) << error;
    EXPECT_EQ(Listing(), std::vector<std::string>{"out.bmp"});

    Bmp24Image image;
    ASSERT_TRUE(ReadBmp24File(target.string(), &image, &error)) << error;
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 1);
    EXPECT_EQ(std::memcmp(image.Row0(), picture, 6), 0);
}

TEST_F(BmpFileTest, FailedWriteLeavesNothing) {
    const fs::path target = dir_ / "missing-dir" / "out.bmp";
    std::string error;
    EXPECT_FALSE(WriteFileReplacing(target.string(), std::vector<uint8_t>(10, 1), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(Listing().empty());
}

TEST_F(BmpFileTest, ReadsWholeFilesAndNamesTheFileInErrors) {
    Bmp24Image image;
    std::string error;
    const std::string missing = (dir_ / "nope.bmp").string();
    EXPECT_FALSE(ReadBmp24File(missing, &image, &error));
    EXPECT_NE(error.find(missing), std::string::npos) << error;

    const fs::path bad = dir_ / "bad.bmp";
    std::ofstream(bad, std::ios::binary) << "BM";
    EXPECT_FALSE(ReadBmp24File(bad.string(), &image, &error));
    EXPECT_NE(error.find(bad.string()), std::string::npos) << error;

    // A file larger than the read chunk comes in whole.
    const fs::path big = dir_ / "big.bmp";
    const std::vector<uint8_t> bytes = BuildBmp(700, 600, true);
    std::ofstream(big, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    ASSERT_TRUE(ReadBmp24File(big.string(), &image, &error)) << error;
    ExpectPicture(image, 700, 600);
}

}  // namespace
