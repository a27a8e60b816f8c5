// Download before play: fetches a movie over HTTP into a local file,
// resuming a partial file with a byte range and retrying a few times, and
// shows the progress in the download strip.
//
// The decisions are here, over an abstract connection and file, so that
// they can be tested without a network; download_win32.cpp puts the
// platform's internet library and files under them.
//
// The file only ever receives bytes that the server sent for the position
// they are written at: a response whose range, length or status does not
// fit the local file is dropped unread, a body is never written beyond
// the length it announced, and a download counts as complete only when
// the whole announced body (and, for a range, the rest of the file) came.
// Files of 2 GiB or more are not supported (the range offset is 32-bit).
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/app_state.h"

constexpr const char* kDownloadUserAgent = "Mozilla/4.6 [ja] (WinNT; I)";
constexpr const char* kDownloadBaseHeaders = "Accept: */*\r\n";
constexpr const char* kDownloadSemaphoreName = "temp";
constexpr int32_t kDownloadSemaphoreCount = 999;
constexpr int32_t kDownloadAttempts = 6;
constexpr int32_t kDownloadReadBytes = 1024;
constexpr double kDownloadDefaultBytesPerStep = 1024.0;  // until a length is known
constexpr int64_t kMaxDownloadBytes = INT32_MAX;         // the local file never grows beyond this

// The strip window the shell shows during the download (null: nothing is
// drawn), and the last percentage drawn into it (-1 before the first).
extern WindowHandle g_hDownloadStrip;
extern int32_t g_nDownloadPercentShown;

// What the download needs of one response of the platform's internet library.
class DownloadResponse {
public:
    virtual ~DownloadResponse() = default;  // closes the response
    virtual bool IsHttp() = 0;
    // The raw response headers (one per line) and the status code; false
    // when they cannot be had.
    virtual bool QueryHeaders(std::string* rawHeaders, uint32_t* status) = 0;
    // Reads up to `size` bytes: the count read, 0 at the end of the body,
    // -1 on failure (such as a dropped connection).
    virtual int32_t Read(void* buffer, int32_t size) = 0;
};

// One internet session: opens a URL with the given request headers; null
// when there is no response.
class DownloadConnection {
public:
    virtual ~DownloadConnection() = default;
    virtual std::unique_ptr<DownloadResponse> OpenUrl(const std::string& url, const std::string& headers) = 0;
};

// The local file.
class DownloadFile {
public:
    virtual ~DownloadFile() = default;
    virtual bool Size(int64_t* size) = 0;  // false when there is no file
    virtual bool Open(bool append) = 0;    // "ab" when appending, else "wb"
    virtual bool Write(const void* data, int32_t size) = 0;
    virtual bool Close() = 0;  // false when the data may not all be stored
};

using DownloadProgressFn = std::function<void(const std::string& title, int32_t percent)>;

// The two response headers the download looks at. A value that is present
// but unusable (not a number, out of range, repeated with another value,
// a range that is not one plain "bytes first-last/total") makes the whole
// response malformed.
struct DownloadResponseHeaders {
    int64_t contentLength = -1;  // -1: none
    bool hasRange = false;
    int64_t rangeFirst = 0;
    int64_t rangeLast = -1;
    int64_t rangeTotal = -1;  // -1: "*"
    bool malformed = false;
};

DownloadResponseHeaders ParseDownloadHeaders(const std::string& rawHeaders);

enum class DownloadAction {
    Retry,            // drop the response unread; next attempt
    WriteFromStart,   // the body is the file from byte 0
    Append,           // the body continues the local file
    DiscardLocalFile  // the local file is from another version: empty it; next attempt
};

struct DownloadPlan {
    DownloadAction action = DownloadAction::Retry;
    int64_t bodyLength = -1;     // bytes the body must have; -1 unknown (read to the end)
    bool completesFile = false;  // the file is complete once the whole body is written
    int64_t entityLength = -1;   // the whole file's size, when the response tells it
};

// What to do with a response. `resumeOffset` is the size of the local file
// the request asked to continue (0 when none); `knownEntityLength` the
// whole file's size learned from an earlier response of this download, or -1.
DownloadPlan PlanDownloadResponse(uint32_t status, const DownloadResponseHeaders& headers, int64_t resumeOffset,
                                  int64_t knownEntityLength);

// "Accept: */*\r\n", followed by "RANGE: bytes=N-\r\n" when `resumeOffset`
// is 0 or more.
std::string DownloadRequestHeaders(int32_t resumeOffset);

// 2 % for every `bytesPerStep` bytes, rounded half up, within 0 to 100.
int32_t DownloadProgressPercent(int64_t total, double bytesPerStep);

// The attempts of one download: 0 when the file was downloaded
// completely, 1 when not.
int32_t RunDownload(DownloadConnection& connection, DownloadFile& file, const std::string& url,
                    const DownloadProgressFn& progress);

// The strip drawing. TakeDownloadPercent is false when `percent` is the one
// last shown; otherwise it remembers it and gives it clamped to 0..100.
bool TakeDownloadPercent(int32_t percent, int32_t* clamped);
std::string DownloadStripText(const std::string& title, int32_t percent);
// Right edge of the grey bar: full from 99 % on.
int32_t DownloadBarRight(int32_t clientWidth, int32_t percent);

// Windows only (download_win32.cpp).
// Downloads `url` into `localPath`: 0 when complete, 1 when not, -1 when
// the download could not start (the named semaphore failed).
int DownloadUrl(const char* localPath, const char* url);
// Draws `percent` (clamped to 0..100) into g_hDownloadStrip unless it is
// the value shown last.
void ShowDownloadProgress(const char* title, int percent);
