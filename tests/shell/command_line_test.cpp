#include <gtest/gtest.h>

#include <string>

#include "core/app_state.h"
#include "shell/command_line.h"

namespace {

struct Case {
    const char* commandLine;
    int32_t ieFileSave;
    StartKind kind;
    const char* path;
    const char* url;
    const char* saveName;
};

const char* KindName(StartKind k) {
    switch (k) {
    case StartKind::Nothing: return "Nothing";
    case StartKind::OpenPath: return "OpenPath";
    case StartKind::DownloadFirst: return "DownloadFirst";
    case StartKind::PathTooLong: return "PathTooLong";
    }
    return "?";
}

TEST(ShellCommandLine, WhatIsOpened) {
    const Case cases[] = {
        // Too short to look at: a command line of 8 characters or fewer.
        {nullptr, 1, StartKind::Nothing, "", "", ""},
        {"", 1, StartKind::Nothing, "", "", ""},
        {"C:\\a.avi", 1, StartKind::Nothing, "", "", ""},
        {"C:\\ab.avi", 1, StartKind::OpenPath, "C:\\ab.avi", "", ""},
        // File URLs: "/" -> "\", "%20" -> blank, nothing else decoded.
        {"FILE:///C:/My%20Movies/x.avi", 1, StartKind::OpenPath, "C:\\My Movies\\x.avi", "", ""},
        {"file:///C:/a%2fb.avi", 1, StartKind::OpenPath, "C:\\a%2fb.avi", "", ""},
        {"file:///C:/a%%20b%2520c%2", 1, StartKind::OpenPath, "C:\\a% b%2520c%2", "", ""},
        {"file:///C:/x.avi%", 1, StartKind::OpenPath, "C:\\x.avi%", "", ""},
        // Paths: a quote at the first and at the last position goes.
        {"\"C:\\My Movies\\x.avi\"", 1, StartKind::OpenPath, "C:\\My Movies\\x.avi", "", ""},
        {"\"C:\\a\"b c.avi", 1, StartKind::OpenPath, "C:\\a\"b c.avi", "", ""},
        {"C:\\My Movies\\x.avi\"", 1, StartKind::OpenPath, "C:\\My Movies\\x.avi", "", ""},
        {"\"\"\"\"\"\"\"\"\"", 1, StartKind::OpenPath, "\"\"\"\"\"\"\"", "", ""},
        // Japanese bytes pass unchanged (0x5C as a second byte included).
        {"C:\\\x95\x5c\x8e\xa6.avi", 1, StartKind::OpenPath, "C:\\\x95\x5c\x8e\xa6.avi", "", ""},
        // Web URLs: downloaded first when "nIEFileSave" is 1, else streamed.
        {"http://example.com/movies/clip.avi", 1, StartKind::DownloadFirst, "", "http://example.com/movies/clip.avi",
         "clip.avi"},
        {"HTTP://EXAMPLE.COM/CLIP.AVI", 1, StartKind::DownloadFirst, "", "HTTP://EXAMPLE.COM/CLIP.AVI", "CLIP.AVI"},
        {"https://example.com/a/", 1, StartKind::DownloadFirst, "", "https://example.com/a/", ""},
        {"http://example.com/movies/clip.avi", 0, StartKind::OpenPath, "http://example.com/movies/clip.avi", "", ""},
        {"http://example.com/movies/clip.avi", 2, StartKind::OpenPath, "http://example.com/movies/clip.avi", "", ""},
        // A quoted URL is not recognised; it is opened as a path, quotes gone.
        {"\"http://example.com/clip.avi\"", 1, StartKind::OpenPath, "http://example.com/clip.avi", "", ""},
        // Relative names that merely begin with the scheme's letters are paths.
        {"file1234.avi", 1, StartKind::OpenPath, "file1234.avi", "", ""},
        {"httpdocs\\clip.avi", 1, StartKind::OpenPath, "httpdocs\\clip.avi", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.commandLine ? c.commandLine : "(null)");
        SCOPED_TRACE(c.ieFileSave);
        const StartRequest r = ParseCommandLine(c.commandLine, c.ieFileSave);
        EXPECT_STREQ(KindName(r.kind), KindName(c.kind));
        EXPECT_EQ(r.path, c.path);
        EXPECT_EQ(r.url, c.url);
        EXPECT_EQ(r.saveName, c.saveName);
    }
}

// A path that does not fit the 260-byte buffer with its terminator is
// refused whole, never cut.
TEST(ShellCommandLine, OverLongPathsAreRefusedNotCut) {
    const std::string longest = "C:\\" + std::string(kPathBytes - 1 - 3, 'a');  // 259 bytes
    ASSERT_EQ(longest.size(), 259u);
    const std::string tooLong = longest + "b";

    struct LengthCase {
        std::string commandLine;
        int32_t ieFileSave;
        StartKind kind;
    };
    const LengthCase cases[] = {
        {longest, 1, StartKind::OpenPath},
        {tooLong, 1, StartKind::PathTooLong},
        // Quotes do not count.
        {"\"" + longest + "\"", 1, StartKind::OpenPath},
        {"\"" + tooLong + "\"", 1, StartKind::PathTooLong},
        // The decoded path counts: each %20 is one byte.
        {"file:///C:/%20" + std::string(255, 'a'), 1, StartKind::OpenPath},
        {"file:///C:/%20" + std::string(256, 'a'), 1, StartKind::PathTooLong},
        // A streamed URL is the path itself.
        {"http://x/" + std::string(250, 'a'), 0, StartKind::OpenPath},
        {"http://x/" + std::string(251, 'a'), 0, StartKind::PathTooLong},
        // A downloaded URL may be long; only the offered name must fit.
        {"http://example.com/" + std::string(400, 'd') + "/clip.avi", 1, StartKind::DownloadFirst},
        {"http://x/" + std::string(259, 'n'), 1, StartKind::DownloadFirst},
        {"http://x/" + std::string(260, 'n'), 1, StartKind::PathTooLong},
    };
    for (const LengthCase& c : cases) {
        SCOPED_TRACE(c.commandLine.size());
        const StartRequest r = ParseCommandLine(c.commandLine.c_str(), c.ieFileSave);
        EXPECT_STREQ(KindName(r.kind), KindName(c.kind));
        if (r.kind == StartKind::PathTooLong) {
            EXPECT_GE(r.path.size(), static_cast<size_t>(kPathBytes));
            EXPECT_TRUE(r.url.empty());
        }
    }

    const StartRequest refused = ParseCommandLine(tooLong.c_str(), 1);
    EXPECT_EQ(refused.path, tooLong);
    const std::string message = PathTooLongMessage(refused);
    EXPECT_NE(message.find("260 bytes"), std::string::npos) << message;
    EXPECT_NE(message.find("259"), std::string::npos) << message;
    EXPECT_NE(message.find("nothing is opened"), std::string::npos) << message;
}

TEST(ShellCommandLine, UrlFileName) {
    EXPECT_EQ(UrlFileName("http://example.com/a/clip.avi"), "clip.avi");
    EXPECT_EQ(UrlFileName("http://example.com/a/clip.avi?x=1"), "clip.avi?x=1");
    EXPECT_EQ(UrlFileName("clip.avi"), "clip.avi");
    EXPECT_EQ(UrlFileName("http://example.com/"), "");
}

TEST(ShellCommandLine, AskWhereToSaveOnlyForOne) {
    EXPECT_TRUE(AskWhereToSave(1));
    EXPECT_FALSE(AskWhereToSave(0));
    EXPECT_FALSE(AskWhereToSave(2));
    EXPECT_FALSE(AskWhereToSave(-1));
}

}  // namespace
