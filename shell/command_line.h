// What the command line asks the player to open at start-up: a movie path,
// a file URL turned into a path, or a web URL that is either played as a
// stream or downloaded first.
#pragma once
#include <cstdint>
#include <string>

enum class StartKind {
    Nothing,        // no command line, or one of 8 characters or fewer
    OpenPath,       // open `path` (a file, or a URL played as a stream)
    DownloadFirst,  // ask where to save `saveName`, download `url` there, open that file
    PathTooLong,    // refused: `path` does not fit a path buffer with its terminator
};

struct StartRequest {
    StartKind kind = StartKind::Nothing;
    std::string path;      // OpenPath: the start path; PathTooLong: the text refused
    std::string url;       // DownloadFirst: the URL to fetch
    std::string saveName;  // DownloadFirst: the save dialog's initial file name
};

// Command lines of this many characters or fewer are ignored.
constexpr size_t kMinCommandLineChars = 8;

// True when a web URL on the command line is downloaded before it is played
// ("nIEFileSave" is 1); any other value plays the URL as a stream.
constexpr bool AskWhereToSave(int32_t ieFileSave) { return ieFileSave == 1; }

// `commandLine` is the part behind the program name, in the system code
// page; null counts as empty.
StartRequest ParseCommandLine(const char* commandLine, int32_t ieFileSave);

// The text behind the last "/" (the whole text when there is none).
std::string UrlFileName(const std::string& url);

// file:///C:/My%20Movies/x.avi -> C:\My Movies\x.avi: everything behind the
// eight-character prefix, "/" as "\" and "%20" as a blank. No other escape
// is decoded.
std::string FileUrlToPath(const std::string& url);

// Drops a double quote at the first and at the last position; quotes
// elsewhere stay.
std::string StripEdgeQuotes(const std::string& text);

// The message for a PathTooLong request, for ReportMessage.
std::string PathTooLongMessage(const StartRequest& request);
