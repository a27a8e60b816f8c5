// A small HTTP server of the tests' own, on 127.0.0.1 in a thread, for
// code that downloads through the platform's internet library.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

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

inline std::string Lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return text;
}

inline std::string Trim(const std::string& text) {
    const size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos) return "";
    return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

inline Request ParseRequest(const std::string& text) {
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

}  // namespace testsupport
