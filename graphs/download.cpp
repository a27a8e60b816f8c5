#include "graphs/download.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

WindowHandle g_hDownloadStrip = nullptr;
int32_t g_nDownloadPercentShown = -1;

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Parses the decimal digits at `pos` (at least one) into *value; false
// when there are none or the number passes the largest 64-bit value.
bool ParseNumber(const std::string& text, size_t* pos, int64_t* value) {
    size_t p = *pos;
    int64_t v = 0;
    while (p < text.size() && IsDigit(text[p])) {
        const int digit = text[p] - '0';
        if (v > (INT64_MAX - digit) / 10) return false;
        v = v * 10 + digit;
        ++p;
    }
    if (p == *pos) return false;
    *pos = p;
    *value = v;
    return true;
}

std::string Trimmed(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

bool ParseContentLength(const std::string& value, int64_t* length) {
    size_t pos = 0;
    return ParseNumber(value, &pos, length) && pos == value.size();
}

// "bytes first-last/total" or "bytes first-last/*".
bool ParseContentRange(const std::string& value, DownloadResponseHeaders* h) {
    const std::string unit = "bytes ";
    if (value.compare(0, unit.size(), unit) != 0) return false;
    size_t pos = unit.size();
    if (!ParseNumber(value, &pos, &h->rangeFirst)) return false;
    if (pos >= value.size() || value[pos++] != '-') return false;
    if (!ParseNumber(value, &pos, &h->rangeLast)) return false;
    if (pos >= value.size() || value[pos++] != '/') return false;
    if (pos < value.size() && value[pos] == '*') {
        h->rangeTotal = -1;
        ++pos;
    } else if (!ParseNumber(value, &pos, &h->rangeTotal)) {
        return false;
    }
    if (pos != value.size()) return false;
    if (h->rangeFirst > h->rangeLast) return false;
    return h->rangeTotal < 0 || h->rangeLast < h->rangeTotal;
}

}  // namespace

DownloadResponseHeaders ParseDownloadHeaders(const std::string& rawHeaders) {
    static const std::string kLength = "content-length:";
    static const std::string kRange = "content-range:";
    DownloadResponseHeaders h;
    std::string lengthValue, rangeValue;
    bool haveLength = false, haveRange = false;
    size_t start = 0;
    while (start < rawHeaders.size() && !h.malformed) {
        size_t end = rawHeaders.find('\n', start);
        if (end == std::string::npos) end = rawHeaders.size();
        std::string line = rawHeaders.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::transform(line.begin(), line.end(), line.begin(), Lower);
        // A header counts only at the start of its own line, not inside
        // another header's value.
        const std::string* name = nullptr;
        if (line.compare(0, kLength.size(), kLength) == 0) name = &kLength;
        if (line.compare(0, kRange.size(), kRange) == 0) name = &kRange;
        if (!name) continue;
        const std::string value = Trimmed(line.substr(name->size()));
        std::string& seen = name == &kLength ? lengthValue : rangeValue;
        bool& have = name == &kLength ? haveLength : haveRange;
        // A repeated header must say the same again.
        if (have && value != seen) h.malformed = true;
        seen = value;
        have = true;
    }
    if (h.malformed) return h;
    if (haveLength && !ParseContentLength(lengthValue, &h.contentLength)) h.malformed = true;
    if (haveRange) {
        h.hasRange = true;
        if (!ParseContentRange(rangeValue, &h)) h.malformed = true;
    }
    return h;
}

DownloadPlan PlanDownloadResponse(uint32_t status, const DownloadResponseHeaders& headers, int64_t resumeOffset,
                                  int64_t knownEntityLength) {
    DownloadPlan plan;
    if (status / 100 != 2 || headers.malformed) return plan;
    // "No content" and "reset content" carry no file, not an empty one.
    if (status == 204 || status == 205) return plan;
    if (!headers.hasRange) {
        // A partial answer must say which part it is.
        if (status == 206) return plan;
        if (headers.contentLength > kMaxDownloadBytes) return plan;
        plan.action = DownloadAction::WriteFromStart;
        plan.bodyLength = headers.contentLength;
        plan.completesFile = true;
        plan.entityLength = headers.contentLength;
        return plan;
    }
    const int64_t rangeLength = headers.rangeLast - headers.rangeFirst + 1;
    if (headers.contentLength >= 0 && headers.contentLength != rangeLength) return plan;
    if (headers.rangeLast >= kMaxDownloadBytes) return plan;
    if (headers.rangeFirst == 0) {
        plan.action = DownloadAction::WriteFromStart;
    } else if (headers.rangeFirst != resumeOffset) {
        return plan;
    } else if (knownEntityLength >= 0 && headers.rangeTotal >= 0 && headers.rangeTotal != knownEntityLength) {
        // The server's file changed size since the part we hold was sent.
        plan.action = DownloadAction::DiscardLocalFile;
        return plan;
    } else {
        plan.action = DownloadAction::Append;
    }
    plan.bodyLength = rangeLength;
    plan.completesFile = headers.rangeTotal < 0 || headers.rangeLast + 1 == headers.rangeTotal;
    plan.entityLength = headers.rangeTotal;
    return plan;
}

std::string DownloadRequestHeaders(int32_t resumeOffset) {
    std::string headers = kDownloadBaseHeaders;
    if (resumeOffset >= 0) {
        char range[48];
        std::snprintf(range, sizeof range, "RANGE: bytes=%d-\r\n", static_cast<int>(resumeOffset));
        headers += range;
    }
    return headers;
}

int32_t DownloadProgressPercent(int64_t total, double bytesPerStep) {
    if (!(bytesPerStep > 0.0) || total <= 0) return 0;
    const double steps = std::floor(static_cast<double>(total) / bytesPerStep + 0.5);
    if (!(steps < 50.0)) return 100;  // also keeps the conversion below in range
    return 2 * static_cast<int32_t>(steps);
}

int32_t RunDownload(DownloadConnection& connection, DownloadFile& file, const std::string& url,
                    const DownloadProgressFn& progress) {
    progress(url, 0);
    double bytesPerStep = kDownloadDefaultBytesPerStep;
    int64_t knownEntityLength = -1;
    for (int32_t attempt = 0; attempt < kDownloadAttempts; ++attempt) {
        // A file too large for a 32-bit range is fetched again from the start.
        int64_t size = 0;
        const bool resume = file.Size(&size) && size >= 0 && size <= kMaxDownloadBytes;
        const int32_t resumeOffset = resume ? static_cast<int32_t>(size) : 0;
        std::unique_ptr<DownloadResponse> response =
            connection.OpenUrl(url, DownloadRequestHeaders(resume ? resumeOffset : -1));
        if (!response) continue;

        uint32_t status = 200;
        std::string rawHeaders;
        if (response->IsHttp() && !response->QueryHeaders(&rawHeaders, &status)) continue;
        const DownloadPlan plan =
            PlanDownloadResponse(status, ParseDownloadHeaders(rawHeaders), resumeOffset, knownEntityLength);
        if (plan.action == DownloadAction::Retry) continue;
        if (plan.action == DownloadAction::DiscardLocalFile) {
            if (file.Open(false)) file.Close();
            knownEntityLength = -1;
            continue;
        }
        const bool append = plan.action == DownloadAction::Append;
        if (!file.Open(append)) continue;
        // The file's bytes now come from this response's version of it.
        if (!append || plan.entityLength >= 0) knownEntityLength = plan.entityLength;
        if (bytesPerStep > 0.0 && plan.bodyLength > 0) bytesPerStep = static_cast<double>(plan.bodyLength) * 0.02;

        const int64_t fileStart = append ? resumeOffset : 0;
        int64_t total = 0;
        bool failed = false;
        char buffer[kDownloadReadBytes];
        // Reads no further than the announced length: bytes beyond it are
        // not part of this response.
        while (plan.bodyLength < 0 || total < plan.bodyLength) {
            int32_t want = kDownloadReadBytes;
            if (plan.bodyLength >= 0) want = static_cast<int32_t>(std::min<int64_t>(want, plan.bodyLength - total));
            const int32_t got = response->Read(buffer, want);
            if (got == 0) break;
            if (got < 0 || got > want || fileStart + total + got > kMaxDownloadBytes || !file.Write(buffer, got)) {
                failed = true;
                break;
            }
            total += got;
            if (bytesPerStep > 0.0) progress(url, DownloadProgressPercent(total, bytesPerStep));
        }
        if (!file.Close()) failed = true;
        // A short body leaves a correct beginning, resumed by the next attempt.
        if (failed || (plan.bodyLength >= 0 && total != plan.bodyLength)) continue;
        if (plan.completesFile) return 0;
    }
    return 1;
}

bool TakeDownloadPercent(int32_t percent, int32_t* clamped) {
    if (percent == g_nDownloadPercentShown) return false;
    g_nDownloadPercentShown = percent;
    *clamped = std::min<int32_t>(100, std::max<int32_t>(0, percent));
    return true;
}

std::string DownloadStripText(const std::string& title, int32_t percent) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, " (%d %%)", static_cast<int>(percent));
    return title + suffix;
}

int32_t DownloadBarRight(int32_t clientWidth, int32_t percent) {
    const int64_t right = static_cast<int64_t>(clientWidth) * percent / 99;
    return static_cast<int32_t>(std::min<int64_t>(clientWidth, right));
}
