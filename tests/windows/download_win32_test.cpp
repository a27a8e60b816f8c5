// The download through the platform's internet library against a small
// HTTP server of the test's own, on 127.0.0.1 in a thread: what reaches the
// server, how each kind of answer ends up in the local file, and the strip.
#include "http_test_server.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "graphs/download.h"

namespace {

using testsupport::Reply;
using testsupport::Request;
using testsupport::TestServer;

std::string Movie(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

constexpr size_t kMovieSize = 20000;
const std::string& TheMovie() {
    static const std::string movie = Movie(kMovieSize);
    return movie;
}

std::string OkHead(size_t length) { return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(length); }

std::string PartialHead(size_t first, size_t last, size_t total) {
    return "HTTP/1.1 206 Partial Content\r\nContent-Length: " + std::to_string(last - first + 1) +
           "\r\nContent-Range: bytes " + std::to_string(first) + "-" + std::to_string(last) + "/" +
           std::to_string(total);
}

// The first position asked for by "bytes=N-"; -1 without a range.
long RangeStart(const Request& request) {
    long start = -1;
    if (std::sscanf(request.range.c_str(), "bytes=%ld-", &start) != 1) return -1;
    return start;
}

// A server that does ranges right.
Reply HonestReply(const Request& request) {
    const std::string& movie = TheMovie();
    const long start = RangeStart(request);
    if (start < 0) return {OkHead(movie.size()), movie};
    if (static_cast<size_t>(start) >= movie.size())
        return {"HTTP/1.1 416 Range Not Satisfiable\r\nContent-Range: bytes */" + std::to_string(movie.size()) +
                "\r\nContent-Length: 0",
                ""};
    return {PartialHead(start, movie.size() - 1, movie.size()), movie.substr(start)};
}

class DownloadWin32 : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[MAX_PATH];
        ASSERT_GT(GetTempPathA(MAX_PATH, dir), 0u);
        path_ = std::string(dir) + "duoscope-download-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".avi";
        DeleteFileA(path_.c_str());
        g_nDownloadPercentShown = -1;
    }
    void TearDown() override { DeleteFileA(path_.c_str()); }

    void WriteLocal(const std::string& bytes) {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    std::string ReadLocal() {
        std::ifstream in(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool LocalExists() { return GetFileAttributesA(path_.c_str()) != INVALID_FILE_ATTRIBUTES; }

    // Downloads from a server answering with `handler`, at a path of this
    // test's own (so no cached answer of another test can serve it).
    int Download(TestServer& server) {
        EXPECT_TRUE(server.running());
        const std::string url =
            server.Url(std::string("/") + ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/m.avi");
        return DownloadUrl(path_.c_str(), url.c_str());
    }

    std::string path_;
};

TEST_F(DownloadWin32, PlainDownload) {
    TestServer server(HonestReply);
    EXPECT_EQ(Download(server), 0);
    EXPECT_TRUE(ReadLocal() == TheMovie());
    const std::vector<Request> requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, "/PlainDownload/m.avi");
    EXPECT_EQ(requests[0].range, "");
    EXPECT_EQ(requests[0].userAgent, "Mozilla/4.6 [ja] (WinNT; I)");
    EXPECT_GE(requests[0].acceptLines, 1);
}

TEST_F(DownloadWin32, ResumesAPartialFile) {
    WriteLocal(TheMovie().substr(0, 7000));
    TestServer server(HonestReply);
    EXPECT_EQ(Download(server), 0);
    EXPECT_TRUE(ReadLocal() == TheMovie());
    const std::vector<Request> requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].range, "bytes=7000-");
}

TEST_F(DownloadWin32, ServerIgnoringTheRangeRewritesTheFile) {
    WriteLocal(std::string(7000, 'x'));
    TestServer server([](const Request&) { return Reply{OkHead(kMovieSize), TheMovie()}; });
    EXPECT_EQ(Download(server), 0);
    EXPECT_TRUE(ReadLocal() == TheMovie());
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].range, "bytes=7000-");
}

TEST_F(DownloadWin32, CompleteFileAnswered416IsRetriedAndUnchanged) {
    WriteLocal(TheMovie());
    TestServer server(HonestReply);
    EXPECT_EQ(Download(server), 1);
    EXPECT_TRUE(ReadLocal() == TheMovie());
    const std::vector<Request> requests = server.requests();
    ASSERT_EQ(requests.size(), 6u);
    for (const Request& r : requests) EXPECT_EQ(r.range, "bytes=20000-");
}

// The first answer breaks off after 8000 bytes, by a reset or a plain
// close; the next attempt asks for the rest of what arrived.
TEST_F(DownloadWin32, DroppedConnectionIsResumed) {
    for (const bool reset : {true, false}) {
        SCOPED_TRACE(reset ? "reset" : "close");
        DeleteFileA(path_.c_str());
        std::atomic<int> answered{0};
        TestServer server([&](const Request& request) {
            Reply reply = HonestReply(request);
            if (answered++ == 0) {
                reply.sendBody = 8000;
                reply.reset = reset;
            }
            return reply;
        });
        EXPECT_EQ(Download(server), 0);
        EXPECT_TRUE(ReadLocal() == TheMovie());
        const std::vector<Request> requests = server.requests();
        ASSERT_EQ(requests.size(), 2u);
        const long resumedAt = RangeStart(requests[1]);
        EXPECT_GE(resumedAt, 0);
        EXPECT_LE(resumedAt, 8000);
        if (!reset) {
            EXPECT_EQ(resumedAt, 8000);
        }
    }
}

TEST_F(DownloadWin32, RangeNotAtTheFileSizeIsNotWritten) {
    const std::string part = TheMovie().substr(0, 7000);
    for (const size_t first : {5000u, 9000u}) {
        SCOPED_TRACE(first);
        WriteLocal(part);
        TestServer server([first](const Request&) {
            return Reply{PartialHead(first, kMovieSize - 1, kMovieSize), TheMovie().substr(first)};
        });
        EXPECT_EQ(Download(server), 1);
        EXPECT_TRUE(ReadLocal() == part);
        EXPECT_EQ(server.requests().size(), 6u);
    }
}

TEST_F(DownloadWin32, ServerLyingAboutTheLength) {
    const std::string& movie = TheMovie();
    {
        SCOPED_TRACE("announces less than it sends: nothing beyond the announced length");
        TestServer server([&](const Request&) { return Reply{OkHead(12000), movie}; });
        EXPECT_EQ(Download(server), 0);
        EXPECT_TRUE(ReadLocal() == movie.substr(0, 12000));
    }
    {
        SCOPED_TRACE("announces more than it sends: never complete");
        DeleteFileA(path_.c_str());
        TestServer server([&](const Request& request) {
            Reply reply = HonestReply(request);
            if (RangeStart(request) < 0) reply.head = OkHead(movie.size() + 5000);
            return reply;
        });
        EXPECT_EQ(Download(server), 1);
        EXPECT_TRUE(ReadLocal() == movie);  // what it sent, and nothing else
        EXPECT_EQ(server.requests().size(), 6u);
    }
    {
        SCOPED_TRACE("a partial answer whose length disagrees with its range");
        const std::string part = movie.substr(0, 7000);
        WriteLocal(part);
        TestServer server([&](const Request&) {
            return Reply{"HTTP/1.1 206 Partial Content\r\nContent-Length: 15000\r\n"
                         "Content-Range: bytes 7000-19999/20000",
                         movie.substr(7000)};
        });
        EXPECT_EQ(Download(server), 1);
        EXPECT_TRUE(ReadLocal() == part);
    }
}

TEST_F(DownloadWin32, WithoutLengthCompleteAtTheEndOfTheBody) {
    TestServer server([](const Request&) { return Reply{"HTTP/1.0 200 OK", TheMovie()}; });
    EXPECT_EQ(Download(server), 0);
    EXPECT_TRUE(ReadLocal() == TheMovie());
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(DownloadWin32, EmptyUrlOrNoServer) {
    EXPECT_EQ(DownloadUrl(path_.c_str(), ""), 1);
    EXPECT_FALSE(LocalExists());
    // A port nobody listens on: the closed listener's.
    std::string url;
    {
        TestServer server(HonestReply);
        url = server.Url("/EmptyUrlOrNoServer/m.avi");
    }
    EXPECT_EQ(DownloadUrl(path_.c_str(), url.c_str()), 1);
    EXPECT_FALSE(LocalExists());
}

TEST_F(DownloadWin32, HoldsOneSemaphoreCountOnlyWhileDownloading) {
    HANDLE semaphore = CreateSemaphoreA(nullptr, 999, 999, "temp");
    ASSERT_NE(semaphore, nullptr);
    std::atomic<long> countDuring{-1};
    TestServer server([&](const Request& request) {
        // While the download runs, one count is taken.
        LONG previous = -1;
        if (WaitForSingleObject(semaphore, 0) == WAIT_OBJECT_0 && ReleaseSemaphore(semaphore, 1, &previous))
            countDuring = previous + 1;
        return HonestReply(request);
    });
    EXPECT_EQ(Download(server), 0);
    EXPECT_EQ(countDuring.load(), 998);
    // Afterwards all 999 are back: one more release passes the maximum.
    EXPECT_FALSE(ReleaseSemaphore(semaphore, 1, nullptr));
    CloseHandle(semaphore);
}

// The strip: the text carries the percentage, the grey bar grows with it.
TEST_F(DownloadWin32, StripShowsThePercentage) {
    HWND strip = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 297, 20, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(strip, nullptr);
    g_hDownloadStrip = strip;
    const auto text = [&] {
        char buffer[256] = {};
        GetWindowTextA(strip, buffer, sizeof buffer);
        return std::string(buffer);
    };
    const auto pixel = [&](int x) {
        HDC dc = GetDC(strip);
        const COLORREF colour = GetPixel(dc, x, 10);
        ReleaseDC(strip, dc);
        return colour;
    };
    const COLORREF grey = RGB(128, 128, 128), white = RGB(255, 255, 255);

    ShowDownloadProgress("http://host/m.avi", 50);
    EXPECT_EQ(text(), "http://host/m.avi (50 %)");
    EXPECT_EQ(pixel(0), grey);
    EXPECT_EQ(pixel(149), grey);  // 297 * 50 / 99 = 150
    EXPECT_EQ(pixel(150), white);
    EXPECT_EQ(pixel(296), white);

    // The same value again is not drawn.
    SetWindowTextA(strip, "untouched");
    ShowDownloadProgress("http://host/m.avi", 50);
    EXPECT_EQ(text(), "untouched");

    ShowDownloadProgress("http://host/m.avi", 120);
    EXPECT_EQ(text(), "http://host/m.avi (100 %)");
    EXPECT_EQ(pixel(296), grey);
    ShowDownloadProgress("http://host/m.avi", 99);
    EXPECT_EQ(pixel(296), grey);
    ShowDownloadProgress("http://host/m.avi", -5);
    EXPECT_EQ(text(), "http://host/m.avi (0 %)");
    EXPECT_EQ(pixel(0), white);

    // A download draws its progress as it goes, ending full.
    TestServer server(HonestReply);
    EXPECT_EQ(Download(server), 0);
    EXPECT_EQ(text(), server.Url("/StripShowsThePercentage/m.avi") + " (100 %)");
    EXPECT_EQ(pixel(296), grey);

    g_hDownloadStrip = nullptr;
    DestroyWindow(strip);
}

}  // namespace
