#include "shell/command_line.h"

#include <cstdio>
#include <cstring>

#include "core/app_state.h"

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    const size_t n = std::strlen(prefix);
    if (text.size() < n) return false;
    for (size_t i = 0; i < n; ++i) {
        if (Lower(text[i]) != prefix[i]) return false;
    }
    return true;
}

// The scheme must be followed by its colon: a relative path such as
// "file1.avi" or "httpdocs\x.avi" is a path, not a URL.
bool IsWebUrl(const std::string& text) {
    return StartsWithNoCase(text, "http:") || StartsWithNoCase(text, "https:");
}
bool IsFileUrl(const std::string& text) { return StartsWithNoCase(text, "file:"); }

bool FitsPathBuffer(const std::string& text) { return text.size() < static_cast<size_t>(kPathBytes); }

StartRequest Open(std::string path) {
    StartRequest r;
    r.kind = FitsPathBuffer(path) ? StartKind::OpenPath : StartKind::PathTooLong;
    r.path = std::move(path);
    return r;
}

}  // namespace

std::string UrlFileName(const std::string& url) {
    const size_t slash = url.rfind('/');
    return slash == std::string::npos ? url : url.substr(slash + 1);
}

std::string FileUrlToPath(const std::string& url) {
    constexpr size_t kPrefix = 8;  // file:///
    std::string path;
    for (size_t i = kPrefix; i < url.size(); ++i) {
        const char c = url[i];
        if (c == '/') {
            path += '\\';
        } else if (c == '%' && i + 2 < url.size() && url[i + 1] == '2' && url[i + 2] == '0') {
            path += ' ';
            i += 2;
        } else {
            path += c;
        }
    }
    return path;
}

std::string StripEdgeQuotes(const std::string& text) {
    size_t begin = 0, end = text.size();
    if (end > begin && text[begin] == '"') ++begin;
    if (end > begin && text[end - 1] == '"') --end;
    return text.substr(begin, end - begin);
}

StartRequest ParseCommandLine(const char* commandLine, int32_t ieFileSave) {
    const std::string text = commandLine ? commandLine : "";
    if (text.size() <= kMinCommandLineChars) return {};

    if (IsWebUrl(text)) {
        if (!AskWhereToSave(ieFileSave)) return Open(text);
        // The URL itself may be long; only the name offered in the save
        // dialog has to fit its buffer.
        StartRequest r;
        r.saveName = UrlFileName(text);
        if (!FitsPathBuffer(r.saveName)) {
            r.kind = StartKind::PathTooLong;
            r.path = r.saveName;
            r.saveName.clear();
            return r;
        }
        r.kind = StartKind::DownloadFirst;
        r.url = text;
        return r;
    }
    if (IsFileUrl(text)) return Open(FileUrlToPath(text));
    return Open(StripEdgeQuotes(text));
}

std::string PathTooLongMessage(const StartRequest& request) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "The command line names a path of %u bytes; at most %u bytes are possible, so nothing is "
                  "opened.\r\n",
                  static_cast<unsigned>(request.path.size()), static_cast<unsigned>(kPathBytes - 1));
    return text;
}
