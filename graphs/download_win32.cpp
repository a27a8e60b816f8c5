// The download over the platform's internet library and the C runtime's
// files, and the strip drawing. The decisions are in download.cpp.
#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <string>
#include <type_traits>
#include <vector>

#include "graphs/download.h"

static_assert(std::is_same<WindowHandle, HWND>::value, "the strip must be the platform's window handle");

namespace {

constexpr DWORD_PTR kContext = 1;

class WinInetResponse final : public DownloadResponse {
public:
    explicit WinInetResponse(HINTERNET handle) : handle_(handle) {}
    ~WinInetResponse() override { InternetCloseHandle(handle_); }
    WinInetResponse(const WinInetResponse&) = delete;
    WinInetResponse& operator=(const WinInetResponse&) = delete;

    bool IsHttp() override {
        DWORD type = 0;
        DWORD size = sizeof type;
        return InternetQueryOptionA(handle_, INTERNET_OPTION_HANDLE_TYPE, &type, &size) &&
               type == INTERNET_HANDLE_TYPE_HTTP_REQUEST;
    }

    bool QueryHeaders(std::string* rawHeaders, uint32_t* status) override {
        DWORD code = 0;
        DWORD size = sizeof code;
        if (!HttpQueryInfoA(handle_, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size, nullptr))
            return false;
        std::vector<char> text(1024);
        for (;;) {
            size = static_cast<DWORD>(text.size());
            if (HttpQueryInfoA(handle_, HTTP_QUERY_RAW_HEADERS_CRLF, text.data(), &size, nullptr)) break;
            // On a too small buffer the size needed comes back.
            if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size <= text.size() || size > (1u << 20))
                return false;
            text.resize(size + 1);
        }
        rawHeaders->assign(text.data(), size < text.size() ? size : text.size());
        *status = code;
        return true;
    }

    int32_t Read(void* buffer, int32_t size) override {
        DWORD read = 0;
        if (!InternetReadFile(handle_, buffer, static_cast<DWORD>(size), &read)) return -1;
        return static_cast<int32_t>(read);
    }

private:
    HINTERNET handle_;
};

class WinInetConnection final : public DownloadConnection {
public:
    explicit WinInetConnection(HINTERNET session) : session_(session) {}

    std::unique_ptr<DownloadResponse> OpenUrl(const std::string& url, const std::string& headers) override {
        HINTERNET handle = InternetOpenUrlA(session_, url.c_str(), headers.c_str(), static_cast<DWORD>(headers.size()),
                                            INTERNET_FLAG_TRANSFER_BINARY, kContext);
        if (!handle) return nullptr;
        return std::make_unique<WinInetResponse>(handle);
    }

private:
    HINTERNET session_;
};

class LocalFile final : public DownloadFile {
public:
    explicit LocalFile(const char* path) : path_(path) {}
    ~LocalFile() override { Close(); }
    LocalFile(const LocalFile&) = delete;
    LocalFile& operator=(const LocalFile&) = delete;

    bool Size(int64_t* size) override {
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA(path_.c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) return false;
        FindClose(find);
        *size = static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
        return true;
    }

    bool Open(bool append) override {
        Close();
        file_ = std::fopen(path_.c_str(), append ? "ab" : "wb");
        return file_ != nullptr;
    }

    bool Write(const void* data, int32_t size) override {
        return file_ && std::fwrite(data, 1, static_cast<size_t>(size), file_) == static_cast<size_t>(size);
    }

    bool Close() override {
        if (!file_) return true;
        const bool ok = std::fclose(file_) == 0;
        file_ = nullptr;
        return ok;
    }

private:
    std::string path_;
    FILE* file_ = nullptr;
};

}  // namespace

int DownloadUrl(const char* localPath, const char* url) {
    // One count of a semaphore shared by every process that names it.
    HANDLE semaphore = CreateSemaphoreA(nullptr, kDownloadSemaphoreCount, kDownloadSemaphoreCount,
                                        kDownloadSemaphoreName);
    if (!semaphore) return -1;
    if (WaitForSingleObject(semaphore, INFINITE) != WAIT_OBJECT_0) {
        CloseHandle(semaphore);
        return -1;
    }
    int result = 1;
    if (url && *url && localPath && *localPath) {
        HINTERNET session = InternetOpenA(kDownloadUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
        if (session) {
            WinInetConnection connection(session);
            LocalFile file(localPath);
            result = RunDownload(connection, file, url, [](const std::string& title, int32_t percent) {
                ShowDownloadProgress(title.c_str(), percent);
            });
            InternetCloseHandle(session);
        }
    }
    ReleaseSemaphore(semaphore, 1, nullptr);
    CloseHandle(semaphore);
    return result;
}

void ShowDownloadProgress(const char* title, int percent) {
    int32_t shown = 0;
    if (!TakeDownloadPercent(percent, &shown)) return;
    HWND strip = g_hDownloadStrip;
    if (!strip) return;
    SetWindowTextA(strip, DownloadStripText(title ? title : "", shown).c_str());
    RECT client;
    if (!GetClientRect(strip, &client)) return;
    HDC dc = GetDC(strip);
    if (!dc) return;
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    RECT bar = client;
    bar.right = client.left + DownloadBarRight(client.right - client.left, shown);
    FillRect(dc, &bar, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    ReleaseDC(strip, dc);
}
