// The download through the platform's internet library against a small
// HTTP server of the test's own, on 127.0.0.1 in a thread: what reaches the
// server, how each kind of answer ends up in the local file, and the strip.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "graphs/download.h"

namespace {

// The socket calls, looked up at run time: the test executable links no
// socket library of its own.
class Winsock {
public:
    Winsock() : dll_(LoadLibraryA("ws2_32.dll")) {
        Get(startup, "WSAStartup");
        Get(cleanup, "WSACleanup");
        Get(socket_, "socket");
        Get(bind_, "bind");
        Get(listen_, "listen");
        Get(getsockname_, "getsockname");
        Get(accept_, "accept");
        Get(recv_, "recv");
        Get(send_, "send");
        Get(select_, "select");
        Get(setsockopt_, "setsockopt");
        Get(shutdown_, "shutdown");
        Get(closesocket_, "closesocket");
        WSADATA data;
        ok_ = dll_ && closesocket_ && startup && startup(MAKEWORD(2, 2), &data) == 0;
    }
    ~Winsock() {
        if (ok_) cleanup();
        if (dll_) FreeLibrary(dll_);
    }
    Winsock(const Winsock&) = delete;
    Winsock& operator=(const Winsock&) = delete;
    bool ok() const { return ok_; }

    decltype(&::WSAStartup) startup = nullptr;
    decltype(&::WSACleanup) cleanup = nullptr;
    decltype(&::socket) socket_ = nullptr;
    decltype(&::bind) bind_ = nullptr;
    decltype(&::listen) listen_ = nullptr;
    decltype(&::getsockname) getsockname_ = nullptr;
    decltype(&::accept) accept_ = nullptr;
    decltype(&::recv) recv_ = nullptr;
    decltype(&::send) send_ = nullptr;
    decltype(&::select) select_ = nullptr;
    decltype(&::setsockopt) setsockopt_ = nullptr;
    decltype(&::shutdown) shutdown_ = nullptr;
    decltype(&::closesocket) closesocket_ = nullptr;

private:
    template <class F>
    void Get(F& f, const char* name) {
        if (dll_) f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(dll_, name)));
    }
    HMODULE dll_;
    bool ok_ = false;
};

struct Request {
    std::string path;
    std::string range;  // the Range header's value; empty when none
    std::string userAgent;
    int acceptLines = 0;
};

struct Reply {
    std::string head;   // status line and headers, without the blank line
    std::string body;
    size_t sendBody = std::string::npos;  // bytes of the body actually sent
    bool reset = false;                   // end the connection with a reset, not a close
};

std::string Lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return text;
}

std::string Trim(const std::string& text) {
    const size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos) return "";
    return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

Request ParseRequest(const std::string& text) {
    Request request;
    size_t start = 0;
    bool first = true;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 2;
        if (first) {
            first = false;
            const size_t a = line.find(' '), b = line.rfind(' ');
            if (a != std::string::npos && b > a) request.path = line.substr(a + 1, b - a - 1);
            continue;
        }
        const size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        const std::string name = Lowered(line.substr(0, colon));
        const std::string value = Trim(line.substr(colon + 1));
        if (name == "range") request.range = value;
        if (name == "user-agent") request.userAgent = value;
        if (name == "accept") ++request.acceptLines;
    }
    return request;
}

// An HTTP server on 127.0.0.1 at a port the system picks. It takes one
// connection at a time, reads the request, answers with what the handler
// says and closes the connection. Every wait is bounded.
class TestServer {
public:
    using Handler = std::function<Reply(const Request&)>;

    explicit TestServer(Handler handler) : handler_(std::move(handler)) {
        if (!ws_.ok()) return;
        listener_ = ws_.socket_(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (listener_ == INVALID_SOCKET) return;
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.S_un.S_un_b = {127, 0, 0, 1};
        address.sin_port = 0;
        int size = sizeof address;
        if (ws_.bind_(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ws_.listen_(listener_, 4) != 0 ||
            ws_.getsockname_(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            return;
        const u_short port = address.sin_port;
        port_ = ((port & 0xFF) << 8) | (port >> 8);
        thread_ = std::thread([this] { Serve(); });
    }

    ~TestServer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (listener_ != INVALID_SOCKET) ws_.closesocket_(listener_);
    }

    bool running() const { return thread_.joinable(); }
    std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
    std::vector<Request> requests() {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }

private:
    bool Readable(SOCKET s, long ms) {
        fd_set set;
        set.fd_count = 1;
        set.fd_array[0] = s;
        timeval wait = {ms / 1000, (ms % 1000) * 1000};
        return ws_.select_(0, &set, nullptr, nullptr, &wait) == 1;
    }

    void Serve() {
        while (!stop_) {
            if (!Readable(listener_, 50)) continue;
            const SOCKET client = ws_.accept_(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET) continue;
            Answer(client);
        }
    }

    void Answer(SOCKET client) {
        std::string text;
        char buffer[4096];
        while (text.find("\r\n\r\n") == std::string::npos && text.size() < 65536 && Readable(client, 5000)) {
            const int got = ws_.recv_(client, buffer, sizeof buffer, 0);
            if (got <= 0) break;
            text.append(buffer, static_cast<size_t>(got));
        }
        const Request request = ParseRequest(text);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(request);
        }
        const Reply reply = handler_(request);
        const std::string out = reply.head + "\r\nConnection: close\r\n\r\n" + reply.body.substr(0, reply.sendBody);
        for (size_t sent = 0; sent < out.size();) {
            const int n = ws_.send_(client, out.data() + sent, static_cast<int>(out.size() - sent), 0);
            if (n <= 0) break;
            sent += static_cast<size_t>(n);
        }
        if (reply.reset) {
            // Give the client a moment to take what was sent, then abort.
            Sleep(50);
            linger abort = {1, 0};
            ws_.setsockopt_(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
        } else {
            ws_.shutdown_(client, SD_SEND);
            // Let the client close its end first, so no reset follows.
            while (Readable(client, 2000) && ws_.recv_(client, buffer, sizeof buffer, 0) > 0) {
            }
        }
        ws_.closesocket_(client);
    }

    Winsock ws_;
    Handler handler_;
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<Request> requests_;
    std::thread thread_;
};

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
