// Runs the built duoscope-compose as a process and checks its output
// against the compositors called directly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "composition/compose.h"
#include "tools/compose/bmp_io.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes RandomBytes(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& v : b) v = uint8_t(rng());
    return b;
}

Bytes Slurp(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void Spit(const fs::path& p, const Bytes& b) {
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

uint32_t Get32(const Bytes& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

std::string Quote(const std::string& s) {
#ifdef _WIN32
    return "\"" + s + "\"";
#else
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
#endif
}

struct RawJob {
    PixelFormatCode format;
    int32_t mode, layout;
    bool swap;
    int32_t width, height;
    int fill;  // -1: leave the option out (fill 0)
    int frames;

    int32_t Bpp() const { return BytesPerPixel(format); }
    int32_t Rows() const { return height < 0 ? -height : height; }
    size_t FrameBytes() const { return size_t(width) * Bpp() * Rows(); }
    size_t OutBytes() const { return 2 * FrameBytes(); }
    uint8_t FillByte() const { return uint8_t(fill < 0 ? 0 : fill); }

    std::string Args() const {
        std::string a = std::string("--pixel-format ") + (format == PixelFormatCode::Yuy2 ? "yuy2" : "rgb24") +
                        " --width " + std::to_string(width) + " --height " + std::to_string(height) +
                        " --layout " + std::to_string(layout) + " --mode " + std::to_string(mode);
        if (swap) a += " --swap";
        if (fill >= 0) a += " --fill " + std::to_string(fill);
        if (frames != 1) a += " --frames " + std::to_string(frames);
        return a;
    }

    // What the tool must write: one output buffer, filled once, composed
    // into by each frame in turn.
    Bytes Expected(const Bytes& input) const {
        const ptrdiff_t srcStride = ptrdiff_t(width) * Bpp();
        Bytes dst(OutBytes(), FillByte()), all;
        for (int f = 0; f < frames; ++f) {
            const FrameBuffers fb{input.data() + f * FrameBytes(), srcStride, width, height,
                                  dst.data(), 2 * srcStride, 2 * width, Rows()};
            EXPECT_EQ(ComposeFrame(format, mode, layout, swap, fb), ComposeResult::Composed);
            all.insert(all.end(), dst.begin(), dst.end());
        }
        return all;
    }
};

class ComposeCliTest : public testing::Test {
protected:
    struct Result {
        int status;
        Bytes out;
        std::string err;
    };

    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("duoscope-compose-test-" + std::to_string(std::random_device{}()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

    // Runs the tool with stdin from `input`; stdout and stderr are captured.
    Result Run(const std::string& args, const Bytes& input = {}, const std::string& stdoutPath = "") {
        Spit(dir_ / "stdin", input);
        const std::string out = stdoutPath.empty() ? PathOf("stdout") : stdoutPath;
        const std::string command = Quote(DUOSCOPE_COMPOSE_EXE) + " " + args + " < " + Quote(PathOf("stdin")) +
                                    " > " + Quote(out) + " 2> " + Quote(PathOf("stderr"));
        const int raw = std::system(command.c_str());
#ifdef _WIN32
        const int status = raw;
#else
        const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
        const Bytes err = Slurp(dir_ / "stderr");
        Result r{status, stdoutPath.empty() ? Slurp(out) : Bytes{}, std::string(err.begin(), err.end())};
        fs::remove(dir_ / "stdin");
        fs::remove(dir_ / "stdout");
        fs::remove(dir_ / "stderr");
        return r;
    }

    std::vector<std::string> Listing() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir_;
};

// ---- raw frames ----

TEST_F(ComposeCliTest, RawOutputMatchesTheCompositors) {
    const auto rgb = PixelFormatCode::Rgb24, yuy2 = PixelFormatCode::Yuy2;
    const RawJob jobs[] = {
        {rgb, 2, 0, false, 8, 4, -1, 1},    {rgb, 0, 1, true, 10, 6, 0xA5, 2},  {rgb, 7, 3, false, 10, 9, 17, 2},
        {rgb, 13, 5, true, 7, 5, 255, 3},   {rgb, 10, 4, false, 6, 7, 0x33, 2}, {rgb, 6, 2, false, 9, 8, 1, 2},
        {yuy2, 2, 0, false, 8, 4, 0x80, 2}, {yuy2, 1, 1, true, 6, 6, 9, 2},     {yuy2, 5, 4, true, 10, 5, 200, 2},
        {yuy2, 7, 2, false, 4, 9, 0, 2},    {yuy2, 12, 5, false, 8, 3, 77, 1},
        {rgb, 2, 0, true, 1920, 1080, 0x10, 2},
    };
    unsigned seed = 1;
    for (const RawJob& job : jobs) {
        SCOPED_TRACE(job.Args());
        const Bytes input = RandomBytes(job.FrameBytes() * job.frames, seed++);
        const Result r = Run(job.Args(), input);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        ASSERT_EQ(r.out.size(), job.OutBytes() * job.frames);
        EXPECT_TRUE(r.out == job.Expected(input));

        // Outside the composed area every frame shows only the fill.
        const ComposedArea area = ComposedAreaOf(job.format, job.mode, job.layout, job.width, job.height);
        ASSERT_FALSE(area.empty());
        const size_t rowBytes = 2 * size_t(job.width) * job.Bpp();
        size_t stray = 0;
        for (size_t i = 0; i < r.out.size(); ++i) {
            const size_t row = i % job.OutBytes() / rowBytes, byte = i % rowBytes;
            const bool inside = int64_t(row) >= area.firstRow && int64_t(row) < area.firstRow + area.rowCount &&
                                byte < size_t(area.rowBytes);
            stray += !inside && r.out[i] != job.FillByte();
        }
        EXPECT_EQ(stray, 0u);
    }
}

TEST_F(ComposeCliTest, NegativeHeightWritesOnlyTheFill) {
    for (const RawJob& job : {RawJob{PixelFormatCode::Rgb24, 2, 0, false, 6, -4, 0x5A, 2},
                              RawJob{PixelFormatCode::Rgb24, 7, 1, true, 5, -6, 3, 1},
                              RawJob{PixelFormatCode::Yuy2, 0, 0, false, 4, -2, 0xC3, 2}}) {
        SCOPED_TRACE(job.Args());
        const Result r = Run(job.Args(), RandomBytes(job.FrameBytes() * job.frames, 7));
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, Bytes(job.OutBytes() * job.frames, job.FillByte()));
    }
}

TEST_F(ComposeCliTest, ShortInputWritesOnlyWholeFrames) {
    const RawJob job{PixelFormatCode::Rgb24, 2, 0, false, 8, 4, 0x44, 3};
    const size_t frame = job.FrameBytes();
    const Bytes input = RandomBytes(frame * 3, 11);
    const Bytes expected = job.Expected(input);
    const struct {
        size_t inputBytes;
        size_t wholeFrames;
    } cases[] = {{0, 0}, {1, 0}, {frame - 1, 0}, {frame, 1}, {frame + 5, 1}, {2 * frame, 2}, {3 * frame - 1, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.inputBytes << " input bytes");
        const Result r = Run(job.Args(), Bytes(input.begin(), input.begin() + c.inputBytes));
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("input ended"), std::string::npos) << r.err;
        ASSERT_EQ(r.out.size(), c.wholeFrames * job.OutBytes());
        EXPECT_TRUE(std::equal(r.out.begin(), r.out.end(), expected.begin()));
    }
}

TEST_F(ComposeCliTest, BadArgumentsExitWithStatus2) {
    const std::string good = "--pixel-format rgb24 --width 8 --height 4 --layout 0 --mode 2";
    const char* cases[] = {
        "--pixel-format rgb24 --width 8 --height 4 --layout 0 --mode 2 --bogus",
        "--pixel-format rgb24 --width 8 --height 4 --layout 0 --mode",
        "--pixel-format rgb24 --width 8 --height 4 --layout 0",
        "--pixel-format rgb24 --width 8 --height 4 --mode 2",
        "--width 8 --height 4 --layout 0 --mode 2",
        "--pixel-format rgb24 --height 4 --layout 0 --mode 2",
        "--pixel-format rgb24 --width 8 --layout 0 --mode 2",
        "--pixel-format nv12 --width 8 --height 4 --layout 0 --mode 2",
        "--pixel-format rgb24 --width abc --height 4 --layout 0 --mode 2",
        "--pixel-format rgb24 --width 8x --height 4 --layout 0 --mode 2",
        "--pixel-format rgb24 --width '' --height 4 --layout 0 --mode 2",
        "--pixel-format rgb24 --width 0 --height 4 --layout 0 --mode 2",
        "--pixel-format rgb24 --width -8 --height 4 --layout 0 --mode 2",
        "--pixel-format rgb24 --width 8 --height 0 --layout 0 --mode 2",
        "--pixel-format rgb24 --width 8 --height 4 --layout 6 --mode 2",
        "--pixel-format rgb24 --width 8 --height 4 --layout -1 --mode 2",
        "--pixel-format rgb24 --width 8 --height 4 --layout 0 --mode two",
        "--pixel-format rgb24 --width 8 --height 4 --layout 0 --mode 99999999999",
        "--pixel-format rgb24 --width 8 --height 4 --layout 0 --mode 2 --fill 256",
        "--pixel-format rgb24 --width 8 --height 4 --layout 0 --mode 2 --fill -1",
        "--pixel-format rgb24 --width 8 --height 4 --layout 0 --mode 2 --frames 0",
        "--pixel-format rgb24 --width 8 --height 4 --layout 0 --mode 2 --width 8",
        "--pixel-format rgb24 --width 8 --height 4 --layout 0 --mode 2 --swap=1",
        // Buffer too large, or its size overflowing 64 bits.
        "--pixel-format rgb24 --width 100000 --height 100000 --layout 0 --mode 2",
        "--pixel-format yuy2 --width 16385 --height -16384 --layout 0 --mode 2",
        "--pixel-format rgb24 --width 9223372036854775807 --height 4 --layout 0 --mode 2",
        "--pixel-format rgb24 --width 4294967304 --height 4 --layout 0 --mode 2",
        // BMP mode takes exactly two files and no raw-frame options.
        "--layout 0 --mode 2 in.bmp",
        "--layout 0 --mode 2 a.bmp b.bmp c.bmp",
        "--layout 0 --mode 2 --width 8 a.bmp b.bmp",
        "--pixel-format rgb24 --width 8 --height 4 --layout 0 --mode 2 stray",
    };
    const Bytes frame(8 * 4 * 3, 1);
    ASSERT_EQ(Run(good, frame).status, 0);
    for (const char* args : cases) {
        const Result r = Run(args, frame);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_TRUE(r.out.empty()) << args;
        EXPECT_FALSE(r.err.empty()) << args;
    }
}

TEST_F(ComposeCliTest, ModesWithoutACompositorExitWithStatus3) {
    for (const char* mode : {"8", "9", "14", "-1", "2147483647"}) {
        // Checked before any input is read: empty stdin, missing files.
        for (const std::string& args :
             {std::string("--pixel-format yuy2 --width 8 --height 4 --layout 0 --mode ") + mode,
              std::string("--layout 1 --mode ") + mode + " " + Quote(PathOf("missing.bmp")) + " " +
                  Quote(PathOf("out.bmp"))}) {
            const Result r = Run(args);
            EXPECT_EQ(r.status, 3) << args;
            EXPECT_TRUE(r.out.empty()) << args;
            EXPECT_NE(r.err.find("no frame"), std::string::npos) << args << ": " << r.err;
        }
    }
    EXPECT_EQ(Listing(), std::vector<std::string>{});
}

TEST_F(ComposeCliTest, HelpGoesToStdout) {
    for (const char* args : {"--help", "--layout 0 --help --bogus"}) {
        const Result r = Run(args);
        EXPECT_EQ(r.status, 0) << args;
        const std::string out(r.out.begin(), r.out.end());
        EXPECT_NE(out.find("--pixel-format"), std::string::npos) << args;
        EXPECT_EQ(r.err, "") << args;
    }
}

TEST_F(ComposeCliTest, OptionValuesMayFollowAnEqualsSign) {
    const RawJob job{PixelFormatCode::Yuy2, 3, 2, true, 6, 4, 0x20, 2};
    const Bytes input = RandomBytes(job.FrameBytes() * 2, 5);
    const Result r = Run("--pixel-format=YUY2 --width=6 --height=4 --layout=2 --mode=3 --swap --fill=0x20 --frames=2",
                         input);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out == job.Expected(input));
}

#ifndef _WIN32
TEST_F(ComposeCliTest, WriteFailureExitsWithStatus2) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    // Frames larger than the stdio buffer fail in fwrite; a tiny one only
    // when it is flushed.
    for (const RawJob& job : {RawJob{PixelFormatCode::Rgb24, 2, 0, false, 64, 64, 0, 4},
                              RawJob{PixelFormatCode::Rgb24, 0, 0, false, 2, 1, 0, 1}}) {
        const Result r = Run(job.Args(), RandomBytes(job.FrameBytes() * job.frames, 3), "/dev/full");
        EXPECT_EQ(r.status, 2) << job.Args();
        EXPECT_NE(r.err.find("cannot write"), std::string::npos) << r.err;
    }
}
#endif

// ---- BMP files ----

// A bottom-up picture with rows `stride` bytes apart and random pixels.
struct Picture {
    int32_t width, height;
    Bytes rows;  // bottom row first, rows padded to 4 bytes as in a BMP
    ptrdiff_t Stride() const { return (3 * width + 3) / 4 * 4; }
};

Picture RandomPicture(int32_t width, int32_t height, unsigned seed) {
    Picture p{width, height, {}};
    p.rows = RandomBytes(size_t(p.Stride()) * height, seed);
    return p;
}

Bytes BottomUpFile(const Picture& p) {
    Bytes file;
    std::string error;
    EXPECT_TRUE(EncodeBmp24(p.rows.data(), p.Stride(), p.width, p.height, &file, &error)) << error;
    return file;
}

// The same picture stored top-down: rows reversed, height negated.
Bytes TopDownFile(const Picture& p) {
    Bytes file = BottomUpFile(p);
    const size_t stride = size_t(p.Stride());
    for (int32_t y = 0; y < p.height; ++y)
        std::memcpy(file.data() + 54 + y * stride, p.rows.data() + (p.height - 1 - y) * stride, stride);
    const uint32_t negated = uint32_t(-p.height);
    for (int i = 0; i < 4; ++i) file[22 + i] = uint8_t(negated >> (8 * i));
    return file;
}

// The file the tool should write: the composed area of a zeroed 2W x H
// output buffer, as a bottom-up BMP.
Bytes ExpectedBmp(const Picture& p, int32_t mode, int32_t layout, bool swap) {
    const ptrdiff_t dstStride = 6 * p.width;
    Bytes dst(size_t(dstStride) * p.height, 0);
    const FrameBuffers fb{p.rows.data(), p.Stride(), p.width, p.height, dst.data(), dstStride, 2 * p.width, p.height};
    EXPECT_EQ(ComposeFrame(PixelFormatCode::Rgb24, mode, layout, swap, fb), ComposeResult::Composed);
    const ComposedArea area = ComposedAreaOf(PixelFormatCode::Rgb24, mode, layout, p.width, p.height);
    Bytes file;
    std::string error;
    EXPECT_TRUE(EncodeBmp24(dst.data() + area.firstRow * dstStride, dstStride, area.rowBytes / 3, area.rowCount,
                            &file, &error))
        << error;
    return file;
}

TEST_F(ComposeCliTest, BmpSideBySideToRedCyanHalvesTheWidth) {
    const Picture picture = RandomPicture(8, 4, 21);
    Spit(dir_ / "in.bmp", BottomUpFile(picture));
    std::ofstream(dir_ / "out.bmp") << "stale output to be replaced";
    const Result r = Run("--layout 0 --mode 2 " + Quote(PathOf("in.bmp")) + " " + Quote(PathOf("out.bmp")));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.empty());

    const Bytes out = Slurp(dir_ / "out.bmp");
    ASSERT_EQ(out.size(), 54u + 4 * 12);
    EXPECT_EQ(out[0], 'B');
    EXPECT_EQ(out[1], 'M');
    EXPECT_EQ(Get32(out, 2), out.size());
    EXPECT_EQ(Get32(out, 10), 54u);
    EXPECT_EQ(Get32(out, 14), 40u);
    EXPECT_EQ(Get32(out, 18), 4u);  // width
    EXPECT_EQ(Get32(out, 22), 4u);  // height, bottom-up
    EXPECT_EQ(Get32(out, 26), 1u | 24u << 16);
    EXPECT_EQ(Get32(out, 30), 0u);
    EXPECT_EQ(Get32(out, 34), 4u * 12);
    EXPECT_TRUE(out == ExpectedBmp(picture, 2, 0, false));
    EXPECT_EQ(Listing(), (std::vector<std::string>{"in.bmp", "out.bmp"}));
}

TEST_F(ComposeCliTest, BmpTopDownAndBottomUpComposeAlike) {
    // Width 10: 30-byte rows padded to 32; over/under layouts show a row
    // order mix-up at once.
    const struct {
        int32_t mode, layout;
        bool swap;
    } cases[] = {{2, 0, false}, {5, 1, true},   {1, 1, false}, {7, 3, false},
                 {10, 4, true}, {12, 5, false}, {0, 2, false}};
    const Picture picture = RandomPicture(10, 6, 33);
    Spit(dir_ / "up.bmp", BottomUpFile(picture));
    Spit(dir_ / "down.bmp", TopDownFile(picture));
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " layout " << c.layout << " swap " << c.swap);
        const std::string opts = "--layout " + std::to_string(c.layout) + " --mode " + std::to_string(c.mode) +
                                 (c.swap ? " --swap " : " ");
        const Result up = Run(opts + Quote(PathOf("up.bmp")) + " " + Quote(PathOf("a.bmp")));
        const Result down = Run(opts + Quote(PathOf("down.bmp")) + " " + Quote(PathOf("b.bmp")));
        ASSERT_EQ(up.status, 0) << up.err;
        ASSERT_EQ(down.status, 0) << down.err;
        const Bytes expected = ExpectedBmp(picture, c.mode, c.layout, c.swap);
        EXPECT_TRUE(Slurp(dir_ / "a.bmp") == expected);
        EXPECT_TRUE(Slurp(dir_ / "b.bmp") == expected);
    }
}

TEST_F(ComposeCliTest, BadBmpInputExitsWithStatus2AndWritesNothing) {
    const Bytes good = BottomUpFile(RandomPicture(8, 4, 44));
    using Edit = void (*)(Bytes&);
    const struct {
        const char* name;
        Edit edit;
    } cases[] = {
        {"truncated pixels", [](Bytes& b) { b.resize(b.size() - 3); }},
        {"truncated header", [](Bytes& b) { b.resize(30); }},
        {"empty file", [](Bytes& b) { b.clear(); }},
        {"bad magic", [](Bytes& b) { b[0] = 'P'; }},
        {"32 bits per pixel", [](Bytes& b) { b[28] = 32; }},
        {"RLE compressed", [](Bytes& b) { b[30] = 1; }},
        {"offset past the end", [](Bytes& b) { b[10] = 0xFF; b[11] = 0x7F; }},
        {"offset inside headers", [](Bytes& b) { b[10] = 20; }},
        {"too small for the layout", [](Bytes& b) { b = BottomUpFile(RandomPicture(1, 1, 1)); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes file = good;
        c.edit(file);
        Spit(dir_ / "in.bmp", file);
        const Result r = Run("--layout 0 --mode 2 " + Quote(PathOf("in.bmp")) + " " + Quote(PathOf("out.bmp")));
        EXPECT_EQ(r.status, 2);
        EXPECT_FALSE(r.err.empty());
        EXPECT_EQ(Listing(), std::vector<std::string>{"in.bmp"});
    }

    // A missing input, and an output that cannot be created.
    Spit(dir_ / "in.bmp", good);
    for (const std::string& args : {Quote(PathOf("none.bmp")) + " " + Quote(PathOf("out.bmp")),
                                    Quote(PathOf("in.bmp")) + " " + Quote(PathOf("no-dir/out.bmp"))}) {
        const Result r = Run("--layout 0 --mode 2 " + args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_FALSE(r.err.empty()) << args;
        EXPECT_EQ(Listing(), std::vector<std::string>{"in.bmp"}) << args;
    }
}

TEST_F(ComposeCliTest, BmpEmptyAreaIsAnError) {
    // Over/under with one row: each view gets no rows.
    Spit(dir_ / "in.bmp", BottomUpFile(RandomPicture(6, 1, 5)));
    std::ofstream(dir_ / "out.bmp") << "keep me";
    const Result r = Run("--layout 1 --mode 2 " + Quote(PathOf("in.bmp")) + " " + Quote(PathOf("out.bmp")));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("too small"), std::string::npos) << r.err;
    const Bytes kept = Slurp(dir_ / "out.bmp");
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "keep me");
}

}  // namespace
