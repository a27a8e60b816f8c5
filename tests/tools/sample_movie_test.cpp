// Runs the sample movie's frame generator and checks that what it writes is
// a usable stereo pair: the right amount of data, and objects whose
// left/right shift follows their depth around a zero-parallax plane.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <sys/wait.h>

namespace {

using Bytes = std::vector<uint8_t>;

struct Output {
    int exitCode = -1;
    Bytes out;
};

Output RunGenerator(const std::string& args) {
    const std::string cmd = std::string("'") + DUOSCOPE_SAMPLE_FRAMES_EXE + "' " + args + " 2>/dev/null";
    Output r;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    uint8_t buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.insert(r.out.end(), buf, buf + n);
    const int status = pclose(p);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

constexpr int kW = 640, kH = 480;  // one view at the default size
constexpr size_t kFrameBytes = size_t(2) * kW * kH * 3;

enum class Hue { Red, Green, Yellow };

// The objects' colours are far apart in hue; ground and backdrop are nearly
// grey, so none of these tests picks them up.
bool IsHue(Hue hue, int r, int g, int b) {
    switch (hue) {
        case Hue::Red: return r > 90 && r > 2 * g && r > 2 * b;
        case Hue::Green: return g > 90 && 2 * g > 3 * r && 2 * g > 3 * b;
        case Hue::Yellow: return r > 90 && g > 90 && 5 * b < 3 * r && 5 * b < 3 * g && 3 * std::abs(r - g) < r;
    }
    return false;
}

struct Centroid {
    double x = 0, y = 0;
    long count = 0;
};

// Centroid of one hue in one view (0 left, 1 right) of a bgr24 frame;
// x is relative to that view's own left edge.
Centroid Find(const uint8_t* frame, int view, Hue hue) {
    Centroid c;
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            const uint8_t* px = frame + (size_t(y) * 2 * kW + size_t(view) * kW + x) * 3;
            if (IsHue(hue, px[2], px[1], px[0])) {
                c.x += x;
                c.y += y;
                ++c.count;
            }
        }
    }
    if (c.count) {
        c.x /= c.count;
        c.y /= c.count;
    }
    return c;
}

TEST(SampleMovieFrames, WritesTheRequestedFramesOfTwoViews) {
    struct Case {
        const char* args;
        size_t bytes;
    } cases[] = {
        {"--frames 2", 2 * kFrameBytes},
        {"--frames 3 --width 64 --height 48", size_t(3) * 128 * 48 * 3},
        {"--height 10 --width 9 --frames 1", size_t(18) * 10 * 3},  // odd width, any order
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const Output r = RunGenerator(c.args);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out.size(), c.bytes);
    }
}

TEST(SampleMovieFrames, RejectsBadArgumentsWithoutWritingFrames) {
    for (const char* args : {"--frames 0", "--frames -3", "--width abc", "--width 12x", "--height",
                             "--width 5000", "--frames 99999999999", "--speed 2", "extra"}) {
        SCOPED_TRACE(args);
        const Output r = RunGenerator(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.out.empty());
    }
}

class SampleMovieStereo : public ::testing::Test {
protected:
    static void SetUpTestSuite() { run_ = new Output(RunGenerator("--frames 13")); }
    static void TearDownTestSuite() {
        delete run_;
        run_ = nullptr;
    }
    const uint8_t* Frame(int n) const { return run_->out.data() + size_t(n) * kFrameBytes; }
    void SetUp() override {
        ASSERT_EQ(run_->exitCode, 0);
        ASSERT_EQ(run_->out.size(), 13 * kFrameBytes);
    }
    static Output* run_;
};
Output* SampleMovieStereo::run_ = nullptr;

TEST_F(SampleMovieStereo, TheTwoViewsDiffer) {
    long differing = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW * 3; ++x) {
            const uint8_t* row = Frame(0) + size_t(y) * 2 * kW * 3;
            differing += row[x] != row[kW * 3 + x];
        }
    EXPECT_GT(differing, long(kW) * kH / 20);
}

// Red is the nearest object (in front of the screen), green sits on the
// screen plane, yellow is the farthest. The left-minus-right shift must be
// positive (crossed) in front, about zero on the plane, negative behind,
// and largest for the nearest. Nothing may shift vertically.
TEST_F(SampleMovieStereo, ParallaxFollowsDepth) {
    for (int n : {0, 12}) {
        SCOPED_TRACE("frame " + std::to_string(n));
        double shift[3];
        const Hue hues[3] = {Hue::Red, Hue::Green, Hue::Yellow};
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(i);
            const Centroid l = Find(Frame(n), 0, hues[i]), r = Find(Frame(n), 1, hues[i]);
            ASSERT_GT(l.count, 200);
            ASSERT_GT(r.count, 200);
            EXPECT_NEAR(l.count, r.count, l.count / 10);  // the whole object in both views
            EXPECT_NEAR(l.y, r.y, 0.5);
            shift[i] = l.x - r.x;
        }
        EXPECT_GT(shift[0], 5.0);
        EXPECT_NEAR(shift[1], 0.0, 1.0);
        EXPECT_LT(shift[2], -3.0);
        EXPECT_GT(std::fabs(shift[0]), std::fabs(shift[2]) + 2.0);
    }
}

TEST_F(SampleMovieStereo, TheNearObjectMoves) {
    const Centroid a = Find(Frame(0), 0, Hue::Red), b = Find(Frame(12), 0, Hue::Red);
    EXPECT_GT(std::fabs(a.x - b.x) + std::fabs(a.y - b.y), 3.0);
}

}  // namespace
