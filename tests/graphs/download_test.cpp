#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "graphs/download.h"

namespace {

// A movie's bytes: every position has its own value, so a byte written at
// the wrong place shows.
std::string Movie(size_t size, int version = 0) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251 + version * 13) & 0xFF);
    return bytes;
}

std::string OkHeaders(int64_t length) {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(length) + "\r\n\r\n";
}

std::string PartialHeaders(int64_t first, int64_t last, int64_t total) {
    return "HTTP/1.1 206 Partial Content\r\nContent-Length: " + std::to_string(last - first + 1) +
           "\r\nContent-Range: bytes " + std::to_string(first) + "-" + std::to_string(last) + "/" +
           std::to_string(total) + "\r\n\r\n";
}

struct FakeReply {
    bool opens = true;
    bool http = true;
    bool headersOk = true;
    uint32_t status = 200;
    std::string headers;
    std::string body;
    int64_t failAfter = -1;  // Read fails once this many bytes were delivered
};

FakeReply NoResponse() {
    FakeReply reply;
    reply.opens = false;
    return reply;
}

class FakeResponse : public DownloadResponse {
public:
    explicit FakeResponse(FakeReply reply) : reply_(std::move(reply)) {}
    bool IsHttp() override { return reply_.http; }
    bool QueryHeaders(std::string* raw, uint32_t* status) override {
        if (!reply_.headersOk) return false;
        *raw = reply_.headers;
        *status = reply_.status;
        return true;
    }
    int32_t Read(void* buffer, int32_t size) override {
        EXPECT_GT(size, 0);
        EXPECT_LE(size, kDownloadReadBytes);
        if (reply_.failAfter >= 0 && static_cast<int64_t>(pos_) >= reply_.failAfter) return -1;
        size_t n = std::min(static_cast<size_t>(size), reply_.body.size() - pos_);
        if (reply_.failAfter >= 0) n = std::min(n, static_cast<size_t>(reply_.failAfter) - pos_);
        reply_.body.copy(static_cast<char*>(buffer), n, pos_);
        pos_ += n;
        return static_cast<int32_t>(n);
    }

private:
    FakeReply reply_;
    size_t pos_ = 0;
};

// Answers the attempts in order with the scripted replies; no response
// once they run out. Keeps the request headers.
class FakeConnection : public DownloadConnection {
public:
    std::deque<FakeReply> replies;
    std::vector<std::string> requests;
    std::vector<std::string> urls;

    std::unique_ptr<DownloadResponse> OpenUrl(const std::string& url, const std::string& headers) override {
        urls.push_back(url);
        requests.push_back(headers);
        if (replies.empty()) return nullptr;
        FakeReply reply = replies.front();
        replies.pop_front();
        if (!reply.opens) return nullptr;
        return std::make_unique<FakeResponse>(reply);
    }
};

class FakeFile : public DownloadFile {
public:
    std::optional<std::string> data;
    std::optional<int64_t> reportedSize;  // a size to report instead of the data's
    bool failOpen = false;
    int64_t failWriteAfter = -1;  // writes fail once the file holds this many bytes
    bool failClose = false;
    bool open = false;
    std::vector<std::string> opens;

    bool Size(int64_t* size) override {
        if (reportedSize) {
            *size = *reportedSize;
            return true;
        }
        if (!data) return false;
        *size = static_cast<int64_t>(data->size());
        return true;
    }
    bool Open(bool append) override {
        EXPECT_FALSE(open) << "opened twice";
        opens.push_back(append ? "ab" : "wb");
        if (failOpen) return false;
        if (!append || !data) data = std::string();
        open = true;
        return true;
    }
    bool Write(const void* bytes, int32_t size) override {
        EXPECT_TRUE(open);
        if (failWriteAfter >= 0 && static_cast<int64_t>(data->size()) + size > failWriteAfter) {
            data->append(static_cast<const char*>(bytes), static_cast<size_t>(failWriteAfter) - data->size());
            return false;
        }
        data->append(static_cast<const char*>(bytes), static_cast<size_t>(size));
        return true;
    }
    bool Close() override {
        open = false;
        return !failClose;
    }
};

const char* const kUrl = "http://example.test/movies/sbs.avi";
const std::string kPlainRequest = "Accept: */*\r\n";

std::string RangeRequest(int64_t offset) { return kPlainRequest + "RANGE: bytes=" + std::to_string(offset) + "-\r\n"; }

struct Outcome {
    int32_t result;
    std::vector<int32_t> progress;
};

Outcome Download(FakeConnection& net, FakeFile& file) {
    Outcome run;
    run.result = RunDownload(net, file, kUrl, [&](const std::string& title, int32_t percent) {
        EXPECT_EQ(title, kUrl);
        run.progress.push_back(percent);
    });
    EXPECT_FALSE(file.open) << "the file was left open";
    return run;
}

// ---- Response headers ----

struct HeaderCase {
    const char* name;
    std::string raw;
    int64_t length;
    bool hasRange;
    int64_t first, last, total;
};

TEST(DownloadHeaders, ReadsLengthAndRange) {
    const int64_t n = -1;
    const HeaderCase cases[] = {
        {"none", "HTTP/1.1 200 OK\r\nServer: x\r\n\r\n", n, false, 0, -1, n},
        {"length", OkHeaders(5000), 5000, false, 0, -1, n},
        {"case and blanks", "HTTP/1.1 200 OK\r\nCONTENT-Length: \t 42 \r\n", 42, false, 0, -1, n},
        {"LF line ends", "HTTP/1.1 200 OK\nContent-Length: 7\nContent-Range: bytes 3-9/10\n", 7, true, 3, 9, 10},
        {"zero", OkHeaders(0), 0, false, 0, -1, n},
        {"largest 32-bit", OkHeaders(INT32_MAX), INT32_MAX, false, 0, -1, n},
        {"range", PartialHeaders(1000, 4999, 5000), 4000, true, 1000, 4999, 5000},
        {"range of unknown total", "HTTP/1.1 206 x\r\nContent-Range: bytes 10-19/*\r\n", n, true, 10, 19, n},
        {"repeated with the same value", "Content-Length: 9\r\nContent-Length: 9\r\n", 9, false, 0, -1, n},
        {"inside another header's value", "X-Note: content-length: 7, content-range: bytes 1-2/3\r\n", n, false, 0,
         -1, n},
    };
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(c.name);
        const DownloadResponseHeaders h = ParseDownloadHeaders(c.raw);
        EXPECT_FALSE(h.malformed);
        EXPECT_EQ(h.contentLength, c.length);
        EXPECT_EQ(h.hasRange, c.hasRange);
        if (!c.hasRange) continue;
        EXPECT_EQ(h.rangeFirst, c.first);
        EXPECT_EQ(h.rangeLast, c.last);
        EXPECT_EQ(h.rangeTotal, c.total);
    }
}

TEST(DownloadHeaders, RefusesUnusableValues) {
    const char* const cases[] = {
        "Content-Length: abc\r\n",
        "Content-Length:\r\n",
        "Content-Length: -5\r\n",
        "Content-Length: +5\r\n",
        "Content-Length: 12abc\r\n",
        "Content-Length: 5000, 5000\r\n",
        "Content-Length: 99999999999999999999999\r\n",
        "Content-Length: 9\r\nContent-Length: 10\r\n",
        "Content-Range: bytes */5000\r\n",
        "Content-Range: bytes 5-4/10\r\n",
        "Content-Range: bytes 0-10/10\r\n",
        "Content-Range: items 0-1/2\r\n",
        "Content-Range: bytes 1000-4999/5000junk\r\n",
        "Content-Range: bytes 1000-4999\r\n",
        "Content-Range: bytes 1000 - 4999/5000\r\n",
        "Content-Range: bytes 99999999999999999999-99999999999999999999/*\r\n",
        "Content-Range: bytes 0-1/9\r\nContent-Range: bytes 2-3/9\r\n",
    };
    for (const char* raw : cases) EXPECT_TRUE(ParseDownloadHeaders(raw).malformed) << raw;
}

// ---- What a response is used for ----

struct PlanCase {
    const char* name;
    uint32_t status;
    std::string headers;
    int64_t resumeOffset;
    int64_t knownEntity;
    DownloadAction action;
    int64_t bodyLength;
    bool completes;
};

TEST(DownloadPlan, WritesOnlyAResponseThatFitsTheLocalFile) {
    using A = DownloadAction;
    const std::string big = "HTTP/1.1 206 x\r\nContent-Range: bytes 2147483000-2147483647/2147483648\r\n";
    const PlanCase cases[] = {
        {"whole file", 200, OkHeaders(5000), 0, -1, A::WriteFromStart, 5000, true},
        {"whole file without length", 200, "HTTP/1.1 200 OK\r\n", 0, -1, A::WriteFromStart, -1, true},
        {"range ignored: rewritten", 200, OkHeaders(5000), 2000, 5000, A::WriteFromStart, 5000, true},
        {"other 2xx", 203, OkHeaders(10), 0, -1, A::WriteFromStart, 10, true},
        {"continues the file", 206, PartialHeaders(2000, 4999, 5000), 2000, 5000, A::Append, 3000, true},
        {"range from 0: rewritten", 206, PartialHeaders(0, 4999, 5000), 2000, -1, A::WriteFromStart, 5000, true},
        {"part of the rest", 206, PartialHeaders(2000, 2999, 5000), 2000, -1, A::Append, 1000, false},
        {"rest of unknown total", 206, "HTTP/1.1 206 x\r\nContent-Range: bytes 2000-2999/*\r\n", 2000, 5000,
         A::Append, 1000, true},
        {"not found", 404, OkHeaders(10), 0, -1, A::Retry, -1, false},
        {"range not satisfiable", 416, "HTTP/1.1 416 x\r\nContent-Range: bytes */5000\r\n", 5000, -1, A::Retry, -1,
         false},
        {"redirect", 302, OkHeaders(0), 0, -1, A::Retry, -1, false},
        {"no content", 204, "HTTP/1.1 204 No Content\r\n", 2000, -1, A::Retry, -1, false},
        {"reset content", 205, "HTTP/1.1 205 Reset Content\r\n", 2000, -1, A::Retry, -1, false},
        {"206 without range", 206, OkHeaders(3000), 2000, -1, A::Retry, -1, false},
        {"range past the file's end", 206, PartialHeaders(2500, 4999, 5000), 2000, -1, A::Retry, -1, false},
        {"range before the file's end", 206, PartialHeaders(1500, 4999, 5000), 2000, -1, A::Retry, -1, false},
        {"length disagrees with range", 206,
         "HTTP/1.1 206 x\r\nContent-Length: 4000\r\nContent-Range: bytes 2000-4999/5000\r\n", 2000, -1, A::Retry, -1,
         false},
        {"malformed length", 200, "HTTP/1.1 200 OK\r\nContent-Length: lots\r\n", 0, -1, A::Retry, -1, false},
        {"length beyond 32 bits", 200, OkHeaders(int64_t{INT32_MAX} + 1), 0, -1, A::Retry, -1, false},
        {"range beyond 32 bits", 206, big, 2147483000, -1, A::Retry, -1, false},
        {"server's file changed size", 206, PartialHeaders(2000, 5999, 6000), 2000, 5000, A::DiscardLocalFile, -1,
         false},
    };
    for (const PlanCase& c : cases) {
        SCOPED_TRACE(c.name);
        const DownloadPlan plan =
            PlanDownloadResponse(c.status, ParseDownloadHeaders(c.headers), c.resumeOffset, c.knownEntity);
        EXPECT_EQ(static_cast<int>(plan.action), static_cast<int>(c.action));
        if (c.action != A::WriteFromStart && c.action != A::Append) continue;
        EXPECT_EQ(plan.bodyLength, c.bodyLength);
        EXPECT_EQ(plan.completesFile, c.completes);
    }
}

TEST(DownloadRequest, AsksForTheRestOfAnExistingFile) {
    EXPECT_EQ(DownloadRequestHeaders(-1), "Accept: */*\r\n");
    EXPECT_EQ(DownloadRequestHeaders(0), "Accept: */*\r\nRANGE: bytes=0-\r\n");
    EXPECT_EQ(DownloadRequestHeaders(INT32_MAX), "Accept: */*\r\nRANGE: bytes=2147483647-\r\n");
}

// ---- Progress ----

TEST(DownloadProgress, TwoPercentPerStepRoundedHalfUpWithin0To100) {
    EXPECT_EQ(DownloadProgressPercent(25000, 50000 * 0.02), 50);
    EXPECT_EQ(DownloadProgressPercent(49000, 50000 * 0.02), 98);
    EXPECT_EQ(DownloadProgressPercent(50000, 50000 * 0.02), 100);
    EXPECT_EQ(DownloadProgressPercent(511, 1024.0), 0);
    EXPECT_EQ(DownloadProgressPercent(512, 1024.0), 2);  // half a step rounds up
    EXPECT_EQ(DownloadProgressPercent(1535, 1024.0), 2);
    EXPECT_EQ(DownloadProgressPercent(1536, 1024.0), 4);
    EXPECT_EQ(DownloadProgressPercent(0, 1024.0), 0);
    // Without a length the count passes 100 %: capped, and never an
    // overflowing conversion.
    EXPECT_EQ(DownloadProgressPercent(300 * 1024, 1024.0), 100);
    EXPECT_EQ(DownloadProgressPercent(INT32_MAX, 0.02), 100);
    EXPECT_EQ(DownloadProgressPercent(INT64_MAX, 1e-300), 100);
}

TEST(DownloadProgress, StripShowsEachNewValueOnceClampedWithAFullBarFrom99) {
    g_nDownloadPercentShown = -1;
    int32_t shown = -7;
    ASSERT_TRUE(TakeDownloadPercent(0, &shown));
    EXPECT_EQ(shown, 0);
    EXPECT_FALSE(TakeDownloadPercent(0, &shown));
    ASSERT_TRUE(TakeDownloadPercent(120, &shown));
    EXPECT_EQ(shown, 100);
    EXPECT_FALSE(TakeDownloadPercent(120, &shown));
    ASSERT_TRUE(TakeDownloadPercent(-5, &shown));
    EXPECT_EQ(shown, 0);
    ASSERT_TRUE(TakeDownloadPercent(42, &shown));
    EXPECT_EQ(shown, 42);
    g_nDownloadPercentShown = -1;

    EXPECT_EQ(DownloadStripText("http://a/b.avi", 42), "http://a/b.avi (42 %)");
    EXPECT_EQ(DownloadStripText("", 100), " (100 %)");

    EXPECT_EQ(DownloadBarRight(297, 0), 0);
    EXPECT_EQ(DownloadBarRight(297, 50), 150);
    EXPECT_EQ(DownloadBarRight(297, 98), 294);
    EXPECT_EQ(DownloadBarRight(297, 99), 297);
    EXPECT_EQ(DownloadBarRight(297, 100), 297);
    EXPECT_EQ(DownloadBarRight(INT32_MAX, 100), INT32_MAX);
}

// ---- The attempts ----

TEST(DownloadRun, PlainDownloadWithProgress) {
    const std::string movie = Movie(50000);
    FakeConnection net;
    net.replies.push_back({true, true, true, 200, OkHeaders(50000), movie});
    FakeFile file;
    const Outcome run = Download(net, file);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(file.data, movie);
    EXPECT_EQ(net.urls, std::vector<std::string>{kUrl});
    EXPECT_EQ(net.requests, std::vector<std::string>{kPlainRequest});
    ASSERT_FALSE(run.progress.empty());
    EXPECT_EQ(run.progress.front(), 0);
    EXPECT_EQ(run.progress.back(), 100);
    // 25 reads of 1024 bytes pass 25 000 bytes: a step is 1000 bytes.
    EXPECT_EQ(run.progress[25], 52);
    EXPECT_EQ(run.progress[24], 50);
}

TEST(DownloadRun, WithoutLengthCompleteAtTheEndOfTheBody) {
    const std::string movie = Movie(100 * 1024 + 5);
    FakeConnection net;
    net.replies.push_back({true, true, true, 200, "HTTP/1.0 200 OK\r\n\r\n", movie});
    FakeFile file;
    const Outcome run = Download(net, file);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(file.data, movie);
    EXPECT_EQ(run.progress[1], 2);  // 2 % a KiB
    EXPECT_EQ(run.progress[2], 4);
    EXPECT_EQ(run.progress.back(), 100);
}

TEST(DownloadRun, NonHttpResponseIsTheWholeFile) {
    const std::string movie = Movie(3000);
    FakeConnection net;
    net.replies.push_back({true, false, false, 0, "", movie});
    FakeFile file;
    file.data = Movie(100);  // asked for a range, which a file URL ignores
    EXPECT_EQ(Download(net, file).result, 0);
    EXPECT_EQ(file.data, movie);
    EXPECT_EQ(file.opens, std::vector<std::string>{"wb"});
}

TEST(DownloadRun, ResumesAPartialFile) {
    const std::string movie = Movie(5000);
    FakeConnection net;
    net.replies.push_back({true, true, true, 206, PartialHeaders(2000, 4999, 5000), movie.substr(2000)});
    FakeFile file;
    file.data = movie.substr(0, 2000);
    EXPECT_EQ(Download(net, file).result, 0);
    EXPECT_EQ(file.data, movie);
    EXPECT_EQ(net.requests, std::vector<std::string>{RangeRequest(2000)});
    EXPECT_EQ(file.opens, std::vector<std::string>{"ab"});
}

TEST(DownloadRun, ServerIgnoringTheRangeRewritesTheFile) {
    const std::string movie = Movie(5000, 1);
    FakeConnection net;
    net.replies.push_back({true, true, true, 200, OkHeaders(5000), movie});
    FakeFile file;
    file.data = Movie(2000);
    EXPECT_EQ(Download(net, file).result, 0);
    EXPECT_EQ(file.data, movie);
    EXPECT_EQ(file.opens, std::vector<std::string>{"wb"});
}

TEST(DownloadRun, CompleteFileAnswered416IsRetriedAndLeftAlone) {
    const std::string movie = Movie(5000);
    FakeConnection net;
    for (int i = 0; i < 10; ++i)
        net.replies.push_back({true, true, true, 416, "HTTP/1.1 416 x\r\nContent-Range: bytes */5000\r\n", "oops"});
    FakeFile file;
    file.data = movie;
    EXPECT_EQ(Download(net, file).result, 1);
    EXPECT_EQ(file.data, movie);
    EXPECT_TRUE(file.opens.empty());
    EXPECT_EQ(net.requests, std::vector<std::string>(6, RangeRequest(5000)));
}

// A body that stops early, by a failed read or a plain end, leaves a
// correct beginning; the next attempt asks for the rest.
TEST(DownloadRun, BodyCutShortIsResumedByTheNextAttempt) {
    const std::string movie = Movie(5000);
    for (const bool readFails : {true, false}) {
        SCOPED_TRACE(readFails ? "read fails" : "body ends early");
        FakeConnection net;
        FakeReply cut{true, true, true, 200, OkHeaders(5000), movie};
        if (readFails)
            cut.failAfter = 2000;
        else
            cut.body = movie.substr(0, 2000);
        net.replies.push_back(cut);
        net.replies.push_back({true, true, true, 206, PartialHeaders(2000, 4999, 5000), movie.substr(2000)});
        FakeFile file;
        EXPECT_EQ(Download(net, file).result, 0);
        EXPECT_EQ(file.data, movie);
        EXPECT_EQ(net.requests, (std::vector<std::string>{kPlainRequest, RangeRequest(2000)}));
    }
}

TEST(DownloadRun, ServerClaimingMoreThanItSendsNeverCompletes) {
    const std::string movie = Movie(5000);
    FakeConnection net;
    net.replies.push_back({true, true, true, 200, OkHeaders(6000), movie});
    for (int i = 0; i < 5; ++i) net.replies.push_back({true, true, true, 416, "HTTP/1.1 416 x\r\n", ""});
    FakeFile file;
    EXPECT_EQ(Download(net, file).result, 1);
    EXPECT_EQ(file.data, movie);
}

TEST(DownloadRun, NothingIsWrittenBeyondTheAnnouncedLength) {
    const std::string body = Movie(5000);
    FakeConnection net;
    net.replies.push_back({true, true, true, 200, OkHeaders(3000), body});
    FakeFile file;
    EXPECT_EQ(Download(net, file).result, 0);
    EXPECT_EQ(file.data, body.substr(0, 3000));
}

TEST(DownloadRun, UnfittingResponsesLeaveTheFileAlone) {
    const std::string movie = Movie(5000);
    const std::string part = movie.substr(0, 2000);
    struct Case {
        const char* name;
        FakeReply reply;
    };
    const Case cases[] = {
        {"range past the file's end", {true, true, true, 206, PartialHeaders(3000, 4999, 5000), movie.substr(3000)}},
        {"range before the file's end", {true, true, true, 206, PartialHeaders(1000, 4999, 5000), movie.substr(1000)}},
        {"206 without range", {true, true, true, 206, OkHeaders(3000), movie.substr(2000)}},
        {"length disagrees with range",
         {true, true, true, 206, "HTTP/1.1 206 x\r\nContent-Length: 2000\r\nContent-Range: bytes 2000-4999/5000\r\n",
          movie.substr(2000)}},
        {"garbage length", {true, true, true, 200, "HTTP/1.1 200 OK\r\nContent-Length: 5e3\r\n", movie}},
        {"garbage range", {true, true, true, 206, "HTTP/1.1 206 x\r\nContent-Range: bytes 2000-\r\n", movie}},
        {"server error", {true, true, true, 500, OkHeaders(5000), movie}},
        {"headers unavailable", {true, true, false, 200, "", movie}},
        {"no response", NoResponse()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeConnection net;
        for (int i = 0; i < 6; ++i) net.replies.push_back(c.reply);
        FakeFile file;
        file.data = part;
        EXPECT_EQ(Download(net, file).result, 1);
        EXPECT_EQ(file.data, part);
        EXPECT_TRUE(file.opens.empty());
        EXPECT_EQ(net.requests.size(), 6u);
    }
}

TEST(DownloadRun, RangeShorterThanTheRestIsAppendedAndContinued) {
    const std::string movie = Movie(5000);
    FakeConnection net;
    net.replies.push_back({true, true, true, 206, PartialHeaders(2000, 2999, 5000), movie.substr(2000, 1000)});
    net.replies.push_back({true, true, true, 206, PartialHeaders(3000, 4999, 5000), movie.substr(3000)});
    FakeFile file;
    file.data = movie.substr(0, 2000);
    EXPECT_EQ(Download(net, file).result, 0);
    EXPECT_EQ(file.data, movie);
    EXPECT_EQ(net.requests, (std::vector<std::string>{RangeRequest(2000), RangeRequest(3000)}));
}

TEST(DownloadRun, FileOfAnotherVersionIsStartedAgain) {
    const std::string old = Movie(5000);
    const std::string now = Movie(6000, 1);
    FakeConnection net;
    net.replies.push_back({true, true, true, 200, OkHeaders(5000), old, 2000});
    net.replies.push_back({true, true, true, 206, PartialHeaders(2000, 5999, 6000), now.substr(2000)});
    net.replies.push_back({true, true, true, 206, PartialHeaders(0, 5999, 6000), now});
    FakeFile file;
    EXPECT_EQ(Download(net, file).result, 0);
    EXPECT_EQ(file.data, now);
    EXPECT_EQ(net.requests, (std::vector<std::string>{kPlainRequest, RangeRequest(2000), RangeRequest(0)}));
}

TEST(DownloadRun, LocalFileFailuresNeverCountAsComplete) {
    const std::string movie = Movie(5000);
    struct Case {
        const char* name;
        bool failOpen;
        int64_t failWriteAfter;
        bool failClose;
    };
    for (const Case& c : {Case{"open", true, -1, false}, Case{"write", false, 3000, false},
                          Case{"close", false, -1, true}}) {
        SCOPED_TRACE(c.name);
        FakeConnection net;
        for (int i = 0; i < 6; ++i) net.replies.push_back({true, true, true, 200, OkHeaders(5000), movie});
        FakeFile file;
        file.failOpen = c.failOpen;
        file.failWriteAfter = c.failWriteAfter;
        file.failClose = c.failClose;
        EXPECT_EQ(Download(net, file).result, 1);
        EXPECT_EQ(net.requests.size(), 6u);
    }
}

TEST(DownloadRun, FileTooLargeForARangeIsFetchedWhole) {
    const std::string movie = Movie(3000);
    FakeConnection net;
    net.replies.push_back({true, true, true, 200, OkHeaders(3000), movie});
    FakeFile file;
    file.reportedSize = (int64_t{1} << 32) + 5000;  // its low 32 bits alone would say 5000
    EXPECT_EQ(Download(net, file).result, 0);
    EXPECT_EQ(net.requests, std::vector<std::string>{kPlainRequest});
    EXPECT_EQ(file.opens, std::vector<std::string>{"wb"});
}

TEST(DownloadRun, SixAttemptsAtMost) {
    FakeConnection net;
    FakeFile file;
    const Outcome run = Download(net, file);
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(net.requests.size(), 6u);
    EXPECT_FALSE(file.data);
    EXPECT_EQ(run.progress, std::vector<int32_t>{0});
}

}  // namespace
